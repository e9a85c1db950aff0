# What both Windows cross builds share; the per-target toolchain files set
# ZARNITH_MINGW_TRIPLE and CMAKE_SYSTEM_PROCESSOR, then include this file.
set(CMAKE_SYSTEM_NAME Windows)

# Debian's mingw-w64 compilers of the posix thread model: the tests use std::thread, and
# winpthread is linked statically.
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
