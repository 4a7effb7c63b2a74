# The mbox splitter of the Thunderbird collector with the record of each message (and the INI
# reader of profiles.ini on the same bytes).
kolvane_add_fuzzer(fuzz_collectors_mbox ${CMAKE_CURRENT_LIST_DIR}/collectors_mbox.cpp DEPS kv_collectors)
# The splitter's rules read literally live with the collector tests.
target_include_directories(fuzz_collectors_mbox PRIVATE ${PROJECT_SOURCE_DIR}/tests)
