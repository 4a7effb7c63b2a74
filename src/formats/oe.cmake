# Outlook Express folder files: the reader base and factory, the .dbx reader (versions 5 and 6)
# and the .mbx/.idx reader (version 4).
kolvane_add_library(kv_formats_oe
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/oe_reader.cpp
    ${CMAKE_CURRENT_LIST_DIR}/oe_factory.cpp
    ${CMAKE_CURRENT_LIST_DIR}/read_cache.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dbx_reader.cpp
    ${CMAKE_CURRENT_LIST_DIR}/mbx_reader.cpp
  DEPS kv_base kv_message kv_formats_text)
list(APPEND KV_FORMATS_PARTS kv_formats_oe)
