// The viewer's top-level window on X11, on a display connection of the viewer's own.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cairo/cairo.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "view_window.h"

namespace {

class X11ViewWindow : public ViewWindow {
 public:
  X11ViewWindow(Display* display, int width, int height, const std::string& title)
      : dpy(display), width(width), height(height) {
    const int screen = DefaultScreen(dpy);
    window = XCreateSimpleWindow(dpy, RootWindow(dpy, screen), 0, 0, static_cast<unsigned>(width),
                                 static_cast<unsigned>(height), 0, BlackPixel(dpy, screen),
                                 BlackPixel(dpy, screen));
    XSelectInput(dpy, window, StructureNotifyMask);
    XStoreName(dpy, window, title.c_str());
    Atom utf8 = XInternAtom(dpy, "UTF8_STRING", False);
    XChangeProperty(dpy, window, XInternAtom(dpy, "_NET_WM_NAME", False), utf8, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title.c_str()), static_cast<int>(title.size()));
    // The window manager asks before closing, so the editor is closed before its window goes.
    deleteWindow = XInternAtom(dpy, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(dpy, window, &deleteWindow, 1);
    fixSize();
    XMapWindow(dpy, window);
    // Wait until the window is on screen: some editors look at their parent's state on open.
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    XEvent event;
    while (std::chrono::steady_clock::now() < end) {
      if (XCheckTypedWindowEvent(dpy, window, MapNotify, &event)) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    XSync(dpy, False);
  }

  ~X11ViewWindow() override {
    if (!destroyed) XDestroyWindow(dpy, window);
    XCloseDisplay(dpy);
  }

  void* parentHandle() const override { return reinterpret_cast<void*>(static_cast<uintptr_t>(window)); }

  void resize(int w, int h) override {
    if (w <= 0 || h <= 0 || (w == width && h == height)) return;
    width = w;
    height = h;
    fixSize();
    XResizeWindow(dpy, window, static_cast<unsigned>(w), static_cast<unsigned>(h));
    XSync(dpy, False);
  }

  bool processEvents() override {
    while (XPending(dpy) > 0) {
      XEvent event;
      XNextEvent(dpy, &event);
      if (event.type == ClientMessage && static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow)
        closed = true;
      if (event.type == DestroyNotify && event.xdestroywindow.window == window) closed = destroyed = true;
    }
    return !closed;
  }

  bool saveScreenshot(const std::string& path, std::string* error) override {
    XSync(dpy, False);
    XImage* image = XGetImage(dpy, window, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height),
                              AllPlanes, ZPixmap);
    if (!image) {
      *error = "could not read the window's pixels";
      return false;
    }
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    // XGetPixel honours the image's byte order and depth; the colour masks give the channels.
    const unsigned long redMask = image->red_mask, greenMask = image->green_mask, blueMask = image->blue_mask;
    for (int y = 0; y < height; ++y) {
      uint32_t* row = reinterpret_cast<uint32_t*>(data + y * stride);
      for (int x = 0; x < width; ++x) {
        const unsigned long p = XGetPixel(image, x, y);
        row[x] = (channel(p, redMask) << 16) | (channel(p, greenMask) << 8) | channel(p, blueMask);
      }
    }
    XDestroyImage(image);
    cairo_surface_mark_dirty(surface);
    const cairo_status_t status = cairo_surface_write_to_png(surface, path.c_str());
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS) {
      *error = path + ": " + cairo_status_to_string(status);
      return false;
    }
    return true;
  }

 private:
  // One colour channel scaled to 8 bits.
  static uint32_t channel(unsigned long pixel, unsigned long mask) {
    if (!mask) return 0;
    int shift = 0;
    while (!((mask >> shift) & 1)) ++shift;
    const unsigned long max = mask >> shift;
    return static_cast<uint32_t>((((pixel & mask) >> shift) * 255 + max / 2) / max);
  }
  void fixSize() {
    // The editor has a fixed size: so has its window.
    XSizeHints* hints = XAllocSizeHints();
    hints->flags = PMinSize | PMaxSize;
    hints->min_width = hints->max_width = width;
    hints->min_height = hints->max_height = height;
    XSetWMNormalHints(dpy, window, hints);
    XFree(hints);
  }

  Display* dpy;
  Window window = 0;
  Atom deleteWindow = 0;
  int width;
  int height;
  bool closed = false;
  bool destroyed = false;
};

}  // namespace

std::unique_ptr<ViewWindow> createViewWindow(int width, int height, const std::string& title,
                                             std::string* error) {
  Display* display = nullptr;
  // A busy server may refuse a connection for a moment.
  for (int attempt = 0; attempt < 5 && !display; ++attempt) {
    display = XOpenDisplay(nullptr);
    if (!display) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (!display) {
    const char* name = std::getenv("DISPLAY");
    *error = name && *name ? std::string("cannot open display ") + name : "no display (DISPLAY is not set)";
    return nullptr;
  }
  return std::unique_ptr<ViewWindow>(new X11ViewWindow(display, width, height, title));
}
