// The drawing context over GDI+: a graphics object over a device context (given, or the
// window's own for the context's lifetime) or over an offscreen image, with one pen, one fill
// brush and one text brush.
//
// With the default pixel offset, GDI+ puts pixel centres on whole coordinates: an outline of
// left, top, width - 1, height - 1 covers the rectangle's first and last rows and columns, and
// a fill of left, top, width, height covers exactly its pixels.
#include "toolkit/cbitmap.h"
#include "toolkit/cdrawcontext.h"
#include "toolkit/cfont.h"
#include "toolkit/platform/gdiplus/gdiplus_context.h"

using zarnith::GdiplusContext;
using zarnith::gdiplusOf;

namespace {

Gdiplus::Color colorOf(const CColor& c) {
  return Gdiplus::Color(c.alpha, c.red, c.green, c.blue);
}

// The state every new graphics object gets, and its pen and brushes.
GdiplusContext* prepare(Gdiplus::Graphics* graphics, HWND window, HDC windowDC) {
  if (!graphics || graphics->GetLastStatus() != Gdiplus::Ok) {
    delete graphics;
    if (windowDC) ReleaseDC(window, windowDC);
    return nullptr;
  }
  graphics->SetInterpolationMode(Gdiplus::InterpolationModeLowQuality);
  graphics->SetPageUnit(Gdiplus::UnitPixel);
  graphics->SetPixelOffsetMode(Gdiplus::PixelOffsetModeNone);
  auto* context = new GdiplusContext{graphics, window, windowDC, nullptr, nullptr, nullptr};
  context->pen = new Gdiplus::Pen(Gdiplus::Color(255, 255, 255, 255), 1);
  context->fillBrush = new Gdiplus::SolidBrush(Gdiplus::Color(255, 0, 0, 0));
  context->textBrush = new Gdiplus::SolidBrush(Gdiplus::Color(255, 255, 255, 255));
  return context;
}

void applyPen(GdiplusContext* g, int32_t width, CLineStyle style, const CColor& color) {
  g->pen->SetColor(colorOf(color));
  g->pen->SetWidth(static_cast<Gdiplus::REAL>(width));
  g->pen->SetDashStyle(style == kLineOnOffDash ? Gdiplus::DashStyleDot : Gdiplus::DashStyleSolid);
}

bool fills(CDrawStyle style) {
  return style == kDrawFilled || style == kDrawFilledAndStroked;
}
bool strokes(CDrawStyle style) {
  return style == kDrawStroked || style == kDrawFilledAndStroked;
}

}  // namespace

void CDrawContext::platformCreate() {
  if (!zarnith::gdiplusRunning()) return;
  if (pSystemContext) {
    pGraphics = prepare(new Gdiplus::Graphics(static_cast<HDC>(pSystemContext)), nullptr, nullptr);
  } else if (pWindow) {
    HWND window = static_cast<HWND>(pWindow);
    HDC dc = GetDC(window);
    if (dc) pGraphics = prepare(new Gdiplus::Graphics(dc), window, dc);
  }
}

void CDrawContext::platformCreateOffscreen(CBitmap* target) {
  if (!zarnith::gdiplusRunning() || !target || !target->getPlatformImage()) return;
  auto* image = static_cast<Gdiplus::Bitmap*>(target->getPlatformImage());
  pGraphics = prepare(new Gdiplus::Graphics(image), nullptr, nullptr);
}

void CDrawContext::platformDestroy() {
  GdiplusContext* g = gdiplusOf(pGraphics);
  if (!g) return;
  delete g->textBrush;
  delete g->fillBrush;
  delete g->pen;
  g->graphics->Flush(Gdiplus::FlushIntentionSync);
  delete g->graphics;
  if (g->windowDC) ReleaseDC(g->window, g->windowDC);
  delete g;
  pGraphics = nullptr;
}

void CDrawContext::platformApplyClip() {
  GdiplusContext* g = gdiplusOf(pGraphics);
  if (!g) return;
  g->graphics->SetClip(Gdiplus::Rect(clipRect.left, clipRect.top, clipRect.width(), clipRect.height()),
                       Gdiplus::CombineModeReplace);
}

void CDrawContext::platformApplyAntialias() {
  GdiplusContext* g = gdiplusOf(pGraphics);
  if (!g) return;
  g->graphics->SetSmoothingMode(drawMode == kAntialias ? Gdiplus::SmoothingModeAntiAlias
                                                       : Gdiplus::SmoothingModeNone);
}

void CDrawContext::platformLine(const CPoint& from, const CPoint& to) {
  GdiplusContext* g = gdiplusOf(pGraphics);
  if (!g || frameWidth <= 0) return;
  applyPen(g, frameWidth, lineStyle, frameColor);
  g->graphics->DrawLine(g->pen, from.h, from.v, to.h, to.v);
}

