# Graph layer: allocator cost, fast-mode pipeline throughput, real-time presentation lateness.
add_executable(graph_bench
  ${CMAKE_CURRENT_LIST_DIR}/graph_bench.cpp
  ${PROJECT_SOURCE_DIR}/tests/graph/TestSource.cpp)
target_include_directories(graph_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(graph_bench PRIVATE zvp_graph benchmark::benchmark)

if(ZVP_BUILD_TESTS)
  zvp_bench_smoke(graph_bench FIGURES BM_AllocatorGetRelease BM_FastPipeline BM_RealTimeLateness
    COMMAND $<TARGET_FILE:graph_bench> --benchmark_min_time=0.01)
endif()
