# The message list model over a folder of 100,000 records: fill, sorts and a header click
# through the real view, beside std::stable_sort of the same rows; what scrolling reads; the
# heap the list adds to the collector's records.
if(TARGET kv_ui_qt)
  find_package(Qt6 QUIET COMPONENTS Test)
  if(TARGET Qt6::Test)
    add_executable(bench_ui_list_model ${CMAKE_CURRENT_LIST_DIR}/ui_list_model.cpp)
    target_link_libraries(bench_ui_list_model PRIVATE kv_ui_qt Qt6::Test kolvane_warnings)
  endif()
endif()
