# The quit test starts the application itself: it needs the executable built first, and its path. The
# thread-sanitizer build leaves it out (the quits are checked under the address and undefined-behaviour
# sanitizers).
if(TARGET main_tests AND TARGET kestrune AND NOT KESTRUNE_SANITIZE STREQUAL "thread")
    add_dependencies(main_tests kestrune)
    target_compile_definitions(main_tests PRIVATE KESTRUNE_EXECUTABLE="$<TARGET_FILE:kestrune>")
endif()
