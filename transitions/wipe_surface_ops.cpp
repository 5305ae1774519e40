// Stretching, rotation, grey adds and the blur used by the transitions, written on top of Lock and
// Pitch with per-format loops.
#include "transitions/wipe_surface_ops.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "transitions/wipe_rows.h"
#include "transitions/wipe_stretch_rows.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kuzo::wipe {
namespace {

// d = (d*(255-a) + s*a) >> 8 on every channel (a < 255), else s.
template <PixelFormat F>
inline uint32_t Over(uint32_t d, uint32_t s, int opacity) {
  if (opacity >= 255) return s;
  if constexpr (F == PixelFormat::kRgb32) {
    // The mix computes the same per-channel rule two channels per multiply; the fourth byte is 0.
    return MixPixel<F>(d, s, static_cast<uint32_t>(opacity)) & 0x00FFFFFFu;
  }
  const uint32_t a = static_cast<uint32_t>(opacity);
  constexpr FormatInfo fi = Info(F);
  uint32_t r = 0;
  for (int c = 0; c < fi.channelCount; ++c) {
    const ChannelInfo ch = fi.channels[c];
    const uint32_t dc = (d & ch.mask) >> ch.shift;
    const uint32_t sc = (s & ch.mask) >> ch.shift;
    r |= ((dc * (255 - a) + sc * a) >> 8) << ch.shift;
  }
  return r;
}

// Floor and ceiling of a / b for b != 0.
int64_t FloorDiv(int64_t a, int64_t b) {
  const int64_t q = a / b;
  return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}
int64_t CeilDiv(int64_t a, int64_t b) {
  const int64_t q = a / b;
  return (a % b != 0 && ((a < 0) == (b < 0))) ? q + 1 : q;
}

// Narrows [first, last] to the i with lo <= start + i * step <= hi.
void LinearRange(int64_t start, int64_t step, int64_t lo, int64_t hi, int64_t& first, int64_t& last) {
  if (step == 0) {
    if (start < lo || start > hi) first = last + 1;
    return;
  }
  // i * step >= lo - start and i * step <= hi - start; a negative step turns both around.
  if (step > 0) {
    first = std::max(first, CeilDiv(lo - start, step));
    last = std::min(last, FloorDiv(hi - start, step));
  } else {
    first = std::max(first, CeilDiv(hi - start, step));
    last = std::min(last, FloorDiv(lo - start, step));
  }
}

bool SameFormat(const TCustomDIBX& a, const TCustomDIBX& b, PixelFormat& f) {
  PixelFormat g;
  return FormatOf(a, f) && FormatOf(b, g) && f == g;
}

// The 32-bit stretch, row by row: the columns inside the source are one run (the source column
// never falls as the destination column rises), picked by the row kernel; a row whose source row
// is the one of the row above is a copy of that row when drawn opaque, and reuses the picked
// pixels when blended. The same bytes as the per-pixel loop (dest and source are distinct); false,
// with nothing drawn, when the columns inside are not one run.
template <class SourceRow>
bool StretchRows32(TCustomDIBX& dest, const TRect& clip, const TCustomDIBX& source, const TRect& srcOk,
                   const std::vector<int32_t>& columns, SourceRow sourceRow, int opacity) {
  const auto inside = [](int32_t c) { return c >= 0; };
  const auto first = std::find_if(columns.begin(), columns.end(), inside);
  const auto end = std::find_if_not(first, columns.end(), inside);
  if (std::find_if(end, columns.end(), inside) != columns.end()) return false;
  if (first == end) return true;
  const int32_t x0 = clip.left + static_cast<int32_t>(first - columns.begin());
  const int count = static_cast<int>(end - first);
  const size_t bytes = static_cast<size_t>(count) * 4;
  std::vector<uint8_t> picked(opacity >= 255 ? 0 : bytes);
  int64_t lastRow = -1;
  const uint8_t* lastDest = nullptr;
  for (int32_t y = clip.top; y < clip.bottom; ++y) {
    const int64_t sy = sourceRow(y);
    if (sy < srcOk.top || sy >= srcOk.bottom) continue;
    const uint8_t* srow = source.Lock(0, static_cast<int>(sy));
    uint8_t* drow = dest.Lock(x0, y);
    if (srow == nullptr || drow == nullptr) continue;
    if (opacity >= 255) {
      if (sy == lastRow && lastDest != nullptr) {
        std::memcpy(drow, lastDest, bytes);
      } else {
        StretchRow32(drow, srow, &*first, count, srcOk.right);
      }
      lastDest = drow;
    } else {
      if (sy != lastRow) StretchRow32(picked.data(), srow, &*first, count, srcOk.right);
      BlendRow32(drow, picked.data(), count, opacity);  // d = (d*(255-a) + s*a) >> 8, fourth byte 0
    }
    lastRow = sy;
  }
  return true;
}

}  // namespace

