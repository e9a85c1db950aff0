# Cross build of the Windows DLL (x86_64) with Debian's mingw-w64 compilers (the posix
# thread model: the tests use std::thread; winpthread is linked statically).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(ZARNITH_MINGW_TRIPLE x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${ZARNITH_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZARNITH_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ZARNITH_MINGW_TRIPLE}-windres)

# Libraries built for the target (libpng, GoogleTest) live in a cache outside the tree.
if(NOT DEFINED ZARNITH_TARGET_PREFIX)
  set(ZARNITH_TARGET_PREFIX "$ENV{HOME}/.cache/zarnith/${ZARNITH_MINGW_TRIPLE}")
endif()
set(CMAKE_FIND_ROOT_PATH /usr/${ZARNITH_MINGW_TRIPLE} ${ZARNITH_TARGET_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs run under wine.
find_program(ZARNITH_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(ZARNITH_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ZARNITH_WINE})
endif()
