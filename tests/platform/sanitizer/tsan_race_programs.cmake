# Races of our own that the thread sanitizer must report although the project's suppressions are in force
# (tests/tsan.supp, and the list the test support library builds into every test program): our code below
# the dynamic loader (a module's constructor), our code on a worker thread of the packaged cpp-httplib,
# and our code in callbacks that cairo calls (a write function's data race, and a lock-order inversion
# between two locks of ours, one of them taken in a destroy callback), and our drawn-text observer called
# while text is drawn (a lock-order inversion between two locks of ours, one order taken in the observer
# under drawPangoText). Each suppression covers an
# uninstrumented library's own frames only; a suppression as wide as the whole library would hide these
# reports, and these tests would fail.
#
# Included by the project, this file defines the programs and their tests (the thread-sanitizer build
# only); run as a script (cmake -P), it runs one program with the suppressions and passes only when the
# sanitizer reported the kind of fault named (REPORT, a data race unless said) with the named function of
# ours in its stacks.
if(CMAKE_SCRIPT_MODE_FILE)
    execute_process(COMMAND ${PROGRAM} ${PROGRAM_ARGS} RESULT_VARIABLE status OUTPUT_VARIABLE output
                    ERROR_VARIABLE output TIMEOUT 120)
    if(NOT REPORT)
        set(REPORT "data race")
    endif()
    string(FIND "${output}" "WARNING: ThreadSanitizer: ${REPORT}" report)
    string(FIND "${output}" "${RACING_FUNCTION}" racer)
    if(report EQUAL -1 OR racer EQUAL -1)
        message(FATAL_ERROR "the thread sanitizer did not report the ${REPORT} in ${RACING_FUNCTION} (exit status "
                "${status}): a suppression hides faults of our own (TSAN_OPTIONS: $ENV{TSAN_OPTIONS})\n${output}")
    endif()
    message(STATUS "reported, as it must be: the ${REPORT} in ${RACING_FUNCTION}")
    return()
endif()

if(KESTRUNE_SANITIZE STREQUAL "thread" AND TARGET platform_tests AND NOT TARGET module_constructor_race)
    set(race_dir ${CMAKE_CURRENT_LIST_DIR}/programs)
    add_library(race_module MODULE ${race_dir}/RaceModule.cpp)
    add_executable(module_constructor_race ${race_dir}/module_constructor_race.cpp)
    target_link_libraries(module_constructor_race PRIVATE Threads::Threads ${CMAKE_DL_LIBS})
    set_target_properties(module_constructor_race PROPERTIES ENABLE_EXPORTS ON)
    add_executable(http_handler_race ${race_dir}/http_handler_race.cpp)
    target_link_libraries(http_handler_race PRIVATE PkgConfig::CPP_HTTPLIB Threads::Threads)

    # The built-in list comes with the loopback server's object, which nothing here would otherwise pull
    # from the test support library: the programs ask for LoopbackServer::start() (the sanitizer's
    # runtime already defines the list's own symbol, weakly, so asking for that pulls nothing).
    foreach(program module_constructor_race http_handler_race)
        target_link_libraries(${program} PRIVATE test_support)
        target_link_options(${program} PRIVATE -Wl,--undefined=_ZN11testsupport14LoopbackServer5startEv)
    endforeach()

    set(race_options "TSAN_OPTIONS=halt_on_error=1 suppressions=${CMAKE_SOURCE_DIR}/tests/tsan.supp")
    add_test(NAME TsanSuppressions.ReportModuleConstructorRace
             COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:module_constructor_race>
                     -DPROGRAM_ARGS=$<TARGET_FILE:race_module> -DRACING_FUNCTION=kestruneRaceCountModuleLoad
                     -P ${CMAKE_CURRENT_LIST_FILE})
    add_test(NAME TsanSuppressions.ReportHttpHandlerRace
             COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:http_handler_race>
                     -DRACING_FUNCTION=kestruneRaceCountRequest -P ${CMAKE_CURRENT_LIST_FILE})
    set_tests_properties(TsanSuppressions.ReportModuleConstructorRace TsanSuppressions.ReportHttpHandlerRace
                         PROPERTIES ENVIRONMENT "${race_options}" TIMEOUT 180 LABELS platform)

    if(TARGET PkgConfig::CAIRO)
        add_executable(cairo_write_func_race ${race_dir}/cairo_write_func_race.cpp)
        add_executable(cairo_callback_lock_order ${race_dir}/cairo_callback_lock_order.cpp)
        foreach(program cairo_write_func_race cairo_callback_lock_order)
            target_link_libraries(${program} PRIVATE PkgConfig::CAIRO Threads::Threads test_support)
            target_link_options(${program} PRIVATE -Wl,--undefined=_ZN11testsupport14LoopbackServer5startEv)
        endforeach()
        add_test(NAME TsanSuppressions.ReportCairoWriteFunctionRace
                 COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:cairo_write_func_race>
                         -DRACING_FUNCTION=kestruneRaceCountPngBytes -P ${CMAKE_CURRENT_LIST_FILE})
        add_test(NAME TsanSuppressions.ReportCairoCallbackLockOrder
                 COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:cairo_callback_lock_order>
                         "-DREPORT=lock-order-inversion (potential deadlock)"
                         -DRACING_FUNCTION=kestruneLockOrderForgetPicture -P ${CMAKE_CURRENT_LIST_FILE})
        set_tests_properties(TsanSuppressions.ReportCairoWriteFunctionRace
                             TsanSuppressions.ReportCairoCallbackLockOrder
                             PROPERTIES ENVIRONMENT "${race_options}" TIMEOUT 180 LABELS platform)
    endif()

    if(TARGET platform_cairo)
        add_executable(text_observer_lock_order ${race_dir}/text_observer_lock_order.cpp)
        target_link_libraries(text_observer_lock_order PRIVATE platform_cairo Threads::Threads test_support)
        target_link_options(text_observer_lock_order PRIVATE
                            -Wl,--undefined=_ZN11testsupport14LoopbackServer5startEv)
        # As `make tsan` runs it: with the second stack of each lock, where a suppression can match too.
        add_test(NAME TsanSuppressions.ReportTextObserverLockOrder
                 COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:text_observer_lock_order>
                         "-DREPORT=lock-order-inversion (potential deadlock)"
                         -DRACING_FUNCTION=kestruneLockOrderTextObserver -P ${CMAKE_CURRENT_LIST_FILE})
        set_tests_properties(TsanSuppressions.ReportTextObserverLockOrder PROPERTIES
                             ENVIRONMENT "${race_options} second_deadlock_stack=1" TIMEOUT 180 LABELS platform)
    endif()
endif()
