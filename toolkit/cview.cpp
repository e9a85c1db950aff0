#include "cview.h"

#include <cstdlib>
#include <cstring>

#include "cbitmap.h"
#include "cdrawcontext.h"
#include "cframe.h"
#include "cviewcontainer.h"

const char* const kMsgCheckIfViewContainer = "kMsgCheckIfViewContainer";
const char* const kMsgNewFocusView = "kMsgNewFocusView";
const char* const kMsgOldFocusView = "kMsgOldFocusView";
const char* const kMsgLooseFocus = "LooseFocus";

struct CView::AttributeRecord {
  CViewAttributeID id;
  int32_t size;
  uint8_t* data;
  AttributeRecord* next;
};

CView::CView(const CRect& size)
    : size(size),
      mouseableArea(size),
      pParentFrame(nullptr),
      pParentView(nullptr),
      bDirty(false),
      bMouseEnabled(true),
      bTransparencyEnabled(false),
      bWantsFocus(false),
      bIsAttached(false),
      bVisible(true),
      autosizeFlags(0),
      pBackground(nullptr),
      pAttributeList(nullptr) {}

CView::CView(const CView& v)
    : CBaseObject(v),
      size(v.size),
      mouseableArea(v.mouseableArea),
      pParentFrame(nullptr),
      pParentView(nullptr),
      bDirty(false),
      bMouseEnabled(v.bMouseEnabled),
      bTransparencyEnabled(v.bTransparencyEnabled),
      bWantsFocus(v.bWantsFocus),
      bIsAttached(false),
      bVisible(true),
      autosizeFlags(v.autosizeFlags),
      pBackground(v.pBackground),
      pAttributeList(nullptr) {
  if (pBackground) pBackground->remember();
  for (AttributeRecord* r = v.pAttributeList; r; r = r->next) setAttribute(r->id, r->size, r->data);
}

CView::~CView() {
  if (pBackground) pBackground->forget();
  while (pAttributeList) {
    AttributeRecord* next = pAttributeList->next;
    delete[] pAttributeList->data;
    delete pAttributeList;
    pAttributeList = next;
  }
}

void CView::draw(CDrawContext* context) {
  if (pBackground) {
    if (bTransparencyEnabled)
      pBackground->drawTransparent(context, size);
    else
      pBackground->draw(context, size);
  }
  setDirty(false);
}

void CView::invalidRect(const CRect& rect) {
  if (!bIsAttached || !bVisible) return;
  if (pParentView)
    pParentView->invalidRect(rect);
  else if (pParentFrame)
    pParentFrame->invalidRect(rect);
}

void CView::invalid() {
  setDirty(false);
  invalidRect(size);
}

void CView::setVisible(bool state) {
  if (bVisible != state) {
    bVisible = state;
    setDirty(true);
  }
}

CMouseEventResult CView::onMouseDown(const CPoint&, int32_t) {
  return kMouseEventNotImplemented;
}
CMouseEventResult CView::onMouseUp(const CPoint&, int32_t) {
  return kMouseEventNotImplemented;
}
CMouseEventResult CView::onMouseMoved(const CPoint&, int32_t) {
  return kMouseEventNotImplemented;
}
CMouseEventResult CView::onMouseEntered(const CPoint&, int32_t) {
  return kMouseEventNotImplemented;
}
CMouseEventResult CView::onMouseExited(const CPoint&, int32_t) {
  return kMouseEventNotImplemented;
}

bool CView::hitTest(const CPoint& where, int32_t) {
  return where.isInside(mouseableArea);
}

bool CView::onWheel(const CPoint& where, CMouseWheelAxis axis, float distance, int32_t buttons) {
  if (axis == kMouseWheelAxisX) return onWheel(where, -distance, buttons);
  return onWheel(where, distance, buttons);
}

bool CView::onWheel(const CPoint&, float, int32_t) {
  return false;
}

bool CView::onDrop(CDragContainer*, const CPoint&) {
  return false;
}
void CView::onDragEnter(CDragContainer*, const CPoint&) {}
void CView::onDragLeave(CDragContainer*, const CPoint&) {}
void CView::onDragMove(CDragContainer*, const CPoint&) {}

int32_t CView::onKeyDown(VstKeyCode&) {
  return -1;
}
int32_t CView::onKeyUp(VstKeyCode&) {
  return -1;
}

