# The exactly-once suite's helper: it runs the reports controller over a store until it is empty and
# kills itself at a chosen point, so that the tests can restart it and check what reaches the server.
# The suite starts it some six hundred times: in the address-sanitizer build it links the crash probe's
# copy of the kit built without sanitizers (when there is one), which starts several times faster; the
# thread-sanitizer build keeps it sanitized, so its threads are checked too.
if(TARGET reporting_tests AND NOT TARGET upload_kill_helper)
    add_executable(upload_kill_helper ${CMAKE_CURRENT_LIST_DIR}/programs/upload_kill_helper.cpp)
    target_include_directories(upload_kill_helper PRIVATE ${CMAKE_SOURCE_DIR})
    if(TARGET crash_probe_kit AND NOT KESTRUNE_SANITIZE STREQUAL "thread")
        target_link_libraries(upload_kill_helper PRIVATE crash_probe_kit)
        set_property(TARGET upload_kill_helper PROPERTY COMPILE_OPTIONS ${KESTRUNE_UNSANITIZED_OPTIONS})
        set_property(TARGET upload_kill_helper PROPERTY LINK_OPTIONS "")
    else()
        target_link_libraries(upload_kill_helper PRIVATE reporting_crash)
    endif()
    add_dependencies(reporting_tests upload_kill_helper)
    target_compile_definitions(reporting_tests PRIVATE UPLOAD_KILL_HELPER_PATH="$<TARGET_FILE:upload_kill_helper>")
endif()
