# The Qt windows, built only where Qt 6 Widgets and Svg are installed (and the collectors are
# there for the client pages), so a machine without Qt still builds everything else.
find_package(Qt6 6.2 QUIET COMPONENTS Widgets Svg)
if(Qt6Widgets_FOUND AND Qt6Svg_FOUND AND TARGET kv_collectors)
  add_subdirectory(${CMAKE_CURRENT_LIST_DIR}/qt ${CMAKE_CURRENT_BINARY_DIR}/qt)
else()
  message(STATUS "Qt 6 Widgets and Svg not found: the desktop program kolvane is not built")
endif()
