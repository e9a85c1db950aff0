// The Win32 frame window in a live host window (wine in a virtual display): its class and
// child window, the messages in and the view calls out, painting, the idle pump and resizing.
#include "toolkit/platform/win32/win32_frame.h"

#include <gtest/gtest.h>

#include <cwchar>

#include "toolkit/cbitmap.h"
#include "toolkit/cdrawcontext.h"
#include "toolkit/cview.h"
#include "toolkit/platform/win32/win32_input.h"
#include "win32_test_host.h"
#include "x11/x11_test_editor.h"

using x11test::ProbeEvent;
using x11test::TestEditor;
using x11test::TestEffect;

namespace {

class Win32FrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host = createHostWindow(TestEditor::kWidth, TestEditor::kHeight);
    ASSERT_TRUE(host);
    editor = new TestEditor(&effect);
    ASSERT_TRUE(editor->open(host));
    window = editor->frameWindow();
    ASSERT_TRUE(window);
    UpdateWindow(window);
    pumpMessages();
  }
  void TearDown() override {
    if (editor) editor->close();
    effect.setEditor(nullptr);
    delete editor;
    if (host) DestroyWindow(host);
    pumpMessages();
  }
  LPARAM at(int x, int y) { return MAKELPARAM(x, y); }

  TestEffect effect;
  TestEditor* editor = nullptr;
  HWND host = nullptr;
  HWND window = nullptr;
};

TEST_F(Win32FrameTest, ChildWindowOfTheModulesClassInsideTheHostWindow) {
  wchar_t expected[64];
  swprintf(expected, 64, L"Plugin%p", static_cast<void*>(GetModuleHandleW(nullptr)));
  EXPECT_STREQ(Win32Frame::getClassName(), expected);
  wchar_t name[64];
  GetClassNameW(window, name, 64);
  EXPECT_STREQ(name, expected);
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  ASSERT_TRUE(GetClassInfoExW(GetModuleHandleW(nullptr), expected, &wc));
  EXPECT_EQ(wc.style, static_cast<UINT>(CS_DBLCLKS | CS_GLOBALCLASS));
  EXPECT_EQ(wc.hCursor, LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)));

  GetWindowTextW(window, name, 64);
  EXPECT_STREQ(name, L"Window");
  EXPECT_EQ(GetParent(window), host);
  LONG style = GetWindowLongW(window, GWL_STYLE);
  LONG wanted = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  EXPECT_EQ(style & wanted, wanted);
  EXPECT_EQ((GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_COMPOSITED) != 0, LOBYTE(GetVersion()) >= 6);
  RECT r;
  GetClientRect(window, &r);
  EXPECT_EQ(r.right, TestEditor::kWidth);
  EXPECT_EQ(r.bottom, TestEditor::kHeight);

  // A second editor shares the class; it goes when the last user goes, whichever closes first.
  TestEffect otherEffect;
  auto* other = new TestEditor(&otherEffect);
  ASSERT_TRUE(other->open(host));
  EXPECT_EQ(Win32Frame::getClassUsers(), 2);
  editor->close();
  EXPECT_TRUE(GetClassInfoExW(GetModuleHandleW(nullptr), expected, &wc));
  other->close();
  EXPECT_EQ(Win32Frame::getClassUsers(), 0);
  EXPECT_FALSE(GetClassInfoExW(GetModuleHandleW(nullptr), expected, &wc));
  otherEffect.setEditor(nullptr);
  delete other;
}

TEST_F(Win32FrameTest, PointerMessagesReachTheViewsWithCaptureWhileHeld) {
  x11test::ProbeView* probe = editor->probe;
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, at(20, 30));
  ASSERT_EQ(probe->countOf(ProbeEvent::kDown), 1);
  EXPECT_EQ(probe->last(ProbeEvent::kDown)->where, CPoint(20, 30));
  EXPECT_EQ(probe->last(ProbeEvent::kDown)->buttons, kLButton | kShift);
  EXPECT_EQ(GetCapture(), window);
  SendMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, at(25, 35));
  EXPECT_EQ(probe->countOf(ProbeEvent::kMoved), 1);
  SendMessageW(window, WM_LBUTTONUP, 0, at(25, 35));
  EXPECT_EQ(probe->countOf(ProbeEvent::kUp), 1);
  EXPECT_EQ(GetCapture(), nullptr);

  // The second press of a double click carries kDoubleClick.
  SendMessageW(window, WM_LBUTTONDBLCLK, MK_LBUTTON, at(20, 30));
  SendMessageW(window, WM_LBUTTONUP, 0, at(20, 30));
  EXPECT_EQ(probe->last(ProbeEvent::kDown)->buttons, kLButton | kDoubleClick);

  // A view that wants no more events after the press gets no capture.
  probe->downResult = kMouseDownEventHandledButDontNeedMovedOrUpEvents;
  SendMessageW(window, WM_RBUTTONDOWN, MK_RBUTTON, at(20, 30));
  EXPECT_EQ(probe->last(ProbeEvent::kDown)->buttons, kRButton);
  EXPECT_EQ(GetCapture(), nullptr);
  SendMessageW(window, WM_RBUTTONUP, 0, at(20, 30));

  // The wheel's point is on the screen; whole notches only.
  POINT screen = {20, 30};
  ClientToScreen(window, &screen);
  SendMessageW(window, WM_MOUSEWHEEL, MAKEWPARAM(0, 60), MAKELPARAM(screen.x, screen.y));
  SendMessageW(window, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-240)), MAKELPARAM(screen.x, screen.y));
  ASSERT_EQ(probe->countOf(ProbeEvent::kWheel), 2);
  EXPECT_EQ(probe->events[probe->events.size() - 2].distance, 0.0f);
  EXPECT_EQ(probe->last(ProbeEvent::kWheel)->distance, -2.0f);
  EXPECT_EQ(probe->last(ProbeEvent::kWheel)->where, CPoint(20, 30));
}

