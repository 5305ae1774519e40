// The nearest-neighbour walk of stretched drawing: clipping a destination rectangle that maps onto a
// source rectangle at a fractional scale, and the 16.16 accumulators that pick the source column of
// every destination column (the column table) and the source row of every destination row.
#pragma once

#include <cstdint>
#include <vector>

#include "graphics/rect.h"

namespace kuzo {

// One axis of a stretched draw after clipping.
struct StretchAxis {
  int32_t dst0 = 0;    // first destination pixel (inside the clip)
  int32_t dst1 = 0;    // one past the last
  int64_t base = 0;    // source coordinate of dst0: the clipped source start (mirrored: its end - 1)
  int64_t frac = 0;    // starting fraction, 0..65535
  int64_t step = 0;    // source pixels per destination pixel in 16.16 (positive)
  bool flip = false;   // source walked backwards
  int64_t valid0 = 0;  // source coordinates outside [valid0, valid1) are skipped
  int64_t valid1 = 0;

  // Source coordinate of destination pixel dst0 + i; mirrored walks are the exact mirror image of
  // the plain walk, so both repeat the same columns the same number of times.
  int64_t Source(int64_t i) const {
    const int64_t k = (frac + i * step) >> 16;
    return flip ? base - k : base + k;
  }
};

// Clips one axis: destination [d0, d1) shows source [s0, s1) (mirrored when flip), the clip is
// [c0, c1), and only source coordinates in [b0, b1) may be read. A left or top overhang advances the
// source by the truncated scaled amount and keeps the fraction; a right or bottom overhang cuts the
// destination. Returns false when nothing is left (empty or inverted rectangles included).
bool PlanStretchAxis(int64_t d0, int64_t d1, int64_t s0, int64_t s1, int64_t c0, int64_t c1, int64_t b0, int64_t b1,
                     bool flip, StretchAxis& out);

// Both axes of a stretched draw of srcRect onto destRect within clip, reading only inside `readable`.
struct StretchPlan {
  StretchAxis x, y;
};
bool PlanStretch(const TRect& destRect, const TRect& srcRect, bool flipV, bool flipH, const TRect& clip,
                 const TRect& readable, StretchPlan& out);

// The source column of every destination column of the plan (-1 where the column is skipped). Sized
// to the clipped width, whatever it is.
void FillColumnTable(const StretchAxis& x, std::vector<int32_t>& table);

}  // namespace kuzo
