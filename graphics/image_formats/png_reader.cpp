// PNG files through libpng, decoded straight into the frame's rows. Palette images become 8-bit
// frames with their palette (a palette with one fully transparent entry and no partial ones gives
// that entry as the colour key, any other transparency a mask); every other colour type becomes a
// 24-bit frame whose alpha plane, when the image has one, becomes the mask and whose transparent
// colour becomes the colour key. 16-bit samples keep their high byte; no gamma is applied.
#include <libdeflate.h>
#include <png.h>

#include <csetjmp>
#include <cstring>
#include <vector>

#include "core/errors.h"
#include "graphics/image_formats/image_file.h"

namespace kuzo {
namespace {

constexpr size_t kPngSignatureSize = 8;
// Chunks above this size (text, profiles) are refused; image data is streamed and not limited by it.
constexpr png_alloc_size_t kMaxChunkBytes = 64u << 20;

// Verifies the checksum of every chunk up to the end chunk (libpng lets damaged ancillary chunks
// pass with a warning). A file that ends early is left to the decoder, which reports it.
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
    if (libdeflate_crc32(0, typeAndData, 4 + length) != expected) {
      throw FormatError(Format("%.*s: PNG chunk \"%.4s\" at offset 0x%zx: checksum mismatch",
                               static_cast<int>(source.size()), source.data(), reinterpret_cast<const char*>(typeAndData),
                               pos));
    }
    if (std::memcmp(typeAndData, "IEND", 4) == 0) return;
    pos += 12 + length;
  }
}

// libpng state that must survive its error jumps: nothing here has a destructor.
struct Decoder {
  png_structp png = nullptr;
  png_infop info = nullptr;
  std::span<const uint8_t> data;
  size_t pos = 0;
  char message[256] = {};
};

void OnError(png_structp png, png_const_charp text) {
  auto* d = static_cast<Decoder*>(png_get_error_ptr(png));
  std::snprintf(d->message, sizeof d->message, "%s", text);
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void OnRead(png_structp png, png_bytep out, png_size_t n) {
  auto* d = static_cast<Decoder*>(png_get_io_ptr(png));
  if (n > d->data.size() - d->pos) png_error(png, "the file ends early");
  std::memcpy(out, d->data.data() + d->pos, n);
  d->pos += n;
}

// What the header tells, read before the pixels.
struct Shape {
  int width = 0, height = 0, depth = 0, colourType = 0;
  bool trns = false;
};

}  // namespace

