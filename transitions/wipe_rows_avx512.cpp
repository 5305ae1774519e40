// AVX-512 loop of the column twist (sixteen columns a vector), compiled for AVX-512 only inside
// this file and called only when the processor has it. Lane masks pick each column's row without
// blends, and masked loads touch only the rows the columns ask for. Ends with the plain loop.
#include "transitions/wipe_rows.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

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

void TwistRow32Avx512(uint8_t* dst, int32_t y, int count, const TwistColumns& c) {
  using W = __m512i;
  int j = 0;
  // Offsets within a picture (row * pitch + column bytes) fit 32 bits.
  const bool fits = c.fromPitch > -(int64_t{1} << 20) && c.fromPitch < (int64_t{1} << 20) &&
                    c.toPitch > -(int64_t{1} << 20) && c.toPitch < (int64_t{1} << 20);
  if (fits && count >= 32) {
    // Columns up to the first whose pixels start a cache line in the outgoing picture go
    // through the AVX2 loop: from there on every load of sixteen neighbours reads one line, not
    // two (the rows of both pictures start on cache lines when their pitch allows).
    const auto address = reinterpret_cast<uintptr_t>(c.from + c.offset[0]);
    if (address % 4 == 0) j = static_cast<int>((64 - address % 64) % 64 / 4);
    if (j > 0) TwistRow32Avx2(dst, y, j, c);
  }
  // With streaming on, groups whose pixels start a cache line of the destination too are written
  // past the caches (whole lines, so nothing is read first).
  const bool stream = fits && StreamingRowsOn() && (reinterpret_cast<uintptr_t>(dst + 4 * j) % 64) == 0;
  const auto put = [stream](uint8_t* d, W v) {
    if (stream) {
      _mm512_stream_si512(reinterpret_cast<W*>(d), v);
    } else {
      _mm512_storeu_si512(d, v);
    }
  };
  if (fits) {
    const W yv = _mm512_set1_epi32(y);
    const W zero = _mm512_setzero_si512();
    const W fromPitch = _mm512_set1_epi32(static_cast<int32_t>(c.fromPitch));
    const W toPitch = _mm512_set1_epi32(static_cast<int32_t>(c.toPitch));
    const W lanes4 = _mm512_setr_epi32(0, 4, 8, 12, 16, 20, 24, 28, 32, 36, 40, 44, 48, 52, 56, 60);
    // Rows apart within which masked row loads beat a gather.
    constexpr uint32_t kNearRows = 7;
    for (; j + 16 <= count; j += 16) {
      uint8_t* d = dst + 4 * j;
      // Lanes inside their strips: 0 <= y - margin < rows, one unsigned comparison.
      const W r = _mm512_sub_epi32(yv, _mm512_loadu_si512(c.margin + j));
      const __mmask16 inside = _mm512_cmplt_epu32_mask(r, _mm512_loadu_si512(c.rows + j));
      if (inside == 0) {  // all sixteen columns black at this row
        put(d, zero);
        continue;
      }
      // r * step < 2^31 inside the strips; the other lanes are never used.
      const W sy = _mm512_srli_epi32(_mm512_mullo_epi32(r, _mm512_loadu_si512(c.step + j)), 16);
      const W side = _mm512_loadu_si512(c.side + j);
      const __mmask16 fromLanes = static_cast<__mmask16>(_mm512_test_epi32_mask(side, side) & inside);
      const W offset = _mm512_loadu_si512(c.offset + j);
      const bool oneSide = fromLanes == 0 || fromLanes == inside;
      if (oneSide && _mm512_cmpeq_epi32_mask(offset, _mm512_add_epi32(_mm512_set1_epi32(c.offset[j]), lanes4)) == 0xFFFF) {
        // Neighbouring columns of one picture reading rows at most kNearRows apart: one masked
        // contiguous load per row, each lane loading only from the row it asked for.
        const uint32_t low = _mm512_mask_reduce_min_epu32(inside, sy);
        const uint32_t high = _mm512_mask_reduce_max_epu32(inside, sy);
        if (high - low <= kNearRows) {
          // Always four or kNearRows + 1 loads, so that the loop has no branch that depends on the rows;
          // rows past the highest have empty masks and read nothing (masked loads do not touch
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
          const W out = high - low < 4 ? rowsFromLow(std::integral_constant<uint32_t, 4>{})
                                       : rowsFromLow(std::integral_constant<uint32_t, kNearRows + 1>{});
          put(d, out);
          continue;
        }
      }
      const __mmask16 toLanes = static_cast<__mmask16>(inside & ~fromLanes);
      W out = zero;
      if (fromLanes != 0) {
        out = _mm512_mask_i32gather_epi32(out, fromLanes, _mm512_add_epi32(_mm512_mullo_epi32(sy, fromPitch), offset), c.from, 1);
      }
      if (toLanes != 0) {
        out = _mm512_mask_i32gather_epi32(out, toLanes, _mm512_add_epi32(_mm512_mullo_epi32(sy, toPitch), offset), c.to, 1);
      }
      put(d, out);
    }
    if (stream) _mm_sfence();
  }
  TwistColumns rest = c;
  rest.margin += j, rest.rows += j, rest.step += j, rest.side += j, rest.offset += j;
  TwistRow32Plain(dst + 4 * j, y, count - j, rest);
}

}  // namespace kuzo::wipe

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC diagnostic pop
#pragma GCC pop_options
#endif
#endif
