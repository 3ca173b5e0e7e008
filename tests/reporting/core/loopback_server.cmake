# The loopback HTTP(S) server of tests/support stands on cpp-httplib. The packaged library is compiled
# with TLS, zlib and brotli support, so its headers must be read with the same switches: take them,
# and the library, from its pkg-config file.
if(NOT TARGET PkgConfig::CPP_HTTPLIB)
    pkg_check_modules(CPP_HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
    target_link_libraries(test_support PUBLIC PkgConfig::CPP_HTTPLIB)
endif()
