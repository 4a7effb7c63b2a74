# The .eml folder reader of Windows Mail and Windows Live Mail: a folder of 20,000 messages with
# 100 KB attachments, beside reading each file whole in the same run.
if(TARGET kv_test_fixtures AND TARGET kv_collectors)
  add_executable(bench_collectors_eml ${CMAKE_CURRENT_LIST_DIR}/collectors_eml.cpp)
  target_link_libraries(bench_collectors_eml PRIVATE kv_collectors kv_test_fixtures
    benchmark::benchmark kolvane_warnings)
endif()
