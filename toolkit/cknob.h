// Rotary knobs: CKnob draws a handle over its background; CAnimKnob shows one image of a
// vertical strip chosen by the value.
#pragma once

#include "ccontrol.h"

class CKnob : public CControl {
 public:
  CKnob(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background, CBitmap* handle,
        const CPoint& offset = CPoint(0, 0));
  CKnob(const CKnob& other);
  ~CKnob() override;

  void draw(CDrawContext* context) override;
  CMouseEventResult onMouseDown(const CPoint& where, int32_t buttons) override;
  CMouseEventResult onMouseUp(const CPoint& where, int32_t buttons) override;
  CMouseEventResult onMouseMoved(const CPoint& where, int32_t buttons) override;
  bool onWheel(const CPoint& where, float distance, int32_t buttons) override;
  using CControl::onWheel;
  int32_t onKeyDown(VstKeyCode& keyCode) override;
  bool isTypeOf(const char* className) const override;
  CView* newCopy() const override { return new CKnob(*this); }

  // Angles in radians, counted anticlockwise from 3 o'clock; a negative range turns clockwise.
  virtual void setStartAngle(float val);
  virtual float getStartAngle() const { return startAngle; }
  virtual void setRangeAngle(float val);
  virtual float getRangeAngle() const { return rangeAngle; }
  // The indicator point for the current value, in view-local pixels.
  virtual void valueToPoint(CPoint& point) const;
  // The value under a view-local point; the dead zone below the centre gives the nearer end.
  virtual float valueFromPoint(const CPoint& point) const;
  virtual int32_t getInsetValue() const { return inset; }
  virtual void setInsetValue(int32_t val) { inset = val; }
  virtual CColor getColorShadowHandle() const { return colorShadowHandle; }
  virtual void setColorShadowHandle(CColor color);
  virtual CColor getColorHandle() const { return colorHandle; }
  virtual void setColorHandle(CColor color);
  virtual CBitmap* getHandleBitmap() const { return pHandle; }
  virtual void setHandleBitmap(CBitmap* handle);
  virtual void setZoomFactor(float val) { zoomFactor = val; }
  virtual float getZoomFactor() const { return zoomFactor; }
  virtual void drawHandle(CDrawContext* context);

 protected:
  void compute();
  void computeInset();

  CPoint offset;
  CColor colorHandle;
  CColor colorShadowHandle;
  CBitmap* pHandle;
  int32_t inset;
  float startAngle;
  float rangeAngle;
  float halfAngle;
  float aCoef;
  float bCoef;
  float radius;
  float zoomFactor;

  // Drag state.
  CPoint firstPoint;
  CPoint lastPoint;
  float startValue;
  float fEntryState;
  float range;
  float coef;
  int32_t oldButton;
  bool modeLinear;
};

class CAnimKnob : public CKnob, public IMultiBitmapControl {
 public:
  CAnimKnob(const CRect& size, CControlListener* listener, int32_t tag, int32_t subPixmaps,
            int32_t heightOfOneImage, CBitmap* background, const CPoint& offset = CPoint(0, 0));
  CAnimKnob(const CAnimKnob& other);
  ~CAnimKnob() override;

  void draw(CDrawContext* context) override;
  bool isDirty() const override;
  bool isTypeOf(const char* className) const override;
  CView* newCopy() const override { return new CAnimKnob(*this); }

  void setHeightOfOneImage(const int32_t& height) override;
  void autoComputeHeightOfOneImage() override { heightOfOneImage = size.height(); }

  void setInverseBitmap(bool val) { bInverseBitmap = val; }
  // Top of the strip image shown for the current value.
  int32_t getImageOffset() const;

 protected:
  int32_t subPixmaps;
  bool bInverseBitmap;
  CPoint lastDrawnPoint;
};
