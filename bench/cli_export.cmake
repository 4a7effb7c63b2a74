# kolvane-cli export of a large history file beside inflating its folder streams with zlib
# alone, in the same run.
if(TARGET kv_cli_app)
  add_executable(bench_cli_export ${CMAKE_CURRENT_LIST_DIR}/cli_export.cpp)
  target_link_libraries(bench_cli_export PRIVATE kv_cli_app ZLIB::ZLIB kolvane_warnings)
endif()
