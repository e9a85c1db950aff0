// The control pictures: film strips whose frames the toolkit picks by value.
#include <algorithm>
#include <cmath>

#include "../../editor/layout.h"
#include "artwork.h"

namespace artwork {

namespace {

const Rgb kBlack{0, 0, 0};
const Rgb kCream{0.95, 0.92, 0.85};

cairo_pattern_t* linearLit(double cx, double cy, double r, const Rgb& lit, const Rgb& dark) {
  // A gradient that runs along the light: lit side up-left, dark side down-right.
  cairo_pattern_t* p =
      cairo_pattern_create_linear(cx + kLightX * r, cy + kLightY * r, cx - kLightX * r, cy - kLightY * r);
  cairo_pattern_add_color_stop_rgb(p, 0, lit.r, lit.g, lit.b);
  cairo_pattern_add_color_stop_rgb(p, 1, dark.r, dark.g, dark.b);
  return p;
}

void softShadow(cairo_t* cr, double cx, double cy, double r, double spread, double alpha) {
  cairo_pattern_t* p = cairo_pattern_create_radial(cx, cy, std::max(0.0, r - spread), cx, cy, r + spread);
  cairo_pattern_add_color_stop_rgba(p, 0, 0, 0, 0, alpha);
  cairo_pattern_add_color_stop_rgba(p, 1, 0, 0, 0, 0);
  cairo_set_source(cr, p);
  cairo_arc(cr, cx, cy, r + spread, 0, 2 * kPi);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
}

void drawKnob(cairo_t* cr, double value) {
  const double cx = 24.5, cy = 24.0;
  const double skirt = 18.0, cap = 13.5;
  // Cast shadow, down and to the right of the light.
  softShadow(cr, cx - kLightX * 1.6, cy - kLightY * 1.6, skirt, 2.5, 0.6);

  // Skirt: turned aluminium.
  cairo_pattern_t* p = linearLit(cx, cy, skirt, Rgb{0.80, 0.81, 0.83}, Rgb{0.26, 0.27, 0.29});
  cairo_set_source(cr, p);
  cairo_arc(cr, cx, cy, skirt, 0, 2 * kPi);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
  // Fine grip ridges on the skirt, turning with the knob.
  double a0 = knobScreenAngle(value);
  cairo_set_line_width(cr, 0.8);
  for (int i = 0; i < 36; ++i) {
    double a = a0 + i * 2 * kPi / 36;
    double shade = 0.5 + 0.5 * std::cos(a - std::atan2(kLightY, kLightX));  // lit toward the light
    cairo_set_source_rgba(cr, 0, 0, 0, 0.10 + 0.18 * (1 - shade));
    cairo_move_to(cr, cx + std::cos(a) * (cap + 1.2), cy + std::sin(a) * (cap + 1.2));
    cairo_line_to(cr, cx + std::cos(a) * (skirt - 0.6), cy + std::sin(a) * (skirt - 0.6));
    cairo_stroke(cr);
  }
  // Skirt rim.
  cairo_set_line_width(cr, 1.0);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.55);
  cairo_arc(cr, cx, cy, skirt - 0.5, 0, 2 * kPi);
  cairo_stroke(cr);

  // Cap: dark, a step above the skirt.
  softShadow(cr, cx - kLightX * 0.8, cy - kLightY * 0.8, cap, 1.2, 0.55);
  p = linearLit(cx, cy, cap, Rgb{0.36, 0.38, 0.42}, Rgb{0.08, 0.085, 0.095});
  cairo_set_source(cr, p);
  cairo_arc(cr, cx, cy, cap, 0, 2 * kPi);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
  // Face of the cap, slightly dished.
  p = linearLit(cx, cy, cap - 2, Rgb{0.13, 0.14, 0.16}, Rgb{0.24, 0.25, 0.28});
  cairo_set_source(cr, p);
  cairo_arc(cr, cx, cy, cap - 2.0, 0, 2 * kPi);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
  // Soft sheen toward the light.
  p = cairo_pattern_create_radial(cx + kLightX * 5, cy + kLightY * 5, 0, cx + kLightX * 5, cy + kLightY * 5,
                                  9);
  cairo_pattern_add_color_stop_rgba(p, 0, 1, 1, 1, 0.16);
  cairo_pattern_add_color_stop_rgba(p, 1, 1, 1, 1, 0);
  cairo_set_source(cr, p);
  cairo_arc(cr, cx, cy, cap - 2.0, 0, 2 * kPi);
  cairo_fill(cr);
  cairo_pattern_destroy(p);

