#include "cbuttons.h"

#include <cstring>

#include "cbitmap.h"

namespace {

void drawBackground(CBitmap* bitmap, CDrawContext* context, const CRect& size, const CPoint& offset,
                    bool transparent) {
  if (!bitmap) return;
  if (transparent)
    bitmap->drawTransparent(context, size, offset);
  else
    bitmap->draw(context, size, offset);
}

}  // namespace

COnOffButton::COnOffButton(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background,
                           int32_t style)
    : CControl(size, listener, tag, background), style(style) {}

void COnOffButton::draw(CDrawContext* context) {
  int32_t off = (value == 0.0f || !pBackground) ? 0 : pBackground->getHeight() / 2;
  drawBackground(pBackground, context, size, CPoint(0, off), bTransparencyEnabled);
  setDirty(false);
}

CMouseEventResult COnOffButton::onMouseDown(const CPoint&, int32_t buttons) {
  if (!(buttons & kLButton)) return kMouseEventNotHandled;
  // The value truncated toward zero decides: 0.7 counts as off. (Compared as a float so
  // that a huge or undefined value cannot overflow an integer conversion.)
  bool isOff = value > -1.0f && value < 1.0f;
  value = isOff ? 1.0f : 0.0f;
  invalid();
  if (style == kPostListenerUpdate && listener) {
    beginEdit();
    listener->valueChanged(this);
    endEdit();
  }
  doIdleStuff();
  if (style == kPreListenerUpdate && listener) {
    beginEdit();
    listener->valueChanged(this);
    endEdit();
  }
  return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}

bool COnOffButton::isTypeOf(const char* className) const {
  if (std::strcmp(className, "COnOffButton") == 0) return true;
  return CControl::isTypeOf(className);
}

CKickButton::CKickButton(const CRect& size, CControlListener* listener, int32_t tag, int32_t heightOfOneImage,
                         CBitmap* background, const CPoint& offset)
    : CControl(size, listener, tag, background), offset(offset), fEntryState(0.0f) {
  setHeightOfOneImage(heightOfOneImage);
}

void CKickButton::draw(CDrawContext* context) {
  bounceValue();
  CPoint where(offset);
  if (value != 0.0f) where.v += heightOfOneImage;
  drawBackground(pBackground, context, size, where, bTransparencyEnabled);
  setDirty(false);
}

CMouseEventResult CKickButton::onMouseDown(const CPoint& where, int32_t buttons) {
  if (!(buttons & kLButton)) return kMouseEventNotHandled;
  fEntryState = value;
  beginEdit();
  return onMouseMoved(where, buttons);
}

CMouseEventResult CKickButton::onMouseMoved(const CPoint& where, int32_t buttons) {
  if (buttons & kLButton) {
    if (where.isInside(size))
      value = fEntryState == 0.0f ? 1.0f : 0.0f;
    else
      value = fEntryState;
    if (isDirty()) invalid();
  }
  return kMouseEventHandled;
}

CMouseEventResult CKickButton::onMouseUp(const CPoint&, int32_t) {
  if (value != 0.0f && listener) listener->valueChanged(this);
  value = 0.0f;
  if (listener) listener->valueChanged(this);
  if (isDirty()) invalid();
  endEdit();
  return kMouseEventHandled;
}

bool CKickButton::isTypeOf(const char* className) const {
  if (std::strcmp(className, "CKickButton") == 0) return true;
  return CControl::isTypeOf(className);
}
