# Cross build of the 32-bit Windows DLL (i686, PE32: the specified product). This machine
# cannot run 32-bit code, so scripts/test.sh builds and checks only the DLL itself.
set(ZARNITH_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
