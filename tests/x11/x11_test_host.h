// What the X11 tests share: a host of their own (its own display connection and windows), XTest
// input, idling, and the check of the process's X error handler.
#pragma once

// gtest before Xlib: Xlib's macros (None, Bool) would break its templates.
#include <gtest/gtest.h>
// clang-format off
#include <X11/Xlib.h>
// clang-format on

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "x11_test_editor.h"

#define SKIP_WITHOUT_DISPLAY()                                                    \
  do {                                                                            \
    if (!x11test::haveDisplay()) GTEST_SKIP() << "no DISPLAY: X11 tests skipped"; \
  } while (0)

namespace x11test {

bool haveDisplay();

// The host side: its own connection, a top-level window to embed the editor in, XTest input.
class TestHost {
 public:
  TestHost();
  ~TestHost();
  Display* display() const { return dpy; }
  Window createWindow(int width, int height, int x = 0, int y = 0);

  // Pointer and keys through XTest, at frame coordinates of the given window.
  void moveTo(Window window, int x, int y);
  void button(unsigned int button, bool down);
  void key(KeySym symbol, bool down);
  void sync() { XSync(dpy, False); }

 private:
  Display* dpy;
};

// Idles the editor (as a host does) until done() or the time runs out.
bool pumpUntil(AEffGUIEditor* editor, const std::function<bool()>& done, int timeoutMs = 2000);
// Idles for a while regardless.
void pumpFor(AEffGUIEditor* editor, int ms);

// Checks that no X error reached the process's handler and that it is the same handler after
// the test as before (the toolkit must not leave one of its own installed).
class ErrorHandlerGuard {
 public:
  ErrorHandlerGuard();
  ~ErrorHandlerGuard();
  static int errors();

 private:
  XErrorHandler previous;
};

}  // namespace x11test
