// A point in pixels: h grows to the right, v grows downwards.
#pragma once

#include <cstdint>

struct CRect;

struct CPoint {
  CPoint() : h(0), v(0) {}
  CPoint(int32_t h, int32_t v) : h(h), v(v) {}

  CPoint& operator()(int32_t h_, int32_t v_) {
    h = h_;
    v = v_;
    return *this;
  }
  CPoint& offset(int32_t dx, int32_t dy) {
    h += dx;
    v += dy;
    return *this;
  }
  // Hit-test rule: both edges of the rectangle belong to it.
  bool isInside(const CRect& r) const;  // defined in crect.h

  bool operator==(const CPoint& o) const { return h == o.h && v == o.v; }
  bool operator!=(const CPoint& o) const { return !(*this == o); }
  CPoint operator+(const CPoint& o) const { return CPoint(h + o.h, v + o.v); }
  CPoint operator-(const CPoint& o) const { return CPoint(h - o.h, v - o.v); }
  CPoint& operator+=(const CPoint& o) { return offset(o.h, o.v); }
  CPoint& operator-=(const CPoint& o) { return offset(-o.h, -o.v); }

  int32_t h;
  int32_t v;
};

#include "crect.h"
