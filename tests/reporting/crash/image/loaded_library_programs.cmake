# The image table's tests and the crash probe load the loader's test libraries
# (tests/platform/mach/loader_libraries.cmake) after the kit has started.
include(${CMAKE_SOURCE_DIR}/tests/platform/mach/loader_libraries.cmake)
if(TARGET reporting_tests)
    add_dependencies(reporting_tests kestrune_loader_inner kestrune_loader_outer kestrune_origin_loader)
    target_compile_definitions(reporting_tests PRIVATE
        KESTRUNE_LOADER_INNER="$<TARGET_FILE:kestrune_loader_inner>"
        KESTRUNE_LOADER_OUTER="$<TARGET_FILE:kestrune_loader_outer>"
        KESTRUNE_ORIGIN_LOADER="$<TARGET_FILE:kestrune_origin_loader>")
endif()
if(TARGET crash_probe)
    # Built with the probe, so that whatever builds it (the crash benchmark too) has what it loads.
    foreach(target crash_probe crash_probe_interpose)
        add_dependencies(${target} kestrune_loader_inner kestrune_loader_outer kestrune_origin_loader)
        target_compile_definitions(${target} PRIVATE
            KESTRUNE_LOADER_INNER="$<TARGET_FILE:kestrune_loader_inner>"
            KESTRUNE_LOADER_OUTER="$<TARGET_FILE:kestrune_loader_outer>"
            KESTRUNE_ORIGIN_LOADER="$<TARGET_FILE:kestrune_origin_loader>")
    endforeach()
endif()
