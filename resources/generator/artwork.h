// Shared pieces of the artwork generator: the panel's palette, the light
// direction, text placement and the image writers.
#pragma once

#include <cairo.h>

#include <string>

namespace artwork {

struct Rgb {
  double r, g, b;
};

// Light falls from the upper left everywhere on the panel.
constexpr double kLightX = -0.6;
constexpr double kLightY = -0.8;

constexpr double kPi = 3.14159265358979323846;

// The knob turns clockwise through the top from the lower left (value 0) to the
// lower right (value 1): 270 degrees.
constexpr double kKnobStartDegrees = 225.0;
constexpr double kKnobSweepDegrees = 270.0;
// Screen angle (radians, y down) of a knob pointer at the given value 0..1.
double knobScreenAngle(double value);

void setColor(cairo_t* cr, const Rgb& c, double alpha = 1.0);
void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r);

enum class Align { kLeft, kCenter, kRight };
struct Font {
  double size;
  bool bold;
  bool narrow;
};
// Draws text with its baseline at y, aligned on x; returns the width.
double drawText(cairo_t* cr, const std::string& text, double x, double y, const Font& font, const Rgb& c,
                Align align = Align::kLeft);
// Draws text centred on (x, y) both ways.
void drawTextCentered(cairo_t* cr, const std::string& text, double x, double y, const Font& font,
                      const Rgb& c);
double textWidth(cairo_t* cr, const std::string& text, const Font& font);

// Writers; both report failure as false.
bool writePng(cairo_surface_t* surface, const std::string& path);
bool writeBmp24(cairo_surface_t* surface, const std::string& path);

// The pictures, each a new ARGB32 surface the caller destroys.
cairo_surface_t* drawBackground();
cairo_surface_t* drawKnobStrip();
cairo_surface_t* drawSwitchStrip();
cairo_surface_t* drawOnOffStrip();
cairo_surface_t* drawButtonStrip();
cairo_surface_t* drawLampStrip(int size);

}  // namespace artwork
