find_package(benchmark REQUIRED)
add_executable(app_bench ${CMAKE_CURRENT_LIST_DIR}/app_bench.cpp)
target_link_libraries(app_bench PRIVATE zvp_app benchmark::benchmark)

if(ZVP_BUILD_TESTS)
  zvp_bench_smoke(app_bench FIGURES BM_LogToFile BM_NotifyTenRegistrations
    COMMAND $<TARGET_FILE:app_bench> --benchmark_min_time=0.01)
endif()
