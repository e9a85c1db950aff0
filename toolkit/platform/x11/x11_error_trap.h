// A temporary X error handler around our own requests.
//
// Xlib has one error handler for the whole process, and it belongs to the host: its default
// prints and exits. Every entry of ours that talks to the server therefore runs inside a trap
// that installs a handler of ours, synchronises before leaving (so that every error our
// requests caused has arrived while our handler is in force) and puts the previous handler
// back. Errors of other connections are passed to that previous handler unchanged.
#pragma once

#include <X11/Xlib.h>

class X11ErrorTrap {
 public:
  explicit X11ErrorTrap(Display* display);
  ~X11ErrorTrap();
  X11ErrorTrap(const X11ErrorTrap&) = delete;
  X11ErrorTrap& operator=(const X11ErrorTrap&) = delete;

  // Waits until the server has handled every request so far; true when none of the requests
  // made since the trap was set failed.
  bool sync();
  // Errors seen since the trap was set (without synchronising).
  bool failed() const;

  // Told of every error of the trapped connection: the failing resource and the error code.
  typedef void (*Listener)(Display* display, XID resource, int errorCode);
  static void setListener(Listener listener);

 private:
  static int handler(Display* display, XErrorEvent* error);

  Display* display;
  XErrorHandler previous;
  Display* outerDisplay;
  unsigned long errorsAtStart;
  unsigned long requestAtStart;
};
