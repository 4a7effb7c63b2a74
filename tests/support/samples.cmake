# The generator of the bundled sample tree (tools/): a library, so the samples tests can write
# It writes registry hives through hivex: Linux build only.
if(NOT WIN32)
  # the tree again and compare, and the program kolvane-make-samples.
  set(kolvane_tools_dir ${PROJECT_SOURCE_DIR}/tools)
  add_library(kv_sample_generator STATIC
    ${kolvane_tools_dir}/sample_manifest.cpp
    ${kolvane_tools_dir}/sample_text.cpp
    ${kolvane_tools_dir}/sample_tree.cpp
    ${kolvane_tools_dir}/sample_registry.cpp
    ${kolvane_tools_dir}/sample_outlook_express.cpp
    ${kolvane_tools_dir}/sample_eml_stores.cpp
    ${kolvane_tools_dir}/sample_thunderbird.cpp)
  target_include_directories(kv_sample_generator PUBLIC ${kolvane_tools_dir})
  target_link_libraries(kv_sample_generator PUBLIC kv_base kv_test_fixtures kv_test_hive
    PRIVATE kolvane_warnings)

  add_executable(kolvane-make-samples ${kolvane_tools_dir}/make_samples.cpp)
  target_link_libraries(kolvane-make-samples PRIVATE kv_sample_generator kolvane_warnings)
  target_compile_definitions(kolvane-make-samples PRIVATE
    KOLVANE_SAMPLES_DIR="${PROJECT_SOURCE_DIR}/samples")
endif()
