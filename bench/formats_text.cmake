# Header parsing in MB/s of header text beside one memchr pass over the same bytes.
add_executable(bench_formats_header ${CMAKE_CURRENT_LIST_DIR}/formats_header.cpp)
target_link_libraries(bench_formats_header PRIVATE kv_formats_text benchmark::benchmark kolvane_warnings)
