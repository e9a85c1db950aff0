#include "win32_test_host.h"

HWND createHostWindow(int width, int height) {
  static bool registered = false;
  if (!registered) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ZarnithTestHost";
    RegisterClassW(&wc);
    registered = true;
  }
  RECT r = {0, 0, width, height};
  AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
  HWND host =
      CreateWindowW(L"ZarnithTestHost", L"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, r.right - r.left,
                    r.bottom - r.top, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  pumpMessages();
  return host;
}

void pumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}
