#include "cviewcontainer.h"

#include <cstring>

#include "cbitmap.h"
#include "ccontrol.h"
#include "cdrawcontext.h"
#include "cframe.h"

namespace {

// Buttons and modifiers that make a press ask the listener first.
constexpr int32_t kModifierClickMask = kRButton | kShift | kControl | kAlt | kApple;

bool hasArea(const CRect& r) {
  return r.width() > 0 && r.height() > 0;
}

}  // namespace

CViewContainer::CViewContainer(const CRect& size, CFrame* frame, CBitmap* background)
    : CView(size),
      pFirstView(nullptr),
      pLastView(nullptr),
      pOffscreenContext(nullptr),
      backgroundColor(kBlackCColor),
      backgroundOffset(0, 0),
      bDrawInOffscreen(false),
      pCurrentDragView(nullptr),
      pMouseDownView(nullptr) {
  pParentFrame = frame;
  pBackground = background;
  if (pBackground) pBackground->remember();
}

CViewContainer::CViewContainer(const CViewContainer& v)
    : CView(v),
      pFirstView(nullptr),
      pLastView(nullptr),
      pOffscreenContext(nullptr),
      backgroundColor(v.backgroundColor),
      backgroundOffset(v.backgroundOffset),
      bDrawInOffscreen(v.bDrawInOffscreen),
      pCurrentDragView(nullptr),
      pMouseDownView(nullptr) {
  for (CCView* n = v.pFirstView; n; n = n->pNext) addView(n->pView->newCopy());
}

CViewContainer::~CViewContainer() {
  if (pOffscreenContext) pOffscreenContext->forget();
  pOffscreenContext = nullptr;
  removeAll(true);
}

CViewContainer::CCView* CViewContainer::findNode(CView* view) const {
  for (CCView* n = pFirstView; n; n = n->pNext)
    if (n->pView == view) return n;
  return nullptr;
}

void CViewContainer::unlinkNode(CCView* node) {
  if (node->pPrevious)
    node->pPrevious->pNext = node->pNext;
  else
    pFirstView = node->pNext;
  if (node->pNext)
    node->pNext->pPrevious = node->pPrevious;
  else
    pLastView = node->pPrevious;
  node->pView->forget();  // the node's own reference
  delete node;
}

void CViewContainer::dropReferencesTo(CView* view) {
  if (pMouseDownView == view) pMouseDownView = nullptr;
  if (pCurrentDragView == view) pCurrentDragView = nullptr;
}

bool CViewContainer::addView(CView* view) {
  if (!view || view->isAttached()) return false;
  CCView* node = new CCView{view, nullptr, pLastView};
  view->remember();
  if (pLastView)
    pLastView->pNext = node;
  else
    pFirstView = node;
  pLastView = node;
  if (bIsAttached) {
    view->attached(this);
    view->invalid();
  }
  return true;
}

bool CViewContainer::addView(CView* view, CView* before) {
  CCView* at = before ? findNode(before) : nullptr;
  if (!at) return addView(view);
  if (!view || view->isAttached()) return false;
  CCView* node = new CCView{view, at, at->pPrevious};
  view->remember();
  if (at->pPrevious)
    at->pPrevious->pNext = node;
  else
    pFirstView = node;
  at->pPrevious = node;
  if (bIsAttached) {
    view->attached(this);
    view->invalid();
  }
  return true;
}

bool CViewContainer::addView(CView* view, const CRect& mouseableArea, bool mouseEnabled) {
  if (!addView(view)) return false;
  view->setMouseEnabled(mouseEnabled);
  view->setMouseableArea(mouseableArea);
  return true;
}

bool CViewContainer::removeView(CView* view, bool withForget) {
  CCView* node = findNode(view);
  if (!node) return false;
  view->invalid();
  dropReferencesTo(view);
  if (pParentFrame) pParentFrame->onViewRemoved(view);
  if (bIsAttached) view->removed(this);
  if (withForget) view->forget();  // the reference the caller handed over with addView
  unlinkNode(node);
  return true;
}

