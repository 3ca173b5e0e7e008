# The stack walker's tests need code whose frames they know: a chain of calls through the test program
# and a shared library, built once with frame pointers and once without (the sanitizer build turns
# frame pointers on everywhere, so the second variant turns them off again explicitly). Inlining,
# cloning, folding and tail calls are off so that every step keeps its own frame.
if(TARGET reporting_tests)
    set(unwind_chain_dir ${CMAKE_CURRENT_LIST_DIR}/chain)
    set(unwind_chain_flags -O2 -fno-inline -fno-optimize-sibling-calls -fno-omit-frame-pointer)
    if(CMAKE_C_COMPILER_ID STREQUAL "GNU")
        list(APPEND unwind_chain_flags -fno-ipa-icf -fno-ipa-cp-clone)
    endif()
    foreach(variant fp nofp)
        set(flags ${unwind_chain_flags})
        if(variant STREQUAL "nofp")
            list(APPEND flags -fomit-frame-pointer)
        endif()
        add_library(kestrune_unwind_chain_${variant} SHARED ${unwind_chain_dir}/UnwindChainLibrary.c)
        add_library(kestrune_unwind_chain_program_${variant} STATIC ${unwind_chain_dir}/UnwindChainProgram.c)
        foreach(target kestrune_unwind_chain_${variant} kestrune_unwind_chain_program_${variant})
            target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR})
            target_compile_definitions(${target} PRIVATE KESTRUNE_CHAIN=${variant})
            target_compile_options(${target} PRIVATE ${flags})
        endforeach()
        target_link_libraries(kestrune_unwind_chain_program_${variant} PUBLIC kestrune_unwind_chain_${variant})
        target_link_libraries(reporting_tests PRIVATE kestrune_unwind_chain_program_${variant})
    endforeach()
    # A deep recursion in code with frame pointers and no unwind information at all, which only the
    # frame-pointer step walks. Built without the sanitizers: the thread sanitizer's own record of the calls
    # a thread is in holds fewer than the recursion makes.
    add_library(kestrune_fp_recursion STATIC ${unwind_chain_dir}/FramePointerRecursion.c)
    target_include_directories(kestrune_fp_recursion PRIVATE ${CMAKE_SOURCE_DIR})
    set_property(TARGET kestrune_fp_recursion PROPERTY COMPILE_OPTIONS ${KESTRUNE_UNSANITIZED_OPTIONS}
                 ${unwind_chain_flags} -fno-asynchronous-unwind-tables -fno-unwind-tables)
    target_link_libraries(reporting_tests PRIVATE kestrune_fp_recursion)
    # One image without a build identifier, for the records of such an image.
    target_link_options(kestrune_unwind_chain_nofp PRIVATE -Wl,--build-id=none)
    # A library the tests load and unload at run time.
    target_compile_definitions(reporting_tests PRIVATE
        KESTRUNE_UNWIND_CHAIN_LIBRARY="$<TARGET_FILE:kestrune_unwind_chain_fp>")
endif()
