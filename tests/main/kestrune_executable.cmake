# The start-up tests look at the application itself: what it links, and its pictures through the drawing
# module beside it.
if(TARGET main_tests AND TARGET kestrune)
    add_dependencies(main_tests kestrune)
    target_compile_definitions(main_tests PRIVATE KESTRUNE_EXECUTABLE_PATH="$<TARGET_FILE:kestrune>")
endif()
