# The layering test reads the sources and the rule table where they stand.
if(TARGET layering_tests)
    target_compile_definitions(layering_tests PRIVATE KESTRUNE_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
                               KESTRUNE_LAYERING_RULES="${CMAKE_CURRENT_LIST_DIR}/rules.txt")
endif()
