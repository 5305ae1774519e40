// AVX2 loops of the transition row kernels (eight pixels a vector), compiled for AVX2 only inside
// this file and called only when the processor has it. Each ends with the plain loop on its tail.
#include "transitions/wipe_rows.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

#include <algorithm>
#include <cstdint>
#include <type_traits>

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

#include "transitions/wipe_avx2.h"

namespace kuzo::wipe {
namespace {

using namespace avx2;

// Eight mask bytes, each repeated over its pixel's four bytes.
inline V SpreadMask8(const uint8_t* m) {
  const V dwords = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(m)));
  return _mm256_shuffle_epi8(dwords, _mm256_setr_epi8(0, 0, 0, 0, 4, 4, 4, 4, 8, 8, 8, 8, 12, 12, 12, 12,  //
                                                      0, 0, 0, 0, 4, 4, 4, 4, 8, 8, 8, 8, 12, 12, 12, 12));
}

// The smallest and the largest of eight lanes, in every lane.
inline V Min8(V v) {
  v = _mm256_min_epi32(v, _mm256_permute2x128_si256(v, v, 1));
  v = _mm256_min_epi32(v, _mm256_shuffle_epi32(v, 0x4E));
  return _mm256_min_epi32(v, _mm256_shuffle_epi32(v, 0xB1));
}
inline V Max8(V v) {
  v = _mm256_max_epi32(v, _mm256_permute2x128_si256(v, v, 1));
  v = _mm256_max_epi32(v, _mm256_shuffle_epi32(v, 0x4E));
  return _mm256_max_epi32(v, _mm256_shuffle_epi32(v, 0xB1));
}

// Lane j takes pixel idx[j] (0 .. 15) of the sixteen pixels at p.
inline V Pick16(const uint8_t* p, V idx) {
  const V lo = _mm256_permutevar8x32_epi32(LoadV(p), idx), hi = _mm256_permutevar8x32_epi32(LoadV(p + 32), idx);
  return Select(_mm256_cmpgt_epi32(idx, _mm256_set1_epi32(7)), hi, lo);
}

}  // namespace

void ComposeRow32Avx2(uint8_t* dst, const uint8_t* from, const uint8_t* to, const uint8_t* mask, int count,
                      bool hard) {
  const auto loop = [&](auto stream, int start, int n) {
    constexpr bool kStream = decltype(stream)::value;
    const V zero = _mm256_setzero_si256();
    const V ones = _mm256_set1_epi8(static_cast<char>(0xFF));
    int i = 0;
    // Thirty-two pixels a step: uniform blocks are copies of one picture, others select or mix
    // eight pixels at a time.
    for (; i + 32 <= n; i += 32) {
      const int at = start + i;
      const V m = LoadV(mask + at);
      const unsigned zeros = static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(m, zero)));
      uint8_t* d = dst + 4 * at;
      const uint8_t* f = from + 4 * at;
      const uint8_t* t = to + 4 * at;
      const uint8_t* copy = nullptr;
      if (zeros == 0xFFFFFFFFu) {
        copy = f;
      } else if (hard ? zeros == 0 : static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(m, ones))) == 0xFFFFFFFFu) {
        copy = t;
      }
      if (copy != nullptr) {
        for (int g = 0; g < 4; ++g) PutV<kStream>(d + 32 * g, LoadV(copy + 32 * g));
        continue;
      }
      for (int g = 0; g < 4; ++g) {
        const V q = SpreadMask8(mask + at + 8 * g);
        const V fv = LoadV(f + 32 * g), tv = LoadV(t + 32 * g);
        const V isZero = _mm256_cmpeq_epi8(q, zero);
        if (hard) {
          PutV<kStream>(d + 32 * g, Select(isZero, fv, tv));
          continue;
        }
        // The mix, then the exact ends: mask 0 keeps from, 255 takes to.
        V r = Select(isZero, fv, Mix8(fv, tv, q));
        r = Select(_mm256_cmpeq_epi8(q, ones), tv, r);
        PutV<kStream>(d + 32 * g, r);
      }
    }
    return i;
  };
  Streamed(dst, count, loop, [&](int start, int n) {
    ComposeRow32Plain(dst + 4 * start, from + 4 * start, to + 4 * start, mask + start, n, hard);
  });
}

