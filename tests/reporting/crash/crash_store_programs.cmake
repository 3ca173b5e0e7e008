# A separate program for the crash store's tests: it writes a record file from inside a signal handler
# and dies of the signal, or is killed between two moves of a report, so that the tests can check what
# such a process leaves on disk.
if(TARGET reporting_tests AND NOT TARGET crash_store_child)
    add_executable(crash_store_child ${CMAKE_CURRENT_LIST_DIR}/programs/crash_store_child.cpp)
    target_link_libraries(crash_store_child PRIVATE reporting_crash)
    add_dependencies(reporting_tests crash_store_child)
    target_compile_definitions(reporting_tests PRIVATE CRASH_STORE_CHILD_PATH="$<TARGET_FILE:crash_store_child>")
endif()
