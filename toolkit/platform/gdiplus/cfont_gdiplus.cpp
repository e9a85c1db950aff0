// Fonts of the GDI+ backend: the family by name (at most 200 wide characters), the size as em
// size in pixels and one style; a family the system does not have falls back to the generic
// sans-serif family.
#include "toolkit/cfont.h"
#include "toolkit/platform/gdiplus/gdiplus_context.h"

namespace {

constexpr int kMaxFamilyName = 200;

// One style only: bold, italic and underline are looked at in that order and the last one present wins.
INT fontStyle(int32_t style) {
  INT result = Gdiplus::FontStyleRegular;
  if (style & kBoldFace) result = Gdiplus::FontStyleBold;
  if (style & kItalicFace) result = Gdiplus::FontStyleItalic;
  if (style & kUnderlineFace) result = Gdiplus::FontStyleUnderline;
  return result;
}

}  // namespace

void* platformCreateFont(const char* name, int32_t size, int32_t style) {
  if (!zarnith::gdiplusRunning() || size <= 0) return nullptr;
  zarnith::WideText family(name ? name : "", kMaxFamilyName);
  auto emSize = static_cast<Gdiplus::REAL>(size);
  auto* font = new Gdiplus::Font(family.get(), emSize, fontStyle(style), Gdiplus::UnitPixel);
  if (font->GetLastStatus() != Gdiplus::Ok || !font->IsAvailable()) {
    delete font;
    font = new Gdiplus::Font(Gdiplus::FontFamily::GenericSansSerif(), emSize, fontStyle(style),
                             Gdiplus::UnitPixel);
  }
  if (font->GetLastStatus() != Gdiplus::Ok) {
    delete font;
    return nullptr;
  }
  return font;
}

void platformFreeFont(void* font) {
  delete static_cast<Gdiplus::Font*>(font);
}
