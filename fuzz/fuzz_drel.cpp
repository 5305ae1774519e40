// Fuzzes the Drel reader with small load limits: any bytes either decode or raise FormatError; a
// decoded file writes and reads back to the same pixels.
#include <string>

#include "core/errors.h"
#include "fuzz/fuzz_input.h"
#include "graphics/image_formats/image_file.h"
#include "tests/graphics/image_formats/drel_builder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kuzo::ImageLimits limits;
  limits.maxFrameBytes = 4 << 20;
  limits.maxTotalBytes = 16 << 20;
  // The first byte picks the image key, so shuffled files are read with and without one.
  const int32_t key = size > 0 && data[0] % 2 == 1 ? 7 : 0;
  kuzo::TDrelFrameList list(key);
  try {
    kuzo::LoadDrelImage(list, {data, size}, "fuzz.drl", false, limits);
  } catch (const kuzo::FormatError&) {
    return 0;
  }
  const std::string written = kuzo::SaveDrelImage(list, kuzo::DrelKind::kDeflate, 70);
  kuzo::TDrelFrameList back(key);
  kuzo::LoadDrelImage(back, {reinterpret_cast<const uint8_t*>(written.data()), written.size()}, "again.drl", false);
  if (back.Count() != list.Count()) __builtin_trap();
  for (int i = 0; i < list.Count(); ++i) {
    if (kuzo::FrameToRgba(back[i]) != kuzo::FrameToRgba(list[i])) __builtin_trap();
  }
  return 0;
}

std::vector<std::string> KuzoFuzzSeeds() {
  using namespace kuzo::testing;
  DrelFileSpec rows;
  DrelFrameSpec frame;
  frame.width = 3, frame.height = 2, frame.bits = 24, frame.key = 5;
  DrelLayerSpec base{true, -1, 255, 1, PadRows({Bgr({1, 2, 3}), Bgr({4, 5, 6})}), PadRows({Bytes({0, 9, 255}), Bytes({1, 2, 3})})};
  DrelLayerSpec top{true, 2, 100, 0, PadRows({Bgr({7, 2, 9}), Bgr({1, 1, 1})}), ""};
  frame.layers = {base, top};
  frame.regionsA = {0, 0, 1, 1};
  rows.frames = {frame, frame};
  DrelFileSpec shuffled = rows;
  shuffled.shuffled = true;
  DrelFileSpec blocks;
  blocks.blockWidth = 2, blocks.blockHeight = 1;
  DrelFrameSpec small;
  small.width = 3, small.height = 1, small.bits = 8;
  small.palette = {0, 0xFFFFFF, 0xFF0000};
  auto entry = [](int32_t a, int32_t b) {
    kuzo::ByteWriter w;
    w.I32(a);
    w.I32(b);
    return w.Take();
  };
  DrelLayerSpec blockLayer{true, -1, 255, 0, entry(-1, 0) + entry(-2, 0) + Bytes({1, 2}), ""};
  small.layers = {blockLayer};
  DrelFrameSpec later = small;
  later.layers = {DrelLayerSpec{true, -1, 255, 0, entry(0, 0) + entry(-1, 0) + Bytes({2}), ""}};
  blocks.frames = {small, later};
  DrelFileSpec old;
  old.version = 101;
  old.kind = 0;
  return {BuildDrel(rows), BuildDrel(shuffled), BuildDrel(blocks), BuildDrel(old)};
}
