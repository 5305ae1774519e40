// Shared pieces of the transformed drawing operations (stretched, rotated, tiled, pattern and
// indexed drawing): the one-pixel rules for copy, blend and add with or without a mask, a locked view
// of a surface's pixels, and the dispatch from a run-time pixel format to the templated loops.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>

#include "graphics/blend_reference.h"
#include "graphics/dibx.h"
#include "graphics/pixel_format.h"

namespace kuzo::transform {

// How a point is written once the source pixel is known.
enum class PointMode : uint8_t {
  kCopy,   // d = s (with a mask: weight m, m = 255 copies)
  kBlend,  // d = blend(d, s, w)  (with a mask: w = m * w div 256)
  kAdd,    // d = add(d, s, w)    (with a mask: w = m * w div 256)
};

struct PointParams {
  uint32_t weight = 0;  // opacity or strength 0..255 (unused by kCopy)
  uint32_t key = 0;     // colour key at the pixel width
  bool useKey = false;  // skip source pixels equal to `key`
};

// Maps one opacity value 0..511 onto a mode and weight: 1..254 blend, 255 and above up to 255
// copy, 256..511 add with strength opacity - 256 (capped at 255). `allowAdd` is false for the
// operations whose opacity stops at 255 (values above act as 255). Returns false for nothing to draw.
inline bool OpacityMode(int opacity, bool allowAdd, PointMode& mode, uint32_t& weight) {
  if (opacity <= 0) return false;
  if (opacity < kOpaque) {
    mode = PointMode::kBlend;
    weight = static_cast<uint32_t>(opacity);
  } else if (opacity == kOpaque || !allowAdd) {
    mode = PointMode::kCopy;
    weight = 255;
  } else {
    mode = PointMode::kAdd;
    weight = static_cast<uint32_t>(std::min(opacity - kAddBase, 255));
  }
  return true;
}

// One destination pixel from source pixel s. Unmasked.
template <PixelFormat F, PointMode M>
inline void PutPoint(uint8_t* dp, uint32_t s, const PointParams& p) {
  if (p.useKey && s == p.key) return;
  if constexpr (M == PointMode::kCopy) {
    StorePixel(F, dp, s);
  } else if constexpr (M == PointMode::kBlend) {
    StorePixel(F, dp, blend::BlendPixel<F>(LoadPixel(F, dp), s, p.weight));  // d = (d*(255-a) + s*a) >> 8
  } else {
    StorePixel(F, dp, blend::AddPixel<F>(LoadPixel(F, dp), s, p.weight));  // d = min(max, d + (s*a >> 8))
  }
}

// One destination pixel from source pixel s through mask value m.
template <PixelFormat F, PointMode M>
inline void PutPointMasked(uint8_t* dp, uint32_t s, uint32_t m, const PointParams& p) {
  if (m == 0) return;
  if constexpr (M == PointMode::kCopy) {
    if (m == 255) {
      StorePixel(F, dp, s);
    } else {
      StorePixel(F, dp, blend::BlendPixel<F>(LoadPixel(F, dp), s, m));  // d = (d*(255-m) + s*m) >> 8
    }
  } else if constexpr (M == PointMode::kBlend) {
    const uint32_t e = (m * p.weight) >> 8;                            // e = m*a >> 8
    StorePixel(F, dp, blend::BlendPixel<F>(LoadPixel(F, dp), s, e));  // d = (d*(255-e) + s*e) >> 8
  } else {
    const uint32_t e = (m * p.weight) >> 8;                          // e = m*a >> 8
    StorePixel(F, dp, blend::AddPixel<F>(LoadPixel(F, dp), s, e));  // d = min(max, d + (s*e >> 8))
  }
}

// A surface's pixels as one base address and a pitch, valid between Open and the view's end.
// Lock is taken at (0, 0) so that every pixel is base + y * pitch + x * bytesPerPixel; the lock is
// released when the view goes away.
class PixelView {
 public:
  PixelView() = default;
  PixelView(const PixelView&) = delete;
  PixelView& operator=(const PixelView&) = delete;
  ~PixelView() {
    if (locked_ != nullptr) locked_->Unlock();
  }

