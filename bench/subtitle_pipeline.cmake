# bench/subtitle_pipeline.sh (subtitle blending cost against libass's own) and
# bench/pipeline_cpu.sh (real-time CPU against mpv, copies per picture) run on pipeline_bench;
# subtitle_libass_bench (bench/subtitle_bench.cmake) gives libass's figure.
if(ZVP_BUILD_TESTS)
  # Each once on a short clip: it completes and prints every figure it promises.
  add_test(NAME bench_smoke_subtitle_pipeline
    COMMAND bash -c [=[
      out=$("$0" "$1" "$2" 1) || exit 1
      printf '%s\n' "$out"
      for case in per-picture animated static; do
        for figure in "plain frames per second" "subtitled frames per second" "ratio" \
                      "libass ms per picture" "our subtitle ms per picture" "limit" \
                      "ratio / limit" \
                      "of which overlay paint ms per picture (one thread, alone)" \
                      "of which overlay conversion ms per picture (one thread, alone)"; do
          printf '%s\n' "$out" | grep -q "^$case: $figure: [0-9.]*$" ||
            { echo "missing: $case: $figure"; exit 1; }
        done
        [ "$(printf '%s\n' "$out" | grep -c "^RESULT|subtitles $case: ")" = 2 ] ||
          { echo "missing RESULT lines of $case"; exit 1; }
      done]=]
      ${CMAKE_CURRENT_LIST_DIR}/subtitle_pipeline.sh $<TARGET_FILE:pipeline_bench>
      ${CMAKE_BINARY_DIR}/media/dvd_vts.vob)
  add_test(NAME bench_smoke_pipeline_cpu
    COMMAND bash -c [=[
      out=$("$0" "$1" "$2" 1) || exit 1
      printf '%s\n' "$out"
      for figure in "bytes copied per picture: [0-9]" "full-picture copies per picture: [0-9]" \
                    "pipeline_bench --realtime CPU seconds: [0-9]" \
                    "RESULT|realtime CPU s (null renderers)|" "RESULT|full-picture copies"; do
        printf '%s\n' "$out" | grep -q "^$figure" || { echo "missing: $figure"; exit 1; }
      done]=]
      ${CMAKE_CURRENT_LIST_DIR}/pipeline_cpu.sh $<TARGET_FILE:pipeline_bench>
      ${CMAKE_BINARY_DIR}/media/dvd_vts.vob)
  set_tests_properties(bench_smoke_subtitle_pipeline bench_smoke_pipeline_cpu PROPERTIES
    LABELS bench-smoke TIMEOUT 120)
endif()
