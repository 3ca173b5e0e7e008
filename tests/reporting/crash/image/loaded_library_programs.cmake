# The image table's tests and the crash probe load the loader's two test libraries
# (tests/platform/mach/loader_libraries.cmake) after the kit has started.
include(${CMAKE_SOURCE_DIR}/tests/platform/mach/loader_libraries.cmake)
if(TARGET reporting_tests)
    add_dependencies(reporting_tests kestrune_loader_inner kestrune_loader_outer)
    target_compile_definitions(reporting_tests PRIVATE
        KESTRUNE_LOADER_INNER="$<TARGET_FILE:kestrune_loader_inner>"
        KESTRUNE_LOADER_OUTER="$<TARGET_FILE:kestrune_loader_outer>")
endif()
if(TARGET crash_probe)
    foreach(target crash_probe crash_probe_interpose)
        target_compile_definitions(${target} PRIVATE
            KESTRUNE_LOADER_INNER="$<TARGET_FILE:kestrune_loader_inner>"
            KESTRUNE_LOADER_OUTER="$<TARGET_FILE:kestrune_loader_outer>")
    endforeach()
endif()
