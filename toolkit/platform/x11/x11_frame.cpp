#include "x11_frame.h"

#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <cairo/cairo-xlib.h>

#include <cstdlib>

#include "toolkit/cbitmap.h"
#include "toolkit/cdrawcontext.h"
#include "toolkit/cframe.h"
#include "x11_connection.h"
#include "x11_error_trap.h"

namespace {

// A second press within this time and box is a double click.
const int kDoubleClickSlop = 2;

const long kBaseEventMask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                            EnterWindowMask | LeaveWindowMask | StructureNotifyMask | FocusChangeMask;
const long kKeyEventMask = KeyPressMask | KeyReleaseMask;
const unsigned int kPointerButtonMasks = Button1Mask | Button2Mask | Button3Mask;

}  // namespace

IPlatformFrame* createPlatformFrame(CFrame* frame, void* parentWindow, const CRect& size) {
  return X11Frame::create(frame, static_cast<Window>(reinterpret_cast<uintptr_t>(parentWindow)), size);
}

X11Frame* X11Frame::create(CFrame* frame, Window parent, const CRect& size) {
  if (!frame || !parent) return nullptr;
  X11Connection* connection = X11Connection::acquire();
  if (!connection) return nullptr;
  X11Frame* result = nullptr;
  bool made = false;
  {
    // The parent is the host's: it may be a stale id. Asking for it under the trap turns a dead
    // window into a failed open instead of an error the host's handler would act on.
    X11ErrorTrap trap(connection->display());
    XWindowAttributes attributes;
    if (XGetWindowAttributes(connection->display(), parent, &attributes) && trap.sync() &&
        attributes.c_class == InputOutput) {
      result = new X11Frame(frame, connection, parent, size);
      made = result->createWindow(attributes) && trap.sync();
    }
  }
  // Only now, with the trap gone: the last release closes the connection.
  if (result && !made) {
    delete result;  // releases the connection
    return nullptr;
  }
  if (!result) X11Connection::release();
  return result;
}

X11Frame::X11Frame(CFrame* frame, X11Connection* connection, Window parent, const CRect& size)
    : frame(frame),
      connection(connection),
      display(connection->display()),
      parent(parent),
      window(0),
      alive(false),
      lostNotified(false),
      width(size.width() > 0 ? size.width() : 1),
      height(size.height() > 0 ? size.height() : 1),
      eventMask(kBaseEventMask),
      root(0),
      windowSurface(nullptr),
      visual(nullptr),
      depth(0),
      directCopy(false),
      copyGC(nullptr),
      backBuffer(nullptr),
      hasDamage(false),
      grabbed(false),
      keyFocus(false),
      extraButtons(0),
      lastEventTime(CurrentTime),
      doubleClick(getPlatformDoubleClickTime(), kDoubleClickSlop),
      dropActive(false),
      dndSource(0),
      dndVersion(0),
      dndTypes(),
      dndTypeCount(0),
      dndTarget(0),
      dndWhere(),
      dragContainer(nullptr) {}

bool X11Frame::createWindow(const XWindowAttributes& parentAttributes) {
  root = parentAttributes.root;
  XSetWindowAttributes attributes;
  attributes.event_mask = eventMask;
  attributes.background_pixmap = None;  // every pixel comes from the back buffer: no flicker
  attributes.bit_gravity = NorthWestGravity;
  window = XCreateWindow(display, parent, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height),
                         0, CopyFromParent, InputOutput, CopyFromParent,
                         CWEventMask | CWBackPixmap | CWBitGravity, &attributes);
  if (!window) return false;
  alive = true;
  connection->registerFrame(window, this);
  visual = parentAttributes.visual;
  depth = parentAttributes.depth;
  directCopy = canCopyImageDirectly();
  copyGC = XCreateGC(display, window, 0, nullptr);
  XMapWindow(display, window);
  return alive;
}

