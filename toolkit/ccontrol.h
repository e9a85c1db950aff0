// Views that carry a value: the listener interface, the control base class and the base of
// the controls that draw one image out of a vertical strip.
#pragma once

#include <atomic>

#include "cview.h"

class CControl;

// A control's value: written by the effect's parameter changes from any thread and read by the
// user-interface thread. One whole 32-bit float, relaxed: no ordering with anything else is
// needed, since the idle pass only compares it against the value last drawn.
class RelaxedFloat {
 public:
  RelaxedFloat(float v = 0.0f) : v(v) {}  // NOLINT: used as a plain float
  RelaxedFloat(const RelaxedFloat& o) : v(o.load()) {}
  RelaxedFloat& operator=(const RelaxedFloat& o) {
    store(o.load());
    return *this;
  }
  RelaxedFloat& operator=(float f) {
    store(f);
    return *this;
  }
  operator float() const { return load(); }  // NOLINT: used as a plain float
  float load() const { return v.load(std::memory_order_relaxed); }
  void store(float f) { v.store(f, std::memory_order_relaxed); }

 private:
  std::atomic<float> v;
};

class CControlListener {
 public:
  virtual ~CControlListener() {}
  virtual void valueChanged(CControl* control) = 0;
  // Asked before a press with the right button or a modifier reaches the control;
  // non-zero stops it there.
  virtual int32_t controlModifierClicked(CControl* /*control*/, int32_t /*buttons*/) { return 0; }
  virtual void controlBeginEdit(CControl* /*control*/) {}
  virtual void controlEndEdit(CControl* /*control*/) {}
};

class CControl : public CView {
 public:
  CControl(const CRect& size, CControlListener* listener = nullptr, int32_t tag = 0,
           CBitmap* background = nullptr);
  CControl(const CControl& other);
  ~CControl() override;

  void draw(CDrawContext* context) override = 0;
  bool isDirty() const override;
  void setDirty(bool state = true) override;
  bool isTypeOf(const char* className) const override;
  CView* newCopy() const override = 0;

  virtual void doIdleStuff();
  // Plain store and read from any thread: no clamping, no redraw request (the idle pass
  // finds the change by comparing against oldValue).
  virtual void setValue(float val) { value = val; }
  virtual float getValue() const { return value; }
  virtual void setMin(float val) { vmin = val; }
  virtual float getMin() const { return vmin; }
  virtual void setMax(float val) { vmax = val; }
  virtual float getMax() const { return vmax; }
  virtual void setOldValue(float val) { oldValue = val; }
  virtual float getOldValue() const { return oldValue; }
  virtual void setDefaultValue(float val) { defaultValue = val; }
  virtual float getDefaultValue() const { return defaultValue; }
  virtual void bounceValue();
  // Control + left button, and nothing else, resets to the default value inside one edit.
  virtual bool checkDefaultValue(int32_t buttons);
  virtual void setTag(int32_t val) { tag = val; }
  virtual int32_t getTag() const { return tag; }
  virtual void beginEdit();
  virtual void endEdit();
  virtual CControlListener* getListener() const { return listener; }
  virtual void setListener(CControlListener* l) { listener = l; }
  virtual void setBackOffset(const CPoint& offset) { backOffset = offset; }
  virtual void copyBackOffset();
  virtual void setWheelInc(float val) { wheelInc = val; }
  virtual float getWheelInc() const { return wheelInc; }

  bool isDoubleClick();

 protected:
  CControlListener* listener;
  int32_t tag;
  float oldValue;
  float defaultValue;
  RelaxedFloat value;
  float vmin;
  float vmax;
  float wheelInc;
  int32_t lastTicks;
  int32_t delta;
  CPoint backOffset;
};

// Second base of the controls whose background is a vertical strip of equal-height images,
// the first at the top.
class IMultiBitmapControl {
 public:
  IMultiBitmapControl() : heightOfOneImage(0) {}
  virtual ~IMultiBitmapControl() {}
  virtual void setHeightOfOneImage(const int32_t& height) { heightOfOneImage = height; }
  virtual int32_t getHeightOfOneImage() const { return heightOfOneImage; }
  // heightOfOneImage = the view's height.
  virtual void autoComputeHeightOfOneImage() = 0;

 protected:
  int32_t heightOfOneImage;
};
