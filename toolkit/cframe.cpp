#include "cframe.h"

#include <cstring>

#include "cdrawcontext.h"
#include "graphicsglobals.h"
#include "platform/platform_frame.h"
#include "vstguieditorinterface.h"

namespace {

// setFocusView may be reached again from a view's looseFocus or a container's notify; the
// inner call is ignored so that the focus cannot flip back and forth.
bool gInSetFocusView = false;

}  // namespace

CFrame::CFrame(const CRect& size, void* parentWindow, VSTGUIEditorInterface* editor)
    : CViewContainer(size, nullptr, nullptr),
      pEditor(editor),
      pSystemWindow(parentWindow),
      pModalView(nullptr),
      pFocusView(nullptr),
      pMouseOverView(nullptr),
      bFirstDraw(true),
      bOpenFlag(true),
      bDropActive(false),
      pPlatform(nullptr),
      bMouseInside(false) {
  pParentFrame = this;
  bIsAttached = true;
  GDIPlusGlobals::enter();
  if (parentWindow) {
    pPlatform = createPlatformFrame(this, parentWindow, size);
    if (pPlatform) setDropActive(true);
  }
}

CFrame::~CFrame() {
  if (pModalView) removeView(pModalView, false);
  pModalView = nullptr;
  setCursor(kCursorDefault);
  setDropActive(false);
  removeAll(true);
  delete pPlatform;
  pPlatform = nullptr;
  pParentFrame = nullptr;
  GDIPlusGlobals::exit();
}

void CFrame::setPlatformFrame(IPlatformFrame* platform) {
  if (platform == pPlatform) return;
  delete pPlatform;
  pPlatform = platform;
}

void CFrame::idle() {
  if (bOpenFlag) invalidateDirtyViews();
  // Pending window events next, the paints just asked for among them: a value changed since
  // the last idle is on the screen when this idle returns.
  if (pPlatform) pPlatform->processEvents();
}

void CFrame::doIdleStuff() {
  if (pEditor) pEditor->doIdleStuff();
}

uint32_t CFrame::getTicks() const {
  return getPlatformTicks();
}

int32_t CFrame::getKnobMode() const {
  return pEditor ? pEditor->getKnobMode() : 0;
}

bool CFrame::setPosition(int32_t, int32_t) {
  return false;
}

bool CFrame::getPosition(int32_t& x, int32_t& y) const {
  if (!bOpenFlag || !pPlatform) return false;
  return pPlatform->getPosition(x, y);
}

bool CFrame::setSize(int32_t width, int32_t height) {
  if (!bOpenFlag) return false;
  if (width == size.width() && height == size.height()) return false;
  // A host-owned parent window must do the resizing; the view size then stays as it is.
  if (pPlatform && !pPlatform->setSize(width, height)) return true;
  CRect r(size.left, size.top, size.left + width, size.top + height);
  setViewSize(r, true);
  return true;
}

bool CFrame::getSize(CRect* rect) const {
  if (!rect || !bOpenFlag || !pPlatform) return false;
  return pPlatform->getSize(*rect);
}

bool CFrame::setModalView(CView* view) {
  if (pModalView && view) return false;
  if (view && view->isAttached()) return false;
  if (pModalView) removeView(pModalView, false);
  pModalView = view;
  if (view) addView(view);
  return true;
}

void CFrame::beginEdit(int32_t index) {
  if (pEditor) pEditor->beginEdit(index);
}

void CFrame::endEdit(int32_t index) {
  if (pEditor) pEditor->endEdit(index);
}

bool CFrame::getCurrentMouseLocation(CPoint& where) {
  if (!pPlatform) return false;
  return pPlatform->getCurrentMouseLocation(where);
}

int32_t CFrame::getCurrentMouseButtons() {
  return pPlatform ? pPlatform->getCurrentMouseButtons() : 0;
}

void CFrame::setCursor(int32_t type) {
  if (pPlatform) pPlatform->setCursor(type);
}

bool CFrame::isInside(CView* view, CView* ancestor) {
  for (CView* v = view; v; v = v->getParentView())
    if (v == ancestor) return true;
  return false;
}

void CFrame::notifyAncestors(CView* view, const char* message) {
  for (CView* p = view->getParentView(); p && p != this; p = p->getParentView()) p->notify(view, message);
}