X11Frame::~X11Frame() {
  dndEnd();
  if (backBuffer) backBuffer->forget();
  backBuffer = nullptr;
  {
    X11ErrorTrap trap(display);
    if (alive) {
      // The host may have destroyed its window (and ours with it) without telling us: the
      // notification is then waiting in the queue, and the window must not be named again.
      XSync(display, False);
      XEvent event;
      if (XCheckTypedWindowEvent(display, window, DestroyNotify, &event)) alive = false;
    }
    if (alive && grabbed) XUngrabPointer(display, CurrentTime);
    if (windowSurface) cairo_surface_destroy(windowSurface);
    windowSurface = nullptr;
    if (copyGC) XFreeGC(display, copyGC);
    copyGC = nullptr;
    if (alive) XDestroyWindow(display, window);
    alive = false;
  }
  if (window) connection->unregisterFrame(window);
  X11Connection::release();
}

void X11Frame::windowLost() {
  // Called from inside the error handler: only flags may change here.
  alive = false;
}

void X11Frame::notifyLost() {
  if (alive || lostNotified) return;
  lostNotified = true;
  grabbed = false;
  dndEnd();
  frame->platformDestroyed();
}

// ---------------------------------------------------------------------------------------------
// Event dispatch

void X11Frame::processEvents() {
  if (connection->dispatching) return;
  connection->dispatching = true;
  {
    X11ErrorTrap trap(display);
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (X11Frame* target = connection->findFrame(event.xany.window)) target->handleEvent(event);
    }
    trap.sync();
    notifyLost();
    // Views that the events just handled marked dirty are painted in this idle too: nobody
    // pumps this connection between the host's idle calls, so a paint left for later would
    // wait a whole idle period.
    if (alive && frame->isOpen()) frame->invalidateDirtyViews();
    paintDamage();
  }
  connection->dispatching = false;
}

void X11Frame::pumpOnePendingPaint() {
  if (!alive) return;
  X11ErrorTrap trap(display);
  collectExposes();
  paintDamage();
}

void X11Frame::handleEvent(XEvent& event) {
  switch (event.type) {
    case Expose:
      addDamage(CRect(event.xexpose.x, event.xexpose.y, event.xexpose.x + event.xexpose.width,
                      event.xexpose.y + event.xexpose.height));
      break;
    case ButtonPress:
      handleButtonPress(event.xbutton);
      break;
    case ButtonRelease:
      handleButtonRelease(event.xbutton);
      break;
    case MotionNotify: {
      // Only the latest position matters: moves queued behind it are skipped.
      XEvent next;
      while (XPending(display) > 0) {
        XPeekEvent(display, &next);
        if (next.type != MotionNotify || next.xmotion.window != window) break;
        XNextEvent(display, &event);
      }
      handleMotion(event.xmotion);
      break;
    }
    case LeaveNotify:
      handleLeave(event.xcrossing);
      break;
    case KeyPress:
      handleKey(event.xkey, true);
      break;
    case KeyRelease:
      handleKey(event.xkey, false);
      break;
    case FocusOut:
      handleFocusOut(event.xfocus);
      break;
    case ClientMessage:
      handleClientMessage(event.xclient);
      break;
    case DestroyNotify:
      if (event.xdestroywindow.window == window) {
        alive = false;
        notifyLost();
      }
      break;
    default:
      break;
  }
}

void X11Frame::handleButtonPress(const XButtonEvent& event) {
  if (!alive) return;
  lastEventTime = event.time;
  CPoint where(event.x, event.y);
  int32_t axis = 0;
  float distance = 0.f;
  if (x11WheelFromButton(event.button, axis, distance)) {
    // Wheel notches carry only the modifier keys.
    const int32_t modifiers = x11ButtonsFromState(event.state) & (kShift | kControl | kAlt);
    if (axis == kMouseWheelAxisY)
      frame->onWheel(where, distance, modifiers);
    else
      frame->onWheel(where, kMouseWheelAxisX, distance, modifiers);
    return;
  }
  const int32_t flag = x11ButtonFlag(event.button);
  if (!flag) return;
  if (!keyFocus) setKeyFocus(true, event.time);
  int32_t buttons = x11ButtonsFromState(event.state, extraButtons) | flag;
  extraButtons |= flag & (kButton4 | kButton5);
  if (doubleClick.press(event.button, event.time, event.x, event.y)) buttons |= kDoubleClick;
  frame->platformMouseDown(where, buttons);
}

