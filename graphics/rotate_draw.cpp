// Rotated and scaled drawing about a pivot (DrawRotate, DrawRotateMask). The destination box of the
// turned source is walked row by row with four 16.16 steps (inverse mapping, no per-pixel
// trigonometry); each destination pixel reads the source pixel its accumulators point at.
#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

#include "graphics/dibx.h"
#include "graphics/transform_pixels.h"

namespace kuzo {

using transform::PixelView;
using transform::PointMode;
using transform::PointParams;

namespace {

constexpr double kOne = 65536.0;

int64_t ToInt64(double v) { return static_cast<int64_t>(std::clamp(v, -4.0e18, 4.0e18)); }

// The inverse mapping of one rotated draw and the destination pixels it may touch.
struct RotatePlan {
  int64_t colU = 0, colV = 0;  // source step per destination column, 16.16
  int64_t rowU = 0, rowV = 0;  // source step per destination row, 16.16
  int64_t cx = 0, cy = 0;      // destination point of the pivot
  int64_t pivotU = 0, pivotV = 0;  // the pivot in 16.16
  TRect box;                   // destination box limited to the clip
  TRect valid;                 // source pixels that may be read
  int64_t right = 0, bottom = 0;  // source rectangle's right and bottom edges, for mirroring
  bool flipH = false, flipV = false;

