// Tiling: the unscaled tile operations (TileDraw .. TileDrawAddMask), which repeat a source rectangle
// over a destination rectangle with gaps, and the tiled stretch (TileStretchDraw and its mask form),
// which places scaled tiles at a fixed 16.16 period. Every tile is drawn through the surface's own
// draw operations, so a surface kind that overrides those (the wave proxy) changes tiling too.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "graphics/dibx.h"
#include "graphics/transform_pixels.h"

namespace kuzo {
namespace {

// One axis of unscaled tiling: the first tile starts `offset` pixels into the tile and is cut
// there; the next tiles are whole, each `gap` pixels after the previous one.
struct TileAxis {
  int64_t firstSource = 0;  // source coordinate where the first tile starts
  int64_t s0 = 0, s1 = 0;   // the tile's source span
};

TileAxis PlanTileAxis(int64_t s0, int64_t s1, int64_t offset) {
  const int64_t size = s1 - s0;
  TileAxis a;
  a.s0 = s0;
  a.s1 = s1;
  a.firstSource = offset >= 0 ? s0 + offset % size : s1 - ((-offset) % size);
  return a;
}

// Calls draw(x, y, tileRect) for every tile of destRect that can meet `area` (the clip already
// limited to destRect). Positions advance by the drawn tile's size plus the gap; an advance of 0 or
// less (a gap of minus the tile size or less) ends the row or column instead of looping for ever.
template <typename DrawFn>
void WalkTiles(const TRect& destRect, const TRect& area, int hGap, int vGap, int offsetX, int offsetY,
               const TRect& srcRect, DrawFn draw) {
  const TileAxis ax = PlanTileAxis(srcRect.left, srcRect.right, offsetX);
  const TileAxis ay = PlanTileAxis(srcRect.top, srcRect.bottom, offsetY);
  const int64_t w = srcRect.Width(), h = srcRect.Height();

  // The cut first tile, then whole tiles one period (size + gap) apart, skipping those before the area.
  auto walk = [](const TileAxis& a, int64_t start, int64_t size, int64_t gap, int64_t areaStart, int64_t areaEnd,
                 auto&& each) {
    int64_t pos = start;
    const int64_t firstSize = a.s1 - a.firstSource;
    if (pos + firstSize > areaStart && pos < areaEnd) each(pos, a.firstSource, firstSize);
    if (size + gap <= 0) return;
    pos += firstSize + gap;
    const int64_t period = size + gap;
    if (pos + size <= areaStart) pos += (areaStart - (pos + size)) / period * period;  // jump to the area
    for (; pos < areaEnd; pos += period) {
      if (pos + size > areaStart) each(pos, a.s0, size);
    }
  };
  // Tiles are cut at the rectangle's right and bottom edges (not only by the clip: a surface that
  // forwards its draws elsewhere does not apply its own clip).
  walk(ay, destRect.top, h, vGap, area.top, area.bottom, [&](int64_t y, int64_t sy, int64_t th) {
    th = std::min<int64_t>(th, int64_t{destRect.bottom} - y);
    walk(ax, destRect.left, w, hGap, area.left, area.right, [&](int64_t x, int64_t sx, int64_t tw) {
      tw = std::min<int64_t>(tw, int64_t{destRect.right} - x);
      draw(static_cast<int>(x), static_cast<int>(y),
           TRect{static_cast<int32_t>(sx), static_cast<int32_t>(sy), static_cast<int32_t>(sx + tw),
                 static_cast<int32_t>(sy + th)});
    });
  });
}

// Runs `tiles(area)` with the clip limited to destRect and restores the clip afterwards.
template <typename TilesFn>
void WithTileClip(TCustomDIBX& dest, const TRect& destRect, TilesFn tiles) {
  const TRect area = Intersect(dest.GetClip(), destRect);
  if (area.IsEmpty()) return;
  transform::ClipSaver saved(dest);
  dest.SetClip(area);
  tiles(area);
}

template <typename DrawFn>
void Tile(TCustomDIBX& dest, const TRect& destRect, int hGap, int vGap, int offsetX, int offsetY,
          const TRect& srcRect, DrawFn draw) {
  if (srcRect.IsEmpty()) return;  // an empty tile has no size to repeat
  WithTileClip(dest, destRect, [&](const TRect& area) {
    WalkTiles(destRect, area, hGap, vGap, offsetX, offsetY, srcRect, draw);
  });
}

// One axis of the tiled stretch: tiles start every `period` (16.16) from `start` (16.16).
struct StretchTileAxis {
  int64_t start = 0;
  int64_t period = 0;
  int64_t size = 0;  // tile size in destination pixels
};

StretchTileAxis PlanStretchTileAxis(int64_t destStart, int64_t sourceSize, int scale, int period, int offset) {
  StretchTileAxis a;
  a.size = std::max<int64_t>(1, int64_t{scale} * sourceSize / 256);
  double p = scale * static_cast<double>(period) / 256.0;
  a.period = std::max<int64_t>(65536, std::llround(p * 65536.0));
  if (p <= 0) p = 1.0;  // a period of 0 or less cannot place the start; tiles then touch
  const double ratio = offset / p;
  const double frac = ratio - std::trunc(ratio);  // keeps the sign of the offset
  const double back = offset >= 0 ? frac * p : p + frac * p;
  a.start = destStart * 65536 - std::llround(back * 65536.0);
  return a;
}

// Calls each(pos) for every tile start of an axis whose tile can meet [areaStart, areaEnd).
template <typename EachFn>
void WalkStretchTiles(const StretchTileAxis& a, int64_t destEnd, int64_t areaStart, int64_t areaEnd, EachFn each) {
  int64_t pos = a.start;
  const int64_t skipTo = (areaStart - a.size) * 65536;
  if (pos < skipTo) pos += (skipTo - pos) / a.period * a.period;  // tiles wholly before the area
  const int64_t end = std::min(destEnd, areaEnd) * 65536;
  for (; pos < end; pos += a.period) each(pos >> 16);
}

template <typename DrawFn>
void TileStretch(TCustomDIBX& dest, const TRect& destRect, int periodX, int periodY, int offsetX, int offsetY,
                 const TRect& srcRect, int scaleX, int scaleY, DrawFn draw) {
  if (srcRect.IsEmpty() || scaleX <= 0 || scaleY <= 0) return;  // zero zoom draws nothing
  WithTileClip(dest, destRect, [&](const TRect& area) {
    const StretchTileAxis ax = PlanStretchTileAxis(destRect.left, srcRect.Width(), scaleX, periodX, offsetX);
    const StretchTileAxis ay = PlanStretchTileAxis(destRect.top, srcRect.Height(), scaleY, periodY, offsetY);
    WalkStretchTiles(ay, destRect.bottom, area.top, area.bottom, [&](int64_t y) {
      WalkStretchTiles(ax, destRect.right, area.left, area.right, [&](int64_t x) {
        draw(TRect{static_cast<int32_t>(x), static_cast<int32_t>(y), static_cast<int32_t>(x + ax.size),
                   static_cast<int32_t>(y + ay.size)});
      });
    });
  });
}

}  // namespace

void TCustomDIBX::TileDraw(const TRect& destRect, int hGap, int offsetY, int offsetX, bool trans,
                           const TRect& srcRect, const TCustomDIBX& source, int vGap) {
  Tile(*this, destRect, hGap, vGap, offsetX, offsetY, srcRect,
       [&](int x, int y, const TRect& s) { Draw(x, y, false, false, trans, s, source); });
}

void TCustomDIBX::TileDrawAlpha(const TRect& destRect, int hGap, int offsetY, int offsetX, int opacity, bool trans,
                                const TRect& srcRect, const TCustomDIBX& source, int vGap) {
  if (opacity <= 0) return;
  Tile(*this, destRect, hGap, vGap, offsetX, offsetY, srcRect,
       [&](int x, int y, const TRect& s) { DrawAlpha(x, y, opacity, false, false, trans, s, source); });
}

void TCustomDIBX::TileDrawAdd(const TRect& destRect, int hGap, int offsetY, int offsetX, int strength, bool flag,
                              const TRect& srcRect, const TCustomDIBX& source, int vGap) {
  if (strength <= 0) return;
  Tile(*this, destRect, hGap, vGap, offsetX, offsetY, srcRect,
       [&](int x, int y, const TRect& s) { DrawAdd(x, y, strength, false, false, flag, s, source); });
}

void TCustomDIBX::TileDrawMask(const TRect& destRect, int hGap, int offsetY, int offsetX, const TCustomDIBX& mask,
                               const TRect& srcRect, const TCustomDIBX& source, int vGap) {
  Tile(*this, destRect, hGap, vGap, offsetX, offsetY, srcRect,
       [&](int x, int y, const TRect& s) { DrawMask(x, y, mask, false, false, s, source); });
}

void TCustomDIBX::TileDrawAlphaMask(const TRect& destRect, int hGap, int offsetY, int offsetX, int opacity,
                                    const TCustomDIBX& mask, const TRect& srcRect, const TCustomDIBX& source,
                                    int vGap) {
  if (opacity <= 0) return;
  Tile(*this, destRect, hGap, vGap, offsetX, offsetY, srcRect,
       [&](int x, int y, const TRect& s) { DrawAlphaMask(x, y, opacity, mask, false, false, s, source); });
}

void TCustomDIBX::TileDrawAddMask(const TRect& destRect, int hGap, int offsetY, int offsetX, int strength,
                                  const TCustomDIBX& mask, const TRect& srcRect, const TCustomDIBX& source, int vGap) {
  if (strength <= 0) return;
  Tile(*this, destRect, hGap, vGap, offsetX, offsetY, srcRect,
       [&](int x, int y, const TRect& s) { DrawAddMask(x, y, strength, mask, false, false, s, source); });
}

void TCustomDIBX::TileStretchDraw(const TRect& destRect, int periodX, int offsetY, int offsetX, int opacity,
                                  bool flipV, bool flipH, bool trans, const TRect& srcRect, const TCustomDIBX& source,
                                  int scaleY, int scaleX, int periodY) {
  if (opacity <= 0) return;
  opacity = std::min(opacity, kMaxOpacity);
  TileStretch(*this, destRect, periodX, periodY, offsetX, offsetY, srcRect, scaleX, scaleY, [&](const TRect& tile) {
    if (opacity <= kOpaque) {
      StretchDraw(tile, source, opacity, flipV, flipH, trans, srcRect);
    } else {
      StretchDrawAdd(tile, source, opacity & 255, flipV, flipH, trans, srcRect);
    }
  });
}

void TCustomDIBX::TileStretchDrawMask(const TRect& destRect, int periodX, int offsetY, int offsetX, int opacity,
                                      bool flipV, bool flipH, const TCustomDIBX& mask, const TRect& srcRect,
                                      const TCustomDIBX& source, int scaleY, int scaleX, int periodY) {
  if (opacity <= 0) return;
  opacity = std::min(opacity, kMaxOpacity);
  TileStretch(*this, destRect, periodX, periodY, offsetX, offsetY, srcRect, scaleX, scaleY, [&](const TRect& tile) {
    if (opacity <= kOpaque) {
      StretchDrawMask(tile, source, opacity, mask, flipV, flipH, srcRect);
    } else {
      StretchDrawAddMask(tile, source, opacity & 255, mask, flipV, flipH, srcRect);
    }
  });
}

}  // namespace kuzo
