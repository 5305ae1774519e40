// Windows and OS/2 bitmap files: core (12-byte), OS/2 v2 (16..64-byte) and info headers of 40, 52,
// 56, 108 and 124 bytes; 1, 2, 4, 8, 16, 24 and 32 bits; RLE4 and RLE8; bit-field masks; top-down
// rows. 1-, 4- and 8-bit bitmaps keep their palette (2-bit ones become 8-bit); 16-bit 5-5-5 and
// 5-6-5 stay 15 and 16 bits; everything else becomes 24 bits, an alpha channel becoming the mask.
// Huffman, RLE24 and embedded JPEG or PNG bitmaps are refused.
#include <algorithm>
#include <bit>
#include <cstring>

#include "core/byte_reader.h"
#include "core/errors.h"
#include "graphics/image_formats/image_file.h"

namespace kuzo {
namespace {

constexpr std::string_view kBmpMagic = "BM";
constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kOs2MaxHeaderSize = 64;
constexpr uint32_t kMaxHeaderSize = 124;

enum Compression : uint32_t {
  kRgb = 0,
  kRle8 = 1,
  kRle4 = 2,
  kBitFields = 3,
  kJpeg = 4,
  kPng = 5,
  kAlphaBitFields = 6,
};

struct Masks {
  uint32_t red = 0, green = 0, blue = 0, alpha = 0;
};

// One channel of a bit-field pixel widened to 8 bits.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  uint32_t max = 0;
  uint8_t Get(uint32_t pixel) const {
    if (mask == 0) return 0;
    const uint32_t v = (pixel & mask) >> shift;
    // Channels wider than 8 bits keep their top 8 bits; narrower ones scale to 0..255, rounded.
    if (max > 255) return static_cast<uint8_t>(v >> (std::bit_width(max) - 8));
    return static_cast<uint8_t>((v * 255 + max / 2) / max);
  }
};

Channel MakeChannel(uint32_t mask) {
  Channel c;
  c.mask = mask;
  if (mask == 0) return c;
  c.shift = std::countr_zero(mask);
  c.max = mask >> c.shift;
  return c;
}

bool Contiguous(uint32_t mask) {
  if (mask == 0) return true;
  const uint32_t v = mask >> std::countr_zero(mask);
  return (v & (v + 1)) == 0;
}

class BmpReader {
 public:
  BmpReader(TDrelFrameList& list, std::span<const uint8_t> data, std::string_view source, const ImageLimits& limits)
      : list_(list), in_(data, std::string(source)), limits_(limits) {}

  void Read() {
    list_.Clear();
    if (in_.Size() < 2 || std::memcmp(in_.Data().data(), kBmpMagic.data(), 2) != 0) in_.Fail("magic", "not \"BM\"");
    in_.Skip(10, "file header");
    const uint32_t dataOffset = in_.U32("pixel data offset");
    ReadInfoHeader();
    ReadPalette(dataOffset);
    if (dataOffset < in_.Position() || dataOffset > in_.Size()) {
      in_.Fail("pixel data offset", Format("%u lies outside %zu..%zu", dataOffset, in_.Position(), in_.Size()));
    }
    in_.Seek(dataOffset, "pixel data");
    TDrelFrame& frame = list_.Add();
    if (compression_ == kRle8 || compression_ == kRle4) {
      ReadRle(frame);
    } else {
      ReadRows(frame);
    }
  }

