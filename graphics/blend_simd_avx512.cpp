// AVX-512 row kernels (16 pixels a step at 32 bits, 32 at 16 bits), compiled for AVX-512 F and BW
// only inside this file and chosen at run time when the processor reports both. Comparisons give
// mask registers; forward 32-bit rows use masked loads and stores for their ends.
#include "graphics/blend_simd.h"

#if KUZO_BLEND_X86
#include <immintrin.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx512f,avx512bw"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx512f,avx512bw")
// GCC 12's 512-bit intrinsics start some results from a deliberately undefined register, which
// its flow analysis reports as a possibly uninitialised read.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

namespace kuzo {
namespace {

struct Avx512 {
  using V = __m512i;
  using M32 = __mmask16;  // one bit per 32-bit lane
  using M16 = __mmask32;  // one bit per 16-bit lane
  static constexpr bool kPartial = true;
  static constexpr int kPixels = 16;
  // Keeps a loaded vector in its register. Left alone, the compiler folds one load into every
  // instruction that uses the value, reading the same line up to four times; beyond the caches
  // those repeated reads cost about a third of a blend's time.
  static V InRegister(V v) {
    asm("" : "+v"(v));
    return v;
  }
  static V Load(const uint8_t* p) { return InRegister(_mm512_loadu_si512(p)); }
  static void Store(uint8_t* p, V v) { _mm512_storeu_si512(p, v); }
  // Sixteen pixels that end at p + 60, in reverse order (mirrored source).
  static V LoadReversed(const uint8_t* p) {
    return _mm512_permutexvar_epi32(_mm512_setr_epi32(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0), Load(p));
  }
  // Sixteen mask bytes, one a pixel lane, each in both 16-bit halves of its lane: the bytes are
  // copied to every 128-bit quarter and one byte shuffle picks each quarter's four.
  static V SpreadMask(__m128i bytes, bool reversed) {
    // Quarter q holds pixels 4q..4q+3; pixel i takes byte i (15 - i when reversed) twice, with
    // zero high bytes (shuffle index 0x80 gives 0).
    alignas(64) static constexpr auto kOrder = [] {
      std::array<std::array<int8_t, 64>, 2> order{};
      for (int i = 0; i < 16; ++i) {
        for (int r = 0; r < 2; ++r) {
          const int8_t byte = static_cast<int8_t>(r == 0 ? i : 15 - i);
          order[r][4 * i] = byte;
          order[r][4 * i + 1] = static_cast<int8_t>(0x80);
          order[r][4 * i + 2] = byte;
          order[r][4 * i + 3] = static_cast<int8_t>(0x80);
        }
      }
      return order;
    }();
    const V order = Load(reinterpret_cast<const uint8_t*>(kOrder[reversed ? 1 : 0].data()));
    return _mm512_shuffle_epi8(_mm512_broadcast_i32x4(bytes), order);
  }
  static V LoadMask(const uint8_t* p) {
    return SpreadMask(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), false);
  }
  static V LoadMaskReversed(const uint8_t* p) {
    return SpreadMask(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), true);
  }
  // The first n (< 16) lanes; the others are neither read nor written by the part operations.
  static M32 FirstLanes32(int n) { return static_cast<M32>((1u << n) - 1); }
  static V LoadPart(const uint8_t* p, M32 k) { return _mm512_maskz_loadu_epi32(k, p); }
  static void StorePart(uint8_t* p, M32 k, V v) { _mm512_mask_storeu_epi32(p, k, v); }
  static V LoadMaskPart(const uint8_t* p, M32 k) {
    return SpreadMask(_mm512_castsi512_si128(_mm512_maskz_loadu_epi8(static_cast<__mmask64>(k), p)), false);
  }
  static V Zero() { return _mm512_setzero_si512(); }
  static V Set32(uint32_t v) { return _mm512_set1_epi32(static_cast<int>(v)); }
  static V Set16(int16_t v) { return _mm512_set1_epi16(v); }
  static V Mul16(V a, V b) { return _mm512_mullo_epi16(a, b); }
  static V Add16(V a, V b) { return _mm512_add_epi16(a, b); }
  static V Sub16(V a, V b) { return _mm512_sub_epi16(a, b); }
  static V Srli16_8(V a) { return _mm512_srli_epi16(a, 8); }
  static V And(V a, V b) { return _mm512_and_si512(a, b); }
  static V AndNot(V a, V b) { return _mm512_andnot_si512(a, b); }  // ~a & b
  static V Or(V a, V b) { return _mm512_or_si512(a, b); }
  // a | (b & c) in one instruction: the truth table of A | (B & C) over A = 0xF0, B = 0xCC, C = 0xAA.
  static V OrAnd(V a, V b, V c) { return _mm512_ternarylogic_epi32(a, b, c, 0xF8); }
  static M32 CmpEq32(V a, V b) { return _mm512_cmpeq_epi32_mask(a, b); }
  static M16 CmpEq16(V a, V b) { return _mm512_cmpeq_epi16_mask(a, b); }
  static M32 MaskOr(M32 a, M32 b) { return static_cast<M32>(a | b); }
  static M16 MaskOr(M16 a, M16 b) { return a | b; }
  static M32 MaskAndNot(M32 a, M32 b) { return static_cast<M32>(~a & b); }
  static V Choose(M32 keep, V d, V r) { return _mm512_mask_mov_epi32(r, keep, d); }
  static V Choose(M16 keep, V d, V r) { return _mm512_mask_mov_epi16(r, keep, d); }
  static V AddsU8(V a, V b) { return _mm512_adds_epu8(a, b); }
  static V SubsU8(V a, V b) { return _mm512_subs_epu8(a, b); }
  // 16-bit pixels
  static constexpr int kPixels16 = 32;
  static V LoadMask16(const uint8_t* p) {
    return _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)));
  }
  static V Reverse16(V v) {
    const V order = _mm512_set_epi16(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21,
                                     22, 23, 24, 25, 26, 27, 28, 29, 30, 31);
    return _mm512_permutexvar_epi16(order, v);
  }
  static V LoadReversed16(const uint8_t* p) { return Reverse16(Load(p)); }
  static V LoadMask16Reversed(const uint8_t* p) { return Reverse16(LoadMask16(p)); }
  static V Srl16(V a, int n) { return _mm512_srl_epi16(a, _mm_cvtsi32_si128(n)); }
  static V Sll16(V a, int n) { return _mm512_sll_epi16(a, _mm_cvtsi32_si128(n)); }
  static V Min16(V a, V b) { return _mm512_min_epi16(a, b); }
  static V SubsU16(V a, V b) { return _mm512_subs_epu16(a, b); }
};

#include "graphics/blend_simd_rows.h"
#include "graphics/blend_simd_rows16.h"

}  // namespace

void InstallAvx512Kernels(BlendKernels& kernels) {
  Install32<Avx512>(kernels);
  Install16<Avx512>(kernels);
}

}  // namespace kuzo

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC diagnostic pop
#pragma GCC pop_options
#endif
#endif
