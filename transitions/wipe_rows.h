// Row kernels of the 32-bit transition loops: composing two pictures through a mask, building a
// rule image's mask for a level, blending a row at one opacity and the spot's passage through
// white. Each kernel has a plain loop, which defines the result, and fast loops (AVX2 or SSE2
// where the processor has them) that tests prove identical to the plain one on every input.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kuzo::wipe {

// Streaming rows: while a StreamingRows scope with `on` is open on this thread, the AVX2 row
// kernels write their destination rows with non-temporal stores, which go past the caches instead
// of first reading every destination line into them. A transition opens it for frames of
// kStreamingFrameBytes and more, which do not fit the caches together with their two pictures
// (smaller frames are faster with ordinary stores). Results are the same bytes either way. Plain
// row copies stay with memcpy, which already writes long rows without reading them first.
inline constexpr int64_t kStreamingFrameBytes = int64_t{4} << 20;
class StreamingRows {
 public:
  explicit StreamingRows(bool on);
  ~StreamingRows();
  StreamingRows(const StreamingRows&) = delete;
  StreamingRows& operator=(const StreamingRows&) = delete;

 private:
  bool previous_;
};
bool StreamingRowsOn();

// dst[i] from from[i] and to[i] by mask[i]: 0 takes from, 255 takes to, values between mix every
// byte as (t*m + f*(255-m)) >> 8. With `hard` every non-zero value takes to.
void ComposeRow32(uint8_t* dst, const uint8_t* from, const uint8_t* to, const uint8_t* mask, int count, bool hard);
void ComposeRow32Plain(uint8_t* dst, const uint8_t* from, const uint8_t* to, const uint8_t* mask, int count,
                       bool hard);

// The mask of a rule image at one level: mask[i] = clamp(rule[i] + shift, 0, 255), shift in
// -256 .. 255 (the ramp lookup of the rule transitions reduced to a saturating add).
void RuleMaskRow(uint8_t* mask, const uint8_t* rule, int count, int shift);
void RuleMaskRowPlain(uint8_t* mask, const uint8_t* rule, int count, int shift);

// dst[i] = (d*(255-a) + s*a) >> 8 on the three colour bytes, the fourth byte 0; a in 1..254.
void BlendRow32(uint8_t* dst, const uint8_t* src, int count, int opacity);
void BlendRow32Plain(uint8_t* dst, const uint8_t* src, int count, int opacity);

// The cross-fade of two rows: from copied, then to blended over it at opacity a (0..255): pixels
// equal in both pictures stay, the others become (f*(255-a) + t*a) >> 8 on the three colour bytes
// with the fourth byte 0. a = 0 copies from.
void FadeRow32(uint8_t* dst, const uint8_t* from, const uint8_t* to, int count, int opacity);
void FadeRow32Plain(uint8_t* dst, const uint8_t* from, const uint8_t* to, int count, int opacity);

// dst[i] = src[i] with the pixel `grey` added (or, with subtract, taken away) byte by byte with
// saturation.
void GreyRow32(uint8_t* dst, const uint8_t* src, int count, uint32_t grey, bool subtract);
void GreyRow32Plain(uint8_t* dst, const uint8_t* src, int count, uint32_t grey, bool subtract);

// The spot's passage: each pixel's level is clamp(g - map[i], 0, 511); below 256 the outgoing pixel
// with that grey added, from 256 the incoming pixel with grey 511 - level added, byte by byte with
// saturation (the grey of v is (v, v, v) with a fourth byte of 0).
void SpotRow32(uint8_t* dst, const uint8_t* from, const uint8_t* to, const int32_t* map, int count, int32_t g);
void SpotRow32Plain(uint8_t* dst, const uint8_t* from, const uint8_t* to, const int32_t* map, int count,
                    int32_t g);

// The turning columns of the column twist, for one screen row y: column j of the run shows the
// pixel of its picture (from where side[j] is non-zero, else to) at its own column offset[j] / 4 and
// row ((y - margin[j]) * step[j]) >> 16 when 0 <= y - margin[j] < rows[j], else black (0). rows[j]
// is at most the picture's height and rows[j] * step[j] below 2^31.
struct TwistColumns {
  const int32_t* margin;
  const int32_t* rows;
  const int32_t* step;
  const int32_t* side;
  const int32_t* offset;  // bytes from the start of a picture row
  const uint8_t* from;
  ptrdiff_t fromPitch;
  const uint8_t* to;
  ptrdiff_t toPitch;
  // True when offset[j] = offset[0] + 4 * j for every column of the run (the columns are
  // neighbours on the screen), so the vector loops need not check it group by group.
  bool neighbours = false;
  // side[j] of every column of the run when they all share it (0 or 1), else -1; the vector loops
  // then need not tell the pictures apart column by column.
  int32_t allSide = -1;