 private:
  void ReadInfoHeader() {
    headerSize_ = in_.U32("header size");
    const bool core = headerSize_ == kCoreHeaderSize;
    // OS/2 v2 headers may stop after any field (16 to 64 bytes); the Windows ones have fixed sizes.
    const bool known = core || (headerSize_ >= 16 && headerSize_ <= kOs2MaxHeaderSize) || headerSize_ == 108 ||
                       headerSize_ == kMaxHeaderSize;
    if (!known) {
      in_.Fail("header size", Format("%u is not a known bitmap header", headerSize_));
    }
    int64_t width, height;
    uint16_t planes;
    if (core) {
      width = in_.U16("width");
      height = static_cast<int16_t>(in_.U16("height"));
      planes = in_.U16("planes");
      bits_ = in_.U16("bit count");
    } else {
      width = in_.I32("width");
      height = in_.I32("height");
      planes = in_.U16("planes");
      bits_ = in_.U16("bit count");
    }
    // The optional fields of longer headers, read from a zeroed copy so short headers leave them 0.
    uint8_t rest[kMaxHeaderSize] = {};
    const size_t fixed = core ? kCoreHeaderSize : 16;
    in_.Read(rest, headerSize_ - fixed, "header");
    ByteReader h(std::span<const uint8_t>(rest, sizeof rest), in_.Source() + ": header");
    compression_ = h.U32();
    h.Skip(4 + 4 + 4);  // image size, densities: not needed to decode
    colourCount_ = h.U32();
    h.Skip(4);
    // OS/2 v2 headers number their compressions differently: 3 is Huffman, 4 is RLE24.
    const bool os2 = headerSize_ == kOs2MaxHeaderSize || headerSize_ < kInfoHeaderSize ||
                     (headerSize_ > kInfoHeaderSize && headerSize_ < 52);
    if (os2 && (compression_ == 3 || compression_ == 4)) {
      in_.Fail("compression", Format("OS/2 compression %u (Huffman or RLE24) is not supported", compression_));
    }
    if (headerSize_ >= 52) masks_ = Masks{h.U32(), h.U32(), h.U32(), headerSize_ >= 56 ? h.U32() : 0};

    if (planes != 1) in_.Fail("planes", Format("%u, not 1", planes));
    if (width <= 0 || width > kMaxImageSide) in_.Fail("width", Format("%lld is outside 1..%d", static_cast<long long>(width), kMaxImageSide));
    if (height == 0 || height > kMaxImageSide || height < -kMaxImageSide) {
      in_.Fail("height", Format("%lld is outside 1..%d", static_cast<long long>(height), kMaxImageSide));
    }
    topDown_ = height < 0;
    width_ = static_cast<int>(width);
    height_ = static_cast<int>(height < 0 ? -height : height);
    switch (compression_) {
      case kRgb:
        if (bits_ != 1 && bits_ != 2 && bits_ != 4 && bits_ != 8 && bits_ != 16 && bits_ != 24 && bits_ != 32) {
          in_.Fail("bit count", Format("%u is not 1, 2, 4, 8, 16, 24 or 32", bits_));
        }
        break;
      case kRle8:
      case kRle4:
        if (bits_ != (compression_ == kRle8 ? 8 : 4)) in_.Fail("bit count", Format("%u does not match RLE", bits_));
        if (topDown_) in_.Fail("height", "RLE bitmaps cannot be stored top-down");
        break;
      case kBitFields:
      case kAlphaBitFields:
        if (bits_ != 16 && bits_ != 32) in_.Fail("bit count", Format("%u with bit fields", bits_));
        if (headerSize_ < 52) {
          // The masks follow a 40-byte header.
          masks_.red = in_.U32("red mask");
          masks_.green = in_.U32("green mask");
          masks_.blue = in_.U32("blue mask");
          if (compression_ == kAlphaBitFields) masks_.alpha = in_.U32("alpha mask");
        }
        CheckMasks();
        break;
      default:
        in_.Fail("compression", Format("%u (embedded JPEG or PNG, or unknown) is not supported", compression_));
    }
    // The largest frame: 24-bit colour plus a mask.
    const int64_t need = ((int64_t{width_} * 24 + 31) / 32 * 4 + (int64_t{width_} + 3) / 4 * 4) * height_;
    if (need > limits_.maxFrameBytes || need > limits_.maxTotalBytes) {
      in_.Fail("size", Format("%d x %d needs %lld bytes, more than the limit", width_, height_, static_cast<long long>(need)));
    }
  }

  void CheckMasks() {
    const uint32_t limit = bits_ == 16 ? 0xFFFF : 0xFFFFFFFF;
    const uint32_t all[] = {masks_.red, masks_.green, masks_.blue, masks_.alpha};
    uint32_t seen = 0;
    for (int i = 0; i < 4; ++i) {
      if ((i < 3 && all[i] == 0) || !Contiguous(all[i]) || (all[i] & ~limit) != 0 || (all[i] & seen) != 0) {
        in_.Fail("bit fields", Format("masks %08x %08x %08x %08x are empty, overlapping or not contiguous",
                                      masks_.red, masks_.green, masks_.blue, masks_.alpha));
      }
      seen |= all[i];
    }
  }

