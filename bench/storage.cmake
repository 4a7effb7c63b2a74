# The history data file's write path: 200 folder streams of 2,000 record lines written into a
# new file and rewritten 20 times, beside writing the same compressed lines to 200 plain files.
add_executable(bench_storage_data_file ${CMAKE_CURRENT_LIST_DIR}/storage_data_file.cpp)
target_link_libraries(bench_storage_data_file PRIVATE kv_storage kv_message kolvane_warnings)
