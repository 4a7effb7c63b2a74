kolvane_add_test(kv_core_tests
  SOURCES memory_collector.cpp emails_test.cpp component_test.cpp
  DEPS kv_core)
