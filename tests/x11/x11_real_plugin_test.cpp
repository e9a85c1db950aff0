// The built plug-in loaded as a host loads it, its editor embedded in the host's X11 window:
// the bad inputs a host can give, and nothing of them reaching the host's X error handler.
#include <gtest/gtest.h>
// clang-format off
#include <X11/Xlib.h>
// clang-format on

#include <malloc.h>
#if defined(__SANITIZE_ADDRESS__)
// The sanitizer's own count (its header does not ship with every compiler).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "plugin_loader.h"

namespace {

int hostErrors = 0;
int hostHandler(Display*, XErrorEvent*) {
  ++hostErrors;
  return 0;
}

unsigned int childCount(Display* dpy, Window window) {
  Window root, parent, *children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(dpy, window, &root, &parent, &children, &count)) return 0;
  if (children) XFree(children);
  return count;
}

void* handle(Window window) {
  return reinterpret_cast<void*>(static_cast<uintptr_t>(window));
}

class RealPluginEditor : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) GTEST_SKIP() << "no DISPLAY";
    for (int i = 0; i < 20 && !dpy; ++i) {
      dpy = XOpenDisplay(nullptr);
      if (!dpy) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_NE(dpy, nullptr);
    std::string error;
    plugin = LoadedPlugin::load(ZARNITH_PLUGIN, &error);
    ASSERT_NE(plugin, nullptr) << error;
    plugin->dispatch(effOpen);
    previous = XSetErrorHandler(&hostHandler);
    hostErrors = 0;
    parent = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 428, 405, 0, 0, 0);
    XMapWindow(dpy, parent);
    XSync(dpy, False);
  }
  void TearDown() override {
    if (!dpy) return;
    if (plugin) plugin->dispatch(effEditClose);
    plugin.reset();
    EXPECT_EQ(XSetErrorHandler(previous), &hostHandler) << "an X error handler was left installed";
    EXPECT_EQ(hostErrors, 0) << "X errors reached the host's handler";
    if (parent) XDestroyWindow(dpy, parent);
    XCloseDisplay(dpy);
  }

  Display* dpy = nullptr;
  Window parent = 0;
  std::unique_ptr<LoadedPlugin> plugin;
  XErrorHandler previous = nullptr;
};

}  // namespace

TEST_F(RealPluginEditor, NoParentOrADeadOneGivesAFailedOpen) {
  plugin->dispatch(effEditIdle);  // before any open
  plugin->dispatch(effEditClose);
  EXPECT_EQ(plugin->dispatch(effEditOpen, 0, 0, nullptr), 0);
  Window dead = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 10, 10, 0, 0, 0);
  XDestroyWindow(dpy, dead);
  XSync(dpy, False);
  EXPECT_EQ(plugin->dispatch(effEditOpen, 0, 0, handle(dead)), 0);
  plugin->dispatch(effEditIdle);
  plugin->dispatch(effEditClose);
  // The effect still works.
  plugin->setParameter(0, 0.25f);
  EXPECT_EQ(plugin->getParameter(0), 0.25f);
  // And a good parent opens the editor, filling it with one window of the editor's size.
  ASSERT_EQ(plugin->dispatch(effEditOpen, 0, 0, handle(parent)), 1);
  plugin->dispatch(effEditIdle);
  EXPECT_EQ(childCount(dpy, parent), 1u);
}

TEST_F(RealPluginEditor, NoDisplayGivesAFailedOpen) {
  const std::string saved = std::getenv("DISPLAY");
  setenv("DISPLAY", ":4711", 1);
  EXPECT_EQ(plugin->dispatch(effEditOpen, 0, 0, handle(parent)), 0);
  setenv("DISPLAY", saved.c_str(), 1);
  plugin->dispatch(effEditIdle);
  EXPECT_EQ(plugin->dispatch(effEditOpen, 0, 0, handle(parent)), 1);
}

TEST_F(RealPluginEditor, OpenTwiceLeavesOneWindowAndADestroyedHostWindowIsSafe) {
  ASSERT_EQ(plugin->dispatch(effEditOpen, 0, 0, handle(parent)), 1);
  ASSERT_EQ(plugin->dispatch(effEditOpen, 0, 0, handle(parent)), 1);
  plugin->dispatch(effEditIdle);
  EXPECT_EQ(childCount(dpy, parent), 1u);
  // The host destroys its window before closing the editor.
  XDestroyWindow(dpy, parent);
  XSync(dpy, False);
  parent = 0;
  plugin->setParameter(0, 0.9f);  // something to repaint
  plugin->dispatch(effEditIdle);
  plugin->dispatch(effEditClose);
  plugin->dispatch(effEditIdle);
  plugin->dispatch(effEditClose);
}

namespace {

// Bytes the process holds on its heap right now.
size_t liveHeapBytes() {
#if defined(__SANITIZE_ADDRESS__)
  return __sanitizer_get_current_allocated_bytes();
#else
  malloc_trim(0);
  return mallinfo2().uordblks;
#endif
}

}  // namespace

TEST_F(RealPluginEditor, OpenCloseCyclesWithAutomationKeepTheHeapFlat) {
  // A host automates while the user opens and closes the editor again and again: nothing of
  // a cycle may stay behind (the display connection, cairo's and fontconfig's caches).
  std::atomic<bool> stop{false};
  std::thread automation([&] {
    for (int i = 0; !stop.load(std::memory_order_relaxed); ++i) {
      // A few values only: each text the readouts show is drawn, and so cached, in the first cycles.
      plugin->setParameter(0, static_cast<float>(i % 4) / 4.0f);  // "Freq", shown in a readout
      plugin->setParameter(6, static_cast<float>(i % 3) / 2.0f);  // "Filter Type", a switch
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  });
  auto cycles = [&](int count) {
    for (int cycle = 0; cycle < count; ++cycle) {
      ASSERT_EQ(plugin->dispatch(effEditOpen, 0, 0, handle(parent)), 1);
      for (int idle = 0; idle < 3; ++idle) {
        plugin->dispatch(effEditIdle);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
      plugin->dispatch(effEditClose);
    }
  };
  // The first cycles set up what a process sets up once (fonts, glyphs, the connection's tables
  // and queues).
  cycles(20);
  const size_t before = liveHeapBytes();
  const int kCycles = 150;
  cycles(kCycles);
  const size_t after = liveHeapBytes();
  stop.store(true);
  automation.join();
  // Caches that fill up to a bound move the figure by a kilobyte or so at most; a loss of even
  // one small block per cycle adds up to far more.
  EXPECT_LT(after, before + kCycles * 12)
      << "live heap grew by " << (after - before) << " bytes in " << kCycles << " cycles";
}
