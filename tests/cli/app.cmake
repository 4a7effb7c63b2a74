if(TARGET kv_cli_app)
  kolvane_add_test(kv_cli_app_tests SOURCES cli_app_test.cpp DEPS kv_cli_app kv_test_memory_collector)
  if(NOT WIN32)
    target_compile_definitions(kv_cli_app_tests PRIVATE KOLVANE_HAVE_OFFLINE_TREE=1)
  elseif(KOLVANE_WINE64)
    # kolvane-cli.exe scans a fresh Wine prefix holding the samples' stores; the Linux build
    # reads what it wrote and the other way round.
    add_test(NAME kolvane_cli_windows_scan
      COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/windows_scan_test.sh ${KOLVANE_WINE64}
              $<TARGET_FILE:kolvane-cli> ${KOLVANE_HOST_BUILD_DIR}/src/cli/kolvane-cli
              ${PROJECT_SOURCE_DIR}/samples ${CMAKE_CURRENT_BINARY_DIR}/windows-scan)
    set_tests_properties(kolvane_cli_windows_scan PROPERTIES SKIP_RETURN_CODE 77)
  endif()
endif()
