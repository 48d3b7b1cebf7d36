# bench/software_render_cpu.sh: the player through its software video renderer against mpv
# drawing through X11, under Xvfb.
if(ZVP_BUILD_TESTS AND TARGET zvp)
  zvp_bench_smoke(software_render_cpu FIGURES "zvp (software renderer) CPU seconds" "RESULT|"
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/software_render_cpu.sh $<TARGET_FILE:zvp>
            ${CMAKE_BINARY_DIR}/media/h264_aac.mp4 1
    ENV ASAN_OPTIONS=detect_leaks=0)
  # Starts the player: one instance per user at a time.
  set_tests_properties(bench_smoke_software_render_cpu PROPERTIES RESOURCE_LOCK zvp_instance)
endif()
