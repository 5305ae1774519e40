// Nearest-neighbour stretched drawing: StretchDraw and its mask and additive forms, and the stretched
// indexed add. The clipped walk comes from stretch_walk.h; each call fills its column table once and
// then runs one loop specialised for the pixel format and the write rule.
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "graphics/dibx.h"
#include "graphics/stretch_walk.h"
#include "graphics/transform_pixels.h"

namespace kuzo {

using transform::PixelView;
using transform::PointMode;
using transform::PointParams;

namespace {

template <PixelFormat F, PointMode M, bool kMasked>
void StretchLoop(const StretchPlan& plan, const std::vector<int32_t>& columns, const PixelView& d,
                 const PixelView& s, const PixelView* m, const PointParams& p) {
  constexpr int kBpp = Info(F).bytesPerPixel;
  const int64_t rows = int64_t{plan.y.dst1} - plan.y.dst0;
  const size_t count = columns.size();
  // A plain copy with every column valid writes the whole span whatever the destination held, so a
  // destination row that shows the same source row as the row above is a copy of that row.
  const bool rowsRepeat = M == PointMode::kCopy && !kMasked && !p.useKey &&
                          std::find(columns.begin(), columns.end(), -1) == columns.end();
  int64_t lastSy = -1;
  const uint8_t* lastRow = nullptr;
  for (int64_t i = 0; i < rows; ++i) {
    const int64_t sy = plan.y.Source(i);
    if (sy < plan.y.valid0 || sy >= plan.y.valid1) continue;  // rows outside the source rectangle are skipped
    uint8_t* dp = d.Row(plan.y.dst0 + i) + static_cast<ptrdiff_t>(plan.x.dst0) * kBpp;
    if (rowsRepeat) {
      if (sy == lastSy) {
        std::memcpy(dp, lastRow, count * kBpp);
        continue;
      }
      lastSy = sy;
      lastRow = dp;
    }
    const uint8_t* sRow = s.Row(sy);
    if constexpr (M == PointMode::kCopy && !kMasked && F == PixelFormat::kRgb32) {
      if (!p.useKey) {
        for (size_t j = 0; j < count; ++j, dp += kBpp) {
          if (columns[j] >= 0) std::memcpy(dp, sRow + static_cast<ptrdiff_t>(columns[j]) * kBpp, kBpp);
        }
        continue;
      }
    }
    const uint8_t* mRow = kMasked ? m->Row(sy) : nullptr;
    for (size_t j = 0; j < count; ++j, dp += kBpp) {
      const int32_t sx = columns[j];
      if (sx < 0) continue;
      const uint32_t sp = LoadPixel(F, sRow + static_cast<ptrdiff_t>(sx) * kBpp);
      if constexpr (kMasked) {
        transform::PutPointMasked<F, M>(dp, sp, mRow[sx], p);
      } else {
        transform::PutPoint<F, M>(dp, sp, p);
      }
    }
  }
}

// The common body of the four stretched draws.
void RunStretch(TCustomDIBX& dest, const TRect& destRect, const TCustomDIBX& sourceIn, const TCustomDIBX* maskIn,
                PointMode mode, uint32_t weight, bool trans, bool flipV, bool flipH, const TRect& srcRect) {
  PixelFormat format;
  if (!dest.DrawFormat(format) || sourceIn.BitCount() != dest.BitCount()) return;
  if (maskIn != nullptr && maskIn->BitCount() != 8) return;
  std::unique_ptr<TDIBX> sourceCopy, maskCopy;
  const TCustomDIBX& source = transform::Detached(dest, sourceIn, sourceCopy);
  const TCustomDIBX* mask = maskIn != nullptr ? &transform::Detached(dest, *maskIn, maskCopy) : nullptr;

  TRect readable = source.BoundsRect();
  if (mask != nullptr) readable = Intersect(readable, mask->BoundsRect());
  StretchPlan plan;
  if (!PlanStretch(destRect, srcRect, flipV, flipH, dest.GetClip(), readable, plan)) return;

  PixelView d, s, m;
  if (!d.Open(dest) || !s.Open(source)) return;
  if (mask != nullptr && !m.Open(*mask)) return;
  std::vector<int32_t> columns;
  FillColumnTable(plan.x, columns);

  PointParams p;
  p.weight = weight;
  p.useKey = trans && source.ColorKey != kNoColorKey;
  p.key = static_cast<uint32_t>(source.ColorKey) & Info(format).pixelMask;
  transform::WithFormatAndMode(format, mode, [&]<PixelFormat F, PointMode M>() {
    if (mask != nullptr) {
      StretchLoop<F, M, true>(plan, columns, d, s, &m, p);
    } else {
      StretchLoop<F, M, false>(plan, columns, d, s, nullptr, p);
    }
  });
}

}  // namespace

void TCustomDIBX::StretchDraw(const TRect& destRect, const TCustomDIBX& source, int opacity, bool flipV, bool flipH,
                              bool trans, const TRect& srcRect) {
  PointMode mode;
  uint32_t weight;
  if (!transform::OpacityMode(opacity, false, mode, weight)) return;
  RunStretch(*this, destRect, source, nullptr, mode, weight, trans, flipV, flipH, srcRect);
}

void TCustomDIBX::StretchDrawMask(const TRect& destRect, const TCustomDIBX& source, int opacity,
                                  const TCustomDIBX& mask, bool flipV, bool flipH, const TRect& srcRect) {
  PointMode mode;
  uint32_t weight;
  if (!transform::OpacityMode(opacity, false, mode, weight)) return;
  RunStretch(*this, destRect, source, &mask, mode, weight, false, flipV, flipH, srcRect);
}

void TCustomDIBX::StretchDrawAdd(const TRect& destRect, const TCustomDIBX& source, int strength, bool flipV,
                                 bool flipH, bool trans, const TRect& srcRect) {
  if (strength <= 0) return;
  RunStretch(*this, destRect, source, nullptr, PointMode::kAdd, static_cast<uint32_t>(std::min(strength, 255)), trans,
             flipV, flipH, srcRect);
}

void TCustomDIBX::StretchDrawAddMask(const TRect& destRect, const TCustomDIBX& source, int strength,
                                     const TCustomDIBX& mask, bool flipV, bool flipH, const TRect& srcRect) {
  if (strength <= 0) return;
  RunStretch(*this, destRect, source, &mask, PointMode::kAdd, static_cast<uint32_t>(std::min(strength, 255)), false,
             flipV, flipH, srcRect);
}

void TCustomDIBX::StretchDrawIndexedAdd(const TRect& destRect, const TCustomDIBX& sourceIn,
                                        const TColorTable& colours, int strength, bool flipV, bool flipH,
                                        int threshold, const TRect& srcRect) {
  PixelFormat format;
  if (strength <= 0 || !DrawFormat(format) || sourceIn.BitCount() != 8) return;
  std::unique_ptr<TDIBX> sourceCopy;
  const TCustomDIBX& source = transform::Detached(*this, sourceIn, sourceCopy);
  StretchPlan plan;
  if (!PlanStretch(destRect, srcRect, flipV, flipH, GetClip(), source.BoundsRect(), plan)) return;
  PixelView d, s;
  if (!d.Open(*this) || !s.Open(source)) return;
  std::vector<int32_t> columns;
  FillColumnTable(plan.x, columns);
  PointParams p;
  p.weight = static_cast<uint32_t>(std::min(strength, 255));
  const uint32_t pixelMask = Info(format).pixelMask;
  transform::WithFormat(format, [&]<PixelFormat F>() {
    constexpr int kBpp = Info(F).bytesPerPixel;
    for (int64_t i = 0, rows = int64_t{plan.y.dst1} - plan.y.dst0; i < rows; ++i) {
      const int64_t sy = plan.y.Source(i);
      if (sy < plan.y.valid0 || sy >= plan.y.valid1) continue;
      uint8_t* dp = d.Row(plan.y.dst0 + i) + static_cast<ptrdiff_t>(plan.x.dst0) * kBpp;
      const uint8_t* sRow = s.Row(sy);
      for (size_t j = 0; j < columns.size(); ++j, dp += kBpp) {
        if (columns[j] < 0) continue;
        const int v = sRow[columns[j]];
        if (v < threshold) continue;  // values below the threshold are not drawn
        transform::PutPoint<F, PointMode::kAdd>(dp, static_cast<uint32_t>(colours[v]) & pixelMask, p);
      }
    }
  });
}

}  // namespace kuzo
