// Fuzzes the PNG reader with small load limits: any bytes either decode or raise FormatError.
#include <string>

#include "core/errors.h"
#include "fuzz/fuzz_input.h"
#include "graphics/image_formats/image_file.h"
#include "graphics/png_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kuzo::ImageLimits limits;
  limits.maxFrameBytes = 4 << 20;
  kuzo::TDrelFrameList list;
  try {
    kuzo::LoadPngImage(list, {data, size}, "fuzz.png", limits);
    if (list.Count() != 1) __builtin_trap();
    kuzo::FrameToRgba(list[0]);
  } catch (const kuzo::FormatError&) {
  }
  return 0;
}

std::vector<std::string> KuzoFuzzSeeds() {
  std::vector<uint8_t> rgba(5 * 3 * 4);
  for (size_t i = 0; i < rgba.size(); ++i) rgba[i] = static_cast<uint8_t>(i * 37);
  const std::vector<uint8_t> png = kuzo::EncodeRgbaPng(rgba, 5, 3);
  return {std::string(png.begin(), png.end())};
}
