// AVX2 loops of the passage kernels (eight pixels a vector), compiled for AVX2 only inside this
// file and called only when the processor has it. Each ends with the plain loop on its tail.
#include "transitions/wipe_pass_rows.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

#include "transitions/wipe_avx2.h"

namespace kuzo::wipe {

namespace {

// Eight pixels at their levels (0..511 in 32-bit lanes): the picture chosen by level > 255, read
// alone when all eight take it, and the grey (v, v, v, 0) of v = level or 511 - level.
template <bool kStream>
inline void PassEight(uint8_t* dst, const uint8_t* from, const uint8_t* to, __m256i lv, bool darken) {
  const __m256i c511 = _mm256_set1_epi32(511);
  const __m256i useTo = _mm256_cmpgt_epi32(lv, _mm256_set1_epi32(255));
  const unsigned which = static_cast<unsigned>(_mm256_movemask_epi8(useTo));
  const __m256i v = _mm256_blendv_epi8(lv, _mm256_sub_epi32(c511, lv), useTo);
  const __m256i g = _mm256_or_si256(v, _mm256_or_si256(_mm256_slli_epi32(v, 8), _mm256_slli_epi32(v, 16)));
  __m256i src;
  if (which == 0) {
    src = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from));
  } else if (which == 0xFFFFFFFFu) {
    src = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(to));
  } else {
    src = _mm256_blendv_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(from)),
                             _mm256_loadu_si256(reinterpret_cast<const __m256i*>(to)), useTo);
  }
  avx2::PutV<kStream>(dst, darken ? _mm256_subs_epu8(src, g) : _mm256_adds_epu8(src, g));
}

}  // namespace

void RulePassRow32Avx2(uint8_t* dst, const uint8_t* from, const uint8_t* to, const uint8_t* rule, int count,
                       int shift, bool darken) {
  const auto loop = [&](auto stream, int start, int n) {
    const __m256i shiftV = _mm256_set1_epi32(shift);
    const __m256i zero = _mm256_setzero_si256();
    const __m256i c511 = _mm256_set1_epi32(511);
    int i = 0;
    for (; i + 8 <= n; i += 8) {
      const int at = start + i;
      const __m256i r = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(rule + at)));
      PassEight<decltype(stream)::value>(dst + 4 * at, from + 4 * at, to + 4 * at,
                                         _mm256_min_epi32(_mm256_max_epi32(_mm256_add_epi32(r, shiftV), zero), c511), darken);
    }
    return i;
  };
  avx2::Streamed(dst, count, loop, [&](int start, int n) {
    RulePassRow32Plain(dst + 4 * start, from + 4 * start, to + 4 * start, rule + start, n, shift, darken);
  });
}

void SpotPassRow32Avx2(uint8_t* dst, const uint8_t* from, const uint8_t* to, const uint16_t* distance, int count,
                       int g) {
  const auto loop = [&](auto stream, int start, int n) {
    const __m256i gv = _mm256_set1_epi32(g);
    const __m256i zero = _mm256_setzero_si256();
    const __m256i c511 = _mm256_set1_epi32(511);
    int i = 0;
    for (; i + 8 <= n; i += 8) {
      const int at = start + i;
      const __m256i d = _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(distance + at)));
      PassEight<decltype(stream)::value>(dst + 4 * at, from + 4 * at, to + 4 * at,
                                         _mm256_min_epi32(_mm256_max_epi32(_mm256_sub_epi32(gv, d), zero), c511), false);
    }
    return i;
  };
  avx2::Streamed(dst, count, loop, [&](int start, int n) {
    SpotPassRow32Plain(dst + 4 * start, from + 4 * start, to + 4 * start, distance + start, n, g);
  });
}

}  // namespace kuzo::wipe

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

#endif
