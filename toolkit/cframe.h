// The root container of the editor window: holds the tree, paints it, routes the window's
// pointer events and the host's keys, and keeps the focus, modal and mouse-over views.
// The window itself lives behind IPlatformFrame; without one the frame still works.
#pragma once

#include "cviewcontainer.h"

class IPlatformFrame;
class VSTGUIEditorInterface;

class CFrame : public CViewContainer {
 public:
  // Creates the window inside parentWindow when one is given.
  CFrame(const CRect& size, void* parentWindow, VSTGUIEditorInterface* editor);
  ~CFrame() override;

  virtual bool isOpen() const { return bOpenFlag; }
  // Invalidates what changed since the last idle, then handles pending window events.
  virtual void idle();
  virtual void doIdleStuff();
  virtual uint32_t getTicks() const;
  virtual int32_t getKnobMode() const;
  virtual bool setPosition(int32_t x, int32_t y);
  virtual bool getPosition(int32_t& x, int32_t& y) const;
  virtual bool setSize(int32_t width, int32_t height);
  virtual bool getSize(CRect* rect) const;
  virtual bool getSize(CRect& rect) const { return getSize(&rect); }
  // Refuses a second modal view and an attached one; the view is added as a child.
  virtual bool setModalView(CView* view);
  virtual CView* getModalView() const { return pModalView; }
  virtual void beginEdit(int32_t index);
  virtual void endEdit(int32_t index);
  virtual bool getCurrentMouseLocation(CPoint& where);
  virtual int32_t getCurrentMouseButtons();
  virtual void setCursor(int32_t type);
  virtual void setFocusView(CView* view);
  virtual CView* getFocusView() const { return pFocusView; }
  // Called when view leaves the tree: the frame stops pointing to it or into it.
  virtual void onViewRemoved(CView* view);
  virtual bool setDropActive(bool active);
  virtual bool isDropActive() const { return bDropActive; }
  virtual void setOpenFlag(bool flag) { bOpenFlag = flag; }
  virtual bool getOpenFlag() const { return bOpenFlag; }
  // Marks dirty every child overlapping rect; painting follows at the next idle.
  virtual void invalidate(const CRect& rect);

  // A context drawing onto the window (or one that draws nothing without a window); the
  // caller forgets it.
  CDrawContext* createDrawContext();
  // Draws one child at once, or the whole frame when view is none.
  void draw(CView* view);
  using CViewContainer::draw;

  // Entry points for the window-system backend (see platform/platform_frame.h).
  CMouseEventResult platformMouseDown(const CPoint& where, int32_t buttons);
  CMouseEventResult platformMouseUp(const CPoint& where, int32_t buttons);
  void platformDrawRect(CDrawContext* context, const CRect& updateRect);
  void platformDestroyed();
  void pumpOnePendingPaint();

  // The frame owns its platform window; a backend (or a test) may hand one in afterwards.
  void setPlatformFrame(IPlatformFrame* platform);
  IPlatformFrame* getPlatformFrame() const { return pPlatform; }
  void* getSystemWindow() const { return pSystemWindow; }
  bool isFirstDraw() const { return bFirstDraw; }
  CView* getMouseOverView() const { return pMouseOverView; }

  // CViewContainer / CView
  void draw(CDrawContext* context) override;
  void drawRect(CDrawContext* context, const CRect& updateRect) override;
  void invalid() override;
  void invalidRect(const CRect& rect) override;
  CMouseEventResult onMouseDown(const CPoint& where, int32_t buttons) override;
  CMouseEventResult onMouseUp(const CPoint& where, int32_t buttons) override;
  CMouseEventResult onMouseMoved(const CPoint& where, int32_t buttons) override;
  CMouseEventResult onMouseExited(const CPoint& where, int32_t buttons) override;
  bool onWheel(const CPoint& where, CMouseWheelAxis axis, float distance, int32_t buttons) override;
  bool onWheel(const CPoint& where, float distance, int32_t buttons) override;
  int32_t onKeyDown(VstKeyCode& keyCode) override;
  int32_t onKeyUp(VstKeyCode& keyCode) override;
  void setViewSize(const CRect& rect, bool invalidate = true) override;
  bool removeView(CView* view, bool withForget = true) override;
  bool removeAll(bool withForget = true) override;
  CView* getCurrentView() const override;
  bool advanceNextFocusView(CView* oldFocus, bool reverse = false) override;
  VSTGUIEditorInterface* getEditor() const override { return pEditor; }
  bool isTypeOf(const char* className) const override;
  // A frame owns a window and cannot be copied.
  CView* newCopy() const override { return nullptr; }

 private:
  // The view under the pointer, if any, hears that the pointer left it.
  void leaveMouseOverView(const CPoint& where, int32_t buttons);

 protected:
  // Every ancestor container of view below the frame is told message.
  void notifyAncestors(CView* view, const char* message);
  // True when view is inside (or is) ancestor.
  static bool isInside(CView* view, CView* ancestor);

  VSTGUIEditorInterface* pEditor;
  void* pSystemWindow;
  CView* pModalView;
  CView* pFocusView;
  CView* pMouseOverView;
  bool bFirstDraw;
  bool bOpenFlag;
  bool bDropActive;
  IPlatformFrame* pPlatform;
  bool bMouseInside;
};
