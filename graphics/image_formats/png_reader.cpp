// PNG files through libspng. Palette images become 8-bit frames with their palette (a palette with
// one fully transparent entry and no partial ones gives that entry as the colour key, any other
// transparency a mask); every other colour type becomes a 24-bit frame whose alpha plane, when the
// image has one, becomes the mask and whose transparent colour becomes the colour key.
#include <spng.h>

#include <zlib.h>

#include <cstring>
#include <memory>

#include "core/errors.h"
#include "graphics/image_formats/image_file.h"

namespace kuzo {
namespace {

constexpr size_t kPngSignatureSize = 8;
constexpr uint8_t kColourTypePalette = 3;
constexpr uint8_t kColourTypeGrayAlpha = 4;
constexpr uint8_t kColourTypeRgbAlpha = 6;
// Chunks above this size (text, profiles) are refused; image data is streamed and not limited by it.
constexpr size_t kMaxChunkBytes = 64u << 20;

struct ContextDeleter {
  void operator()(spng_ctx* ctx) const { spng_ctx_free(ctx); }
};

[[noreturn]] void Fail(std::string_view source, const char* what, int error) {
  throw FormatError(Format("%.*s: PNG %s: %s", static_cast<int>(source.size()), source.data(), what,
                           spng_strerror(error)));
}

// Verifies the checksum of every chunk up to the end chunk (the decoder does not check all of
// them). A file that ends early is left to the decoder, which reports it.
void CheckChunkCrcs(std::span<const uint8_t> data, std::string_view source) {
  size_t pos = kPngSignatureSize;
  while (pos + 12 <= data.size()) {
    const uint32_t length = uint32_t{data[pos]} << 24 | uint32_t{data[pos + 1]} << 16 | uint32_t{data[pos + 2]} << 8 |
                            uint32_t{data[pos + 3]};
    if (length > data.size() - pos - 12) return;
    const uint8_t* typeAndData = data.data() + pos + 4;
    const uint8_t* stored = typeAndData + 4 + length;
    const uint32_t expected = uint32_t{stored[0]} << 24 | uint32_t{stored[1]} << 16 | uint32_t{stored[2]} << 8 |
                              uint32_t{stored[3]};
    if (static_cast<uint32_t>(crc32(0, typeAndData, 4 + length)) != expected) {
      throw FormatError(Format("%.*s: PNG chunk \"%.4s\" at offset 0x%zx: checksum mismatch",
                               static_cast<int>(source.size()), source.data(), reinterpret_cast<const char*>(typeAndData),
                               pos));
    }
    if (std::memcmp(typeAndData, "IEND", 4) == 0) return;
    pos += 12 + length;
  }
}

}  // namespace

void LoadPngImage(TDrelFrameList& list, std::span<const uint8_t> data, std::string_view source,
                  const ImageLimits& limits) {
  list.Clear();
  std::unique_ptr<spng_ctx, ContextDeleter> ctx(spng_ctx_new(0));
  if (ctx == nullptr) throw KuzoError("PNG decoder could not be created");
  spng_set_image_limits(ctx.get(), kMaxImageSide, kMaxImageSide);
  spng_set_chunk_limits(ctx.get(), kMaxChunkBytes, kMaxChunkBytes);
  // A checksum mismatch in any chunk refuses the file.
  spng_set_crc_action(ctx.get(), SPNG_CRC_ERROR, SPNG_CRC_ERROR);
  if (int e = spng_set_png_buffer(ctx.get(), data.data(), data.size())) Fail(source, "data", e);
  CheckChunkCrcs(data, source);
  spng_ihdr ihdr{};
  if (int e = spng_get_ihdr(ctx.get(), &ihdr)) Fail(source, "header", e);
  const int w = static_cast<int>(ihdr.width), h = static_cast<int>(ihdr.height);
  // 24-bit colour plus mask is the largest frame a PNG becomes; RGBA decoding needs 4 bytes a pixel.
  const int64_t need = int64_t{w} * h * 4 + int64_t{w} * h;
  if (need > limits.maxFrameBytes || need > limits.maxTotalBytes) {
    throw FormatError(Format("%.*s: PNG size %d x %d exceeds the limit of %lld bytes", static_cast<int>(source.size()),
                             source.data(), w, h, static_cast<long long>(limits.maxFrameBytes)));
  }

  TDrelFrame& frame = list.Add();
  if (ihdr.color_type == kColourTypePalette) {
    size_t size = 0;
    if (int e = spng_decoded_image_size(ctx.get(), SPNG_FMT_PNG, &size)) Fail(source, "image", e);
    std::vector<uint8_t> packed(size);
    if (int e = spng_decode_image(ctx.get(), packed.data(), size, SPNG_FMT_PNG, 0)) Fail(source, "image", e);
    spng_plte plte{};
    if (int e = spng_get_plte(ctx.get(), &plte)) Fail(source, "palette", e);
    spng_trns trns{};
    const bool hasTrns = spng_get_trns(ctx.get(), &trns) == 0;
    frame.Image.SetSize(w, h, 8);
    TPalette palette{};
    for (uint32_t i = 0; i < plte.n_entries && i < 256; ++i) {
      palette[i] = TRGBQuad{plte.entries[i].blue, plte.entries[i].green, plte.entries[i].red, 0};
    }
    frame.Image.SetPalette(palette);
    const int depth = ihdr.bit_depth;
    const size_t rowBytes = (static_cast<size_t>(w) * static_cast<size_t>(depth) + 7) / 8;
    for (int y = 0; y < h; ++y) {
      const uint8_t* src = packed.data() + static_cast<size_t>(y) * rowBytes;
      uint8_t* dst = frame.Image.Lock(0, y);
      for (int x = 0; x < w; ++x) {
        const size_t bit = static_cast<size_t>(x) * static_cast<size_t>(depth);
        dst[x] = static_cast<uint8_t>((src[bit / 8] >> (8 - depth - bit % 8)) & ((1u << depth) - 1));
      }
    }
    if (hasTrns) {
      int transparent = -1, clear = 0, partial = 0;
      for (uint32_t i = 0; i < trns.n_type3_entries && i < 256; ++i) {
        if (trns.type3_alpha[i] == 0) ++clear, transparent = static_cast<int>(i);
        else if (trns.type3_alpha[i] != 255) ++partial;
      }
      if (clear == 1 && partial == 0) {
        frame.ColorKey = transparent;
        frame.ColorKeyRGB = frame.Image.PixelToColor(static_cast<Pixel>(transparent));
      } else if (clear + partial > 0) {
        TDIBSurface& mask = frame.Image.CreateMask();
        for (int y = 0; y < h; ++y) {
          const uint8_t* index = frame.Image.Lock(0, y);
          uint8_t* m = mask.Lock(0, y);
          for (int x = 0; x < w; ++x) m[x] = index[x] < trns.n_type3_entries ? trns.type3_alpha[index[x]] : 255;
        }
      }
    }
    return;
  }

  std::vector<uint8_t> rgba(static_cast<size_t>(w) * static_cast<size_t>(h) * 4);
  if (int e = spng_decode_image(ctx.get(), rgba.data(), rgba.size(), SPNG_FMT_RGBA8, SPNG_DECODE_TRNS)) {
    Fail(source, "image", e);
  }
  spng_trns trns{};
  const bool hasTrns = spng_get_trns(ctx.get(), &trns) == 0;
  const bool alphaPlane = ihdr.color_type == kColourTypeGrayAlpha || ihdr.color_type == kColourTypeRgbAlpha;
  frame.Image.SetSize(w, h, 24);
  for (int y = 0; y < h; ++y) {
    const uint8_t* s = rgba.data() + static_cast<size_t>(y) * static_cast<size_t>(w) * 4;
    uint8_t* d = frame.Image.Lock(0, y);
    for (int x = 0; x < w; ++x, s += 4, d += 3) d[0] = s[2], d[1] = s[1], d[2] = s[0];
  }
  if (hasTrns && !alphaPlane && ihdr.bit_depth <= 8) {
    // The transparent colour as a key: samples of fewer than 8 bits scaled as the decoder scales them.
    const int depth = ihdr.bit_depth;
    auto scale = [depth](uint32_t v) { return depth == 8 ? v : v * 255 / ((1u << depth) - 1); };
    const uint32_t r = scale(ihdr.color_type == 0 ? trns.gray : trns.red);
    const uint32_t g = scale(ihdr.color_type == 0 ? trns.gray : trns.green);
    const uint32_t b = scale(ihdr.color_type == 0 ? trns.gray : trns.blue);
    frame.ColorKeyRGB = static_cast<ColorValue>(r | g << 8 | b << 16);
    frame.ColorKey = frame.Image.ColorToPixel(frame.ColorKeyRGB);
  } else if (alphaPlane || hasTrns) {
    // An alpha plane, or a 16-bit transparent colour that 8-bit samples cannot express as a key.
    TDIBSurface& mask = frame.Image.CreateMask();
    for (int y = 0; y < h; ++y) {
      const uint8_t* s = rgba.data() + static_cast<size_t>(y) * static_cast<size_t>(w) * 4 + 3;
      uint8_t* m = mask.Lock(0, y);
      for (int x = 0; x < w; ++x, s += 4) m[x] = *s;
    }
  }
}

}  // namespace kuzo
