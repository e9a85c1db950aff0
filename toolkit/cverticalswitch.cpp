#include "cverticalswitch.h"

#include <cmath>
#include <cstring>

#include "cbitmap.h"

CVerticalSwitch::CVerticalSwitch(const CRect& size, CControlListener* listener, int32_t tag,
                                 CBitmap* background, const CPoint& offset)
    : CControl(size, listener, tag, background), offset(offset), subPixmaps(0), iMaxPositions(0), coef(0) {
  heightOfOneImage = size.height();
  if (background && heightOfOneImage > 0) subPixmaps = background->getHeight() / heightOfOneImage;
  iMaxPositions = subPixmaps;
  setDefaultValue(0.0f);
}

CVerticalSwitch::CVerticalSwitch(const CRect& size, CControlListener* listener, int32_t tag,
                                 int32_t subPixmaps, int32_t heightOfOneImage, int32_t iMaxPositions,
                                 CBitmap* background, const CPoint& offset)
    : CControl(size, listener, tag, background),
      offset(offset),
      subPixmaps(subPixmaps),
      iMaxPositions(iMaxPositions),
      coef(0) {
  this->heightOfOneImage = heightOfOneImage;
  setDefaultValue(0.0f);
}

int32_t CVerticalSwitch::getImageIndex() const {
  double index = (iMaxPositions - 1) * static_cast<double>(value) + 0.5;
  // Out-of-range values show the end images instead of reading outside the strip.
  if (!(index >= 0.0)) return 0;
  int32_t last = iMaxPositions > 0 ? iMaxPositions - 1 : 0;
  if (index >= last + 1) return last;
  return static_cast<int32_t>(index);
}

void CVerticalSwitch::draw(CDrawContext* context) {
  if (pBackground) {
    CPoint where(0, getImageIndex() * heightOfOneImage);
    if (bTransparencyEnabled)
      pBackground->drawTransparent(context, size, where);
    else
      pBackground->draw(context, size, where);
  }
  setDirty(false);
}

CMouseEventResult CVerticalSwitch::onMouseDown(const CPoint& where, int32_t buttons) {
  if (!(buttons & kLButton)) return kMouseEventNotHandled;
  coef = iMaxPositions > 0 ? static_cast<double>(heightOfOneImage) / iMaxPositions : 0.0;
  beginEdit();
  if (checkDefaultValue(buttons)) {
    endEdit();
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
  }
  return onMouseMoved(where, buttons);
}

CMouseEventResult CVerticalSwitch::onMouseMoved(const CPoint& where, int32_t buttons) {
  if (buttons & kLButton) {
    // A switch of one position (or an empty strip) has nothing to choose: it stays at 0.
    double v = 0.0;
    if (coef > 0.0 && iMaxPositions > 1) v = std::trunc((where.v - size.top) / coef) / (iMaxPositions - 1);
    if (v > 1.0) v = 1.0;
    if (v < 0.0) v = 0.0;
    value = static_cast<float>(v);
    if (isDirty() && listener) listener->valueChanged(this);
    if (isDirty()) invalid();
  }
  return kMouseEventHandled;
}

CMouseEventResult CVerticalSwitch::onMouseUp(const CPoint&, int32_t) {
  endEdit();
  return kMouseEventHandled;
}

bool CVerticalSwitch::isTypeOf(const char* className) const {
  if (std::strcmp(className, "CVerticalSwitch") == 0) return true;
  return CControl::isTypeOf(className);
}
