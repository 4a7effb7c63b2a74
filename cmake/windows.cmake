# The Windows build (MinGW-w64, see mingw-w64-x86_64.cmake): one self-contained .exe per
# program, so kolvane-cli.exe runs on a bare Windows without the MinGW runtime DLLs.
add_link_options(-static -static-libgcc -static-libstdc++)
set(ZLIB_USE_STATIC_LIBS ON)
# Unicode wide-character API, Windows 7 as the oldest system the calls assume.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)

# GoogleTest is built from the sources Debian's googletest package installs.
if(KOLVANE_TESTS)
  set(KOLVANE_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
  if(NOT EXISTS ${KOLVANE_GTEST_SOURCE_DIR}/CMakeLists.txt)
    message(FATAL_ERROR "GoogleTest sources not found in ${KOLVANE_GTEST_SOURCE_DIR} "
                        "(install the googletest package)")
  endif()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(${KOLVANE_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()
# The benchmarks and fuzz targets are Linux tools.
set(KOLVANE_BENCH OFF CACHE BOOL "" FORCE)
set(KOLVANE_FUZZ OFF CACHE BOOL "" FORCE)

# A Linux build of the same tree, whose kolvane-cli and header dump the Windows build is
# compared with (the end-to-end scan and the charset comparison); those tests skip without it.
set(KOLVANE_HOST_BUILD_DIR "" CACHE PATH "A Linux build of this tree to compare with")

# The test programs run under wine64 in one Wine prefix of this build, made once by the
# wine_prefix_start test that all of them require. TZ chooses the zone Wine gives Windows.
set(KOLVANE_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
set(KOLVANE_WINE_ENVIRONMENT
  "WINEPREFIX=${KOLVANE_WINE_PREFIX}" "WINEDEBUG=-all" "WINEDLLOVERRIDES=mscoree,mshtml="
  "TZ=Europe/Berlin" "LANG=en_US.UTF-8")
function(kolvane_wine_test name)
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "${KOLVANE_WINE_ENVIRONMENT}" FIXTURES_REQUIRED wine_prefix)
endfunction()
if(KOLVANE_TESTS AND KOLVANE_WINE64)
  enable_testing()
  # One server for all the test programs, stopped after them.
  foreach(action start stop)
    add_test(NAME wine_prefix_${action}
      COMMAND ${CMAKE_COMMAND} -E env ${KOLVANE_WINE_ENVIRONMENT}
              bash ${PROJECT_SOURCE_DIR}/tests/support/wine_prefix.sh ${action} ${KOLVANE_WINE64})
  endforeach()
  set_tests_properties(wine_prefix_start PROPERTIES FIXTURES_SETUP wine_prefix)
  set_tests_properties(wine_prefix_stop PROPERTIES FIXTURES_CLEANUP wine_prefix)
endif()
