// Pattern drawing (FillPattern, FramePattern, StretchPattern and its mask form), in which a whole
// pattern surface repeats over a rectangle, and the indexed sources (DrawNibbles, DrawIndexedAdd),
// whose 4- or 8-bit values pick native pixels from a colour table.
#include <algorithm>
#include <cmath>
#include <memory>

#include "graphics/dibx.h"
#include "graphics/draw_clip.h"
#include "graphics/transform_pixels.h"

namespace kuzo {

using transform::PixelView;
using transform::PointMode;
using transform::PointParams;

namespace {

int64_t Mod(int64_t a, int64_t n) {
  const int64_t r = a % n;
  return r < 0 ? r + n : r;
}

// One axis of a stretched pattern: a 16.16 position that wraps at the pattern size.
struct PatternAxis {
  int64_t start = 0;  // position at the destination rectangle's first pixel, 16.16
  int64_t step = 0;   // per destination pixel, 16.16 (negative when mirrored)
  int64_t size = 0;   // pattern size in 16.16

  int64_t At(int64_t i) const { return Mod(start + i * step, size) >> 16; }
};

PatternAxis PlanPatternAxis(int patternSize, int scale, int offset, bool flip) {
  PatternAxis a;
  a.size = int64_t{patternSize} * 65536;
  a.step = std::min<int64_t>(static_cast<int64_t>(std::trunc(256.0 / scale * 65536.0)), a.size);
  if (flip) a.step = -a.step;
  const double scaled = static_cast<double>(patternSize) * scale / 256.0;
  const double ratio = offset / scaled;
  double pos = (ratio - std::trunc(ratio)) * patternSize;  // keeps the sign of the offset
  if (offset < 0) pos += patternSize;
  if (flip) pos = patternSize - pos;
  if (pos >= patternSize) pos -= patternSize;
  a.start = std::llround(pos * 65536.0);
  return a;
}

// A pixel of 4-bit storage: the high nibble is the even column.
inline int Nibble(const uint8_t* row, int64_t x) {
  const uint8_t b = row[x >> 1];
  return (x & 1) != 0 ? (b & 15) : (b >> 4);
}

// The white pixel the additive nibble draw leaves alone.
template <PixelFormat F>
inline bool IsWhite(uint32_t d) {
  if constexpr (F == PixelFormat::kRgb32) return d >= 0xFFFFFFu;
  if constexpr (F == PixelFormat::kRgb24) return d == 0xFFFFFFu;
  if constexpr (F == PixelFormat::kRgb555 || F == PixelFormat::kRgb565) return d == 0xFFFFu;
  return false;
}

void RunStretchPattern(TCustomDIBX& dest, const TRect& destRect, int scaleX, int scaleY, int opacity, bool flipV,
                       bool flipH, bool trans, int offsetY, int offsetX, const TCustomDIBX& patternIn,
                       const TCustomDIBX* maskIn) {
  PointMode mode;
  uint32_t weight;
  PixelFormat format;
  if (scaleX <= 0 || scaleY <= 0 || patternIn.IsEmpty()) return;  // zero scales and empty patterns draw nothing
  if (!transform::OpacityMode(opacity, true, mode, weight)) return;
  if (!dest.DrawFormat(format) || patternIn.BitCount() != dest.BitCount()) return;
  if (maskIn != nullptr && (maskIn->BitCount() != 8 || maskIn->Width() < patternIn.Width() ||
                            maskIn->Height() < patternIn.Height())) {
    return;
  }
  const TRect area = Intersect(destRect, dest.GetClip());
  if (area.IsEmpty()) return;
  std::unique_ptr<TDIBX> patternCopy, maskCopy;
  const TCustomDIBX& pattern = transform::Detached(dest, patternIn, patternCopy);
  const TCustomDIBX* mask = maskIn != nullptr ? &transform::Detached(dest, *maskIn, maskCopy) : nullptr;
  PixelView d, s, m;
  if (!d.Open(dest) || !s.Open(pattern)) return;
  if (mask != nullptr && !m.Open(*mask)) return;

  const PatternAxis ax = PlanPatternAxis(pattern.Width(), scaleX, offsetX, flipH);
  const PatternAxis ay = PlanPatternAxis(pattern.Height(), scaleY, offsetY, flipV);
  std::vector<int32_t> columns(static_cast<size_t>(area.Width()));
  for (size_t j = 0; j < columns.size(); ++j) {
    columns[j] = static_cast<int32_t>(ax.At(int64_t{area.left} - destRect.left + static_cast<int64_t>(j)));
  }
  PointParams p;
  p.weight = weight;
  p.useKey = trans && pattern.ColorKey != kNoColorKey;
  p.key = static_cast<uint32_t>(pattern.ColorKey) & Info(format).pixelMask;
  transform::WithFormatAndMode(format, mode, [&]<PixelFormat F, PointMode M>() {
    constexpr int kBpp = Info(F).bytesPerPixel;
    for (int64_t y = area.top; y < area.bottom; ++y) {
      const int64_t sy = ay.At(y - destRect.top);
      const uint8_t* sRow = s.Row(sy);
      uint8_t* dp = d.Row(y) + static_cast<ptrdiff_t>(area.left) * kBpp;
      if (mask != nullptr) {
        const uint8_t* mRow = m.Row(sy);
        for (const int32_t sx : columns) {
          transform::PutPointMasked<F, M>(dp, LoadPixel(F, sRow + sx * kBpp), mRow[sx], p);
          dp += kBpp;
        }
      } else {
        for (const int32_t sx : columns) {
          transform::PutPoint<F, M>(dp, LoadPixel(F, sRow + sx * kBpp), p);
          dp += kBpp;
        }
      }
    }
  });
}

}  // namespace

void TCustomDIBX::FillPattern(const TRect& destRect, const TCustomDIBX& patternIn, bool flipV, bool flipH, int offsetY,
                              int offsetX) {
  PixelFormat format;
  if (patternIn.IsEmpty() || !DrawFormat(format) || patternIn.BitCount() != BitCount()) return;
  const TRect clip = GetClip();
  // The offsets move with the part of the rectangle the clip cuts away.
  int64_t ox = offsetX, oy = offsetY;
  if (destRect.left < clip.left) ox += int64_t{clip.left} - destRect.left;
  if (destRect.top < clip.top) oy += int64_t{clip.top} - destRect.top;
  const TRect area = Intersect(destRect, clip);
  if (area.IsEmpty()) return;
  std::unique_ptr<TDIBX> patternCopy;
  const TCustomDIBX& pattern = transform::Detached(*this, patternIn, patternCopy);
  PixelView d, s;
  if (!d.Open(*this) || !s.Open(pattern)) return;
  const int pw = pattern.Width(), ph = pattern.Height();
  std::vector<int32_t> columns(static_cast<size_t>(area.Width()));
  for (size_t j = 0; j < columns.size(); ++j) {
    const int64_t c = Mod(ox + static_cast<int64_t>(j), pw);
    columns[j] = static_cast<int32_t>(flipH ? pw - 1 - c : c);
  }
  transform::WithFormat(format, [&]<PixelFormat F>() {
    constexpr int kBpp = Info(F).bytesPerPixel;
    for (int64_t y = area.top; y < area.bottom; ++y) {
      int64_t r = Mod(oy + (y - area.top), ph);
      if (flipV) r = ph - 1 - r;
      const uint8_t* sRow = s.Row(r);
      uint8_t* dp = d.Row(y) + static_cast<ptrdiff_t>(area.left) * kBpp;
      if (!flipH) {
        // Runs of whole pattern rows: copy bytes up to each wrap.
        size_t j = 0;
        while (j < columns.size()) {
          const size_t run = std::min<size_t>(columns.size() - j, static_cast<size_t>(pw - columns[j]));
          std::copy(sRow + static_cast<ptrdiff_t>(columns[j]) * kBpp,
                    sRow + static_cast<ptrdiff_t>(columns[j] + static_cast<int32_t>(run)) * kBpp, dp);
          dp += run * kBpp;
          j += run;
        }
      } else {
        for (const int32_t sx : columns) {
          StorePixel(F, dp, LoadPixel(F, sRow + sx * kBpp));
          dp += kBpp;
        }
      }
    }
  });
}

void TCustomDIBX::FramePattern(const TRect& rect, int thickness, int offsetY, int offsetX, bool, const TRect&,
                               const TCustomDIBX& pattern) {
  const int64_t l = rect.left, t = rect.top, r = rect.right, b = rect.bottom, k = thickness;
  auto band = [&](int64_t bl, int64_t bt, int64_t br, int64_t bb) {
    auto c = [](int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
    FillPattern(TRect{c(bl), c(bt), c(br), c(bb)}, pattern, false, false, offsetY, offsetX);
  };
  band(l, t, r, t + k);
  band(l, b - k, r, b);
  band(l, t, l + k, b);
  band(r - k, t, r, b);
}

void TCustomDIBX::StretchPattern(const TRect& destRect, int scaleX, int opacity, bool flipV, bool flipH, bool trans,
                                 int offsetY, int offsetX, const TCustomDIBX& pattern, int scaleY) {
  RunStretchPattern(*this, destRect, scaleX, scaleY, opacity, flipV, flipH, trans, offsetY, offsetX, pattern, nullptr);
}

void TCustomDIBX::StretchPatternMask(const TRect& destRect, int scaleX, int opacity, bool flipV, bool flipH,
                                     const TCustomDIBX& mask, int offsetY, int offsetX, const TCustomDIBX& pattern,
                                     int scaleY) {
  RunStretchPattern(*this, destRect, scaleX, scaleY, opacity, flipV, flipH, false, offsetY, offsetX, pattern, &mask);
}

void TCustomDIBX::DrawNibbles(int x, int y, const TColorTable& colours, int opacity, bool flipV, bool flipH, bool,
                              const TRect& srcRect, const TCustomDIBX& sourceIn) {
  PointMode mode;
  uint32_t weight;
  PixelFormat format;
  if (!transform::OpacityMode(opacity, true, mode, weight)) return;
  if (!DrawFormat(format) || sourceIn.BitCount() != 4) return;
  DrawPlan plan;
  if (!PlanDraw(x, y, srcRect, flipV, flipH, GetClip(), sourceIn.BoundsRect(), nullptr, plan)) return;
  std::unique_ptr<TDIBX> sourceCopy;
  const TCustomDIBX& source = transform::Detached(*this, sourceIn, sourceCopy);
  PixelView d, s;
  if (!d.Open(*this) || !s.Open(source)) return;
  const uint32_t pixelMask = Info(format).pixelMask;
  const int key = source.ColorKey;
  PointParams p;
  p.weight = weight;
  transform::WithFormatAndMode(format, mode, [&]<PixelFormat F, PointMode M>() {
    constexpr int kBpp = Info(F).bytesPerPixel;
    int64_t sy = plan.srcY;
    for (int64_t dy = plan.dst.top; dy < plan.dst.bottom; ++dy, sy += plan.stepY) {
      const uint8_t* sRow = s.Row(sy);
      uint8_t* dp = d.Row(dy) + static_cast<ptrdiff_t>(plan.dst.left) * kBpp;
      int64_t sx = plan.srcX;
      for (int64_t dx = plan.dst.left; dx < plan.dst.right; ++dx, sx += plan.stepX, dp += kBpp) {
        const int index = Nibble(sRow, sx);
        if (index == key) continue;  // the source's key index is transparent
        const uint32_t colour = static_cast<uint32_t>(colours[index]) & pixelMask;
        if constexpr (M == PointMode::kAdd) {
          // White pixels and colour 0 would not change.
          if (IsWhite<F>(LoadPixel(F, dp)) || colours[index] == 0) continue;
        } else if constexpr (M == PointMode::kBlend) {
          if (LoadPixel(F, dp) == colour) continue;  // pixels already the colour are left
        }
        transform::PutPoint<F, M>(dp, colour, p);
      }
    }
  });
}

void TCustomDIBX::DrawIndexedAdd(int x, int y, const TColorTable& colours, int strength, bool flipV, bool flipH,
                                 int threshold, const TRect& srcRect, const TCustomDIBX& sourceIn) {
  PixelFormat format;
  if (strength <= 0 || !DrawFormat(format) || sourceIn.BitCount() != 8) return;
  DrawPlan plan;
  if (!PlanDraw(x, y, srcRect, flipV, flipH, GetClip(), sourceIn.BoundsRect(), nullptr, plan)) return;
  std::unique_ptr<TDIBX> sourceCopy;
  const TCustomDIBX& source = transform::Detached(*this, sourceIn, sourceCopy);
  PixelView d, s;
  if (!d.Open(*this) || !s.Open(source)) return;
  const uint32_t pixelMask = Info(format).pixelMask;
  PointParams p;
  p.weight = static_cast<uint32_t>(std::min(strength, 255));
  transform::WithFormat(format, [&]<PixelFormat F>() {
    constexpr int kBpp = Info(F).bytesPerPixel;
    int64_t sy = plan.srcY;
    for (int64_t dy = plan.dst.top; dy < plan.dst.bottom; ++dy, sy += plan.stepY) {
      const uint8_t* sRow = s.Row(sy);
      uint8_t* dp = d.Row(dy) + static_cast<ptrdiff_t>(plan.dst.left) * kBpp;
      int64_t sx = plan.srcX;
      for (int64_t dx = plan.dst.left; dx < plan.dst.right; ++dx, sx += plan.stepX, dp += kBpp) {
        const int v = sRow[sx];
        if (v < threshold) continue;
        transform::PutPoint<F, PointMode::kAdd>(dp, static_cast<uint32_t>(colours[v]) & pixelMask, p);
      }
    }
  });
}

}  // namespace kuzo
