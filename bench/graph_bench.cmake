# Graph layer: allocator cost, fast-mode pipeline throughput, real-time presentation lateness.
add_executable(graph_bench
  ${CMAKE_CURRENT_LIST_DIR}/graph_bench.cpp
  ${PROJECT_SOURCE_DIR}/tests/graph/TestSource.cpp)
target_include_directories(graph_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(graph_bench PRIVATE zvp_graph benchmark::benchmark)
