// TCustomDIBX: clipping, colour conversion and the unscaled drawing operations, written once on top
// of Lock and Pitch. Each operation validates its arguments, plans the clipped rectangle and hands
// every row to the surface's kernel set.
#include "graphics/dibx.h"

#include <algorithm>
#include <limits>
#include <memory>

#include "core/errors.h"
#include "graphics/blend_kernels.h"
#include "graphics/draw_clip.h"

namespace kuzo {
namespace {

// Weights and strengths are 0..255; larger values act as 255 so that (255 - a) never goes negative.
int LimitWeight(int a) { return std::clamp(a, 0, 255); }

int32_t Clamp32(int64_t v) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

TRect MakeRect(int64_t l, int64_t t, int64_t r, int64_t b) { return TRect{Clamp32(l), Clamp32(t), Clamp32(r), Clamp32(b)}; }

// A private copy of a surface's pixels, for drawing a surface onto itself (the row loops would
// otherwise read pixels they have already written).
std::unique_ptr<TDIBX> CopyOf(const TCustomDIBX& s) {
  auto copy = std::make_unique<TDIBX>(s.Width(), s.Height(), s.BitCount());
  const size_t rowBytes = static_cast<size_t>(s.Width()) * static_cast<size_t>(s.BytesPerPixel());
  for (int y = 0; y < s.Height(); ++y) {
    const uint8_t* from = s.Lock(0, y);
    uint8_t* to = copy->Lock(0, y);
    if (from != nullptr && to != nullptr) std::copy(from, from + rowBytes, to);
    s.Unlock();
  }
  copy->ColorKey = s.ColorKey;
  return copy;
}

// Rows that follow each other in memory in every surface a draw touches form one long row: the
// kernels treat pixels independently and walk forwards, so one call covers the block and the
// per-row costs (call, row ends) are paid once. Kept to what a row length can count.
void JoinRows(int& count, int& rows) {
  if (rows > 1 && int64_t{count} * rows <= std::numeric_limits<int>::max()) {
    count *= rows;
    rows = 1;
  }
}

// Releases the locks a draw took, also when it leaves early.
struct LockGuard {
  const TCustomDIBX* surfaces[3] = {nullptr, nullptr, nullptr};
  ~LockGuard() {
    for (const TCustomDIBX* s : surfaces) {
      if (s != nullptr) s->Unlock();
    }
  }
};

}  // namespace

TCustomDIBX::TCustomDIBX() : kernels_(&FastKernels()) {}
TCustomDIBX::~TCustomDIBX() = default;

bool TCustomDIBX::IsEmpty() const { return Width() <= 0 || Height() <= 0; }
int TCustomDIBX::BitCount() const { return 0; }
void TCustomDIBX::SetBitCount(int) {}
uint32_t TCustomDIBX::RedMask() const { return 0; }
uint32_t TCustomDIBX::GreenMask() const { return 0; }
uint32_t TCustomDIBX::BlueMask() const { return 0; }
ptrdiff_t TCustomDIBX::Pitch() const { return 0; }
Pixel TCustomDIBX::GetPixel(int, int) const { return 0; }
void TCustomDIBX::SetPixel(int, int, Pixel) {}
int TCustomDIBX::BlueShift() const { return 0; }
int TCustomDIBX::GreenShift() const { return 0; }
int TCustomDIBX::RedShift() const { return 0; }
uint8_t* TCustomDIBX::Lock(int, int) { return nullptr; }
const uint8_t* TCustomDIBX::Lock(int, int) const { return nullptr; }

void TCustomDIBX::CheckSize(int width, int height) {
  if (width < 0 || height < 0 || width > kMaxSurfaceSide || height > kMaxSurfaceSide) {
    throw KuzoError(Format("surface size %d x %d is out of range (0..%d)", width, height, kMaxSurfaceSide));
  }
}

void TCustomDIBX::SetSize(int width, int height, int bits) {
  CheckSize(width, height);
  width_ = width;
  height_ = height;
}

void TCustomDIBX::ResetClip() {
  clip_ = TRect{};
  clipSet_ = false;
}

void TCustomDIBX::AddClip(const TRect& r) {
  const TRect limited = Intersect(r, BoundsRect());
  if (limited.IsEmpty()) return;
  clip_ = clipSet_ ? Union(clip_, limited) : limited;
  clipSet_ = true;
}

TRect TCustomDIBX::GetClip() const { return clipSet_ ? Intersect(clip_, BoundsRect()) : BoundsRect(); }

void TCustomDIBX::SetClip(const TRect& r) {
  clip_ = Intersect(r, BoundsRect());
  clipSet_ = true;
}

int32_t TCustomDIBX::ColorToPixel(ColorValue colour) const { return colour < 0 ? -1 : colour; }

bool TCustomDIBX::DrawFormat(PixelFormat& out) const {
  switch (BitCount()) {
    case 8: out = PixelFormat::kIndex8; return true;
    case 15: out = PixelFormat::kRgb555; return true;
    case 16: out = PixelFormat::kRgb565; return true;
    case 24: out = PixelFormat::kRgb24; return true;
    case 32: out = PixelFormat::kRgb32; return true;
    default: return false;
  }
}

// ---- fills ------------------------------------------------------------------------------------------

void TCustomDIBX::RunFill(int kind, const TRect& r, const RowParams& params) {
  PixelFormat format;
  if (!DrawFormat(format)) return;
  const TRect area = Intersect(r, GetClip());
  if (area.IsEmpty()) return;
  LockGuard guard;
  uint8_t* row = Lock(area.left, area.top);
  guard.surfaces[0] = this;
  if (row == nullptr) return;
  RowParams p = params;
  p.pixel &= Info(format).pixelMask;
  const FillRowFn fn = kernels_->Fill(static_cast<FillKind>(kind), format);
  const ptrdiff_t pitch = Pitch();
  int count = static_cast<int>(area.Width());
  int rows = static_cast<int>(area.Height());
  if (pitch == static_cast<ptrdiff_t>(count) * Info(format).bytesPerPixel) JoinRows(count, rows);
  for (int y = 0; y < rows; ++y, row += pitch) fn(row, count, p);
}

void TCustomDIBX::Fill(Pixel pixel) { FillRect(BoundsRect(), pixel); }

void TCustomDIBX::FillRect(const TRect& r, Pixel pixel) {
  RowParams p;
  p.pixel = pixel;
  RunFill(static_cast<int>(FillKind::kFill), r, p);
}

void TCustomDIBX::FillRectAlpha(const TRect& r, Pixel pixel, int alpha) {
  if (alpha <= 0) return;
  RowParams p;
  p.pixel = pixel;
  p.alpha = LimitWeight(alpha);
  RunFill(static_cast<int>(FillKind::kAlpha), r, p);
}

void TCustomDIBX::FillRectAdd(const TRect& r, Pixel pixel) {
  RowParams p;
  p.pixel = pixel;
  RunFill(static_cast<int>(FillKind::kAdd), r, p);
}

void TCustomDIBX::FillRectSub(const TRect& r, Pixel pixel) {
  RowParams p;
  p.pixel = pixel;
  RunFill(static_cast<int>(FillKind::kSub), r, p);
}

namespace {

// The four bands of an outline of thickness t: top, bottom, and the sides only when rows remain
// between the two bands.
template <typename FillFn>
void FrameBands(const TRect& r, int t, FillFn fill) {
  const int64_t l = r.left, top = r.top, right = r.right, bottom = r.bottom;
  fill(MakeRect(l, top, right, top + t));
  fill(MakeRect(l, bottom - t, right, bottom));
  const int64_t h = bottom - top - 2 * int64_t{t};
  if (h > 0) {
    fill(MakeRect(l, top + t, l + t, top + t + h));
    fill(MakeRect(right - t, top + t, right, top + t + h));
  }
}

}  // namespace

void TCustomDIBX::FrameRect(const TRect& r, int thickness, Pixel pixel) {
  FrameBands(r, thickness, [&](const TRect& band) { FillRect(band, pixel); });
}

void TCustomDIBX::FrameRectAlpha(const TRect& r, int thickness, int alpha, Pixel pixel) {
  if (alpha <= 0) return;
  FrameBands(r, thickness, [&](const TRect& band) { FillRectAlpha(band, pixel, alpha); });
}

void TCustomDIBX::FrameRectAdd(const TRect& r, int thickness, Pixel pixel) {
  FrameBands(r, thickness, [&](const TRect& band) { FillRectAdd(band, pixel); });
}

// ---- copies and blends ------------------------------------------------------------------------------

void TCustomDIBX::RunDraw(int kind, int x, int y, const RowParams& params, bool flipV, bool flipH,
                          const TRect& srcRect, const TCustomDIBX* source, const TCustomDIBX* mask) {
  PixelFormat format;
  if (!DrawFormat(format)) return;
  // Source and destination share the pixel format; masks are 8-bit coverage.
  if (source != nullptr && source->BitCount() != BitCount()) return;
  if (mask != nullptr && mask->BitCount() != 8) return;
  if (source == nullptr && mask == nullptr) return;

  std::unique_ptr<TDIBX> sourceCopy, maskCopy;
  if (source == this) {
    sourceCopy = CopyOf(*source);
    source = sourceCopy.get();
  }
  if (mask == this) {
    maskCopy = CopyOf(*mask);
    mask = maskCopy.get();
  }

  const TCustomDIBX& geometry = source != nullptr ? *source : *mask;
  const TRect maskBounds = mask != nullptr ? mask->BoundsRect() : TRect{};
  DrawPlan plan;
  if (!PlanDraw(x, y, srcRect, flipV, flipH, GetClip(), geometry.BoundsRect(),
                (mask != nullptr && source != nullptr) ? &maskBounds : nullptr, plan)) {
    return;
  }

  LockGuard guard;
  uint8_t* d = Lock(plan.dst.left, plan.dst.top);
  guard.surfaces[0] = this;
  const uint8_t* s = nullptr;
  const uint8_t* m = nullptr;
  if (source != nullptr) {
    s = source->Lock(plan.srcX, plan.srcY);
    guard.surfaces[1] = source;
    if (s == nullptr) return;
  }
  if (mask != nullptr) {
    m = mask->Lock(plan.srcX, plan.srcY);
    guard.surfaces[2] = mask;
    if (m == nullptr) return;
  }
  if (d == nullptr) return;

  const DrawRowFn fn = kernels_->Draw(static_cast<DrawKind>(kind), format);
  const ptrdiff_t dPitch = Pitch();
  const ptrdiff_t sPitch = source != nullptr ? source->Pitch() * plan.stepY : 0;
  const ptrdiff_t mPitch = mask != nullptr ? mask->Pitch() * plan.stepY : 0;
  int count = static_cast<int>(plan.dst.Width());
  int rows = static_cast<int>(plan.dst.Height());
  const ptrdiff_t rowBytes = static_cast<ptrdiff_t>(count) * Info(format).bytesPerPixel;
  if (plan.stepX == 1 && dPitch == rowBytes && (source == nullptr || sPitch == rowBytes) &&
      (mask == nullptr || mPitch == count)) {
    JoinRows(count, rows);
  }
  for (int row = 0;; ++row) {
    fn(d, s, m, count, plan.stepX, params);
    if (row + 1 == rows) break;  // no pointer is stepped past the last row
    d += dPitch;
    if (s != nullptr) s += sPitch;
    if (m != nullptr) m += mPitch;
  }
}

namespace {

// The colour key at the pixel width of `format`; useKey is false for "no key" (-1).
void SetKey(RowParams& p, const TCustomDIBX& source, PixelFormat format, bool wanted) {
  p.useKey = wanted && source.ColorKey != kNoColorKey;
  p.key = static_cast<uint32_t>(source.ColorKey) & Info(format).pixelMask;
}

}  // namespace

void TCustomDIBX::Assign(const TCustomDIBX& source) {
  Draw(0, 0, false, false, false, source.BoundsRect(), source);
}

void TCustomDIBX::Draw(int x, int y, bool flipV, bool flipH, bool trans, const TRect& srcRect,
                       const TCustomDIBX& source) {
  PixelFormat format;
  if (!DrawFormat(format)) return;
  RowParams p;
  SetKey(p, source, format, trans);
  RunDraw(static_cast<int>(DrawKind::kCopy), x, y, p, flipV, flipH, srcRect, &source, nullptr);
}

void TCustomDIBX::DrawMask(int x, int y, const TCustomDIBX& mask, bool flipV, bool flipH, const TRect& srcRect,
                           const TCustomDIBX& source) {
  RowParams p;
  RunDraw(static_cast<int>(DrawKind::kMask), x, y, p, flipV, flipH, srcRect, &source, &mask);
}

void TCustomDIBX::DrawAlpha(int x, int y, int alpha, bool flipV, bool flipH, bool trans, const TRect& srcRect,
                            const TCustomDIBX& source) {
  PixelFormat format;
  if (alpha <= 0 || !DrawFormat(format)) return;
  RowParams p;
  p.alpha = LimitWeight(alpha);
  // 32-bit destinations test the key only when asked; the other formats always test it.
  SetKey(p, source, format, format == PixelFormat::kRgb32 ? trans : true);
  RunDraw(static_cast<int>(DrawKind::kAlpha), x, y, p, flipV, flipH, srcRect, &source, nullptr);
}

void TCustomDIBX::DrawAlphaMask(int x, int y, int alpha, const TCustomDIBX& mask, bool flipV, bool flipH,
                                const TRect& srcRect, const TCustomDIBX& source) {
  if (alpha <= 0) return;
  RowParams p;
  p.alpha = LimitWeight(alpha);
  RunDraw(static_cast<int>(DrawKind::kAlphaMask), x, y, p, flipV, flipH, srcRect, &source, &mask);
}

void TCustomDIBX::DrawAdd(int x, int y, int strength, bool flipV, bool flipH, bool, const TRect& srcRect,
                          const TCustomDIBX& source) {
  PixelFormat format;
  if (strength <= 0 || !DrawFormat(format)) return;
  RowParams p;
  p.alpha = LimitWeight(strength);
  SetKey(p, source, format, true);  // the key is always honoured; the flag is ignored
  RunDraw(static_cast<int>(DrawKind::kAdd), x, y, p, flipV, flipH, srcRect, &source, nullptr);
}

void TCustomDIBX::DrawAddMask(int x, int y, int strength, const TCustomDIBX& mask, bool flipV, bool flipH,
                              const TRect& srcRect, const TCustomDIBX& source) {
  if (strength <= 0) return;
  RowParams p;
  p.alpha = LimitWeight(strength);
  RunDraw(static_cast<int>(DrawKind::kAddMask), x, y, p, flipV, flipH, srcRect, &source, &mask);
}

void TCustomDIBX::DrawColorMask(int x, int y, int alpha, Pixel pixel, bool flipV, bool flipH, const TRect& srcRect,
                                const TCustomDIBX& mask) {
  PixelFormat format;
  if (alpha <= 0 || !DrawFormat(format)) return;
  RowParams p;
  p.alpha = LimitWeight(alpha);
  p.fullAlpha = alpha >= 255;
  p.pixel = pixel & Info(format).pixelMask;
  RunDraw(static_cast<int>(DrawKind::kColorMask), x, y, p, flipV, flipH, srcRect, nullptr, &mask);
}

void TCustomDIBX::DrawOpacity(int x, int y, int opacity, const TCustomDIBX* mask, bool flipV, bool flipH,
                              const TRect& srcRect, const TCustomDIBX& source) {
  if (opacity <= 0) return;
  opacity = std::min(opacity, kMaxOpacity);
  const bool keyed = source.ColorKey != kNoColorKey;
  if (opacity < kOpaque) {
    if (mask != nullptr) {
      DrawAlphaMask(x, y, opacity, *mask, flipV, flipH, srcRect, source);
    } else {
      DrawAlpha(x, y, opacity, flipV, flipH, keyed, srcRect, source);
    }
  } else if (opacity == kOpaque) {
    if (mask != nullptr) {
      DrawMask(x, y, *mask, flipV, flipH, srcRect, source);
    } else {
      Draw(x, y, flipV, flipH, keyed, srcRect, source);
    }
  } else if (mask != nullptr) {
    DrawAddMask(x, y, opacity - kAddBase, *mask, flipV, flipH, srcRect, source);
  } else {
    DrawAdd(x, y, opacity - kAddBase, flipV, flipH, keyed, srcRect, source);
  }
}

// ---- storage --------------------------------------------------------------------------------------

void TCustomDIBX::Clear() {
  width_ = 0;
  height_ = 0;
}

void TCustomDIBX::GetPalette(TPalette& out) const { out.fill(TRGBQuad{}); }
void TCustomDIBX::GetPaletteRange(TRGBQuad*, int, int) const {}
void TCustomDIBX::SetPalette(const TPalette&) {}
void TCustomDIBX::SetPaletteRange(const TRGBQuad*, int, int) {}

}  // namespace kuzo
