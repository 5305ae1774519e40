// SSE2 row kernels (4 pixels a step at 32 bits, 8 at 16 bits). SSE2 is part of every x86-64 processor, so this set needs no
// feature test there.
#include "graphics/blend_simd.h"

#if KUZO_BLEND_X86
#include <emmintrin.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace kuzo {
namespace {

struct Sse2 {
  using V = __m128i;
  static constexpr bool kPartial = false;  // no masked loads and stores
  static constexpr int kPixels = 4;
  // Keeps a loaded vector in its register. Left alone, the compiler folds one load into every
  // instruction that uses the value, reading the same line up to four times; beyond the caches
  // those repeated reads cost about a third of a blend's time.
  static V InRegister(V v) {
    asm("" : "+v"(v));
    return v;
  }
  static V Load(const uint8_t* p) { return InRegister(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))); }
  static void Store(uint8_t* p, V v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
  // Four pixels that end at p + 12, in reverse order (mirrored source).
  static V LoadReversed(const uint8_t* p) { return _mm_shuffle_epi32(Load(p), 0x1B); }
  // Four mask bytes, one a pixel lane, each in both 16-bit halves of its lane.
  static V LoadMask(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return Widen(v);
  }
  static V LoadMaskReversed(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return Widen(__builtin_bswap32(v));
  }
  static V Widen(uint32_t v) {
    const V words = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(v)), _mm_setzero_si128());
    return _mm_unpacklo_epi16(words, words);
  }
  static V Zero() { return _mm_setzero_si128(); }
  static V Set32(uint32_t v) { return _mm_set1_epi32(static_cast<int>(v)); }
  static V Set16(int16_t v) { return _mm_set1_epi16(v); }
  static V Mul16(V a, V b) { return _mm_mullo_epi16(a, b); }
  static V Add16(V a, V b) { return _mm_add_epi16(a, b); }
  static V Sub16(V a, V b) { return _mm_sub_epi16(a, b); }
  static V Srli16_8(V a) { return _mm_srli_epi16(a, 8); }
  static V And(V a, V b) { return _mm_and_si128(a, b); }
  static V AndNot(V a, V b) { return _mm_andnot_si128(a, b); }  // ~a & b
  static V OrAnd(V a, V b, V c) { return Or(a, And(b, c)); }  // a | (b & c)
  static V Or(V a, V b) { return _mm_or_si128(a, b); }
  static V Choose(V keep, V d, V r) { return Or(And(keep, d), AndNot(keep, r)); }
  // Comparisons give vectors of all-ones or all-zero lanes.
  static V MaskOr(V a, V b) { return Or(a, b); }
  static V MaskAndNot(V a, V b) { return AndNot(a, b); }
  static V CmpEq32(V a, V b) { return _mm_cmpeq_epi32(a, b); }
  static V AddsU8(V a, V b) { return _mm_adds_epu8(a, b); }
  static V SubsU8(V a, V b) { return _mm_subs_epu8(a, b); }
  // 16-bit pixels
  static constexpr int kPixels16 = 8;
  static V LoadMask16(const uint8_t* p) {
    return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), _mm_setzero_si128());
  }
  static V LoadReversed16(const uint8_t* p) {
    return _mm_shufflehi_epi16(_mm_shufflelo_epi16(_mm_shuffle_epi32(Load(p), 0x4E), 0x1B), 0x1B);
  }
  static V LoadMask16Reversed(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return _mm_unpacklo_epi8(_mm_cvtsi64_si128(static_cast<long long>(__builtin_bswap64(v))), _mm_setzero_si128());
  }
  static V Srl16(V a, int n) { return _mm_srl_epi16(a, _mm_cvtsi32_si128(n)); }
  static V Sll16(V a, int n) { return _mm_sll_epi16(a, _mm_cvtsi32_si128(n)); }
  static V Min16(V a, V b) { return _mm_min_epi16(a, b); }
  static V CmpEq16(V a, V b) { return _mm_cmpeq_epi16(a, b); }
  static V SubsU16(V a, V b) { return _mm_subs_epu16(a, b); }
};

#include "graphics/blend_simd_rows.h"
#include "graphics/blend_simd_rows16.h"

}  // namespace

void InstallSse2Kernels(BlendKernels& kernels) {
  Install32<Sse2>(kernels);
  Install16<Sse2>(kernels);
}

}  // namespace kuzo
#endif
