add_executable(playlist_bench ${CMAKE_CURRENT_LIST_DIR}/playlist_bench.cpp)
target_link_libraries(playlist_bench PRIVATE zvp_playlist)

if(ZVP_BUILD_TESTS)
  zvp_bench_smoke(playlist_bench FIGURES "files," "ms"
    COMMAND $<TARGET_FILE:playlist_bench>)
endif()