void CView::setViewSize(const CRect& rect, bool invalidate) {
  size = rect;
  if (invalidate) setDirty(true);
}

CRect CView::getVisibleSize() const {
  if (!bIsAttached) return CRect();
  if (pParentView && pParentView->isTypeOf("CViewContainer"))
    return static_cast<CViewContainer*>(pParentView)->getVisibleSize(size);
  if (pParentFrame) return pParentFrame->getVisibleSize(size);
  return CRect();
}

CPoint& CView::frameToLocal(CPoint& point) const {
  if (pParentView && pParentView->isTypeOf("CViewContainer")) return pParentView->frameToLocal(point);
  return point;
}

CPoint& CView::localToFrame(CPoint& point) const {
  if (pParentView && pParentView->isTypeOf("CViewContainer")) return pParentView->localToFrame(point);
  return point;
}

void CView::setBackground(CBitmap* background) {
  if (background) background->remember();
  if (pBackground) pBackground->forget();
  pBackground = background;
  setDirty(true);
}

bool CView::removed(CView*) {
  if (!bIsAttached) return false;
  pParentView = nullptr;
  pParentFrame = nullptr;
  bIsAttached = false;
  return true;
}

bool CView::attached(CView* parent) {
  if (bIsAttached) return false;
  pParentView = parent;
  pParentFrame = parent ? parent->getFrame() : nullptr;
  bIsAttached = true;
  return true;
}

VSTGUIEditorInterface* CView::getEditor() const {
  return pParentFrame ? pParentFrame->getEditor() : nullptr;
}

bool CView::isTypeOf(const char* className) const {
  return std::strcmp(className, "CView") == 0;
}

CPoint& CView::getMouseLocation(CDrawContext* context, CPoint& point) {
  if (pParentView && pParentView->notify(this, kMsgCheckIfViewContainer) == kMessageNotified) {
    const CRect& parentSize = pParentView->getViewSize();
    CPoint saveOffset = context->offset;
    CPoint saveScreen = context->offsetScreen;
    context->offset.offset(parentSize.left, parentSize.top);
    context->offsetScreen.offset(parentSize.left, parentSize.top);
    pParentView->getMouseLocation(context, point);
    context->offset = saveOffset;
    context->offsetScreen = saveScreen;
    return point;
  }
  return context->getMouseLocation(point);
}

bool CView::getAttributeSize(CViewAttributeID id, int32_t& outSize) const {
  for (AttributeRecord* r = pAttributeList; r; r = r->next) {
    if (r->id == id) {
      outSize = r->size;
      return true;
    }
  }
  return false;
}

bool CView::getAttribute(CViewAttributeID id, int32_t inSize, void* outData, int32_t& outSize) const {
  for (AttributeRecord* r = pAttributeList; r; r = r->next) {
    if (r->id == id) {
      if (inSize < r->size || !outData) return false;
      if (r->size > 0) std::memcpy(outData, r->data, static_cast<size_t>(r->size));
      outSize = r->size;
      return true;
    }
  }
  return false;
}

bool CView::setAttribute(CViewAttributeID id, int32_t inSize, const void* inData) {
  if (inSize < 0 || (inSize > 0 && !inData)) return false;
  AttributeRecord* rec = nullptr;
  for (AttributeRecord* r = pAttributeList; r; r = r->next) {
    if (r->id == id) {
      rec = r;
      break;
    }
  }
  if (!rec) {
    rec = new AttributeRecord{id, 0, nullptr, nullptr};
    // Appended, so that copies keep the order of the original.
    AttributeRecord** tail = &pAttributeList;
    while (*tail) tail = &(*tail)->next;
    *tail = rec;
  }
  if (inSize > rec->size || !rec->data) {
    delete[] rec->data;
    rec->data = new uint8_t[inSize > 0 ? inSize : 1];
  }
  if (inSize > 0) std::memcpy(rec->data, inData, static_cast<size_t>(inSize));
  rec->size = inSize;
  return true;
}

bool CView::removeAttribute(CViewAttributeID id) {
  for (AttributeRecord** link = &pAttributeList; *link; link = &(*link)->next) {
    if ((*link)->id == id) {
      AttributeRecord* r = *link;
      *link = r->next;
      delete[] r->data;
      delete r;
      return true;
    }
  }
  return false;
}
