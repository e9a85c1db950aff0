// A host's top-level window for the Windows-layer tests, and a loop that handles what is
// queued for the thread.
#pragma once

#include <windows.h>

// A visible top-level window whose client area is width x height.
HWND createHostWindow(int width, int height);
void pumpMessages();
