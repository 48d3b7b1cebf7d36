# The whole playback pipeline (source filter, pins, decoders, graph, null renderers):
# throughput (--fast) and audio/video offset (--realtime). bench/compare_ffmpeg.sh sets the
# throughput against the ffmpeg command-line tool on the same clip.
add_executable(pipeline_bench ${CMAKE_CURRENT_LIST_DIR}/pipeline_bench.cpp)
target_link_libraries(pipeline_bench PRIVATE zvp_media Threads::Threads)
add_dependencies(pipeline_bench test_media)

if(ZVP_BUILD_TESTS)
  zvp_bench_smoke(pipeline_bench
    FIGURES "frames presented:" "CPU seconds:" "frames per second:" "av offset p95 ms:"
            "av offset max ms:" "packet queue cap bytes:" "packet queue peak bytes:"
            "picture buffer bytes:"
    COMMAND $<TARGET_FILE:pipeline_bench> ${CMAKE_BINARY_DIR}/media/h264_aac.mp4 --realtime --seconds 3 --seek-every 1)
  zvp_bench_smoke(compare_ffmpeg
    FIGURES "ffmpeg frames per second:" "pipeline frames per second:" "ratio:"
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/compare_ffmpeg.sh $<TARGET_FILE:pipeline_bench> ${CMAKE_BINARY_DIR}/media/h264_aac.mp4 1)
  zvp_bench_smoke(memory_peak
    FIGURES "RESULT|peak RSS MiB h264_aac.mp4|" "RESULT|packet queue peak MiB h264_aac.mp4|"
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/memory_peak.sh $<TARGET_FILE:pipeline_bench> ${CMAKE_BINARY_DIR}/media/h264_aac.mp4
    ENV ZVP_MEMORY_SECONDS=2)
  # The table of compare_peers.sh, over one short script.
  zvp_bench_smoke(compare_peers
    FIGURES "figure" "peak RSS MiB hd1080.mp4" "ran: memory_peak"
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/compare_peers.sh ${CMAKE_BINARY_DIR}
    ENV ZVP_COMPARE_ONLY=memory_peak ZVP_MEMORY_SECONDS=1)
endif()