bool FormatOf(const TCustomDIBX& s, PixelFormat& out) {
  if (s.Width() <= 0 || s.Height() <= 0) return false;
  return s.DrawFormat(out);
}

Pixel GreyPixel(const TCustomDIBX& s, int v) {
  const int g = std::clamp(v, 0, 255);
  const int32_t p = s.ColorToPixel(g | g << 8 | g << 16);
  return p < 0 ? 0 : static_cast<Pixel>(p);
}

void AddGrey(TCustomDIBX& s, const TRect& r, int v, bool subtract) {
  if (v <= 0) return;
  const Pixel grey = GreyPixel(s, v);
  if (subtract) {
    s.FillRectSub(r, grey);
  } else {
    s.FillRectAdd(r, grey);
  }
}

void CopyWhole(TCustomDIBX& dest, const TCustomDIBX& source) {
  dest.Draw(0, 0, false, false, false, source.BoundsRect(), source);
}

void MixRow32(uint8_t* dst, const uint8_t* from, const uint8_t* to, const uint8_t* mask, int count) {
  int i = 0;
#if defined(__SSE2__)
  // Four pixels at a time in 16-bit lanes: t*m + f*(255-m) = 256*f - f + (t-f)*m lies in
  // 0..255*255, so computing it modulo 2^16 (one multiply per lane) gives it exactly.
  const __m128i zero = _mm_setzero_si128();
  for (; i + 4 <= count; i += 4) {
    const __m128i f = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 4 * i));
    const __m128i t = _mm_loadu_si128(reinterpret_cast<const __m128i*>(to + 4 * i));
    // Each pixel's mask value in all four of its 16-bit channel lanes.
    const __m128i m8 = _mm_cvtsi32_si128(static_cast<int>(mask[i] | mask[i + 1] << 8 | mask[i + 2] << 16 |
                                                          static_cast<uint32_t>(mask[i + 3]) << 24));
    const __m128i m16 = _mm_unpacklo_epi8(m8, zero);         // m0 m1 m2 m3 (16 bits each)
    const __m128i m32 = _mm_unpacklo_epi16(m16, m16);        // m0 m0 m1 m1 m2 m2 m3 m3
    const __m128i mLo = _mm_unpacklo_epi32(m32, m32);        // m0 x4, m1 x4
    const __m128i mHi = _mm_unpackhi_epi32(m32, m32);        // m2 x4, m3 x4
    const __m128i fLo = _mm_unpacklo_epi8(f, zero), fHi = _mm_unpackhi_epi8(f, zero);
    const __m128i tLo = _mm_unpacklo_epi8(t, zero), tHi = _mm_unpackhi_epi8(t, zero);
    const __m128i lo = _mm_srli_epi16(_mm_add_epi16(_mm_sub_epi16(_mm_slli_epi16(fLo, 8), fLo),
                                                    _mm_mullo_epi16(_mm_sub_epi16(tLo, fLo), mLo)), 8);
    const __m128i hi = _mm_srli_epi16(_mm_add_epi16(_mm_sub_epi16(_mm_slli_epi16(fHi, 8), fHi),
                                                    _mm_mullo_epi16(_mm_sub_epi16(tHi, fHi), mHi)), 8);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * i), _mm_packus_epi16(lo, hi));
  }
#endif
  for (; i < count; ++i) {
    Store<PixelFormat::kRgb32>(dst + 4 * i, MixPixel<PixelFormat::kRgb32>(Load<PixelFormat::kRgb32>(from + 4 * i),
                                                                        Load<PixelFormat::kRgb32>(to + 4 * i), mask[i]));
  }
}

void MaskRow32(uint8_t* dst, const uint8_t* from, const uint8_t* to, const uint8_t* mask, int count) {
  ComposeRow32(dst, from, to, mask, count, false);
}

