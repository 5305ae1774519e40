// AVX2 loops of the stretch and walk row kernels (eight pixels a vector), compiled for AVX2 only
// inside this file and called only when the processor has it. Each ends with the plain loop on its tail.
#include "transitions/wipe_stretch_rows.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

#include "transitions/wipe_avx2.h"

namespace kuzo::wipe {

namespace {

// Lane i of a where bit `bit` of lane i of idx is clear, of b where it is set.
template <int bit>
inline __m256i ByBit(__m256i a, __m256i b, __m256i idx) {
  return _mm256_castps_si256(_mm256_blendv_ps(_mm256_castsi256_ps(a), _mm256_castsi256_ps(b),
                                              _mm256_castsi256_ps(_mm256_slli_epi32(idx, 31 - bit))));
}

inline __m256i Load8(const int* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }

// The pixels of row at the eight columns c (every one in 0 .. width - 1). Where the columns lie
// within 8, 16 or 32 neighbouring pixels from base, kept inside the row, those are loaded and
// permuted (the permute reads the low three bits of each index, the higher bits choose the
// vector); otherwise the pixels are gathered one by one.
inline __m256i PickFromRow(const int* row, __m256i c, int32_t width) {
  const int32_t low = std::min(_mm256_cvtsi256_si32(c), _mm256_extract_epi32(c, 7));
  for (int32_t span = 8; span <= 32 && span <= width; span *= 2) {
    const int32_t base = std::min(low, width - span);
    const __m256i idx = _mm256_sub_epi32(c, _mm256_set1_epi32(base));
    if (!_mm256_testz_si256(idx, _mm256_set1_epi32(~(span - 1)))) continue;
    const int* p = row + base;
    const __m256i a = _mm256_permutevar8x32_epi32(Load8(p), idx);
    if (span == 8) return a;
    const __m256i ab = ByBit<3>(a, _mm256_permutevar8x32_epi32(Load8(p + 8), idx), idx);
    if (span == 16) return ab;
    const __m256i cd = ByBit<3>(_mm256_permutevar8x32_epi32(Load8(p + 16), idx),
                                _mm256_permutevar8x32_epi32(Load8(p + 24), idx), idx);
    return ByBit<4>(ab, cd, idx);
  }
  return _mm256_i32gather_epi32(row, c, 4);
}

// The pixels of row at the eight columns c, known to lie within `span` (8, 16 or 32) neighbouring
// pixels from low, the least of them, with span <= width: PickFromRow without its tests.
template <int32_t span>
inline __m256i PickWithin(const int* row, __m256i c, int32_t low, int32_t width) {
  const int32_t base = std::min(low, width - span);
  const __m256i idx = _mm256_sub_epi32(c, _mm256_set1_epi32(base));
  const int* p = row + base;
  const __m256i a = _mm256_permutevar8x32_epi32(Load8(p), idx);
  if constexpr (span == 8) return a;
  const __m256i ab = ByBit<3>(a, _mm256_permutevar8x32_epi32(Load8(p + 8), idx), idx);
  if constexpr (span == 16) return ab;
  const __m256i cd = ByBit<3>(_mm256_permutevar8x32_epi32(Load8(p + 16), idx),
                              _mm256_permutevar8x32_epi32(Load8(p + 24), idx), idx);
  return ByBit<4>(ab, cd, idx);
}

}  // namespace

void StretchRow32Avx2(uint8_t* dst, const uint8_t* src, const int32_t* columns, int count, int32_t srcWidth) {
  int i = 0;
  const auto* pixels = reinterpret_cast<const int*>(src);
  for (; i + 8 <= count; i += 8) {
    const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(columns + i));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 4 * i), PickFromRow(pixels, c, srcWidth));
  }
  StretchRow32Plain(dst + 4 * i, src, columns + i, count - i, srcWidth);
}