bool CViewContainer::removeAll(bool withForget) {
  while (pFirstView) {
    CCView* node = pFirstView;
    CView* view = node->pView;
    dropReferencesTo(view);
    if (pParentFrame) pParentFrame->onViewRemoved(view);
    if (bIsAttached) view->removed(this);
    if (withForget) view->forget();
    unlinkNode(node);
  }
  return true;
}

bool CViewContainer::isChild(CView* view) const {
  return view && findNode(view) != nullptr;
}

int32_t CViewContainer::getNbViews() const {
  int32_t count = 0;
  for (CCView* n = pFirstView; n; n = n->pNext) ++count;
  return count;
}

CView* CViewContainer::getView(int32_t index) const {
  if (index < 0) return nullptr;
  for (CCView* n = pFirstView; n; n = n->pNext, --index)
    if (index == 0) return n->pView;
  return nullptr;
}

CView* CViewContainer::getViewAt(const CPoint& where, bool deep) const {
  if (!bIsAttached || !bVisible) return nullptr;
  CPoint local = toLocal(where);
  for (CCView* n = pLastView; n; n = n->pPrevious) {
    CView* v = n->pView;
    if (v->isVisible() && local.isInside(v->getMouseableArea())) {
      if (deep && v->isTypeOf("CViewContainer"))
        return static_cast<CViewContainer*>(v)->getViewAt(local, deep);
      return v;
    }
  }
  return nullptr;
}

CViewContainer* CViewContainer::getContainerAt(const CPoint& where, bool deep) {
  if (!bIsAttached) return nullptr;
  CPoint local = toLocal(where);
  for (CCView* n = pLastView; n; n = n->pPrevious) {
    CView* v = n->pView;
    if (v->isVisible() && local.isInside(v->getMouseableArea())) {
      if (deep && v->isTypeOf("CViewContainer"))
        return static_cast<CViewContainer*>(v)->getContainerAt(local, deep);
      break;
    }
  }
  return this;
}

void CViewContainer::drawBackgroundRect(CDrawContext* context, const CRect& rect) {
  if (pBackground) {
    CRect oldClip;
    context->getClipRect(oldClip);
    CRect clip(rect);
    clip.bound(oldClip);
    context->setClipRect(clip);
    CRect target(0, 0, pBackground->getWidth(), pBackground->getHeight());
    if (bTransparencyEnabled)
      pBackground->drawTransparent(context, target, backgroundOffset);
    else
      pBackground->draw(context, target, backgroundOffset);
    context->setClipRect(oldClip);
  } else if (!bTransparencyEnabled || backgroundColor.alpha != 255) {
    context->setFillColor(backgroundColor);
    context->setFrameColor(backgroundColor);
    context->drawRect(CRect(0, 0, size.width(), size.height()), kDrawFilledAndStroked);
  }
}

void CViewContainer::useOffscreen(bool flag) {
  bDrawInOffscreen = flag;
  if (!flag && pOffscreenContext) {
    pOffscreenContext->forget();
    pOffscreenContext = nullptr;
  }
}

bool CViewContainer::advanceNextFocusView(CView* oldFocus, bool reverse) {
  bool started = oldFocus == nullptr;
  for (CCView* n = reverse ? pLastView : pFirstView; n; n = reverse ? n->pPrevious : n->pNext) {
    CView* v = n->pView;
    if (!started) {
      if (v == oldFocus) started = true;
      continue;
    }
    if (v->wantsFocus()) {
      if (pParentFrame) pParentFrame->setFocusView(v);
      v->takeFocus();
      return true;
    }
    if (v->isTypeOf("CViewContainer") &&
        static_cast<CViewContainer*>(v)->advanceNextFocusView(nullptr, reverse))
      return true;
  }
  return false;
}

