#include "x11_connection.h"

#include <X11/Xresource.h>
#include <X11/Xutil.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <mutex>

#include "toolkit/graphicsglobals.h"
#include "toolkit/platform/platform_frame.h"
#include "x11_error_trap.h"
#include "x11_frame.h"

namespace {

// Changed under instanceMutex, which also guards the user count: hosts create and open
// instances on several threads. The error handler reads it without the lock (it runs inside
// Xlib calls, some of them made under the lock).
std::atomic<X11Connection*> instance{nullptr};
std::mutex instanceMutex;
// Xlib's association table finds the frame of a window without a request to the server.
XContext frameContext = 0;

}  // namespace

namespace {

Display* openDisplay() {
  // A busy server refuses connections for a moment when its backlog is full (the connect
  // fails with EAGAIN); a few quick retries make that no failed editor open. A display that
  // does not exist fails every attempt at once.
  const char* name = std::getenv("DISPLAY");
  if (!name || !*name) return nullptr;
  for (int attempt = 0;; ++attempt) {
    if (Display* display = XOpenDisplay(name)) return display;
    if (attempt == 4 || errno != EAGAIN) return nullptr;
    platformWait(2);
  }
}

}  // namespace

X11Connection* X11Connection::acquire() {
  std::lock_guard<std::mutex> lock(instanceMutex);
  X11Connection* connection = instance.load(std::memory_order_relaxed);
  if (!connection) {
    Display* display = openDisplay();
    if (!display) return nullptr;
    connection = new X11Connection(display);
    instance.store(connection, std::memory_order_relaxed);
    GDIPlusGlobals::setShutdownHook(&X11Connection::closeUnused);
  }
  ++connection->userCount;
  return connection;
}

void X11Connection::release() {
  std::lock_guard<std::mutex> lock(instanceMutex);
  X11Connection* connection = instance.load(std::memory_order_relaxed);
  if (!connection || connection->userCount == 0) return;
  --connection->userCount;
  // Without any toolkit object left (a frame always holds one, so this is only a safeguard)
  // nothing would close the connection later.
  if (connection->userCount == 0 && GDIPlusGlobals::getCount() == 0) {
    instance.store(nullptr, std::memory_order_relaxed);
    delete connection;
  }
}

void X11Connection::closeUnused() {
  std::lock_guard<std::mutex> lock(instanceMutex);
  X11Connection* connection = instance.load(std::memory_order_relaxed);
  if (!connection || connection->userCount > 0) return;
  instance.store(nullptr, std::memory_order_relaxed);
  delete connection;
}

X11Connection* X11Connection::current() {
  return instance.load(std::memory_order_relaxed);
}

int X11Connection::users() {
  std::lock_guard<std::mutex> lock(instanceMutex);
  X11Connection* connection = instance.load(std::memory_order_relaxed);
  return connection ? connection->userCount : 0;
}

X11Connection::X11Connection(Display* display) : dpy(display), userCount(0), atomTable(), cursorCount(0) {
  if (!frameContext) frameContext = XUniqueContext();
  static const char* const names[] = {"XdndAware",
                                      "XdndEnter",
                                      "XdndPosition",
                                      "XdndStatus",
                                      "XdndLeave",
                                      "XdndDrop",
                                      "XdndFinished",
                                      "XdndSelection",
                                      "XdndTypeList",
                                      "XdndActionCopy",
                                      "text/uri-list",
                                      "UTF8_STRING",
                                      "text/plain;charset=utf-8",
                                      "text/plain",
                                      "STRING",
                                      "ZARNITH_DROP_DATA"};
  const int count = sizeof(names) / sizeof(names[0]);
  Atom atoms[count];
  XInternAtoms(dpy, const_cast<char**>(names), count, False, atoms);
  Atom* out[count] = {&atomTable.xdndAware,      &atomTable.xdndEnter,     &atomTable.xdndPosition,
                      &atomTable.xdndStatus,     &atomTable.xdndLeave,     &atomTable.xdndDrop,
                      &atomTable.xdndFinished,   &atomTable.xdndSelection, &atomTable.xdndTypeList,
                      &atomTable.xdndActionCopy, &atomTable.uriList,       &atomTable.utf8String,
                      &atomTable.textPlainUtf8,  &atomTable.textPlain,     &atomTable.string,
                      &atomTable.targetProperty};
  for (int i = 0; i < count; ++i) *out[i] = atoms[i];
  X11ErrorTrap::setListener(&X11Connection::onError);
}

X11Connection::~X11Connection() {
  {
    X11ErrorTrap trap(dpy);
    for (int i = 0; i < cursorCount; ++i) XFreeCursor(dpy, cursors[i]);
  }
  XCloseDisplay(dpy);
}

X11Frame* X11Connection::findFrame(Window window) const {
  XPointer data = nullptr;
  if (!window || XFindContext(dpy, window, frameContext, &data) != 0) return nullptr;
  return reinterpret_cast<X11Frame*>(data);
}

void X11Connection::registerFrame(Window window, X11Frame* frame) {
  XSaveContext(dpy, window, frameContext, reinterpret_cast<XPointer>(frame));
}

void X11Connection::unregisterFrame(Window window) {
  XDeleteContext(dpy, window, frameContext);
}

Cursor X11Connection::fontCursor(unsigned int shape) {
  for (int i = 0; i < cursorCount; ++i)
    if (cursorShapes[i] == shape) return cursors[i];
  if (cursorCount == kMaxCursors) return 0;
  Cursor cursor = XCreateFontCursor(dpy, shape);
  if (!cursor) return 0;
  cursorShapes[cursorCount] = shape;
  cursors[cursorCount++] = cursor;
  return cursor;
}

void X11Connection::onError(Display* display, XID resource, int errorCode) {
  // A request on a window the host destroyed under us: that frame must make no further calls.
  X11Connection* connection = instance.load(std::memory_order_relaxed);
  if (!connection || display != connection->dpy) return;
  if (errorCode != BadWindow && errorCode != BadDrawable) return;
  if (X11Frame* frame = connection->findFrame(resource)) frame->windowLost();
}
