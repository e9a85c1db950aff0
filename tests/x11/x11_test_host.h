// What the X11 tests share: a host of their own (its own display connection and windows), XTest
// input, idling, and the check of the process's X error handler.
#pragma once

// gtest before Xlib: Xlib's macros (None, Bool) would break its templates.
#include <gtest/gtest.h>
// clang-format off
#include <X11/Xlib.h>
// clang-format on

#include <cstdint>
#include <functional>
#include <memory>
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

// A host of the test's own with the test editor's effect and an empty 400 × 300 host window
// at the root's origin; openEditor() embeds the editor in it. The effect owns the editor.
class EmbeddedEditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SKIP_WITHOUT_DISPLAY();
    hostCalls().clear();
    host.reset(new TestHost());
    ASSERT_NE(host->display(), nullptr);
    guard.reset(new ErrorHandlerGuard());
    effect.reset(new TestEffect());
    editor = new TestEditor(effect.get());
    parent = host->createWindow(400, 300, 0, 0);
  }
  void TearDown() override {
    if (!host) return;
    effect.reset();
    guard.reset();
    if (parent) XDestroyWindow(host->display(), parent);
    host.reset();
  }
  // Set-up for the tests that need the editor open: stops the test when it fails.
  bool setUpFailed() const { return IsSkipped() || HasFatalFailure(); }
  void* parentId() const { return reinterpret_cast<void*>(static_cast<uintptr_t>(parent)); }
  void openEditor() { ASSERT_EQ(effect->dispatcher(effEditOpen, 0, 0, parentId(), 0), 1); }

  std::unique_ptr<TestHost> host;
  std::unique_ptr<ErrorHandlerGuard> guard;
  std::unique_ptr<TestEffect> effect;
  TestEditor* editor = nullptr;
  Window parent = 0;
};

}  // namespace x11test