  // Pointer: a cream line from near the centre across the skirt, with its shadow.
  double ca = std::cos(a0), sa = std::sin(a0);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_width(cr, 2.6);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.6);
  cairo_move_to(cr, cx + ca * 4.5 + 0.6, cy + sa * 4.5 + 0.8);
  cairo_line_to(cr, cx + ca * (skirt - 1.5) + 0.6, cy + sa * (skirt - 1.5) + 0.8);
  cairo_stroke(cr);
  cairo_set_line_width(cr, 2.0);
  setColor(cr, kCream);
  cairo_move_to(cr, cx + ca * 4.5, cy + sa * 4.5);
  cairo_line_to(cr, cx + ca * (skirt - 1.5), cy + sa * (skirt - 1.5));
  cairo_stroke(cr);
}

void drawSwitchFrame(cairo_t* cr, double y0, int position) {
  // Slot, sunk into the panel: its upper-left wall in shadow, lower-right wall lit.
  const double sx = 7.5, sw = 7.0, top = y0 + 4, bottom = y0 + 73;
  roundedRect(cr, sx, top, sw, bottom - top, 3.5);
  cairo_set_source_rgb(cr, 0.04, 0.045, 0.05);
  cairo_fill_preserve(cr);
  cairo_set_line_width(cr, 1.0);
  cairo_pattern_t* p = cairo_pattern_create_linear(sx, top, sx + sw, bottom);
  cairo_pattern_add_color_stop_rgba(p, 0, 0, 0, 0, 0.9);
  cairo_pattern_add_color_stop_rgba(p, 1, 1, 1, 1, 0.35);
  cairo_set_source(cr, p);
  cairo_stroke(cr);
  cairo_pattern_destroy(p);

  // Lever cap over the position's click band (rows 0-25, 26-51, 52-76).
  const double centres[3] = {13.0, 38.5, 64.0};
  double cy = y0 + centres[position];
  double w = 15, h = 13, x = 11 - w / 2, y = cy - h / 2;
  roundedRect(cr, x + 1.0, y + 1.5, w, h, 2.5);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.55);
  cairo_fill(cr);
  roundedRect(cr, x, y, w, h, 2.5);
  p = cairo_pattern_create_linear(x, y, x + w * 0.4, y + h);
  cairo_pattern_add_color_stop_rgb(p, 0, 0.86, 0.87, 0.89);
  cairo_pattern_add_color_stop_rgb(p, 1, 0.40, 0.41, 0.44);
  cairo_set_source(cr, p);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(p);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.7);
  cairo_set_line_width(cr, 0.8);
  cairo_stroke(cr);
  // Grip grooves and a cream index line at the position.
  cairo_set_line_width(cr, 1.0);
  for (int i = -1; i <= 1; i += 2) {
    double gy = std::floor(cy + i * 3.5) + 0.5;
    cairo_set_source_rgba(cr, 0, 0, 0, 0.45);
    cairo_move_to(cr, x + 2.5, gy);
    cairo_line_to(cr, x + w - 2.5, gy);
    cairo_stroke(cr);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.45);
    cairo_move_to(cr, x + 2.5, gy + 1);
    cairo_line_to(cr, x + w - 2.5, gy + 1);
    cairo_stroke(cr);
  }
  cairo_set_source_rgb(cr, 0.12, 0.12, 0.13);
  cairo_rectangle(cr, x + 2, std::floor(cy) - 0.0, w - 4, 1.2);
  cairo_fill(cr);
}

