// A multi-position switch: the row of the press picks the position, one strip image each.
#pragma once

#include "ccontrol.h"

class CVerticalSwitch : public CControl, public IMultiBitmapControl {
 public:
  // One image per position, each as tall as the view.
  CVerticalSwitch(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background,
                  const CPoint& offset = CPoint(0, 0));
  CVerticalSwitch(const CRect& size, CControlListener* listener, int32_t tag, int32_t subPixmaps,
                  int32_t heightOfOneImage, int32_t iMaxPositions, CBitmap* background,
                  const CPoint& offset = CPoint(0, 0));
  CVerticalSwitch(const CVerticalSwitch& other) = default;

  void draw(CDrawContext* context) override;
  CMouseEventResult onMouseDown(const CPoint& where, int32_t buttons) override;
  CMouseEventResult onMouseUp(const CPoint& where, int32_t buttons) override;
  CMouseEventResult onMouseMoved(const CPoint& where, int32_t buttons) override;
  bool isTypeOf(const char* className) const override;
  CView* newCopy() const override { return new CVerticalSwitch(*this); }
  void autoComputeHeightOfOneImage() override { heightOfOneImage = size.height(); }

  int32_t getMaxPositions() const { return iMaxPositions; }
  // The strip image shown for the current value.
  int32_t getImageIndex() const;

 protected:
  CPoint offset;
  int32_t subPixmaps;
  int32_t iMaxPositions;
  double coef;
};
