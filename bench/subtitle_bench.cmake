# Throughput of decode + picture conversion + subtitle drawing on the 1080p test clip, with
# and without a two-line subtitle on every picture. Usage: subtitle_bench [clip] [passes]
add_executable(subtitle_bench ${CMAKE_CURRENT_LIST_DIR}/subtitle_bench.cpp)
target_link_libraries(subtitle_bench PRIVATE zvp_subtitle)
target_compile_definitions(subtitle_bench PRIVATE
  ZVP_DEFAULT_MEDIA_DIR="${CMAKE_BINARY_DIR}/media")

if(ZVP_BUILD_TESTS)
  zvp_bench_smoke(subtitle_bench FIGURES "plain" "external 2-line SRT" "embedded 2 lines"
    COMMAND $<TARGET_FILE:subtitle_bench> ${CMAKE_BINARY_DIR}/media/h264_aac.mp4 1)
endif()

# libass's own ass_render_frame time for a subtitle file at given picture times (the figure
# bench/subtitle_pipeline.sh sets beside ours).
add_executable(subtitle_libass_bench ${CMAKE_CURRENT_LIST_DIR}/subtitle_libass_bench.cpp)
target_link_libraries(subtitle_libass_bench PRIVATE zvp_subtitle)
