# kolvane_fuzz_seeds: the fuzz programs' starting inputs made by the fixture builders, our
# compound-file engine and property-set writer; and the property-set streams of compound files
# read in place (scripts/fuzz.sh builds and runs it).
if(TARGET kv_test_fixtures AND TARGET kv_test_hive)
  add_executable(kolvane_fuzz_seeds ${CMAKE_CURRENT_LIST_DIR}/seed_maker.cpp)
  target_link_libraries(kolvane_fuzz_seeds PRIVATE kv_storage kv_cfb kv_base kv_test_fixtures
    kv_test_hive kolvane_warnings)
endif()