void CFrame::setFocusView(CView* view) {
  if (gInSetFocusView || view == pFocusView) return;
  gInSetFocusView = true;
  CView* old = pFocusView;
  pFocusView = view;
  if (view && view->wantsFocus()) {
    view->setDirty(true);
    notifyAncestors(view, kMsgNewFocusView);
  }
  if (old) {
    if (old->wantsFocus()) {
      old->setDirty(true);
      notifyAncestors(old, kMsgOldFocusView);
    }
    old->looseFocus();
  }
  gInSetFocusView = false;
}

void CFrame::onViewRemoved(CView* view) {
  // A removed container takes its descendants with it, so pointers into it go as well.
  if (isInside(pMouseOverView, view)) pMouseOverView = nullptr;
  if (isInside(pFocusView, view)) pFocusView = nullptr;
}

bool CFrame::setDropActive(bool active) {
  if (!active && !bDropActive) return true;
  if (!pPlatform) return false;
  if (!pPlatform->setDropActive(active)) return false;
  bDropActive = active;
  return true;
}

void CFrame::invalidate(const CRect& rect) {
  for (CCView* n = pFirstView; n; n = n->pNext) {
    if (n->pView->getViewSize().rectOverlap(rect)) n->pView->setDirty(true);
  }
}

CDrawContext* CFrame::createDrawContext() {
  CDrawContext* context = pPlatform ? pPlatform->createDrawContext() : nullptr;
  if (!context) context = new CDrawContext(this, nullptr, nullptr);
  return context;
}

void CFrame::draw(CView* view) {
  if (view && !isChild(view)) return;
  CDrawContext* context = createDrawContext();
  if (!context) return;
  if (view)
    view->draw(context);
  else
    draw(context);
  context->forget();
}

CMouseEventResult CFrame::platformMouseDown(const CPoint& where, int32_t buttons) {
  CMouseEventResult result = onMouseDown(where, buttons);
  if (result == kMouseEventHandled && pPlatform) pPlatform->captureMouse();
  return result;
}

CMouseEventResult CFrame::platformMouseUp(const CPoint& where, int32_t buttons) {
  CMouseEventResult result = onMouseUp(where, buttons);
  if (pPlatform) pPlatform->releaseMouse();
  return result;
}

void CFrame::platformDrawRect(CDrawContext* context, const CRect& updateRect) {
  drawRect(context, updateRect);
}

void CFrame::platformDestroyed() {
  setOpenFlag(false);
  pSystemWindow = nullptr;
}

void CFrame::pumpOnePendingPaint() {
  if (pPlatform) pPlatform->pumpOnePendingPaint();
}

void CFrame::draw(CDrawContext* context) {
  drawRect(context, size);
}

void CFrame::drawRect(CDrawContext* context, const CRect& updateRect) {
  bFirstDraw = false;
  if (context)
    context->remember();
  else
    context = createDrawContext();
  if (!context) return;
  CRect oldClip;
  context->getClipRect(oldClip);
  CRect clip(updateRect);
  clip.bound(oldClip);
  context->setClipRect(clip);
  if (updateRect.width() > 0 && updateRect.height() > 0) CViewContainer::drawRect(context, updateRect);
  context->setClipRect(oldClip);
  context->forget();
}

void CFrame::invalid() {
  invalidRect(size);
  bDirty = false;
}

void CFrame::invalidRect(const CRect& rect) {
  if (bVisible && pPlatform) pPlatform->invalidate(rect);
}

void CFrame::leaveMouseOverView(const CPoint& where, int32_t buttons) {
  if (!pMouseOverView) return;
  // Cleared before the call, so a view that reacts by changing the tree finds
  // the frame no longer pointing at it.
  CView* old = pMouseOverView;
  pMouseOverView = nullptr;
  CPoint p(where);
  old->frameToLocal(p);
  old->onMouseExited(p, buttons);
}

CMouseEventResult CFrame::onMouseDown(const CPoint& where, int32_t buttons) {
  pMouseDownView = nullptr;
  if (pFocusView) setFocusView(nullptr);
  leaveMouseOverView(where, buttons);
  if (!pModalView) return CViewContainer::onMouseDown(where, buttons);

  CPoint local = toLocal(where);
  if (!pModalView->hitTest(local, buttons)) return kMouseEventNotHandled;
  CMouseEventResult result = pModalView->onMouseDown(local, buttons);
  if (result == kMouseEventHandled) {
    pMouseDownView = pModalView;
    return kMouseEventHandled;
  }
  if (result == kMouseEventNotImplemented) {
    CDrawContext* context = createDrawContext();
    if (context) {
      pModalView->mouse(context, local, buttons);
      context->forget();
    }
    return kMouseEventHandled;
  }
  return kMouseEventNotHandled;
}