void BlendRow32Avx2(uint8_t* dst, const uint8_t* src, int count, int opacity) {
  int i = 0;
  if (opacity > 0 && opacity < 255) {
    const V q = _mm256_set1_epi8(static_cast<char>(opacity));
    const V colour = _mm256_set1_epi32(0x00FFFFFF);
    for (; i + 8 <= count; i += 8) {
      StoreV(dst + 4 * i, _mm256_and_si256(Mix8(LoadV(dst + 4 * i), LoadV(src + 4 * i), q), colour));
    }
  }
  BlendRow32Plain(dst + 4 * i, src + 4 * i, count - i, opacity);
}

void FadeRow32Avx2(uint8_t* dst, const uint8_t* from, const uint8_t* to, int count, int opacity) {
  const auto loop = [&](auto stream, int start, int n) {
    constexpr bool kStream = decltype(stream)::value;
    int i = 0;
    if (opacity <= 0 || opacity > 255) return i;
    const V q = _mm256_set1_epi8(static_cast<char>(opacity));
    const V colour = _mm256_set1_epi32(0x00FFFFFF);
    for (; i + 8 <= n; i += 8) {
      const int at = start + i;
      const V f = LoadV(from + 4 * at), t = LoadV(to + 4 * at);
      PutV<kStream>(dst + 4 * at, Select(_mm256_cmpeq_epi32(f, t), f, _mm256_and_si256(Mix8(f, t, q), colour)));
    }
    return i;
  };
  Streamed(dst, count, loop, [&](int start, int n) {
    FadeRow32Plain(dst + 4 * start, from + 4 * start, to + 4 * start, n, opacity);
  });
}

void SpotRow32Avx2(uint8_t* dst, const uint8_t* from, const uint8_t* to, const int32_t* map, int count, int32_t g) {
  const auto loop = [&](auto stream, int start, int n) {
    constexpr bool kStream = decltype(stream)::value;
    int i = 0;
    // g and the map lie in 0 .. 2^31 - 1 here, so g - map cannot overflow.
    if (g < 0) return i;
    const V gv = _mm256_set1_epi32(g);
    const V c255 = _mm256_set1_epi32(255);
    const V c511 = _mm256_set1_epi32(511);
    const V zero = _mm256_setzero_si256();
    for (; i + 8 <= n; i += 8) {
      const int at = start + i;
      const V mv = _mm256_loadu_si256(reinterpret_cast<const V*>(map + at));
      if (_mm256_movemask_epi8(_mm256_cmpgt_epi32(zero, mv)) != 0) break;  // a negative map value: plain loop
      const V lv = _mm256_min_epi32(_mm256_max_epi32(_mm256_sub_epi32(gv, mv), zero), c511);
      const V useTo = _mm256_cmpgt_epi32(lv, c255);
      const V v = Select(useTo, _mm256_sub_epi32(c511, lv), lv);
      const V grey = _mm256_or_si256(v, _mm256_or_si256(_mm256_slli_epi32(v, 8), _mm256_slli_epi32(v, 16)));
      const V src = Select(useTo, LoadV(to + 4 * at), LoadV(from + 4 * at));
      PutV<kStream>(dst + 4 * at, _mm256_adds_epu8(src, grey));
    }
    return i;
  };
  Streamed(dst, count, loop, [&](int start, int n) {
    SpotRow32Plain(dst + 4 * start, from + 4 * start, to + 4 * start, map + start, n, g);
  });
}

