# Listing writers and the list sort over many rows.
add_executable(bench_cli_writers ${CMAKE_CURRENT_LIST_DIR}/cli_writers_bench.cpp)
target_link_libraries(bench_cli_writers PRIVATE kv_cli_support benchmark::benchmark kolvane_warnings)
