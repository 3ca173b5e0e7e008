# A separate program for the analytics kit's kill suite: it logs events with a small size limit so that
# every stage runs all the time, and kills itself at the n-th pass of a named point of the pipeline.
if(TARGET reporting_tests AND NOT TARGET usage_kill_helper)
    add_executable(usage_kill_helper ${CMAKE_CURRENT_LIST_DIR}/programs/usage_kill_helper.cpp)
    target_link_libraries(usage_kill_helper PRIVATE reporting_usage)
    add_dependencies(reporting_tests usage_kill_helper)
    target_compile_definitions(reporting_tests PRIVATE USAGE_KILL_HELPER_PATH="$<TARGET_FILE:usage_kill_helper>")
endif()
