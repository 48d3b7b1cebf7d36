# Packet throughput of the probe and the queues against a bare libavformat read loop.
add_executable(media_queue_bench ${CMAKE_CURRENT_LIST_DIR}/media_queue_bench.cpp)
target_link_libraries(media_queue_bench PRIVATE zvp_media Threads::Threads)
add_dependencies(media_queue_bench test_media)
target_compile_definitions(media_queue_bench PRIVATE ZVP_DEFAULT_MEDIA_DIR="${CMAKE_BINARY_DIR}/media")

# Decoding speed with the probe's decoder threads against a single thread.
add_executable(media_decode_bench ${CMAKE_CURRENT_LIST_DIR}/media_decode_bench.cpp)
target_link_libraries(media_decode_bench PRIVATE zvp_media)
add_dependencies(media_decode_bench test_media)
target_compile_definitions(media_decode_bench PRIVATE ZVP_DEFAULT_MEDIA_DIR="${CMAKE_BINARY_DIR}/media")

if(ZVP_BUILD_TESTS)
  zvp_bench_smoke(media_queue_bench
    FIGURES "bare libavformat loop" "queue overhead (median)" "overhead with thread hand-over"
            "video queue Put+Count+Get" "audio queue Put+Count+Get"
    COMMAND $<TARGET_FILE:media_queue_bench> ${CMAKE_BINARY_DIR}/media/h264_aac.mp4 1
    ENV ZVP_BENCH_RUNS=1)
  zvp_bench_smoke(media_decode_bench
    FIGURES "one decoding thread" "decoder as opened" "speed-up"
    COMMAND $<TARGET_FILE:media_decode_bench> ${CMAKE_BINARY_DIR}/media/h264_aac.mp4 1)
endif()