  // False when the surface is empty or yields no address.
  bool Open(const TCustomDIBX& s) {
    if (s.IsEmpty()) return false;
    const uint8_t* p = s.Lock(0, 0);
    locked_ = &s;
    if (p == nullptr) return false;
    base_ = const_cast<uint8_t*>(p);
    pitch_ = s.Pitch();
    width_ = s.Width();
    height_ = s.Height();
    return true;
  }
  bool Open(TCustomDIBX& s) { return Open(static_cast<const TCustomDIBX&>(s)); }

  uint8_t* Row(int64_t y) const { return base_ + static_cast<ptrdiff_t>(y) * pitch_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  TRect Bounds() const { return TRect{0, 0, width_, height_}; }

 private:
  const TCustomDIBX* locked_ = nullptr;
  uint8_t* base_ = nullptr;
  ptrdiff_t pitch_ = 0;
  int width_ = 0;
  int height_ = 0;
};

// Calls fn.template operator()<F>() for the run-time format f.
template <typename Fn>
void WithFormat(PixelFormat f, Fn&& fn) {
  switch (f) {
    case PixelFormat::kIndex8: fn.template operator()<PixelFormat::kIndex8>(); break;
    case PixelFormat::kRgb555: fn.template operator()<PixelFormat::kRgb555>(); break;
    case PixelFormat::kRgb565: fn.template operator()<PixelFormat::kRgb565>(); break;
    case PixelFormat::kRgb24: fn.template operator()<PixelFormat::kRgb24>(); break;
    case PixelFormat::kRgb32: fn.template operator()<PixelFormat::kRgb32>(); break;
  }
}

// Calls fn.template operator()<F, M>() for the run-time format and mode.
template <typename Fn>
void WithFormatAndMode(PixelFormat f, PointMode m, Fn&& fn) {
  WithFormat(f, [&]<PixelFormat F>() {
    switch (m) {
      case PointMode::kCopy: fn.template operator()<F, PointMode::kCopy>(); break;
      case PointMode::kBlend: fn.template operator()<F, PointMode::kBlend>(); break;
      case PointMode::kAdd: fn.template operator()<F, PointMode::kAdd>(); break;
    }
  });
}

// The surface to read from: `s` itself, or a private copy of it when it is also the destination
// (the loops would otherwise read pixels they have already written).
inline const TCustomDIBX& Detached(const TCustomDIBX& dest, const TCustomDIBX& s, std::unique_ptr<TDIBX>& holder) {
  if (&dest != &s) return s;
  holder = std::make_unique<TDIBX>(s.Width(), s.Height(), s.BitCount());
  PixelView from, to;
  if (from.Open(s) && to.Open(*holder)) {
    const size_t rowBytes = (static_cast<size_t>(s.Width()) * static_cast<size_t>(s.StorageBitCount()) + 7) / 8;
    for (int y = 0; y < s.Height(); ++y) std::copy(from.Row(y), from.Row(y) + rowBytes, to.Row(y));
  }
  holder->ColorKey = s.ColorKey;
  return *holder;
}

// Keeps a surface's clip rectangle and restores it when leaving the scope.
class ClipSaver {
 public:
  explicit ClipSaver(TCustomDIBX& s) : s_(s), clip_(s.RawClip()), set_(s.ClipIsSet()) {}
  ~ClipSaver() { s_.RestoreClip(clip_, set_); }
  ClipSaver(const ClipSaver&) = delete;
  ClipSaver& operator=(const ClipSaver&) = delete;

 private:
  TCustomDIBX& s_;
  TRect clip_;
  bool set_;
};

}  // namespace kuzo::transform
