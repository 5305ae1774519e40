// AVX-512 loop of the column twist (sixteen columns a vector), compiled for AVX-512 only inside
// this file and called only when the processor has it. Lane masks pick each column's row without
// blends, and masked loads touch only the rows the columns ask for; the columns before the first
// cache line and after the last whole group make groups of fewer lanes.
#include "transitions/wipe_rows.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <type_traits>

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

namespace kuzo::wipe {
namespace {

using W = __m512i;

// Rows apart within which masked row loads beat a gather.
constexpr uint32_t kNearRows = 7;

// The sixteen columns j .. j + 15 of the run at row y, of which the lanes in `valid` exist (all
// of them unless kPartial); returns their pixels, black outside the strips. Offsets within a
// picture (row * pitch + column bytes) fit 32 bits.
template <bool kPartial>
W TwistGroup(int32_t y, int j, __mmask16 valid, const TwistColumns& c) {
  const W zero = _mm512_setzero_si512();
  const auto load = [valid](const int32_t* p) {
    if constexpr (kPartial) return _mm512_maskz_loadu_epi32(valid, p);
    return _mm512_loadu_si512(p);
  };
  // Lanes inside their strips: 0 <= y - margin < rows, one unsigned comparison.
  const W r = _mm512_sub_epi32(_mm512_set1_epi32(y), load(c.margin + j));
  const __mmask16 inside = static_cast<__mmask16>(_mm512_cmplt_epu32_mask(r, load(c.rows + j)) & valid);
  if (inside == 0) return zero;  // all sixteen columns black at this row
  // r * step < 2^31 inside the strips; the other lanes are never used.
  const W sy = _mm512_srli_epi32(_mm512_mullo_epi32(r, load(c.step + j)), 16);
  __mmask16 fromLanes = 0;
  if (c.allSide >= 0) {
    fromLanes = c.allSide != 0 ? inside : 0;
  } else {
    const W side = load(c.side + j);
    fromLanes = static_cast<__mmask16>(_mm512_test_epi32_mask(side, side) & inside);
  }
  const W offset = load(c.offset + j);
  const bool oneSide = fromLanes == 0 || fromLanes == inside;
  const auto neighbours = [&] {
    const W lanes4 = _mm512_setr_epi32(0, 4, 8, 12, 16, 20, 24, 28, 32, 36, 40, 44, 48, 52, 56, 60);
    const W neighbour = _mm512_add_epi32(_mm512_set1_epi32(c.offset[j]), lanes4);
    return c.neighbours || _mm512_mask_cmpeq_epi32_mask(valid, offset, neighbour) == valid;
  };
  if (oneSide && neighbours()) {
    // Neighbouring columns of one picture reading rows at most kNearRows apart: one masked
    // contiguous load per row, each lane loading only from the row it asked for.
    const uint32_t low = _mm512_mask_reduce_min_epu32(inside, sy);
    const uint32_t high = _mm512_mask_reduce_max_epu32(inside, sy);
    if (high - low <= kNearRows) {
      // Always four or kNearRows + 1 loads, so that the loop has no branch that depends on the
      // rows; rows past the highest have empty masks and read nothing (masked loads do not touch
      // memory for lanes that are off, so the address may lie past the picture).
      const auto p = reinterpret_cast<uintptr_t>((fromLanes != 0 ? c.from : c.to) + c.offset[j]);
      const ptrdiff_t pitch = fromLanes != 0 ? c.fromPitch : c.toPitch;
      const W rel = _mm512_sub_epi32(sy, _mm512_set1_epi32(static_cast<int32_t>(low)));
      const auto rowsFromLow = [&](auto loads) {
        W out = zero;
        for (uint32_t k = 0; k < decltype(loads)::value; ++k) {
          const __mmask16 take = _mm512_mask_cmpeq_epi32_mask(inside, rel, _mm512_set1_epi32(static_cast<int32_t>(k)));
          const uintptr_t at = p + static_cast<uintptr_t>((static_cast<ptrdiff_t>(low) + k) * pitch);
          out = _mm512_mask_loadu_epi32(out, take, reinterpret_cast<const void*>(at));
        }
        return out;
      };
      return high - low < 4 ? rowsFromLow(std::integral_constant<uint32_t, 4>{})
                            : rowsFromLow(std::integral_constant<uint32_t, kNearRows + 1>{});
    }
  }
  const __mmask16 toLanes = static_cast<__mmask16>(inside & ~fromLanes);
  W out = zero;
  if (fromLanes != 0) {
    const W index = _mm512_add_epi32(_mm512_mullo_epi32(sy, _mm512_set1_epi32(static_cast<int32_t>(c.fromPitch))), offset);
    out = _mm512_mask_i32gather_epi32(out, fromLanes, index, c.from, 1);
  }
  if (toLanes != 0) {
    const W index = _mm512_add_epi32(_mm512_mullo_epi32(sy, _mm512_set1_epi32(static_cast<int32_t>(c.toPitch))), offset);
    out = _mm512_mask_i32gather_epi32(out, toLanes, index, c.to, 1);
  }
  return out;
}

}  // namespace

void TwistRow32Avx512(uint8_t* dst, int32_t y, int count, const TwistColumns& c) {
  const bool fits = c.fromPitch > -(int64_t{1} << 20) && c.fromPitch < (int64_t{1} << 20) &&
                    c.toPitch > -(int64_t{1} << 20) && c.toPitch < (int64_t{1} << 20);
  if (!fits) return TwistRow32Plain(dst, y, count, c);
  const auto lanes = [](int n) { return static_cast<__mmask16>((1u << n) - 1); };
  int j = 0;
  // The columns up to the first whose pixels start a cache line in the outgoing picture make a
  // group of their own: from there on every load of sixteen neighbours reads one line, not two
  // (the rows of both pictures start on cache lines when their pitch allows).
  const auto address = reinterpret_cast<uintptr_t>(c.from + c.offset[0]);
  const int head = std::min(count, address % 4 == 0 ? static_cast<int>((64 - address % 64) % 64 / 4) : 0);
  if (head > 0) {
    _mm512_mask_storeu_epi32(dst, lanes(head), TwistGroup<true>(y, 0, lanes(head), c));
    j = head;
  }
  // With streaming on, groups whose pixels start a cache line of the destination too are written
  // past the caches (whole lines, so nothing is read first).
  const bool stream = StreamingRowsOn() && (reinterpret_cast<uintptr_t>(dst + 4 * j) % 64) == 0;
  for (; j + 16 <= count; j += 16) {
    const W out = TwistGroup<false>(y, j, 0xFFFF, c);
    if (stream) {
      _mm512_stream_si512(reinterpret_cast<W*>(dst + 4 * j), out);
    } else {
      _mm512_storeu_si512(dst + 4 * j, out);
    }
  }
  if (stream) _mm_sfence();
  if (j < count) _mm512_mask_storeu_epi32(dst + 4 * j, lanes(count - j), TwistGroup<true>(y, j, lanes(count - j), c));
}

}  // namespace kuzo::wipe

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC diagnostic pop
#pragma GCC pop_options
#endif
#endif
