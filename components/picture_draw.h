// How picture components put a picture on the screen and test clicks against it: the blend rule
// (0 nothing, 1-254 blend, 255 opaque with key or mask, 256-511 add) applied through a plain,
// stretched or rotated draw, and the hit test of a possibly rotated picture with its capture mask.
#pragma once

#include <cstdint>

#include "graphics/dibx.h"
#include "graphics/rect.h"

namespace kuzo {

// Where and how a picture is shown.
struct PicturePlacement {
  int32_t left = 0, top = 0;        // screen rectangle: abs left / top ...
  int32_t width = 0, height = 0;    // ... and the component's size (the zoomed picture size)
  int32_t anchorX = 0, anchorY = 0;  // the anchor on the screen
  int32_t offsetX = 0, offsetY = 0;  // the point of the picture at the anchor (mirrored for flips)
  int32_t zoomX = 256, zoomY = 256;  // 1/256, at least 1
  int32_t angle = 0;                 // only the low byte counts: 256 units per turn
  bool flipH = false, flipV = false;

  int32_t Turn() const { return angle & 255; }
  TRect Screen() const;
};

// Draws `picture` (its ColorKey is the transparent colour; `mask` wins over it) with the blend rule
// `alpha`: turned by -angle about the anchor when the angle is not 0; unscaled at (left, top) when
// the size equals the picture's; stretched to the screen rectangle otherwise.
void DrawPicture(TCustomDIBX& target, const TCustomDIBX& picture, const TCustomDIBX* mask, int alpha,
                 const PicturePlacement& p);

// The screen rectangle, or for a turned picture a rectangle holding every pixel the turned draw
// may touch (what must be redrawn when it moves).
TRect PictureBounds(const PicturePlacement& p);

// Where the copies of a tiled picture go along one axis: a copy every `step` pixels starting at
// `first` (at or before the rectangle's edge).
struct TileAxisPlan {
  int64_t first = 0;
  int64_t step = 0;
};
// The step is the distance when it is at least half the (zoomed) picture size, else the picture
// size; the pattern is shifted by the scroll taken modulo the step (a negative scroll counts from the
// other side). Step 0 (an empty picture) places nothing.
TileAxisPlan PlanTileAxis(int32_t edge, int32_t pictureSize, int32_t distance, int32_t scroll);

// Repeats the picture over the screen rectangle of `p` (its left, top, width and height; angle and
// anchor unused), each copy zoomed, flipped and drawn with the blend rule, cut at the rectangle.
void DrawTiledPicture(TCustomDIBX& target, const TCustomDIBX& picture, const TCustomDIBX* mask, int alpha,
                      const PicturePlacement& p, int32_t scrollX, int32_t scrollY, int32_t distanceX,
                      int32_t distanceY);

// Whether (x, y) hits the picture: inside the screen rectangle after turning the point back about
// the anchor, and, with captureMask and a mask, on a mask value above 127.
bool PictureContains(const PicturePlacement& p, const TCustomDIBX* mask, bool captureMask, int32_t x, int32_t y);

}  // namespace kuzo
