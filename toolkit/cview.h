// The base of every rectangular view of the editor window: geometry, flags, background,
// attributes, and the virtual operations through which the tree draws and routes input.
#pragma once

#include <cstddef>
#include <cstdint>

#include "cbaseobject.h"
#include "geometry.h"
#include "host/plugin_interface.h"

class CBitmap;
class CDrawContext;
class CDragContainer;
class CFrame;
class VSTGUIEditorInterface;

// Mouse button and modifier set.
enum CButtonState {
  kLButton = 0x2,
  kMButton = 0x4,
  kRButton = 0x8,
  kShift = 0x10,
  kControl = 0x20,
  kAlt = 0x40,
  kApple = 0x80,
  kButton4 = 0x100,
  kButton5 = 0x200,
  kDoubleClick = 0x400
};

enum CMouseEventResult {
  kMouseEventNotImplemented = 0,
  kMouseEventHandled = 1,
  kMouseEventNotHandled = 2,
  kMouseDownEventHandledButDontNeedMovedOrUpEvents = 3
};

enum CMouseWheelAxis { kMouseWheelAxisX = 0, kMouseWheelAxisY = 1 };

// Virtual key values of VstKeyCode::virt used by the toolkit.
enum { VKEY_TAB = 2, VKEY_LEFT = 11, VKEY_UP = 12, VKEY_RIGHT = 13, VKEY_DOWN = 14 };

// Messages sent through notify(); recognised by the identity of these strings, never by text.
extern const char* const kMsgCheckIfViewContainer;
extern const char* const kMsgNewFocusView;
extern const char* const kMsgOldFocusView;
extern const char* const kMsgLooseFocus;

typedef uint32_t CViewAttributeID;

class CView : public CBaseObject {
 public:
  explicit CView(const CRect& size);
  CView(const CView& other);
  ~CView() override;

  virtual void draw(CDrawContext* context);
  virtual void drawRect(CDrawContext* context, const CRect& /*updateRect*/) { draw(context); }
  virtual bool checkUpdate(const CRect& updateRect) const { return updateRect.rectOverlap(size); }
  virtual bool isDirty() const { return bDirty; }
  virtual void setDirty(bool state = true) { bDirty = state; }
  virtual void invalidRect(const CRect& rect);
  virtual void invalid();
  virtual void setVisible(bool state);
  bool isVisible() const { return bVisible; }

  // Points are in the coordinates of the view's parent (those of size).
  virtual CMouseEventResult onMouseDown(const CPoint& where, int32_t buttons);
  virtual CMouseEventResult onMouseUp(const CPoint& where, int32_t buttons);
  virtual CMouseEventResult onMouseMoved(const CPoint& where, int32_t buttons);
  virtual CMouseEventResult onMouseEntered(const CPoint& where, int32_t buttons);
  virtual CMouseEventResult onMouseExited(const CPoint& where, int32_t buttons);
  virtual bool hitTest(const CPoint& where, int32_t buttons = -1);
  virtual bool onWheel(const CPoint& where, CMouseWheelAxis axis, float distance, int32_t buttons);
  virtual bool onWheel(const CPoint& where, float distance, int32_t buttons);

  virtual void setMouseEnabled(bool enable = true) { bMouseEnabled = enable; }
  virtual bool getMouseEnabled() const { return bMouseEnabled; }
  virtual void setMouseableArea(const CRect& rect) { mouseableArea = rect; }
  virtual CRect& getMouseableArea(CRect& rect) const {
    rect = mouseableArea;
    return rect;
  }
  virtual const CRect& getMouseableArea() const { return mouseableArea; }

  virtual bool onDrop(CDragContainer* drag, const CPoint& where);
  virtual void onDragEnter(CDragContainer* drag, const CPoint& where);
  virtual void onDragLeave(CDragContainer* drag, const CPoint& where);
  virtual void onDragMove(CDragContainer* drag, const CPoint& where);

  // 1: handled, -1: not handled.
  virtual int32_t onKeyDown(VstKeyCode& keyCode);
  virtual int32_t onKeyUp(VstKeyCode& keyCode);

  virtual void setViewSize(const CRect& rect, bool invalidate = true);
  virtual CRect& getViewSize(CRect& rect) const {
    rect = size;
    return rect;
  }
  virtual const CRect& getViewSize() const { return size; }
  virtual CRect getVisibleSize() const;
  virtual void parentSizeChanged() {}
  virtual CPoint& frameToLocal(CPoint& point) const;
  virtual CPoint& localToFrame(CPoint& point) const;
  virtual void setAutosizeFlags(int32_t flags) { autosizeFlags = flags; }
  virtual int32_t getAutosizeFlags() const { return autosizeFlags; }

  virtual void looseFocus() {}
  virtual void takeFocus() {}
  virtual bool wantsFocus() const { return bWantsFocus; }
  virtual void setWantsFocus(bool state) { bWantsFocus = state; }

  virtual void setBackground(CBitmap* background);
  virtual CBitmap* getBackground() const { return pBackground; }
  virtual void setTransparency(bool val) { bTransparencyEnabled = val; }
  virtual bool getTransparency() const { return bTransparencyEnabled; }

  virtual bool removed(CView* parent);
  virtual bool attached(CView* parent);
  bool isAttached() const { return bIsAttached; }

  virtual VSTGUIEditorInterface* getEditor() const;
  virtual bool isTypeOf(const char* className) const;
  virtual CView* newCopy() const { return new CView(*this); }

  // The older polling handler; never reached by this toolkit's event path.
  virtual void mouse(CDrawContext* /*context*/, CPoint& /*where*/, int32_t /*buttons*/ = -1) {}
  // Pointer position in the coordinates of the view's parent.
  virtual CPoint& getMouseLocation(CDrawContext* context, CPoint& point);

  virtual void setParentView(CView* parent) { pParentView = parent; }
  virtual void setParentFrame(CFrame* frame) { pParentFrame = frame; }
  CView* getParentView() const { return pParentView; }
  CFrame* getFrame() const { return pParentFrame; }

  // Attributes: small records of bytes by identifier; setting an existing one replaces its bytes.
  bool getAttributeSize(CViewAttributeID id, int32_t& outSize) const;
  bool getAttribute(CViewAttributeID id, int32_t inSize, void* outData, int32_t& outSize) const;
  bool setAttribute(CViewAttributeID id, int32_t inSize, const void* inData);
  bool removeAttribute(CViewAttributeID id);

 protected:
  struct AttributeRecord;

  CRect size;
  CRect mouseableArea;
  CFrame* pParentFrame;
  CView* pParentView;
  bool bDirty;
  bool bMouseEnabled;
  bool bTransparencyEnabled;
  bool bWantsFocus;
  bool bIsAttached;
  bool bVisible;
  int32_t autosizeFlags;
  CBitmap* pBackground;
  AttributeRecord* pAttributeList;

 private:
  CView& operator=(const CView&) = delete;
};
