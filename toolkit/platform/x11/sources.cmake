# The X11 windowing backend: the frame's child window, its events and painting, the XDND drop
# target. Included by toolkit/CMakeLists.txt when ZARNITH_PLATFORM is x11.
pkg_check_modules(ZARNITH_X11 REQUIRED IMPORTED_TARGET x11 cairo-xlib)

list(APPEND TOOLKIT_PLATFORM_SOURCES
  platform/x11/x11_connection.cpp
  platform/x11/x11_drag_container.cpp
  platform/x11/x11_error_trap.cpp
  platform/x11/x11_frame.cpp
  platform/x11/x11_frame_dnd.cpp
  platform/x11/x11_input.cpp
)

# The library target is defined after this file is read; link it once the directory is done.
cmake_language(DEFER CALL target_link_libraries zarnith_toolkit PUBLIC PkgConfig::ZARNITH_X11)
