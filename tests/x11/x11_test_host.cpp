#include "x11_test_host.h"

#include <X11/extensions/XTest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace x11test {

bool haveDisplay() {
  const char* name = std::getenv("DISPLAY");
  return name && *name;
}

// ---------------------------------------------------------------------------------------------

TestHost::TestHost() : dpy(nullptr) {
  // A busy virtual server refuses a connection now and then (EAGAIN): try again.
  for (int attempt = 0; attempt < 20 && !dpy; ++attempt) {
    dpy = XOpenDisplay(nullptr);
    if (!dpy) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

TestHost::~TestHost() {
  if (dpy) XCloseDisplay(dpy);
}

Window TestHost::createWindow(int width, int height, int x, int y) {
  Window w = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), x, y, static_cast<unsigned>(width),
                                 static_cast<unsigned>(height), 0, BlackPixel(dpy, DefaultScreen(dpy)),
                                 BlackPixel(dpy, DefaultScreen(dpy)));
  XMapWindow(dpy, w);
  XSync(dpy, False);
  return w;
}

void TestHost::moveTo(Window window, int x, int y) {
  Window child;
  int rootX = 0, rootY = 0;
  XTranslateCoordinates(dpy, window, DefaultRootWindow(dpy), x, y, &rootX, &rootY, &child);
  XTestFakeMotionEvent(dpy, DefaultScreen(dpy), rootX, rootY, CurrentTime);
  XSync(dpy, False);
}

void TestHost::button(unsigned int button, bool down) {
  XTestFakeButtonEvent(dpy, button, down ? True : False, CurrentTime);
  XSync(dpy, False);
}

void TestHost::key(KeySym symbol, bool down) {
  XTestFakeKeyEvent(dpy, XKeysymToKeycode(dpy, symbol), down ? True : False, CurrentTime);
  XSync(dpy, False);
}

bool pumpUntil(AEffGUIEditor* editor, const std::function<bool()>& done, int timeoutMs) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    editor->idle();
    if (done()) return true;
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

void pumpFor(AEffGUIEditor* editor, int ms) {
  pumpUntil(
      editor, [] { return false; }, ms);
}

namespace {

int errorCount = 0;
int countingHandler(Display*, XErrorEvent*) {
  ++errorCount;
  return 0;
}

}  // namespace

ErrorHandlerGuard::ErrorHandlerGuard() : previous(XSetErrorHandler(&countingHandler)) {
  errorCount = 0;
}

ErrorHandlerGuard::~ErrorHandlerGuard() {
  XErrorHandler current = XSetErrorHandler(previous);
  EXPECT_EQ(current, &countingHandler) << "an X error handler was left installed";
  EXPECT_EQ(errorCount, 0) << "X errors reached the host's handler";
}

int ErrorHandlerGuard::errors() {
  return errorCount;
}

}  // namespace x11test
