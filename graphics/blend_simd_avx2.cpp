// AVX2 row kernels (8 pixels a step at 32 bits, 16 at 16 bits), compiled for AVX2 only inside this file and chosen at run
// time when the processor reports the feature.
#include "graphics/blend_simd.h"

#if KUZO_BLEND_X86
#include <immintrin.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

namespace kuzo {
namespace {

struct Avx2 {
  using V = __m256i;
  static constexpr bool kPartial = false;  // no masked loads and stores
  static constexpr int kPixels = 8;
  // Keeps a loaded vector in its register. Left alone, the compiler folds one load into every
  // instruction that uses the value, reading the same line up to four times; beyond the caches
  // those repeated reads cost about a third of a blend's time.
  static V InRegister(V v) {
    asm("" : "+v"(v));
    return v;
  }
  static V Load(const uint8_t* p) { return InRegister(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p))); }
  static void Store(uint8_t* p, V v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }
  static V LoadReversed(const uint8_t* p) {
    return _mm256_permutevar8x32_epi32(Load(p), _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0));
  }
  // Eight mask bytes, one a pixel lane, each in both 16-bit halves of its lane.
  static V LoadMask(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return Widen(v);
  }
  static V LoadMaskReversed(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return Widen(__builtin_bswap64(v));
  }
  static V Widen(uint64_t v) {
    const V lanes = _mm256_cvtepu8_epi32(_mm_cvtsi64_si128(static_cast<long long>(v)));
    return _mm256_or_si256(lanes, _mm256_slli_epi32(lanes, 16));
  }
  static V Zero() { return _mm256_setzero_si256(); }
  static V Set32(uint32_t v) { return _mm256_set1_epi32(static_cast<int>(v)); }
  static V Set16(int16_t v) { return _mm256_set1_epi16(v); }
  static V Mul16(V a, V b) { return _mm256_mullo_epi16(a, b); }
  static V Add16(V a, V b) { return _mm256_add_epi16(a, b); }
  static V Sub16(V a, V b) { return _mm256_sub_epi16(a, b); }
  static V Srli16_8(V a) { return _mm256_srli_epi16(a, 8); }
  static V And(V a, V b) { return _mm256_and_si256(a, b); }
  static V AndNot(V a, V b) { return _mm256_andnot_si256(a, b); }  // ~a & b
  static V OrAnd(V a, V b, V c) { return Or(a, And(b, c)); }  // a | (b & c)
  static V Or(V a, V b) { return _mm256_or_si256(a, b); }
  static V Choose(V keep, V d, V r) { return _mm256_blendv_epi8(r, d, keep); }
  // Comparisons give vectors of all-ones or all-zero lanes.
  static V MaskOr(V a, V b) { return Or(a, b); }
  static V MaskAndNot(V a, V b) { return AndNot(a, b); }
  static V CmpEq32(V a, V b) { return _mm256_cmpeq_epi32(a, b); }
  static V AddsU8(V a, V b) { return _mm256_adds_epu8(a, b); }
  static V SubsU8(V a, V b) { return _mm256_subs_epu8(a, b); }
  // 16-bit pixels
  static constexpr int kPixels16 = 16;
  static V LoadMask16(const uint8_t* p) {
    return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
  }
  static V LoadReversed16(const uint8_t* p) {
    const V quads = _mm256_permute4x64_epi64(Load(p), 0x1B);  // 64-bit groups in reverse order
    return _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(quads, 0x1B), 0x1B);
  }
  static V LoadMask16Reversed(const uint8_t* p) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i reverse = _mm_setr_epi8(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
    return _mm256_cvtepu8_epi16(_mm_shuffle_epi8(bytes, reverse));
  }
  static V Srl16(V a, int n) { return _mm256_srl_epi16(a, _mm_cvtsi32_si128(n)); }
  static V Sll16(V a, int n) { return _mm256_sll_epi16(a, _mm_cvtsi32_si128(n)); }
  static V Min16(V a, V b) { return _mm256_min_epi16(a, b); }
  static V CmpEq16(V a, V b) { return _mm256_cmpeq_epi16(a, b); }
  static V SubsU16(V a, V b) { return _mm256_subs_epu16(a, b); }
};

#include "graphics/blend_simd_rows.h"
#include "graphics/blend_simd_rows16.h"

}  // namespace

void InstallAvx2Kernels(BlendKernels& kernels) {
  Install32<Avx2>(kernels);
  Install16<Avx2>(kernels);
}

}  // namespace kuzo

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
#endif
