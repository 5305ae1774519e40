// Helpers shared by the transitions' AVX2 kernel files: vector loads, stores and selects, the
// byte mix of two pictures, and the streaming of destination rows. Include it only inside a
// region compiled for AVX2 (after the target pragma of an *_avx2.cpp file).
#pragma once

#include <immintrin.h>

#include <cstdint>
#include <type_traits>

#include "transitions/wipe_rows.h"

namespace kuzo::wipe::avx2 {

using V = __m256i;

inline V LoadV(const uint8_t* p) { return _mm256_loadu_si256(reinterpret_cast<const V*>(p)); }
inline void StoreV(uint8_t* p, V v) { _mm256_storeu_si256(reinterpret_cast<V*>(p), v); }
inline V Select(V sel, V a, V b) { return _mm256_blendv_epi8(b, a, sel); }  // a where sel, else b

// (t*m + f*(255-m)) >> 8 on every byte of eight pixels (m repeated over each pixel's bytes in q),
// computed as 256*f - f + (t-f)*m modulo 2^16, which is exact for results in 0..255*255.
inline V Mix8(V f, V t, V q) {
  const V zero = _mm256_setzero_si256();
  const V fLo = _mm256_unpacklo_epi8(f, zero), fHi = _mm256_unpackhi_epi8(f, zero);
  const V tLo = _mm256_unpacklo_epi8(t, zero), tHi = _mm256_unpackhi_epi8(t, zero);
  const V mLo = _mm256_unpacklo_epi8(q, zero), mHi = _mm256_unpackhi_epi8(q, zero);
  const V lo = _mm256_srli_epi16(_mm256_add_epi16(_mm256_sub_epi16(_mm256_slli_epi16(fLo, 8), fLo),
                                                  _mm256_mullo_epi16(_mm256_sub_epi16(tLo, fLo), mLo)), 8);
  const V hi = _mm256_srli_epi16(_mm256_add_epi16(_mm256_sub_epi16(_mm256_slli_epi16(fHi, 8), fHi),
                                                  _mm256_mullo_epi16(_mm256_sub_epi16(tHi, fHi), mHi)), 8);
  return _mm256_packus_epi16(lo, hi);  // in-lane unpack and pack keep the pixel order
}

// Pixels to write with ordinary stores before dst reaches a 32-byte boundary when this row is
// streamed, or -1 when it is not (streaming off, a short row, or pixels not on 4-byte boundaries).
inline int StreamingHead(const uint8_t* dst, int count) {
  constexpr int kShortestStreamedRow = 64;
  const auto address = reinterpret_cast<uintptr_t>(dst);
  if (count < kShortestStreamedRow || address % 4 != 0 || !StreamingRowsOn()) return -1;
  return static_cast<int>((32 - address % 32) % 32 / 4);
}

template <bool kStream>
inline void PutV(uint8_t* p, V v) {
  if constexpr (kStream) {
    _mm256_stream_si256(reinterpret_cast<V*>(p), v);
  } else {
    StoreV(p, v);
  }
}

// A row kernel in three parts: loop(stream, start, n) writes pixels start .. start + n - 1 eight or
// more at a time and returns how many it wrote, plain(start, n) writes the others. When the row is
// streamed, the pixels up to the 32-byte boundary go to plain first and the loop's stores bypass
// the caches, fenced before the tail so the row is ordered like ordinary stores.
template <class Loop, class Plain>
inline void Streamed(uint8_t* dst, int count, const Loop& loop, const Plain& plain) {
  const int head = StreamingHead(dst, count);
  int done = 0;
  if (head >= 0) {
    plain(0, head);
    done = head + loop(std::true_type{}, head, count - head);
    _mm_sfence();
  } else {
    done = loop(std::false_type{}, 0, count);
  }
  plain(done, count - done);
}

}  // namespace kuzo::wipe::avx2
