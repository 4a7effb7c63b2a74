# The kolvane-cli program: its commands over the viewer logic, and its entry point. The
# environment it runs in (platform, folders, terminal) and its entry point are the system's own.
if(TARGET kv_collectors)
  if(WIN32)
    set(kv_cli_platform ${CMAKE_CURRENT_LIST_DIR}/process_environment_windows.cpp)
  else()
    set(kv_cli_platform ${CMAKE_CURRENT_LIST_DIR}/process_environment_posix.cpp)
  endif()
  add_library(kv_cli_app STATIC ${CMAKE_CURRENT_LIST_DIR}/cli_app.cpp ${kv_cli_platform})
  target_link_libraries(kv_cli_app PUBLIC kv_cli_support kv_ui kv_collectors kv_system
    PRIVATE kolvane_warnings)
  target_compile_definitions(kv_cli_app PRIVATE KOLVANE_VERSION="${PROJECT_VERSION}")
  if(WIN32)
    # wmain, and the version resource that GetVersionInfo reads.
    configure_file(${CMAKE_CURRENT_LIST_DIR}/kolvane-cli.rc.in
                   ${CMAKE_CURRENT_BINARY_DIR}/kolvane-cli.rc @ONLY)
    add_executable(kolvane-cli ${CMAKE_CURRENT_LIST_DIR}/cli_main_windows.cpp
                               ${CMAKE_CURRENT_BINARY_DIR}/kolvane-cli.rc)
    target_link_options(kolvane-cli PRIVATE -municode)
  else()
    add_executable(kolvane-cli ${CMAKE_CURRENT_LIST_DIR}/cli_main.cpp)
  endif()
  target_link_libraries(kolvane-cli PRIVATE kv_cli_app kolvane_warnings)
endif()