void CViewContainer::invalidateDirtyViews() {
  if (!bVisible) return;
  if (CView::isDirty()) {
    // The container itself changed: its whole rectangle is repainted by its parent.
    invalid();
    return;
  }
  for (CCView* n = pFirstView; n; n = n->pNext) {
    CView* v = n->pView;
    if (v->isDirty() && v->isVisible()) {
      if (v->isTypeOf("CViewContainer"))
        static_cast<CViewContainer*>(v)->invalidateDirtyViews();
      else
        v->invalid();
    }
  }
}

CRect CViewContainer::getVisibleSize(const CRect& rect) const {
  CRect result(rect);
  result.offset(size.left, size.top);
  result.bound(size);
  if (pParentView && pParentView != this && pParentView->isTypeOf("CViewContainer"))
    result = static_cast<CViewContainer*>(pParentView)->getVisibleSize(result);
  else if (pParentFrame && static_cast<const CView*>(pParentFrame) != this)
    result = pParentFrame->getVisibleSize(result);
  result.offset(-size.left, -size.top);
  return result;
}

CView* CViewContainer::getCurrentView() const {
  if (!bIsAttached || !pParentFrame) return nullptr;
  CPoint where;
  pParentFrame->getCurrentMouseLocation(where);
  frameToLocal(where);
  for (CCView* n = pLastView; n; n = n->pPrevious) {
    CView* v = n->pView;
    if (v->isVisible() && where.isInside(v->getMouseableArea())) return v;
  }
  return nullptr;
}

bool CViewContainer::checkUpdateRect(CView* view, const CRect& rect) {
  return view->checkUpdate(rect) && view->isVisible();
}

bool CViewContainer::hitTestSubViews(const CPoint& where, int32_t buttons) {
  CPoint local = toLocal(where);
  for (CCView* n = pLastView; n; n = n->pPrevious) {
    CView* v = n->pView;
    if (v->getMouseEnabled() && v->hitTest(local, buttons)) return true;
  }
  return false;
}

void CViewContainer::draw(CDrawContext* context) {
  drawRect(context, size);
}

void CViewContainer::drawRect(CDrawContext* context, const CRect& updateRect) {
  if (bDrawInOffscreen && !pOffscreenContext)
    pOffscreenContext = new COffscreenContext(pParentFrame, size.width(), size.height(), kBlackCColor);

  CDrawContext* target = context;
  CPoint savedOffset = context->getOffset();
  const bool offscreen = bDrawInOffscreen && pOffscreenContext;
  if (offscreen)
    target = pOffscreenContext;
  else
    context->setOffset(CPoint(savedOffset.h + size.left, savedOffset.v + size.top));

  CRect client(updateRect);
  client.bound(size);
  client.offset(-size.left, -size.top);

  CRect oldClip;
  context->getClipRect(oldClip);
  CRect newClip(client);
  CRect savedClip(oldClip);
  if (offscreen && static_cast<CView*>(pParentFrame) != this) savedClip.moveTo(0, 0);
  newClip.bound(savedClip);
  target->setClipRect(newClip);

  drawBackgroundRect(target, client);

  for (CCView* n = pFirstView; n; n = n->pNext) {
    CView* v = n->pView;
    if (!checkUpdateRect(v, client)) continue;
    CRect r(v->getViewSize());
    r.bound(newClip);
    if (r.width() != 0 && r.height() != 0) {
      target->setClipRect(r);
      v->drawRect(target, client);
    }
  }

  target->setClipRect(savedClip);

  if (offscreen) {
    CRect dest(updateRect);
    dest.bound(size);
    pOffscreenContext->copyFrom(context, dest, CPoint(client.left, client.top));
  } else {
    context->setOffset(savedOffset);
  }
  setDirty(false);
}

bool CViewContainer::isDirty() const {
  if (bDirty) return true;
  CRect bounds(0, 0, size.width(), size.height());
  for (CCView* n = pFirstView; n; n = n->pNext) {
    if (!n->pView->isDirty()) continue;
    CRect r(n->pView->getViewSize());
    r.bound(bounds);
    if (hasArea(r)) return true;
  }
  return false;
}

