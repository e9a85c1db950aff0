// The context's waiting loops for double clicks and drags, polling the frame.
#include "cdrawcontext.h"
#include "cframe.h"
#include "platform/platform_frame.h"

namespace {

constexpr int32_t kDragBox = 2;  // the pointer may wander this far (in both directions) before it counts

bool leftBox(const CPoint& start, const CPoint& now) {
  return now.h < start.h - kDragBox || now.h > start.h + kDragBox || now.v < start.v - kDragBox ||
         now.v > start.v + kDragBox;
}

}  // namespace

bool CDrawContext::waitDoubleClick() {
  if (!pFrame) return false;
  CPoint start;
  getMouseLocation(start);
  uint32_t begin = getPlatformTicks();
  uint32_t limit = getPlatformDoubleClickTime();
  // The press being handled must end before a second one can count.
  bool released = (getMouseButtons() & kLButton) == 0;
  while (getPlatformTicks() - begin < limit) {
    CPoint now;
    getMouseLocation(now);
    if (leftBox(start, now)) return false;
    bool down = (getMouseButtons() & kLButton) != 0;
    if (!down) {
      released = true;
    } else if (released) {
      return true;
    }
    platformWait(5);
  }
  return false;
}

bool CDrawContext::waitDrag() {
  if (!pFrame) return false;
  CPoint start;
  getMouseLocation(start);
  while (getMouseButtons() & kLButton) {
    pFrame->doIdleStuff();
    CPoint now;
    getMouseLocation(now);
    if (leftBox(start, now)) return true;
    platformWait(5);
  }
  return false;
}
