find_package(benchmark REQUIRED)
add_executable(app_files_bench ${CMAKE_CURRENT_LIST_DIR}/app_files_bench.cpp)
target_link_libraries(app_files_bench PRIVATE zvp_app benchmark::benchmark)

if(ZVP_BUILD_TESTS)
  zvp_bench_smoke(app_files_bench FIGURES BM_LegacyToUtf8 BM_SettingsSave BM_ReadUtf16Lines
    COMMAND $<TARGET_FILE:app_files_bench> --benchmark_min_time=0.01)
endif()
