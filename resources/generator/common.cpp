#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "artwork.h"

namespace artwork {

double knobScreenAngle(double value) {
  double degrees = kKnobStartDegrees - kKnobSweepDegrees * value;  // counter-clockwise, y up
  return -degrees * kPi / 180.0;                                   // cairo's y points down
}

void setColor(cairo_t* cr, const Rgb& c, double alpha) {
  cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha);
}

void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -kPi / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, kPi / 2);
  cairo_arc(cr, x + r, y + h - r, r, kPi / 2, kPi);
  cairo_arc(cr, x + r, y + r, r, kPi, 3 * kPi / 2);
  cairo_close_path(cr);
}

static void selectFont(cairo_t* cr, const Font& font) {
  cairo_select_font_face(cr, font.narrow ? "Liberation Sans Narrow" : "Liberation Sans",
                         CAIRO_FONT_SLANT_NORMAL,
                         font.bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, font.size);
  // Crisp small lettering: light hinting, grey antialiasing (no colour fringes).
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  cairo_set_font_options(cr, options);
  cairo_font_options_destroy(options);
}

double textWidth(cairo_t* cr, const std::string& text, const Font& font) {
  selectFont(cr, font);
  cairo_text_extents_t ext;
  cairo_text_extents(cr, text.c_str(), &ext);
  return ext.x_advance;
}

double drawText(cairo_t* cr, const std::string& text, double x, double y, const Font& font, const Rgb& c,
                Align align) {
  double w = textWidth(cr, text, font);
  if (align == Align::kCenter) x -= w / 2;
  if (align == Align::kRight) x -= w;
  setColor(cr, c);
  cairo_move_to(cr, x, y);
  cairo_show_text(cr, text.c_str());
  cairo_new_path(cr);
  return w;
}

void drawTextCentered(cairo_t* cr, const std::string& text, double x, double y, const Font& font,
                      const Rgb& c) {
  selectFont(cr, font);
  cairo_font_extents_t fe;
  cairo_font_extents(cr, &fe);
  // Centre on the cap height rather than the full line so short labels sit level.
  double capHeight = fe.ascent * 0.72;
  drawText(cr, text, x, y + capHeight / 2, font, c, Align::kCenter);
}

bool writePng(cairo_surface_t* surface, const std::string& path) {
  return cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
}

static void put16(std::vector<uint8_t>& b, uint32_t v) {
  b.push_back(v & 0xff);
  b.push_back((v >> 8) & 0xff);
}
static void put32(std::vector<uint8_t>& b, uint32_t v) {
  put16(b, v & 0xffff);
  put16(b, v >> 16);
}

bool writeBmp24(cairo_surface_t* surface, const std::string& path) {
  cairo_surface_flush(surface);
  int w = cairo_image_surface_get_width(surface);
  int h = cairo_image_surface_get_height(surface);
  int stride = cairo_image_surface_get_stride(surface);
  const uint8_t* px = cairo_image_surface_get_data(surface);
  uint32_t rowBytes = (static_cast<uint32_t>(w) * 3 + 3) & ~3u;
  uint32_t imageBytes = rowBytes * static_cast<uint32_t>(h);
  std::vector<uint8_t> out;
  out.push_back('B');
  out.push_back('M');
  put32(out, 54 + imageBytes);
  put32(out, 0);
  put32(out, 54);
  put32(out, 40);  // BITMAPINFOHEADER
  put32(out, static_cast<uint32_t>(w));
  put32(out, static_cast<uint32_t>(h));  // positive: rows stored bottom-up
  put16(out, 1);
  put16(out, 24);
  put32(out, 0);  // no compression
  put32(out, imageBytes);
  put32(out, 2835);  // 72 dpi
  put32(out, 2835);
  put32(out, 0);
  put32(out, 0);
  for (int y = h - 1; y >= 0; --y) {
    const uint32_t* row = reinterpret_cast<const uint32_t*>(px + y * stride);
    uint32_t n = 0;
    for (int x = 0; x < w; ++x, n += 3) {
      uint32_t p = row[x];  // opaque, so premultiplied equals straight colour
      out.push_back(p & 0xff);
      out.push_back((p >> 8) & 0xff);
      out.push_back((p >> 16) & 0xff);
    }
    for (; n < rowBytes; ++n) out.push_back(0);
  }
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace artwork
