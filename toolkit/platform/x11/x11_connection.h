// The toolkit's own connection to the X server, shared by every open frame of the process.
//
// A host's connection is never used: its Display belongs to another thread's event loop and to
// its error handling. The first frame opens the connection (from $DISPLAY) and every frame counts
// itself in. The connection then stays open while the toolkit is in use at all (any frame or
// bitmap alive, which for a plug-in means while any instance lives): Xlib and the graphics
// libraries keep per-connection state that closing never fully gives back, so an editor opened
// and closed a thousand times must not open a thousand connections. It is closed, freeing the
// cursors made on it, when the graphics library shuts down with no frame left. Frames of
// instances created on different threads count themselves in and out under one lock.
#pragma once

#include <X11/Xlib.h>

class X11Frame;

class X11Connection {
 public:
  // The open connection with one more user, or null when no display can be opened.
  static X11Connection* acquire();
  // Drops a user. The connection stays open for the next frame.
  static void release();
  // Closes the connection when no frame uses it (the toolkit's last object is going).
  static void closeUnused();
  // The open connection, else null.
  static X11Connection* current();
  // Frames counted in (for tests of the open/close cycle).
  static int users();

  Display* display() const { return dpy; }

  // The frame whose window is window, or null (a window we never made or already dropped).
  X11Frame* findFrame(Window window) const;
  void registerFrame(Window window, X11Frame* frame);
  void unregisterFrame(Window window);

  // A cursor of the standard cursor font, made once per connection (0 for an unknown shape).
  Cursor fontCursor(unsigned int shape);

  // Dispatch of the connection's events is not re-entered: a view that pumps idle while
  // handling a press must not have the next press handled underneath it.
  bool dispatching = false;

  struct Atoms {
    Atom xdndAware, xdndEnter, xdndPosition, xdndStatus, xdndLeave, xdndDrop, xdndFinished;
    Atom xdndSelection, xdndTypeList, xdndActionCopy, uriList, utf8String, textPlainUtf8, textPlain, string,
        targetProperty;
  };
  const Atoms& atoms() const { return atomTable; }

 private:
  explicit X11Connection(Display* display);
  ~X11Connection();

  static void onError(Display* display, XID resource, int errorCode);

  Display* dpy;
  int userCount;
  Atoms atomTable;
  enum { kMaxCursors = 8 };
  unsigned int cursorShapes[kMaxCursors];
  Cursor cursors[kMaxCursors];
  int cursorCount;
};
