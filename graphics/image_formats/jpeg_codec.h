// JPEG through libjpeg-turbo: whole-buffer decoding to 8-bit RGB with errors turned into FormatError,
// and encoding of RGB rows (Drel kind-2 colour data).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kuzo {

struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;  // top row first, R, G, B
};

// Raises FormatError naming `source` for corrupt data or a picture above `maxBytes` of RGB output.
// A truncated picture decodes partly (libjpeg fills the missing rows grey) and is returned.
RgbImage DecodeJpegRgb(std::span<const uint8_t> data, std::string_view source, int64_t maxBytes);
std::string EncodeJpegRgb(const RgbImage& image, int quality);

}  // namespace kuzo
