# Outlook Express readers: listing a .dbx folder of 100,000 messages made by the fixture
# builder, beside one sequential read of the bytes the listing needs.
if(TARGET kv_test_fixtures)
  add_executable(bench_formats_dbx ${CMAKE_CURRENT_LIST_DIR}/formats_dbx.cpp)
  target_link_libraries(bench_formats_dbx PRIVATE kv_formats_oe kv_test_fixtures
    benchmark::benchmark kolvane_warnings)
endif()