void StretchDraw(TCustomDIBX& dest, const TRect& destRect, const TCustomDIBX& source, const TRect& srcRect,
                 int opacity) {
  PixelFormat f;
  if (opacity <= 0 || !SameFormat(dest, source, f)) return;
  const int64_t dw = destRect.Width(), dh = destRect.Height();
  const int64_t sw = srcRect.Width(), sh = srcRect.Height();
  if (dw < 1 || dh < 1 || sw < 1 || sh < 1) return;
  const int64_t stepX = (sw << 16) / dw;  // trunc(width(S) / width(D) * 65536)
  const int64_t stepY = (sh << 16) / dh;
  const TRect clip = Intersect(destRect, dest.BoundsRect());
  if (clip.IsEmpty()) return;
  const TRect srcOk = Intersect(srcRect, source.BoundsRect());
  // Source column of every destination column of the clip (-1: outside the source).
  std::vector<int32_t> columns(static_cast<size_t>(clip.Width()));
  for (int32_t x = clip.left; x < clip.right; ++x) {
    const int64_t sx = srcRect.left + (((x - int64_t{destRect.left}) * stepX) >> 16);
    columns[static_cast<size_t>(x - clip.left)] = (sx >= srcOk.left && sx < srcOk.right) ? static_cast<int32_t>(sx) : -1;
  }
  const auto sourceRow = [&](int32_t y) { return srcRect.top + (((y - int64_t{destRect.top}) * stepY) >> 16); };
  if (f == PixelFormat::kRgb32 && &dest != &source && StretchRows32(dest, clip, source, srcOk, columns, sourceRow, opacity)) {
    return;
  }
  WithFormat(f, [&]<PixelFormat F>() {
    constexpr int bpp = Info(F).bytesPerPixel;
    for (int32_t y = clip.top; y < clip.bottom; ++y) {
      const int64_t sy = sourceRow(y);
      if (sy < srcOk.top || sy >= srcOk.bottom) continue;
      const uint8_t* srow = source.Lock(0, static_cast<int>(sy));
      uint8_t* drow = dest.Lock(clip.left, y);
      if (srow == nullptr || drow == nullptr) continue;
      for (size_t i = 0; i < columns.size(); ++i, drow += bpp) {
        if (columns[i] < 0) continue;
        const uint32_t s = Load<F>(srow + static_cast<ptrdiff_t>(columns[i]) * bpp);
        Store<F>(drow, opacity >= 255 ? s : Over<F>(Load<F>(drow), s, opacity));
      }
    }
  });
}

namespace {

// The picture under a drawing, copied into dest row by row as the drawing reaches each row: the
// parts of a row outside the drawn span are copied, while the span is drawn over the picture's row
// in the same pass (so no byte is written twice); rows not drawn are copied whole, the rows after
// the drawing at the end.
class RowsUnder {
 public:
  RowsUnder(TCustomDIBX& dest, const TCustomDIBX* under) : dest_(dest), under_(under) {
    PixelFormat f;
    if (under_ != nullptr && SameFormat(dest, *under_, f)) {
      bpp_ = Info(f).bytesPerPixel;
      width_ = std::min(dest.Width(), under_->Width());
      rows_ = std::min(dest.Height(), under_->Height());
    }
  }
  ~RowsUnder() { Until(rows_); }
  RowsUnder(const RowsUnder&) = delete;
  RowsUnder& operator=(const RowsUnder&) = delete;
  // Copies the rows before y not copied yet.
  void Until(int32_t y) {
    for (const int32_t end = std::min(y, rows_); next_ < end; ++next_) Copy(next_, 0, width_);
  }
  // Copies the rows before y not copied yet and row y but for its columns left .. right - 1, and
  // returns the row of the picture (nullptr for none) to draw those columns over; the columns from
  // UnderWidth() on have none and are drawn over dest's own pixels.
  const uint8_t* AllBut(int32_t y, int32_t left, int32_t right) {
    Until(y);
    if (y != next_ || y >= rows_) return nullptr;
    ++next_;
    Copy(y, 0, std::min(left, width_));
    Copy(y, std::max(right, 0), width_);
    return under_ == &dest_ ? nullptr : under_->Lock(0, y);
  }
  int32_t UnderWidth() const { return width_; }

 private:
  void Copy(int32_t y, int32_t from, int32_t to) {
    if (from >= to || under_ == &dest_) return;
    const ptrdiff_t at = static_cast<ptrdiff_t>(from) * bpp_;
    std::memcpy(dest_.Lock(0, y) + at, under_->Lock(0, y) + at, static_cast<size_t>(to - from) * static_cast<size_t>(bpp_));
  }

  TCustomDIBX& dest_;
  const TCustomDIBX* under_;
  int bpp_ = 0;
  int32_t width_ = 0;
  int32_t rows_ = 0;
  int32_t next_ = 0;
};

}  // namespace