  // The run from its column n on.
  TwistColumns After(int n) const {
    TwistColumns rest = *this;
    rest.margin += n, rest.rows += n, rest.step += n, rest.side += n, rest.offset += n;
    return rest;
  }
};
void TwistRow32(uint8_t* dst, int32_t y, int count, const TwistColumns& c);
void TwistRow32Plain(uint8_t* dst, int32_t y, int count, const TwistColumns& c);

// The ripple's ring: cells x0 .. x1 - 1 of cell row y (0 <= y < h2, 0 <= x < w2), every one inside
// the ring (0 <= distance + n - 1 - level < n). Cell i = y * w2 + x has r = distance[i] +
// profile[distance[i] + n - 1 - level], sx = cosine[i] * r / 65536 + w2 and sy = sine[i] * r /
// 65536 + h2 (divisions truncating toward zero); inside the screen its four mirrored pixels (x, y),
// (w-1-x, y), (x, h-1-y), (w-1-x, h-1-y) take to's pixels at (sx, sy), (w-1-sx, sy), (sx, h-1-sy),
// (w-1-sx, h-1-sy), outside it to's own pixels at the four places.
struct RippleRing {
  const uint16_t* distance;
  const int32_t* cosine;
  const int32_t* sine;
  const int32_t* profile;
  int32_t n;
  int32_t level;
  int32_t w2, h2, w, h;
  const uint8_t* to;
  ptrdiff_t toPitch;
  uint8_t* dest;
  ptrdiff_t destPitch;
  // True when every |profile| + distance stays below 32768 and the pictures below 2^31 bytes, so
  // that the vector loop's 32-bit products and offsets cannot overflow.
  bool small;
};
void RippleRing32(const RippleRing& ring, int32_t y, int32_t x0, int32_t x1);
void RippleRing32Plain(const RippleRing& ring, int32_t y, int32_t x0, int32_t x1);

// The SSE2 loops of the kernels above (the plain loops where SSE2 is missing).
void ComposeRow32Sse2(uint8_t* dst, const uint8_t* from, const uint8_t* to, const uint8_t* mask, int count, bool hard);
void BlendRow32Sse2(uint8_t* dst, const uint8_t* src, int count, int opacity);
void FadeRow32Sse2(uint8_t* dst, const uint8_t* from, const uint8_t* to, int count, int opacity);
void SpotRow32Sse2(uint8_t* dst, const uint8_t* from, const uint8_t* to, const int32_t* map, int count, int32_t g);
void TwistRow32Sse2(uint8_t* dst, int32_t y, int count, const TwistColumns& c);
void RippleRing32Sse2(const RippleRing& ring, int32_t y, int32_t x0, int32_t x1);

// The AVX2 loops of the kernels above. Avx2RowsAvailable() is true when this processor has AVX2
// and the blend kernels are not capped below it (graphics' kernel level variable); the kernels
// above then use these loops. Only call them when it is true.
bool Avx2RowsAvailable();
#if defined(__x86_64__) || defined(__i386__)
void ComposeRow32Avx2(uint8_t* dst, const uint8_t* from, const uint8_t* to, const uint8_t* mask, int count, bool hard);
void BlendRow32Avx2(uint8_t* dst, const uint8_t* src, int count, int opacity);
void FadeRow32Avx2(uint8_t* dst, const uint8_t* from, const uint8_t* to, int count, int opacity);
void SpotRow32Avx2(uint8_t* dst, const uint8_t* from, const uint8_t* to, const int32_t* map, int count, int32_t g);
void TwistRow32Avx2(uint8_t* dst, int32_t y, int count, const TwistColumns& c);
void RippleRing32Avx2(const RippleRing& ring, int32_t y, int32_t x0, int32_t x1);
#endif

// The AVX-512 loop of the column twist. Avx512RowsAvailable() is true when this processor has
// AVX-512 (F and BW) and the blend kernels are not capped below it; TwistRow32 then uses it.
bool Avx512RowsAvailable();
#if defined(__x86_64__) || defined(__i386__)
void TwistRow32Avx512(uint8_t* dst, int32_t y, int count, const TwistColumns& c);
#endif

}  // namespace kuzo::wipe
