# The four client pages over the mail-client collectors.
if(TARGET kv_collectors)
  target_sources(kv_ui PRIVATE ${CMAKE_CURRENT_LIST_DIR}/client_pages.cpp)
  target_link_libraries(kv_ui PUBLIC kv_collectors)
endif()
