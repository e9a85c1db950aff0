// The drawing context over cairo.
//
// Coordinates are whole pixels: a pixel (x, y) is the unit square with its
// top-left corner at (x, y). Outlines and lines of odd width are drawn half a
// pixel in, so that they cover whole pixels; fills are drawn on the grid.
#include <cairo.h>

#include <cmath>

#include "toolkit/cbitmap.h"
#include "toolkit/cdrawcontext.h"
#include "toolkit/cfont.h"
#include "toolkit/platform/cairo/cairo_font.h"

namespace {

inline cairo_t* cairoOf(void* graphics) {
  return static_cast<cairo_t*>(graphics);
}

void setSource(cairo_t* cr, const CColor& c) {
  cairo_set_source_rgba(cr, c.red / 255.0, c.green / 255.0, c.blue / 255.0, c.alpha / 255.0);
}

// Where a stroke of this width must sit to cover whole pixels.
double strokeShift(int32_t width) {
  return (width % 2) ? 0.5 : 0.0;
}

}  // namespace

void CDrawContext::platformCreate() {
  if (pSystemContext) {
    cairo_t* cr = cairo_reference(cairoOf(pSystemContext));
    cairo_save(cr);  // the caller's state comes back when the context goes
    cairo_new_path(cr);
    pGraphics = cr;
  }
  // A window alone gives no surface here: the windowing backend creates its
  // contexts over a cairo context of its own.
}

void CDrawContext::platformCreateOffscreen(CBitmap* target) {
  cairo_surface_t* surface = target ? static_cast<cairo_surface_t*>(target->getPlatformImage()) : nullptr;
  if (!surface) return;
  cairo_t* cr = cairo_create(surface);
  if (cairo_status(cr) != CAIRO_STATUS_SUCCESS) {
    cairo_destroy(cr);
    return;
  }
  cairo_save(cr);
  pGraphics = cr;
}

void CDrawContext::platformDestroy() {
  if (!pGraphics) return;
  cairo_t* cr = cairoOf(pGraphics);
  cairo_restore(cr);
  cairo_surface_flush(cairo_get_target(cr));
  cairo_destroy(cr);
  pGraphics = nullptr;
}

void CDrawContext::platformApplyClip() {
  if (!pGraphics) return;
  cairo_t* cr = cairoOf(pGraphics);
  cairo_reset_clip(cr);
  cairo_new_path(cr);
  cairo_rectangle(cr, clipRect.left, clipRect.top, clipRect.width(), clipRect.height());
  cairo_clip(cr);
}

