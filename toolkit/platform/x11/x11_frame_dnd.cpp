// The frame's XDND drop target: the protocol's messages from a dragging application, the items
// read through the selection, and the views' drag calls.
#include <X11/Xatom.h>
#include <poll.h>

#include <climits>
#include <cstdlib>

#include "toolkit/cframe.h"
#include "x11_connection.h"
#include "x11_drag_container.h"
#include "x11_error_trap.h"
#include "x11_frame.h"

namespace {

// The XDND protocol version we speak.
const long kXdndVersion = 5;
// How long a drop waits for the dragging application to hand over its data.
const uint32_t kDropDataTimeoutMs = 1000;

}  // namespace

bool X11Frame::setDropActive(bool active) {
  if (!alive) return false;
  X11ErrorTrap trap(display);
  if (active) {
    const Atom version = static_cast<Atom>(kXdndVersion);
    XChangeProperty(display, window, connection->atoms().xdndAware, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&version), 1);
  } else {
    XDeleteProperty(display, window, connection->atoms().xdndAware);
    dndEnd();
  }
  dropActive = active;
  return true;
}

void X11Frame::handleClientMessage(const XClientMessageEvent& event) {
  if (!alive || event.format != 32) return;
  const X11Connection::Atoms& atoms = connection->atoms();
  if (event.message_type == atoms.xdndEnter)
    dndEnter(event);
  else if (event.message_type == atoms.xdndPosition)
    dndPosition(event);
  else if (event.message_type == atoms.xdndLeave)
    dndLeave(event);
  else if (event.message_type == atoms.xdndDrop)
    dndDrop(event);
}

Atom X11Frame::dndChooseTarget(const Atom* types, unsigned long count) const {
  const X11Connection::Atoms& atoms = connection->atoms();
  // Files first (a file manager offers its files also as text), then UTF-8 text, then text
  // of the older kinds.
  const Atom preference[] = {atoms.uriList, atoms.utf8String, atoms.textPlainUtf8, atoms.textPlain,
                             atoms.string};
  for (Atom wanted : preference)
    for (unsigned long i = 0; i < count; ++i)
      if (types[i] == wanted) return wanted;
  return None;
}

void X11Frame::dndEnter(const XClientMessageEvent& event) {
  if (!dropActive) return;
  dndEnd();
  dndSource = static_cast<Window>(event.data.l[0]);
  dndVersion = (event.data.l[1] >> 24) & 0xFF;
  dndTypeCount = 0;
  if (event.data.l[1] & 1) {
    // More than three types: the full list is a property of the source window.
    Atom type;
    int format;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, dndSource, connection->atoms().xdndTypeList, 0, 64, False, XA_ATOM, &type,
                           &format, &count, &after, &data) == Success &&
        data && format == 32) {
      const long* list = reinterpret_cast<const long*>(data);
      for (unsigned long i = 0; i < count && dndTypeCount < kMaxDndTypes; ++i)
        dndTypes[dndTypeCount++] = static_cast<Atom>(list[i]);
    }
    if (data) XFree(data);
  } else {
    for (int i = 2; i < 5; ++i)
      if (event.data.l[i]) dndTypes[dndTypeCount++] = static_cast<Atom>(event.data.l[i]);
  }
  dndTarget = dndChooseTarget(dndTypes, dndTypeCount);
}

bool X11Frame::dndPointFromRoot(long packed, CPoint& where) {
  const int rootX = static_cast<int>((packed >> 16) & 0xFFFF);
  const int rootY = static_cast<int>(packed & 0xFFFF);
  Window child;
  int x = 0, y = 0;
  if (!XTranslateCoordinates(display, root, window, rootX, rootY, &x, &y, &child)) return false;
  where(x, y);
  return true;
}

void X11Frame::dndPosition(const XClientMessageEvent& event) {
  if (!dndSource || static_cast<Window>(event.data.l[0]) != dndSource) return;
  dndPointFromRoot(event.data.l[2], dndWhere);
  const Time time = dndVersion >= 1 ? static_cast<Time>(event.data.l[3]) : CurrentTime;
  if (!dragContainer) {
    if (dndTarget == None) {
      dndSendStatus(false);
      return;
    }
    // The items are read once, when the drag first comes over the editor, so that the views
    // see them while the drag moves as well as at the drop.
    dragContainer = new X11DragContainer();
    if (!dndFetch(time)) dragContainer->setError();
    frame->onDragEnter(dragContainer, dndWhere);
  } else {
    frame->onDragMove(dragContainer, dndWhere);
  }
  dndSendStatus(true);
}

void X11Frame::dndLeave(const XClientMessageEvent& event) {
  if (!dndSource || static_cast<Window>(event.data.l[0]) != dndSource) return;
  if (dragContainer) frame->onDragLeave(dragContainer, dndWhere);
  dndEnd();
}

void X11Frame::dndDrop(const XClientMessageEvent& event) {
  if (!dndSource || static_cast<Window>(event.data.l[0]) != dndSource) return;
  const Time time = dndVersion >= 1 ? static_cast<Time>(event.data.l[2]) : CurrentTime;
  bool accepted = false;
  if (dndTarget != None) {
    if (!dragContainer) {
      // A drop without a position before it: read the items now.
      dragContainer = new X11DragContainer();
      if (!dndFetch(time)) dragContainer->setError();
      frame->onDragEnter(dragContainer, dndWhere);
    }
    frame->onDrop(dragContainer, dndWhere);
    accepted = true;
  }
  dndSendFinished(accepted);
  dndEnd();
}

