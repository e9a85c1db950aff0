// A rectangle in pixels. right and bottom are exclusive for pointInside, but
// hit tests of views (CPoint::isInside) include them.
#pragma once

#include <cstdint>

#include "cpoint.h"

struct CRect {
  CRect() : left(0), top(0), right(0), bottom(0) {}
  // Normalises so that left <= right and top <= bottom.
  CRect(int32_t l, int32_t t, int32_t r, int32_t b) : left(l), top(t), right(r), bottom(b) { normalize(); }
  CRect(const CPoint& topLeft, const CPoint& bottomRight)
      : CRect(topLeft.h, topLeft.v, bottomRight.h, bottomRight.v) {}

  CRect& operator()(int32_t l, int32_t t, int32_t r, int32_t b) {
    left = l;
    top = t;
    right = r;
    bottom = b;
    normalize();
    return *this;
  }

  int32_t width() const { return right - left; }
  int32_t height() const { return bottom - top; }
  int32_t getWidth() const { return width(); }
  int32_t getHeight() const { return height(); }
  CRect& setWidth(int32_t w) {
    right = left + w;
    return *this;
  }
  CRect& setHeight(int32_t h) {
    bottom = top + h;
    return *this;
  }
  CPoint getTopLeft() const { return CPoint(left, top); }
  CPoint getBottomRight() const { return CPoint(right, bottom); }

  CRect& offset(int32_t dx, int32_t dy) {
    left += dx;
    right += dx;
    top += dy;
    bottom += dy;
    return *this;
  }
  CRect& offset(const CPoint& p) { return offset(p.h, p.v); }
  // Moves the rectangle so that its top-left is (x, y), keeping its size.
  CRect& moveTo(int32_t x, int32_t y) { return offset(x - left, y - top); }
  CRect& moveTo(const CPoint& p) { return moveTo(p.h, p.v); }
  CRect& inset(int32_t dx, int32_t dy) {
    left += dx;
    right -= dx;
    top += dy;
    bottom -= dy;
    return *this;
  }

  // Half-open: the right and bottom edges are outside.
  bool pointInside(const CPoint& p) const { return p.h >= left && p.h < right && p.v >= top && p.v < bottom; }
  bool isEmpty() const { return left >= right || top >= bottom; }
  // Touching edges count as overlap.
  bool rectOverlap(const CRect& r) const {
    return r.right >= left && right >= r.left && r.bottom >= top && bottom >= r.top;
  }
  // Intersects in place; an empty result keeps a non-negative size.
  CRect& bound(const CRect& r) {
    if (left < r.left) left = r.left;
    if (top < r.top) top = r.top;
    if (right > r.right) right = r.right;
    if (bottom > r.bottom) bottom = r.bottom;
    if (bottom < top) bottom = top;
    if (right < left) right = left;
    return *this;
  }
  // Grows to the union.
  CRect& unite(const CRect& r) {
    if (r.left < left) left = r.left;
    if (r.top < top) top = r.top;
    if (r.right > right) right = r.right;
    if (r.bottom > bottom) bottom = r.bottom;
    return *this;
  }

  bool operator==(const CRect& r) const {
    return left == r.left && top == r.top && right == r.right && bottom == r.bottom;
  }
  bool operator!=(const CRect& r) const { return !(*this == r); }

  int32_t left;
  int32_t top;
  int32_t right;
  int32_t bottom;

 private:
  void normalize() {
    if (left > right) {
      int32_t t = left;
      left = right;
      right = t;
    }
    if (top > bottom) {
      int32_t t = top;
      top = bottom;
      bottom = t;
    }
  }
};

inline bool CPoint::isInside(const CRect& r) const {
  return h >= r.left && h <= r.right && v >= r.top && v <= r.bottom;
}
