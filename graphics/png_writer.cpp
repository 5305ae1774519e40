// PNG encoding through libpng into memory. libpng reports errors by longjmp, so the encoder keeps
// no C++ objects with destructors between setjmp and the end of encoding.
#include "graphics/png_writer.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <fstream>
#include <string>

#include "core/errors.h"

namespace kuzo {
namespace {

uint8_t Widen(uint32_t v, int bits) {
  const uint32_t r = v << (8 - bits);
  return static_cast<uint8_t>(r | (r >> bits));
}

struct PngSink {
  std::vector<uint8_t>* out;
};

void WriteData(png_structp png, png_bytep data, png_size_t length) {
  auto* sink = static_cast<PngSink*>(png_get_io_ptr(png));
  sink->out->insert(sink->out->end(), data, data + length);
}

void FlushData(png_structp) {}

// Returns false when libpng failed.
bool Encode(const std::vector<uint8_t>& rgb, int width, int height, std::vector<uint8_t>& out, int channels = 3) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  PngSink sink{&out};
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, &sink, WriteData, FlushData);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, channels == 4 ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  const size_t stride = static_cast<size_t>(width) * static_cast<size_t>(channels);
  for (int y = 0; y < height; ++y) {
    png_write_row(png, const_cast<png_bytep>(rgb.data() + stride * static_cast<size_t>(y)));
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

std::vector<uint8_t> SurfaceToRgb(const TCustomDIBX& surface) {
  const int w = surface.Width(), h = surface.Height();
  const int bits = surface.BitCount();
  if (w <= 0 || h <= 0) throw KuzoError("cannot encode an empty surface");
  if (bits != 8 && bits != 15 && bits != 16 && bits != 24 && bits != 32) {
    throw KuzoError(Format("cannot encode a %d-bit surface", bits));
  }
  TPalette palette{};
  if (bits == 8) surface.GetPalette(palette);
  std::vector<uint8_t> rgb;
  rgb.reserve(static_cast<size_t>(w) * static_cast<size_t>(h) * 3);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const Pixel p = surface.GetPixel(x, y);
      uint8_t r, g, b;
      switch (bits) {
        case 8: r = palette[p & 255].red, g = palette[p & 255].green, b = palette[p & 255].blue; break;
        case 15: r = Widen((p >> 10) & 31, 5), g = Widen((p >> 5) & 31, 5), b = Widen(p & 31, 5); break;
        case 16: r = Widen((p >> 11) & 31, 5), g = Widen((p >> 5) & 63, 6), b = Widen(p & 31, 5); break;
        default:
          r = static_cast<uint8_t>(p >> 16), g = static_cast<uint8_t>(p >> 8), b = static_cast<uint8_t>(p);
          break;
      }
      rgb.push_back(r);
      rgb.push_back(g);
      rgb.push_back(b);
    }
  }
  return rgb;
}

std::vector<uint8_t> EncodeRgbaPng(const std::vector<uint8_t>& rgba, int width, int height) {
  if (width <= 0 || height <= 0) throw KuzoError("cannot encode an empty image");
  std::vector<uint8_t> out;
  if (!Encode(rgba, width, height, out, 4)) throw KuzoError("PNG encoding failed");
  return out;
}

std::vector<uint8_t> EncodePng(const TCustomDIBX& surface) {
  const std::vector<uint8_t> rgb = SurfaceToRgb(surface);
  std::vector<uint8_t> out;
  if (!Encode(rgb, surface.Width(), surface.Height(), out)) throw KuzoError("PNG encoding failed");
  return out;
}

void WritePngFile(const TCustomDIBX& surface, const std::filesystem::path& path) {
  const std::vector<uint8_t> bytes = EncodePng(surface);
  std::filesystem::path temp = path;
  temp += ".tmp";
  {
    std::ofstream f(temp, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    f.flush();
    if (!f) {
      std::error_code ignored;
      std::filesystem::remove(temp, ignored);
      throw KuzoError(Format("cannot write %s", path.string().c_str()));
    }
  }
  std::error_code ec;
  std::filesystem::rename(temp, path, ec);
  if (ec) {
    std::filesystem::remove(temp, ec);
    throw KuzoError(Format("cannot write %s", path.string().c_str()));
  }
}

}  // namespace kuzo
