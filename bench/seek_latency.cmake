# Seek latency and the time a seek keeps the UI thread, through the playback controller and
# the engine with the null renderers. bench/seek_latency.sh sets them against mpv.
add_executable(seek_latency ${CMAKE_CURRENT_LIST_DIR}/seek_latency.cpp)
target_link_libraries(seek_latency PRIVATE zvp_playlist Threads::Threads)
add_dependencies(seek_latency test_media)

if(ZVP_BUILD_TESTS)
  zvp_bench_smoke(seek_latency
    FIGURES "RESULT|seek to picture p50 ms|" "RESULT|seek to picture p95 ms|"
            "RESULT|seek UI block p95 ms|"
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/seek_latency.sh $<TARGET_FILE:seek_latency> ${CMAKE_BINARY_DIR}/media/h264_aac.mp4 4)
endif()