CMouseEventResult CFrame::onMouseUp(const CPoint& where, int32_t buttons) {
  return CViewContainer::onMouseUp(where, buttons);
}

CMouseEventResult CFrame::onMouseMoved(const CPoint& where, int32_t buttons) {
  bMouseInside = true;
  if (pModalView) return pModalView->onMouseMoved(toLocal(where), buttons);

  CMouseEventResult result = CViewContainer::onMouseMoved(where, buttons);
  if (result != kMouseEventNotHandled) return result;

  CView* v = getViewAt(where, true);
  if (v && v == pMouseOverView) {
    CPoint p(where);
    v->frameToLocal(p);
    return v->onMouseMoved(p, pMouseDownView ? buttons : 0);
  }
  if (!v && !pMouseOverView) return result;
  leaveMouseOverView(where, buttons);
  if (v) {
    CPoint p(where);
    v->frameToLocal(p);
    pMouseOverView = v;
    v->onMouseEntered(p, buttons);
  }
  return kMouseEventHandled;
}

CMouseEventResult CFrame::onMouseExited(const CPoint& where, int32_t buttons) {
  leaveMouseOverView(where, buttons);
  bMouseInside = false;
  return kMouseEventHandled;
}

bool CFrame::onWheel(const CPoint& where, CMouseWheelAxis axis, float distance, int32_t buttons) {
  // No wheel while a button press is being tracked.
  if (pMouseDownView) return false;
  CView* v = pModalView ? pModalView : getViewAt(where, false);
  return v ? v->onWheel(toLocal(where), axis, distance, buttons) : false;
}

bool CFrame::onWheel(const CPoint& where, float distance, int32_t buttons) {
  return onWheel(where, kMouseWheelAxisY, distance, buttons);
}

int32_t CFrame::onKeyDown(VstKeyCode& keyCode) {
  int32_t result = -1;
  if (pFocusView) result = pFocusView->onKeyDown(keyCode);
  if (result == -1 && pModalView) result = pModalView->onKeyDown(keyCode);
  if (result == -1 && keyCode.virt == VKEY_TAB)
    result = advanceNextFocusView(pFocusView, (keyCode.modifier & MODIFIER_SHIFT) != 0) ? 1 : -1;
  return result;
}

int32_t CFrame::onKeyUp(VstKeyCode& keyCode) {
  int32_t result = -1;
  if (pFocusView) result = pFocusView->onKeyUp(keyCode);
  if (result == -1 && pModalView) result = pModalView->onKeyUp(keyCode);
  return result;
}

void CFrame::setViewSize(const CRect& rect, bool invalidate) {
  CViewContainer::setViewSize(rect, invalidate);
}

bool CFrame::removeView(CView* view, bool withForget) {
  if (view && view == pModalView) pModalView = nullptr;
  return CViewContainer::removeView(view, withForget);
}

bool CFrame::removeAll(bool withForget) {
  pModalView = nullptr;
  pFocusView = nullptr;
  pMouseOverView = nullptr;
  return CViewContainer::removeAll(withForget);
}

CView* CFrame::getCurrentView() const {
  if (pModalView) return pModalView;
  return CViewContainer::getCurrentView();
}

bool CFrame::advanceNextFocusView(CView* oldFocus, bool reverse) {
  if (pModalView) {
    if (pModalView->isTypeOf("CViewContainer"))
      return static_cast<CViewContainer*>(pModalView)->advanceNextFocusView(oldFocus, reverse);
    if (oldFocus == pModalView) return false;
    setFocusView(pModalView);
    return true;
  }
  if (!oldFocus) {
    if (!pFocusView) return CViewContainer::advanceNextFocusView(nullptr, reverse);
    oldFocus = pFocusView;
  }
  // Walk out of the containers around the old focus, innermost first.
  CView* child = oldFocus;
  CView* parent = oldFocus->getParentView();
  while (parent && parent != this) {
    if (parent->isTypeOf("CViewContainer") &&
        static_cast<CViewContainer*>(parent)->advanceNextFocusView(child, reverse))
      return true;
    child = parent;
    parent = parent->getParentView();
  }
  if (parent == this && CViewContainer::advanceNextFocusView(child, reverse)) return true;
  // Past the last focusable view: nothing holds the focus, the next Tab starts again.
  setFocusView(nullptr);
  return false;
}

bool CFrame::isTypeOf(const char* className) const {
  if (std::strcmp(className, "CFrame") == 0) return true;
  return CViewContainer::isTypeOf(className);
}