void CViewContainer::invalid() {
  bDirty = false;
  if (!bIsAttached || !bVisible) return;
  if (pParentView)
    pParentView->invalidRect(size);
  else if (pParentFrame && static_cast<CView*>(pParentFrame) != this)
    pParentFrame->invalidRect(size);
}

void CViewContainer::invalidRect(const CRect& rect) {
  CRect r(rect);
  r.offset(size.left, size.top);
  r.bound(size);
  if (r.isEmpty()) return;
  CView::invalidRect(r);
}

CMouseEventResult CViewContainer::onMouseDown(const CPoint& where, int32_t buttons) {
  CPoint local = toLocal(where);
  for (CCView* n = pLastView; n; n = n->pPrevious) {
    CView* v = n->pView;
    if (!v->isVisible() || !v->getMouseEnabled() || !v->hitTest(local, buttons)) continue;
    if ((buttons & kModifierClickMask) && v->isTypeOf("CControl")) {
      CControlListener* listener = static_cast<CControl*>(v)->getListener();
      if (listener && listener->controlModifierClicked(static_cast<CControl*>(v), buttons) != 0)
        return kMouseEventHandled;
    }
    v->remember();  // the press may take the view out of the tree
    CMouseEventResult result = v->onMouseDown(local, buttons);
    if (result == kMouseEventNotImplemented) {
      CDrawContext* context = pParentFrame ? pParentFrame->createDrawContext() : nullptr;
      if (context) {
        v->mouse(context, local, buttons);
        context->forget();
      }
    } else if (result == kMouseEventHandled && isChild(v)) {
      pMouseDownView = v;
    }
    v->forget();
    return result;
  }
  return kMouseEventNotHandled;
}

CMouseEventResult CViewContainer::onMouseUp(const CPoint& where, int32_t buttons) {
  if (!pMouseDownView) return kMouseEventNotHandled;
  CView* v = pMouseDownView;
  v->remember();  // the release may remove the view from the tree
  v->onMouseUp(toLocal(where), buttons);
  pMouseDownView = nullptr;
  v->forget();
  return kMouseEventHandled;
}

CMouseEventResult CViewContainer::onMouseMoved(const CPoint& where, int32_t buttons) {
  if (!pMouseDownView) return kMouseEventNotHandled;
  CView* v = pMouseDownView;
  v->remember();  // the move may take the view out of the tree
  CMouseEventResult result = v->onMouseMoved(toLocal(where), buttons);
  v->forget();
  if (result != kMouseEventHandled || pMouseDownView != v) {
    pMouseDownView = nullptr;
    return kMouseEventNotHandled;
  }
  return kMouseEventHandled;
}

bool CViewContainer::onWheel(const CPoint& where, CMouseWheelAxis axis, float distance, int32_t buttons) {
  CView* v = getViewAt(where, false);
  return v ? v->onWheel(toLocal(where), axis, distance, buttons) : false;
}

bool CViewContainer::onWheel(const CPoint& where, float distance, int32_t buttons) {
  CView* v = getViewAt(where, false);
  return v ? v->onWheel(toLocal(where), distance, buttons) : false;
}

bool CViewContainer::onDrop(CDragContainer* drag, const CPoint& where) {
  if (!bIsAttached) return false;
  CPoint local = toLocal(where);
  CView* v = getViewAt(where, false);
  if (v != pCurrentDragView) {
    if (pCurrentDragView) pCurrentDragView->onDragLeave(drag, local);
    pCurrentDragView = v;
  }
  bool result = false;
  if (pCurrentDragView) {
    result = pCurrentDragView->onDrop(drag, local);
    pCurrentDragView->onDragLeave(drag, local);
  }
  pCurrentDragView = nullptr;
  return result;
}

void CViewContainer::onDragEnter(CDragContainer* drag, const CPoint& where) {
  if (!bIsAttached) return;
  CPoint local = toLocal(where);
  if (pCurrentDragView) pCurrentDragView->onDragLeave(drag, local);
  pCurrentDragView = getViewAt(where, false);
  if (pCurrentDragView) pCurrentDragView->onDragEnter(drag, local);
}