void X11Frame::dndSendStatus(bool accept) {
  // Bit 0: we accept; bit 1: keep sending positions (the view under the pointer may change).
  const long copy = static_cast<long>(connection->atoms().xdndActionCopy);
  dndSendToSource(connection->atoms().xdndStatus, accept ? 3 : 2, 0, accept ? copy : None);
}

void X11Frame::dndSendFinished(bool accepted) {
  const long copy = static_cast<long>(connection->atoms().xdndActionCopy);
  dndSendToSource(connection->atoms().xdndFinished, accepted ? 1 : 0, accepted ? copy : None, 0);
}

void X11Frame::dndSendToSource(Atom messageType, long data1, long data2, long data4) {
  XEvent reply = {};
  reply.xclient.type = ClientMessage;
  reply.xclient.display = display;
  reply.xclient.window = dndSource;
  reply.xclient.message_type = messageType;
  reply.xclient.format = 32;
  reply.xclient.data.l[0] = static_cast<long>(window);
  reply.xclient.data.l[1] = data1;
  reply.xclient.data.l[2] = data2;
  reply.xclient.data.l[4] = data4;
  XSendEvent(display, dndSource, False, NoEventMask, &reply);
  XFlush(display);
}

void X11Frame::dndEnd() {
  if (dragContainer) dragContainer->forget();
  dragContainer = nullptr;
  dndSource = 0;
  dndTarget = None;
  dndTypeCount = 0;
}

bool X11Frame::dndReadSelection(Atom target, Time time, unsigned char** data, unsigned long* size) {
  const X11Connection::Atoms& atoms = connection->atoms();
  *data = nullptr;
  *size = 0;
  XDeleteProperty(display, window, atoms.targetProperty);
  XConvertSelection(display, atoms.xdndSelection, target, atoms.targetProperty, window, time);
  XFlush(display);
  // Only the answer is taken from the queue: every other event stays for the dispatch loop.
  XEvent event;
  const uint32_t start = getPlatformTicks();
  for (;;) {
    if (XCheckTypedWindowEvent(display, window, SelectionNotify, &event)) break;
    if (getPlatformTicks() - start > kDropDataTimeoutMs) return false;
    pollfd fd = {ConnectionNumber(display), POLLIN, 0};
    poll(&fd, 1, 10);
  }
  if (event.xselection.property == None) return false;
  Atom type;
  int format;
  unsigned long count = 0, after = 0;
  unsigned char* bytes = nullptr;
  if (XGetWindowProperty(display, window, atoms.targetProperty, 0, LONG_MAX / 4, True, AnyPropertyType, &type,
                         &format, &count, &after, &bytes) != Success)
    return false;
  // Incremental transfers (data larger than a request) are not taken.
  if (!bytes || format != 8 || after != 0) {
    if (bytes) XFree(bytes);
    return false;
  }
  *data = bytes;
  *size = count;
  return true;
}

bool X11Frame::dndFetch(Time time) {
  const X11Connection::Atoms& atoms = connection->atoms();
  Atom textTarget = None;
  if (dndTarget == atoms.uriList) {
    unsigned char* bytes = nullptr;
    unsigned long size = 0;
    if (!dndReadSelection(atoms.uriList, time, &bytes, &size)) return false;
    char* paths = nullptr;
    size_t pathsSize = 0;
    const int32_t count = x11DecodeUriList(reinterpret_cast<const char*>(bytes), size, &paths, &pathsSize);
    XFree(bytes);
    if (count > 0) {
      dragContainer->setFiles(paths, pathsSize, count);
      return true;
    }
    // No local file among the URIs: the text the source offers is the next best thing.
    Atom rest[kMaxDndTypes];
    unsigned long restCount = 0;
    for (unsigned long i = 0; i < dndTypeCount; ++i)
      if (dndTypes[i] != atoms.uriList) rest[restCount++] = dndTypes[i];
    textTarget = dndChooseTarget(rest, restCount);
    if (textTarget == None) {
      dragContainer->setFiles(nullptr, 0, 0);
      return true;
    }
  } else {
    textTarget = dndTarget;
  }
  unsigned char* bytes = nullptr;
  unsigned long size = 0;
  if (!dndReadSelection(textTarget, time, &bytes, &size)) return false;
  size_t textSize = 0;
  char* text = nullptr;
  if (textTarget == atoms.string) {
    text = x11Latin1ToUtf8(reinterpret_cast<const char*>(bytes), size, &textSize);
  } else {
    text = static_cast<char*>(std::malloc(size + 1));
    if (text) {
      for (unsigned long i = 0; i < size; ++i) text[i] = static_cast<char>(bytes[i]);
      text[size] = '\0';
      textSize = size;
    }
  }
  XFree(bytes);
  if (!text) return false;
  dragContainer->setText(text, textSize);
  return true;
}

// Each frame registers its own XDND target; nothing is set up per editor.
void* platformDragDropStartup() {
  return nullptr;
}

void platformDragDropShutdown(void* /*token*/) {}
