// Builds the grey-level tables; each channel takes the top bits of v.
#include "graphics/grey_tables.h"

namespace kuzo {

GreyTables BuildGreyTables(int frameDepth) {
  GreyTables t;
  const bool rgb555 = frameDepth == 15;
  for (uint32_t v = 0; v < 256; ++v) {
    const uint32_t five = v >> 3, six = v >> 2;
    t.GreyPixel16[v] = static_cast<uint16_t>(rgb555 ? (five << 10 | five << 5 | five) : (five << 11 | six << 5 | five));
    t.GreyPixel32[v] = v * 0x010101u;
  }
  return t;
}

}  // namespace kuzo
