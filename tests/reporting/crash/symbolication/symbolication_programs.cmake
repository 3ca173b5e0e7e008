# A program that records a crash-like report of its own and symbolicates it in a second run, so that
# the symbolication tests see addresses of a run loaded elsewhere. Linked with -rdynamic, as the
# application is, and with the unwinding tests' chain library.
if(TARGET reporting_tests AND NOT TARGET symbolication_child)
    add_executable(symbolication_child ${CMAKE_CURRENT_LIST_DIR}/programs/symbolication_child.cpp)
    target_include_directories(symbolication_child PRIVATE ${CMAKE_SOURCE_DIR})
    target_link_libraries(symbolication_child PRIVATE reporting_crash kestrune_unwind_chain_fp)
    set_target_properties(symbolication_child PROPERTIES ENABLE_EXPORTS ON)
    add_dependencies(reporting_tests symbolication_child)
    target_compile_definitions(reporting_tests PRIVATE SYMBOLICATION_CHILD_PATH="$<TARGET_FILE:symbolication_child>")
endif()

# A library the resolver's tests load a copy of (its own build identifier, static functions only its
# file names), to replace the copy's file in the middle of a report.
if(TARGET reporting_tests AND NOT TARGET kestrune_symbolication_library)
    add_library(kestrune_symbolication_library MODULE ${CMAKE_CURRENT_LIST_DIR}/programs/symbolication_library.c)
    add_dependencies(reporting_tests kestrune_symbolication_library)
    target_compile_definitions(reporting_tests PRIVATE
        SYMBOLICATION_LIBRARY_PATH="$<TARGET_FILE:kestrune_symbolication_library>")
endif()