void X11Frame::handleButtonRelease(const XButtonEvent& event) {
  if (!alive) return;
  lastEventTime = event.time;
  const int32_t flag = x11ButtonFlag(event.button);
  if (!flag) return;  // wheel notches come as press and release: the press did the work
  extraButtons &= ~(flag & (kButton4 | kButton5));
  // Like the press, the release reports what is held once it has happened.
  const int32_t buttons = x11ButtonsFromState(event.state, extraButtons) & ~flag;
  CPoint where(event.x, event.y);
  frame->platformMouseUp(where, buttons);
}

void X11Frame::handleMotion(const XMotionEvent& event) {
  if (!alive) return;
  lastEventTime = event.time;
  CPoint where(event.x, event.y);
  frame->onMouseMoved(where, x11ButtonsFromState(event.state, extraButtons));
}

void X11Frame::handleLeave(const XCrossingEvent& event) {
  if (!alive) return;
  // Grabs and pointer moves into child windows are no leave; nor is a drag that crosses the
  // edge with a button held (the release still comes to us).
  if (event.mode == NotifyGrab || event.detail == NotifyInferior) return;
  if (grabbed || (event.state & kPointerButtonMasks)) return;
  CPoint where;
  getCurrentMouseLocation(where);
  frame->onMouseExited(where, getCurrentMouseButtons());
}

void X11Frame::handleKey(XKeyEvent& event, bool down) {
  if (!alive) return;
  KeySym symbol = NoSymbol;
  char text[8];
  XLookupString(&event, text, sizeof(text), &symbol, nullptr);
  VstKeyCode key;
  if (!x11TranslateKey(symbol, event.state, key)) return;
  if (down)
    frame->onKeyDown(key);
  else
    frame->onKeyUp(key);
}

void X11Frame::handleFocusOut(const XFocusChangeEvent& event) {
  if (event.detail == NotifyInferior || event.detail == NotifyPointer) return;
  if (keyFocus) setKeyFocus(false, CurrentTime);
}

void X11Frame::setKeyFocus(bool focused, Time time) {
  if (!alive) return;
  // Keys are taken only after the user clicked into the editor: selecting them earlier would
  // take every key from the host while the pointer merely crosses our window.
  keyFocus = focused;
  eventMask = focused ? (kBaseEventMask | kKeyEventMask) : kBaseEventMask;
  XSelectInput(display, window, eventMask);
  if (focused) XSetInputFocus(display, window, RevertToParent, time);
}

// ---------------------------------------------------------------------------------------------
// Painting

void X11Frame::invalidate(const CRect& rect) {
  addDamage(rect);
}

void X11Frame::addDamage(const CRect& rect) {
  CRect r(rect);
  r.bound(CRect(0, 0, width, height));
  if (r.isEmpty()) return;
  if (hasDamage) {
    damage.unite(r);
  } else {
    damage = r;
    hasDamage = true;
  }
}

void X11Frame::collectExposes() {
  XEvent event;
  while (XCheckTypedWindowEvent(display, window, Expose, &event))
    addDamage(CRect(event.xexpose.x, event.xexpose.y, event.xexpose.x + event.xexpose.width,
                    event.xexpose.y + event.xexpose.height));
}

void X11Frame::paintDamage() {
  if (!hasDamage || !alive) return;
  const CRect updateRect = damage;
  hasDamage = false;
  // X11 promises no compositing: the tree always draws into a back buffer of the frame's size,
  // and only the update rectangle is copied to the window.
  if (!backBuffer) backBuffer = new COffscreenContext(frame, width, height, kBlackCColor);
  frame->platformDrawRect(backBuffer, updateRect);
  CBitmap* bitmap = backBuffer->getBitmap();
  cairo_surface_t* source = bitmap ? static_cast<cairo_surface_t*>(bitmap->getPlatformImage()) : nullptr;
  if (!source) return;
  cairo_surface_flush(source);
  if (directCopy) {
    copyImageDirectly(source, updateRect);
  } else if (cairo_surface_t* target = getWindowSurface()) {
    cairo_t* cr = cairo_create(target);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, source, 0, 0);
    cairo_rectangle(cr, updateRect.left, updateRect.top, updateRect.width(), updateRect.height());
    cairo_fill(cr);
    cairo_destroy(cr);
    cairo_surface_flush(target);
  }
  XFlush(display);
}

