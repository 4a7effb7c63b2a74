# The viewer's controller and folder tree, over the collection and the data file.
target_sources(kv_ui PRIVATE ${CMAKE_CURRENT_LIST_DIR}/folder_tree.cpp ${CMAKE_CURRENT_LIST_DIR}/viewer.cpp)
target_link_libraries(kv_ui PUBLIC kv_core kv_storage kv_system)
