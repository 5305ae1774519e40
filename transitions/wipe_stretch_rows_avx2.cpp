// AVX2 loop of the stretch row kernel (eight pixels a vector), compiled for AVX2 only inside this
// file and called only when the processor has it. It ends with the plain loop on its tail.
#include "transitions/wipe_stretch_rows.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

#include <algorithm>

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

namespace kuzo::wipe {

void StretchRow32Avx2(uint8_t* dst, const uint8_t* src, const int32_t* columns, int count, int32_t srcWidth) {
  int i = 0;
  const __m256i outside = _mm256_set1_epi32(~7);
  const auto* pixels = reinterpret_cast<const int*>(src);
  for (; i + 8 <= count; i += 8) {
    const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(columns + i));
    // The eight source pixels from base, with base kept inside the row: when every column minus
    // base is in 0..7 the row's pixels are a permutation of them.
    const int32_t base = srcWidth >= 8 ? std::min(columns[i], srcWidth - 8) : 0;
    const __m256i idx = _mm256_sub_epi32(c, _mm256_set1_epi32(base));
    __m256i v;
    if (srcWidth >= 8 && _mm256_testz_si256(idx, outside)) {
      v = _mm256_permutevar8x32_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(pixels + base)), idx);
    } else {
      v = _mm256_i32gather_epi32(pixels, c, 4);
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 4 * i), v);
  }
  StretchRow32Plain(dst + 4 * i, src, columns + i, count - i, srcWidth);
}

}  // namespace kuzo::wipe

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

#endif
