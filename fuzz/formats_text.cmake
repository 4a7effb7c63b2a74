# Fuzz targets of the text formats: header parser with its decoders, mail dates, prefs.js.
kolvane_add_fuzzer(fuzz_formats_header ${CMAKE_CURRENT_LIST_DIR}/formats_header.cpp DEPS kv_formats_text)
kolvane_add_fuzzer(fuzz_formats_date ${CMAKE_CURRENT_LIST_DIR}/formats_date.cpp DEPS kv_formats_text)
kolvane_add_fuzzer(fuzz_formats_prefs ${CMAKE_CURRENT_LIST_DIR}/formats_prefs.cpp DEPS kv_formats_text)
