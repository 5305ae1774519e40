// Grey-level tables: the native pixel of the grey (v, v, v) for v = 0..255 in the frame surface's
// 16-bit format and in 8-8-8, used by the transitions that add or subtract a grey.
#pragma once

#include <array>
#include <cstdint>

namespace kuzo {

struct GreyTables {
  std::array<uint16_t, 256> GreyPixel16{};  // 5-5-5 for a 15-bit frame, else 5-6-5
  std::array<uint32_t, 256> GreyPixel32{};  // v * 0x010101
};

// frameDepth: the screen's frame surface depth (15, 16 or 32).
GreyTables BuildGreyTables(int frameDepth);

}  // namespace kuzo
