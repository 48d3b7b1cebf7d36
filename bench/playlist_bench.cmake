add_executable(playlist_bench ${CMAKE_CURRENT_LIST_DIR}/playlist_bench.cpp)
target_link_libraries(playlist_bench PRIVATE zvp_playlist)
