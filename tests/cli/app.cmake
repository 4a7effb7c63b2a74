if(TARGET kv_cli_app)
  kolvane_add_test(kv_cli_app_tests SOURCES cli_app_test.cpp DEPS kv_cli_app kv_test_memory_collector)
endif()
