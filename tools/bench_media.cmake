# Benchmark clips (4K HEVC Main 10, 1440p VP9, 1080p60 H.264): tools/gen-bench-media.sh writes
# them into ${CMAKE_BINARY_DIR}/media beside the test media. Not part of the default build (neither CI nor the
# tests need them); bench/compare_ffmpeg.sh builds the `bench_media` target when it runs.
find_program(ZVP_FFMPEG_EXECUTABLE ffmpeg REQUIRED)
set(ZVP_BENCH_MEDIA_DIR ${CMAKE_BINARY_DIR}/media)
set(ZVP_BENCH_MEDIA_STAMP ${ZVP_BENCH_MEDIA_DIR}/.bench-generated)
add_custom_command(
  OUTPUT ${ZVP_BENCH_MEDIA_STAMP}
  COMMAND ${CMAKE_CURRENT_LIST_DIR}/gen-bench-media.sh ${ZVP_BENCH_MEDIA_DIR} ${ZVP_FFMPEG_EXECUTABLE}
  COMMAND ${CMAKE_COMMAND} -E touch ${ZVP_BENCH_MEDIA_STAMP}
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/gen-bench-media.sh
  COMMENT "Generating the benchmark clips in ${ZVP_BENCH_MEDIA_DIR}"
  VERBATIM)
add_custom_target(bench_media DEPENDS ${ZVP_BENCH_MEDIA_STAMP})
