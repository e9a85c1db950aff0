#include "cknob.h"

#include <cmath>
#include <cstring>

#include "aeffguieditor.h"
#include "cbitmap.h"
#include "cdrawcontext.h"
#include "cframe.h"

namespace {

// 2 pi as the single-precision constant used in the additions, and the exact value used in
// the comparison.
constexpr float kTwoPiF = 6.2831855f;
constexpr double kTwoPi = 6.283185307179586;

double wrapAngle(double x) {
  if (x < 0) return x + kTwoPiF;
  if (x > kTwoPi) return x - kTwoPiF;
  return x;
}

}  // namespace

CKnob::CKnob(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background, CBitmap* handle,
             const CPoint& offset)
    : CControl(size, listener, tag, background),
      offset(offset),
      colorHandle(kWhiteCColor),
      colorShadowHandle(kGreyCColor),
      pHandle(handle),
      inset(3),
      startAngle(0),
      rangeAngle(0),
      halfAngle(0),
      aCoef(0),
      bCoef(0),
      radius(0),
      zoomFactor(1.5f),
      firstPoint(0, 0),
      lastPoint(-1, -1),
      startValue(0),
      fEntryState(0),
      range(200.0f),
      coef(0),
      oldButton(0),
      modeLinear(false) {
  if (pHandle) pHandle->remember();
  computeInset();
  radius = static_cast<float>(size.right - size.left) / 2.0f;
  setStartAngle(3.9269907f);
  setRangeAngle(-4.712389f);
  zoomFactor = 1.5f;
  setWantsFocus(true);
}

CKnob::CKnob(const CKnob& k)
    : CControl(k),
      offset(k.offset),
      colorHandle(k.colorHandle),
      colorShadowHandle(k.colorShadowHandle),
      pHandle(k.pHandle),
      inset(k.inset),
      startAngle(k.startAngle),
      rangeAngle(k.rangeAngle),
      halfAngle(k.halfAngle),
      aCoef(k.aCoef),
      bCoef(k.bCoef),
      radius(k.radius),
      zoomFactor(k.zoomFactor),
      firstPoint(0, 0),
      lastPoint(-1, -1),
      startValue(0),
      fEntryState(0),
      range(200.0f),
      coef(0),
      oldButton(0),
      modeLinear(false) {
  if (pHandle) pHandle->remember();
}

CKnob::~CKnob() {
  if (pHandle) pHandle->forget();
}

void CKnob::computeInset() {
  if (pHandle)
    inset = static_cast<int32_t>(pHandle->getWidth() / 2.0 + 2.5);
  else
    inset = 3;
}

void CKnob::compute() {
  aCoef = static_cast<float>((static_cast<double>(vmax) - vmin) / rangeAngle);
  bCoef = static_cast<float>(vmin - static_cast<double>(aCoef) * startAngle);
  halfAngle =
      static_cast<float>((static_cast<double>(kTwoPiF) - std::fabs(static_cast<double>(rangeAngle))) * 0.5);
  setDirty(true);
}

void CKnob::setStartAngle(float val) {
  startAngle = val;
  compute();
}

void CKnob::setRangeAngle(float val) {
  rangeAngle = val;
  compute();
}

void CKnob::setColorShadowHandle(CColor color) {
  colorShadowHandle = color;
  setDirty(true);
}

void CKnob::setColorHandle(CColor color) {
  colorHandle = color;
  setDirty(true);
}

void CKnob::setHandleBitmap(CBitmap* handle) {
  if (handle) handle->remember();
  if (pHandle) pHandle->forget();
  pHandle = handle;
  computeInset();
}

void CKnob::valueToPoint(CPoint& point) const {
  double alpha = (static_cast<double>(value) - bCoef) / aCoef;
  double r = static_cast<double>(radius);
  point.h = static_cast<int32_t>(r + std::cos(alpha) * (r - inset) + 0.5);
  point.v = static_cast<int32_t>(r - std::sin(alpha) * (r - inset) + 0.5);
}