TEST(Win32Input, ButtonsFromMessagesAndFromTheLiveSwappedState) {
  EXPECT_EQ(win32ButtonsFromKeyState(MK_LBUTTON | MK_CONTROL | MK_XBUTTON2, true),
            kLButton | kControl | kButton5 | kAlt);
  Win32LiveInput physicalRight = {false, true, false, false, false, false};
  EXPECT_EQ(win32LiveButtons(physicalRight, true), kLButton);
  EXPECT_EQ(win32LiveButtons(physicalRight, false), kRButton);
}

TEST_F(Win32FrameTest, PaintDrawsTheUpdateRectangleOnly) {
  int first = editor->probe->drawCount;
  int second = editor->probe2->drawCount;
  RECT r = {10, 100, 110, 150};  // the second probe
  InvalidateRect(window, &r, TRUE);
  UpdateWindow(window);
  EXPECT_EQ(editor->probe2->drawCount, second + 1);
  EXPECT_EQ(editor->probe->drawCount, first);
}

TEST_F(Win32FrameTest, IdlePumpDispatchesOnePaintAndNothingElse) {
  pumpMessages();
  PostMessageW(window, WM_APP, 0, 0);
  int before = editor->probe->drawCount;
  editor->probe->invalid();
  editor->getFrame()->pumpOnePendingPaint();
  EXPECT_EQ(editor->probe->drawCount, before + 1);
  MSG msg;
  EXPECT_TRUE(PeekMessageW(&msg, window, WM_APP, WM_APP, PM_REMOVE));
}

TEST_F(Win32FrameTest, SetSizeLeavesAHostOwnedParentToTheHost) {
  CFrame* frame = editor->getFrame();
  // The host window fits the frame (within its borders): the frame resizes it and itself.
  EXPECT_TRUE(frame->setSize(350, 250));
  EXPECT_EQ(frame->getViewSize().width(), 350);
  RECT client;
  GetClientRect(host, &client);
  EXPECT_EQ(client.right, 350);
  EXPECT_EQ(client.bottom, 250);

  // Inside a host panel much larger than the frame, the host does the resizing.
  HWND panel = createHostWindow(700, 600);
  SetParent(window, panel);
  EXPECT_TRUE(frame->setSize(400, 300));
  EXPECT_EQ(frame->getViewSize().width(), 350);
  SetParent(window, host);
  DestroyWindow(panel);
}

TEST_F(Win32FrameTest, ScreenShowsWhatAnOffscreenRenderOfTheTreeShows) {
  CFrame* frame = editor->getFrame();
  frame->invalid();
  UpdateWindow(window);
  HDC screen = GetDC(window);
  auto* offscreen = new COffscreenContext(frame, TestEditor::kWidth, TestEditor::kHeight);
  frame->drawRect(offscreen, frame->getViewSize());
  CBitmap* image = offscreen->getBitmap();
  int differing = 0;
  // Pixel centres of every area: background, both probes, the knob and its bar.
  const POINT points[] = {{5, 5}, {250, 150}, {60, 35}, {60, 125}, {175, 20}, {175, 100}};
  for (const POINT& p : points) {
    uint8_t bgra[4];
    ASSERT_TRUE(image->getPixelBGRA(p.x, p.y, bgra));
    COLORREF shown = GetPixel(screen, p.x, p.y);
    if (GetRValue(shown) != bgra[2] || GetGValue(shown) != bgra[1] || GetBValue(shown) != bgra[0])
      ++differing;
  }
  EXPECT_EQ(differing, 0);
  offscreen->forget();
  ReleaseDC(window, screen);
}

}  // namespace