  // Source coordinate pair of destination pixel (x, y) in 16.16.
  int64_t AccU(int64_t x, int64_t y) const { return pivotU + (x - cx) * colU + (y - cy) * rowU; }
  int64_t AccV(int64_t x, int64_t y) const { return pivotV + (x - cx) * colV + (y - cy) * rowV; }
};

bool PlanRotate(int cx, int cy, bool flipV, bool flipH, int angle, int pivotY, int pivotX, const TRect& srcRect,
                const TRect& readable, int scaleY, int scaleX, const TRect& clip, RotatePlan& out) {
  if (scaleX <= 0 || scaleY <= 0 || srcRect.IsEmpty()) return false;
  const double sx = scaleX / 256.0, sy = scaleY / 256.0;
  const double g = angle * std::numbers::pi / 128.0;
  const double c = std::cos(g), s = std::sin(g);
  out.colU = ToInt64(std::trunc(c / sx * kOne));
  out.colV = ToInt64(std::trunc(-s / sy * kOne));
  out.rowU = ToInt64(std::trunc(s / sx * kOne));
  out.rowV = ToInt64(std::trunc(c / sy * kOne));
  out.cx = cx;
  out.cy = cy;
  out.pivotU = int64_t{pivotX} * 65536;
  out.pivotV = int64_t{pivotY} * 65536;

  // The corners of the scaled source around the pivot, turned and moved to (cx, cy).
  const double w = static_cast<double>(srcRect.Width()), h = static_cast<double>(srcRect.Height());
  const double px0 = static_cast<double>(pivotX) * sx, py0 = static_cast<double>(pivotY) * sy;
  const double xs[2] = {-px0, w * sx - px0 - 1};
  const double ys[2] = {-py0, h * sy - py0 - 1};
  double minX = 1e300, maxX = -1e300, minY = 1e300, maxY = -1e300;
  for (double px : xs) {
    for (double py : ys) {
      const double X = cx + c * px - s * py;
      const double Y = cy + s * px + c * py;
      minX = std::min(minX, X), maxX = std::max(maxX, X);
      minY = std::min(minY, Y), maxY = std::max(maxY, Y);
    }
  }
  const int64_t l = ToInt64(std::trunc(minX)), r = ToInt64(std::trunc(maxX + 1));
  const int64_t t = ToInt64(std::trunc(minY)), b = ToInt64(std::trunc(maxY + 1));
  const int64_t bl = std::max<int64_t>(l, clip.left), br = std::min<int64_t>(r, clip.right);
  const int64_t bt = std::max<int64_t>(t, clip.top), bb = std::min<int64_t>(b, clip.bottom);
  if (bl >= br || bt >= bb) return false;
  out.box = TRect{static_cast<int32_t>(bl), static_cast<int32_t>(bt), static_cast<int32_t>(br),
                  static_cast<int32_t>(bb)};
  out.valid = Intersect(srcRect, readable);
  out.right = srcRect.right;
  out.bottom = srcRect.bottom;
  out.flipH = flipH;
  out.flipV = flipV;
  return !out.valid.IsEmpty();
}

// The source column of destination column x, or -1 when the pixel is skipped.
int64_t SourceColumn(const RotatePlan& plan, int64_t u) {
  if (u < 0) return -1;
  int64_t su = u >> 16;
  if (plan.flipH) su = plan.right - su - 1;
  return (su < plan.valid.left || su >= plan.valid.right) ? -1 : su;
}

// Without a turn (angle 0 or a half turn) the source column depends on the destination column only
// and the source row on the destination row only: one column table serves every row.
template <PixelFormat F, PointMode M, bool kMasked>
void AxisAlignedLoop(const RotatePlan& plan, const PixelView& d, const PixelView& s, const PixelView* m,
                     const PointParams& p) {
  constexpr int kBpp = Info(F).bytesPerPixel;
  std::vector<int32_t> columns(static_cast<size_t>(plan.box.Width()));
  int64_t u = plan.AccU(plan.box.left, plan.box.top);
  for (size_t j = 0; j < columns.size(); ++j, u += plan.colU) {
    columns[j] = static_cast<int32_t>(SourceColumn(plan, u));
  }
  for (int64_t y = plan.box.top; y < plan.box.bottom; ++y) {
    const int64_t v = plan.AccV(plan.box.left, y);
    if (v < 0) continue;
    int64_t sv = v >> 16;
    if (plan.flipV) sv = plan.bottom - sv - 1;
    if (sv < plan.valid.top || sv >= plan.valid.bottom) continue;
    const uint8_t* sRow = s.Row(sv);
    const uint8_t* mRow = kMasked ? m->Row(sv) : nullptr;
    uint8_t* dp = d.Row(y) + static_cast<ptrdiff_t>(plan.box.left) * kBpp;
    for (size_t j = 0; j < columns.size(); ++j, dp += kBpp) {
      const int32_t su = columns[j];
      if (su < 0) continue;
      const uint32_t sp = LoadPixel(F, sRow + static_cast<ptrdiff_t>(su) * kBpp);
      if constexpr (kMasked) {
        transform::PutPointMasked<F, M>(dp, sp, mRow[su], p);
      } else {
        transform::PutPoint<F, M>(dp, sp, p);
      }
    }
  }
}

template <PixelFormat F, PointMode M, bool kMasked>
void RotateLoop(const RotatePlan& plan, const PixelView& d, const PixelView& s, const PixelView* m,
                const PointParams& p) {
  constexpr int kBpp = Info(F).bytesPerPixel;
  if (plan.colV == 0 && plan.rowU == 0) {
    AxisAlignedLoop<F, M, kMasked>(plan, d, s, m, p);
    return;
  }
  for (int64_t y = plan.box.top; y < plan.box.bottom; ++y) {
    int64_t u = plan.AccU(plan.box.left, y);
    int64_t v = plan.AccV(plan.box.left, y);
    uint8_t* dp = d.Row(y) + static_cast<ptrdiff_t>(plan.box.left) * kBpp;
    for (int64_t x = plan.box.left; x < plan.box.right; ++x, u += plan.colU, v += plan.colV, dp += kBpp) {
      if (u < 0 || v < 0) continue;  // negative accumulators are skipped
      int64_t su = u >> 16, sv = v >> 16;
      if (plan.flipH) su = plan.right - su - 1;
      if (plan.flipV) sv = plan.bottom - sv - 1;
      if (su < plan.valid.left || su >= plan.valid.right || sv < plan.valid.top || sv >= plan.valid.bottom) continue;
      const uint8_t* sRow = s.Row(sv);
      const uint32_t sp = LoadPixel(F, sRow + static_cast<ptrdiff_t>(su) * kBpp);
      if constexpr (kMasked) {
        transform::PutPointMasked<F, M>(dp, sp, m->Row(sv)[su], p);
      } else {
        transform::PutPoint<F, M>(dp, sp, p);
      }
    }
  }
}

void RunRotate(TCustomDIBX& dest, int cx, int cy, int opacity, const TCustomDIBX* maskIn, bool flipV, bool flipH,
               bool trans, int angle, int pivotY, int pivotX, const TRect& srcRect, const TCustomDIBX& sourceIn,
               int scaleY, int scaleX) {
  PointMode mode;
  uint32_t weight;
  PixelFormat format;
  if (!transform::OpacityMode(opacity, true, mode, weight)) return;
  if (!dest.DrawFormat(format) || sourceIn.BitCount() != dest.BitCount()) return;
  if (maskIn != nullptr && maskIn->BitCount() != 8) return;
  std::unique_ptr<TDIBX> sourceCopy, maskCopy;
  const TCustomDIBX& source = transform::Detached(dest, sourceIn, sourceCopy);
  const TCustomDIBX* mask = maskIn != nullptr ? &transform::Detached(dest, *maskIn, maskCopy) : nullptr;
  TRect readable = source.BoundsRect();
  if (mask != nullptr) readable = Intersect(readable, mask->BoundsRect());
  RotatePlan plan;
  if (!PlanRotate(cx, cy, flipV, flipH, angle, pivotY, pivotX, srcRect, readable, scaleY, scaleX, dest.GetClip(),
                  plan)) {
    return;
  }
  PixelView d, s, m;
  if (!d.Open(dest) || !s.Open(source)) return;
  if (mask != nullptr && !m.Open(*mask)) return;
  PointParams p;
  p.weight = weight;
  p.useKey = trans && source.ColorKey != kNoColorKey;
  p.key = static_cast<uint32_t>(source.ColorKey) & Info(format).pixelMask;
  transform::WithFormatAndMode(format, mode, [&]<PixelFormat F, PointMode M>() {
    if (mask != nullptr) {
      RotateLoop<F, M, true>(plan, d, s, &m, p);
    } else {
      RotateLoop<F, M, false>(plan, d, s, nullptr, p);
    }
  });
}

}  // namespace

void TCustomDIBX::DrawRotate(int cx, int cy, int opacity, bool flipV, bool flipH, bool trans, int angle, int pivotY,
                             int pivotX, const TRect& srcRect, const TCustomDIBX& source, int scaleY, int scaleX) {
  RunRotate(*this, cx, cy, opacity, nullptr, flipV, flipH, trans, angle, pivotY, pivotX, srcRect, source, scaleY,
            scaleX);
}

void TCustomDIBX::DrawRotateMask(int cx, int cy, int opacity, const TCustomDIBX& mask, bool flipV, bool flipH,
                                 int angle, int pivotY, int pivotX, const TRect& srcRect, const TCustomDIBX& source,
                                 int scaleY, int scaleX) {
  RunRotate(*this, cx, cy, opacity, &mask, flipV, flipH, false, angle, pivotY, pivotX, srcRect, source, scaleY,
            scaleX);
}

}  // namespace kuzo
