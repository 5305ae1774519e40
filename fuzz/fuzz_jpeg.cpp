// Fuzzes the JPEG reader with small load limits: any bytes either decode (perhaps partly) or raise
// FormatError.
#include <string>

#include "core/errors.h"
#include "fuzz/fuzz_input.h"
#include "graphics/image_formats/image_file.h"
#include "graphics/image_formats/jpeg_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kuzo::ImageLimits limits;
  limits.maxFrameBytes = 4 << 20;
  kuzo::TDrelFrameList list;
  try {
    kuzo::LoadJpegImage(list, {data, size}, "fuzz.jpg", limits);
    if (list.Count() != 1) __builtin_trap();
  } catch (const kuzo::FormatError&) {
  }
  return 0;
}

std::vector<std::string> KuzoFuzzSeeds() {
  kuzo::RgbImage image;
  image.width = 9, image.height = 5;
  image.rgb.resize(9 * 5 * 3);
  for (size_t i = 0; i < image.rgb.size(); ++i) image.rgb[i] = static_cast<uint8_t>(i * 11);
  return {kuzo::EncodeJpegRgb(image, 80), kuzo::EncodeJpegRgb(image, 20)};
}
