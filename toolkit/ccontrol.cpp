#include "ccontrol.h"

#include <cstring>

#include "cbitmap.h"
#include "cframe.h"
#include "platform/platform_frame.h"

namespace {

int32_t doubleClickWindow() {
  uint32_t t = getPlatformDoubleClickTime();
  return t < 250 ? 250 : static_cast<int32_t>(t);
}

}  // namespace

CControl::CControl(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background)
    : CView(size),
      listener(listener),
      tag(tag),
      oldValue(1.0f),
      defaultValue(0.5f),
      value(0.0f),
      vmin(0.0f),
      vmax(1.0f),
      wheelInc(0.1f),
      lastTicks(-1),
      delta(doubleClickWindow()),
      backOffset(0, 0) {
  bTransparencyEnabled = false;
  bMouseEnabled = true;
  pBackground = background;
  if (pBackground) pBackground->remember();
}

CControl::CControl(const CControl& c)
    : CView(c),
      listener(c.listener),
      tag(c.tag),
      oldValue(c.oldValue),
      defaultValue(c.defaultValue),
      value(c.value),
      vmin(c.vmin),
      vmax(c.vmax),
      wheelInc(c.wheelInc),
      lastTicks(c.lastTicks),
      delta(c.delta),
      backOffset(0, 0) {}

CControl::~CControl() {}

bool CControl::isDirty() const {
  return value != oldValue || CView::isDirty();
}

void CControl::setDirty(bool state) {
  CView::setDirty(state);
  if (state)
    oldValue = value == -1.0f ? 0.0f : -1.0f;
  else
    oldValue = value;
}

bool CControl::isTypeOf(const char* className) const {
  if (std::strcmp(className, "CControl") == 0) return true;
  return CView::isTypeOf(className);
}

void CControl::doIdleStuff() {
  if (bIsAttached && pParentFrame) pParentFrame->doIdleStuff();
}

void CControl::bounceValue() {
  if (value > vmax)
    value = vmax;
  else if (value < vmin)
    value = vmin;
}

bool CControl::checkDefaultValue(int32_t buttons) {
  if (buttons != (kControl | kLButton)) return false;
  beginEdit();
  value = getDefaultValue();
  if (isDirty() && listener) listener->valueChanged(this);
  endEdit();
  return true;
}

void CControl::beginEdit() {
  if (listener) listener->controlBeginEdit(this);
  if (bIsAttached && pParentFrame) {
    pParentFrame->setFocusView(this);
    pParentFrame->beginEdit(tag);
  }
}

void CControl::endEdit() {
  if (bIsAttached && pParentFrame) pParentFrame->endEdit(tag);
  if (listener) listener->controlEndEdit(this);
}

void CControl::copyBackOffset() {
  backOffset = CPoint(size.left, size.top);
}

bool CControl::isDoubleClick() {
  uint32_t now = pParentFrame ? pParentFrame->getTicks() : getPlatformTicks();
  if (lastTicks > 0 && now < static_cast<uint32_t>(lastTicks) + static_cast<uint32_t>(delta)) {
    lastTicks = 0;
    return true;
  }
  lastTicks = static_cast<int32_t>(now);
  return false;
}
