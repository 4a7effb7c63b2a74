# Child processes for tests that need a second process: fork on POSIX, the test program started
# again on Windows.
if(WIN32)
  add_library(kv_test_child STATIC ${CMAKE_CURRENT_LIST_DIR}/child_process_windows.cpp)
  target_link_libraries(kv_test_child PUBLIC kv_base PRIVATE shell32 kolvane_warnings)
else()
  add_library(kv_test_child STATIC ${CMAKE_CURRENT_LIST_DIR}/child_process_posix.cpp)
  target_link_libraries(kv_test_child PRIVATE kolvane_warnings)
endif()
target_include_directories(kv_test_child PUBLIC ${PROJECT_SOURCE_DIR}/tests)
