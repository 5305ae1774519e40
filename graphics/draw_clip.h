// The one clip routine of every unscaled draw: places a (possibly mirrored) source rectangle at
// (x, y) and intersects it with the destination clip, the source bounds and the mask bounds, so no
// operation ever reads or writes outside a surface whatever rectangle a caller passes.
#pragma once

#include "graphics/rect.h"

namespace kuzo {

struct DrawPlan {
  TRect dst;     // destination pixels to write (non-empty)
  int32_t srcX;  // source column of the first destination column
  int32_t srcY;  // source row of the first destination row
  int stepX;     // +1, or -1 when mirrored horizontally
  int stepY;     // +1, or -1 when mirrored vertically
};

// Destination column x + i shows source column srcRect.left + i (srcRect.right - 1 - i with flipH);
// rows likewise. Source columns outside `srcBounds` (and `maskBounds` when given) and destination
// pixels outside `clip` are dropped. Returns false when nothing is left to draw.
bool PlanDraw(int32_t x, int32_t y, const TRect& srcRect, bool flipV, bool flipH, const TRect& clip,
              const TRect& srcBounds, const TRect* maskBounds, DrawPlan& out);

}  // namespace kuzo
