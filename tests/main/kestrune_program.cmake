# The application itself, for the tests that launch it (a crash on request, then the launch that
# reports it). Its resources are the source tree's, copied into a bundle of the test's own.
if(TARGET main_tests AND TARGET kestrune)
    add_dependencies(main_tests kestrune)
    target_compile_definitions(main_tests PRIVATE KESTRUNE_PROGRAM_PATH="$<TARGET_FILE:kestrune>"
                               KESTRUNE_SOURCE_RESOURCES="${CMAKE_SOURCE_DIR}/resources")
endif()
