# The Thunderbird collector reading one mbox file, beside one plain sequential read of the file
# and beside Python's mailbox module, in the same run. KOLVANE_BENCH_MBOX_MESSAGES sets the size
# (default 2,000 messages, about 20 MB; 100,000 make about 1 GB).
if(TARGET kv_test_fixtures AND TARGET kv_collectors)
  add_executable(bench_collectors_mbox ${CMAKE_CURRENT_LIST_DIR}/collectors_mbox.cpp)
  target_link_libraries(bench_collectors_mbox PRIVATE kv_collectors kv_test_fixtures
    benchmark::benchmark kolvane_warnings)
  target_compile_definitions(bench_collectors_mbox PRIVATE
    KOLVANE_BENCH_DIR="${CMAKE_CURRENT_LIST_DIR}")
endif()
