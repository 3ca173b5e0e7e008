# The application itself, for the tests that launch it (a crash on request, then the launch that
# reports it; quits with work in flight). Its resources are the source tree's, copied into a bundle of
# the test's own. The thread-sanitizer build leaves the quit test out: the quits are checked under the
# address and undefined-behaviour sanitizers.
if(TARGET main_tests AND TARGET kestrune)
    add_dependencies(main_tests kestrune)
    target_compile_definitions(main_tests PRIVATE KESTRUNE_PROGRAM_PATH="$<TARGET_FILE:kestrune>"
                               KESTRUNE_SOURCE_RESOURCES="${CMAKE_SOURCE_DIR}/resources")
    if(NOT KESTRUNE_SANITIZE STREQUAL "thread")
        target_compile_definitions(main_tests PRIVATE KESTRUNE_QUIT_TEST=1)
    endif()
endif()
