// Reading pixels back from an offscreen context.
#pragma once

#include <cstdint>
#include <string>

#include "toolkit/cbitmap.h"
#include "toolkit/cdrawcontext.h"

struct Pixel {
  uint8_t b, g, r, a;
  bool operator==(const Pixel& o) const { return b == o.b && g == o.g && r == o.r && a == o.a; }
};

inline Pixel pixelAt(COffscreenContext& c, int32_t x, int32_t y) {
  uint8_t p[4] = {0, 0, 0, 0};
  c.getBitmap()->getPixelBGRA(x, y, p);
  return Pixel{p[0], p[1], p[2], p[3]};
}

inline bool inked(COffscreenContext& c, int32_t x, int32_t y) {
  return pixelAt(c, x, y).a != 0;
}

// Rows of '#' (any ink) and '.' (none), for readable failure messages.
inline std::string inkMap(COffscreenContext& c, int32_t w, int32_t h) {
  std::string s;
  for (int32_t y = 0; y < h; y++) {
    for (int32_t x = 0; x < w; x++) s += inked(c, x, y) ? '#' : '.';
    s += '\n';
  }
  return s;
}

// The bounding box of all ink; empty when there is none.
inline CRect inkBounds(COffscreenContext& c) {
  CRect box(0, 0, 0, 0);
  bool any = false;
  for (int32_t y = 0; y < c.getHeight(); y++) {
    for (int32_t x = 0; x < c.getWidth(); x++) {
      if (!inked(c, x, y)) continue;
      if (!any) {
        box = CRect(x, y, x + 1, y + 1);
        any = true;
      } else {
        box.unite(CRect(x, y, x + 1, y + 1));
      }
    }
  }
  return box;
}
