// Pixel formats of the drawing surfaces: how a native pixel value is stored and where its red, green
// and blue channels lie. 8-bit pixels are palette indices that the blend arithmetic treats as one
// channel of eight bits; the fourth byte of a 32-bit pixel carries no colour.
#pragma once

#include <cstdint>

namespace kuzo {

enum class PixelFormat : uint8_t {
  kIndex8,  // 1 byte, palette index
  kRgb555,  // 16-bit word, 0x7C00 / 0x03E0 / 0x001F (reported as 15 bits)
  kRgb565,  // 16-bit word, 0xF800 / 0x07E0 / 0x001F
  kRgb24,   // 3 bytes: blue, green, red in memory order
  kRgb32,   // 4 bytes: blue, green, red, a fourth byte without colour
};
inline constexpr int kPixelFormatCount = 5;

// One channel of a format: its mask in the pixel and the shift that brings it down to bit 0.
struct ChannelInfo {
  uint32_t mask;
  int shift;
  uint32_t max;  // all-ones value of the channel once shifted down
};

struct FormatInfo {
  int bitCount;       // 8, 15, 16, 24 or 32
  int bytesPerPixel;  // 1, 2, 2, 3 or 4
  int channelCount;   // 1 for palette indices, 3 otherwise
  ChannelInfo channels[3];  // red, green, blue (palette indices: the whole byte)
  uint32_t pixelMask;       // all bits a stored pixel can hold
};

constexpr FormatInfo Info(PixelFormat f) {
  switch (f) {
    case PixelFormat::kIndex8:
      return {8, 1, 1, {{0xFF, 0, 0xFF}, {0, 0, 0}, {0, 0, 0}}, 0xFF};
    case PixelFormat::kRgb555:
      return {15, 2, 3, {{0x7C00, 10, 31}, {0x03E0, 5, 31}, {0x001F, 0, 31}}, 0xFFFF};
    case PixelFormat::kRgb565:
      return {16, 2, 3, {{0xF800, 11, 31}, {0x07E0, 5, 63}, {0x001F, 0, 31}}, 0xFFFF};
    case PixelFormat::kRgb24:
      return {24, 3, 3, {{0xFF0000, 16, 255}, {0x00FF00, 8, 255}, {0x0000FF, 0, 255}}, 0xFFFFFF};
    case PixelFormat::kRgb32:
      break;
  }
  return {32, 4, 3, {{0xFF0000, 16, 255}, {0x00FF00, 8, 255}, {0x0000FF, 0, 255}}, 0xFFFFFFFF};
}

// Formats whose canonical rules are those of the packed loops (15, 16 and 32 bits); 8- and 24-bit
// destinations follow the per-pixel rules. The two differ only where noted in blend_reference.h.
constexpr bool UsesPackedRules(PixelFormat f) {
  return f == PixelFormat::kRgb555 || f == PixelFormat::kRgb565 || f == PixelFormat::kRgb32;
}

// Reads and writes one pixel at `p` (unaligned, little-endian storage).
inline uint32_t LoadPixel(PixelFormat f, const uint8_t* p) {
  switch (f) {
    case PixelFormat::kIndex8:
      return p[0];
    case PixelFormat::kRgb555:
    case PixelFormat::kRgb565:
      return uint32_t{p[0]} | uint32_t{p[1]} << 8;
    case PixelFormat::kRgb24:
      return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16;
    case PixelFormat::kRgb32:
      break;
  }
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

inline void StorePixel(PixelFormat f, uint8_t* p, uint32_t v) {
  const int n = Info(f).bytesPerPixel;
  for (int i = 0; i < n; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace kuzo
