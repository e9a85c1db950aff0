# The Win32 windowing backend: the frame's child window and its window procedure, OLE drag
# and drop. Included by toolkit/CMakeLists.txt when ZARNITH_PLATFORM is win32.
list(APPEND TOOLKIT_PLATFORM_SOURCES
  platform/win32/win32_drop_target.cpp
  platform/win32/win32_frame.cpp
  platform/win32/win32_input.cpp
)

cmake_language(DEFER CALL target_link_libraries zarnith_toolkit PUBLIC ole32 oleaut32 shell32 uuid user32 gdi32)
