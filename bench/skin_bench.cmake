if(TARGET zvp_skin)
  # Builds the main window's controls as the skin tests do (tests/skin/SkinWindowFixture.h).
  add_executable(skin_bench ${CMAKE_CURRENT_LIST_DIR}/skin_bench.cpp)
  target_include_directories(skin_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(skin_bench PRIVATE zvp_skin Qt6::Test)
  if(ZVP_BUILD_TESTS)
    zvp_bench_smoke(skin_bench
      FIGURES "whole-window paint, device pixel ratio 1" "whole-window paint, device pixel ratio 2"
              "applying a skin" "playlist control"
      COMMAND $<TARGET_FILE:skin_bench>)
  endif()
endif()
