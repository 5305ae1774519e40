// Pixel helpers the transitions share: format dispatch for the per-pixel loops, the mask mix of two
// pixels, nearest-neighbour stretching, rotated drawing about a pivot and the box blur. They work on
// any drawable surface format and never touch pixels outside the surfaces they are given.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>

#include "graphics/blend_reference.h"
#include "graphics/dibx.h"
#include "graphics/pixel_format.h"
#include "graphics/rect.h"

namespace kuzo::wipe {

// Calls fn.template operator()<F>() with the surface format as a compile-time value.
template <class Fn>
void WithFormat(PixelFormat f, Fn&& fn) {
  switch (f) {
    case PixelFormat::kIndex8: fn.template operator()<PixelFormat::kIndex8>(); return;
    case PixelFormat::kRgb555: fn.template operator()<PixelFormat::kRgb555>(); return;
    case PixelFormat::kRgb565: fn.template operator()<PixelFormat::kRgb565>(); return;
    case PixelFormat::kRgb24: fn.template operator()<PixelFormat::kRgb24>(); return;
    case PixelFormat::kRgb32: fn.template operator()<PixelFormat::kRgb32>(); return;
  }
}

template <PixelFormat F>
inline uint32_t Load(const uint8_t* p) {
  if constexpr (F == PixelFormat::kRgb32) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
  } else if constexpr (F == PixelFormat::kRgb555 || F == PixelFormat::kRgb565) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
  } else {
    return LoadPixel(F, p);
  }
}

template <PixelFormat F>
inline void Store(uint8_t* p, uint32_t v) {
  if constexpr (F == PixelFormat::kRgb32) {
    std::memcpy(p, &v, 4);
  } else if constexpr (F == PixelFormat::kRgb555 || F == PixelFormat::kRgb565) {
    const uint16_t w = static_cast<uint16_t>(v);
    std::memcpy(p, &w, 2);
  } else {
    StorePixel(F, p, v);
  }
}

// The mask mix: m = 0 gives f, m = 255 gives t, otherwise every channel is (t*m + f*(255-m)) >> 8.
// 32-bit pixels mix all four bytes (the fourth carries no colour, so its value does not matter).
template <PixelFormat F>
inline uint32_t MixPixel(uint32_t f, uint32_t t, uint32_t m) {
  if (m == 0) return f;
  if (m >= 255) return t;
  if constexpr (F == PixelFormat::kRgb32) {
    const uint32_t n = 255 - m;
    const uint32_t rb = ((t & 0x00FF00FFu) * m + (f & 0x00FF00FFu) * n) >> 8;       // bytes 0 and 2
    const uint32_t ga = (((t >> 8) & 0x00FF00FFu) * m + ((f >> 8) & 0x00FF00FFu) * n) >> 8;  // bytes 1 and 3
    return (rb & 0x00FF00FFu) | ((ga & 0x00FF00FFu) << 8);
  } else {
    constexpr FormatInfo fi = Info(F);
    uint32_t r = 0;
    for (int c = 0; c < fi.channelCount; ++c) {
      const ChannelInfo ch = fi.channels[c];
      const uint32_t fc = (f & ch.mask) >> ch.shift;
      const uint32_t tc = (t & ch.mask) >> ch.shift;
      r |= ((tc * m + fc * (255 - m)) >> 8) << ch.shift;  // (t*m + f*(255-m)) >> 8
    }
    return r;
  }
}

// Mixes count 32-bit pixels: dst[i] = MixPixel(from[i], to[i], mask[i]) with every mask value in
// 1..254 (SSE2 where the processor has it, the plain rule otherwise; the results are identical).
void MixRow32(uint8_t* dst, const uint8_t* from, const uint8_t* to, const uint8_t* mask, int count);

// Composes count 32-bit pixels through a mask: 0 takes from, 255 takes to, values between mix
// (MixPixel): the soft form of ComposeRow32.
void MaskRow32(uint8_t* dst, const uint8_t* from, const uint8_t* to, const uint8_t* mask, int count);

