# The command-line parser and the listing writers take text from outside (arguments, message
# fields from any mail store).
kolvane_add_fuzzer(fuzz_cli_args ${CMAKE_CURRENT_LIST_DIR}/cli_args_fuzz.cpp DEPS kv_cli_support)
kolvane_add_fuzzer(fuzz_cli_writers ${CMAKE_CURRENT_LIST_DIR}/cli_writers_fuzz.cpp DEPS kv_cli_support)