void DrawRotate(TCustomDIBX& dest, int cx, int cy, int opacity, int angle, int pivotX, int pivotY,
                const TCustomDIBX& source, int scaleX, int scaleY, const TCustomDIBX* under) {
  RowsUnder rowsUnder(dest, under);
  PixelFormat f;
  if (opacity <= 0 || scaleX <= 0 || scaleY <= 0 || !SameFormat(dest, source, f)) return;
  const double sx = scaleX / 256.0, sy = scaleY / 256.0;
  const double g = angle * std::numbers::pi / 128.0;
  const double c = std::cos(g), s = std::sin(g);
  // Inverse mapping in 16.16: source steps per destination column and per destination row.
  const int64_t uCol = static_cast<int64_t>(c / sx * 65536.0), vCol = static_cast<int64_t>(-s / sy * 65536.0);
  const int64_t uRow = static_cast<int64_t>(s / sx * 65536.0), vRow = static_cast<int64_t>(c / sy * 65536.0);
  const int sw = source.Width(), sh = source.Height();
  // Destination box: the rotated corners of the scaled source, moved to (cx, cy).
  const double ax[2] = {-pivotX * sx, sw * sx - pivotX * sx - 1};
  const double by[2] = {-pivotY * sy, sh * sy - pivotY * sy - 1};
  double minX = 1e300, maxX = -1e300, minY = 1e300, maxY = -1e300;
  for (double a : ax) {
    for (double b : by) {
      const double X = cx + c * a - s * b, Y = cy + s * a + c * b;
      minX = std::min(minX, X), maxX = std::max(maxX, X), minY = std::min(minY, Y), maxY = std::max(maxY, Y);
    }
  }
  const auto limit = [](double v) { return static_cast<int64_t>(std::clamp(v, -1e9, 1e9)); };
  const TRect box{static_cast<int32_t>(std::clamp<int64_t>(limit(minX), INT32_MIN, INT32_MAX)),
                  static_cast<int32_t>(std::clamp<int64_t>(limit(minY), INT32_MIN, INT32_MAX)),
                  static_cast<int32_t>(std::clamp<int64_t>(limit(maxX + 1), INT32_MIN, INT32_MAX)),
                  static_cast<int32_t>(std::clamp<int64_t>(limit(maxY + 1), INT32_MIN, INT32_MAX))};
  const TRect clip = Intersect(box, dest.GetClip());
  if (clip.IsEmpty()) return;
  const uint8_t* sbase = source.Lock(0, 0);
  const ptrdiff_t spitch = source.Pitch();
  if (sbase == nullptr) return;
  const int64_t count = clip.Width();
  // Offsets of the source in 32 bits for the vector walk.
  const bool narrow = spitch % 4 == 0 && sw < 32768 && sh < 32768 && std::abs(spitch) * int64_t{sh} < (int64_t{1} << 31);
  // The walk drawn straight into dest over the picture under it, unless dest is the source too
  // (then the walk must read rows of dest drawn and copied as the row by row order leaves them).
  const bool fused = &dest != &source;
  constexpr int64_t kAheadRows = 1;
  std::vector<uint32_t> gathered;
  WithFormat(f, [&]<PixelFormat F>() {
    constexpr int bpp = Info(F).bytesPerPixel;
    if constexpr (F == PixelFormat::kRgb32) {
      if (!fused) gathered.resize(static_cast<size_t>(count));
    }
    for (int32_t y = clip.top; y < clip.bottom; ++y) {
      // A fused row copies its own row of the picture under it; others take it whole first.
      if (!fused || F != PixelFormat::kRgb32) rowsUnder.Until(y + 1);
      const int64_t dx0 = int64_t{clip.left} - cx, dy = int64_t{y} - cy;
      const int64_t u0 = int64_t{pivotX} * 65536 + dx0 * uCol + dy * uRow;
      const int64_t v0 = int64_t{pivotY} * 65536 + dx0 * vCol + dy * vRow;
      // The columns whose source point lies inside the source: 0 <= u <= sw * 65536 - 1 and the
      // same for v, both linear in the column.
      int64_t first = 0, last = count - 1;
      LinearRange(u0, uCol, 0, int64_t{sw} * 65536 - 1, first, last);
      LinearRange(v0, vCol, 0, int64_t{sh} * 65536 - 1, first, last);
      if (first > last) continue;
      uint8_t* drow = dest.Lock(clip.left, y);
      if (drow == nullptr) continue;
      drow += first * bpp;
      int64_t u = u0 + first * uCol, v = v0 + first * vCol;
      const int64_t n = last - first + 1;
      if constexpr (F == PixelFormat::kRgb32) {
        if (fused) {
          // The span's columns left .. right - 1: those over the picture under it drawn from its
          // row, the rest over dest's own pixels.
          const int32_t left = clip.left + static_cast<int32_t>(first);
          const int32_t right = left + static_cast<int32_t>(n);
          const uint8_t* urow = rowsUnder.AllBut(y, left, right);
          const int32_t split = urow == nullptr ? left : std::clamp(rowsUnder.UnderWidth(), left, right);
          // The source lines of the row kAheadRows below are asked for while this one is drawn.
          const SourceWalk walk{sbase, spitch, sw, u, v, uCol, vCol, narrow, kAheadRows * uRow, kAheadRows * vRow};
          WalkOverRow32(drow, urow == nullptr ? drow : urow + ptrdiff_t{left} * 4, walk, split - left, opacity);
          const int32_t done = split - left;
          SourceWalk rest = walk;
          rest.u += done * uCol;
          rest.v += done * vCol;
          WalkOverRow32(drow + ptrdiff_t{done} * 4, drow + ptrdiff_t{done} * 4, rest, right - split, opacity);
          continue;
        }
        // Gather the row's source pixels, then copy or blend them in one pass.
        WalkRow32(reinterpret_cast<uint8_t*>(gathered.data()), SourceWalk{sbase, spitch, sw, u, v, uCol, vCol, narrow},
                  static_cast<int>(n));
        const auto* src = reinterpret_cast<const uint8_t*>(gathered.data());
        if (opacity >= 255) {
          std::memcpy(drow, src, static_cast<size_t>(n) * 4);
        } else {
          BlendRow32(drow, src, static_cast<int>(n), opacity);
        }
      } else {
        for (int64_t i = 0; i < n; ++i, u += uCol, v += vCol, drow += bpp) {
          const uint32_t sp = Load<F>(sbase + (v >> 16) * spitch + (u >> 16) * bpp);
          Store<F>(drow, Over<F>(Load<F>(drow), sp, opacity));
        }
      }
    }
  });
}

