find_package(benchmark REQUIRED)
add_executable(app_files_bench ${CMAKE_CURRENT_LIST_DIR}/app_files_bench.cpp)
target_link_libraries(app_files_bench PRIVATE zvp_app benchmark::benchmark)