float CKnob::valueFromPoint(const CPoint& point) const {
  double r = static_cast<double>(radius);
  double alpha = std::atan2(r - point.v, point.h - r);
  if (alpha < 0.0) alpha += kTwoPiF;
  double alpha2 = alpha - startAngle;
  double result;
  if (rangeAngle < 0) {
    alpha2 -= rangeAngle;
    double alpha3 = wrapAngle(alpha2);
    if (alpha3 > static_cast<double>(halfAngle) - rangeAngle) return vmax;
    if (alpha3 > -static_cast<double>(rangeAngle)) return vmin;
    if (alpha2 > static_cast<double>(halfAngle) - rangeAngle)
      alpha2 -= kTwoPiF;
    else if (alpha2 < -static_cast<double>(halfAngle))
      alpha2 += kTwoPiF;
    result = aCoef * alpha2 + vmax;
  } else {
    double alpha3 = wrapAngle(alpha2);
    if (alpha3 > static_cast<double>(rangeAngle) + halfAngle) return vmin;
    if (alpha3 > rangeAngle) return vmax;
    if (alpha2 > static_cast<double>(rangeAngle) + halfAngle)
      alpha2 -= kTwoPiF;
    else if (alpha2 < -static_cast<double>(halfAngle))
      alpha2 += kTwoPiF;
    result = aCoef * alpha2 + vmin;
  }
  return static_cast<float>(result);
}

void CKnob::draw(CDrawContext* context) {
  if (pBackground) {
    if (bTransparencyEnabled)
      pBackground->drawTransparent(context, size, offset);
    else
      pBackground->draw(context, size, offset);
  }
  drawHandle(context);
  setDirty(false);
}

void CKnob::drawHandle(CDrawContext* context) {
  CPoint where;
  valueToPoint(where);
  if (pHandle) {
    int32_t w = pHandle->getWidth();
    int32_t h = pHandle->getHeight();
    CRect r(0, 0, w, h);
    r.offset(size.left + where.h - w / 2, size.top + where.v - h / 2);
    pHandle->drawTransparent(context, r);
    return;
  }
  CPoint origin(size.width() / 2, size.height() / 2);
  where.offset(size.left - 1, size.top);
  origin.offset(size.left - 1, size.top);
  context->setLineWidth(1);
  context->setFrameColor(colorShadowHandle);
  context->moveTo(where);
  context->lineTo(origin);
  where.offset(1, -1);
  origin.offset(1, -1);
  context->setFrameColor(colorHandle);
  context->moveTo(where);
  context->lineTo(origin);
}

CMouseEventResult CKnob::onMouseDown(const CPoint& where, int32_t buttons) {
  beginEdit();
  if (checkDefaultValue(buttons)) {
    endEdit();
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
  }
  firstPoint = where;
  lastPoint(-1, -1);
  startValue = oldValue;
  modeLinear = false;
  fEntryState = value;
  range = 200.0f;
  coef = static_cast<float>((static_cast<double>(vmax) - vmin) / range);
  oldButton = buttons;

  int32_t mode = (bIsAttached && pParentFrame) ? pParentFrame->getKnobMode() : kCircularMode;
  // Alt swaps the two behaviours.
  bool linear = (mode == kLinearMode) != ((buttons & kAlt) != 0);
  if (linear && (buttons & kLButton)) {
    if (buttons & kShift) range = static_cast<float>(static_cast<double>(range) * zoomFactor);
    lastPoint = where;
    modeLinear = true;
    coef = static_cast<float>((static_cast<double>(vmax) - vmin) / range);
  } else {
    CPoint p(where.h - size.left, where.v - size.top);
    startValue = valueFromPoint(p);
  }
  return onMouseMoved(where, buttons);
}

CMouseEventResult CKnob::onMouseUp(const CPoint&, int32_t) {
  endEdit();
  return kMouseEventHandled;
}

CMouseEventResult CKnob::onMouseMoved(const CPoint& where, int32_t buttons) {
  if (!(buttons & kLButton)) return kMouseEventHandled;
  if (where == lastPoint) return kMouseEventHandled;
  lastPoint = where;
  if (modeLinear) {
    int32_t diff = (firstPoint.v - where.v) + (where.h - firstPoint.h);
    if (buttons != oldButton) {
      // A modifier changed mid-drag: keep the value continuous and change only the rate.
      range = 200.0f;
      if (buttons & kShift) range = static_cast<float>(static_cast<double>(range) * zoomFactor);
      float coef2 = static_cast<float>((static_cast<double>(vmax) - vmin) / range);
      fEntryState = static_cast<float>(fEntryState + diff * (static_cast<double>(coef) - coef2));
      coef = coef2;
      oldButton = buttons;
    }
    value = static_cast<float>(fEntryState + diff * static_cast<double>(coef));
    bounceValue();
  } else {
    CPoint p(where.h - size.left, where.v - size.top);
    value = valueFromPoint(p);
    double middle = (static_cast<double>(vmax) - vmin) * 0.5;
    // A jump across the dead zone holds the value at the end the drag came from.
    if (static_cast<double>(startValue) - value > middle)
      value = vmax;
    else if (static_cast<double>(value) - startValue > middle)
      value = vmin;
    else
      startValue = value;
  }
  if (value != oldValue && listener) listener->valueChanged(this);
  if (isDirty()) invalid();
  return kMouseEventHandled;
}

