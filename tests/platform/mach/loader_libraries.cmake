# What the programs that load the builds of the same-layout plugin (below) are given, whichever file
# includes this one first.
set(same_layout_paths SAME_LAYOUT_PLUGIN_A="$<TARGET_FILE:kestrune_same_layout_a>"
                      SAME_LAYOUT_PLUGIN_B="$<TARGET_FILE:kestrune_same_layout_b>"
                      SAME_LAYOUT_PLUGIN_C="$<TARGET_FILE:kestrune_same_layout_c>"
                      SAME_LAYOUT_PLAIN_A="$<TARGET_FILE:kestrune_same_layout_plain_a>"
                      SAME_LAYOUT_PLAIN_B="$<TARGET_FILE:kestrune_same_layout_plain_b>")
set(same_layout_targets kestrune_same_layout_a kestrune_same_layout_b kestrune_same_layout_c
                        kestrune_same_layout_plain_a kestrune_same_layout_plain_b)

# Two small libraries that tests load at run time: the outer one loads the inner one itself (a load the
# program never makes), and the inner one has a function that faults, for a crash inside a library
# loaded after the crash kit started. They are built without sanitizers, so that the crash probe (built
# without them) can load them too; every step keeps its own frame.
if(NOT TARGET kestrune_loader_outer)
    set(loader_dir ${CMAKE_CURRENT_LIST_DIR}/libraries)
    add_library(kestrune_loader_inner SHARED ${loader_dir}/LoaderInner.c)
    add_library(kestrune_loader_outer SHARED ${loader_dir}/LoaderOuter.c)
    foreach(target kestrune_loader_inner kestrune_loader_outer)
        set_property(TARGET ${target} PROPERTY COMPILE_OPTIONS ${KESTRUNE_UNSANITIZED_OPTIONS} -O1 -fno-inline
                     -fno-optimize-sibling-calls -fno-omit-frame-pointer)
        set_property(TARGET ${target} PROPERTY LINK_OPTIONS "")
    endforeach()
    target_link_libraries(kestrune_loader_outer PRIVATE ${CMAKE_DL_LIBS})

    # A library whose search path is its own folder (RUNPATH $ORIGIN) and the sibling it loads from
    # there. They lie in a folder of their own that no test program searches, so only the library's own
    # search path finds the sibling.
    add_library(kestrune_origin_loader SHARED ${loader_dir}/OriginLoader.c)
    add_library(kestrune_origin_sibling SHARED ${loader_dir}/OriginSibling.c)
    foreach(target kestrune_origin_loader kestrune_origin_sibling)
        set_property(TARGET ${target} PROPERTY COMPILE_OPTIONS ${KESTRUNE_UNSANITIZED_OPTIONS} -O1)
        set_property(TARGET ${target} PROPERTY LINK_OPTIONS "LINKER:--enable-new-dtags")
        set_property(TARGET ${target} PROPERTY LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/origin-libraries)
    endforeach()
    set_property(TARGET kestrune_origin_loader PROPERTY BUILD_RPATH "\$ORIGIN")
    target_link_libraries(kestrune_origin_loader PRIVATE ${CMAKE_DL_LIBS})
    add_dependencies(kestrune_origin_loader kestrune_origin_sibling)

    # Builds of one plugin that differ only in a constant (a, b) and, for c, in code added ahead of its
    # function: another build of a plugin, written over its file and opened where the old one lay, is
    # another image at the same addresses. Functions stay in the order of the source, so that c's lies
    # past the end of a's code. The plain builds carry no build-id note, which lies in the first segment,
    # ahead of the code: their code and dynamic section lie where the other builds have theirs.
    foreach(variant a b c plain_a plain_b)
        add_library(kestrune_same_layout_${variant} SHARED ${loader_dir}/SameLayoutPlugin.c)
        set_property(TARGET kestrune_same_layout_${variant} PROPERTY COMPILE_OPTIONS
                     ${KESTRUNE_UNSANITIZED_OPTIONS} -O1 -fno-inline -fno-omit-frame-pointer
                     $<$<C_COMPILER_ID:GNU>:-fno-toplevel-reorder>)
        set_property(TARGET kestrune_same_layout_${variant} PROPERTY LINK_OPTIONS "")
    endforeach()
    target_compile_definitions(kestrune_same_layout_a PRIVATE SAME_LAYOUT_CONSTANT=1)
    target_compile_definitions(kestrune_same_layout_b PRIVATE SAME_LAYOUT_CONSTANT=2)
    target_compile_definitions(kestrune_same_layout_c PRIVATE SAME_LAYOUT_CONSTANT=3 SAME_LAYOUT_LONGER)
    target_compile_definitions(kestrune_same_layout_plain_a PRIVATE SAME_LAYOUT_CONSTANT=4)
    target_compile_definitions(kestrune_same_layout_plain_b PRIVATE SAME_LAYOUT_CONSTANT=5)
    foreach(variant plain_a plain_b)
        set_property(TARGET kestrune_same_layout_${variant} PROPERTY LINK_OPTIONS "LINKER:--build-id=none")
    endforeach()

    if(TARGET platform_tests)
        add_dependencies(platform_tests kestrune_loader_inner kestrune_loader_outer ${same_layout_targets})
        target_compile_definitions(platform_tests PRIVATE
            KESTRUNE_LOADER_INNER="$<TARGET_FILE:kestrune_loader_inner>"
            KESTRUNE_LOADER_OUTER="$<TARGET_FILE:kestrune_loader_outer>" ${same_layout_paths})
    endif()
endif()
