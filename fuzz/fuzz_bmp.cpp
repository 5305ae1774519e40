// Fuzzes the bitmap reader with small load limits: any bytes either decode or raise FormatError.
#include <string>

#include "core/byte_reader.h"
#include "core/errors.h"
#include "fuzz/fuzz_input.h"
#include "graphics/image_formats/image_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kuzo::ImageLimits limits;
  limits.maxFrameBytes = 4 << 20;
  kuzo::TDrelFrameList list;
  try {
    kuzo::LoadBmpImage(list, {data, size}, "fuzz.bmp", limits);
    if (list.Count() != 1) __builtin_trap();
    kuzo::FrameToRgba(list[0]);
  } catch (const kuzo::FormatError&) {
  }
  return 0;
}

namespace {

// A bitmap of `bits` bits, 3 x 2, with the given compression and pixel bytes.
std::string Bitmap(uint16_t bits, uint32_t compression, uint32_t colours, const std::string& extra, const std::string& pixels) {
  kuzo::ByteWriter w;
  const uint32_t offset = 14 + 40 + static_cast<uint32_t>(extra.size());
  w.Bytes("BM", 2);
  w.U32(offset + static_cast<uint32_t>(pixels.size()));
  w.U32(0);
  w.U32(offset);
  w.U32(40);
  w.I32(3);
  w.I32(2);
  w.U16(1);
  w.U16(bits);
  w.U32(compression);
  w.U32(0);
  w.U32(0);
  w.U32(0);
  w.U32(colours);
  w.U32(0);
  w.Bytes(extra);
  w.Bytes(pixels);
  return w.Take();
}

}  // namespace

std::vector<std::string> KuzoFuzzSeeds() {
  const std::string palette("\0\0\0\0\xFF\xFF\xFF\0\0\0\xFF\0", 12);
  const std::string masks("\0\xF8\0\0\xE0\x07\0\0\x1F\0\0\0", 12);
  return {Bitmap(24, 0, 0, "", std::string(24, '\x40')), Bitmap(8, 0, 3, palette, std::string(8, '\1')),
          Bitmap(8, 1, 3, palette, std::string("\x03\x02\x00\x00\x00\x03\x01\x02\x00\x00\x01\x00\x00\x01", 14)),
          Bitmap(4, 2, 3, palette, std::string("\x03\x12\x00\x02\x01\x00\x00\x01", 8)),
          Bitmap(16, 3, 0, masks, std::string(16, '\x5A')), Bitmap(32, 0, 0, "", std::string(24, '\x80'))};
}
