# The fields of the message details dialog.
target_sources(kv_ui PRIVATE ${CMAKE_CURRENT_LIST_DIR}/message_details.cpp)