bool X11Frame::canCopyImageDirectly() const {
  // The back buffer's pixels are 32-bit words 0xAARRGGBB: a true-colour window of 24 or 32 bits
  // with those colour masks and 32-bit pixels takes them as they are. Copying them with a plain
  // image request keeps the graphics library's X11 backend, its per-display state and its caches
  // out of every paint (closing a display never gives all of that back).
  if (!visual || visual->c_class != TrueColor || (depth != 24 && depth != 32)) return false;
  if (visual->red_mask != 0xFF0000 || visual->green_mask != 0xFF00 || visual->blue_mask != 0xFF) return false;
  int count = 0;
  XPixmapFormatValues* formats = XListPixmapFormats(display, &count);
  bool fits = false;
  for (int i = 0; i < count; ++i)
    if (formats[i].depth == depth) fits = formats[i].bits_per_pixel == 32;
  if (formats) XFree(formats);
  return fits;
}

void X11Frame::copyImageDirectly(cairo_surface_t* source, const CRect& rect) {
  if (cairo_image_surface_get_format(source) != CAIRO_FORMAT_ARGB32) return;
  XImage image = {};
  image.width = cairo_image_surface_get_width(source);
  image.height = cairo_image_surface_get_height(source);
  image.format = ZPixmap;
  image.data = reinterpret_cast<char*>(cairo_image_surface_get_data(source));
  // The words are in this machine's order; Xlib swaps them for a server of the other order.
  const uint32_t probe = 1;
  image.byte_order = *reinterpret_cast<const unsigned char*>(&probe) == 1 ? LSBFirst : MSBFirst;
  image.bitmap_unit = 32;
  image.bitmap_bit_order = image.byte_order;
  image.bitmap_pad = 32;
  image.depth = depth;
  image.bytes_per_line = cairo_image_surface_get_stride(source);
  image.bits_per_pixel = 32;
  image.red_mask = visual->red_mask;
  image.green_mask = visual->green_mask;
  image.blue_mask = visual->blue_mask;
  if (!image.data || !XInitImage(&image)) return;
  CRect r(rect);
  r.bound(CRect(0, 0, image.width, image.height));
  if (r.isEmpty()) return;
  XPutImage(display, window, copyGC, &image, r.left, r.top, r.left, r.top, static_cast<unsigned>(r.width()),
            static_cast<unsigned>(r.height()));
}

cairo_surface_t* X11Frame::getWindowSurface() {
  // Made on first use only: painting copies the back buffer without it on common displays.
  if (!windowSurface && alive && visual)
    windowSurface = cairo_xlib_surface_create(display, window, visual, width, height);
  return windowSurface;
}

CDrawContext* X11Frame::createDrawContext() {
  cairo_surface_t* target = alive ? getWindowSurface() : nullptr;
  if (!target) return nullptr;
  cairo_t* cr = cairo_create(target);
  CDrawContext* context = new CDrawContext(frame, cr, reinterpret_cast<void*>(window));
  cairo_destroy(cr);  // the context holds its own reference
  return context;
}

// ---------------------------------------------------------------------------------------------
// Pointer, cursor and geometry

void X11Frame::captureMouse() {
  if (!alive) return;
  X11ErrorTrap trap(display);
  const unsigned int mask = ButtonPressMask | ButtonReleaseMask | PointerMotionMask;
  grabbed = XGrabPointer(display, window, False, mask, GrabModeAsync, GrabModeAsync, None, None,
                         lastEventTime) == GrabSuccess;
}

void X11Frame::releaseMouse() {
  if (!grabbed) return;
  grabbed = false;
  if (!alive) return;
  X11ErrorTrap trap(display);
  XUngrabPointer(display, lastEventTime);
}

bool X11Frame::getCurrentMouseLocation(CPoint& where) {
  if (!alive) return false;
  X11ErrorTrap trap(display);
  Window rootReturn, childReturn;
  int rootX, rootY, x, y;
  unsigned int mask;
  if (!XQueryPointer(display, window, &rootReturn, &childReturn, &rootX, &rootY, &x, &y, &mask)) return false;
  where(x, y);
  return true;
}

