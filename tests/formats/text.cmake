# Tests of the text formats: dates, header parser and decoders, prefs.js; and the comparison of
# the header parser with Python's email package over the real messages.
kolvane_add_test(formats_text_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/text_maildate_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/text_header_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/text_mime_decode_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/text_prefs_test.cpp
  DEPS kv_formats_text)

add_executable(formats_text_header_dump ${CMAKE_CURRENT_LIST_DIR}/text_header_dump.cpp)
target_link_libraries(formats_text_header_dump PRIVATE kv_formats_text kolvane_warnings)

# Python is a Linux program: the Windows build is compared with the Linux build instead.
if(WIN32)
  if(KOLVANE_WINE64)
    add_test(NAME formats_text_header_linux_vs_windows
      COMMAND /usr/bin/python3 ${CMAKE_CURRENT_LIST_DIR}/header_builds_compare.py
              ${KOLVANE_HOST_BUILD_DIR}/tests/formats/formats_text_header_dump ${KOLVANE_WINE64}
              $<TARGET_FILE:formats_text_header_dump> ${KOLVANE_REALDATA_DIR})
    kolvane_wine_test(formats_text_header_linux_vs_windows)
    set_tests_properties(formats_text_header_linux_vs_windows PROPERTIES SKIP_RETURN_CODE 77)
  endif()
else()
  add_test(NAME formats_text_header_vs_python
    COMMAND /usr/bin/python3 ${CMAKE_CURRENT_LIST_DIR}/text_header_vs_python.py
            $<TARGET_FILE:formats_text_header_dump> ${KOLVANE_REALDATA_DIR})
  set_tests_properties(formats_text_header_vs_python PROPERTIES SKIP_RETURN_CODE 77)
endif()
