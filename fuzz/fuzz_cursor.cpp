// Fuzzes the cursor file reader: any bytes either decode or raise FormatError, and a decoded file's
// steps name existing pictures whose pixel buffers match their sizes.
#include <string>

#include "core/errors.h"
#include "fuzz/fuzz_input.h"
#include "graphics/image_formats/cursor_reader.h"
#include "tests/graphics/image_formats/cursor_builder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    const kuzo::CursorSteps c = kuzo::ReadCursorFile({data, size}, "fuzz.ani");
    for (const auto& s : c.steps) {
      if (s.picture < 0 || static_cast<size_t>(s.picture) >= c.pictures.size()) __builtin_trap();
    }
    for (const auto& p : c.pictures) {
      if (p.rgba.size() != static_cast<size_t>(p.width) * static_cast<size_t>(p.height) * 4) __builtin_trap();
    }
    c.StepAt(12345);
  } catch (const kuzo::FormatError&) {
  }
  return 0;
}

std::vector<std::string> KuzoFuzzSeeds() {
  using namespace kuzo::testing;
  const uint32_t pixels[4] = {0xFF112233, 0x80445566, 0, 0xFFFFFFFF};
  const std::string cur = CurFile(CursorBitmap(pixels), 1, 1);
  return {cur, AniFile({cur, cur}, 3, 10, {6, 12, 3}, {1, 0, 1}), AniFile({cur}, 1, 5)};
}
