# Text formats of the mail stores: header dates and FILETIME values, the internet message header
# parser with its MIME decoders, and Mozilla's prefs.js.
kolvane_add_library(kv_formats_text
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/maildate.cpp
    ${CMAKE_CURRENT_LIST_DIR}/mime_decode.cpp
    ${CMAKE_CURRENT_LIST_DIR}/header.cpp
    ${CMAKE_CURRENT_LIST_DIR}/prefs.cpp
  DEPS kv_base kv_message)
list(APPEND KV_FORMATS_PARTS kv_formats_text)
