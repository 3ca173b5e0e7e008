# A second process for the inter-process channel's tests: it answers a ping with a pong.
if(TARGET link_tests AND NOT TARGET inter_process_peer)
    add_executable(inter_process_peer ${CMAKE_CURRENT_LIST_DIR}/programs/inter_process_peer.cpp)
    target_link_libraries(inter_process_peer PRIVATE link)
    add_dependencies(link_tests inter_process_peer)
    target_compile_definitions(link_tests PRIVATE INTER_PROCESS_PEER_PATH="$<TARGET_FILE:inter_process_peer>")
endif()
