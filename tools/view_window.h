// The viewer's own top-level window, into which a plug-in's editor is embedded: made by the
// window system's backend (view_window_x11.cpp on Linux).
#pragma once

#include <memory>
#include <string>

class ViewWindow {
 public:
  virtual ~ViewWindow() {}
  // The handle a plug-in's effEditOpen expects (on X11 the Window id cast to a pointer).
  virtual void* parentHandle() const = 0;
  virtual void resize(int width, int height) = 0;
  // Handles the window's pending events; false once the user has closed the window.
  virtual bool processEvents() = 0;
  // Saves what the window shows (the editor included) as a PNG; false with a reason on failure.
  virtual bool saveScreenshot(const std::string& path, std::string* error) = 0;
};

// A visible top-level window of the given client size and title; null with a one-line reason
// when no window can be made (no display).
std::unique_ptr<ViewWindow> createViewWindow(int width, int height, const std::string& title,
                                             std::string* error);
