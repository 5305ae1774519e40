// Reading what a headless player run leaves behind, for tests that run whole titles: whole files,
// shell-quoted paths and screenshots decoded to 0xRRGGBB pixels.
#pragma once

#include <png.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace kuzo::testing {

inline std::string Slurp(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

inline std::string Quote(const std::filesystem::path& p) { return "'" + p.string() + "'"; }

// A decoded screenshot as 0xRRGGBB values, row-major; empty when it could not be read.
struct Picture {
  int width = 0, height = 0;
  std::vector<uint32_t> rgb;
  uint32_t At(int x, int y) const { return rgb[static_cast<size_t>(y) * width + x]; }
};

inline Picture ReadPng(const std::filesystem::path& file) {
  Picture out;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, file.string().c_str())) return out;
  image.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> bytes(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, bytes.data(), 0, nullptr)) {
    png_image_free(&image);
    return out;
  }
  out.width = static_cast<int>(image.width);
  out.height = static_cast<int>(image.height);
  out.rgb.reserve(bytes.size() / 3);
  for (size_t i = 0; i + 2 < bytes.size(); i += 3)
    out.rgb.push_back((uint32_t{bytes[i]} << 16) | (uint32_t{bytes[i + 1]} << 8) | bytes[i + 2]);
  return out;
}

}  // namespace kuzo::testing