void CDrawContext::platformApplyAntialias() {
  if (!pGraphics) return;
  cairo_set_antialias(cairoOf(pGraphics),
                      drawMode == kAntialias ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
}

namespace {

void applyPen(cairo_t* cr, int32_t width, CLineStyle style, const CColor& color) {
  cairo_set_line_width(cr, width);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
  if (style == kLineOnOffDash) {
    double dash[2] = {static_cast<double>(width), static_cast<double>(width)};
    cairo_set_dash(cr, dash, 2, 0);
  } else {
    cairo_set_dash(cr, nullptr, 0, 0);
  }
  setSource(cr, color);
}

}  // namespace

void CDrawContext::platformLine(const CPoint& from, const CPoint& to) {
  if (!pGraphics || frameWidth <= 0) return;
  cairo_t* cr = cairoOf(pGraphics);
  double s = strokeShift(frameWidth);
  cairo_new_path(cr);
  cairo_move_to(cr, from.h + s, from.v + s);
  cairo_line_to(cr, to.h + s, to.v + s);
  applyPen(cr, frameWidth, lineStyle, frameColor);
  cairo_stroke(cr);
}

void CDrawContext::platformPolygon(const CPoint* points, int32_t count, CDrawStyle style, bool closed) {
  if (!pGraphics) return;
  cairo_t* cr = cairoOf(pGraphics);
  auto tracePath = [&](double s) {
    cairo_new_path(cr);
    cairo_move_to(cr, points[0].h + s, points[0].v + s);
    for (int32_t i = 1; i < count; i++) cairo_line_to(cr, points[i].h + s, points[i].v + s);
  };
  if (style == kDrawFilled || style == kDrawFilledAndStroked) {
    tracePath(0.5);
    cairo_close_path(cr);
    setSource(cr, fillColor);
    cairo_fill(cr);
  }
  if ((style == kDrawStroked || style == kDrawFilledAndStroked) && frameWidth > 0) {
    tracePath(strokeShift(frameWidth));
    if (closed) cairo_close_path(cr);
    applyPen(cr, frameWidth, lineStyle, frameColor);
    cairo_stroke(cr);
  }
}

void CDrawContext::platformRect(const CRect& r, CDrawStyle style) {
  if (!pGraphics) return;
  cairo_t* cr = cairoOf(pGraphics);
  if (style == kDrawFilled || style == kDrawFilledAndStroked) {
    cairo_new_path(cr);
    cairo_rectangle(cr, r.left, r.top, r.width(), r.height());
    setSource(cr, fillColor);
    cairo_fill(cr);
  }
  if ((style == kDrawStroked || style == kDrawFilledAndStroked) && frameWidth > 0 && !r.isEmpty()) {
    // The outline lies on the first and last pixel rows and columns.
    double s = strokeShift(frameWidth);
    cairo_new_path(cr);
    cairo_rectangle(cr, r.left + s, r.top + s, r.width() - 1, r.height() - 1);
    applyPen(cr, frameWidth, lineStyle, frameColor);
    cairo_stroke(cr);
  }
}

namespace {

// An ellipse (or an arc of it) in the box x, y, w, h.
void ellipsePath(cairo_t* cr, double x, double y, double w, double h, double startDeg, double sweepDeg,
                 bool full) {
  cairo_new_path(cr);
  if (w <= 0 || h <= 0) return;
  cairo_save(cr);
  cairo_translate(cr, x + w / 2.0, y + h / 2.0);
  cairo_scale(cr, w / 2.0, h / 2.0);
  if (full) {
    cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_close_path(cr);
  } else {
    double a0 = startDeg * M_PI / 180.0;
    cairo_arc(cr, 0, 0, 1, a0, a0 + sweepDeg * M_PI / 180.0);
  }
  cairo_restore(cr);
}

}  // namespace

void CDrawContext::platformEllipse(const CRect& r, CDrawStyle style) {
  if (!pGraphics) return;
  cairo_t* cr = cairoOf(pGraphics);
  // Both lie in the box left, top, width - 1, height - 1 of pixel centres, so the
  // fill and the outline reach the same first and last pixels.
  if (style == kDrawFilled || style == kDrawFilledAndStroked) {
    ellipsePath(cr, r.left, r.top, r.width(), r.height(), 0, 360, true);
    setSource(cr, fillColor);
    cairo_fill(cr);
  }
  if ((style == kDrawStroked || style == kDrawFilledAndStroked) && frameWidth > 0) {
    double s = strokeShift(frameWidth);
    ellipsePath(cr, r.left + s, r.top + s, r.width() - 1, r.height() - 1, 0, 360, true);
    applyPen(cr, frameWidth, lineStyle, frameColor);
    cairo_stroke(cr);
  }
}

void CDrawContext::platformArc(const CRect& r, double startAngle, double sweep, CDrawStyle style) {
  if (!pGraphics) return;
  cairo_t* cr = cairoOf(pGraphics);
  if (style == kDrawFilled || style == kDrawFilledAndStroked) {
    ellipsePath(cr, r.left + 0.5, r.top + 0.5, r.width(), r.height(), startAngle, sweep, false);
    cairo_close_path(cr);
    setSource(cr, fillColor);
    cairo_fill(cr);
  }
  if ((style == kDrawStroked || style == kDrawFilledAndStroked) && frameWidth > 0) {
    double s = strokeShift(frameWidth);
    ellipsePath(cr, r.left + s, r.top + s, r.width(), r.height(), startAngle, sweep, false);
    applyPen(cr, frameWidth, lineStyle, frameColor);
    cairo_stroke(cr);
  }
}

// ---------------------------------------------------------------------------
// Text

namespace {

// Length of the valid UTF-8 sequence at p, or 0 when it is not one.
size_t validSequence(const unsigned char* p) {
  unsigned c = p[0];
  if (c < 0x80) return 1;
  size_t n;
  unsigned min;
  if ((c & 0xe0) == 0xc0) {
    n = 2;
    min = 0x80;
    c &= 0x1f;
  } else if ((c & 0xf0) == 0xe0) {
    n = 3;
    min = 0x800;
    c &= 0x0f;
  } else if ((c & 0xf8) == 0xf0) {
    n = 4;
    min = 0x10000;
    c &= 0x07;
  } else {
    return 0;
  }
  for (size_t i = 1; i < n; i++) {
    if ((p[i] & 0xc0) != 0x80) return 0;  // also stops at the terminator
    c = (c << 6) | (p[i] & 0x3f);
  }
  if (c < min || c > 0x10ffff || (c >= 0xd800 && c <= 0xdfff)) return 0;
  return n;
}

// Text as cairo accepts it: invalid UTF-8 would put the context into an error
// state for good, so every byte that starts no valid sequence becomes '?'.
class ValidText {
 public:
  explicit ValidText(const char* text) : text(text), copy(nullptr) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    size_t length = 0;
    bool valid = true;
    while (p[length]) {
      size_t n = validSequence(p + length);
      if (n == 0) {
        valid = false;
        n = 1;
      }
      length += n;
    }
    if (valid) return;
    copy = new char[length + 1];
    size_t i = 0;
    while (i < length) {
      size_t n = validSequence(p + i);
      if (n == 0) {
        copy[i++] = '?';
      } else {
        for (size_t k = 0; k < n; k++, i++) copy[i] = static_cast<char>(p[i]);
      }
    }
    copy[length] = 0;
    this->text = copy;
  }
  ~ValidText() { delete[] copy; }
  ValidText(const ValidText&) = delete;
  ValidText& operator=(const ValidText&) = delete;
  const char* get() const { return text; }

 private:
  const char* text;
  char* copy;
};

}  // namespace