int32_t X11Frame::getCurrentMouseButtons() {
  if (!alive) return 0;
  X11ErrorTrap trap(display);
  Window rootReturn, childReturn;
  int rootX, rootY, x, y;
  unsigned int mask = 0;
  XQueryPointer(display, window, &rootReturn, &childReturn, &rootX, &rootY, &x, &y, &mask);
  // The server reports logical buttons: a swapped pointer mapping is already applied.
  return x11ButtonsFromState(mask, extraButtons);
}

void X11Frame::setCursor(int32_t type) {
  if (!alive) return;
  unsigned int shape = 0;
  switch (type) {
    case kCursorWait:
      shape = XC_watch;
      break;
    case kCursorHSize:
      shape = XC_sb_h_double_arrow;
      break;
    case kCursorVSize:
      shape = XC_sb_v_double_arrow;
      break;
    case kCursorSizeAll:
      shape = XC_fleur;
      break;
    case kCursorNESWSize:
      shape = XC_bottom_left_corner;
      break;
    case kCursorNWSESize:
      shape = XC_bottom_right_corner;
      break;
    case kCursorNotAllowed:
      shape = XC_X_cursor;
      break;
    case kCursorHand:
      shape = XC_hand2;
      break;
    default:
      break;  // the default cursor: the one our window inherits from the host's
  }
  X11ErrorTrap trap(display);
  Cursor cursor = shape ? connection->fontCursor(shape) : 0;
  if (cursor)
    XDefineCursor(display, window, cursor);
  else
    XUndefineCursor(display, window);
}

bool X11Frame::setSize(int32_t newWidth, int32_t newHeight) {
  if (!alive || newWidth <= 0 || newHeight <= 0) return false;
  if (newWidth == width && newHeight == height) return false;
  X11ErrorTrap trap(display);
  // A parent exactly our size only wraps us and grows along; a larger one is the host's to
  // resize (it hears of our new size through the window's configure notification).
  Window rootReturn;
  int x, y;
  unsigned int pw = 0, ph = 0, border, depth;
  if (XGetGeometry(display, parent, &rootReturn, &x, &y, &pw, &ph, &border, &depth) &&
      static_cast<int32_t>(pw) == width && static_cast<int32_t>(ph) == height)
    XResizeWindow(display, parent, static_cast<unsigned>(newWidth), static_cast<unsigned>(newHeight));
  XResizeWindow(display, window, static_cast<unsigned>(newWidth), static_cast<unsigned>(newHeight));
  width = newWidth;
  height = newHeight;
  if (windowSurface) cairo_xlib_surface_set_size(windowSurface, width, height);
  if (backBuffer) backBuffer->forget();
  backBuffer = nullptr;
  return trap.sync();
}

bool X11Frame::getSize(CRect& rect) {
  if (!alive) return false;
  X11ErrorTrap trap(display);
  Window rootReturn;
  int x = 0, y = 0;
  unsigned int w = 0, h = 0, border, depth;
  if (!XGetGeometry(display, parent, &rootReturn, &x, &y, &w, &h, &border, &depth) || !trap.sync())
    return false;
  rect(x, y, x + static_cast<int32_t>(w), y + static_cast<int32_t>(h));
  return true;
}

bool X11Frame::getPosition(int32_t& x, int32_t& y) {
  if (!alive) return false;
  X11ErrorTrap trap(display);
  // The outer window: climb while the parent is hardly larger than the frame (a wrapper of the
  // host's around the editor), at most a few levels and never to the root.
  Window current = window;
  for (int level = 0; level < 8; ++level) {
    Window rootReturn = 0, parentReturn = 0, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, current, &rootReturn, &parentReturn, &children, &count)) return false;
    if (children) XFree(children);
    if (!parentReturn || parentReturn == rootReturn) break;
    Window r;
    int px, py;
    unsigned int pw, ph, border, depth;
    if (!XGetGeometry(display, parentReturn, &r, &px, &py, &pw, &ph, &border, &depth)) return false;
    if (std::abs(static_cast<int32_t>(pw) - width) > 60 || std::abs(static_cast<int32_t>(ph) - height) > 60)
      break;
    current = parentReturn;
  }
  Window r;
  int cx = 0, cy = 0;
  unsigned int cw, ch, border, depth;
  if (!XGetGeometry(display, current, &r, &cx, &cy, &cw, &ch, &border, &depth) || !trap.sync()) return false;
  x = cx;
  y = cy;
  return true;
}