// True when the surface's grey of every v is (v, v, v) with a fourth byte of 0, the grey the
// passage kernels (wipe_pass_rows.h) add.
inline bool PlainGreys32(const std::array<uint32_t, 256>& grey) {
  for (uint32_t v = 0; v < 256; ++v)
    if (grey[v] != v * 0x010101u) return false;
  return true;
}

// Saturating add and subtract of every byte of two 32-bit pixels, four bytes at once; the same
// results as the per-byte rules min(255, a + b) and max(0, a - b).
inline uint32_t AddSatBytes(uint32_t a, uint32_t b) {
  const uint32_t sum = ((a & 0x7F7F7F7Fu) + (b & 0x7F7F7F7Fu)) ^ ((a ^ b) & 0x80808080u);
  const uint32_t carry = ((a & b) | ((a | b) & ~sum)) & 0x80808080u;  // bytes that overflowed
  return sum | ((carry << 1) - (carry >> 7));
}

inline uint32_t SubSatBytes(uint32_t a, uint32_t b) {
  const uint32_t diff = ((a | 0x80808080u) - (b & 0x7F7F7F7Fu)) ^ ((a ^ ~b) & 0x80808080u);
  const uint32_t borrow = ((~a & b) | (~(a ^ b) & diff)) & 0x80808080u;  // bytes that went below 0
  return diff & ~((borrow << 1) - (borrow >> 7));
}

// Saturating add / subtract of a colour in any format (32 bits: all four bytes at once).
template <PixelFormat F>
inline uint32_t AddSat(uint32_t d, uint32_t s) {
  if constexpr (F == PixelFormat::kRgb32) {
    return AddSatBytes(d, s);
  } else {
    return blend::AddSatPixel<F>(d, s);
  }
}

template <PixelFormat F>
inline uint32_t SubSat(uint32_t d, uint32_t s) {
  if constexpr (F == PixelFormat::kRgb32) {
    return SubSatBytes(d, s);
  } else {
    return blend::SubSatPixel<F>(d, s);
  }
}

// The surface's drawing format; false when it has none (empty, 1 or 4 bits).
bool FormatOf(const TCustomDIBX& s, PixelFormat& out);

// The native pixel of the grey (v, v, v), v = 0..255.
Pixel GreyPixel(const TCustomDIBX& s, int v);

// Adds (or, with subtract, takes away) the grey (v, v, v) over the rectangle, per channel with
// saturation. v <= 0 leaves the pixels as they are.
void AddGrey(TCustomDIBX& s, const TRect& r, int v, bool subtract);

// Copies a whole surface's common area (the top-left min(width) x min(height) pixels) opaque.
void CopyWhole(TCustomDIBX& dest, const TCustomDIBX& source);

// Nearest-neighbour stretch of srcRect of source into destRect of dest: 16.16 steps
// trunc(width(S) / width(D) * 65536) walked from srcRect's top-left. opacity >= 255 copies,
// 1..254 blends d = (d*(255-a) + s*a) >> 8, 0 draws nothing. Pixels outside dest or source are skipped.
void StretchDraw(TCustomDIBX& dest, const TRect& destRect, const TCustomDIBX& source, const TRect& srcRect,
                 int opacity);

// Rotated and scaled drawing of the whole source about (pivotX, pivotY), which lands on (cx, cy).
// angle is in 1/256 of a turn (clockwise on screen), scales in 1/256. opacity >= 255 copies,
// 1..254 blends; nothing for opacity <= 0 or a scale <= 0. With `under` (of dest's format), the
// common area of `under` is first copied into dest without clipping, row by row as the drawing
// reaches each row: the same picture as copying it whole before drawing.
void DrawRotate(TCustomDIBX& dest, int cx, int cy, int opacity, int angle, int pivotX, int pivotY,
                const TCustomDIBX& source, int scaleX, int scaleY, const TCustomDIBX* under = nullptr);

// A separable box blur of radius r (window 2r + 1, edges repeat the border pixel), each channel the
// truncated mean of its window, horizontally then vertically. r <= 0 copies.
void BoxBlur(TCustomDIBX& dest, const TCustomDIBX& source, int radius);

}  // namespace kuzo::wipe
