# Fuzz target of the .eml header-block cut that the Windows Mail folder reader uses.
if(TARGET kv_collectors)
  kolvane_add_fuzzer(fuzz_collectors_eml ${CMAKE_CURRENT_LIST_DIR}/collectors_eml.cpp DEPS kv_collectors)
endif()