void BoxBlur(TCustomDIBX& dest, const TCustomDIBX& source, int radius) {
  PixelFormat f;
  if (!SameFormat(dest, source, f)) return;
  CopyWhole(dest, source);
  const int w = std::min(dest.Width(), source.Width()), h = std::min(dest.Height(), source.Height());
  if (radius <= 0 || w <= 0 || h <= 0) return;
  const FormatInfo fi = Info(f);
  const size_t n = static_cast<size_t>(w) * static_cast<size_t>(h);
  std::vector<uint32_t> chan(n), tmp(n);
  const int bpp = fi.bytesPerPixel;
  for (int c = 0; c < fi.channelCount; ++c) {
    const ChannelInfo ch = fi.channels[c];
    for (int y = 0; y < h; ++y) {
      const uint8_t* row = source.Lock(0, y);
      for (int x = 0; x < w; ++x) chan[static_cast<size_t>(y) * w + x] = (LoadPixel(f, row + x * bpp) & ch.mask) >> ch.shift;
    }
    const uint32_t count = static_cast<uint32_t>(2 * radius + 1);
    // Horizontal pass: running sum over the window, border pixels repeated.
    for (int y = 0; y < h; ++y) {
      const uint32_t* in = &chan[static_cast<size_t>(y) * w];
      uint32_t* out = &tmp[static_cast<size_t>(y) * w];
      uint64_t sum = 0;
      for (int k = -radius; k <= radius; ++k) sum += in[std::clamp(k, 0, w - 1)];
      for (int x = 0; x < w; ++x) {
        out[x] = static_cast<uint32_t>(sum / count);
        sum += in[std::min(x + radius + 1, w - 1)];
        sum -= in[std::max(x - radius, 0)];
      }
    }
    // Vertical pass.
    for (int x = 0; x < w; ++x) {
      uint64_t sum = 0;
      for (int k = -radius; k <= radius; ++k) sum += tmp[static_cast<size_t>(std::clamp(k, 0, h - 1)) * w + x];
      for (int y = 0; y < h; ++y) {
        chan[static_cast<size_t>(y) * w + x] = static_cast<uint32_t>(sum / count);
        sum += tmp[static_cast<size_t>(std::min(y + radius + 1, h - 1)) * w + x];
        sum -= tmp[static_cast<size_t>(std::max(y - radius, 0)) * w + x];
      }
    }
    for (int y = 0; y < h; ++y) {
      uint8_t* row = dest.Lock(0, y);
      for (int x = 0; x < w; ++x) {
        uint32_t p = c == 0 ? 0 : LoadPixel(f, row + x * bpp);
        p = (p & ~ch.mask) | (chan[static_cast<size_t>(y) * w + x] << ch.shift);
        StorePixel(f, row + x * bpp, p);
      }
    }
  }
}

}  // namespace kuzo::wipe
