# ctest's runner (tests/test_runner.cpp) is tested by platform_tests (TestRunnerTest.cpp), which runs a
# test of its own through it. Only that file is told where the runner is: the program's other files keep
# their command lines, and so their objects in the compiler cache.
if(TARGET platform_tests AND TARGET test_runner)
    set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/TestRunnerTest.cpp PROPERTIES
                                COMPILE_DEFINITIONS TEST_RUNNER_PATH="$<TARGET_FILE:test_runner>")
endif()
