// The Win32 window of a frame: a child window of a class of our own inside the host's window.
// Its window procedure turns the messages into the frame's view operations; painting goes
// through the update region, directly on composited systems and through a back buffer before.
#pragma once

#include <windows.h>

#include <cstdint>

#include "toolkit/crect.h"
#include "toolkit/platform/platform_frame.h"

class CDropTarget;
class COffscreenContext;

class Win32Frame : public IPlatformFrame {
 public:
  // Null when parent is no live window or the window cannot be made.
  static Win32Frame* create(CFrame* frame, HWND parent, const CRect& size);
  ~Win32Frame() override;

  HWND getWindow() const { return window; }
  // The window class every frame of this module shares ("Plugin" and the module handle), and
  // how many live frames use it (the class is unregistered when the last one goes).
  static const wchar_t* getClassName();
  static int32_t getClassUsers();
  // Whether the buttons were swapped when the class was registered.
  static bool buttonsSwapped();

  void invalidate(const CRect& rect) override;
  void setCursor(int32_t type) override;
  void captureMouse() override;
  void releaseMouse() override;
  bool getCurrentMouseLocation(CPoint& where) override;
  int32_t getCurrentMouseButtons() override;
  bool setSize(int32_t width, int32_t height) override;
  bool getSize(CRect& rect) override;
  bool getPosition(int32_t& x, int32_t& y) override;
  bool setDropActive(bool active) override;
  CDrawContext* createDrawContext() override;
  void processEvents() override;
  void pumpOnePendingPaint() override;

 private:
  Win32Frame(CFrame* frame, HWND parent);
  static bool registerClass();
  static void unregisterClass();
  static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // False for the messages that get the default processing (also after handling).
  bool handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  void paint();
  void revokeDropTarget();
  void forgetBackBuffer();

  CFrame* frame;
  HWND parent;
  HWND window;
  bool classUsed;
  bool oleStarted;
  bool composited;  // the system double-buffers the window (major version 6 and later)
  bool trackingLeave;
  CDropTarget* dropTarget;
  COffscreenContext* backBuffer;
  HCURSOR defaultCursor;
  bool defaultCursorKnown;
};
