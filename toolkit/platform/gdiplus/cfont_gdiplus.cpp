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

// A font of the system's generic sans-serif family. Its family object is asked for afresh
// and let go at once: a family kept across a shutdown of GDI+ would dangle.
Gdiplus::Font* genericSansSerif(Gdiplus::REAL emSize, INT style) {
  Gdiplus::GpFontFamily* generic = nullptr;
  if (Gdiplus::DllExports::GdipGetGenericFontFamilySansSerif(&generic) != Gdiplus::Ok || !generic)
    return nullptr;
  WCHAR familyName[LF_FACESIZE];
  Gdiplus::Status named = Gdiplus::DllExports::GdipGetFamilyName(generic, familyName, LANG_NEUTRAL);
  Gdiplus::DllExports::GdipDeleteFontFamily(generic);
  if (named != Gdiplus::Ok) return nullptr;
  return new Gdiplus::Font(familyName, emSize, style, Gdiplus::UnitPixel);
}

bool usable(Gdiplus::Font* font) {
  return font && font->GetLastStatus() == Gdiplus::Ok && font->IsAvailable();
}

}  // namespace

void* platformCreateFont(const char* name, int32_t size, int32_t style) {
  if (!zarnith::gdiplusRunning() || size <= 0) return nullptr;
  zarnith::WideText family(name ? name : "", kMaxFamilyName);
  auto emSize = static_cast<Gdiplus::REAL>(size);
  auto* font = new Gdiplus::Font(family.get(), emSize, fontStyle(style), Gdiplus::UnitPixel);
  if (!usable(font)) {
    delete font;
    font = genericSansSerif(emSize, fontStyle(style));
  }
  if (!usable(font)) {
    delete font;
    return nullptr;
  }
  return font;
}

void platformFreeFont(void* font) {
  delete static_cast<Gdiplus::Font*>(font);
}