// A square push key whose window glows amber when on. Everything sits in the top
// 17 rows, since one of these buttons shows only those.
void drawOnOffFrame(cairo_t* cr, double y0, bool on) {
  double x = 2.5, y = y0 + 1.5, w = 15, h = 14.5;
  roundedRect(cr, x + 1.0, y + 1.4, w, h, 2.5);
  cairo_set_source_rgba(cr, 0, 0, 0, on ? 0.35 : 0.55);
  cairo_fill(cr);
  double press = on ? 0.5 : 0.0;  // an engaged key sits a little lower
  roundedRect(cr, x + press, y + press, w, h, 2.5);
  cairo_pattern_t* p = cairo_pattern_create_linear(x, y, x + w * 0.4, y + h);
  cairo_pattern_add_color_stop_rgb(p, 0, on ? 0.42 : 0.50, on ? 0.43 : 0.52, on ? 0.46 : 0.55);
  cairo_pattern_add_color_stop_rgb(p, 1, 0.14, 0.15, 0.16);
  cairo_set_source(cr, p);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(p);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.8);
  cairo_set_line_width(cr, 0.8);
  cairo_stroke(cr);
  // Window.
  double wx = x + press + 3.5, wy = y + press + 4.5, ww = w - 7, wh = 5.5;
  roundedRect(cr, wx, wy, ww, wh, 1.2);
  if (on) {
    p = cairo_pattern_create_radial(wx + ww / 2, wy + wh / 2, 0, wx + ww / 2, wy + wh / 2, ww * 0.7);
    cairo_pattern_add_color_stop_rgb(p, 0, 1.0, 0.93, 0.55);
    cairo_pattern_add_color_stop_rgb(p, 1, 0.98, 0.55, 0.08);
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
  } else {
    cairo_set_source_rgb(cr, 0.20, 0.12, 0.05);
    cairo_fill_preserve(cr);
  }
  cairo_set_source_rgba(cr, 0, 0, 0, 0.85);
  cairo_set_line_width(cr, 0.7);
  cairo_stroke(cr);
  // Glint on the window glass.
  cairo_set_source_rgba(cr, 1, 1, 1, on ? 0.55 : 0.22);
  cairo_rectangle(cr, wx + 1, wy + 1, ww - 2, 0.9);
  cairo_fill(cr);
}

// The tall key for randomise and bypass; frame 1 is the key held down.
void drawButtonFrame(cairo_t* cr, double y0, bool down) {
  double x = 2.5, y = y0 + 2.5, w = 22, h = 52;
  roundedRect(cr, x + 1.2, y + 1.8, w, h, 3);
  cairo_set_source_rgba(cr, 0, 0, 0, down ? 0.3 : 0.6);
  cairo_fill(cr);
  double press = down ? 1.0 : 0.0;
  x += press * 0.6;
  y += press;
  roundedRect(cr, x, y, w, h, 3);
  cairo_pattern_t* p = cairo_pattern_create_linear(x, y, x + w * 0.5, y + h);
  cairo_pattern_add_color_stop_rgb(p, 0, down ? 0.46 : 0.60, down ? 0.47 : 0.62, down ? 0.50 : 0.66);
  cairo_pattern_add_color_stop_rgb(p, 1, 0.16, 0.17, 0.19);
  cairo_set_source(cr, p);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(p);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.85);
  cairo_set_line_width(cr, 1.0);
  cairo_stroke(cr);
  // Inner face, a shade darker, framed by the bevel.
  roundedRect(cr, x + 3, y + 3, w - 6, h - 6, 2);
  p = cairo_pattern_create_linear(x, y, x + w * 0.3, y + h);
  cairo_pattern_add_color_stop_rgb(p, 0, 0.30, 0.31, 0.34);
  cairo_pattern_add_color_stop_rgb(p, 1, 0.20, 0.21, 0.23);
  cairo_set_source(cr, p);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
  // Grip ridges on the lower half, where a finger presses.
  cairo_set_line_width(cr, 1.0);
  for (int i = 0; i < 6; ++i) {
    double gy = std::floor(y + 26 + i * 4) + 0.5;
    cairo_set_source_rgba(cr, 0, 0, 0, 0.5);
    cairo_move_to(cr, x + 5, gy);
    cairo_line_to(cr, x + w - 5, gy);
    cairo_stroke(cr);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.18);
    cairo_move_to(cr, x + 5, gy + 1);
    cairo_line_to(cr, x + w - 5, gy + 1);
    cairo_stroke(cr);
  }
}