namespace {

// The whole steps of eight points of a narrow walk (every point inside the picture): put(i, pixels)
// receives the pixels of points i .. i + 7. Returns the number of points taken.
template <class Put>
inline int WalkSteps(const SourceWalk& walk, int count, Put put) {
  int i = 0;
  if (!walk.narrow || count < 8) return 0;
  // Every point of a whole step lies inside the picture, so its u and v (below 2^31) and its
  // offset in pixels (v >> 16) * (pitch / 4) + (u >> 16) are exact in 32-bit lanes; the lanes
  // step by 8 * uStep, wrapping modulo 2^32 on the way to values that fit again.
  const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  const auto u32 = static_cast<int32_t>(walk.u), v32 = static_cast<int32_t>(walk.v);
  const auto uStep = static_cast<uint32_t>(walk.uStep), vStep = static_cast<uint32_t>(walk.vStep);
  __m256i u = _mm256_add_epi32(_mm256_set1_epi32(u32), _mm256_mullo_epi32(lane, _mm256_set1_epi32(static_cast<int>(uStep))));
  __m256i v = _mm256_add_epi32(_mm256_set1_epi32(v32), _mm256_mullo_epi32(lane, _mm256_set1_epi32(static_cast<int>(vStep))));
  const __m256i u8 = _mm256_set1_epi32(static_cast<int>(uStep * 8u)), v8 = _mm256_set1_epi32(static_cast<int>(vStep * 8u));
  const __m256i rowPixels = _mm256_set1_epi32(static_cast<int>(walk.pitch / 4));
  const auto* pixels = reinterpret_cast<const int*>(walk.base);
  // The source lines of the points ahead (lanes 0 and 7 of each step, which bound the step's
  // columns and rows), asked for while this step waits on its own; an address outside the
  // picture is only a hint and is never read. Only for walks along a row or across rows at a
  // shallow slope (at least kShallow points a row): their rows ahead lie in lines this row does
  // not touch and in no pattern the hardware follows. Steep walks share their lines with the rows
  // around them.
  constexpr int64_t kShallow = 8;
  const bool ahead = (walk.uAhead != 0 || walk.vAhead != 0) && std::abs(walk.vStep) * kShallow <= 65536;
  int64_t uA = walk.u + walk.uAhead, vA = walk.v + walk.vAhead;
  const int64_t uA8 = 8 * walk.uStep, vA8 = 8 * walk.vStep, uA7 = 7 * walk.uStep, vA7 = 7 * walk.vStep;
  const auto prefetch = [&] {
    if (!ahead) return;
    const auto at = [&](int64_t uu, int64_t vv) {
      return reinterpret_cast<const char*>(reinterpret_cast<uintptr_t>(walk.base) +
                                           static_cast<uintptr_t>((vv >> 16) * walk.pitch + (uu >> 16) * 4));
    };
    _mm_prefetch(at(uA, vA), _MM_HINT_T0);
    _mm_prefetch(at(uA + uA7, vA + vA7), _MM_HINT_T0);
    uA += uA8;
    vA += vA8;
  };
  if (walk.vStep == 0) {
    // Along one row (drawing without a turn): the row's pixels are picked as by the stretch. The
    // eight columns of a step lie within (7 * |uStep| >> 16) + 2 neighbouring pixels, so the
    // span that holds them is known for the whole row and the least column is the first or the
    // last lane's, followed in a scalar.
    const auto* row = reinterpret_cast<const int*>(walk.base + (walk.v >> 16) * walk.pitch);
    const int64_t pixelsSpanned = ((7 * std::abs(walk.uStep)) >> 16) + 2;
    const auto along = [&]<int32_t span>() {
      int64_t first = walk.u;
      const int64_t toLast = 7 * walk.uStep, next = 8 * walk.uStep;
      for (; i + 8 <= count; i += 8, first += next) {
        prefetch();
        const auto low = static_cast<int32_t>(std::min(first, first + toLast) >> 16);
        put(i, PickWithin<span>(row, _mm256_srai_epi32(u, 16), low, walk.width));
        u = _mm256_add_epi32(u, u8);
      }
    };
    if (pixelsSpanned <= 8 && walk.width >= 8) {
      along.template operator()<8>();
    } else if (pixelsSpanned <= 16 && walk.width >= 16) {
      along.template operator()<16>();
    } else if (pixelsSpanned <= 32 && walk.width >= 32) {
      along.template operator()<32>();
    } else {
      for (; i + 8 <= count; i += 8) {
        prefetch();
        put(i, PickFromRow(row, _mm256_srai_epi32(u, 16), walk.width));
        u = _mm256_add_epi32(u, u8);
      }
    }
  }
  for (; i + 8 <= count; i += 8) {
    prefetch();
    const __m256i at = _mm256_add_epi32(_mm256_mullo_epi32(_mm256_srai_epi32(v, 16), rowPixels), _mm256_srai_epi32(u, 16));
    put(i, _mm256_i32gather_epi32(pixels, at, 4));
    u = _mm256_add_epi32(u, u8);
    v = _mm256_add_epi32(v, v8);
  }
  return i;
}

SourceWalk After(const SourceWalk& walk, int i) {
  SourceWalk rest = walk;
  rest.u += i * walk.uStep;
  rest.v += i * walk.vStep;
  return rest;
}

}  // namespace

void WalkRow32Avx2(uint8_t* dst, const SourceWalk& walk, int count) {
  const int i = WalkSteps(walk, count, [&](int at, __m256i p) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 4 * at), p);
  });
  WalkRow32Plain(dst + 4 * i, After(walk, i), count - i);
}

void WalkOverRow32Avx2(uint8_t* dst, const uint8_t* under, const SourceWalk& walk, int count, int opacity) {
  int i = 0;
  if (opacity >= 255) {
    i = WalkSteps(walk, count, [&](int at, __m256i p) {
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 4 * at), p);
    });
  } else {
    const __m256i q = _mm256_set1_epi8(static_cast<char>(opacity));
    const __m256i colour = _mm256_set1_epi32(0x00FFFFFF);
    i = WalkSteps(walk, count, [&](int at, __m256i p) {
      const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(under + 4 * at));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 4 * at), _mm256_and_si256(avx2::Mix8(b, p, q), colour));
    });
  }
  WalkOverRow32Plain(dst + 4 * i, under + 4 * i, After(walk, i), count - i, opacity);
}

}  // namespace kuzo::wipe

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

#endif
