# Cross build of the 64-bit Windows DLL (x86_64, PE32+), whose tests run under wine64.
set(ZARNITH_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)

find_program(ZARNITH_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(ZARNITH_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ZARNITH_WINE})
endif()
