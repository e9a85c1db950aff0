// An RGBA colour, 8 bits per channel; alpha 255 is opaque.
#pragma once

#include <cstdint>

struct CColor {
  uint8_t red;
  uint8_t green;
  uint8_t blue;
  uint8_t alpha;

  bool operator==(const CColor& c) const {
    return red == c.red && green == c.green && blue == c.blue && alpha == c.alpha;
  }
  bool operator!=(const CColor& c) const { return !(*this == c); }
};

inline CColor MakeCColor(uint8_t red = 0, uint8_t green = 0, uint8_t blue = 0, uint8_t alpha = 255) {
  return CColor{red, green, blue, alpha};
}

// The named colours of the toolkit.
constexpr CColor kTransparentCColor = {255, 255, 255, 0};
constexpr CColor kBlackCColor = {0, 0, 0, 255};
constexpr CColor kWhiteCColor = {255, 255, 255, 255};
constexpr CColor kGreyCColor = {127, 127, 127, 255};
constexpr CColor kRedCColor = {255, 0, 0, 255};
constexpr CColor kGreenCColor = {0, 255, 0, 255};
constexpr CColor kBlueCColor = {0, 0, 255, 255};
constexpr CColor kYellowCColor = {255, 255, 0, 255};
constexpr CColor kMagentaCColor = {255, 0, 255, 255};
