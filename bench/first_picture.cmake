# The helper of bench/startup_first_frame.sh: times a program until a picture shows in a
# region of the X screen.
find_package(X11)
if(X11_FOUND)
  add_executable(first_picture ${CMAKE_CURRENT_LIST_DIR}/first_picture.cpp)
  target_link_libraries(first_picture PRIVATE X11::X11)
  if(ZVP_BUILD_TESTS AND TARGET zvp)
    zvp_bench_smoke(startup_first_frame FIGURES "zvp: median"
      COMMAND ${CMAKE_CURRENT_LIST_DIR}/startup_first_frame.sh $<TARGET_FILE:zvp>
              ${CMAKE_BINARY_DIR}/media/h264_aac.mp4 1
      ENV ASAN_OPTIONS=detect_leaks=0)
    # Starts the player: one instance per user at a time.
    set_tests_properties(bench_smoke_startup_first_frame PROPERTIES RESOURCE_LOCK zvp_instance)
  endif()
endif()
