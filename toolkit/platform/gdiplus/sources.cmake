# Drawing on Windows: GDI+ contexts, fonts and images, PNG through libpng (built for the
# target, linked statically with zlib), and the module's own Win32 resources. Included by
# toolkit/CMakeLists.txt for every Windows build.
find_package(PNG REQUIRED)

list(APPEND TOOLKIT_PLATFORM_SOURCES
  platform/gdiplus/cbitmap_gdiplus.cpp
  platform/gdiplus/cdrawcontext_gdiplus.cpp
  platform/gdiplus/cfont_gdiplus.cpp
  platform/gdiplus/gdiplus_startup.cpp
  platform/gdiplus/resource_stream.cpp
  platform/win32/win32_module.cpp
)

cmake_language(DEFER CALL target_link_libraries zarnith_toolkit PUBLIC PNG::PNG gdiplus gdi32 user32 ole32 uuid)
