// TDIBX: a surface in ordinary memory. Rows are stored top-down and padded to four bytes; 15-bit
// pixels are 16-bit words with 5-5-5 masks, 16-bit ones 5-6-5. 1- and 4-bit storage serves as a
// source only (bit 7 / the high nibble is the leftmost pixel).
#include <algorithm>
#include <cstring>

#include "core/errors.h"
#include "graphics/dibx.h"

namespace kuzo {
namespace {

int NormalBitCount(int bits) {
  switch (bits) {
    case 1: case 4: case 8: case 15: case 16: case 24: case 32: return bits;
    default: return 32;  // any other request gets 8-8-8 colour
  }
}

// Scales a channel of `bits` bits up to 8 by repeating its top bits (31 -> 255, 0 -> 0).
uint32_t Widen(uint32_t v, int bits) {
  uint32_t r = v << (8 - bits);
  return r | (r >> bits);
}

}  // namespace

TDIBX::TDIBX() { Allocate(1, 1, 15); }

void TDIBX::Allocate(int width, int height, int bits) {
  bits = NormalBitCount(bits);
  const int storage = bits == 15 ? 16 : bits;
  // Rows padded to 4 bytes; sizes multiplied in 64 bits and capped.
  const int64_t pitch = (int64_t{width} * storage + 31) / 32 * 4;
  const int64_t bytes = pitch * height;
  if (bytes > kMaxSurfaceBytes) {
    throw KuzoError(Format("surface size %d x %d at %d bits needs %lld bytes, more than %lld", width, height, bits,
                           static_cast<long long>(bytes), static_cast<long long>(kMaxSurfaceBytes)));
  }
  bits_.assign(static_cast<size_t>(bytes), 0);
  bitCount_ = bits;
  storageBits_ = storage;
  pitch_ = static_cast<ptrdiff_t>(pitch);
  storageWidth_ = width;
  storageHeight_ = height;
}

void TDIBX::SetSize(int width, int height, int bits) {
  // Storage first: a refused size leaves the surface as it was.
  CheckSize(width, height);
  Allocate(width, height, bits);
  TCustomDIBX::SetSize(width, height, bits);
}

int TDIBX::BitCount() const { return bitCount_; }

uint32_t TDIBX::RedMask() const {
  switch (bitCount_) {
    case 15: return 0x7C00;
    case 16: return 0xF800;
    case 24: case 32: return 0xFF0000;
    default: return 0;
  }
}
uint32_t TDIBX::GreenMask() const {
  switch (bitCount_) {
    case 15: return 0x03E0;
    case 16: return 0x07E0;
    case 24: case 32: return 0x00FF00;
    default: return 0;
  }
}
uint32_t TDIBX::BlueMask() const {
  switch (bitCount_) {
    case 15: case 16: return 0x001F;
    case 24: case 32: return 0x0000FF;
    default: return 0;
  }
}

// Channel positions: blue at 0, green above the blue bits, red above blue and green.
int TDIBX::BlueShift() const { return 0; }
int TDIBX::GreenShift() const {
  return bitCount_ == 15 || bitCount_ == 16 ? 5 : bitCount_ >= 24 ? 8 : 0;
}
int TDIBX::RedShift() const {
  return bitCount_ == 15 ? 10 : bitCount_ == 16 ? 11 : bitCount_ >= 24 ? 16 : 0;
}

uint8_t* TDIBX::Lock(int x, int y) {
  return const_cast<uint8_t*>(static_cast<const TDIBX*>(this)->Lock(x, y));
}

const uint8_t* TDIBX::Lock(int x, int y) const {
  if (x < 0 || y < 0 || x >= storageWidth_ || y >= storageHeight_) return nullptr;
  const uint8_t* row = bits_.data() + static_cast<ptrdiff_t>(y) * pitch_;
  switch (storageBits_) {
    case 1: return row + x / 8;
    case 4: return row + x / 2;
    default: return row + static_cast<ptrdiff_t>(x) * (storageBits_ / 8);
  }
}

Pixel TDIBX::GetPixel(int x, int y) const {
  const uint8_t* p = Lock(x, y);
  if (p == nullptr) return 0;
  switch (storageBits_) {
    case 1: return (*p >> (7 - x % 8)) & 1;
    case 4: return x % 2 == 0 ? *p >> 4 : *p & 15;
    case 8: return *p;
    case 16: return LoadPixel(PixelFormat::kRgb565, p);
    case 24: return LoadPixel(PixelFormat::kRgb24, p);
    default: return LoadPixel(PixelFormat::kRgb32, p);
  }
}

void TDIBX::SetPixel(int x, int y, Pixel pixel) {
  uint8_t* p = Lock(x, y);
  if (p == nullptr) return;
  switch (storageBits_) {
    case 1: {
      const uint8_t bit = static_cast<uint8_t>(0x80 >> (x % 8));
      *p = (pixel & 1) ? (*p | bit) : (*p & ~bit);
      break;
    }
    case 4:
      *p = x % 2 == 0 ? static_cast<uint8_t>((*p & 0x0F) | (pixel & 15) << 4)
                      : static_cast<uint8_t>((*p & 0xF0) | (pixel & 15));
      break;
    case 8: *p = static_cast<uint8_t>(pixel); break;
    case 16: StorePixel(PixelFormat::kRgb565, p, pixel); break;
    case 24: StorePixel(PixelFormat::kRgb24, p, pixel); break;
    default: StorePixel(PixelFormat::kRgb32, p, pixel); break;
  }
}

int32_t TDIBX::ColorToPixel(ColorValue colour) const {
  if (colour < 0) return -1;
  if (bitCount_ <= 8) return colour;  // a palette index
  const uint32_t c = static_cast<uint32_t>(colour);
  const uint32_t r = c & 255, g = (c >> 8) & 255, b = (c >> 16) & 255;
  switch (bitCount_) {
    case 15: return static_cast<int32_t>((r >> 3) << 10 | (g >> 3) << 5 | (b >> 3));
    case 16: return static_cast<int32_t>((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3));
    default: return static_cast<int32_t>(r << 16 | g << 8 | b);
  }
}

void TDIBX::Fill(Pixel pixel) {
  switch (storageBits_) {
    case 1: std::fill(bits_.begin(), bits_.end(), static_cast<uint8_t>(pixel != 0 ? 255 : 0)); return;
    case 4: std::fill(bits_.begin(), bits_.end(), static_cast<uint8_t>((pixel & 15) * 0x11)); return;
    case 8: std::fill(bits_.begin(), bits_.end(), static_cast<uint8_t>(pixel)); return;
    case 16:
      for (size_t i = 0; i + 1 < bits_.size(); i += 2) {
        bits_[i] = static_cast<uint8_t>(pixel);
        bits_[i + 1] = static_cast<uint8_t>(pixel >> 8);
      }
      return;
    default: FillRect(BoundsRect(), pixel); return;
  }
}

void TDIBX::Assign(const TCustomDIBX& source) {
  const auto* memory = dynamic_cast<const TDIBX*>(&source);
  if (memory != nullptr && memory != this && memory->Width() == Width() && memory->Height() == Height() &&
      memory->pitch_ == pitch_) {
    // Same geometry: the storage rows are copied whole.
    const size_t bytes = std::min({static_cast<size_t>(pitch_) * static_cast<size_t>(Height()), bits_.size(),
                                   memory->bits_.size()});
    std::memcpy(bits_.data(), memory->bits_.data(), bytes);
    return;
  }
  TCustomDIBX::Assign(source);
}

void TDIBX::Clear() {
  TCustomDIBX::Clear();
  Allocate(8, 8, bitCount_);
}

void TDIBX::SetBitCount(int bits) {
  const int target = bits == 15 || bits == 16 || bits == 24 ? bits : 32;
  if (target == bitCount_) return;
  // Read every pixel as an RGB colour (through the palette for indexed storage) and store it anew.
  const int w = storageWidth_, h = storageHeight_;
  std::vector<ColorValue> colours(static_cast<size_t>(w) * static_cast<size_t>(h));
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const Pixel p = GetPixel(x, y);
      uint32_t r, g, b;
      if (bitCount_ <= 8) {
        const TRGBQuad q = palette_[p & 255];
        r = q.red, g = q.green, b = q.blue;
      } else if (bitCount_ == 15) {
        r = Widen((p >> 10) & 31, 5), g = Widen((p >> 5) & 31, 5), b = Widen(p & 31, 5);
      } else if (bitCount_ == 16) {
        r = Widen((p >> 11) & 31, 5), g = Widen((p >> 5) & 63, 6), b = Widen(p & 31, 5);
      } else {
        r = (p >> 16) & 255, g = (p >> 8) & 255, b = p & 255;
      }
      colours[static_cast<size_t>(y) * w + x] = static_cast<ColorValue>(r | g << 8 | b << 16);
    }
  }
  Allocate(w, h, target);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      SetPixel(x, y, static_cast<Pixel>(ColorToPixel(colours[static_cast<size_t>(y) * w + x])));
    }
  }
}

void TDIBX::GetPalette(TPalette& out) const { out = palette_; }

void TDIBX::GetPaletteRange(TRGBQuad* out, int first, int count) const {
  if (first < 0 || count <= 0 || first >= 256) return;
  count = std::min(count, 256 - first);
  std::copy_n(palette_.begin() + first, count, out);
}

void TDIBX::SetPalette(const TPalette& palette) { palette_ = palette; }

void TDIBX::SetPaletteRange(const TRGBQuad* quads, int first, int count) {
  if (first < 0 || count <= 0 || first >= 256) return;
  count = std::min(count, 256 - first);
  std::copy_n(quads, count, palette_.begin() + first);
}

}  // namespace kuzo