void CDrawContext::platformPolygon(const CPoint* points, int32_t count, CDrawStyle style, bool closed) {
  GdiplusContext* g = gdiplusOf(pGraphics);
  if (!g) return;
  constexpr int32_t kFixedPoints = 30;
  Gdiplus::Point fixed[kFixedPoints];
  Gdiplus::Point* p = count <= kFixedPoints ? fixed : new Gdiplus::Point[count];
  for (int32_t i = 0; i < count; i++) p[i] = Gdiplus::Point(points[i].h, points[i].v);
  if (fills(style)) {
    g->fillBrush->SetColor(colorOf(fillColor));
    g->graphics->FillPolygon(g->fillBrush, p, count);
  }
  if (strokes(style) && frameWidth > 0) {
    applyPen(g, frameWidth, lineStyle, frameColor);
    if (closed)
      g->graphics->DrawPolygon(g->pen, p, count);
    else
      g->graphics->DrawLines(g->pen, p, count);
  }
  if (p != fixed) delete[] p;
}

void CDrawContext::platformRect(const CRect& r, CDrawStyle style) {
  GdiplusContext* g = gdiplusOf(pGraphics);
  if (!g) return;
  if (fills(style)) {
    g->fillBrush->SetColor(colorOf(fillColor));
    g->graphics->FillRectangle(g->fillBrush, r.left, r.top, r.width(), r.height());
  }
  if (strokes(style) && frameWidth > 0 && !r.isEmpty()) {
    applyPen(g, frameWidth, lineStyle, frameColor);
    g->graphics->DrawRectangle(g->pen, r.left, r.top, r.width() - 1, r.height() - 1);
  }
}

void CDrawContext::platformEllipse(const CRect& r, CDrawStyle style) {
  GdiplusContext* g = gdiplusOf(pGraphics);
  if (!g) return;
  if (fills(style)) {
    g->fillBrush->SetColor(colorOf(fillColor));
    g->graphics->FillEllipse(g->fillBrush, r.left, r.top, r.width() - 1, r.height() - 1);
  }
  if (strokes(style) && frameWidth > 0) {
    applyPen(g, frameWidth, lineStyle, frameColor);
    g->graphics->DrawEllipse(g->pen, r.left, r.top, r.width() - 1, r.height() - 1);
  }
}

void CDrawContext::platformArc(const CRect& r, double startAngle, double sweep, CDrawStyle style) {
  GdiplusContext* g = gdiplusOf(pGraphics);
  if (!g || r.width() <= 0 || r.height() <= 0) return;
  Gdiplus::GraphicsPath path;
  path.AddArc(r.left, r.top, r.width(), r.height(), static_cast<Gdiplus::REAL>(startAngle),
              static_cast<Gdiplus::REAL>(sweep));
  if (fills(style)) {
    g->fillBrush->SetColor(colorOf(fillColor));
    g->graphics->FillPath(g->fillBrush, &path);
  }
  if (strokes(style) && frameWidth > 0) {
    applyPen(g, frameWidth, lineStyle, frameColor);
    g->graphics->DrawPath(g->pen, &path);
  }
}

// ---------------------------------------------------------------------------
// Text

namespace {

// Text is measured on the context's own graphics object, or on one over a scratch image when
// the context has none.
class MeasuringGraphics {
 public:
  explicit MeasuringGraphics(GdiplusContext* g) : graphics(g ? g->graphics : nullptr) {
    if (graphics || !zarnith::gdiplusRunning()) return;
    scratch = new Gdiplus::Bitmap(1, 1, PixelFormat32bppPARGB);
    own = new Gdiplus::Graphics(scratch);
    graphics = own;
  }
  ~MeasuringGraphics() {
    delete own;
    delete scratch;
  }
  MeasuringGraphics(const MeasuringGraphics&) = delete;
  MeasuringGraphics& operator=(const MeasuringGraphics&) = delete;
  Gdiplus::Graphics* get() const { return graphics; }

 private:
  Gdiplus::Graphics* graphics;
  Gdiplus::Bitmap* scratch = nullptr;
  Gdiplus::Graphics* own = nullptr;
};

}  // namespace

int32_t CDrawContext::platformStringWidth(const char* text) {
  auto* f = static_cast<Gdiplus::Font*>(font->getPlatformFont());
  if (!f) return -1;
  MeasuringGraphics measuring(gdiplusOf(pGraphics));
  if (!measuring.get()) return -1;
  zarnith::WideText wide(text);
  Gdiplus::RectF bounds;
  measuring.get()->MeasureString(wide.get(), wide.length(), f, Gdiplus::PointF(0, 0), &bounds);
  return static_cast<int32_t>(bounds.Width);
}

void CDrawContext::platformDrawString(const char* text, const CPoint& p, bool antialias) {
  GdiplusContext* g = gdiplusOf(pGraphics);
  auto* f = static_cast<Gdiplus::Font*>(font->getPlatformFont());
  if (!g || !f || !g->textBrush) return;
  g->graphics->SetTextRenderingHint(antialias ? Gdiplus::TextRenderingHintClearTypeGridFit
                                              : Gdiplus::TextRenderingHintSystemDefault);
  g->textBrush->SetColor(colorOf(fontColor));
  // The layout box's top lies one line height above the line's end at p.v + 1.
  Gdiplus::REAL top = p.v + 1 - f->GetHeight(g->graphics->GetDpiY());
  zarnith::WideText wide(text);
  g->graphics->DrawString(wide.get(), wide.length(), f, Gdiplus::PointF(static_cast<Gdiplus::REAL>(p.h), top),
                          g->textBrush);
}
