# Outlook Express readers: the .dbx reader and the .mbx/.idx reader. The inputs patch small
# valid files made by the fixture builders, so the fixtures library must be there.
if(TARGET kv_test_fixtures)
  kolvane_add_fuzzer(fuzz_formats_dbx ${CMAKE_CURRENT_LIST_DIR}/formats_dbx.cpp
    DEPS kv_formats_oe kv_test_fixtures)
  kolvane_add_fuzzer(fuzz_formats_mbx ${CMAKE_CURRENT_LIST_DIR}/formats_mbx.cpp
    DEPS kv_formats_oe kv_test_fixtures)
endif()
