// A view holding child views in its own coordinate system: drawing in creation order with
// clipping, idle redraw of dirty children, and routing of mouse, wheel, drag and key events
// to the child under the pointer.
#pragma once

#include "cview.h"

class COffscreenContext;

class CViewContainer : public CView {
 public:
  CViewContainer(const CRect& size, CFrame* frame, CBitmap* background = nullptr);
  CViewContainer(const CViewContainer& other);
  ~CViewContainer() override;

  // addView takes over the caller's reference: the container releases it when the view is
  // removed with forget (its node holds a further reference of its own while it is a child).
  virtual bool addView(CView* view, CView* before);
  virtual bool addView(CView* view, const CRect& mouseableArea, bool mouseEnabled = true);
  virtual bool addView(CView* view);
  virtual bool removeView(CView* view, bool withForget = true);
  virtual bool removeAll(bool withForget = true);
  virtual bool isChild(CView* view) const;
  virtual int32_t getNbViews() const;
  virtual CView* getView(int32_t index) const;
  virtual CView* getViewAt(const CPoint& where, bool deep = false) const;
  virtual CViewContainer* getContainerAt(const CPoint& where, bool deep = true);

  virtual void setBackgroundColor(const CColor& color) { backgroundColor = color; }
  virtual CColor getBackgroundColor() const { return backgroundColor; }
  virtual void setBackgroundOffset(const CPoint& p) { backgroundOffset = p; }
  virtual const CPoint& getBackgroundOffset() const { return backgroundOffset; }
  virtual void drawBackgroundRect(CDrawContext* context, const CRect& rect);
  virtual void useOffscreen(bool flag);
  virtual bool advanceNextFocusView(CView* oldFocus, bool reverse = false);
  virtual void invalidateDirtyViews();
  // rect in this container's coordinates, clipped to what it and its ancestors show.
  virtual CRect getVisibleSize(const CRect& rect) const;
  using CView::getVisibleSize;
  virtual CView* getCurrentView() const;
  virtual bool checkUpdateRect(CView* view, const CRect& rect);
  virtual bool hitTestSubViews(const CPoint& where, int32_t buttons = -1);

  // CView
  void draw(CDrawContext* context) override;
  void drawRect(CDrawContext* context, const CRect& updateRect) override;
  bool isDirty() const override;
  void invalid() override;
  void invalidRect(const CRect& rect) override;
  CMouseEventResult onMouseDown(const CPoint& where, int32_t buttons) override;
  CMouseEventResult onMouseUp(const CPoint& where, int32_t buttons) override;
  CMouseEventResult onMouseMoved(const CPoint& where, int32_t buttons) override;
  bool onWheel(const CPoint& where, CMouseWheelAxis axis, float distance, int32_t buttons) override;
  bool onWheel(const CPoint& where, float distance, int32_t buttons) override;
  bool onDrop(CDragContainer* drag, const CPoint& where) override;
  void onDragEnter(CDragContainer* drag, const CPoint& where) override;
  void onDragLeave(CDragContainer* drag, const CPoint& where) override;
  void onDragMove(CDragContainer* drag, const CPoint& where) override;
  int32_t onKeyDown(VstKeyCode& keyCode) override;
  int32_t onKeyUp(VstKeyCode& keyCode) override;
  void setViewSize(const CRect& rect, bool invalidate = true) override;
  void parentSizeChanged() override;
  CPoint& frameToLocal(CPoint& point) const override;
  CPoint& localToFrame(CPoint& point) const override;
  bool isTypeOf(const char* className) const override;
  CView* newCopy() const override { return new CViewContainer(*this); }
  void mouse(CDrawContext* context, CPoint& where, int32_t buttons = -1) override;
  bool attached(CView* parent) override;
  bool removed(CView* parent) override;
  CMessageResult notify(CBaseObject* sender, const char* message) override;

  CView* getMouseDownView() const { return pMouseDownView; }

 protected:
  struct CCView {
    CView* pView;
    CCView* pNext;
    CCView* pPrevious;
  };

  CCView* findNode(CView* view) const;
  void unlinkNode(CCView* node);
  // Forgets every pointer this container keeps to view (mouse-down and drag views).
  void dropReferencesTo(CView* view);
  CPoint toLocal(const CPoint& where) const { return CPoint(where.h - size.left, where.v - size.top); }

  CCView* pFirstView;
  CCView* pLastView;
  COffscreenContext* pOffscreenContext;
  CColor backgroundColor;
  CPoint backgroundOffset;
  bool bDrawInOffscreen;
  CView* pCurrentDragView;
  CView* pMouseDownView;
};
