// The plain per-pixel rules of every drawing operation, shared by the reference kernel set and by the
// scalar tails of the SIMD kernels. Channel values are taken at their native width (5, 6 or 8 bits);
// a = weight 0..255, m = mask value; results are masked, so bits outside the channels come out 0.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "graphics/blend_kernels.h"
#include "graphics/pixel_format.h"

namespace kuzo::blend {

// blend(d, s, a) on every channel.
template <PixelFormat F>
inline uint32_t BlendPixel(uint32_t d, uint32_t s, uint32_t a) {
  constexpr FormatInfo fi = Info(F);
  uint32_t r = 0;
  for (int c = 0; c < fi.channelCount; ++c) {
    const ChannelInfo ch = fi.channels[c];
    const uint32_t dc = (d & ch.mask) >> ch.shift;
    const uint32_t sc = (s & ch.mask) >> ch.shift;
    r |= ((dc * (255 - a) + sc * a) >> 8) << ch.shift;  // d = (d*(255-a) + s*a) >> 8
  }
  return r;
}

// add(d, s, a) on every channel.
template <PixelFormat F>
inline uint32_t AddPixel(uint32_t d, uint32_t s, uint32_t a) {
  constexpr FormatInfo fi = Info(F);
  uint32_t r = 0;
  for (int c = 0; c < fi.channelCount; ++c) {
    const ChannelInfo ch = fi.channels[c];
    const uint32_t dc = (d & ch.mask) >> ch.shift;
    const uint32_t sc = (s & ch.mask) >> ch.shift;
    r |= std::min(ch.max, dc + ((sc * a) >> 8)) << ch.shift;  // d = min(max, d + (s*a >> 8))
  }
  return r;
}

// Saturating add / subtract of a colour. 32-bit pixels saturate all four bytes, the fourth included
// (the packed rule); other formats work on their channels only.
template <PixelFormat F>
inline uint32_t AddSatPixel(uint32_t d, uint32_t s) {
  if constexpr (F == PixelFormat::kRgb32) {
    uint32_t r = 0;
    for (int b = 0; b < 32; b += 8) {
      r |= std::min(255u, ((d >> b) & 255) + ((s >> b) & 255)) << b;  // byte = min(255, d + s)
    }
    return r;
  } else {
    constexpr FormatInfo fi = Info(F);
    uint32_t r = 0;
    for (int c = 0; c < fi.channelCount; ++c) {
      const ChannelInfo ch = fi.channels[c];
      r |= std::min(ch.max, ((d & ch.mask) >> ch.shift) + ((s & ch.mask) >> ch.shift)) << ch.shift;  // min(max, d + s)
    }
    return r;
  }
}

template <PixelFormat F>
inline uint32_t SubSatPixel(uint32_t d, uint32_t s) {
  if constexpr (F == PixelFormat::kRgb32) {
    uint32_t r = 0;
    for (int b = 0; b < 32; b += 8) {
      const uint32_t db = (d >> b) & 255, sb = (s >> b) & 255;
      r |= (db > sb ? db - sb : 0) << b;  // byte = max(0, d - s)
    }
    return r;
  } else {
    constexpr FormatInfo fi = Info(F);
    uint32_t r = 0;
    for (int c = 0; c < fi.channelCount; ++c) {
      const ChannelInfo ch = fi.channels[c];
      const uint32_t dc = (d & ch.mask) >> ch.shift, sc = (s & ch.mask) >> ch.shift;
      r |= (dc > sc ? dc - sc : 0) << ch.shift;  // max(0, d - s)
    }
    return r;
  }
}

// One pixel of each drawing operation: returns false when the destination is left as it is.
// The rules that differ between the packed formats (15, 16, 32 bits) and the per-pixel formats
// (8, 24 bits) are written out with `kPacked`.

template <PixelFormat F>
inline bool CopyPixel(uint32_t /*d*/, uint32_t s, const RowParams& p, uint32_t& out) {
  if (p.useKey && s == p.key) return false;  // transparent key
  out = s;
  return true;
}

template <PixelFormat F>
inline bool MaskPixel(uint32_t d, uint32_t s, uint32_t m, const RowParams&, uint32_t& out) {
  constexpr bool kPacked = UsesPackedRules(F);
  if (m == 0) return false;
  if (m == 255) {
    out = s;
    return true;
  }
  if (kPacked && s == d) return false;  // packed loops leave equal pixels
  out = BlendPixel<F>(d, s, m);         // d = (d*(255-m) + s*m) >> 8
  return true;
}

template <PixelFormat F>
inline bool AlphaPixel(uint32_t d, uint32_t s, const RowParams& p, uint32_t& out) {
  if (p.useKey && s == p.key) return false;
  if (s == d) return false;
  out = BlendPixel<F>(d, s, static_cast<uint32_t>(p.alpha));  // d = (d*(255-a) + s*a) >> 8
  return true;
}

template <PixelFormat F>
inline bool AlphaMaskPixel(uint32_t d, uint32_t s, uint32_t m, const RowParams& p, uint32_t& out) {
  constexpr bool kPacked = UsesPackedRules(F);
  if (m == 0) return false;
  if (kPacked && s == d) return false;
  const uint32_t a = static_cast<uint32_t>(p.alpha);
  // e = m*a >> 8, except that 32-bit destinations take e = a where the mask is 255
  const uint32_t e = (F == PixelFormat::kRgb32 && m == 255) ? a : (m * a) >> 8;
  out = BlendPixel<F>(d, s, e);  // d = (d*(255-e) + s*e) >> 8
  return true;
}

template <PixelFormat F>
inline bool AddPixelOp(uint32_t d, uint32_t s, const RowParams& p, uint32_t& out) {
  if (p.useKey && s == p.key) return false;
  if constexpr (F == PixelFormat::kIndex8) {
    out = std::min(255u, d + s);  // 8 bits: index sum, strength only gates the operation
  } else {
    out = AddPixel<F>(d, s, static_cast<uint32_t>(p.alpha));  // d = min(max, d + (s*a >> 8))
  }
  return true;
}

template <PixelFormat F>
inline bool AddMaskPixel(uint32_t d, uint32_t s, uint32_t m, const RowParams& p, uint32_t& out) {
  if (m == 0) return false;
  const uint32_t e = (m * static_cast<uint32_t>(p.alpha)) >> 8;  // e = m*a >> 8
  out = AddPixel<F>(d, s, e);                                     // d = min(max, d + (s*e >> 8))
  return true;
}

template <PixelFormat F>
inline bool ColorMaskPixel(uint32_t d, uint32_t m, const RowParams& p, uint32_t& out) {
  constexpr bool kPacked = UsesPackedRules(F);
  if (m == 0) return false;
  const uint32_t c = p.pixel;
  const uint32_t a = static_cast<uint32_t>(p.alpha);
  uint32_t w;
  if constexpr (kPacked) {
    if (d == c) return false;
    // w = m at full alpha; else m*a >> 8, except 32-bit takes w = a where m is 255
    w = p.fullAlpha ? m : (F == PixelFormat::kRgb32 && m == 255) ? a : (m * a) >> 8;
  } else {
    w = (m * a) >> 8;  // per-pixel rule: always m*a >> 8, no equality test
  }
  out = BlendPixel<F>(d, c, w);  // d = (d*(255-w) + c*w) >> 8
  return true;
}

}  // namespace kuzo::blend