void CViewContainer::onDragLeave(CDragContainer* drag, const CPoint& where) {
  if (!bIsAttached) return;
  if (pCurrentDragView) pCurrentDragView->onDragLeave(drag, toLocal(where));
  pCurrentDragView = nullptr;
}

void CViewContainer::onDragMove(CDragContainer* drag, const CPoint& where) {
  if (!bIsAttached) return;
  CPoint local = toLocal(where);
  CView* v = getViewAt(where, false);
  if (v != pCurrentDragView) {
    if (pCurrentDragView) pCurrentDragView->onDragLeave(drag, local);
    pCurrentDragView = v;
    if (v) v->onDragEnter(drag, local);
  } else if (v) {
    v->onDragMove(drag, local);
  }
}

int32_t CViewContainer::onKeyDown(VstKeyCode& keyCode) {
  for (CCView* n = pLastView; n; n = n->pPrevious) {
    int32_t result = n->pView->onKeyDown(keyCode);
    if (result != -1) return result;
  }
  return -1;
}

int32_t CViewContainer::onKeyUp(VstKeyCode& keyCode) {
  for (CCView* n = pLastView; n; n = n->pPrevious) {
    int32_t result = n->pView->onKeyUp(keyCode);
    if (result != -1) return result;
  }
  return -1;
}

void CViewContainer::setViewSize(const CRect& rect, bool invalidate) {
  // Children keep their places: autosizing is not used by this program.
  CView::setViewSize(rect, invalidate);
  // An offscreen surface of the old size would be copied wrongly: make a new one at the next draw.
  if (pOffscreenContext) {
    pOffscreenContext->forget();
    pOffscreenContext = nullptr;
  }
}

void CViewContainer::parentSizeChanged() {
  for (CCView* n = pFirstView; n; n = n->pNext) n->pView->parentSizeChanged();
}

CPoint& CViewContainer::frameToLocal(CPoint& point) const {
  point.offset(-size.left, -size.top);
  if (pParentView && pParentView->isTypeOf("CViewContainer")) return pParentView->frameToLocal(point);
  return point;
}

CPoint& CViewContainer::localToFrame(CPoint& point) const {
  point.offset(size.left, size.top);
  if (pParentView && pParentView->isTypeOf("CViewContainer")) return pParentView->localToFrame(point);
  return point;
}

bool CViewContainer::isTypeOf(const char* className) const {
  if (std::strcmp(className, "CViewContainer") == 0) return true;
  return CView::isTypeOf(className);
}

void CViewContainer::mouse(CDrawContext* context, CPoint& where, int32_t buttons) {
  CPoint local = toLocal(where);
  for (CCView* n = pLastView; n; n = n->pPrevious) {
    CView* v = n->pView;
    if (v->getMouseEnabled() && v->hitTest(local, buttons)) {
      v->mouse(context, local, buttons);
      return;
    }
  }
}

bool CViewContainer::attached(CView* parent) {
  if (bIsAttached) return false;
  if (bDrawInOffscreen && !pOffscreenContext && parent && parent->getFrame())
    pOffscreenContext = new COffscreenContext(parent->getFrame(), size.width(), size.height(), kBlackCColor);
  pParentFrame = parent ? parent->getFrame() : nullptr;
  // Children learn the frame from this container, which must count as attached first.
  bool result = CView::attached(parent);
  for (CCView* n = pFirstView; n; n = n->pNext) n->pView->attached(this);
  return result;
}

bool CViewContainer::removed(CView* parent) {
  if (pOffscreenContext) {
    pOffscreenContext->forget();
    pOffscreenContext = nullptr;
  }
  for (CCView* n = pFirstView; n; n = n->pNext) n->pView->removed(this);
  pMouseDownView = nullptr;
  pCurrentDragView = nullptr;
  return CView::removed(parent);
}

CMessageResult CViewContainer::notify(CBaseObject* sender, const char* message) {
  if (message == kMsgCheckIfViewContainer) return kMessageNotified;
  return CView::notify(sender, message);
}
