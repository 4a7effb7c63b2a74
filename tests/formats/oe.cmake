# Outlook Express readers: .dbx and .mbx/.idx files written by the fixture builders, and the
# real files in the shared real-data folder.
kolvane_add_test(oe_formats_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/oe_dbx_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/oe_mbx_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/oe_real_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/oe_fixtures_test.cpp
  DEPS kv_formats_oe kv_formats_text kv_test_fixtures)
