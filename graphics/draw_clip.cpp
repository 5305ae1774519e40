// Clip-and-adjust for unscaled draws, computed in 64 bits so extreme positions cannot overflow.
#include "graphics/draw_clip.h"

#include <algorithm>
#include <cstdint>

namespace kuzo {
namespace {

// One axis: source span [s0, s1) requested, [b0, b1) readable, placed at `pos`, clipped to [c0, c1).
// Yields the destination span and the source index of its first pixel.
bool PlanAxis(int64_t pos, int64_t s0, int64_t s1, int64_t b0, int64_t b1, int64_t c0, int64_t c1, bool flip,
              int64_t& d0, int64_t& d1, int64_t& first) {
  const int64_t r0 = std::max(s0, b0), r1 = std::min(s1, b1);  // readable part of the source span
  if (r0 >= r1) return false;
  // Destination span of the readable part: mirrored, the source's right end lands at `pos`.
  const int64_t start = flip ? pos + (s1 - r1) : pos + (r0 - s0);
  const int64_t end = start + (r1 - r0);
  d0 = std::max(start, c0);
  d1 = std::min(end, c1);
  if (d0 >= d1) return false;
  first = flip ? r1 - 1 - (d0 - start) : r0 + (d0 - start);
  return true;
}

}  // namespace

bool PlanDraw(int32_t x, int32_t y, const TRect& srcRect, bool flipV, bool flipH, const TRect& clip,
              const TRect& srcBounds, const TRect* maskBounds, DrawPlan& out) {
  TRect readable = srcBounds;
  if (maskBounds != nullptr) readable = Intersect(readable, *maskBounds);
  if (readable.IsEmpty() || clip.IsEmpty() || srcRect.IsEmpty()) return false;
  int64_t dl, dr, dt, db, fx, fy;
  if (!PlanAxis(x, srcRect.left, srcRect.right, readable.left, readable.right, clip.left, clip.right, flipH, dl, dr,
                fx)) {
    return false;
  }
  if (!PlanAxis(y, srcRect.top, srcRect.bottom, readable.top, readable.bottom, clip.top, clip.bottom, flipV, dt, db,
                fy)) {
    return false;
  }
  // Every value now lies inside the clip or the source bounds, so it fits 32 bits.
  out.dst = TRect{static_cast<int32_t>(dl), static_cast<int32_t>(dt), static_cast<int32_t>(dr),
                  static_cast<int32_t>(db)};
  out.srcX = static_cast<int32_t>(fx);
  out.srcY = static_cast<int32_t>(fy);
  out.stepX = flipH ? -1 : 1;
  out.stepY = flipV ? -1 : 1;
  return true;
}

}  // namespace kuzo
