// The background: brushed dark panel, engraved section frames, lettering and
// scale marks placed around the controls of the editor's layout.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "../../editor/layout.h"
#include "artwork.h"

namespace artwork {

namespace {

using zarnith::kLayout;

const Rgb kInk{0.91, 0.89, 0.82};     // lettering
const Rgb kAccent{0.93, 0.63, 0.22};  // section titles
const Rgb kDim{0.66, 0.67, 0.68};     // scale figures

const Font kLabel{8.0, true, false};
const Font kSmall{6.5, true, true};
const Font kNarrow{7.2, true, true};    // longer names where there is room
const Font kFigure{6.8, false, false};  // scale figures: the slash needs the wider face
const Font kTitle{7.5, true, false};

struct Point {
  double x, y;
};

const zarnith::ControlPlace& control(int32_t tag) {
  return kLayout[zarnith::layoutIndexOfTag(tag)];
}

Point knobCentre(int32_t tag) {
  const auto& c = control(tag);
  return {c.left + 24.5, c.top + 24.0};
}

// Brushed finish: a vertical gradient with faint horizontal grain.
void drawFinish(cairo_t* cr, cairo_surface_t* s) {
  cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 0, zarnith::kPanelHeight);
  cairo_pattern_add_color_stop_rgb(p, 0, 0.235, 0.250, 0.275);
  cairo_pattern_add_color_stop_rgb(p, 1, 0.160, 0.170, 0.190);
  cairo_set_source(cr, p);
  cairo_paint(cr);
  cairo_pattern_destroy(p);

  cairo_surface_flush(s);
  uint8_t* data = cairo_image_surface_get_data(s);
  int stride = cairo_image_surface_get_stride(s);
  uint32_t seed = 12345;
  auto next = [&seed]() {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 8) / double(1u << 24);
  };
  std::vector<double> grain(zarnith::kPanelWidth + 64);
  for (int y = 0; y < zarnith::kPanelHeight; ++y) {
    double rowShift = (next() - 0.5) * 0.025;
    // A streak of grain that drifts along the row, as a brush leaves it.
    double g = 0;
    for (auto& v : grain) {
      g = g * 0.85 + (next() - 0.5) * 0.04;
      v = g;
    }
    uint32_t* row = reinterpret_cast<uint32_t*>(data + y * stride);
    for (int x = 0; x < zarnith::kPanelWidth; ++x) {
      double k = 1.0 + rowShift + grain[x + 16] + (next() - 0.5) * 0.02;
      uint32_t p0 = row[x];
      auto ch = [k](uint32_t v) {
        double c = v * k;
        return static_cast<uint32_t>(c < 0 ? 0 : c > 255 ? 255 : c + 0.5);
      };
      row[x] = 0xff000000u | (ch((p0 >> 16) & 0xff) << 16) | (ch((p0 >> 8) & 0xff) << 8) | ch(p0 & 0xff);
    }
  }
  cairo_surface_mark_dirty(s);
}

// An engraved groove: the wall toward the light in shadow, the far wall lit.
void groove(cairo_t* cr, double x0, double y0, double x1, double y1, double r) {
  cairo_set_line_width(cr, 1.0);
  roundedRect(cr, x0 + 0.5, y0 + 0.5, x1 - x0, y1 - y0, r);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.75);
  cairo_stroke(cr);
  roundedRect(cr, x0 + 1.5, y0 + 1.5, x1 - x0, y1 - y0, r);
  cairo_set_source_rgba(cr, 1, 1, 1, 0.16);
  cairo_stroke(cr);
}

// A section frame; its title interrupts the top line.
void section(cairo_t* cr, double x0, double y0, double x1, double y1, const std::string& title,
             double titleX) {
  cairo_save(cr);
  if (!title.empty()) {
    double w = textWidth(cr, title, kTitle);
    cairo_rectangle(cr, 0, 0, zarnith::kPanelWidth, zarnith::kPanelHeight);
    cairo_rectangle(cr, titleX - 3, y0 - 5, w + 6, 10);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    cairo_clip(cr);
  }
  groove(cr, x0, y0, x1, y1, 5);
  cairo_restore(cr);
  if (!title.empty()) drawText(cr, title, titleX, y0 + 3.5, kTitle, kAccent);
}

// Label with a dark emboss shadow below-right, as raised paint casts it.
void label(cairo_t* cr, const std::string& text, double x, double y, const Font& font, const Rgb& c,
           Align align = Align::kCenter) {
  drawText(cr, text, x + 0.7, y + 0.8, font, Rgb{0, 0, 0}, align);
  cairo_save(cr);
  drawText(cr, text, x, y, font, c, align);
  cairo_restore(cr);
}

