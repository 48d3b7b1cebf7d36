# The whole playback pipeline (source filter, pins, decoders, graph, null renderers):
# throughput (--fast) and audio/video offset (--realtime). bench/compare_ffmpeg.sh sets the
# throughput against the ffmpeg command-line tool on the same clip.
add_executable(pipeline_bench ${CMAKE_CURRENT_LIST_DIR}/pipeline_bench.cpp)
target_link_libraries(pipeline_bench PRIVATE zvp_media Threads::Threads)
add_dependencies(pipeline_bench test_media)
