# The hosted backend client against a real Parse Server: one program, so that the server and its
# PostgreSQL cluster start once for all its tests and stop when it ends. `make deps` installs the
# server package; the program runs as one CTest test.
if(TARGET platform_tests AND NOT TARGET backend_server_tests)
    file(GLOB backend_server_srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/server/*.cpp)
    add_executable(backend_server_tests ${backend_server_srcs})
    # The silent-push helper of the link layer is checked against the server's refusal too.
    target_link_libraries(backend_server_tests PRIVATE link test_support)
    kestrune_run_tests_through_runner(backend_server_tests)
    add_test(NAME BackendClientOnParseServer COMMAND backend_server_tests)
    set_tests_properties(BackendClientOnParseServer PROPERTIES TIMEOUT 300)
endif()
