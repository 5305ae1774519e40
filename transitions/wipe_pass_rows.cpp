// The plain and SSE2 loops of the rule passage kernel and the choice of the fast loop.
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

void RulePassRow32Plain(uint8_t* dst, const uint8_t* from, const uint8_t* to, const uint8_t* rule, int count,
                        int shift, bool darken) {
  for (int i = 0; i < count; ++i) {
    const int level = std::clamp(rule[i] + shift, 0, 511);
    const uint32_t src = Load<PixelFormat::kRgb32>((level < 256 ? from : to) + 4 * i);
    const uint32_t grey = static_cast<uint32_t>(level < 256 ? level : 511 - level) * 0x010101u;
    Store<PixelFormat::kRgb32>(dst + 4 * i, darken ? SubSatBytes(src, grey) : AddSatBytes(src, grey));
  }
}

void RulePassRow32Sse2(uint8_t* dst, const uint8_t* from, const uint8_t* to, const uint8_t* rule, int count,
                       int shift, bool darken) {
  int i = 0;
#if defined(__SSE2__)
  // Eight pixels a step: the levels in 16-bit lanes (rule + shift lies in -256 .. 766), clamped,
  // the grey value of each (level or 511 - level, 0 .. 255) spread to (v, v, v, 0); then the
  // picture chosen by level > 255 for each half of four pixels.
  const __m128i zero = _mm_setzero_si128();
  const __m128i shiftV = _mm_set1_epi16(static_cast<int16_t>(shift));
  const __m128i c255 = _mm_set1_epi16(255);
  const __m128i c511 = _mm_set1_epi16(511);
  const auto load = [](const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
  // The four pixels of the half: from where the mask is 0, to where it is all ones.
  const auto pick = [&](const uint8_t* f, const uint8_t* t, __m128i useTo) {
    const int which = _mm_movemask_epi8(useTo);
    if (which == 0) return load(f);
    if (which == 0xFFFF) return load(t);
    return _mm_or_si128(_mm_and_si128(useTo, load(t)), _mm_andnot_si128(useTo, load(f)));
  };
  for (; i + 8 <= count; i += 8) {
    const __m128i r = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(rule + i)), zero);
    const __m128i lv = _mm_min_epi16(_mm_max_epi16(_mm_add_epi16(r, shiftV), zero), c511);
    const __m128i useTo = _mm_cmpgt_epi16(lv, c255);
    const __m128i v = _mm_or_si128(_mm_and_si128(useTo, _mm_sub_epi16(c511, lv)), _mm_andnot_si128(useTo, lv));
    const __m128i vb = _mm_packus_epi16(v, v);                 // v0 .. v7 as bytes
    const __m128i vv = _mm_unpacklo_epi8(vb, vb);              // words v*0x0101
    const __m128i gLo = _mm_unpacklo_epi16(vv, v), gHi = _mm_unpackhi_epi16(vv, v);  // (v, v, v, 0)
    const __m128i srcLo = pick(from + 4 * i, to + 4 * i, _mm_unpacklo_epi16(useTo, useTo));
    const __m128i srcHi = pick(from + 4 * i + 16, to + 4 * i + 16, _mm_unpackhi_epi16(useTo, useTo));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * i), darken ? _mm_subs_epu8(srcLo, gLo) : _mm_adds_epu8(srcLo, gLo));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * i + 16),
                     darken ? _mm_subs_epu8(srcHi, gHi) : _mm_adds_epu8(srcHi, gHi));
  }
#endif
  RulePassRow32Plain(dst + 4 * i, from + 4 * i, to + 4 * i, rule + i, count - i, shift, darken);
}

}  // namespace kuzo::wipe
