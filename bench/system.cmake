# FindFiles over a large generated tree, beside find(1) over the same tree in the same run.
add_executable(bench_system_find_files ${CMAKE_CURRENT_LIST_DIR}/system_find_files.cpp)
target_link_libraries(bench_system_find_files PRIVATE kv_system benchmark::benchmark kolvane_warnings)