void labelCentered(cairo_t* cr, const std::string& text, double x, double y, const Font& font, const Rgb& c) {
  drawTextCentered(cr, text, x + 0.7, y + 0.8, font, Rgb{0, 0, 0});
  drawTextCentered(cr, text, x, y, font, c);
}

// Scale ticks around a knob at n evenly spread values (value 0 lower left).
void ticks(cairo_t* cr, Point c, int n, double r0, double r1, double width = 1.0) {
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  for (int i = 0; i < n; ++i) {
    double a = knobScreenAngle(i / double(n - 1));
    bool major = i == 0 || i == n - 1 || (n % 2 == 1 && i == n / 2);
    double outer = major ? r1 + 1.0 : r1;
    cairo_set_line_width(cr, major ? width + 0.4 : width);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.7);
    cairo_move_to(cr, c.x + std::cos(a) * r0 + 0.6, c.y + std::sin(a) * r0 + 0.7);
    cairo_line_to(cr, c.x + std::cos(a) * outer + 0.6, c.y + std::sin(a) * outer + 0.7);
    cairo_stroke(cr);
    setColor(cr, kDim);
    cairo_move_to(cr, c.x + std::cos(a) * r0, c.y + std::sin(a) * r0);
    cairo_line_to(cr, c.x + std::cos(a) * outer, c.y + std::sin(a) * outer);
    cairo_stroke(cr);
  }
}

// Figures around a knob at the values k / (n - 1).
void scale(cairo_t* cr, Point c, const std::vector<std::string>& names, double r) {
  int n = static_cast<int>(names.size());
  for (int i = 0; i < n; ++i) {
    double a = knobScreenAngle(i / double(n - 1));
    double x = c.x + std::cos(a) * r, y = c.y + std::sin(a) * r;
    // Push wide figures outward on the sides so they clear the ticks.
    double w = textWidth(cr, names[i], kFigure);
    x += std::cos(a) * (w / 2 - 3);
    labelCentered(cr, names[i], x, y, kFigure, kDim);
  }
}

void screw(cairo_t* cr, double x, double y) {
  cairo_pattern_t* p = cairo_pattern_create_radial(x + 0.8, y + 1.0, 2.5, x + 0.8, y + 1.0, 5.5);
  cairo_pattern_add_color_stop_rgba(p, 0, 0, 0, 0, 0.6);
  cairo_pattern_add_color_stop_rgba(p, 1, 0, 0, 0, 0);
  cairo_set_source(cr, p);
  cairo_arc(cr, x + 0.8, y + 1.0, 5.5, 0, 2 * kPi);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
  p = cairo_pattern_create_linear(x - 3, y - 4, x + 3, y + 4);
  cairo_pattern_add_color_stop_rgb(p, 0, 0.78, 0.79, 0.81);
  cairo_pattern_add_color_stop_rgb(p, 1, 0.30, 0.31, 0.33);
  cairo_set_source(cr, p);
  cairo_arc(cr, x, y, 4.0, 0, 2 * kPi);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
  cairo_set_line_width(cr, 1.2);
  cairo_set_source_rgba(cr, 0.08, 0.08, 0.09, 0.9);
  cairo_move_to(cr, x - 2.8, y + 1.2);
  cairo_line_to(cr, x + 2.8, y - 1.2);
  cairo_stroke(cr);
}

// Small wave symbols for the LFO shapes: sine, falling saw, square.
void drawWave(cairo_t* cr, int shape, double x, double y) {
  for (int pass = 0; pass < 2; ++pass) {
    double dx = pass == 0 ? 0.6 : 0, dy = pass == 0 ? 0.7 : 0;
    const double w = 14, h = 3.5;
    cairo_new_path(cr);
    if (shape == 0) {
      for (int i = 0; i <= 28; ++i) {
        double t = i / 28.0;
        cairo_line_to(cr, x + dx + t * w, y + dy - std::sin(t * 2 * kPi) * h);
      }
    } else if (shape == 1) {
      cairo_move_to(cr, x + dx, y + dy);
      cairo_line_to(cr, x + dx, y + dy - h);
      cairo_line_to(cr, x + dx + w / 2, y + dy + h);
      cairo_line_to(cr, x + dx + w / 2, y + dy - h);
      cairo_line_to(cr, x + dx + w, y + dy + h);
    } else {
      cairo_move_to(cr, x + dx, y + dy + h);
      cairo_line_to(cr, x + dx, y + dy - h);
      cairo_line_to(cr, x + dx + w / 2, y + dy - h);
      cairo_line_to(cr, x + dx + w / 2, y + dy + h);
      cairo_line_to(cr, x + dx + w, y + dy + h);
      cairo_line_to(cr, x + dx + w, y + dy - h);
    }
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_width(cr, 1.1);
    if (pass == 0)
      cairo_set_source_rgba(cr, 0, 0, 0, 0.7);
    else
      setColor(cr, kInk);
    cairo_stroke(cr);
  }
}