void LoadPngImage(TDrelFrameList& list, std::span<const uint8_t> data, std::string_view source,
                  const ImageLimits& limits) {
  list.Clear();
  CheckChunkCrcs(data, source);
  Decoder d;
  d.data = data;
  d.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &d, OnError, OnWarning);
  if (d.png == nullptr) throw KuzoError("PNG decoder could not be created");
  d.info = png_create_info_struct(d.png);
  // Objects with destructors live outside the jump region: the frame (in the list), the row
  // pointers and the alpha rows are created before setjmp and only filled after it.
  TDrelFrame& frame = list.Add();
  std::vector<png_bytep> rows;
  std::vector<uint8_t> bgra;
  Shape shape;
  if (d.info == nullptr || setjmp(png_jmpbuf(d.png))) {
    png_destroy_read_struct(&d.png, &d.info, nullptr);
    list.Clear();
    throw FormatError(Format("%.*s: PNG data: %s", static_cast<int>(source.size()), source.data(),
                             d.message[0] != 0 ? d.message : "cannot be decoded"));
  }
  png_set_read_fn(d.png, &d, OnRead);
  png_set_user_limits(d.png, kMaxImageSide, kMaxImageSide);
  png_set_chunk_malloc_max(d.png, kMaxChunkBytes);
  png_read_info(d.png, d.info);
  shape.width = static_cast<int>(png_get_image_width(d.png, d.info));
  shape.height = static_cast<int>(png_get_image_height(d.png, d.info));
  shape.depth = png_get_bit_depth(d.png, d.info);
  shape.colourType = png_get_color_type(d.png, d.info);
  shape.trns = png_get_valid(d.png, d.info, PNG_INFO_tRNS) != 0;
  const int64_t need = int64_t{shape.width} * shape.height * 5;
  if (need > limits.maxFrameBytes || need > limits.maxTotalBytes) {
    std::snprintf(d.message, sizeof d.message, "size %d x %d exceeds the limit of %lld bytes", shape.width, shape.height,
                  static_cast<long long>(limits.maxFrameBytes));
    png_longjmp(d.png, 1);
  }
  const bool palette = shape.colourType == PNG_COLOR_TYPE_PALETTE;
  const bool alphaPlane = (shape.colourType & PNG_COLOR_MASK_ALPHA) != 0;
  // A transparent grey or RGB colour is a key up to 8 bits; 16-bit ones, which 8-bit samples cannot
  // tell apart, become alpha like an alpha channel.
  const bool trnsAlpha = !palette && shape.trns && shape.depth == 16;
  const bool bgraRows = alphaPlane || trnsAlpha;
  if (palette) {
    png_set_packing(d.png);
  } else {
    png_set_strip_16(d.png);
    png_set_expand_gray_1_2_4_to_8(d.png);
    png_set_gray_to_rgb(d.png);
    png_set_bgr(d.png);
    if (trnsAlpha) png_set_tRNS_to_alpha(d.png);
  }
  png_set_interlace_handling(d.png);
  png_read_update_info(d.png, d.info);

  const int w = shape.width, h = shape.height;
  frame.Image.SetSize(w, h, palette ? 8 : 24);
  rows.resize(static_cast<size_t>(h));
  if (bgraRows) {
    bgra.resize(static_cast<size_t>(w) * static_cast<size_t>(h) * 4);
    for (int y = 0; y < h; ++y) rows[static_cast<size_t>(y)] = bgra.data() + static_cast<size_t>(y) * w * 4;
  } else {
    for (int y = 0; y < h; ++y) rows[static_cast<size_t>(y)] = frame.Image.Lock(0, y);
  }
  png_read_image(d.png, rows.data());
  png_read_end(d.png, nullptr);

  if (palette) {
    png_colorp entries = nullptr;
    int count = 0;
    png_get_PLTE(d.png, d.info, &entries, &count);
    TPalette quads{};
    for (int i = 0; i < count && i < 256; ++i) quads[static_cast<size_t>(i)] = TRGBQuad{entries[i].blue, entries[i].green, entries[i].red, 0};
    frame.Image.SetPalette(quads);
    png_bytep alpha = nullptr;
    int alphaCount = 0;
    if (shape.trns) png_get_tRNS(d.png, d.info, &alpha, &alphaCount, nullptr);
    int transparent = -1, clear = 0, partial = 0;
    for (int i = 0; i < alphaCount; ++i) {
      if (alpha[i] == 0) ++clear, transparent = i;
      else if (alpha[i] != 255) ++partial;
    }
    if (clear == 1 && partial == 0) {
      frame.ColorKey = transparent;
      frame.ColorKeyRGB = frame.Image.PixelToColor(static_cast<Pixel>(transparent));
    } else if (clear + partial > 0) {
      TDIBSurface& mask = frame.Image.CreateMask();
      for (int y = 0; y < h; ++y) {
        const uint8_t* index = frame.Image.Lock(0, y);
        uint8_t* m = mask.Lock(0, y);
        for (int x = 0; x < w; ++x) m[x] = index[x] < alphaCount ? alpha[index[x]] : 255;
      }
    }
  } else if (bgraRows) {
    TDIBSurface& mask = frame.Image.CreateMask();
    for (int y = 0; y < h; ++y) {
      const uint8_t* s = rows[static_cast<size_t>(y)];
      uint8_t* c = frame.Image.Lock(0, y);
      uint8_t* m = mask.Lock(0, y);
      for (int x = 0; x < w; ++x, s += 4, c += 3) c[0] = s[0], c[1] = s[1], c[2] = s[2], m[x] = s[3];
    }
  } else if (shape.trns) {
    // The transparent colour as a key: samples of fewer than 8 bits scaled as the decoder scales them.
    png_color_16p colour = nullptr;
    png_get_tRNS(d.png, d.info, nullptr, nullptr, &colour);
    const int depth = shape.depth;
    auto scale = [depth](uint32_t v) { return depth == 8 ? v & 255 : v * 255 / ((1u << depth) - 1); };
    const bool grey = shape.colourType == PNG_COLOR_TYPE_GRAY;
    const uint32_t r = scale(grey ? colour->gray : colour->red);
    const uint32_t g = scale(grey ? colour->gray : colour->green);
    const uint32_t b = scale(grey ? colour->gray : colour->blue);
    frame.ColorKeyRGB = static_cast<ColorValue>(r | g << 8 | b << 16);
    frame.ColorKey = frame.Image.ColorToPixel(frame.ColorKeyRGB);
  }
  png_destroy_read_struct(&d.png, &d.info, nullptr);
}

}  // namespace kuzo
