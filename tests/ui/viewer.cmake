kolvane_add_test(kv_viewer_tests SOURCES viewer_test.cpp viewer_views_test.cpp DEPS kv_ui kv_test_memory_collector)
if(TARGET kv_ui_qt)
  add_subdirectory(qt)
endif()
