#include "cmoviebitmap.h"

#include <cstring>

#include "cbitmap.h"

CMovieBitmap::CMovieBitmap(const CRect& size, CControlListener* listener, int32_t tag, int32_t subPixmaps,
                           int32_t heightOfOneImage, CBitmap* background, const CPoint& offset)
    : CControl(size, listener, tag, background), offset(offset), subPixmaps(subPixmaps) {
  this->heightOfOneImage = heightOfOneImage;
}

CPoint CMovieBitmap::getImageOffset() const {
  CPoint where(offset);
  float v = value;
  if (v > 1.0f) v = 1.0f;
  if (v > 0.0f) {
    int32_t index = static_cast<int32_t>((subPixmaps - 1) * static_cast<double>(v) + 0.5);
    if (index < 0) index = 0;  // an empty strip
    where.v += index * heightOfOneImage;
  }
  return where;
}

void CMovieBitmap::draw(CDrawContext* context) {
  if (value > 1.0f) value = 1.0f;
  if (pBackground) {
    CPoint where = getImageOffset();
    if (bTransparencyEnabled)
      pBackground->drawTransparent(context, size, where);
    else
      pBackground->draw(context, size, where);
  }
  setDirty(false);
}

bool CMovieBitmap::isTypeOf(const char* className) const {
  if (std::strcmp(className, "CMovieBitmap") == 0) return true;
  return CControl::isTypeOf(className);
}
