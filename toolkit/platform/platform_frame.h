// The seam between the window-independent frame (CFrame) and a window system.
//
// Threads: everything below runs on the host's user-interface thread, the thread that opens the
// editor and calls its idle. Nothing here is locked and nothing may be called from elsewhere.
//
// Who calls what:
// - CFrame's constructor calls createPlatformFrame() when it is given a parent window. A null
//   answer means "no window": the frame still holds, draws and routes the tree, and every
//   window operation below becomes a no-op (or answers false). Without any backend compiled
//   (the null backend) createPlatformFrame always answers null.
// - CFrame calls the IPlatformFrame operations: invalidate() from invalidRect(); setCursor();
//   captureMouse()/releaseMouse() from platformMouseDown()/platformMouseUp(); the mouse
//   location and live buttons from getCurrentMouseLocation()/getCurrentMouseButtons();
//   setSize/getSize/getPosition; setDropActive(); createDrawContext(); processEvents() from
//   CFrame::idle() (reached from the editor's idle), and pumpOnePendingPaint() from the
//   editor's idle pump (AEffGUIEditor::doIdleStuff).
// - The backend calls back into CFrame, from inside processEvents() or pumpOnePendingPaint()
//   (or from its own window procedure on systems that dispatch there):
//     frame->platformMouseDown(where, buttons)  press; captures the pointer when handled
//     frame->platformMouseUp(where, buttons)    release; releases the capture
//     frame->onMouseMoved(where, buttons)       pointer moved (frame coordinates)
//     frame->onMouseExited(where, buttons)      pointer left the window
//     frame->onWheel(where, distance, buttons)  distance from platformWheelDistance()
//     frame->platformDrawRect(context, rect)    paint: draw the tree's update rectangle into
//                                               a context over the backend's paint target
//     frame->onDragEnter/onDragMove/onDragLeave/onDrop(drag, where)   drops (CDragContainer)
//     frame->platformDestroyed()                the window is gone (clears the open flag)
//   Points are frame-relative pixels; buttons are the toolkit's button and modifier set
//   (kLButton ... kDoubleClick, logical buttons: a swapped mouse is already unswapped).
// - Re-entry: a view handling a press may call the idle pump, which calls processEvents()
//   and pumpOnePendingPaint() again while the backend is still inside its own dispatch. A
//   nested processEvents() must return at once; pumpOnePendingPaint() paints at most one
//   pending paint and dispatches no other event.
// - The frame owns its IPlatformFrame and deletes it in its destructor, after removing all
//   views; the backend must not call into the frame after platformDestroyed() or from its
//   destructor.
#pragma once

#include <cstdint>

class CFrame;
class CDrawContext;
struct CPoint;
struct CRect;

// Cursor shapes for setCursor (the numbers are the toolkit's).
enum CCursorType {
  kCursorDefault = 0,
  kCursorWait = 1,
  kCursorHSize = 2,
  kCursorVSize = 3,
  kCursorSizeAll = 4,
  kCursorNESWSize = 5,
  kCursorNWSESize = 6,
  kCursorCopy = 7,
  kCursorNotAllowed = 8,
  kCursorHand = 9
};

class IPlatformFrame {
 public:
  virtual ~IPlatformFrame() {}

  // Asks for a paint of rect (frame coordinates); the paint arrives later through
  // CFrame::platformDrawRect.
  virtual void invalidate(const CRect& rect) = 0;
  // Types 1-6, 8, 9 show the standard shape; 0, 7 and unknown values restore the cursor that
  // was in force before the first call.
  virtual void setCursor(int32_t type) = 0;
  virtual void captureMouse() = 0;
  virtual void releaseMouse() = 0;
  // Pointer position relative to the frame's window, read live from the window system.
  virtual bool getCurrentMouseLocation(CPoint& where) = 0;
  // Live logical buttons plus kShift, kControl, kAlt.
  virtual int32_t getCurrentMouseButtons() = 0;
  // Resizes the window (and what of its parents belongs to it). Answers false when the host
  // owns the enclosing window and must do the resizing itself: the frame then keeps its view
  // size.
  virtual bool setSize(int32_t width, int32_t height) = 0;
  // The parent window's rectangle, as the frame reports it; false when it cannot be read.
  virtual bool getSize(CRect& rect) = 0;
  virtual bool getPosition(int32_t& x, int32_t& y) = 0;
  // Registers or revokes the drop target; false when it cannot.
  virtual bool setDropActive(bool active) = 0;
  // A new context drawing onto the window (the caller forgets it), or null when the backend
  // cannot draw outside a paint: the frame then uses a context without a target.
  virtual CDrawContext* createDrawContext() = 0;
  // Handles every pending window-system event for this window, calling back into the frame.
  virtual void processEvents() = 0;
  // Paints one pending paint request, if any; handles nothing else.
  virtual void pumpOnePendingPaint() = 0;
};

// Creates the window for frame inside parentWindow with the given size; null when no window
// can be made (or when no windowing backend is compiled).
IPlatformFrame* createPlatformFrame(CFrame* frame, void* parentWindow, const CRect& size);

// Milliseconds since system start (wraps at 32 bits), and sleeping the calling thread.
uint32_t getPlatformTicks();
void platformWait(uint32_t milliseconds);
// The system's double-click interval in milliseconds.
uint32_t getPlatformDoubleClickTime();

// The window system's drag-and-drop support, set up by each editor for its lifetime. The answer
// is handed back to platformDragDropShutdown; none when nothing was set up (or is needed).
void* platformDragDropStartup();
void platformDragDropShutdown(void* token);

// The clock behind getPlatformTicks/platformWait can be replaced (tests play a fake clock).
class IPlatformClock {
 public:
  virtual ~IPlatformClock() {}
  virtual uint32_t getTicks() = 0;
  virtual void wait(uint32_t milliseconds) = 0;
};
// Installs clock (null: the system clock) and answers the one in force before.
IPlatformClock* setPlatformClock(IPlatformClock* clock);

// A wheel delta in the window system's units (120 per notch) as the toolkit's distance:
// whole notches only, truncated toward zero, so half a notch gives 0.
inline float platformWheelDistance(int32_t delta) {
  return static_cast<float>(delta / 120);
}