// A round green lamp under a glass dome; t runs from 0 (dark) to 1 (fully lit).
void drawLamp(cairo_t* cr, double cx, double cy, double r, double t) {
  double glass = r * 0.72;
  // Bezel ring, lit from the upper left.
  cairo_pattern_t* p = linearLit(cx, cy, r, Rgb{0.70, 0.71, 0.74}, Rgb{0.10, 0.10, 0.11});
  cairo_set_source(cr, p);
  cairo_arc(cr, cx, cy, r, 0, 2 * kPi);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
  cairo_set_source_rgb(cr, 0.02, 0.02, 0.02);
  cairo_arc(cr, cx, cy, glass + std::max(0.6, r * 0.08), 0, 2 * kPi);
  cairo_fill(cr);
  // Glass: dark bottle green when off, bright green with a pale core when lit.
  Rgb off{0.05, 0.17, 0.07}, lit{0.25, 1.0, 0.30}, core{0.85, 1.0, 0.80};
  auto mix = [t](const Rgb& a, const Rgb& b) {
    return Rgb{a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
  };
  Rgb edge = mix(Rgb{0.02, 0.09, 0.03}, Rgb{0.10, 0.65, 0.15});
  Rgb mid = mix(off, lit);
  Rgb centre = mix(Rgb{0.08, 0.24, 0.10}, core);
  p = cairo_pattern_create_radial(cx, cy, 0, cx, cy, glass);
  cairo_pattern_add_color_stop_rgb(p, 0, centre.r, centre.g, centre.b);
  cairo_pattern_add_color_stop_rgb(p, 0.45, mid.r, mid.g, mid.b);
  cairo_pattern_add_color_stop_rgb(p, 1, edge.r, edge.g, edge.b);
  cairo_set_source(cr, p);
  cairo_arc(cr, cx, cy, glass, 0, 2 * kPi);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
  // Halo over the bezel when lit.
  if (t > 0) {
    p = cairo_pattern_create_radial(cx, cy, glass * 0.8, cx, cy, r + 0.5);
    cairo_pattern_add_color_stop_rgba(p, 0, 0.4, 1.0, 0.4, 0.55 * t);
    cairo_pattern_add_color_stop_rgba(p, 1, 0.4, 1.0, 0.4, 0.0);
    cairo_set_source(cr, p);
    cairo_arc(cr, cx, cy, r + 0.5, 0, 2 * kPi);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
  }
  // Reflection of the light on the dome.
  double hx = cx + kLightX * glass * 0.45, hy = cy + kLightY * glass * 0.45;
  p = cairo_pattern_create_radial(hx, hy, 0, hx, hy, glass * 0.5);
  cairo_pattern_add_color_stop_rgba(p, 0, 1, 1, 1, 0.75);
  cairo_pattern_add_color_stop_rgba(p, 1, 1, 1, 1, 0);
  cairo_set_source(cr, p);
  cairo_arc(cr, hx, hy, glass * 0.5, 0, 2 * kPi);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
}

// A w × h strip of count frames stacked from the top, each frameHeight rows and
// clipped to its own rectangle; draw(cr, i, top) paints frame i.
template <class DrawFrame>
cairo_surface_t* stackedFrames(int w, int h, int count, int frameHeight, DrawFrame draw) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  cairo_t* cr = cairo_create(s);
  for (int i = 0; i < count; ++i) {
    cairo_save(cr);
    cairo_rectangle(cr, 0, i * frameHeight, w, frameHeight);
    cairo_clip(cr);
    draw(cr, i, i * frameHeight);
    cairo_restore(cr);
  }
  cairo_destroy(cr);
  return s;
}

}  // namespace

cairo_surface_t* drawKnobStrip() {
  const int frames = zarnith::kKnobFrames, height = zarnith::kKnobFrameHeight;
  return stackedFrames(49, frames * height, frames, height, [&](cairo_t* cr, int i, int top) {
    cairo_translate(cr, 0, top);
    drawKnob(cr, i / double(frames - 1));
  });
}

cairo_surface_t* drawSwitchStrip() {
  return stackedFrames(25, 231, 3, 77, [](cairo_t* cr, int i, int top) { drawSwitchFrame(cr, top, i); });
}

cairo_surface_t* drawOnOffStrip() {
  return stackedFrames(20, 40, 2, 20, [](cairo_t* cr, int i, int top) { drawOnOffFrame(cr, top, i == 1); });
}

cairo_surface_t* drawButtonStrip() {
  return stackedFrames(27, 115, 2, 57, [](cairo_t* cr, int i, int top) { drawButtonFrame(cr, top, i == 1); });
}

cairo_surface_t* drawLampStrip(int size) {
  const int frames = zarnith::kLampFrames;
  return stackedFrames(size, size * frames, frames, size, [&](cairo_t* cr, int i, int top) {
    drawLamp(cr, size / 2.0, top + size / 2.0, size / 2.0 - 0.3, i / double(frames - 1));
  });
}

}  // namespace artwork
