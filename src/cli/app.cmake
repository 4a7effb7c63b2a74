# The kolvane-cli program: its commands over the viewer logic, and its entry point.
if(TARGET kv_collectors)
  add_library(kv_cli_app STATIC ${CMAKE_CURRENT_LIST_DIR}/cli_app.cpp)
  target_link_libraries(kv_cli_app PUBLIC kv_cli_support kv_ui kv_collectors kv_system
    PRIVATE kolvane_warnings)
  target_compile_definitions(kv_cli_app PRIVATE KOLVANE_VERSION="${PROJECT_VERSION}")
  add_executable(kolvane-cli ${CMAKE_CURRENT_LIST_DIR}/cli_main.cpp)
  target_link_libraries(kolvane-cli PRIVATE kv_cli_app kolvane_warnings)
endif()
