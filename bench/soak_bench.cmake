# Load/play/seek/stop cycles of the real engine (offscreen video, SDL's dummy audio) over the
# test media, failing on growth of memory, descriptors or threads. The `soak` test (label
# soak) is left out of the default pass: scripts/test runs it once in the sanitizer tree.
add_executable(soak_bench ${CMAKE_CURRENT_LIST_DIR}/soak_bench.cpp)
target_compile_options(soak_bench PRIVATE ${ZVP_WARNINGS})
target_link_libraries(soak_bench PRIVATE zvp_engine)
add_dependencies(soak_bench test_media engine_test_media)
if(ZVP_BUILD_TESTS)
  set(soak_env QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
    ZVP_MEDIA_DIR=${CMAKE_BINARY_DIR}/media)
  # A 50 ms position tick: each cycle waits less for playback to start (the sanitizer tree).
  add_test(NAME soak COMMAND soak_bench --tick-ms 50)
  set_tests_properties(soak PROPERTIES LABELS soak TIMEOUT 1800 ENVIRONMENT "${soak_env}")
  # A few cycles: the run completes and prints every figure (too few to judge growth).
  add_test(NAME bench_smoke_soak COMMAND sh -c
    "out=$(\"$0\" --cycles 6 --every 3 --no-bounds) || exit 1; echo \"$out\"; for f in 'growth since cycle 3' \
'RESULT|soak heap growth MiB|' 'RESULT|soak rss growth MiB|' 'RESULT|soak cycle ms|'; do \
echo \"$out\" | grep -qF \"$f\" || { echo \"missing: $f\"; exit 1; }; done"
    $<TARGET_FILE:soak_bench>)
  set_tests_properties(bench_smoke_soak PROPERTIES LABELS bench-smoke TIMEOUT 120
    ENVIRONMENT "${soak_env}")
endif()
