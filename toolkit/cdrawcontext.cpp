#include "cdrawcontext.h"

#include "cbitmap.h"
#include "cfont.h"

CDrawContext::CDrawContext(CFrame* frame, void* systemContext, void* window) : CDrawContext(frame) {
  pSystemContext = systemContext;
  pWindow = window;
  platformCreate();
  initDefaults();
}

CDrawContext::CDrawContext(CFrame* frame)
    : pSystemContext(nullptr),
      pWindow(nullptr),
      pFrame(frame),
      pGraphics(nullptr),
      font(nullptr),
      fontColor(kWhiteCColor),
      frameWidth(1),
      fillColor(kBlackCColor),
      frameColor(kWhiteCColor),
      lineStyle(kLineSolid),
      drawMode(kCopyMode) {}

void CDrawContext::initDefaults() {
  clipRect = defaultClip();
  platformApplyClip();
  // Force every setter to apply its state to the platform object.
  frameColor = kTransparentCColor;
  fillColor = kTransparentCColor;
  setFrameColor(kWhiteCColor);
  setLineStyle(kLineSolid);
  setLineWidth(1);
  setFillColor(kBlackCColor);
  setFontColor(kWhiteCColor);
  setFont(kSystemFont);
  setDrawMode(kCopyMode);
}

CDrawContext::~CDrawContext() {
  if (font) font->forget();
  font = nullptr;
  platformDestroy();
}

void CDrawContext::moveTo(const CPoint& point) {
  penLoc = point + offset;
}

void CDrawContext::lineTo(const CPoint& point) {
  CPoint to = point + offset;
  platformLine(penLoc, to);
  penLoc = to;
}

void CDrawContext::drawLines(const CPoint* points, int32_t count) {
  if (!points) return;
  for (int32_t i = 0; i + 1 < count; i += 2) {
    moveTo(points[i]);
    lineTo(points[i + 1]);
  }
}

void CDrawContext::drawPolygon(const CPoint* points, int32_t count, CDrawStyle style, bool closed) {
  if (!points || count <= 0 || !pGraphics) return;
  constexpr int32_t kFixedPoints = 30;
  CPoint fixed[kFixedPoints];
  CPoint* moved = count <= kFixedPoints ? fixed : new CPoint[count];
  for (int32_t i = 0; i < count; i++) moved[i] = points[i] + offset;
  platformPolygon(moved, count, style, closed);
  if (moved != fixed) delete[] moved;
}

void CDrawContext::drawRect(const CRect& rect, CDrawStyle style) {
  CRect r(rect.left, rect.top, rect.right, rect.bottom);  // normalised
  r.offset(offset);
  platformRect(r, style);
}

void CDrawContext::fillRect(const CRect& rect) {
  drawRect(rect, kDrawFilled);
}

void CDrawContext::drawEllipse(const CRect& rect, CDrawStyle style) {
  CRect r(rect.left, rect.top, rect.right, rect.bottom);
  r.offset(offset);
  platformEllipse(r, style);
}

void CDrawContext::drawArc(const CRect& rect, float startAngle, float endAngle, CDrawStyle style) {
  double start = startAngle;
  double end = endAngle;
  if (end < start) end += 360.0;
  double sweep = end - start;
  if (sweep < 0) sweep = -sweep;
  CRect r = rect;
  r.offset(offset);
  platformArc(r, start, sweep, style);
}

void CDrawContext::drawPoint(const CPoint& point, const CColor& color) {
  int32_t oldWidth = frameWidth;
  CColor oldColor = frameColor;
  setLineWidth(1);
  setFrameColor(color);
  CPoint oldPen = penLoc;
  moveTo(point);
  lineTo(CPoint(point.h + 1, point.v));
  penLoc = oldPen;
  setLineWidth(oldWidth);
  setFrameColor(oldColor);
}

CColor CDrawContext::getPoint(const CPoint& /*point*/) {
  return kBlackCColor;
}

