// The context's default clip and pointer polling, which go through the frame.
#include "cdrawcontext.h"
#include "cframe.h"

CRect CDrawContext::defaultClip() const {
  if (pFrame) {
    CRect r;
    pFrame->getViewSize(r);
    return r;
  }
  return CRect(0, 0, 1000, 1000);
}

// The frame reads the pointer relative to its window; offsetScreen (the window's
// origin, moved by the containers a view asks through) is taken off.
CPoint& CDrawContext::getMouseLocation(CPoint& point) {
  CPoint where;
  if (pFrame) pFrame->getCurrentMouseLocation(where);
  point = where - offsetScreen;
  return point;
}

int32_t CDrawContext::getMouseButtons() {
  return pFrame ? pFrame->getCurrentMouseButtons() : 0;
}