// Recessed well behind a readout, so the black box sits in the panel.
void readoutWell(cairo_t* cr, zarnith::ControlRole role) {
  const auto& c = kLayout[zarnith::layoutIndexOfRole(role)];
  groove(cr, c.left - 2, c.top - 2, c.right + 1, c.bottom + 1, 1.5);
}

// Label left of a switch position, or right of it; positions centre on the
// switch's click bands.
double switchRow(int32_t tag, int position) {
  const double centres[3] = {13.0, 38.5, 64.0};
  return control(tag).top + centres[position];
}

}  // namespace

cairo_surface_t* drawBackground() {
  cairo_surface_t* s =
      cairo_image_surface_create(CAIRO_FORMAT_ARGB32, zarnith::kPanelWidth, zarnith::kPanelHeight);
  cairo_t* cr = cairo_create(s);
  drawFinish(cr, s);

  // Outer bevel: lit top and left edges, shaded bottom and right.
  cairo_set_line_width(cr, 1.0);
  cairo_set_source_rgba(cr, 1, 1, 1, 0.25);
  cairo_move_to(cr, 0.5, zarnith::kPanelHeight);
  cairo_line_to(cr, 0.5, 0.5);
  cairo_line_to(cr, zarnith::kPanelWidth, 0.5);
  cairo_stroke(cr);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.6);
  cairo_move_to(cr, zarnith::kPanelWidth - 0.5, 0);
  cairo_line_to(cr, zarnith::kPanelWidth - 0.5, zarnith::kPanelHeight - 0.5);
  cairo_line_to(cr, 0, zarnith::kPanelHeight - 0.5);
  cairo_stroke(cr);
  screw(cr, 8, 8);
  screw(cr, zarnith::kPanelWidth - 9, 8);
  screw(cr, 8, zarnith::kPanelHeight - 9);
  screw(cr, zarnith::kPanelWidth - 9, zarnith::kPanelHeight - 9);

  // Name plate.
  label(cr, "ZARNITH", 22, 24, Font{17, true, false}, kInk, Align::kLeft);
  label(cr, "TEMPO FILTER  \xc2\xb7  BEAT SCRAMBLER", 411, 22, Font{7.5, true, false}, kAccent,
        Align::kRight);

  // Sections.
  section(cr, 18, 31, 287, 129, "FILTER", 26);
  section(cr, 289, 31, 411, 129, "INPUT", 297);
  section(cr, 18, 133, 102, 228, "", 0);
  section(cr, 104, 133, 411, 228, "LFO", 112);
  section(cr, 18, 231, 114, 318, "", 0);
  section(cr, 116, 231, 337, 398, "SCRAMBLE", 268);
  section(cr, 339, 231, 411, 300, "MIX", 366);
  section(cr, 339, 303, 411, 398, "OUTPUT", 347);

  // Top row: filter.
  for (int32_t tag : {0, 1, 2, 4, 16, 17, 19, 26, 29, 30}) ticks(cr, knobCentre(tag), 11, 20.5, 22.5);
  Point freq = knobCentre(0);
  label(cr, "Freq", freq.x, 50, kLabel, kInk);
  label(cr, "Q", knobCentre(1).x, 50, kLabel, kInk);
  const auto& ftype = control(6);
  label(cr, "F Type", ftype.left + 16, 44, kLabel, kInk);
  const char* filterNames[3] = {"-LP", "-BP", "-HP"};
  for (int i = 0; i < 3; ++i) {
    const auto& lamp = kLayout[zarnith::layoutIndexOfRole(
        static_cast<zarnith::ControlRole>(static_cast<int>(zarnith::ControlRole::kFilterLampLp) + i))];
    labelCentered(cr, filterNames[i], lamp.right + 2 + textWidth(cr, filterNames[i], kLabel) / 2,
                  (lamp.top + lamp.bottom) / 2.0, kLabel, kInk);
  }
  Point rand = knobCentre(33);
  label(cr, "Rand. Beat F. Type", rand.x - 6, 44, Font{7.5, true, false}, kInk);
  ticks(cr, rand, 7, 20.5, 22.5);
  scale(cr, rand, {"1/1", "1/2", "1/4", "1/8", "1/16", "1/32", "1/64"}, 28.5);
  label(cr, "Sens", knobCentre(2).x, 50, kLabel, kInk);
  label(cr, "Bit Crusher", knobCentre(4).x, 50, kLabel, kInk);
  readoutWell(cr, zarnith::ControlRole::kFreqDisplay);

  // Modulation column.
  const auto& mod = control(5);
  label(cr, "Modulation", 60, 141, kLabel, kInk);
  const char* modNames[3] = {"-Man.", "-LFO", "-Env"};
  for (int i = 0; i < 3; ++i)
    labelCentered(cr, modNames[i], mod.right + 1 + textWidth(cr, modNames[i], kLabel) / 2, switchRow(5, i),
                  kLabel, kInk);

  // LFO.
  label(cr, "LFO Offset", knobCentre(29).x, 151, kLabel, kInk);
  label(cr, "LFO Depth", knobCentre(16).x, 151, kLabel, kInk);
  const auto& mult = control(8);
  label(cr, "LFO Rate Multiple", mult.left + 12, 142, kSmall, kInk);
  const char* multNames[3] = {"x 1", "x 10", "x 100"};
  for (int i = 0; i < 3; ++i)
    labelCentered(cr, multNames[i], mult.right + 1 + textWidth(cr, multNames[i], kSmall) / 2, switchRow(8, i),
                  kSmall, kInk);
  const auto& sync = control(7);
  labelCentered(cr, "SYNC", sync.right + 3 + textWidth(cr, "SYNC", kSmall) / 2,
                (sync.top + sync.bottom) / 2.0 - 1, kSmall, kInk);
  Point rate = knobCentre(17);
  cairo_save(cr);
  cairo_translate(cr, rate.x + 32, rate.y);
  cairo_rotate(cr, -kPi / 2);
  label(cr, "LFO Rate", 0, 0, Font{7, true, false}, kInk);
  cairo_restore(cr);
  readoutWell(cr, zarnith::ControlRole::kLfoRateDisplay);
  const auto& type = control(28);
  label(cr, "LFO Type", (type.left + type.right) / 2.0 + 4, 141, kLabel, kInk);
  for (int i = 0; i < 3; ++i) drawWave(cr, i, type.right + 2, switchRow(28, i));

  // Envelope.
  const auto& rev = control(10);
  labelCentered(cr, "Reverse Env.", rev.right + 3 + textWidth(cr, "Reverse Env.", kLabel) / 2,
                (rev.top + rev.bottom) / 2.0 - 1, kLabel, kInk);
  label(cr, "Env Depth", knobCentre(19).x, 316, kLabel, kInk);

  // Randomise.
  const auto& rnd = control(34);
  label(cr, "RANDOMIZE", (rnd.left + rnd.right) / 2.0, 387, kSmall, kAccent);
  label(cr, "ALL PARAM!", (rnd.left + rnd.right) / 2.0, 394.5, kSmall, kAccent);
  groove(cr, rnd.left - 3, rnd.top - 3, rnd.right + 2, rnd.bottom + 2, 4);

  // Beat scramble.
  Point beat = knobCentre(9);
  ticks(cr, beat, 7, 20.5, 22.5);
  scale(cr, beat, {"1/1", "1/2", "1/4", "1/8", "1/16", "1/32", "1/64"}, 27.5);
  label(cr, "BEAT", beat.x, 299, kLabel, kInk);
  const auto& wet = control(24);
  const auto& dry = control(23);
  labelCentered(cr, "WET", wet.left - 3 - textWidth(cr, "WET", kLabel) / 2, (wet.top + wet.bottom) / 2.0 - 1,
                kLabel, kInk);
  labelCentered(cr, "DRY", dry.left - 3 - textWidth(cr, "DRY", kLabel) / 2, (dry.top + dry.bottom) / 2.0,
                kLabel, kInk);
  Point mix = knobCentre(25);
  ticks(cr, mix, 11, 20.5, 22.5);
  labelCentered(cr, "WET", mix.x - 22, mix.y + 24, kFigure, kDim);
  labelCentered(cr, "DRY", mix.x + 22, mix.y + 24, kFigure, kDim);
  const auto& srev = control(32);
  label(cr, "Reverse Scramble", srev.right + 3, 309, kNarrow, kInk, Align::kLeft);
  Point offset = knobCentre(31);
  ticks(cr, offset, 33, 21.0, 22.5, 0.6);
  labelCentered(cr, "-", offset.x - 22, offset.y + 24, kLabel, kDim);
  labelCentered(cr, "+", offset.x + 22, offset.y + 24, kLabel, kDim);
  labelCentered(cr, "0", offset.x, offset.y - 28, kFigure, kDim);
  readoutWell(cr, zarnith::ControlRole::kScrambleOffsetDisplay);
  label(cr, "SCRAMBLE OFFSET", offset.x, 391, kNarrow, kInk);
  Point silence = knobCentre(30);
  label(cr, "SILENCE INSRT", silence.x, 373, kNarrow, kInk);

  // Output.
  label(cr, "VOL", knobCentre(26).x, 373, kLabel, kInk);
  const auto& bypass = control(42);
  label(cr, "ByPass", (bypass.left + bypass.right) / 2.0, 389, kLabel, kInk);
  groove(cr, bypass.left - 3, bypass.top - 13, bypass.right + 1, bypass.bottom + 2, 4);

  cairo_destroy(cr);
  return s;
}

}  // namespace artwork