void CDrawContext::setFont(CFontDesc* newFont, int32_t size, int32_t style) {
  if (!newFont) return;
  bool newSize = size > 0 && size != newFont->getSize();
  bool newStyle = style != -1 && style != newFont->getStyle();
  CFontDesc* next;
  if (newSize || newStyle) {
    next = new CFontDesc(newFont->getName(), size > 0 ? size : newFont->getSize(),
                         style != -1 ? style : newFont->getStyle());
  } else {
    newFont->remember();
    next = newFont;
  }
  if (font) font->forget();
  font = next;
}

void CDrawContext::drawStringUTF8(const char* text, const CRect& rect, CHoriTxtAlign align, bool antialias) {
  if (!text) return;
  int32_t fontSize = font ? font->getSize() : 0;
  CRect r = rect;
  r.bottom -= rect.height() / 2 - fontSize / 2 + 1;
  if (align == kRightText) {
    r.left = r.right - getStringWidthUTF8(text);
  } else if (align == kCenterText) {
    int32_t textWidth = getStringWidthUTF8(text);
    r.left = static_cast<int32_t>(r.left + rect.width() / 2.0 - textWidth / 2.0);
  }
  CRect oldClip;
  getClipRect(oldClip);
  CRect newClip = rect;
  newClip.bound(oldClip);
  setClipRect(newClip);
  drawStringUTF8(text, CPoint(r.left, r.bottom), antialias);
  setClipRect(oldClip);
}

void CDrawContext::drawString(const char* text, const CRect& rect, int16_t /*opaque*/, CHoriTxtAlign align) {
  drawStringUTF8(text, rect, align, true);
}

int32_t CDrawContext::getStringWidthUTF8(const char* text) {
  if (!text || !font) return -1;
  return platformStringWidth(text);
}

void CDrawContext::drawStringUTF8(const char* text, const CPoint& point, bool antialias) {
  if (!text || !font || !pGraphics) return;
  platformDrawString(text, point + offset, antialias);
}

void CDrawContext::setClipRect(const CRect& clip) {
  CRect r = clip;
  r.offset(offset);
  if (r == clipRect) return;
  clipRect = r;
  platformApplyClip();
}

CRect& CDrawContext::getClipRect(CRect& clip) const {
  clip = clipRect;
  clip.offset(-offset.h, -offset.v);
  return clip;
}

void CDrawContext::resetClipRect() {
  clipRect = defaultClip();
  platformApplyClip();
}

void CDrawContext::setLineStyle(CLineStyle style) {
  lineStyle = style;
}

void CDrawContext::setLineWidth(int32_t width) {
  frameWidth = width;
}

void CDrawContext::setDrawMode(CDrawMode mode) {
  drawMode = mode;
  platformApplyAntialias();
}

void CDrawContext::setFrameColor(const CColor& color) {
  if (color == frameColor) return;
  frameColor = color;
}

void CDrawContext::setFillColor(const CColor& color) {
  if (color == fillColor) return;
  fillColor = color;
}

void CDrawContext::setFontColor(const CColor& color) {
  fontColor = color;
}

// ---------------------------------------------------------------------------

COffscreenContext::COffscreenContext(CFrame* frame, int32_t width, int32_t height,
                                     const CColor& backgroundColor)
    : CDrawContext(frame),
      pBitmap(new CBitmap(frame, width, height)),
      width(width),
      height(height),
      backgroundColor(backgroundColor) {
  platformCreateOffscreen(pBitmap);
  initDefaults();
  clipRect = CRect(0, 0, width, height);
  platformApplyClip();
}

COffscreenContext::~COffscreenContext() {
  // The platform object draws into the bitmap: it goes first.
  if (font) font->forget();
  font = nullptr;
  platformDestroy();
  pBitmap->forget();
}

void COffscreenContext::copyFrom(CDrawContext* context, const CRect& destRect, const CPoint& srcOffset) {
  if (!context) return;
  pBitmap->draw(context, destRect, srcOffset);
}
