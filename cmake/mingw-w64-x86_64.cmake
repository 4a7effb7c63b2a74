# Cross build for 64-bit Windows with Debian's MinGW-w64 (the POSIX thread model, whose
# libstdc++ has std::thread and friends). The programs run on Linux under wine64; CTest starts
# each test program through it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(kolvane_mingw x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${kolvane_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${kolvane_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${kolvane_mingw}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${kolvane_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Debian installs the 64-bit loader outside PATH; /usr/bin/wine64 exists only with some packages.
find_program(KOLVANE_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(KOLVANE_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KOLVANE_WINE64})
endif()
