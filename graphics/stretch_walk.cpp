// Stretched-draw clipping and the 16.16 walk. Scale factors are floating point (source size over
// destination size); the steps and fractions are their 16.16 truncations, computed in 64 bits so
// that extreme scales cannot overflow.
#include "graphics/stretch_walk.h"

#include <algorithm>
#include <cmath>

namespace kuzo {
namespace {

constexpr double kOne = 65536.0;
// Steps beyond this move past any surface on the first step; capping them keeps i * step in 64 bits
// without changing which pixels are drawn.
constexpr int64_t kMaxStep = int64_t{1} << 40;

}  // namespace

bool PlanStretchAxis(int64_t d0, int64_t d1, int64_t s0, int64_t s1, int64_t c0, int64_t c1, int64_t b0, int64_t b1,
                     bool flip, StretchAxis& out) {
  if (d1 - d0 < 1 || s1 - s0 < 1) return false;  // empty destination or source: nothing (no division by 0)
  const double q = static_cast<double>(s1 - s0) / static_cast<double>(d1 - d0);
  double fraction = 0.0;
  if (d0 < c0) {
    const double c = static_cast<double>(c0 - d0) * q;
    const double whole = std::trunc(c);
    fraction = c - whole;
    const int64_t skip = static_cast<int64_t>(std::min(whole, 4.0e18));
    if (flip) {
      s1 -= skip;
    } else {
      s0 += skip;
    }
    d0 = c0;
  }
  if (d1 > c1) d1 = c1;
  if (d0 >= d1) return false;
  out.dst0 = static_cast<int32_t>(d0);
  out.dst1 = static_cast<int32_t>(d1);
  out.flip = flip;
  out.base = flip ? s1 - 1 : s0;
  out.frac = static_cast<int64_t>(std::trunc(fraction * kOne));
  out.step = static_cast<int64_t>(std::min(std::trunc(q * kOne), static_cast<double>(kMaxStep)));
  out.valid0 = b0;
  out.valid1 = b1;
  return out.valid0 < out.valid1;
}

bool PlanStretch(const TRect& destRect, const TRect& srcRect, bool flipV, bool flipH, const TRect& clip,
                 const TRect& readable, StretchPlan& out) {
  const TRect r = Intersect(srcRect, readable);
  if (r.IsEmpty() || clip.IsEmpty()) return false;
  return PlanStretchAxis(destRect.left, destRect.right, srcRect.left, srcRect.right, clip.left, clip.right, r.left,
                         r.right, flipH, out.x) &&
         PlanStretchAxis(destRect.top, destRect.bottom, srcRect.top, srcRect.bottom, clip.top, clip.bottom, r.top,
                         r.bottom, flipV, out.y);
}

void FillColumnTable(const StretchAxis& x, std::vector<int32_t>& table) {
  const int64_t n = int64_t{x.dst1} - x.dst0;
  table.resize(static_cast<size_t>(n));
  for (int64_t i = 0; i < n; ++i) {
    const int64_t s = x.Source(i);
    table[static_cast<size_t>(i)] = (s >= x.valid0 && s < x.valid1) ? static_cast<int32_t>(s) : -1;
  }
}

}  // namespace kuzo
