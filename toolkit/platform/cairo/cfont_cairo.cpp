// Fonts of the cairo backend: the family is looked up through fontconfig
// (which maps "Arial" to a metric-compatible face); a family the system does
// not have falls back to the generic sans-serif.
#include <cairo-ft.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <cstring>

#include "toolkit/cfont.h"
#include "toolkit/platform/cairo/cairo_font.h"

namespace {

enum FaceStyle { kPlain, kBold, kItalic, kUnderline };

// One style only: bold, italic and underline are looked at in that order and the last one present wins.
FaceStyle faceStyle(int32_t style) {
  FaceStyle face = kPlain;
  if (style & kBoldFace) face = kBold;
  if (style & kItalicFace) face = kItalic;
  if (style & kUnderlineFace) face = kUnderline;
  return face;
}

cairo_font_face_t* matchFace(const char* name, int32_t size, FaceStyle face) {
  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return nullptr;
  if (name && *name) FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name));
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>("sans-serif"));
  FcPatternAddInteger(pattern, FC_WEIGHT, face == kBold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, face == kItalic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddDouble(pattern, FC_PIXEL_SIZE, size > 0 ? size : 1);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return nullptr;
  cairo_font_face_t* fontFace = cairo_ft_font_face_create_for_pattern(match);
  FcPatternDestroy(match);  // the face holds its own reference
  if (cairo_font_face_status(fontFace) != CAIRO_STATUS_SUCCESS) {
    cairo_font_face_destroy(fontFace);
    return nullptr;
  }
  return fontFace;
}

// Matching a family costs far more than drawing a label, and contexts make
// fonts of a new size on every paint: the last few matches are kept.
struct CachedFace {
  char* name;
  int32_t size;
  FaceStyle style;
  cairo_font_face_t* face;
};
constexpr int kCachedFaces = 16;
CachedFace cache[kCachedFaces];
int nextSlot = 0;

bool sameName(const char* a, const char* b) {
  return std::strcmp(a ? a : "", b ? b : "") == 0;
}

void clearCache() {
  for (CachedFace& c : cache) {
    if (c.face) cairo_font_face_destroy(c.face);
    delete[] c.name;
    c = CachedFace{nullptr, 0, kPlain, nullptr};
  }
  nextSlot = 0;
}

cairo_font_face_t* cachedFace(const char* name, int32_t size, FaceStyle style) {
  for (CachedFace& c : cache) {
    if (c.face && c.size == size && c.style == style && sameName(c.name, name)) {
      return cairo_font_face_reference(c.face);
    }
  }
  cairo_font_face_t* face = matchFace(name, size, style);
  if (!face) return nullptr;
  CachedFace& slot = cache[nextSlot];
  nextSlot = (nextSlot + 1) % kCachedFaces;
  if (slot.face) cairo_font_face_destroy(slot.face);
  delete[] slot.name;
  size_t length = name ? std::strlen(name) : 0;
  slot.name = new char[length + 1];
  if (length) std::memcpy(slot.name, name, length);
  slot.name[length] = 0;
  slot.size = size;
  slot.style = style;
  slot.face = cairo_font_face_reference(face);
  return face;
}

}  // namespace

void* platformCreateFont(const char* name, int32_t size, int32_t style) {
  FaceStyle face = faceStyle(style);
  cairo_font_face_t* fontFace = cachedFace(name, size, face);
  if (!fontFace) return nullptr;
  return new CairoFont{fontFace, size, face == kUnderline};
}

void platformFreeFont(void* font) {
  CairoFont* f = static_cast<CairoFont*>(font);
  cairo_font_face_destroy(f->face);
  delete f;
}

cairo_scaled_font_t* createScaledFont(const CairoFont* font, bool antialias) {
  if (font->size <= 0) return nullptr;  // no text of no size
  cairo_matrix_t fontMatrix;
  cairo_matrix_t ctm;
  cairo_matrix_init_scale(&fontMatrix, font->size, font->size);
  cairo_matrix_init_identity(&ctm);
  cairo_font_options_t* options = cairo_font_options_create();
  // Grid-fitted, greyscale-antialiased text; sub-pixel colour fringes would show in offscreen images.
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
  if (antialias) {
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_FULL);
  }
  cairo_scaled_font_t* scaled = cairo_scaled_font_create(font->face, &fontMatrix, &ctm, options);
  cairo_font_options_destroy(options);
  if (cairo_scaled_font_status(scaled) != CAIRO_STATUS_SUCCESS) {
    cairo_scaled_font_destroy(scaled);
    return nullptr;
  }
  return scaled;
}

// The graphics library needs no start-up of its own. At shut-down the global
// fonts have already dropped their faces, and the cache lets go of its own.
// Cairo's and fontconfig's static data are left alone: the host process may use them too.
void platformGraphicsStartup() {}
void platformGraphicsShutdown() {
  clearCache();
}
