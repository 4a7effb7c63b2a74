# An in-memory collector and temporary folders, shared by the tests of the collection and the
# viewer logic.
add_library(kv_test_memory_collector STATIC ${CMAKE_CURRENT_LIST_DIR}/memory_collector.cpp)
target_include_directories(kv_test_memory_collector PUBLIC ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(kv_test_memory_collector PUBLIC kv_core PRIVATE kolvane_warnings)

kolvane_add_test(kv_core_tests
  SOURCES emails_test.cpp component_test.cpp append_transaction_test.cpp
  DEPS kv_test_memory_collector kv_test_child)
