// Choosing an image reader: by the lower-cased file extension for named files, by the leading
// bytes for streams.
#include "graphics/image_formats/image_file.h"

#include <algorithm>
#include <cstring>

#include "graphics/image_formats/drel_format.h"
#include "graphics/image_formats/jpeg_codec.h"

namespace kuzo {
namespace {

constexpr std::string_view kBmpSignature = "BM";
constexpr std::string_view kPngSignature = "PNG";  // at offset 1, after the 0x89 byte
constexpr uint8_t kJpegSignature[] = {0xFF, 0xD8, 0xFF};

bool HasAt(std::span<const uint8_t> data, size_t offset, const void* bytes, size_t size) {
  return data.size() >= offset + size && std::memcmp(data.data() + offset, bytes, size) == 0;
}

std::string LowerExtension(std::string_view name) {
  const size_t dot = name.find_last_of('.');
  const size_t slash = name.find_last_of("\\/");
  if (dot == std::string_view::npos || (slash != std::string_view::npos && slash > dot)) return {};
  std::string ext(name.substr(dot));
  std::transform(ext.begin(), ext.end(), ext.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; });
  return ext;
}

void Load(ImageFormat format, TDrelFrameList& list, std::span<const uint8_t> data, std::string_view source,
          bool firstFrameOnly, const ImageLimits& limits) {
  switch (format) {
    case ImageFormat::kDrel: LoadDrelImage(list, data, source, firstFrameOnly, limits); break;
    case ImageFormat::kPng: LoadPngImage(list, data, source, limits); break;
    case ImageFormat::kBmp: LoadBmpImage(list, data, source, limits); break;
    case ImageFormat::kJpeg: LoadJpegImage(list, data, source, limits); break;
    case ImageFormat::kNone: list.Clear(); break;
  }
}

}  // namespace

const char* ImageFormatName(ImageFormat format) {
  switch (format) {
    case ImageFormat::kDrel: return "drel";
    case ImageFormat::kPng: return "png";
    case ImageFormat::kBmp: return "bmp";
    case ImageFormat::kJpeg: return "jpeg";
    case ImageFormat::kNone: break;
  }
  return "";
}

ImageFormat FormatFromExtension(std::string_view fileName) {
  const std::string ext = LowerExtension(fileName);
  if (ext == ".drl") return ImageFormat::kDrel;
  if (ext == ".png") return ImageFormat::kPng;
  if (ext == ".bmp" || ext == ".dib") return ImageFormat::kBmp;
  if (ext == ".jpg" || ext == ".jpeg") return ImageFormat::kJpeg;
  return ImageFormat::kNone;
}

ImageFormat FormatFromSignature(std::span<const uint8_t> data) {
  if (HasAt(data, 0, kBmpSignature.data(), kBmpSignature.size())) return ImageFormat::kBmp;
  if (HasAt(data, 1, kPngSignature.data(), kPngSignature.size())) return ImageFormat::kPng;
  if (HasAt(data, 0, kDrelMagic.data(), kDrelMagic.size())) return ImageFormat::kDrel;
  if (HasAt(data, 0, kJpegSignature, sizeof kJpegSignature)) return ImageFormat::kJpeg;
  return ImageFormat::kNone;
}

ImageFormat LoadImageFile(TDrelFrameList& list, std::string_view fileName, std::span<const uint8_t> data,
                          bool firstFrameOnly, const ImageLimits& limits) {
  const ImageFormat format = FormatFromExtension(fileName);
  Load(format, list, data, fileName, firstFrameOnly, limits);
  return format;
}

ImageFormat LoadImageStream(TDrelFrameList& list, std::span<const uint8_t> data, std::string_view source,
                            bool firstFrameOnly, const ImageLimits& limits) {
  const ImageFormat format = FormatFromSignature(data);
  Load(format, list, data, source, firstFrameOnly, limits);
  return format;
}

bool LoadSurfaceFromStream(TCustomDIBX& surface, std::span<const uint8_t> data, int32_t imageKey,
                           std::string_view source) {
  TDrelFrameList list(imageKey);
  if (LoadImageStream(list, data, source, true) == ImageFormat::kNone || list.Count() == 0) return false;
  ConvertFrameToSurface(list[0], surface);
  return true;
}

void LoadJpegImage(TDrelFrameList& list, std::span<const uint8_t> data, std::string_view source,
                   const ImageLimits& limits) {
  list.Clear();
  const RgbImage rgb = DecodeJpegRgb(data, source, std::min(limits.maxFrameBytes, limits.maxTotalBytes));
  TDrelFrame& frame = list.Add();
  frame.Image.SetSize(rgb.width, rgb.height, 24);
  for (int y = 0; y < rgb.height; ++y) {
    const uint8_t* s = rgb.rgb.data() + static_cast<size_t>(y) * static_cast<size_t>(rgb.width) * 3;
    uint8_t* d = frame.Image.Lock(0, y);
    for (int x = 0; x < rgb.width; ++x, s += 3, d += 3) d[0] = s[2], d[1] = s[1], d[2] = s[0];
  }
}

}  // namespace kuzo
