// Pointer polling and the default clip for builds without the frame.
#include "cdrawcontext.h"

CRect CDrawContext::defaultClip() const {
  return CRect(0, 0, 1000, 1000);
}

CPoint& CDrawContext::getMouseLocation(CPoint& point) {
  point = CPoint(0, 0);
  return point;
}

int32_t CDrawContext::getMouseButtons() {
  return 0;
}

bool CDrawContext::waitDoubleClick() {
  return false;
}

bool CDrawContext::waitDrag() {
  return false;
}
