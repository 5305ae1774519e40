// Fuzzing of rule images as the player reads them from the game data: the first byte picks the
// file name's extension, the rest is the file. A decoded rule must hold one grey level per pixel;
// anything else must be refused as absent (the sanitizers watch the readers underneath).
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "graphics/dibx.h"
#include "graphics/image_formats/image_file.h"
#include "graphics/png_writer.h"
#include "transitions/rule_images.h"

namespace {

constexpr const char* kNames[] = {"rule.png", "RULE.BMP", "rule.drl", "rule.jpg", "rule.txt", "rule"};
constexpr size_t kNameCount = sizeof(kNames) / sizeof(kNames[0]);

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string name = kNames[data[0] % kNameCount];
  std::string why;
  auto rule = kuzo::DecodeRuleImage(name, {data + 1, size - 1}, &why);
  if (rule) {
    if (rule->width <= 0 || rule->height <= 0) std::abort();
    if (rule->grey.size() != static_cast<size_t>(rule->width) * static_cast<size_t>(rule->height)) std::abort();
  } else if (why.empty()) {
    std::abort();  // a refusal always says why
  }
  return 0;
}

std::vector<std::string> KuzoFuzzSeeds() {
  // A small gradient as PNG and as a Drel file, each behind its extension's selector byte.
  kuzo::TDIBX picture(6, 4, 32);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) picture.SetPixel(x, y, static_cast<uint32_t>(x * 40 + y * 10) * 0x010101u);
  const std::vector<uint8_t> png = kuzo::EncodePng(picture);
  kuzo::TDrelFrameList list;
  kuzo::TDrelFrame& frame = list.Add();
  frame.Image.SetSize(6, 4, 24);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) frame.Image.SetPixel(x, y, static_cast<uint32_t>(x * 40) * 0x010101u);
  return {std::string(1, '\0') + std::string(png.begin(), png.end()), std::string(1, '\2') + kuzo::SaveDrelImage(list, kuzo::DrelKind::kDeflate)};
}
