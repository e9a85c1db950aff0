// The library's load routine. It only remembers the module, whose resources hold the editor's
// images: the loader lock is held here, so nothing else may be done.
#include <windows.h>

#include "toolkit/platform/win32/win32_module.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD /*reason*/, LPVOID /*reserved*/) {
  zarnith::moduleInstance = instance;
  return TRUE;
}
