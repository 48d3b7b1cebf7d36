add_executable(playlist_bench ${CMAKE_CURRENT_LIST_DIR}/playlist_bench.cpp)
target_link_libraries(playlist_bench PRIVATE zvp_playlist)

if(ZVP_BUILD_TESTS)
  zvp_bench_smoke(playlist_bench
    FIGURES "files," "load " "read the file" "records with attributes" "append" "save "
            "delete every other row"
    COMMAND $<TARGET_FILE:playlist_bench> 500 1)
endif()
