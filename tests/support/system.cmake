# Registry hive files for tests (used by the platform tests and by later collector tests).
# hivex exists only for the Linux build.
if(NOT WIN32)
  add_library(kv_test_hive STATIC ${CMAKE_CURRENT_LIST_DIR}/hive_builder.cpp)
  target_include_directories(kv_test_hive PUBLIC ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(kv_test_hive PUBLIC PkgConfig::HIVEX PRIVATE kolvane_warnings)
endif()
