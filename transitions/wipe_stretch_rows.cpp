// The plain loops of the stretch and walk row kernels and the choice of the fast loops.
#include "transitions/wipe_stretch_rows.h"

#include <algorithm>
#include <cstring>

#include "transitions/wipe_rows.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kuzo::wipe {

void StretchRow32(uint8_t* dst, const uint8_t* src, const int32_t* columns, int count, int32_t srcWidth) {
#if defined(__x86_64__) || defined(__i386__)
  if (Avx2RowsAvailable()) return StretchRow32Avx2(dst, src, columns, count, srcWidth);
#endif
  StretchRow32Sse2(dst, src, columns, count, srcWidth);
}

void StretchRow32Sse2(uint8_t* dst, const uint8_t* src, const int32_t* columns, int count, int32_t srcWidth) {
  int i = 0;
#if defined(__SSE2__)
  for (; i + 4 <= count; i += 4) {
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(columns + i));
    const int32_t first = columns[i];
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(c, _mm_set1_epi32(first))) == 0xFFFF) {
      uint32_t p;
      std::memcpy(&p, src + 4 * static_cast<ptrdiff_t>(first), 4);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * i), _mm_set1_epi32(static_cast<int>(p)));
    } else {
      StretchRow32Plain(dst + 4 * i, src, columns + i, 4, srcWidth);
    }
  }
#endif
  StretchRow32Plain(dst + 4 * i, src, columns + i, count - i, srcWidth);
}

void StretchRow32Plain(uint8_t* dst, const uint8_t* src, const int32_t* columns, int count, int32_t /*srcWidth*/) {
  for (int i = 0; i < count; ++i) std::memcpy(dst + 4 * i, src + 4 * static_cast<ptrdiff_t>(columns[i]), 4);
}

void WalkRow32(uint8_t* dst, const SourceWalk& walk, int count) {
#if defined(__x86_64__) || defined(__i386__)
  if (Avx2RowsAvailable()) return WalkRow32Avx2(dst, walk, count);
#endif
  WalkRow32Plain(dst, walk, count);
}

void WalkRow32Plain(uint8_t* dst, const SourceWalk& walk, int count) {
  // The walk held in locals: stores to dst could otherwise alias it and force reloads.
  const uint8_t* const base = walk.base;
  const ptrdiff_t pitch = walk.pitch;
  const int64_t uStep = walk.uStep, vStep = walk.vStep;
  int64_t u = walk.u, v = walk.v;
  for (int i = 0; i < count; ++i, u += uStep, v += vStep) {
    std::memcpy(dst + 4 * i, base + (v >> 16) * pitch + (u >> 16) * 4, 4);
  }
}

void WalkOverRow32(uint8_t* dst, const uint8_t* under, const SourceWalk& walk, int count, int opacity) {
#if defined(__x86_64__) || defined(__i386__)
  if (Avx2RowsAvailable()) return WalkOverRow32Avx2(dst, under, walk, count, opacity);
#endif
  WalkOverRow32Sse2(dst, under, walk, count, opacity);
}

void WalkOverRow32Sse2(uint8_t* dst, const uint8_t* under, const SourceWalk& walk, int count, int opacity) {
  if (opacity >= 255) return WalkRow32Plain(dst, walk, count);
  // Pieces small enough to stay in the first-level cache between the walk and the blend.
  constexpr int kPiece = 256;
  uint8_t walked[4 * kPiece];
  SourceWalk piece = walk;
  for (int i = 0; i < count; i += kPiece) {
    const int n = std::min(kPiece, count - i);
    WalkRow32Plain(walked, piece, n);
    if (under != dst) std::memcpy(dst + 4 * i, under + 4 * i, 4 * static_cast<size_t>(n));
    BlendRow32Sse2(dst + 4 * i, walked, n, opacity);  // d = (d*(255-a) + s*a) >> 8, fourth byte 0
    piece.u += n * walk.uStep;
    piece.v += n * walk.vStep;
  }
}

void WalkOverRow32Plain(uint8_t* dst, const uint8_t* under, const SourceWalk& walk, int count, int opacity) {
  const uint8_t* const base = walk.base;
  const ptrdiff_t pitch = walk.pitch;
  const int64_t uStep = walk.uStep, vStep = walk.vStep;
  const uint32_t a = static_cast<uint32_t>(opacity);
  int64_t u = walk.u, v = walk.v;
  for (int i = 0; i < count; ++i, u += uStep, v += vStep) {
    const uint8_t* s = base + (v >> 16) * pitch + (u >> 16) * 4;
    uint8_t* d = dst + 4 * i;
    if (opacity >= 255) {
      std::memcpy(d, s, 4);
      continue;
    }
    const uint8_t* b = under + 4 * i;
    uint8_t out[4];
    for (int c = 0; c < 3; ++c) out[c] = static_cast<uint8_t>((b[c] * (255 - a) + s[c] * a) >> 8);  // (u*(255-a) + s*a) >> 8
    out[3] = 0;
    std::memcpy(d, out, 4);
  }
}

}  // namespace kuzo::wipe
