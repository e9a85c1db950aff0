// zarnith-host view as a user runs it: the editor of a plug-in in its window, a screenshot of
// it, closing through the window manager's request, and the one-line errors.
#include <gtest/gtest.h>
// clang-format off
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cairo/cairo.h>
#include <sys/wait.h>
#include <unistd.h>
// clang-format on

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

bool haveDisplay() {
  const char* name = std::getenv("DISPLAY");
  return name && *name;
}

struct CommandRun {
  int status;
  std::string output;
};

CommandRun run(const std::string& command) {
  CommandRun result{-1, ""};
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return result;
  char buffer[512];
  while (std::fgets(buffer, sizeof(buffer), pipe)) result.output += buffer;
  const int status = pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

std::string viewer() {
  return std::string(ZARNITH_HOST) + " view ";
}

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};
std::ostream& operator<<(std::ostream& out, const Rgb& c) {
  return out << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

Rgb pixel(cairo_surface_t* image, int x, int y) {
  const unsigned char* data = cairo_image_surface_get_data(image);
  const uint32_t p =
      *reinterpret_cast<const uint32_t*>(data + y * cairo_image_surface_get_stride(image) + x * 4);
  return Rgb{static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF),
             static_cast<int>(p & 0xFF)};
}

// The viewer's window: the top-level whose name ends with the viewer's mark.
Window findViewerWindow(Display* dpy) {
  Window root = DefaultRootWindow(dpy), parent, *children = nullptr;
  unsigned int count = 0;
  Window found = 0;
  if (!XQueryTree(dpy, root, &root, &parent, &children, &count)) return 0;
  for (unsigned int i = 0; i < count && !found; ++i) {
    char* name = nullptr;
    if (XFetchName(dpy, children[i], &name) && name) {
      if (std::string(name).find(TEST_PLUGIN) != std::string::npos) found = children[i];
      XFree(name);
    }
  }
  if (children) XFree(children);
  return found;
}

}  // namespace

TEST(X11Viewer, ScreenshotShowsTheEmbeddedEditor) {
  if (!haveDisplay()) GTEST_SKIP() << "no DISPLAY";
  const std::string png = ::testing::TempDir() + "x11_viewer_shot.png";
  std::remove(png.c_str());
  CommandRun r = run(viewer() + TEST_PLUGIN + " --screenshot " + png + " --after 300");
  ASSERT_EQ(r.status, 0) << r.output;
  cairo_surface_t* image = cairo_image_surface_create_from_png(png.c_str());
  ASSERT_EQ(cairo_surface_status(image), CAIRO_STATUS_SUCCESS);
  // The window has the editor's size, and shows the editor's views where it put them.
  EXPECT_EQ(cairo_image_surface_get_width(image), 300);
  EXPECT_EQ(cairo_image_surface_get_height(image), 200);
  cairo_surface_flush(image);
  EXPECT_EQ(pixel(image, 60, 30), (Rgb{200, 30, 30}));    // first probe
  EXPECT_EQ(pixel(image, 60, 130), (Rgb{30, 30, 200}));   // second probe
  EXPECT_EQ(pixel(image, 250, 180), (Rgb{40, 90, 40}));   // frame background
  EXPECT_EQ(pixel(image, 175, 20), (Rgb{20, 20, 60}));    // knob at 0.5: dark top half...
  EXPECT_EQ(pixel(image, 175, 100), (Rgb{250, 200, 0}));  // ...and lit bottom half
  cairo_surface_destroy(image);
  std::remove(png.c_str());
}

TEST(X11Viewer, ClosingTheWindowEndsTheViewerCleanly) {
  if (!haveDisplay()) GTEST_SKIP() << "no DISPLAY";
  Display* dpy = nullptr;
  for (int i = 0; i < 20 && !dpy; ++i) {
    dpy = XOpenDisplay(nullptr);
    if (!dpy) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_NE(dpy, nullptr);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    execl(ZARNITH_HOST, ZARNITH_HOST, "view", TEST_PLUGIN, static_cast<char*>(nullptr));
    _exit(127);
  }
  Window window = 0;
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!window && std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    window = findViewerWindow(dpy);
  }
  ASSERT_NE(window, 0u);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // let it idle and play a while
  // What a window manager sends when the user closes the window.
  XEvent e = {};
  e.xclient.type = ClientMessage;
  e.xclient.window = window;
  e.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = static_cast<long>(XInternAtom(dpy, "WM_DELETE_WINDOW", False));
  e.xclient.data.l[1] = CurrentTime;
  XSendEvent(dpy, window, False, NoEventMask, &e);
  XSync(dpy, False);
  int status = -1;
  bool exited = false;
  end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (std::chrono::steady_clock::now() < end) {
    if (waitpid(child, &status, WNOHANG) == child) {
      exited = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (!exited) {
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
  }
  ASSERT_TRUE(exited) << "the viewer did not close";
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(findViewerWindow(dpy), 0u);
  XCloseDisplay(dpy);
}

TEST(X11Viewer, BadInputsGiveOneLineAndAFailure) {
  CommandRun r = run("env -u DISPLAY " + viewer() + TEST_PLUGIN + " --after 10");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.output, "zarnith-host view: no display (DISPLAY is not set)\n");
  r = run("env DISPLAY=:4711 " + viewer() + TEST_PLUGIN + " --after 10");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.output, "zarnith-host view: cannot open display :4711\n");
  r = run(viewer() + "/nonexistent/plugin.so --after 10");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.output, "zarnith-host view: /nonexistent/plugin.so: no such file\n");
  r = run(viewer() + TEST_PLUGIN + " --after soon");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.output, "zarnith-host view: --after must be a whole number of milliseconds (got 'soon')\n");
  r = run(viewer() + TEST_PLUGIN + " --screenshot");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.output, "zarnith-host view: --screenshot needs a value\n");
  r = run(viewer() + TEST_PLUGIN + " --zoom 2");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.output, "zarnith-host view: unknown option '--zoom' (try --help)\n");
  if (haveDisplay()) {
    r = run(viewer() + TEST_PLUGIN + " --screenshot /nonexistent/dir/shot.png --after 50");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("/nonexistent/dir/shot.png: "), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find('\n'), r.output.size() - 1) << r.output;
  }
}
