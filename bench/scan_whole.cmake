# A whole scan of a generated Thunderbird folder by kolvane-cli, its rescan and listings, beside
# grep and Python's mailbox module in the same run; each step a process of its own.
if(TARGET kv_test_fixtures AND TARGET kolvane-cli)
  add_executable(bench_scan_whole ${CMAKE_CURRENT_LIST_DIR}/scan_whole.cpp)
  target_link_libraries(bench_scan_whole PRIVATE kv_test_fixtures kolvane_warnings)
  target_compile_definitions(bench_scan_whole PRIVATE
    KOLVANE_BENCH_DIR="${CMAKE_CURRENT_LIST_DIR}" KOLVANE_CLI="$<TARGET_FILE:kolvane-cli>")
  add_dependencies(bench_scan_whole kolvane-cli)
endif()