int32_t CDrawContext::platformStringWidth(const char* text) {
  CairoFont* f = static_cast<CairoFont*>(font->getPlatformFont());
  if (!f) return -1;
  cairo_scaled_font_t* scaled = createScaledFont(f, true);
  if (!scaled) return 0;  // a font of no size
  cairo_text_extents_t extents;
  cairo_scaled_font_text_extents(scaled, ValidText(text).get(), &extents);
  cairo_scaled_font_destroy(scaled);
  return static_cast<int32_t>(extents.x_advance);
}

void CDrawContext::platformDrawString(const char* text, const CPoint& p, bool antialias) {
  CairoFont* f = static_cast<CairoFont*>(font->getPlatformFont());
  if (!f) return;
  cairo_t* cr = cairoOf(pGraphics);
  cairo_scaled_font_t* scaled = createScaledFont(f, antialias);
  if (!scaled) return;  // a broken font would put the whole context into an error state
  cairo_font_extents_t fe;
  cairo_scaled_font_extents(scaled, &fe);
  // The line box (line height tall) ends at p.v + 1; the baseline lies one ascent below its top.
  double top = p.v + 1 - fe.height;
  double baseline = top + fe.ascent;
  cairo_save(cr);
  cairo_set_scaled_font(cr, scaled);
  setSource(cr, fontColor);
  cairo_new_path(cr);
  cairo_move_to(cr, p.h, baseline);
  ValidText valid(text);
  cairo_show_text(cr, valid.get());
  if (f->underline) {
    cairo_text_extents_t te;
    cairo_scaled_font_text_extents(scaled, valid.get(), &te);
    double thickness = f->size >= 24 ? 2 : 1;
    double y = std::floor(baseline) + 1;
    cairo_new_path(cr);
    cairo_rectangle(cr, p.h, y, std::floor(te.x_advance), thickness);
    cairo_fill(cr);
  }
  cairo_restore(cr);
  cairo_scaled_font_destroy(scaled);
}
