// The built plug-in loaded as a host loads it, its editor embedded in the host's X11 window:
// the bad inputs a host can give, and nothing of them reaching the host's X error handler.
#include <gtest/gtest.h>
// clang-format off
#include <X11/Xlib.h>
// clang-format on

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

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