namespace {

// The vector part of the column twist: returns the number of columns written.
template <bool kStream>
int TwistLoop(uint8_t* dst, int32_t y, int count, const TwistColumns& c) {
  int j = 0;
  // Eight columns a step: contiguous loads where the columns are neighbours reading nearby rows,
  // else masked gathers; the offsets are within a picture (row * pitch + column bytes), so they
  // fit 32 bits.
  const bool fits = c.fromPitch > -(int64_t{1} << 20) && c.fromPitch < (int64_t{1} << 20) &&
                    c.toPitch > -(int64_t{1} << 20) && c.toPitch < (int64_t{1} << 20);
  if (fits) {
    const V yv = _mm256_set1_epi32(y);
    const V zero = _mm256_setzero_si256();
    const V fromPitch = _mm256_set1_epi32(static_cast<int32_t>(c.fromPitch));
    const V toPitch = _mm256_set1_epi32(static_cast<int32_t>(c.toPitch));
    const auto* fromBase = reinterpret_cast<const int*>(c.from);
    const auto* toBase = reinterpret_cast<const int*>(c.to);
    const V lanes4 = _mm256_setr_epi32(0, 4, 8, 12, 16, 20, 24, 28);
    for (; j + 8 <= count; j += 8) {
      const V r = _mm256_sub_epi32(yv, _mm256_loadu_si256(reinterpret_cast<const V*>(c.margin + j)));
      const V rows = _mm256_loadu_si256(reinterpret_cast<const V*>(c.rows + j));
      // 0 <= r < rows (rows is below 2^31)
      const V inside = _mm256_andnot_si256(_mm256_cmpgt_epi32(zero, r), _mm256_cmpgt_epi32(rows, r));
      const V step = _mm256_loadu_si256(reinterpret_cast<const V*>(c.step + j));
      const V sy = _mm256_srli_epi32(_mm256_mullo_epi32(_mm256_and_si256(r, inside), step), 16);
      const V offset = _mm256_loadu_si256(reinterpret_cast<const V*>(c.offset + j));
      const V isFrom = c.allSide >= 0 ? _mm256_set1_epi32(c.allSide != 0 ? -1 : 0)
                                      : _mm256_xor_si256(_mm256_cmpeq_epi32(_mm256_loadu_si256(reinterpret_cast<const V*>(c.side + j)), zero),
                                                         _mm256_set1_epi32(-1));
      const unsigned insideBits = static_cast<unsigned>(_mm256_movemask_epi8(inside));
      if (insideBits == 0) {  // all eight columns black at this row
        PutV<kStream>(dst + 4 * j, zero);
        continue;
      }
      // Neighbouring columns of one picture whose offsets are their own neighbouring columns and
      // whose source rows lie within four rows of each other: one contiguous load per row used,
      // each lane keeping the row it asked for, instead of the gathers.
      const unsigned fromBits = static_cast<unsigned>(_mm256_movemask_epi8(_mm256_and_si256(inside, isFrom)));
      const V firstOffset = _mm256_broadcastd_epi32(_mm256_castsi256_si128(offset));
      const bool oneSide = fromBits == 0 || fromBits == insideBits;
      if (oneSide && (c.neighbours || _mm256_movemask_epi8(_mm256_cmpeq_epi32(offset, _mm256_add_epi32(firstOffset, lanes4))) == -1)) {
        // Source rows of the columns inside their strips; the others take the extremes' neutral values.
        const int32_t low = _mm256_cvtsi256_si32(Min8(Select(inside, sy, _mm256_set1_epi32(0x7FFFFFFF))));
        const int32_t high = _mm256_cvtsi256_si32(Max8(Select(inside, sy, zero)));
        if (high - low <= 3) {
          const uint8_t* base = fromBits != 0 ? c.from : c.to;
          const ptrdiff_t pitch = fromBits != 0 ? c.fromPitch : c.toPitch;
          const uint8_t* p = base + _mm256_cvtsi256_si32(offset);
          V out = zero;
          for (int32_t row = low; row <= high; ++row) {
            out = Select(_mm256_and_si256(inside, _mm256_cmpeq_epi32(sy, _mm256_set1_epi32(row))), LoadV(p + row * pitch), out);
          }
          PutV<kStream>(dst + 4 * j, out);
          continue;
        }
      }
      if (oneSide) {  // one gather from the picture every column inside its strip reads
        const bool useFrom = fromBits != 0;
        PutV<kStream>(dst + 4 * j, _mm256_mask_i32gather_epi32(zero, useFrom ? fromBase : toBase,
                                                        _mm256_add_epi32(_mm256_mullo_epi32(sy, useFrom ? fromPitch : toPitch), offset),
                                                        inside, 1));
        continue;
      }
      const V fromPixels = _mm256_mask_i32gather_epi32(zero, fromBase, _mm256_add_epi32(_mm256_mullo_epi32(sy, fromPitch), offset),
                                                       _mm256_and_si256(inside, isFrom), 1);
      const V toPixels = _mm256_mask_i32gather_epi32(zero, toBase, _mm256_add_epi32(_mm256_mullo_epi32(sy, toPitch), offset),
                                                     _mm256_andnot_si256(isFrom, inside), 1);
      PutV<kStream>(dst + 4 * j, _mm256_or_si256(fromPixels, toPixels));
    }
  }
  return j;
}

}  // namespace