bool CKnob::onWheel(const CPoint&, float distance, int32_t buttons) {
  if (!bMouseEnabled) return false;
  if (buttons & kShift) distance *= 0.1f;
  value = static_cast<float>(value + static_cast<double>(wheelInc) * distance);
  bounceValue();
  if (isDirty() && listener) {
    beginEdit();
    listener->valueChanged(this);
    endEdit();
  }
  return true;
}

int32_t CKnob::onKeyDown(VstKeyCode& keyCode) {
  float distance;
  switch (keyCode.virt) {
    case VKEY_LEFT:
    case VKEY_DOWN:
      distance = -1.0f;
      break;
    case VKEY_UP:
    case VKEY_RIGHT:
      distance = 1.0f;
      break;
    default:
      return -1;
  }
  if (keyCode.modifier & MODIFIER_SHIFT) distance *= 0.1f;
  value = static_cast<float>(value + static_cast<double>(wheelInc) * distance);
  bounceValue();
  if (isDirty() && listener) {
    beginEdit();
    listener->valueChanged(this);
    endEdit();
  }
  return 1;
}

bool CKnob::isTypeOf(const char* className) const {
  if (std::strcmp(className, "CKnob") == 0) return true;
  return CControl::isTypeOf(className);
}

CAnimKnob::CAnimKnob(const CRect& size, CControlListener* listener, int32_t tag, int32_t subPixmaps,
                     int32_t heightOfOneImage, CBitmap* background, const CPoint& offset)
    : CKnob(size, listener, tag, background, nullptr, offset),
      subPixmaps(subPixmaps),
      bInverseBitmap(false),
      lastDrawnPoint(0, 0) {
  setHeightOfOneImage(heightOfOneImage);
  inset = 0;
}

CAnimKnob::CAnimKnob(const CAnimKnob& k)
    : CKnob(k),
      IMultiBitmapControl(k),
      subPixmaps(k.subPixmaps),
      bInverseBitmap(k.bInverseBitmap),
      lastDrawnPoint(0, 0) {}

CAnimKnob::~CAnimKnob() {}

void CAnimKnob::setHeightOfOneImage(const int32_t& height) {
  IMultiBitmapControl::setHeightOfOneImage(height);
  if (pBackground && heightOfOneImage != 0) subPixmaps = pBackground->getHeight() / heightOfOneImage;
}

int32_t CAnimKnob::getImageOffset() const {
  int32_t y = 0;
  if (value >= 0.0f && heightOfOneImage > 0 && subPixmaps > 1) {
    int32_t tmp = heightOfOneImage * (subPixmaps - 1);
    const float current = value;
    double v = bInverseBitmap ? 1.0 - current : current;
    y = static_cast<int32_t>(v * tmp);
    for (int32_t realY = 0; realY <= tmp; realY += heightOfOneImage) {
      if (realY > y) {
        y = realY - heightOfOneImage;
        if (y < 0) y = 0;
        break;
      }
    }
    // Values beyond the range show the end images rather than reading past the strip.
    if (y > tmp) y = tmp;
    if (y < 0) y = 0;
  }
  return y;
}

void CAnimKnob::draw(CDrawContext* context) {
  if (pBackground) {
    CPoint where(0, getImageOffset());
    if (bTransparencyEnabled)
      pBackground->drawTransparent(context, size, where);
    else
      pBackground->draw(context, size, where);
  }
  valueToPoint(lastDrawnPoint);
  setDirty(false);
}

bool CAnimKnob::isDirty() const {
  if (!CView::isDirty()) {
    CPoint p;
    valueToPoint(p);
    if (p == lastDrawnPoint) return false;
  }
  return CControl::isDirty();
}

bool CAnimKnob::isTypeOf(const char* className) const {
  if (std::strcmp(className, "CAnimKnob") == 0) return true;
  return CKnob::isTypeOf(className);
}
