// Font descriptions: family name, size in pixels and style, with the platform's
// font made on first use and dropped whenever the description changes.
#pragma once

#include <cstdint>

#include "cbaseobject.h"

enum CTxtFace { kNormalFace = 0, kBoldFace = 1, kItalicFace = 2, kUnderlineFace = 4 };

class CFontDesc : public CBaseObject {
 public:
  CFontDesc(const char* name = nullptr, int32_t size = 0, int32_t style = 0);
  ~CFontDesc() override;

  const char* getName() const { return name; }
  int32_t getSize() const { return size; }
  int32_t getStyle() const { return style; }
  void setName(const char* newName);
  void setSize(int32_t newSize);
  void setStyle(int32_t newStyle);

  // The cached platform font (made on first use); none when the platform cannot make one.
  void* getPlatformFont();
  bool hasPlatformFont() const { return platformFont != nullptr; }
  // Drops the cached platform font; the next use makes a new one.
  void freePlatformFont();

  // Drops the platform fonts of every global font (the graphics library is going away).
  static void freeGlobalPlatformFonts();

 private:
  CFontDesc(const CFontDesc&) = delete;
  CFontDesc& operator=(const CFontDesc&) = delete;

  char* name;
  int32_t size;
  int32_t style;
  void* platformFont;
};

// The global fonts, alive for the whole process.
extern CFontDesc* const kSystemFont;
extern CFontDesc* const kNormalFontVeryBig;
extern CFontDesc* const kNormalFontBig;
extern CFontDesc* const kNormalFont;
extern CFontDesc* const kNormalFontSmall;
extern CFontDesc* const kNormalFontSmaller;
extern CFontDesc* const kNormalFontVerySmall;
extern CFontDesc* const kSymbolFont;
