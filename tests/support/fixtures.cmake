# Fixture builders: small writers of mail-store files (.dbx, .mbx/.idx, .eml, mbox) from a
# description in a test. Shared by the tests, benchmarks and the sample generator.
add_library(kv_test_fixtures STATIC
  ${CMAKE_CURRENT_LIST_DIR}/dbx_builder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mbx_builder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/eml_builder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mbox_builder.cpp)
target_include_directories(kv_test_fixtures PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
target_link_libraries(kv_test_fixtures PRIVATE kolvane_warnings)
