# Compound files and property sets from outside: open and walk a whole file; read a property set.
kolvane_add_fuzzer(fuzz_storage_cfb_walk ${CMAKE_CURRENT_LIST_DIR}/storage_cfb_walk.cpp DEPS kv_cfb)
kolvane_add_fuzzer(fuzz_storage_property_set ${CMAKE_CURRENT_LIST_DIR}/storage_property_set.cpp DEPS kv_cfb)
