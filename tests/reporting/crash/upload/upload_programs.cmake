# The exactly-once suite's helper: it runs the reports controller over a store until it is empty and
# kills itself at a chosen point, so that the tests can restart it and check what reaches the server.
if(TARGET reporting_tests AND NOT TARGET upload_kill_helper)
    add_executable(upload_kill_helper ${CMAKE_CURRENT_LIST_DIR}/programs/upload_kill_helper.cpp)
    target_include_directories(upload_kill_helper PRIVATE ${CMAKE_SOURCE_DIR})
    target_link_libraries(upload_kill_helper PRIVATE reporting_crash)
    add_dependencies(reporting_tests upload_kill_helper)
    target_compile_definitions(reporting_tests PRIVATE UPLOAD_KILL_HELPER_PATH="$<TARGET_FILE:upload_kill_helper>")
endif()
