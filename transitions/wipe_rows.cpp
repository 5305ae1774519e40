// The 32-bit row kernels of the transitions: plain loops that define the results, and SSE2 loops
// that produce the same bytes 16 or 4 pixels at a time, ending with the plain loop on the tail.
#include "transitions/wipe_rows.h"

#include <algorithm>
#include <cstring>

#include <string_view>

#include "graphics/blend_kernels.h"
#include "graphics/pixel_format.h"
#include "transitions/wipe_surface_ops.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#if defined(__x86_64__) || defined(__i386__)
#define KUZO_WIPE_AVX2 1
#else
#define KUZO_WIPE_AVX2 0
#endif

namespace kuzo::wipe {

bool Avx2RowsAvailable() {
  static const bool available = [] {
    const std::string_view level = FastKernels().name;
    return KUZO_WIPE_AVX2 && (level == "avx2" || level == "avx512");
  }();
  return available;
}

bool Avx512RowsAvailable() {
  static const bool available = KUZO_WIPE_AVX2 && std::string_view(FastKernels().name) == "avx512";
  return available;
}

namespace {

constexpr PixelFormat k32 = PixelFormat::kRgb32;
constexpr uint32_t kColourBytes = 0x00FFFFFFu;

#if defined(__SSE2__)
inline __m128i LoadV(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void StoreV(uint8_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

// Sixteen pixels copied whole.
inline void Copy16Pixels(uint8_t* d, const uint8_t* s) {
  const __m128i a = LoadV(s), b = LoadV(s + 16), c = LoadV(s + 32), e = LoadV(s + 48);
  StoreV(d, a), StoreV(d + 16, b), StoreV(d + 32, c), StoreV(d + 48, e);
}

// The mask bytes of pixels 4g .. 4g + 3 of a 16-byte mask vector, each repeated over its pixel's
// four bytes.
inline void SpreadMask(__m128i m, __m128i out[4]) {
  const __m128i lo = _mm_unpacklo_epi8(m, m), hi = _mm_unpackhi_epi8(m, m);
  out[0] = _mm_unpacklo_epi16(lo, lo), out[1] = _mm_unpackhi_epi16(lo, lo);
  out[2] = _mm_unpacklo_epi16(hi, hi), out[3] = _mm_unpackhi_epi16(hi, hi);
}

// (t*m + f*(255-m)) >> 8 on every byte of four pixels, with m repeated over each pixel's bytes in
// q. In 16-bit lanes t*m + f*(255-m) = 256*f - f + (t-f)*m lies in 0..255*255, so computing it
// modulo 2^16 (one multiply per lane) gives it exactly.
inline __m128i Mix4(__m128i f, __m128i t, __m128i q) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i fLo = _mm_unpacklo_epi8(f, zero), fHi = _mm_unpackhi_epi8(f, zero);
  const __m128i tLo = _mm_unpacklo_epi8(t, zero), tHi = _mm_unpackhi_epi8(t, zero);
  const __m128i mLo = _mm_unpacklo_epi8(q, zero), mHi = _mm_unpackhi_epi8(q, zero);
  const __m128i lo = _mm_srli_epi16(_mm_add_epi16(_mm_sub_epi16(_mm_slli_epi16(fLo, 8), fLo),
                                                  _mm_mullo_epi16(_mm_sub_epi16(tLo, fLo), mLo)), 8);
  const __m128i hi = _mm_srli_epi16(_mm_add_epi16(_mm_sub_epi16(_mm_slli_epi16(fHi, 8), fHi),
                                                  _mm_mullo_epi16(_mm_sub_epi16(tHi, fHi), mHi)), 8);
  return _mm_packus_epi16(lo, hi);
}

// a where sel is all ones, else b.
inline __m128i Select(__m128i sel, __m128i a, __m128i b) { return _mm_or_si128(_mm_and_si128(sel, a), _mm_andnot_si128(sel, b)); }
#endif

}  // namespace

// --- composing through a mask -----------------------------------------------------------------------

void ComposeRow32Plain(uint8_t* dst, const uint8_t* from, const uint8_t* to, const uint8_t* mask, int count,
                       bool hard) {
  for (int i = 0; i < count; ++i) {
    const uint32_t f = Load<k32>(from + 4 * i), t = Load<k32>(to + 4 * i);
    const uint32_t m = mask[i];
    // 0: from; 255 (any non-zero value with a hard edge): to; else (t*m + f*(255-m)) >> 8
    Store<k32>(dst + 4 * i, hard ? (m != 0 ? t : f) : MixPixel<k32>(f, t, m));
  }
}

void ComposeRow32(uint8_t* dst, const uint8_t* from, const uint8_t* to, const uint8_t* mask, int count, bool hard) {
#if KUZO_WIPE_AVX2
  if (Avx2RowsAvailable()) return ComposeRow32Avx2(dst, from, to, mask, count, hard);
#endif
  ComposeRow32Sse2(dst, from, to, mask, count, hard);
}

void ComposeRow32Sse2(uint8_t* dst, const uint8_t* from, const uint8_t* to, const uint8_t* mask, int count, bool hard) {
  int i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i ones = _mm_set1_epi8(static_cast<char>(0xFF));
  // Sixteen pixels a step: a block whose mask is all 0 or all 255 (all non-zero with a hard edge)
  // is a plain copy of one picture; other blocks select or mix four pixels at a time.
  for (; i + 16 <= count; i += 16) {
    const __m128i m = LoadV(mask + i);
    const __m128i isZero = _mm_cmpeq_epi8(m, zero);
    const int zeros = _mm_movemask_epi8(isZero);
    uint8_t* d = dst + 4 * i;
    const uint8_t* f = from + 4 * i;
    const uint8_t* t = to + 4 * i;
    if (zeros == 0xFFFF) {
      Copy16Pixels(d, f);
      continue;
    }
    if (hard) {
      if (zeros == 0) {
        Copy16Pixels(d, t);
        continue;
      }
      __m128i q[4];
      SpreadMask(isZero, q);
      for (int g = 0; g < 4; ++g) StoreV(d + 16 * g, Select(q[g], LoadV(f + 16 * g), LoadV(t + 16 * g)));
      continue;
    }
    const __m128i isFull = _mm_cmpeq_epi8(m, ones);
    if (_mm_movemask_epi8(isFull) == 0xFFFF) {
      Copy16Pixels(d, t);
      continue;
    }
    __m128i q[4];
    SpreadMask(m, q);
    for (int g = 0; g < 4; ++g) {
      const __m128i fv = LoadV(f + 16 * g), tv = LoadV(t + 16 * g);
      // The mix, then the exact ends: mask 0 keeps from, 255 takes to.
      __m128i r = Mix4(fv, tv, q[g]);
      r = Select(_mm_cmpeq_epi8(q[g], zero), fv, r);
      r = Select(_mm_cmpeq_epi8(q[g], ones), tv, r);
      StoreV(d + 16 * g, r);
    }
  }
#endif
  ComposeRow32Plain(dst + 4 * i, from + 4 * i, to + 4 * i, mask + i, count - i, hard);
}

// --- rule masks -------------------------------------------------------------------------------------

void RuleMaskRowPlain(uint8_t* mask, const uint8_t* rule, int count, int shift) {
  for (int i = 0; i < count; ++i) mask[i] = static_cast<uint8_t>(std::clamp(rule[i] + shift, 0, 255));
}

void RuleMaskRow(uint8_t* mask, const uint8_t* rule, int count, int shift) {
  int i = 0;
#if defined(__SSE2__)
  // Rule bytes lie in 0..255, so a shift of -256 gives 0 everywhere just as -255 does.
  const __m128i amount = _mm_set1_epi8(static_cast<char>(std::min(std::abs(shift), 255)));
  if (shift >= 0) {
    for (; i + 16 <= count; i += 16) StoreV(mask + i, _mm_adds_epu8(LoadV(rule + i), amount));
  } else {
    for (; i + 16 <= count; i += 16) StoreV(mask + i, _mm_subs_epu8(LoadV(rule + i), amount));
  }
#endif
  RuleMaskRowPlain(mask + i, rule + i, count - i, shift);
}

// --- streaming rows --------------------------------------------------------------------------------

namespace {
thread_local bool streamingRows = false;
}  // namespace

StreamingRows::StreamingRows(bool on) : previous_(streamingRows) { streamingRows = on; }
StreamingRows::~StreamingRows() { streamingRows = previous_; }
bool StreamingRowsOn() { return streamingRows; }

// --- blending at one opacity ------------------------------------------------------------------------

void BlendRow32Plain(uint8_t* dst, const uint8_t* src, int count, int opacity) {
  const uint32_t a = static_cast<uint32_t>(opacity);
  for (int i = 0; i < count; ++i) {
    // d = (d*(255-a) + s*a) >> 8 per byte; the fourth byte is 0
    Store<k32>(dst + 4 * i, MixPixel<k32>(Load<k32>(dst + 4 * i), Load<k32>(src + 4 * i), a) & kColourBytes);
  }
}

void BlendRow32(uint8_t* dst, const uint8_t* src, int count, int opacity) {
#if KUZO_WIPE_AVX2
  if (Avx2RowsAvailable()) return BlendRow32Avx2(dst, src, count, opacity);
#endif
  BlendRow32Sse2(dst, src, count, opacity);
}

void BlendRow32Sse2(uint8_t* dst, const uint8_t* src, int count, int opacity) {
  int i = 0;
#if defined(__SSE2__)
  if (opacity > 0 && opacity < 255) {
    const __m128i q = _mm_set1_epi8(static_cast<char>(opacity));
    const __m128i colour = _mm_set1_epi32(static_cast<int>(kColourBytes));
    for (; i + 4 <= count; i += 4) {
      StoreV(dst + 4 * i, _mm_and_si128(Mix4(LoadV(dst + 4 * i), LoadV(src + 4 * i), q), colour));
    }
  }
#endif
  BlendRow32Plain(dst + 4 * i, src + 4 * i, count - i, opacity);
}

// --- cross-fade and grey ----------------------------------------------------------------------------

void FadeRow32Plain(uint8_t* dst, const uint8_t* from, const uint8_t* to, int count, int opacity) {
  const uint32_t a = static_cast<uint32_t>(opacity);
  for (int i = 0; i < count; ++i) {
    const uint32_t f = Load<k32>(from + 4 * i), t = Load<k32>(to + 4 * i);
    // equal pixels stay; else (f*(255-a) + t*a) >> 8 per colour byte (at a = 255 too), the fourth
    // byte 0
    Store<k32>(dst + 4 * i, (a == 0 || f == t) ? f : blend::BlendPixel<k32>(f, t, a));
  }
}

void FadeRow32(uint8_t* dst, const uint8_t* from, const uint8_t* to, int count, int opacity) {
#if KUZO_WIPE_AVX2
  if (Avx2RowsAvailable()) return FadeRow32Avx2(dst, from, to, count, opacity);
#endif
  FadeRow32Sse2(dst, from, to, count, opacity);
}

void FadeRow32Sse2(uint8_t* dst, const uint8_t* from, const uint8_t* to, int count, int opacity) {
  int i = 0;
#if defined(__SSE2__)
  if (opacity > 0 && opacity <= 255) {
    const __m128i q = _mm_set1_epi8(static_cast<char>(opacity));
    const __m128i colour = _mm_set1_epi32(static_cast<int>(kColourBytes));
    for (; i + 4 <= count; i += 4) {
      const __m128i f = LoadV(from + 4 * i), t = LoadV(to + 4 * i);
      const __m128i mixed = _mm_and_si128(Mix4(f, t, q), colour);
      StoreV(dst + 4 * i, Select(_mm_cmpeq_epi32(f, t), f, mixed));
    }
  }
#endif
  FadeRow32Plain(dst + 4 * i, from + 4 * i, to + 4 * i, count - i, opacity);
}

void GreyRow32Plain(uint8_t* dst, const uint8_t* src, int count, uint32_t grey, bool subtract) {
  for (int i = 0; i < count; ++i) {
    const uint32_t s = Load<k32>(src + 4 * i);
    Store<k32>(dst + 4 * i, subtract ? SubSatBytes(s, grey) : AddSatBytes(s, grey));
  }
}

void GreyRow32(uint8_t* dst, const uint8_t* src, int count, uint32_t grey, bool subtract) {
  int i = 0;
#if defined(__SSE2__)
  const __m128i g = _mm_set1_epi32(static_cast<int>(grey));
  if (subtract) {
    for (; i + 4 <= count; i += 4) StoreV(dst + 4 * i, _mm_subs_epu8(LoadV(src + 4 * i), g));
  } else {
    for (; i + 4 <= count; i += 4) StoreV(dst + 4 * i, _mm_adds_epu8(LoadV(src + 4 * i), g));
  }
#endif
  GreyRow32Plain(dst + 4 * i, src + 4 * i, count - i, grey, subtract);
}

// --- the spot's passage -----------------------------------------------------------------------------

void SpotRow32Plain(uint8_t* dst, const uint8_t* from, const uint8_t* to, const int32_t* map, int count,
                    int32_t g) {
  for (int i = 0; i < count; ++i) {
    const int64_t v = std::clamp<int64_t>(int64_t{g} - map[i], 0, 511);
    const uint32_t src = Load<k32>((v < 256 ? from : to) + 4 * i);
    const uint32_t grey = static_cast<uint32_t>(v < 256 ? v : 511 - v) * 0x010101u;
    Store<k32>(dst + 4 * i, AddSatBytes(src, grey));
  }
}

void SpotRow32(uint8_t* dst, const uint8_t* from, const uint8_t* to, const int32_t* map, int count, int32_t g) {
#if KUZO_WIPE_AVX2
  if (Avx2RowsAvailable()) return SpotRow32Avx2(dst, from, to, map, count, g);
#endif
  SpotRow32Sse2(dst, from, to, map, count, g);
}

void SpotRow32Sse2(uint8_t* dst, const uint8_t* from, const uint8_t* to, const int32_t* map, int count, int32_t g) {
  int i = 0;
#if defined(__SSE2__)
  // g and the map both lie in 0 .. 2^31 - 1 here, so g - map cannot overflow 32 bits.
  if (g >= 0) {
    const __m128i gv = _mm_set1_epi32(g);
    const __m128i c255 = _mm_set1_epi32(255);
    const __m128i c511 = _mm_set1_epi32(511);
    const __m128i zero = _mm_setzero_si128();
    for (; i + 4 <= count; i += 4) {
      const __m128i mv = LoadV(reinterpret_cast<const uint8_t*>(map + i));
      if (_mm_movemask_epi8(_mm_cmpgt_epi32(zero, mv)) != 0) break;  // a negative map value: plain loop
      __m128i lv = _mm_sub_epi32(gv, mv);
      lv = _mm_andnot_si128(_mm_cmpgt_epi32(zero, lv), lv);  // at least 0
      lv = Select(_mm_cmpgt_epi32(lv, c511), c511, lv);       // at most 511
      const __m128i useTo = _mm_cmpgt_epi32(lv, c255);
      const __m128i v = Select(useTo, _mm_sub_epi32(c511, lv), lv);
      const __m128i grey = _mm_or_si128(v, _mm_or_si128(_mm_slli_epi32(v, 8), _mm_slli_epi32(v, 16)));
      const __m128i src = Select(useTo, LoadV(to + 4 * i), LoadV(from + 4 * i));
      StoreV(dst + 4 * i, _mm_adds_epu8(src, grey));
    }
  }
#endif
  SpotRow32Plain(dst + 4 * i, from + 4 * i, to + 4 * i, map + i, count - i, g);
}

// --- the column twist ------------------------------------------------------------------------------

namespace {

// Column j of the twist at screen row y: its picture's pixel, or black outside its strip.
inline uint32_t TwistPixel(int32_t y, int j, const TwistColumns& c) {
  const uint32_t r = static_cast<uint32_t>(y - c.margin[j]);  // wraps above the strip
  if (r >= static_cast<uint32_t>(c.rows[j])) return 0;
  const int64_t sy = (int64_t{r} * c.step[j]) >> 16;  // the strip's row in the picture
  const uint8_t* src = c.side[j] != 0 ? c.from + sy * c.fromPitch : c.to + sy * c.toPitch;
  return Load<k32>(src + c.offset[j]);
}

}  // namespace

void TwistRow32Plain(uint8_t* dst, int32_t y, int count, const TwistColumns& c) {
  for (int j = 0; j < count; ++j) Store<k32>(dst + 4 * j, TwistPixel(y, j, c));
}

void TwistRow32(uint8_t* dst, int32_t y, int count, const TwistColumns& c) {
#if KUZO_WIPE_AVX2
  if (Avx512RowsAvailable()) return TwistRow32Avx512(dst, y, count, c);
  if (Avx2RowsAvailable()) return TwistRow32Avx2(dst, y, count, c);
#endif
  TwistRow32Sse2(dst, y, count, c);
}

void TwistRow32Sse2(uint8_t* dst, int32_t y, int count, const TwistColumns& c) {
  int j = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i yv = _mm_set1_epi32(y);
  const __m128i lanes4 = _mm_setr_epi32(0, 4, 8, 12);
  alignas(16) int32_t rowOf[4];
  // Four columns a step. Columns that are neighbours in one picture, reading rows at most four
  // apart, take one contiguous load per row, each lane keeping the row it asked for; other steps
  // go pixel by pixel.
  for (; j + 4 <= count; j += 4) {
    const __m128i r = _mm_sub_epi32(yv, LoadV(reinterpret_cast<const uint8_t*>(c.margin + j)));
    const __m128i rows = LoadV(reinterpret_cast<const uint8_t*>(c.rows + j));
    const __m128i inside = _mm_andnot_si128(_mm_cmpgt_epi32(zero, r), _mm_cmpgt_epi32(rows, r));  // 0 <= r < rows
    const int insideBits = _mm_movemask_epi8(inside);
    uint8_t* d = dst + 4 * j;
    if (insideBits == 0) {
      StoreV(d, zero);
      continue;
    }
    const __m128i sideZero = _mm_cmpeq_epi32(LoadV(reinterpret_cast<const uint8_t*>(c.side + j)), zero);
    const int fromBits = _mm_movemask_epi8(_mm_andnot_si128(sideZero, inside));
    const __m128i offset = LoadV(reinterpret_cast<const uint8_t*>(c.offset + j));
    const bool neighbours =
        _mm_movemask_epi8(_mm_cmpeq_epi32(offset, _mm_add_epi32(_mm_set1_epi32(c.offset[j]), lanes4))) == 0xFFFF;
    if ((fromBits == 0 || fromBits == insideBits) && neighbours) {
      // r * step < 2^31 inside the strip: two unsigned 32 x 32 -> 64 multiplies (lanes 0, 2 and
      // lanes 1, 3), each product shifted down by 16 into its lane.
      const __m128i rr = _mm_and_si128(r, inside);
      const __m128i st = LoadV(reinterpret_cast<const uint8_t*>(c.step + j));
      const __m128i even = _mm_srli_epi64(_mm_mul_epu32(rr, st), 16);
      const __m128i odd = _mm_slli_epi64(_mm_srli_epi64(_mm_mul_epu32(_mm_srli_epi64(rr, 32), _mm_srli_epi64(st, 32)), 16), 32);
      const __m128i sy = _mm_or_si128(even, odd);
      _mm_store_si128(reinterpret_cast<__m128i*>(rowOf), sy);
      int32_t low = INT32_MAX, high = 0;
      for (int k = 0; k < 4; ++k) {
        if ((insideBits >> (4 * k)) & 1) low = std::min(low, rowOf[k]), high = std::max(high, rowOf[k]);
      }
      if (high - low <= 3) {
        const bool useFrom = fromBits != 0;
        const uint8_t* p = (useFrom ? c.from : c.to) + c.offset[j];
        const ptrdiff_t pitch = useFrom ? c.fromPitch : c.toPitch;
        __m128i out = zero;
        for (int32_t row = low; row <= high; ++row) {
          out = Select(_mm_and_si128(inside, _mm_cmpeq_epi32(sy, _mm_set1_epi32(row))), LoadV(p + row * pitch), out);
        }
        StoreV(d, out);
        continue;
      }
    }
    for (int k = 0; k < 4; ++k) Store<k32>(d + 4 * k, TwistPixel(y, j + k, c));
  }
#endif
  for (; j < count; ++j) Store<k32>(dst + 4 * j, TwistPixel(y, j, c));
}

// --- the ripple's ring ------------------------------------------------------------------------------

void RippleRing32Plain(const RippleRing& g, int32_t y, int32_t x0, int32_t x1) {
  const int32_t yy = g.h - 1 - y;
  const auto at = [&](int64_t x, int64_t row) { return Load<k32>(g.to + row * g.toPitch + x * 4); };
  const auto put = [&](int64_t x, int64_t row, uint32_t v) { Store<k32>(g.dest + row * g.destPitch + x * 4, v); };
  for (int32_t x = x0; x < x1; ++x) {
    const int32_t xx = g.w - 1 - x;
    const size_t i = static_cast<size_t>(y) * static_cast<size_t>(g.w2) + static_cast<size_t>(x);
    const int64_t k = int64_t{g.distance[i]} + (g.n - 1) - g.level;
    const int64_t r = int64_t{g.distance[i]} + g.profile[k];
    const int64_t sx = int64_t{g.cosine[i]} * r / 65536 + g.w2;
    const int64_t sy = int64_t{g.sine[i]} * r / 65536 + g.h2;
    if (sx < 0 || sx >= g.w || sy < 0 || sy >= g.h) {
      put(x, y, at(x, y)), put(xx, y, at(xx, y)), put(x, yy, at(x, yy)), put(xx, yy, at(xx, yy));
      continue;
    }
    put(x, y, at(sx, sy));
    put(xx, y, at(g.w - 1 - sx, sy));
    put(x, yy, at(sx, g.h - 1 - sy));
    put(xx, yy, at(g.w - 1 - sx, g.h - 1 - sy));
  }
}

void RippleRing32(const RippleRing& ring, int32_t y, int32_t x0, int32_t x1) {
#if KUZO_WIPE_AVX2
  if (ring.small && Avx2RowsAvailable()) return RippleRing32Avx2(ring, y, x0, x1);
#endif
  RippleRing32Sse2(ring, y, x0, x1);
}

void RippleRing32Sse2(const RippleRing& g, int32_t y, int32_t x0, int32_t x1) {
  int32_t x = x0;
#if defined(__SSE2__)
  if (g.small) {
    const int32_t yy = g.h - 1 - y;
    const int32_t shift = g.n - 1 - g.level;
    const __m128i lanes = _mm_setr_epi32(0, 1, 2, 3);
    const __m128i zero = _mm_setzero_si128();
    const __m128i low16 = _mm_set1_epi32(0xFFFF);
    const __m128i w2 = _mm_set1_epi32(g.w2), h2 = _mm_set1_epi32(g.h2);
    const __m128i wLast = _mm_set1_epi32(g.w - 1), hLast = _mm_set1_epi32(g.h - 1);
    uint8_t* top = g.dest + static_cast<ptrdiff_t>(y) * g.destPitch;
    uint8_t* bottom = g.dest + static_cast<ptrdiff_t>(yy) * g.destPitch;
    const auto row = [&](int32_t r) { return g.to + static_cast<ptrdiff_t>(r) * g.toPitch; };
    // The low 32 bits of four products (those of signed and unsigned products agree): with
    // `small` every product fits 32 bits.
    const auto mulLow = [](__m128i a, __m128i b) {
      const __m128i even = _mm_mul_epu32(a, b), odd = _mm_mul_epu32(_mm_srli_epi64(a, 32), _mm_srli_epi64(b, 32));
      return _mm_unpacklo_epi32(_mm_shuffle_epi32(even, _MM_SHUFFLE(0, 0, 2, 0)), _mm_shuffle_epi32(odd, _MM_SHUFFLE(0, 0, 2, 0)));
    };
    alignas(16) int32_t radius[4], ixs[4], iys[4];
    // Four cells a step: their source points as in the plain loop; four cells moved by one offset
    // copy four neighbouring pixels to each of their four places (the right-hand runs mirror both
    // cells and sources, so they too are straight copies), others go pixel by pixel.
    for (; x + 4 <= x1; x += 4) {
      const size_t i = static_cast<size_t>(y) * static_cast<size_t>(g.w2) + static_cast<size_t>(x);
      for (int k = 0; k < 4; ++k) {
        const int32_t d = g.distance[i + static_cast<size_t>(k)];
        radius[k] = d + g.profile[d + shift];
      }
      const __m128i r = _mm_load_si128(reinterpret_cast<const __m128i*>(radius));
      // c * r / 65536 truncated toward zero: add 65535 to negative products before the shift.
      const __m128i pc = mulLow(LoadV(reinterpret_cast<const uint8_t*>(g.cosine + i)), r);
      const __m128i ps = mulLow(LoadV(reinterpret_cast<const uint8_t*>(g.sine + i)), r);
      const __m128i sx = _mm_add_epi32(_mm_srai_epi32(_mm_add_epi32(pc, _mm_and_si128(_mm_srai_epi32(pc, 31), low16)), 16), w2);
      const __m128i sy = _mm_add_epi32(_mm_srai_epi32(_mm_add_epi32(ps, _mm_and_si128(_mm_srai_epi32(ps, 31), low16)), 16), h2);
      const __m128i outside = _mm_or_si128(_mm_or_si128(_mm_cmpgt_epi32(zero, sx), _mm_cmpgt_epi32(zero, sy)),
                                           _mm_or_si128(_mm_cmpgt_epi32(sx, wLast), _mm_cmpgt_epi32(sy, hLast)));
      // Outside the screen a cell shows to's own pixels: the same four places with (x, y) itself.
      const __m128i xs = _mm_add_epi32(_mm_set1_epi32(x), lanes);
      const __m128i ix = Select(outside, xs, sx);
      const __m128i iy = Select(outside, _mm_set1_epi32(y), sy);
      const __m128i ex = _mm_sub_epi32(ix, xs);
      const __m128i same = _mm_and_si128(_mm_cmpeq_epi32(ex, _mm_shuffle_epi32(ex, 0)), _mm_cmpeq_epi32(iy, _mm_shuffle_epi32(iy, 0)));
      const ptrdiff_t left = static_cast<ptrdiff_t>(x) * 4, right = static_cast<ptrdiff_t>(g.w - 4 - x) * 4;
      if (_mm_movemask_epi8(same) == 0xFFFF) {
        const int32_t sx0 = _mm_cvtsi128_si32(ix), sy0 = _mm_cvtsi128_si32(iy);
        const ptrdiff_t srcLeft = static_cast<ptrdiff_t>(sx0) * 4, srcRight = static_cast<ptrdiff_t>(g.w - 4 - sx0) * 4;
        const uint8_t* srcTop = row(sy0);
        const uint8_t* srcBottom = row(g.h - 1 - sy0);
        StoreV(top + left, LoadV(srcTop + srcLeft));
        StoreV(top + right, LoadV(srcTop + srcRight));
        StoreV(bottom + left, LoadV(srcBottom + srcLeft));
        StoreV(bottom + right, LoadV(srcBottom + srcRight));
        continue;
      }
      _mm_store_si128(reinterpret_cast<__m128i*>(ixs), ix);
      _mm_store_si128(reinterpret_cast<__m128i*>(iys), iy);
      for (int k = 0; k < 4; ++k) {
        const ptrdiff_t cl = static_cast<ptrdiff_t>(x + k) * 4, cr = static_cast<ptrdiff_t>(g.w - 1 - x - k) * 4;
        const ptrdiff_t sl = static_cast<ptrdiff_t>(ixs[k]) * 4, sr = static_cast<ptrdiff_t>(g.w - 1 - ixs[k]) * 4;
        const uint8_t* st = row(iys[k]);
        const uint8_t* sb = row(g.h - 1 - iys[k]);
        std::memcpy(top + cl, st + sl, 4);
        std::memcpy(top + cr, st + sr, 4);
        std::memcpy(bottom + cl, sb + sl, 4);
        std::memcpy(bottom + cr, sb + sr, 4);
      }
    }
  }
#endif
  RippleRing32Plain(g, y, x, x1);
}

}  // namespace kuzo::wipe
