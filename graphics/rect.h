// Rectangles in pixels (left, top, right, bottom; right and bottom exclusive) and the few operations
// the drawing code, the clip lists and the components share. Arithmetic is done in 64 bits so that
// extreme coordinates from scripts cannot overflow.
#pragma once

#include <algorithm>
#include <cstdint>

namespace kuzo {

struct TRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;

  constexpr int64_t Width() const { return int64_t{right} - left; }
  constexpr int64_t Height() const { return int64_t{bottom} - top; }
  constexpr bool IsEmpty() const { return right <= left || bottom <= top; }
  constexpr bool Contains(int32_t x, int32_t y) const { return x >= left && x < right && y >= top && y < bottom; }
  friend constexpr bool operator==(const TRect&, const TRect&) = default;
};

// The common part of two rectangles; empty (all zero) when they do not overlap.
constexpr TRect Intersect(const TRect& a, const TRect& b) {
  TRect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
  return r.IsEmpty() ? TRect{} : r;
}

// The bounding box of two rectangles; an empty operand does not count.
constexpr TRect Union(const TRect& a, const TRect& b) {
  if (a.IsEmpty()) return b.IsEmpty() ? TRect{} : b;
  if (b.IsEmpty()) return a;
  return TRect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
               std::max(a.bottom, b.bottom)};
}

}  // namespace kuzo