  void ReadPalette(uint32_t dataOffset) {
    if (bits_ > 8) {
      // Some writers store a palette with direct-colour bitmaps; it is not used.
      return;
    }
    const uint32_t maxEntries = 1u << bits_;
    const size_t quad = headerSize_ == kCoreHeaderSize ? 3 : 4;
    uint32_t entries = colourCount_ == 0 ? maxEntries : colourCount_;
    if (entries > 256 * 256) in_.Fail("colour count", Format("%u palette entries", entries));
    // A pixel data offset inside the palette shortens it (core headers have no colour count).
    if (dataOffset > in_.Position() && (dataOffset - in_.Position()) / quad < entries) {
      entries = static_cast<uint32_t>((dataOffset - in_.Position()) / quad);
    }
    paletteEntries_ = std::min<uint32_t>(entries, 256);
    if (static_cast<uint64_t>(entries) * quad > in_.Remaining()) {
      in_.Fail("palette", Format("%u entries exceed the %zu bytes left", entries, in_.Remaining()));
    }
    // Entries beyond what the pixels can index (or beyond 256) are skipped; missing ones stay black.
    for (uint32_t i = 0; i < entries; ++i) {
      const uint8_t b = in_.U8("palette"), g = in_.U8("palette"), r = in_.U8("palette");
      if (quad == 4) in_.Skip(1, "palette");
      if (i < 256) palette_[i] = TRGBQuad{b, g, r, 0};
    }
  }

  int FrameBits() const {
    if (bits_ == 1 || bits_ == 4 || bits_ == 8) return bits_;
    if (bits_ == 2) return 8;
    if (bits_ == 16 && compression_ == kRgb) return 15;
    if (bits_ == 16 && masks_.alpha == 0 && masks_.red == 0x7C00 && masks_.green == 0x03E0 && masks_.blue == 0x1F) return 15;
    if (bits_ == 16 && masks_.alpha == 0 && masks_.red == 0xF800 && masks_.green == 0x07E0 && masks_.blue == 0x1F) return 16;
    return 24;
  }

  // Palette indices beyond the palette make the file invalid.
  void CheckIndex(uint32_t index) {
    if (index >= paletteEntries_) {
      in_.Fail("pixel data", Format("palette index %u beyond the %u palette entries", index, paletteEntries_));
    }
  }

  void CheckIndices(const TDIBSurface& image) {
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x) CheckIndex(image.GetPixel(x, y));
  }

  // The image row that stored row k fills.
  int ImageRow(int k) const { return topDown_ ? k : height_ - 1 - k; }

  void ReadRows(TDrelFrame& frame) {
    const int frameBits = FrameBits();
    frame.Image.SetSize(width_, height_, frameBits);
    if (frameBits <= 8) frame.Image.SetPalette(palette_);
    const size_t stride = (static_cast<size_t>(width_) * bits_ + 31) / 32 * 4;
    const uint64_t need = static_cast<uint64_t>(stride) * static_cast<uint64_t>(height_);
    if (need > in_.Remaining()) {
      in_.Fail("pixel data", Format("%llu bytes of rows exceed the %zu bytes left",
                                    static_cast<unsigned long long>(need), in_.Remaining()));
    }
    const bool direct = frameBits == bits_ || (frameBits == 15 && bits_ == 16);
    Channel r, g, b, a;
    if (bits_ == 32 && compression_ == kRgb) {
      r = MakeChannel(0xFF0000), g = MakeChannel(0xFF00), b = MakeChannel(0xFF), a = MakeChannel(0xFF000000);
    } else if (bits_ >= 16) {
      r = MakeChannel(masks_.red), g = MakeChannel(masks_.green), b = MakeChannel(masks_.blue);
      a = MakeChannel(masks_.alpha);
    }
    TDIBSurface* mask = a.mask != 0 ? &frame.Image.CreateMask() : nullptr;
    bool anyAlpha = false;
    for (int k = 0; k < height_; ++k) {
      const uint8_t* src = in_.View(stride, "pixel row").data();
      const int y = ImageRow(k);
      uint8_t* dst = frame.Image.Lock(0, y);
      if (direct) {
        std::memcpy(dst, src, std::min(stride, static_cast<size_t>(frame.Image.Pitch())));
        // The unused top bit of 5-5-5 pixels is cleared so that pixel values compare as colours.
        if (frameBits == 15) {
          for (int x = 0; x < width_; ++x) dst[2 * x + 1] &= 0x7F;
        }
        continue;
      }
      if (bits_ == 2) {
        for (int x = 0; x < width_; ++x) dst[x] = (src[x / 4] >> (6 - 2 * (x % 4))) & 3;
        continue;
      }
      uint8_t* m = mask != nullptr ? mask->Lock(0, y) : nullptr;
      for (int x = 0; x < width_; ++x, dst += 3) {
        uint32_t p;
        if (bits_ == 16) {
          p = uint32_t{src[2 * x]} | uint32_t{src[2 * x + 1]} << 8;
        } else if (bits_ == 24) {
          p = uint32_t{src[3 * x]} | uint32_t{src[3 * x + 1]} << 8 | uint32_t{src[3 * x + 2]} << 16;
        } else {
          p = uint32_t{src[4 * x]} | uint32_t{src[4 * x + 1]} << 8 | uint32_t{src[4 * x + 2]} << 16 |
              uint32_t{src[4 * x + 3]} << 24;
        }
        dst[0] = b.Get(p), dst[1] = g.Get(p), dst[2] = r.Get(p);
        if (m != nullptr) {
          m[x] = a.Get(p);
          anyAlpha |= m[x] != 0;
        }
      }
    }
    // A fourth byte that is 0 everywhere carries no alpha (most 32-bit bitmaps): the image is opaque.
    if (mask != nullptr && !anyAlpha) frame.Image.DropMask();
    if (frameBits <= 8) CheckIndices(frame.Image);
  }