void TwistRow32Avx2(uint8_t* dst, int32_t y, int count, const TwistColumns& c) {
  const auto loop = [&](auto stream, int start, int n) {
    return TwistLoop<decltype(stream)::value>(dst + 4 * start, y, n, c.After(start));
  };
  Streamed(dst, count, loop, [&](int start, int n) { TwistRow32Plain(dst + 4 * start, y, n, c.After(start)); });
}

void RippleRing32Avx2(const RippleRing& g, int32_t y, int32_t x0, int32_t x1) {
  if (x1 - x0 < 8) return RippleRing32Plain(g, y, x0, x1);
  const int32_t yy = g.h - 1 - y;
  const size_t rowStart = static_cast<size_t>(y) * static_cast<size_t>(g.w2);
  // The tables and pictures in locals: the stores below go through byte pointers, which would
  // otherwise make the compiler reload every field of the ring after each of them.
  const uint16_t* const distance = g.distance + rowStart;
  const int32_t* const cosine = g.cosine + rowStart;
  const int32_t* const sine = g.sine + rowStart;
  const int32_t* const profile = g.profile;
  const uint8_t* const to = g.to;
  const ptrdiff_t toPitch = g.toPitch;
  const int32_t w = g.w, h = g.h, shift = g.n - 1 - g.level;
  // The profile window starts at most 16 entries before the profile's end.
  const int32_t lastWindow = g.n - 16;
  const V lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  const V reverse = _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0);
  const V zero = _mm256_setzero_si256();
  const V shiftV = _mm256_set1_epi32(shift);
  const V w2 = _mm256_set1_epi32(g.w2), h2 = _mm256_set1_epi32(g.h2);
  const V wLast = _mm256_set1_epi32(w - 1), hLast = _mm256_set1_epi32(h - 1);
  const V pitch = _mm256_set1_epi32(static_cast<int32_t>(toPitch));
  const V low16 = _mm256_set1_epi32(0xFFFF);
  const V above15 = _mm256_set1_epi32(~15), above1 = _mm256_set1_epi32(~1);
  const V four = _mm256_set1_epi32(4), fifteen = _mm256_set1_epi32(15);
  uint8_t* const top = g.dest + static_cast<ptrdiff_t>(y) * g.destPitch;
  uint8_t* const bottom = g.dest + static_cast<ptrdiff_t>(yy) * g.destPitch;
  const auto row = [&](int32_t r) { return to + static_cast<ptrdiff_t>(r) * toPitch; };
  // Eight cells from column x: their source points, then the four mirrored pixels of each stored
  // as two runs forward (columns x ..) and two backward (columns w - 1 - x ..).
  const auto block = [&](int32_t x) {
    const V d = _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(distance + x)));
    const V k = _mm256_add_epi32(d, shiftV);
    // Along a row of cells the distance falls by at most one a cell, so the eight profile entries
    // usually lie among the sixteen from the last cell's: picked out of them (every lane checked)
    // rather than gathered.
    const int32_t window = std::min(int32_t{distance[x + 7]} + shift, lastWindow);
    const V pick = _mm256_sub_epi32(k, _mm256_set1_epi32(window));
    V p;
    if (window >= 0 && _mm256_testz_si256(pick, above15)) {
      p = Pick16(reinterpret_cast<const uint8_t*>(profile + window), pick);
    } else {
      p = _mm256_i32gather_epi32(profile, k, 4);
    }
    const V r = _mm256_add_epi32(d, p);
    // c * r / 65536 truncated toward zero: add 65535 to negative products before the shift.
    const V pc = _mm256_mullo_epi32(_mm256_loadu_si256(reinterpret_cast<const V*>(cosine + x)), r);
    const V ps = _mm256_mullo_epi32(_mm256_loadu_si256(reinterpret_cast<const V*>(sine + x)), r);
    const V sx = _mm256_add_epi32(_mm256_srai_epi32(_mm256_add_epi32(pc, _mm256_and_si256(_mm256_srai_epi32(pc, 31), low16)), 16), w2);
    const V sy = _mm256_add_epi32(_mm256_srai_epi32(_mm256_add_epi32(ps, _mm256_and_si256(_mm256_srai_epi32(ps, 31), low16)), 16), h2);
    const V outside = _mm256_or_si256(_mm256_or_si256(_mm256_cmpgt_epi32(zero, sx), _mm256_cmpgt_epi32(zero, sy)),
                                      _mm256_or_si256(_mm256_cmpgt_epi32(sx, wLast), _mm256_cmpgt_epi32(sy, hLast)));
    // Outside the screen a cell shows to's own pixels: the same four places with (x, y) itself.
    const V xs = _mm256_add_epi32(_mm256_set1_epi32(x), lanes);
    const V ix = Select(outside, xs, sx);
    const V iy = Select(outside, _mm256_set1_epi32(y), sy);
    const ptrdiff_t left = static_cast<ptrdiff_t>(x) * 4, right = static_cast<ptrdiff_t>(w - 8 - x) * 4;
    // Each cell's displacement against the first cell's: all equal, the eight cells read eight
    // neighbouring pixels in each of the four places, four contiguous loads. The right-hand runs
    // mirror both the cells and their sources, so they too are straight copies.
    const V ex = _mm256_sub_epi32(ix, xs);
    const V dx = _mm256_sub_epi32(ex, _mm256_broadcastd_epi32(_mm256_castsi256_si128(ex)));
    const V dy = _mm256_sub_epi32(iy, _mm256_broadcastd_epi32(_mm256_castsi256_si128(iy)));
    const int32_t sx0 = _mm256_cvtsi256_si32(ix), sy0 = _mm256_cvtsi256_si32(iy);
    const V moved = _mm256_or_si256(dx, dy);
    if (_mm256_testz_si256(moved, moved)) {
      const uint8_t* srcTop = row(sy0);
      const uint8_t* srcBottom = row(h - 1 - sy0);
      const ptrdiff_t srcLeft = static_cast<ptrdiff_t>(sx0) * 4, srcRight = static_cast<ptrdiff_t>(w - 8 - sx0) * 4;
      StoreV(top + left, LoadV(srcTop + srcLeft));
      StoreV(top + right, LoadV(srcTop + srcRight));
      StoreV(bottom + left, LoadV(srcBottom + srcLeft));
      StoreV(bottom + right, LoadV(srcBottom + srcRight));
      return;
    }
    // Displacements within four columns of the first cell's and over two neighbouring rows: each
    // cell's pixel is picked out of sixteen neighbouring pixels of one of the two rows by permutes.
    // The left-hand window starts four columns left of the first cell's source; the right-hand one
    // is its mirror, ending at w - 1 - (that column).
    const int32_t windowLeft = sx0 - 4;
    const V idx = _mm256_add_epi32(_mm256_add_epi32(dx, lanes), four);  // 0 .. 15 into the left window
    // Rows sy0 and sy0 + 1, or sy0 - 1 and sy0 when a cell reads the row above the first cell's.
    const int32_t above = _mm256_movemask_ps(_mm256_castsi256_ps(dy)) != 0 ? 1 : 0;
    const V dyA = _mm256_add_epi32(dy, _mm256_set1_epi32(above));  // 0: row A, 1: row B
    if (_mm256_testz_si256(idx, above15) && _mm256_testz_si256(dyA, above1) && windowLeft >= 0 && windowLeft + 15 <= w - 1) {
      const int32_t rowA = sy0 - above;
      const V idxRight = _mm256_sub_epi32(fifteen, _mm256_permutevar8x32_epi32(idx, reverse));
      const ptrdiff_t srcLeft = static_cast<ptrdiff_t>(windowLeft) * 4;
      const ptrdiff_t srcRight = static_cast<ptrdiff_t>(w - 16 - windowLeft) * 4;
      const uint8_t* a0 = row(rowA);
      const uint8_t* a1 = row(h - 1 - rowA);
      if (_mm256_testz_si256(dyA, dyA)) {
        StoreV(top + left, Pick16(a0 + srcLeft, idx));
        StoreV(top + right, Pick16(a0 + srcRight, idxRight));
        StoreV(bottom + left, Pick16(a1 + srcLeft, idx));
        StoreV(bottom + right, Pick16(a1 + srcRight, idxRight));
      } else {
        const V takeA = _mm256_cmpeq_epi32(dyA, zero);
        const V takeARight = _mm256_permutevar8x32_epi32(takeA, reverse);
        const uint8_t* b0 = row(rowA + 1);
        const uint8_t* b1 = row(h - 2 - rowA);
        StoreV(top + left, Select(takeA, Pick16(a0 + srcLeft, idx), Pick16(b0 + srcLeft, idx)));
        StoreV(top + right, Select(takeARight, Pick16(a0 + srcRight, idxRight), Pick16(b0 + srcRight, idxRight)));
        StoreV(bottom + left, Select(takeA, Pick16(a1 + srcLeft, idx), Pick16(b1 + srcLeft, idx)));
        StoreV(bottom + right, Select(takeARight, Pick16(a1 + srcRight, idxRight), Pick16(b1 + srcRight, idxRight)));
      }
      return;
    }
    const V rowTop = _mm256_mullo_epi32(iy, pitch), rowBottom = _mm256_mullo_epi32(_mm256_sub_epi32(hLast, iy), pitch);
    const V colLeft = _mm256_slli_epi32(ix, 2), colRight = _mm256_slli_epi32(_mm256_sub_epi32(wLast, ix), 2);
    const auto* base = reinterpret_cast<const int*>(to);
    const V a = _mm256_i32gather_epi32(base, _mm256_add_epi32(rowTop, colLeft), 1);
    const V b = _mm256_i32gather_epi32(base, _mm256_add_epi32(rowTop, colRight), 1);
    const V c = _mm256_i32gather_epi32(base, _mm256_add_epi32(rowBottom, colLeft), 1);
    const V e = _mm256_i32gather_epi32(base, _mm256_add_epi32(rowBottom, colRight), 1);
    StoreV(top + left, a);
    StoreV(top + right, _mm256_permutevar8x32_epi32(b, reverse));
    StoreV(bottom + left, c);
    StoreV(bottom + right, _mm256_permutevar8x32_epi32(e, reverse));
  };
  int32_t x = x0;
  for (; x + 8 <= x1; x += 8) block(x);
  // The last cells as one more block ending at x1: the cells it shares with the one before are
  // stored again with the same pixels.
  if (x < x1) block(x1 - 8);
}

}  // namespace kuzo::wipe

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
#endif
