#include "toolkit/platform/win32/win32_frame.h"

#include <windowsx.h>

#include <cstdlib>
#include <cwchar>

#include "toolkit/cdrawcontext.h"
#include "toolkit/cframe.h"
#include "toolkit/platform/win32/win32_drop_target.h"
#include "toolkit/platform/win32/win32_input.h"
#include "toolkit/platform/win32/win32_module.h"

namespace {

constexpr int kClassNameLength = 64;
// A parent this much larger than the window belongs to the host (setSize, getPosition).
constexpr int kHostMarginResize = 80;
constexpr int kHostMarginPosition = 60;
constexpr int kWindowsComposited = 6;  // major version from which the system double-buffers
constexpr int kSizeAncestorLevels = 3;

wchar_t className[kClassNameLength];
int32_t classUsers = 0;
bool swappedButtons = false;

int systemMajorVersion() {
  static const int major = LOBYTE(LOWORD(GetVersion()));
  return major;
}

CPoint pointOf(LPARAM lParam) {
  return CPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
}

bool keyDown(int key) {
  return GetKeyState(key) < 0;
}

int32_t messageButtons(WPARAM wParam) {
  return win32ButtonsFromKeyState(GET_KEYSTATE_WPARAM(wParam), keyDown(VK_MENU));
}

int width(const RECT& r) {
  return r.right - r.left;
}
int height(const RECT& r) {
  return r.bottom - r.top;
}

}  // namespace

IPlatformFrame* createPlatformFrame(CFrame* frame, void* parentWindow, const CRect& size) {
  return Win32Frame::create(frame, static_cast<HWND>(parentWindow), size);
}

uint32_t getPlatformDoubleClickTime() {
  return GetDoubleClickTime();
}

// OLE is initialised once per editor (and once more per frame, below). A thread that runs in
// the other COM apartment model keeps it: nothing is initialised then, nothing undone.
void* platformDragDropStartup() {
  HRESULT result = OleInitialize(nullptr);
  if (result != S_OK && result != S_FALSE) return nullptr;
  return reinterpret_cast<void*>(static_cast<uintptr_t>(GetCurrentThreadId()));
}

void platformDragDropShutdown(void* token) {
  // Only the thread that initialised may undo it.
  if (token && reinterpret_cast<uintptr_t>(token) == GetCurrentThreadId()) OleUninitialize();
}

// ---------------------------------------------------------------------------

const wchar_t* Win32Frame::getClassName() {
  return className;
}

int32_t Win32Frame::getClassUsers() {
  return classUsers;
}

bool Win32Frame::buttonsSwapped() {
  return swappedButtons;
}

bool Win32Frame::registerClass() {
  if (classUsers == 0) {
    HINSTANCE instance = zarnith::getModuleInstance();
    swprintf(className, kClassNameLength, L"Plugin%p", static_cast<void*>(instance));
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS | CS_GLOBALCLASS;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.lpszClassName = className;
    if (!RegisterClassExW(&wc)) return false;
    swappedButtons = GetSystemMetrics(SM_SWAPBUTTON) != 0;
  }
  classUsers++;
  return true;
}

void Win32Frame::unregisterClass() {
  if (classUsers > 0 && --classUsers == 0) UnregisterClassW(className, zarnith::getModuleInstance());
}

Win32Frame::Win32Frame(CFrame* frame, HWND parent)
    : frame(frame),
      parent(parent),
      window(nullptr),
      classUsed(false),
      oleStarted(false),
      composited(systemMajorVersion() >= kWindowsComposited),
      trackingLeave(false),
      dropTarget(nullptr),
      backBuffer(nullptr),
      defaultCursor(nullptr),
      defaultCursorKnown(false) {
  HRESULT ole = OleInitialize(nullptr);
  oleStarted = ole == S_OK || ole == S_FALSE;
}

Win32Frame* Win32Frame::create(CFrame* frame, HWND parent, const CRect& size) {
  // A missing or destroyed parent window gets no window at all.
  if (!parent || !IsWindow(parent)) return nullptr;
  Win32Frame* platform = new Win32Frame(frame, parent);
  if (!registerClass()) {
    delete platform;
    return nullptr;
  }
  platform->classUsed = true;
  DWORD exStyle = platform->composited ? WS_EX_COMPOSITED : 0;
  platform->window = CreateWindowExW(
      exStyle, className, L"Window", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0,
      size.width(), size.height(), parent, nullptr, zarnith::getModuleInstance(), nullptr);
  if (!platform->window) {
    delete platform;
    return nullptr;
  }
  // Messages sent while the window was being made got the default processing.
  SetWindowLongPtrW(platform->window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(platform));
  return platform;
}

Win32Frame::~Win32Frame() {
  revokeDropTarget();
  forgetBackBuffer();
  if (window) {
    // No message of the window's destruction reaches the frame that is going.
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
    window = nullptr;
  }
  if (classUsed) unregisterClass();
  if (oleStarted) OleUninitialize();
}

