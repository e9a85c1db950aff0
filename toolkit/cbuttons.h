// Buttons: the on/off button that flips on each press and the momentary kick button.
#pragma once

#include "ccontrol.h"

enum { kPreListenerUpdate = 0, kPostListenerUpdate = 1 };

// The background strip holds the off image above the on image.
class COnOffButton : public CControl {
 public:
  COnOffButton(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background,
               int32_t style = kPreListenerUpdate);
  COnOffButton(const COnOffButton& other) = default;

  void draw(CDrawContext* context) override;
  CMouseEventResult onMouseDown(const CPoint& where, int32_t buttons) override;
  bool isTypeOf(const char* className) const override;
  CView* newCopy() const override { return new COnOffButton(*this); }

  int32_t getStyle() const { return style; }
  void setStyle(int32_t val) { style = val; }

 protected:
  int32_t style;
};

// Shows the pressed image while the pointer is held inside; reports 1 then 0 at release.
class CKickButton : public CControl, public IMultiBitmapControl {
 public:
  CKickButton(const CRect& size, CControlListener* listener, int32_t tag, int32_t heightOfOneImage,
              CBitmap* background, const CPoint& offset = CPoint(0, 0));
  CKickButton(const CKickButton& other) = default;

  void draw(CDrawContext* context) override;
  CMouseEventResult onMouseDown(const CPoint& where, int32_t buttons) override;
  CMouseEventResult onMouseUp(const CPoint& where, int32_t buttons) override;
  CMouseEventResult onMouseMoved(const CPoint& where, int32_t buttons) override;
  bool isTypeOf(const char* className) const override;
  CView* newCopy() const override { return new CKickButton(*this); }
  void autoComputeHeightOfOneImage() override { heightOfOneImage = size.height(); }

 protected:
  CPoint offset;
  float fEntryState;
};