  // RLE: runs and literal groups, escapes 0 (end of line), 1 (end of bitmap), 2 (delta). Pixels not
  // written keep index 0; data that ends without an end-of-bitmap leaves the rest so.
  void ReadRle(TDrelFrame& frame) {
    const bool four = compression_ == kRle4;
    frame.Image.SetSize(width_, height_, 8);
    frame.Image.SetPalette(palette_);
    int x = 0, k = 0;  // k counts stored rows, bottom row first
    auto put = [&](uint8_t index) {
      if (x >= width_ || k >= height_) in_.Fail("RLE data", Format("pixel (%d, %d) lies outside %d x %d", x, k, width_, height_));
      frame.Image.Lock(x, ImageRow(k))[0] = index;
      ++x;
    };
    while (in_.Remaining() >= 2) {
      const uint8_t count = in_.U8("RLE count");
      const uint8_t value = in_.U8("RLE value");
      if (count > 0) {
        for (int i = 0; i < count; ++i) put(four ? (i % 2 == 0 ? value >> 4 : value & 15) : value);
        continue;
      }
      if (value == 0) {
        x = 0, ++k;
      } else if (value == 1) {
        break;
      } else if (value == 2) {
        const uint8_t dx = in_.U8("RLE delta"), dy = in_.U8("RLE delta");
        x += dx, k += dy;
        if (x > width_ || k > height_) in_.Fail("RLE delta", Format("moves to (%d, %d) outside %d x %d", x, k, width_, height_));
      } else {
        const size_t bytes = four ? (value + 1) / 2 : value;
        const std::span<const uint8_t> literal = in_.View(bytes, "RLE literal");
        for (int i = 0; i < value; ++i) put(four ? (i % 2 == 0 ? literal[i / 2] >> 4 : literal[i / 2] & 15) : literal[i]);
        if (bytes % 2 == 1) in_.Skip(std::min<size_t>(1, in_.Remaining()), "RLE padding");
      }
    }
    CheckIndices(frame.Image);
    // Keep the depth the file declared when it is one the frames hold.
    if (four) {
      TDIBSurface packed(width_, height_, 4);
      packed.SetPalette(palette_);
      for (int y = 0; y < height_; ++y)
        for (int xx = 0; xx < width_; ++xx) packed.SetPixel(xx, y, frame.Image.GetPixel(xx, y));
      frame.Image = std::move(packed);
    }
  }

  TDrelFrameList& list_;
  ByteReader in_;
  ImageLimits limits_;
  uint32_t headerSize_ = 0;
  uint16_t bits_ = 0;
  uint32_t compression_ = kRgb;
  uint32_t colourCount_ = 0;
  uint32_t paletteEntries_ = 0;
  Masks masks_;
  TPalette palette_{};
  int width_ = 0, height_ = 0;
  bool topDown_ = false;
};

}  // namespace

void LoadBmpImage(TDrelFrameList& list, std::span<const uint8_t> data, std::string_view source,
                  const ImageLimits& limits) {
  BmpReader(list, data, source, limits).Read();
}

}  // namespace kuzo
