# The crash probe (programs/crash_probe.cpp): a program that starts the crash kit and crashes in one of
# many ways, for the capture tests and the crash benchmark. It is built without sanitizers, whose own
# signal handlers and allocator would stand between the kit and the crash, so it links a copy of the
# kit compiled without them. A second variant interposes the allocator and the mutex lock and exits
# with a code of its own when one of them runs on an alternate signal stack.
if(TARGET reporting_tests AND NOT TARGET crash_probe)
    file(GLOB_RECURSE crash_probe_kit_srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/platform/*.cpp
         ${CMAKE_SOURCE_DIR}/reporting/core/*.cpp ${CMAKE_SOURCE_DIR}/reporting/crash/*.cpp)
    list(FILTER crash_probe_kit_srcs EXCLUDE REGEX "/platform/sim/|/platform/ui/cairo/")
    add_library(crash_probe_kit STATIC ${crash_probe_kit_srcs})
    target_include_directories(crash_probe_kit PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(crash_probe_kit PUBLIC PkgConfig::PLIST PkgConfig::GLIB OpenSSL::Crypto OpenSSL::SSL
                          ZLIB::ZLIB JPEG::JPEG Threads::Threads nlohmann_json::nlohmann_json ${CMAKE_DL_LIBS})
    target_include_directories(crash_probe_kit PUBLIC
                               $<TARGET_PROPERTY:CURL::libcurl,INTERFACE_INCLUDE_DIRECTORIES>)

    set(crash_probe_dir ${CMAKE_CURRENT_LIST_DIR}/programs)
    add_executable(crash_probe ${crash_probe_dir}/crash_probe.cpp)
    add_executable(crash_probe_interpose ${crash_probe_dir}/crash_probe.cpp ${crash_probe_dir}/CrashProbeInterpose.cpp)
    foreach(target crash_probe_kit crash_probe crash_probe_interpose)
        # The folder's sanitizer flags are dropped; the warnings and the prefix map stay.
        set_property(TARGET ${target} PROPERTY COMPILE_OPTIONS ${KESTRUNE_UNSANITIZED_OPTIONS})
        set_property(TARGET ${target} PROPERTY LINK_OPTIONS "")
    endforeach()
    # The probe's code that no unwind information describes, walked by its frame pointers alone.
    add_library(crash_probe_no_unwind_info STATIC ${crash_probe_dir}/ProbeWithoutUnwindInfo.c)
    target_include_directories(crash_probe_no_unwind_info PRIVATE ${CMAKE_SOURCE_DIR})
    set_property(TARGET crash_probe_no_unwind_info PROPERTY COMPILE_OPTIONS ${KESTRUNE_UNSANITIZED_OPTIONS} -O2
                 -fno-inline -fno-optimize-sibling-calls -fno-omit-frame-pointer -fno-asynchronous-unwind-tables
                 -fno-unwind-tables)
    foreach(target crash_probe crash_probe_interpose)
        target_link_libraries(${target} PRIVATE crash_probe_kit crash_probe_no_unwind_info)
        # Exported symbols let the probe look up the extent of its own crash functions.
        set_property(TARGET ${target} PROPERTY ENABLE_EXPORTS ON)
        add_dependencies(reporting_tests ${target})
    endforeach()
    # The library a probe is started with preloaded, to throw on a thread of its own.
    add_library(crash_probe_preload SHARED ${crash_probe_dir}/ProbePreload.cpp)
    set_property(TARGET crash_probe_preload PROPERTY COMPILE_OPTIONS ${KESTRUNE_UNSANITIZED_OPTIONS} -O1 -fno-inline
                 -fno-optimize-sibling-calls -fno-omit-frame-pointer)
    set_property(TARGET crash_probe_preload PROPERTY LINK_OPTIONS "")
    target_link_libraries(crash_probe_preload PRIVATE Threads::Threads)
    add_dependencies(reporting_tests crash_probe_preload)
    target_compile_definitions(reporting_tests PRIVATE CRASH_PROBE_PATH="$<TARGET_FILE:crash_probe>"
                               CRASH_PROBE_INTERPOSE_PATH="$<TARGET_FILE:crash_probe_interpose>"
                               CRASH_PROBE_PRELOAD_PATH="$<TARGET_FILE:crash_probe_preload>")

    # Builds of one plugin of the same layout (tests/platform/mach/loader_libraries.cmake), opened where
    # one another lay.
    include(${CMAKE_SOURCE_DIR}/tests/platform/mach/loader_libraries.cmake)
    foreach(target crash_probe crash_probe_interpose reporting_tests)
        add_dependencies(${target} ${same_layout_targets})
        target_compile_definitions(${target} PRIVATE ${same_layout_paths})
    endforeach()

    # The crash benchmark runs the probe too; its target exists only once the benchmarks are defined.
    function(crash_probe_attach_bench)
        if(TARGET crash_bench)
            add_dependencies(crash_bench crash_probe)
            target_compile_definitions(crash_bench PRIVATE CRASH_PROBE_PATH="$<TARGET_FILE:crash_probe>")
        endif()
    endfunction()
    cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL crash_probe_attach_bench)
endif()
