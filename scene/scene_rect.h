// Points in scene pixels and the rectangle helpers the scene adds to TRect: building a rectangle from
// a wide position and size without overflow, and containment tests.
#pragma once

#include <algorithm>
#include <cstdint>

#include "graphics/rect.h"

namespace kuzo {

struct ScenePoint {
  int32_t x = 0;
  int32_t y = 0;
  bool operator==(const ScenePoint&) const = default;
};

// Saturates a wide coordinate into the int32 range (positions are computed in 64 bits).
inline int32_t ClampToInt32(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

inline TRect RectFromSize(int64_t left, int64_t top, int64_t width, int64_t height) {
  return TRect{ClampToInt32(left), ClampToInt32(top), ClampToInt32(left + width), ClampToInt32(top + height)};
}

inline bool RectContains(const TRect& r, ScenePoint p) { return r.Contains(p.x, p.y); }
inline bool RectContains(const TRect& outer, const TRect& inner) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

}  // namespace kuzo
