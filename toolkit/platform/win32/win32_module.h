// The module the toolkit belongs to: its instance handle names the window class and finds the
// images among the module's own resources.
#pragma once

#include <windows.h>

namespace zarnith {

// Stored by the DLL's load routine; none in a program that links the toolkit directly.
extern HINSTANCE moduleInstance;

// The stored handle, or the program's own module when none was stored.
HINSTANCE getModuleInstance();

}  // namespace zarnith