LRESULT CALLBACK Win32Frame::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* platform = reinterpret_cast<Win32Frame*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  LRESULT result = 0;
  if (platform && platform->window == hwnd && platform->handle(message, wParam, lParam, result))
    return result;
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

bool Win32Frame::handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  result = 0;
  switch (message) {
    case WM_MOUSEMOVE:
      if (!trackingLeave) {
        TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, window, 0};
        trackingLeave = TrackMouseEvent(&track) != 0;
      }
      frame->onMouseMoved(pointOf(lParam), messageButtons(wParam));
      return true;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
    case WM_XBUTTONDBLCLK: {
      int32_t buttons = messageButtons(wParam);
      if (win32IsDoubleClick(message)) buttons |= kDoubleClick;
      frame->platformMouseDown(pointOf(lParam), buttons);
      return true;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
    case WM_XBUTTONUP:
      frame->platformMouseUp(pointOf(lParam), messageButtons(wParam));
      return true;
    case WM_MOUSEWHEEL: {
      int32_t buttons = 0;
      if (keyDown(VK_SHIFT)) buttons |= kShift;
      if (keyDown(VK_CONTROL)) buttons |= kControl;
      if (keyDown(VK_MENU)) buttons |= kAlt;
      // The wheel's point is in screen coordinates.
      RECT r;
      GetWindowRect(window, &r);
      CPoint where = pointOf(lParam);
      where.h -= r.left;
      where.v -= r.top;
      frame->onWheel(where, platformWheelDistance(GET_WHEEL_DELTA_WPARAM(wParam)), buttons);
      return false;  // and the default processing
    }
    case WM_MOUSELEAVE: {
      trackingLeave = false;
      CPoint where;
      frame->getCurrentMouseLocation(where);
      frame->onMouseExited(where, frame->getCurrentMouseButtons());
      return true;
    }
    case WM_PAINT:
      paint();
      return true;
    case WM_ERASEBKGND:
      result = 1;  // the paint covers everything
      return true;
    case WM_DESTROY:
      // The host destroyed its window (and so ours) first: nothing of the frame may use the
      // window from now on, and no later message reaches the frame.
      revokeDropTarget();
      forgetBackBuffer();
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      window = nullptr;
      frame->platformDestroyed();
      return false;
    default:
      return false;
  }
}

void Win32Frame::paint() {
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  if (!region) return;
  if (GetUpdateRgn(window, region, FALSE) == NULLREGION) {
    DeleteObject(region);
    return;
  }
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  if (dc) {
    CRect updateRect(ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right, ps.rcPaint.bottom);
    if (composited) {
      CDrawContext* context = new CDrawContext(frame, dc, window);
      frame->platformDrawRect(context, updateRect);
      context->forget();
    } else {
      if (!backBuffer) {
        CRect size = frame->getViewSize();
        backBuffer = new COffscreenContext(frame, size.width(), size.height(), kBlackCColor);
      }
      frame->platformDrawRect(backBuffer, updateRect);
      CDrawContext* screen = new CDrawContext(frame, dc, window);
      backBuffer->copyFrom(screen, updateRect, CPoint(updateRect.left, updateRect.top));
      screen->forget();
    }
  }
  EndPaint(window, &ps);
  DeleteObject(region);
}

void Win32Frame::forgetBackBuffer() {
  if (backBuffer) backBuffer->forget();
  backBuffer = nullptr;
}

void Win32Frame::invalidate(const CRect& rect) {
  if (!window) return;
  RECT r = {rect.left, rect.top, rect.right, rect.bottom};
  InvalidateRect(window, &r, TRUE);
}

void Win32Frame::setCursor(int32_t type) {
  if (!defaultCursorKnown) {
    defaultCursor = GetCursor();
    defaultCursorKnown = true;
  }
  const wchar_t* shape = nullptr;
  switch (type) {
    case kCursorWait:
      shape = MAKEINTRESOURCEW(32514);  // IDC_WAIT
      break;
    case kCursorHSize:
      shape = MAKEINTRESOURCEW(32644);  // IDC_SIZEWE
      break;
    case kCursorVSize:
      shape = MAKEINTRESOURCEW(32645);  // IDC_SIZENS
      break;
    case kCursorSizeAll:
      shape = MAKEINTRESOURCEW(32646);  // IDC_SIZEALL
      break;
    case kCursorNESWSize:
      shape = MAKEINTRESOURCEW(32643);  // IDC_SIZENESW
      break;
    case kCursorNWSESize:
      shape = MAKEINTRESOURCEW(32642);  // IDC_SIZENWSE
      break;
    case kCursorNotAllowed:
      shape = MAKEINTRESOURCEW(32648);  // IDC_NO
      break;
    case kCursorHand:
      shape = MAKEINTRESOURCEW(32649);  // IDC_HAND
      break;
    default:
      break;
  }
  SetCursor(shape ? LoadCursorW(nullptr, shape) : defaultCursor);
}

