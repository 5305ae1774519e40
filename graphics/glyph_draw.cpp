// Glyph primitives and character drawing. Each primitive clips the glyph against the destination's
// clip rectangle once, then walks the remaining pixels row by row on locked memory.
#include "graphics/glyph_draw.h"

#include <algorithm>
#include <cmath>

namespace kuzo {
namespace {

// The part of a glyph placed at (x, y) that lies inside `clip`: source start and size, destination.
struct Span {
  int sx = 0, sy = 0, w = 0, h = 0, dx = 0, dy = 0;
  bool Empty() const { return w <= 0 || h <= 0; }
};

Span ClipGlyph(const TFontPixel& g, const TRect& clip, int x, int y) {
  Span s{0, 0, g.Width(), g.Height(), x, y};
  if (s.dx < clip.left) {
    s.sx += clip.left - s.dx;
    s.w -= clip.left - s.dx;
    s.dx = clip.left;
  }
  if (s.dy < clip.top) {
    s.sy += clip.top - s.dy;
    s.h -= clip.top - s.dy;
    s.dy = clip.top;
  }
  s.w = static_cast<int>(std::min<int64_t>(s.w, int64_t{clip.right} - s.dx));
  s.h = static_cast<int>(std::min<int64_t>(s.h, int64_t{clip.bottom} - s.dy));
  return s;
}

bool ColorWritable(const TCustomDIBX& d) {
  int bits = d.BitCount();
  return bits == 15 || bits == 16 || bits == 32;
}

bool CoverageWritable(const TCustomDIBX& d) { return d.BitCount() == 8 && d.Width() > 0 && d.Height() > 0; }

struct Masks {
  uint32_t m[3];
};
Masks MasksOf(const TCustomDIBX& d) { return {{d.RedMask(), d.GreenMask(), d.BlueMask()}}; }

// ((a*wa + b*wb) >> 8) & m for each channel, OR-ed.
uint32_t MixChannels(const Masks& ms, uint32_t a, uint32_t wa, uint32_t b, uint32_t wb) {
  uint32_t out = 0;
  for (uint32_t m : ms.m) {
    uint64_t v = (static_cast<uint64_t>(a & m) * wa + static_cast<uint64_t>(b & m) * wb) >> 8;
    out |= static_cast<uint32_t>(v) & m;
  }
  return out;
}

uint32_t ReadPixel(const uint8_t* row, int x, int bits) {
  if (bits == 32) return reinterpret_cast<const uint32_t*>(row)[x];
  return reinterpret_cast<const uint16_t*>(row)[x];
}
void WritePixel(uint8_t* row, int x, int bits, uint32_t v) {
  if (bits == 32) {
    reinterpret_cast<uint32_t*>(row)[x] = v;
  } else {
    reinterpret_cast<uint16_t*>(row)[x] = static_cast<uint16_t>(v);
  }
}

// x / 255 for 0 <= x <= 255 * 255, without a division.
constexpr uint32_t Div255(uint32_t x) { return (x + 1 + (x >> 8)) >> 8; }

// Colour weights c * 255 / a for every coverage c and accumulated coverage a (a >= c whenever it is
// used, so every weight fits a byte); looked up instead of divided per stamped pixel.
struct WeightTable {
  uint8_t w[256][256];
  WeightTable() {
    for (uint32_t c = 0; c < 256; ++c) {
      for (uint32_t a = 0; a < 256; ++a) w[c][a] = static_cast<uint8_t>(a == 0 ? 255 : std::min<uint32_t>(255, c * 255 / a));
    }
  }
};
const WeightTable& Weights() {
  static const WeightTable table;
  return table;
}

// DrawOver on one pixel: colour row pointer and coverage byte.
inline void OverPixel(const Masks& ms, uint8_t* crow, int cx, int bits, uint8_t& a, uint8_t c, uint32_t colour) {
  if (c == 0) return;
  if (c == 255) {
    WritePixel(crow, cx, bits, colour);
    a = 255;
    return;
  }
  uint32_t a2 = a + Div255(c * (255u - a));  // a + c*(255-a)/255
  a = static_cast<uint8_t>(a2);
  uint32_t w = Weights().w[c][a2];          // c*255/a', 255 when a' = 0
  WritePixel(crow, cx, bits, MixChannels(ms, colour, w, ReadPixel(crow, cx, bits), 255u - w));
}

TRect Band(int left, int top, int width, int height) { return {left, top, left + width, top + height}; }

struct Stamp {
  uint8_t* colorBase;
  uint8_t* coverageBase;
  ptrdiff_t colorPitch, coveragePitch;
  TRect clip;
  bool inside;
  int radius;
  uint32_t colour;
  Masks ms;
};

// The outline stamping loop for one pixel size: every inked pixel applies the DrawOver rule at each
// offset within the radius, in row, pixel, dy, dx order.
template <typename P>
void StampOutline(const TFontPixel& g, const Stamp& s, int x, int y) {
  const WeightTable& weights = Weights();
  const int r = s.radius;
  for (int row = 0; row < g.Height(); ++row) {
    const uint8_t* src = g.Glyph.Lock(0, row);
    for (int col = 0; col < g.Width(); ++col) {
      const uint32_t c = src[col];
      if (c == 0) continue;
      for (int dy = -r; dy <= r; ++dy) {
        int64_t ty = int64_t{y} + row + dy;
        if (!s.inside && (ty < s.clip.top || ty >= s.clip.bottom)) continue;
        P* crow = reinterpret_cast<P*>(s.colorBase + static_cast<ptrdiff_t>(ty) * s.colorPitch);
        uint8_t* arow = s.coverageBase + static_cast<ptrdiff_t>(ty) * s.coveragePitch;
        for (int dx = -r; dx <= r; ++dx) {
          if (dx == 0 && dy == 0) continue;
          int64_t tx = int64_t{x} + col + dx;
          if (!s.inside && (tx < s.clip.left || tx >= s.clip.right)) continue;
          if (c == 255) {
            crow[tx] = static_cast<P>(s.colour);
            arow[tx] = 255;
            continue;
          }
          uint32_t a = arow[tx];
          uint32_t a2 = a + Div255(c * (255u - a));
          arow[tx] = static_cast<uint8_t>(a2);
          uint32_t w = weights.w[c][a2];
          crow[tx] = static_cast<P>(MixChannels(s.ms, s.colour, w, crow[tx], 255u - w));
        }
      }
    }
  }
}

}  // namespace

void DrawSolid(const TFontPixel& g, TCustomDIBX& color, int x, int y, Pixel colour) {
  if (!ColorWritable(color) || g.Empty()) return;
  Span s = ClipGlyph(g, color.GetClip(), x, y);
  int bits = color.BitCount();
  for (int r = 0; r < s.h; ++r) {
    const uint8_t* src = g.Glyph.Lock(s.sx, s.sy + r);
    uint8_t* dst = color.Lock(0, s.dy + r);
    for (int i = 0; i < s.w; ++i) {
      if (src[i] > 0) WritePixel(dst, s.dx + i, bits, colour);
    }
  }
}

void DrawOnColor(const TFontPixel& g, TCustomDIBX& color, int x, int y, Pixel background, Pixel foreground) {
  if (!ColorWritable(color) || g.Empty()) return;
  Span s = ClipGlyph(g, color.GetClip(), x, y);
  int bits = color.BitCount();
  Masks ms = MasksOf(color);
  for (int r = 0; r < s.h; ++r) {
    const uint8_t* src = g.Glyph.Lock(s.sx, s.sy + r);
    uint8_t* dst = color.Lock(0, s.dy + r);
    for (int i = 0; i < s.w; ++i) {
      uint8_t c = src[i];
      if (c == 255) {
        WritePixel(dst, s.dx + i, bits, foreground);
      } else if (c > 0) {
        WritePixel(dst, s.dx + i, bits, MixChannels(ms, foreground, c, background, 255u - c));
      }
    }
  }
}

void DrawOver(const TFontPixel& g, TCustomDIBX& color, TCustomDIBX& coverage, int x, int y, Pixel colour) {
  if (!ColorWritable(color) || !CoverageWritable(coverage) || g.Empty()) return;
  TRect clip = color.GetClip();
  TRect cov = coverage.GetClip();
  clip = {std::max(clip.left, cov.left), std::max(clip.top, cov.top), std::min(clip.right, cov.right),
          std::min(clip.bottom, cov.bottom)};
  Span s = ClipGlyph(g, clip, x, y);
  int bits = color.BitCount();
  Masks ms = MasksOf(color);
  for (int r = 0; r < s.h; ++r) {
    const uint8_t* src = g.Glyph.Lock(s.sx, s.sy + r);
    uint8_t* dst = color.Lock(0, s.dy + r);
    uint8_t* a = coverage.Lock(s.dx, s.dy + r);
    for (int i = 0; i < s.w; ++i) OverPixel(ms, dst, s.dx + i, bits, a[i], src[i], colour);
  }
}

void MarkCoverage(const TFontPixel& g, TCustomDIBX& coverage, int x, int y) {
  if (!CoverageWritable(coverage) || g.Empty()) return;
  Span s = ClipGlyph(g, coverage.GetClip(), x, y);
  for (int r = 0; r < s.h; ++r) {
    const uint8_t* src = g.Glyph.Lock(s.sx, s.sy + r);
    uint8_t* a = coverage.Lock(s.dx, s.dy + r);
    for (int i = 0; i < s.w; ++i) {
      if (src[i] > 0) a[i] = 255;
    }
  }
}

void MaxCoverage(const TFontPixel& g, TCustomDIBX& coverage, int x, int y) {
  if (!CoverageWritable(coverage) || g.Empty()) return;
  Span s = ClipGlyph(g, coverage.GetClip(), x, y);
  for (int r = 0; r < s.h; ++r) {
    const uint8_t* src = g.Glyph.Lock(s.sx, s.sy + r);
    uint8_t* a = coverage.Lock(s.dx, s.dy + r);
    for (int i = 0; i < s.w; ++i) a[i] = std::max(a[i], src[i]);
  }
}

void DrawOutline(const TFontPixel& g, TCustomDIBX& color, TCustomDIBX& coverage, Pixel colour, int radius, int x, int y) {
  if (!ColorWritable(color) || !CoverageWritable(coverage) || g.Empty() || radius < 0) return;
  TRect clip = color.GetClip();
  TRect cov = coverage.GetClip();
  clip = {std::max(clip.left, cov.left), std::max(clip.top, cov.top), std::min(clip.right, cov.right),
          std::min(clip.bottom, cov.bottom)};
  int bits = color.BitCount();
  Masks ms = MasksOf(color);
  // Stamped targets need a clip test only when the whole stamped area is not inside the clip.
  bool inside = int64_t{x} - radius >= clip.left && int64_t{y} - radius >= clip.top &&
                int64_t{x} + g.Width() + radius <= clip.right && int64_t{y} + g.Height() + radius <= clip.bottom;
  // Row addresses come from the surfaces' base and pitch, not a call per stamped row.
  Stamp stamp{color.Lock(0, 0), coverage.Lock(0, 0), color.Pitch(), coverage.Pitch(), clip, inside, radius, colour, ms};
  if (bits == 32) {
    StampOutline<uint32_t>(g, stamp, x, y);
  } else {
    StampOutline<uint16_t>(g, stamp, x, y);
  }
}

namespace {

// Nearest integer to num / den, ties to even (den > 0).
int64_t RoundHalfEven(int64_t num, int64_t den) {
  if (den < 0) {
    num = -num;
    den = -den;
  }
  int64_t q = num / den, r = num % den;
  if (r < 0) {
    --q;
    r += den;
  }
  if (2 * r > den || (2 * r == den && (q & 1))) ++q;
  return q;
}

void PaintBand(TCustomDIBX& color, TCustomDIBX& coverage, const TRect& band, Pixel k, TRect& box) {
  if (band.IsEmpty()) return;
  if (ColorWritable(color)) color.FillRect(band, k);
  if (CoverageWritable(coverage)) coverage.FillRect(band, 255);
  box = Union(box, band);
}

}  // namespace

TRect DrawGlyph(const TFontPixel& g, TCustomDIBX& color, TCustomDIBX& coverage, const GlyphColors& colors, bool runEnd,
                bool runStart, int shadow, int border, const TRect& cell) {
  if (g.Empty()) return {};
  const int w = g.Width(), h = g.Height(), L = g.Left, T = g.Top, U = g.UnderlineSize, K = g.StrikeTop,
            Z = g.StrikeSize, E = g.Extra;
  const int D = std::max(0, shadow), B = std::max(0, border);
  const int cx = cell.left, cy = cell.top, cw = static_cast<int>(cell.Width()), ch = static_cast<int>(cell.Height());

  // Centre a glyph narrower than its cell by the character's own bearings.
  int P = 0;
  int gw = std::min(cw, g.FontHeight);
  if (L + E < gw - w) {
    int64_t a = g.AbcA, b = g.AbcB, c = g.AbcC;
    if (a + c != 0 && a + b + c != 0) {
      P = static_cast<int>(RoundHalfEven((b / 2 + a) * (gw - w), a + b + c));
    } else {
      P = (gw - w) / 2;
    }
    P = std::max(0, P - L);
  }
  TRect box = Band(cx + L + P, cy + T, w + 2 * B + D, h + 2 * B + D);

  if (B == 0 && D == 0) {
    DrawSolid(g, color, cx + L + P, cy + T, colors.text);
    MaxCoverage(g, coverage, cx + L + P, cy + T);
    if (U > 0) {
      TRect band = Band(cx, cy + ch - U, cw, U);
      if (CoverageWritable(coverage)) coverage.FillRect(band, 255);
      box = Union(box, band);
    }
    if (Z >= 1) {
      TRect band = Band(cx, cy + K, cw, Z);
      if (CoverageWritable(coverage)) coverage.FillRect(band, 255);
      box = Union(box, band);
    }
    return box;
  }

  const int u = 2 * B;
  if (D > 0) {
    if (U > 0) {
      TRect band = Band(cx, cy + ch - u - U, cw, u + U);
      if (runStart) band.left += D;
      PaintBand(color, coverage, band, colors.shadow, box);
    }
    if (B == 0) {
      int sx = cx + L + D + P, sy = cy + T + D;
      if (CoverageWritable(coverage)) coverage.Draw(sx, sy, false, false, false, g.Glyph.BoundsRect(), g.Glyph);
      DrawSolid(g, color, sx, sy, colors.shadow);
      box = Union(box, Band(sx, sy, w, h));
    } else {
      int sx = cx + B + L + D + P, sy = cy + B + T + D;
      DrawOutline(g, color, coverage, colors.shadow, B, sx, sy);
      box = Union(box, Band(sx - B, sy - B, w + 2 * B, h + 2 * B));
    }
    if (Z > 0) {
      TRect band = Band(cx, cy + D + K, cw, u + Z);
      if (runStart) band.left += D;
      PaintBand(color, coverage, band, colors.shadow, box);
    }
  }

  const int x = cx + B + L + P, y = cy + B + T;
  auto trimEnd = [&](TRect r) {
    if (runEnd) r.right -= D;
    return r;
  };
  if (U > 0) {
    PaintBand(color, coverage, trimEnd(Band(cx, cy + ch - D - B - U, cw, U)), colors.text, box);
    if (B > 0) {
      PaintBand(color, coverage, trimEnd(Band(cx, cy + ch - D - u - U, cw, B)), colors.border, box);
      PaintBand(color, coverage, trimEnd(Band(cx, cy + ch - D - B, cw, B)), colors.border, box);
    }
  }
  if (B == 0) {
    DrawOver(g, color, coverage, x, y, colors.text);
  } else {
    DrawOutline(g, color, coverage, colors.border, B, x, y);
    MarkCoverage(g, coverage, x, y);
    DrawOnColor(g, color, x, y, colors.border, colors.text);
  }
  if (Z >= 1) {
    PaintBand(color, coverage, trimEnd(Band(cx, cy + B + K, cw, Z)), colors.text, box);
    if (B > 0) {
      PaintBand(color, coverage, trimEnd(Band(cx, cy + K, cw, B)), colors.border, box);
      PaintBand(color, coverage, trimEnd(Band(cx, cy + K + B + Z, cw, B)), colors.border, box);
    }
  }
  return box;
}

}  // namespace kuzo
