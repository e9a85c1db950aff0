// The frame's window on X11: a child of the host's window, its events, painting through a
// back buffer, the pointer grab, cursors, key focus on click and the XDND drop target.
#pragma once

#include <X11/Xlib.h>
#include <cairo/cairo.h>

#include <cstdint>

#include "toolkit/geometry.h"
#include "toolkit/platform/platform_frame.h"
#include "x11_input.h"

class X11Connection;
class X11DragContainer;
class COffscreenContext;

class X11Frame : public IPlatformFrame {
 public:
  // The window for frame inside parent, or null when there is no display, no parent or a
  // parent that does not exist.
  static X11Frame* create(CFrame* frame, Window parent, const CRect& size);
  ~X11Frame() override;

  void invalidate(const CRect& rect) override;
  void setCursor(int32_t type) override;
  void captureMouse() override;
  void releaseMouse() override;
  bool getCurrentMouseLocation(CPoint& where) override;
  int32_t getCurrentMouseButtons() override;
  bool setSize(int32_t width, int32_t height) override;
  bool getSize(CRect& rect) override;
  bool getPosition(int32_t& x, int32_t& y) override;
  bool setDropActive(bool active) override;
  CDrawContext* createDrawContext() override;
  void processEvents() override;
  void pumpOnePendingPaint() override;

  Window getWindow() const { return window; }
  bool isAlive() const { return alive; }
  // The window is gone (destroyed with the host's window): no further request may name it.
  void windowLost();
  // Handles one event addressed to this frame's window.
  void handleEvent(XEvent& event);

 private:
  X11Frame(CFrame* frame, X11Connection* connection, Window parent, const CRect& size);
  bool createWindow(const XWindowAttributes& parentAttributes);

  void handleButtonPress(const XButtonEvent& event);
  void handleButtonRelease(const XButtonEvent& event);
  void handleMotion(const XMotionEvent& event);
  void handleLeave(const XCrossingEvent& event);
  void handleKey(XKeyEvent& event, bool down);
  void handleClientMessage(const XClientMessageEvent& event);
  void handleFocusOut(const XFocusChangeEvent& event);
  void notifyLost();
  void setKeyFocus(bool focused, Time time);
  void addDamage(const CRect& rect);
  void paintDamage();
  bool canCopyImageDirectly() const;
  void copyImageDirectly(cairo_surface_t* source, const CRect& rect);
  cairo_surface_t* getWindowSurface();
  void collectExposes();

  // XDND target.
  void dndEnter(const XClientMessageEvent& event);
  void dndPosition(const XClientMessageEvent& event);
  void dndLeave(const XClientMessageEvent& event);
  void dndDrop(const XClientMessageEvent& event);
  void dndSendStatus(bool accept);
  void dndSendFinished(bool accepted);
  void dndSendToSource(Atom messageType, long data1, long data2, long data4);
  Atom dndChooseTarget(const Atom* types, unsigned long count) const;
  bool dndPointFromRoot(long packed, CPoint& where);
  bool dndReadSelection(Atom target, Time time, unsigned char** data, unsigned long* size);
  bool dndFetch(Time time);
  void dndEnd();

  CFrame* frame;
  X11Connection* connection;
  Display* display;
  Window parent;
  Window window;
  bool alive;
  bool lostNotified;
  int32_t width;
  int32_t height;
  long eventMask;
  Window root;

  cairo_surface_t* windowSurface;  // for drawing on the window itself; made on first use
  Visual* visual;
  int depth;
  bool directCopy;  // the back buffer's pixels suit the window as they are
  GC copyGC;
  COffscreenContext* backBuffer;
  CRect damage;
  bool hasDamage;

  bool grabbed;
  bool keyFocus;
  int32_t extraButtons;  // buttons 8 and 9 held (X11 keeps no state bits for them)
  Time lastEventTime;
  X11DoubleClickDetector doubleClick;
  bool dropActive;

  enum { kMaxDndTypes = 32 };
  Window dndSource;
  long dndVersion;
  Atom dndTypes[kMaxDndTypes];
  unsigned long dndTypeCount;
  Atom dndTarget;  // the type we read the items as (None: nothing we understand)
  CPoint dndWhere;
  X11DragContainer* dragContainer;
};
