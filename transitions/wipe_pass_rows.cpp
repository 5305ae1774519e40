// The plain and SSE2 loops of the passage kernels and the choice of the fast loops.
#include "transitions/wipe_pass_rows.h"

#include <algorithm>

#include "transitions/wipe_rows.h"
#include "transitions/wipe_surface_ops.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kuzo::wipe {

void RulePassRow32(uint8_t* dst, const uint8_t* from, const uint8_t* to, const uint8_t* rule, int count, int shift,
                   bool darken) {
#if defined(__x86_64__) || defined(__i386__)
  if (Avx2RowsAvailable()) return RulePassRow32Avx2(dst, from, to, rule, count, shift, darken);
#endif
  RulePassRow32Sse2(dst, from, to, rule, count, shift, darken);
}

namespace {

// One pixel at its level 0..511: below 256 the outgoing pixel with grey level, from 256 the
// incoming one with grey 511 - level, added (or with darken taken away) byte by byte.
inline void PassPixel(uint8_t* dst, const uint8_t* from, const uint8_t* to, int level, bool darken) {
  const uint32_t src = Load<PixelFormat::kRgb32>(level < 256 ? from : to);
  const uint32_t grey = static_cast<uint32_t>(level < 256 ? level : 511 - level) * 0x010101u;
  Store<PixelFormat::kRgb32>(dst, darken ? SubSatBytes(src, grey) : AddSatBytes(src, grey));
}

#if defined(__SSE2__)
// Eight pixels at their levels (0..511 in 16-bit lanes): the grey value of each (level or
// 511 - level, 0..255) spread to (v, v, v, 0), and the picture chosen by level > 255 for each half
// of four pixels, reading only the picture a half needs when all of it takes one.
inline void PassEight(uint8_t* dst, const uint8_t* from, const uint8_t* to, __m128i lv, bool darken) {
  const __m128i c511 = _mm_set1_epi16(511);
  const __m128i useTo = _mm_cmpgt_epi16(lv, _mm_set1_epi16(255));
  const __m128i v = _mm_or_si128(_mm_and_si128(useTo, _mm_sub_epi16(c511, lv)), _mm_andnot_si128(useTo, lv));
  const __m128i vb = _mm_packus_epi16(v, v);  // v0 .. v7 as bytes
  const __m128i vv = _mm_unpacklo_epi8(vb, vb);  // words v*0x0101
  const __m128i g[2] = {_mm_unpacklo_epi16(vv, v), _mm_unpackhi_epi16(vv, v)};  // (v, v, v, 0)
  const __m128i to32[2] = {_mm_unpacklo_epi16(useTo, useTo), _mm_unpackhi_epi16(useTo, useTo)};
  for (int h = 0; h < 2; ++h) {
    const auto* f = reinterpret_cast<const __m128i*>(from + 16 * h);
    const auto* t = reinterpret_cast<const __m128i*>(to + 16 * h);
    const int which = _mm_movemask_epi8(to32[h]);
    __m128i src;
    if (which == 0) {
      src = _mm_loadu_si128(f);
    } else if (which == 0xFFFF) {
      src = _mm_loadu_si128(t);
    } else {
      src = _mm_or_si128(_mm_and_si128(to32[h], _mm_loadu_si128(t)), _mm_andnot_si128(to32[h], _mm_loadu_si128(f)));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 16 * h), darken ? _mm_subs_epu8(src, g[h]) : _mm_adds_epu8(src, g[h]));
  }
}
#endif

}  // namespace

void RulePassRow32Plain(uint8_t* dst, const uint8_t* from, const uint8_t* to, const uint8_t* rule, int count,
                        int shift, bool darken) {
  for (int i = 0; i < count; ++i) PassPixel(dst + 4 * i, from + 4 * i, to + 4 * i, std::clamp(rule[i] + shift, 0, 511), darken);
}

void RulePassRow32Sse2(uint8_t* dst, const uint8_t* from, const uint8_t* to, const uint8_t* rule, int count,
                       int shift, bool darken) {
  int i = 0;
#if defined(__SSE2__)
  // Eight pixels a step, the levels in 16-bit lanes (rule + shift lies in -256 .. 766).
  const __m128i zero = _mm_setzero_si128();
  const __m128i shiftV = _mm_set1_epi16(static_cast<int16_t>(shift));
  const __m128i c511 = _mm_set1_epi16(511);
  for (; i + 8 <= count; i += 8) {
    const __m128i r = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(rule + i)), zero);
    PassEight(dst + 4 * i, from + 4 * i, to + 4 * i, _mm_min_epi16(_mm_max_epi16(_mm_add_epi16(r, shiftV), zero), c511),
              darken);
  }
#endif
  RulePassRow32Plain(dst + 4 * i, from + 4 * i, to + 4 * i, rule + i, count - i, shift, darken);
}

void SpotPassRow32(uint8_t* dst, const uint8_t* from, const uint8_t* to, const uint16_t* distance, int count, int g) {
#if defined(__x86_64__) || defined(__i386__)
  if (Avx2RowsAvailable()) return SpotPassRow32Avx2(dst, from, to, distance, count, g);
#endif
  SpotPassRow32Sse2(dst, from, to, distance, count, g);
}

void SpotPassRow32Plain(uint8_t* dst, const uint8_t* from, const uint8_t* to, const uint16_t* distance, int count,
                        int g) {
  for (int i = 0; i < count; ++i) PassPixel(dst + 4 * i, from + 4 * i, to + 4 * i, std::clamp(g - distance[i], 0, 511), false);
}

void SpotPassRow32Sse2(uint8_t* dst, const uint8_t* from, const uint8_t* to, const uint16_t* distance, int count,
                       int g) {
  int i = 0;
#if defined(__SSE2__)
  // Eight pixels a step: g - distance lies in -32767 .. 32767, exact in 16-bit lanes.
  const __m128i zero = _mm_setzero_si128();
  const __m128i gv = _mm_set1_epi16(static_cast<int16_t>(g));
  const __m128i c511 = _mm_set1_epi16(511);
  for (; i + 8 <= count; i += 8) {
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(distance + i));
    PassEight(dst + 4 * i, from + 4 * i, to + 4 * i, _mm_min_epi16(_mm_max_epi16(_mm_sub_epi16(gv, d), zero), c511), false);
  }
#endif
  SpotPassRow32Plain(dst + 4 * i, from + 4 * i, to + 4 * i, distance + i, count - i, g);
}

}  // namespace kuzo::wipe
