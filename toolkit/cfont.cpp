#include "cfont.h"

#include <cstring>

// Platform half, in the backend.
void* platformCreateFont(const char* name, int32_t size, int32_t style);
void platformFreeFont(void* font);

namespace {

char* copyName(const char* name) {
  if (!name) return nullptr;
  size_t n = std::strlen(name);
  char* copy = new char[n + 1];
  std::memcpy(copy, name, n + 1);
  return copy;
}

CFontDesc systemFont("Arial", 12);
CFontDesc normalFontVeryBig("Arial", 18);
CFontDesc normalFontBig("Arial", 14);
CFontDesc normalFont("Arial", 12);
CFontDesc normalFontSmall("Arial", 11);
CFontDesc normalFontSmaller("Arial", 10);
CFontDesc normalFontVerySmall("Arial", 9);
CFontDesc symbolFont("Symbol", 13);

CFontDesc* const globalFonts[] = {&systemFont,      &normalFontVeryBig, &normalFontBig,       &normalFont,
                                  &normalFontSmall, &normalFontSmaller, &normalFontVerySmall, &symbolFont};

}  // namespace

CFontDesc* const kSystemFont = &systemFont;
CFontDesc* const kNormalFontVeryBig = &normalFontVeryBig;
CFontDesc* const kNormalFontBig = &normalFontBig;
CFontDesc* const kNormalFont = &normalFont;
CFontDesc* const kNormalFontSmall = &normalFontSmall;
CFontDesc* const kNormalFontSmaller = &normalFontSmaller;
CFontDesc* const kNormalFontVerySmall = &normalFontVerySmall;
CFontDesc* const kSymbolFont = &symbolFont;

CFontDesc::CFontDesc(const char* name, int32_t size, int32_t style)
    : name(copyName(name)), size(size), style(style), platformFont(nullptr) {}

CFontDesc::~CFontDesc() {
  freePlatformFont();
  delete[] name;
}

void CFontDesc::setName(const char* newName) {
  if (newName == name) return;
  delete[] name;
  name = copyName(newName);
  freePlatformFont();
}

void CFontDesc::setSize(int32_t newSize) {
  size = newSize;
  freePlatformFont();
}

void CFontDesc::setStyle(int32_t newStyle) {
  style = newStyle;
  freePlatformFont();
}

void* CFontDesc::getPlatformFont() {
  if (!platformFont) platformFont = platformCreateFont(name, size, style);
  return platformFont;
}

void CFontDesc::freePlatformFont() {
  if (platformFont) {
    platformFreeFont(platformFont);
    platformFont = nullptr;
  }
}

void CFontDesc::freeGlobalPlatformFonts() {
  for (CFontDesc* font : globalFonts) font->freePlatformFont();
}
