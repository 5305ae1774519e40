// Picture drawing and hit testing for the picture components.
#include "components/picture_draw.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kuzo {
namespace {

int32_t Clamp32(double v) { return static_cast<int32_t>(std::clamp(v, -2147483648.0, 2147483647.0)); }
int32_t Clamp32(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

double Radians(int32_t turn) { return turn * std::numbers::pi / 128.0; }

}  // namespace

TRect PicturePlacement::Screen() const {
  return TRect{left, top, Clamp32(int64_t{left} + width), Clamp32(int64_t{top} + height)};
}

void DrawPicture(TCustomDIBX& target, const TCustomDIBX& picture, const TCustomDIBX* mask, int alpha,
                 const PicturePlacement& p) {
  if (alpha <= 0 || p.width <= 0 || p.height <= 0 || picture.IsEmpty()) return;
  alpha = std::min(alpha, kMaxOpacity);
  const bool keyed = picture.ColorKey != kNoColorKey;
  const TRect whole = picture.BoundsRect();
  if (p.Turn() != 0) {
    // Turned by -angle: the surface operation turns clockwise for growing angles.
    if (mask != nullptr) {
      target.DrawRotateMask(p.anchorX, p.anchorY, alpha, *mask, p.flipV, p.flipH, -p.Turn(), p.offsetY, p.offsetX,
                            whole, picture, p.zoomY, p.zoomX);
    } else {
      target.DrawRotate(p.anchorX, p.anchorY, alpha, p.flipV, p.flipH, keyed, -p.Turn(), p.offsetY, p.offsetX, whole,
                        picture, p.zoomY, p.zoomX);
    }
    return;
  }
  if (p.width == picture.Width() && p.height == picture.Height()) {
    target.DrawOpacity(p.left, p.top, alpha, mask, p.flipV, p.flipH, whole, picture);
    return;
  }
  const TRect dest = p.Screen();
  if (alpha <= kOpaque) {
    if (mask != nullptr) {
      target.StretchDrawMask(dest, picture, alpha, *mask, p.flipV, p.flipH, whole);
    } else {
      target.StretchDraw(dest, picture, alpha, p.flipV, p.flipH, keyed, whole);
    }
  } else if (mask != nullptr) {
    target.StretchDrawAddMask(dest, picture, alpha - kAddBase, *mask, p.flipV, p.flipH, whole);
  } else {
    target.StretchDrawAdd(dest, picture, alpha - kAddBase, p.flipV, p.flipH, keyed, whole);
  }
}

TRect PictureBounds(const PicturePlacement& p) {
  const TRect screen = p.Screen();
  if (p.Turn() == 0) return screen;
  // The box the turned draw walks (its pixel corners turned by -angle about the anchor, from
  // trunc(minimum) to trunc(maximum + 1)), grown by a pixel on every side against rounding.
  const double g = -Radians(p.Turn()), c = std::cos(g), s = std::sin(g);
  const double sx = std::max(1, p.zoomX) / 256.0, sy = std::max(1, p.zoomY) / 256.0;
  const double ox = p.offsetX * sx, oy = p.offsetY * sy;
  double minX = 1e300, maxX = -1e300, minY = 1e300, maxY = -1e300;
  for (const double dx : {-ox, double(p.width) - ox - 1}) {
    for (const double dy : {-oy, double(p.height) - oy - 1}) {
      const double X = p.anchorX + c * dx - s * dy, Y = p.anchorY + s * dx + c * dy;
      minX = std::min(minX, X), maxX = std::max(maxX, X), minY = std::min(minY, Y), maxY = std::max(maxY, Y);
    }
  }
  return TRect{Clamp32(std::trunc(minX) - 1), Clamp32(std::trunc(minY) - 1), Clamp32(std::trunc(maxX + 1) + 1),
               Clamp32(std::trunc(maxY + 1) + 1)};
}

bool PictureContains(const PicturePlacement& p, const TCustomDIBX* mask, bool captureMask, int32_t x, int32_t y) {
  int64_t px = x, py = y;
  if (p.Turn() != 0) {
    // Turn the point back by +angle about the anchor, rounded to the nearest pixel.
    const double g = Radians(p.Turn()), c = std::cos(g), s = std::sin(g);
    const double dx = double(x) - p.anchorX, dy = double(y) - p.anchorY;
    px = p.anchorX + std::llround(c * dx - s * dy);
    py = p.anchorY + std::llround(s * dx + c * dy);
  }
  const TRect screen = p.Screen();
  if (px < screen.left || px >= screen.right || py < screen.top || py >= screen.bottom) return false;
  if (!captureMask || mask == nullptr) return true;
  int64_t mx = (px - p.left) * 256 / std::max(1, p.zoomX);
  int64_t my = (py - p.top) * 256 / std::max(1, p.zoomY);
  if (p.flipH) mx = mask->Width() - 1 - mx;
  if (p.flipV) my = mask->Height() - 1 - my;
  if (mx < 0 || my < 0 || mx >= mask->Width() || my >= mask->Height()) return false;
  return mask->GetPixel(static_cast<int>(mx), static_cast<int>(my)) > 127;
}

TileAxisPlan PlanTileAxis(int32_t edge, int32_t pictureSize, int32_t distance, int32_t scroll) {
  TileAxisPlan plan;
  if (pictureSize <= 0) return plan;
  plan.step = int64_t{distance} * 2 >= pictureSize ? distance : pictureSize;
  int64_t shift = int64_t{scroll} % plan.step;
  if (shift < 0) shift += plan.step;
  plan.first = int64_t{edge} - shift;
  return plan;
}

void DrawTiledPicture(TCustomDIBX& target, const TCustomDIBX& picture, const TCustomDIBX* mask, int alpha,
                      const PicturePlacement& p, int32_t scrollX, int32_t scrollY, int32_t distanceX,
                      int32_t distanceY) {
  if (alpha <= 0 || p.width <= 0 || p.height <= 0 || p.zoomX <= 0 || p.zoomY <= 0 || picture.IsEmpty()) return;
  const int32_t w = static_cast<int32_t>(int64_t{picture.Width()} * p.zoomX / 256);
  const int32_t h = static_cast<int32_t>(int64_t{picture.Height()} * p.zoomY / 256);
  const TileAxisPlan ax = PlanTileAxis(p.left, w, distanceX, scrollX);
  const TileAxisPlan ay = PlanTileAxis(p.top, h, distanceY, scrollY);
  if (ax.step <= 0 || ay.step <= 0) return;
  const TRect screen = p.Screen();
  const TRect area = Intersect(target.GetClip(), screen);
  if (area.IsEmpty()) return;
  const TRect savedClip = target.RawClip();
  const bool savedSet = target.ClipIsSet();
  target.SetClip(area);
  // Copies wholly before the area are skipped by whole steps.
  auto start = [](const TileAxisPlan& a, int64_t size, int64_t areaStart) {
    int64_t pos = a.first;
    if (pos + size <= areaStart) pos += (areaStart - (pos + size)) / a.step * a.step;
    return pos;
  };
  for (int64_t y = start(ay, h, area.top); y < area.bottom; y += ay.step) {
    for (int64_t x = start(ax, w, area.left); x < area.right; x += ax.step) {
      PicturePlacement copy = p;
      copy.left = static_cast<int32_t>(x);
      copy.top = static_cast<int32_t>(y);
      copy.width = w;
      copy.height = h;
      copy.angle = 0;
      DrawPicture(target, picture, mask, alpha, copy);
    }
  }
  target.RestoreClip(savedClip, savedSet);
}

}  // namespace kuzo
