// An indicator showing one image of a vertical strip chosen by its value; it takes no input.
#pragma once

#include "ccontrol.h"

class CMovieBitmap : public CControl, public IMultiBitmapControl {
 public:
  CMovieBitmap(const CRect& size, CControlListener* listener, int32_t tag, int32_t subPixmaps,
               int32_t heightOfOneImage, CBitmap* background, const CPoint& offset = CPoint(0, 0));
  CMovieBitmap(const CMovieBitmap& other) = default;

  // Clamps a value above 1 to 1 (the stored value changes).
  void draw(CDrawContext* context) override;
  bool isTypeOf(const char* className) const override;
  CView* newCopy() const override { return new CMovieBitmap(*this); }
  void autoComputeHeightOfOneImage() override { heightOfOneImage = size.height(); }

  // Source offset of the image shown for the current value.
  CPoint getImageOffset() const;

 protected:
  CPoint offset;
  int32_t subPixmaps;
};
