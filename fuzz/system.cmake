# Registry hives from an offline Windows tree are outside data: read damaged ones through the
# same hive reader the offline platform uses. Seeds come from the test hive builder.
if(TARGET kv_test_hive)
  kolvane_add_fuzzer(fuzz_system_hive ${CMAKE_CURRENT_LIST_DIR}/system_hive.cpp
    DEPS kv_system kv_test_hive)
endif()