void Win32Frame::captureMouse() {
  if (window) SetCapture(window);
}

void Win32Frame::releaseMouse() {
  if (window && GetCapture() == window) ReleaseCapture();
}

bool Win32Frame::getCurrentMouseLocation(CPoint& where) {
  if (!window) return false;
  POINT p;
  RECT r;
  if (!GetCursorPos(&p) || !GetWindowRect(window, &r)) return false;
  where = CPoint(p.x - r.left, p.y - r.top);
  return true;
}

int32_t Win32Frame::getCurrentMouseButtons() {
  // GetAsyncKeyState reads the physical buttons; the swap is undone here.
  auto held = [](int key) { return GetAsyncKeyState(key) < 0; };
  Win32LiveInput input = {held(VK_LBUTTON), held(VK_RBUTTON), held(VK_MBUTTON),
                          held(VK_SHIFT),   held(VK_CONTROL), held(VK_MENU)};
  return win32LiveButtons(input, swappedButtons);
}

bool Win32Frame::setSize(int32_t w, int32_t h) {
  if (!window) return true;
  forgetBackBuffer();
  int dx = 0;
  int dy = 0;
  const int limit = 2 * GetSystemMetrics(SM_CYDLGFRAME);
  HWND current = window;
  while (dx != limit && current) {
    HWND up = GetParent(current);
    if (!up) break;
    wchar_t upClass[kClassNameLength];
    if (GetClassNameW(up, upClass, kClassNameLength) && std::wcscmp(upClass, L"MDIClient") == 0) break;
    RECT currentRect;
    RECT upRect;
    GetWindowRect(current, &currentRect);
    GetWindowRect(up, &upRect);
    SetWindowPos(current, nullptr, 0, 0, w + dx, h + dy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    dx += width(upRect) - width(currentRect);
    dy += height(upRect) - height(currentRect);
    // A parent this much larger is the host's own window: the host resizes it.
    if (dx > kHostMarginResize || dy > kHostMarginResize) return false;
    if (dx < 0) dx = 0;
    if (dy < 0) dy = 0;
    current = up;
  }
  if (current)
    SetWindowPos(current, nullptr, 0, 0, w + dx, h + dy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  return true;
}

bool Win32Frame::getSize(CRect& rect) {
  if (!window) return false;
  HWND up = GetParent(window);
  RECT r;
  if (!up || !GetWindowRect(up, &r)) return false;
  HWND ancestor = window;
  for (int i = 0; i < kSizeAncestorLevels && ancestor; i++) ancestor = GetParent(ancestor);
  POINT topLeft = {r.left, r.top};
  if (ancestor) ScreenToClient(ancestor, &topLeft);
  rect = CRect(topLeft.x, topLeft.y, topLeft.x + width(r), topLeft.y + height(r));
  return true;
}

bool Win32Frame::getPosition(int32_t& x, int32_t& y) {
  if (!window) return false;
  RECT own;
  GetWindowRect(window, &own);
  HWND outer = window;
  for (;;) {
    if ((GetWindowLongW(outer, GWL_STYLE) & WS_CAPTION) == WS_CAPTION) break;
    HWND up = GetParent(outer);
    if (!up) break;
    RECT upRect;
    GetWindowRect(up, &upRect);
    if (std::abs(width(upRect) - width(own)) > kHostMarginPosition ||
        std::abs(height(upRect) - height(own)) > kHostMarginPosition)
      break;
    outer = up;
  }
  RECT r;
  GetWindowRect(outer, &r);
  POINT topLeft = {r.left, r.top};
  if (HWND up = GetParent(outer)) ScreenToClient(up, &topLeft);
  x = topLeft.x;
  y = topLeft.y;
  return true;
}

void Win32Frame::revokeDropTarget() {
  if (!dropTarget) return;
  if (window) RevokeDragDrop(window);
  dropTarget->detach();
  dropTarget->Release();
  dropTarget = nullptr;
}

bool Win32Frame::setDropActive(bool active) {
  revokeDropTarget();
  if (!active) return true;
  if (!window) return false;
  auto* target = new CDropTarget(frame);
  target->AddRef();  // ours, besides the ones OLE takes
  if (RegisterDragDrop(window, target) != S_OK) {
    // Without OLE the editor works on, without drops.
    target->Release();
    return false;
  }
  dropTarget = target;
  return true;
}

CDrawContext* Win32Frame::createDrawContext() {
  return window ? new CDrawContext(frame, nullptr, window) : nullptr;
}

void Win32Frame::processEvents() {
  // The host's message loop dispatches this window's messages to the window procedure.
}

void Win32Frame::pumpOnePendingPaint() {
  MSG message;
  if (PeekMessageW(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) DispatchMessageW(&message);
}
