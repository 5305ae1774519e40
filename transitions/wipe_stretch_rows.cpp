// The plain loop of the stretch row kernel and the choice of the fast loop.
#include "transitions/wipe_stretch_rows.h"

#include <cstring>

#include "transitions/wipe_rows.h"

namespace kuzo::wipe {

void StretchRow32(uint8_t* dst, const uint8_t* src, const int32_t* columns, int count, int32_t srcWidth) {
#if defined(__x86_64__) || defined(__i386__)
  if (Avx2RowsAvailable()) return StretchRow32Avx2(dst, src, columns, count, srcWidth);
#endif
  StretchRow32Plain(dst, src, columns, count, srcWidth);
}

void StretchRow32Plain(uint8_t* dst, const uint8_t* src, const int32_t* columns, int count, int32_t /*srcWidth*/) {
  for (int i = 0; i < count; ++i) std::memcpy(dst + 4 * i, src + 4 * static_cast<ptrdiff_t>(columns[i]), 4);
}

}  // namespace kuzo::wipe
