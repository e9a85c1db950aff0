// Platform fonts of the cairo backend: a font face found through fontconfig.
#pragma once

#include <cairo.h>

#include <cstdint>

struct CairoFont {
  cairo_font_face_t* face;
  int32_t size;
  bool underline;
};

// A scaled font for drawing or measuring (none for a font of no size); the caller destroys it.
cairo_scaled_font_t* createScaledFont(const CairoFont* font, bool antialias);
