// Mosaic, roll, rubber band and twist: stretched drawing of whole pictures, lines and bands.
#include "transitions/wipe_smear.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#include "transitions/wipe_rows.h"
#include "transitions/wipe_surface_ops.h"

namespace kuzo {
namespace {

// A rectangle along the sweep axis: lines [a, b) across the full other side.
TRect Lines(bool rows, int64_t a, int64_t b, int w, int h) {
  return rows ? TRect{0, static_cast<int32_t>(a), w, static_cast<int32_t>(b)}
              : TRect{static_cast<int32_t>(a), 0, static_cast<int32_t>(b), h};
}

}  // namespace

// --- mosaic ---------------------------------------------------------------------------------------

TWipeMosaic::TWipeMosaic(TCustomDIBX& dest, const TCustomDIBX& from, const TCustomDIBX& to,
                         const WipeServices& services)
    : TCustomWipe(dest, from, to, services) {
  if (W() > 0 && H() > 0) work_.SetSize(W(), H(), dest.BitCount());
}

void TWipeMosaic::DrawFrame() {
  if (work_.Width() != W() || work_.Height() != H()) return;
  const int64_t L = Scaled(1023);
  // Coarseness in 1/256 of a quarter of the size: 263 at the ends, 24 at mid-duration.
  const int64_t s = L <= 511 ? 263 - (L / 2) * 15 / 16 : ((L - 512) / 2) * 15 / 16 + 24;
  const int32_t sw = static_cast<int32_t>(std::max<int64_t>(1, ((W() / 4) * s) >> 8));
  const int32_t sh = static_cast<int32_t>(std::max<int64_t>(1, ((H() / 4) * s) >> 8));
  const TRect small{0, 0, sw, sh};
  if (L <= 767) wipe::StretchDraw(work_, small, From, Area(), 255);
  if (L >= 256 && L <= 511) wipe::StretchDraw(work_, small, To, Area(), static_cast<int>((L - 256) / 4));
  if (L >= 512 && L <= 767) wipe::StretchDraw(work_, small, To, Area(), static_cast<int>((L - 256) / 2));
  if (L >= 768) wipe::StretchDraw(work_, small, To, Area(), 255);
  wipe::StretchDraw(Dest, Area(), work_, small, 255);
}

// --- roll and rubber band -------------------------------------------------------------------------

void TWipeSudareH::Band(int64_t p, int64_t& start, int64_t& width) const {
  start = Reverse != 0 ? (Rows() ? H() : W()) - p - 1 : p;
  width = 1;
}

void TWipeRubberH::Band(int64_t p, int64_t& start, int64_t& width) const {
  const int64_t size = Rows() ? H() : W();
  const double half = Duration / 2.0;
  const double away = std::abs(Elapsed - half);
  if (Reverse != 0) {
    const int64_t q = size - p - 1;
    width = RoundEven(away * ((p + 1) / 2.0) / half);
    start = q;
  } else {
    width = RoundEven(away * (p / 2.0) / half);
    start = std::max<int64_t>(0, p - width);
  }
  // At mid-duration the band is empty: the line under the sweep is stretched instead.
  if (width <= 0) {
    start = Reverse != 0 ? size - p - 1 : p;
    width = 1;
  }
  width = std::min(width, size - start);
}

void TWipeSudareH::DrawFrame() {
  const bool rows = Rows();
  const int64_t size = rows ? H() : W();
  int64_t p = Scaled(2 * size - 1);
  const TCustomDIBX* source = &From;
  if (p >= size) {
    p = 2 * size - p - 1;
    source = &To;
  }
  int64_t start, width;
  Band(p, start, width);
  if (Reverse != 0) {
    const int64_t q = size - p - 1;
    wipe::StretchDraw(Dest, Lines(rows, q, size, W(), H()), *source, Lines(rows, start, start + width, W(), H()), 255);
    const TRect keep = Lines(rows, 0, q, W(), H());
    if (!keep.IsEmpty()) Dest.Draw(0, 0, false, false, false, keep, *source);
  } else {
    wipe::StretchDraw(Dest, Lines(rows, 0, p + 1, W(), H()), *source, Lines(rows, start, start + width, W(), H()), 255);
    const TRect keep = Lines(rows, p + 1, size, W(), H());
    if (!keep.IsEmpty()) Dest.Draw(keep.left, keep.top, false, false, false, keep, *source);
  }
}

// --- twist ----------------------------------------------------------------------------------------

void TWipeTwistH::DrawFrame() {
  constexpr double kPi = std::numbers::pi;
  const double A = Progress() * 3 * kPi / 2;
  const int h = H(), w = W();
  int last = -1;
  for (int i = 0; i < h; ++i) {
    const int a = Reverse != 0 ? h - 1 - i : i;
    const double phi = A - (static_cast<double>(i) / h) * kPi / 2;
    if (phi < 0) continue;  // not turning yet: the row stays as it is
    if (phi >= kPi) {
      last = a;  // turned over: shows the incoming row
      continue;
    }
    const int32_t width = RoundEven(std::cos(phi) * w);
    const int32_t n = std::abs(width), x0 = (w - n) / 2;
    if (width == 0 || !TurnRow(a, x0, n, width > 0 ? From : To)) {
      Dest.FillRect(TRect{0, a, w, a + 1}, 0);
      if (width != 0) wipe::StretchDraw(Dest, TRect{x0, a, x0 + n, a + 1}, width > 0 ? From : To, TRect{0, a, w, a + 1}, 255);
    }
  }
  if (last >= 0) {
    const TRect done = Reverse != 0 ? TRect{0, last, w, h} : TRect{0, 0, w, last + 1};
    Dest.Draw(done.left, done.top, false, false, false, done, To);
  }
}

bool TWipeTwistH::TurnRow(int a, int32_t x0, int32_t n, const TCustomDIBX& source) {
  if (!RowsDirect()) return false;
  // Black around the strip; inside it, column x takes the source column ((x - x0) * step) >> 16
  // with step = trunc(W / n * 65536), the nearest-neighbour stretch of the whole row.
  const int w = W();
  uint8_t* dr = Dest.Lock(0, a);
  const uint8_t* sr = source.Lock(0, a);
  const int64_t step = (int64_t{w} << 16) / n;
  std::memset(dr, 0, static_cast<size_t>(x0) * 4);
  int64_t acc = 0;
  for (int32_t x = x0; x < x0 + n; ++x, acc += step) {
    std::memcpy(dr + static_cast<ptrdiff_t>(x) * 4, sr + (acc >> 16) * 4, 4);
  }
  std::memset(dr + static_cast<ptrdiff_t>(x0 + n) * 4, 0, static_cast<size_t>(w - x0 - n) * 4);
  return true;
}

void TWipeTwistV::DrawFrame() {
  constexpr double kPi = std::numbers::pi;
  PixelFormat f;
  if (!wipe::FormatOf(Dest, f)) return;
  const double A = Progress() * 3 * kPi / 2;
  const int h = H(), w = W();
  // Per column: untouched, finished (the incoming column), or turning with a signed height
  // (positive: the outgoing column, negative: the incoming one, 0: black).
  enum : uint8_t { kUntouched, kFinished, kTurning };
  std::vector<uint8_t> state(static_cast<size_t>(w), kUntouched);
  std::vector<int32_t> height(static_cast<size_t>(w), 0);
  int last = -1;
  for (int i = 0; i < w; ++i) {
    const int a = Reverse != 0 ? w - 1 - i : i;
    const double phi = A - (static_cast<double>(i) / w) * kPi / 2;
    if (phi < 0) continue;
    if (phi >= kPi) {
      last = a;
      continue;
    }
    state[static_cast<size_t>(a)] = kTurning;
    height[static_cast<size_t>(a)] = RoundEven(std::cos(phi) * h);
  }
  // Finished columns: 0 .. last (last .. W - 1 with Reverse).
  if (last >= 0) {
    const int lo = Reverse != 0 ? last : 0, hi = Reverse != 0 ? w - 1 : last;
    for (int a = lo; a <= hi; ++a) state[static_cast<size_t>(a)] = kFinished;
  }
  // Each turning column: black, with the column stretched into |h| rows from the top margin
  // (H - |h|) div 2, source row ((y - margin) * trunc(H / |h| * 65536)) >> 16. Drawn row by row.
  std::vector<int32_t> margin(static_cast<size_t>(w)), step(static_cast<size_t>(w));
  for (int a = 0; a < w; ++a) {
    const int32_t n = std::abs(height[static_cast<size_t>(a)]);
    margin[static_cast<size_t>(a)] = (h - n) / 2;
    step[static_cast<size_t>(a)] = n > 0 ? static_cast<int32_t>((int64_t{h} << 16) / n) : 0;
  }
  if (f == PixelFormat::kRgb32 && DrawColumns32(state, height, margin, step)) return;
  wipe::WithFormat(f, [&]<PixelFormat F>() {
    constexpr int bpp = Info(F).bytesPerPixel;
    const uint8_t* fromBase = From.Lock(0, 0);
    const uint8_t* toBase = To.Lock(0, 0);
    const ptrdiff_t fromPitch = From.Pitch(), toPitch = To.Pitch();
    for (int y = 0; y < h; ++y) {
      uint8_t* dr = Dest.Lock(0, y);
      const uint8_t* toRow = toBase + y * toPitch;
      for (int a = 0; a < w; ++a) {
        const uint8_t st = state[static_cast<size_t>(a)];
        if (st == kUntouched) continue;
        uint8_t* d = dr + static_cast<ptrdiff_t>(a) * bpp;
        if (st == kFinished) {
          wipe::Store<F>(d, wipe::Load<F>(toRow + static_cast<ptrdiff_t>(a) * bpp));
          continue;
        }
        const int32_t hh = height[static_cast<size_t>(a)];
        const int32_t n = std::abs(hh), m = margin[static_cast<size_t>(a)];
        if (n == 0 || y < m || y >= m + n) {
          wipe::Store<F>(d, 0);
          continue;
        }
        const int64_t sy = ((int64_t{y} - m) * step[static_cast<size_t>(a)]) >> 16;
        const uint8_t* src = hh > 0 ? fromBase + sy * fromPitch : toBase + sy * toPitch;
        wipe::Store<F>(d, wipe::Load<F>(src + static_cast<ptrdiff_t>(a) * bpp));
      }
    }
  });
}

bool TWipeTwistV::DrawColumns32(const std::vector<uint8_t>& state, const std::vector<int32_t>& height,
                                const std::vector<int32_t>& margin, const std::vector<int32_t>& step) {
  // The same picture as the per-format loop, with the finished columns copied as one run per row
  // and each turning column's strip described once: rows margin .. margin + n - 1 take the source
  // column's row ((y - margin) * step) >> 16, the rows around them are black. The turning columns
  // are one run of neighbours (the phase falls steadily from column to column).
  enum : uint8_t { kFinished = 1, kTurning = 2 };
  const int w = W(), h = H();
  std::vector<int32_t> margins, rows, steps, sides, offsets;
  int finishedLo = w, finishedHi = -1, turningLo = w, turningHi = -1;
  for (int a = 0; a < w; ++a) {
    const size_t i = static_cast<size_t>(a);
    if (state[i] == kFinished) {
      finishedLo = std::min(finishedLo, a);
      finishedHi = std::max(finishedHi, a);
    } else if (state[i] == kTurning) {
      turningLo = std::min(turningLo, a);
      turningHi = a;
    }
  }
  // rows * step < H * 65536 must stay below 2^31.
  if (h >= 32768) return false;
  for (int a = turningLo; a <= turningHi; ++a) {
    const size_t i = static_cast<size_t>(a);
    if (state[i] != kTurning) return false;
    margins.push_back(margin[i]);
    rows.push_back(std::abs(height[i]));
    steps.push_back(step[i]);
    sides.push_back(height[i] > 0 ? 1 : 0);
    offsets.push_back(a * 4);
  }
  const wipe::TwistColumns columns{margins.data(), rows.data(), steps.data(), sides.data(), offsets.data(),
                                   From.Lock(0, 0), From.Pitch(), To.Lock(0, 0), To.Pitch(), true};
  // The turning columns in runs showing one picture each (the outgoing where the height is
  // positive), so the vector loops need not tell the pictures apart column by column.
  const int turningCount = turningHi - turningLo + 1;
  std::vector<std::pair<int, wipe::TwistColumns>> runs;  // column count, columns
  for (int a = 0; a < turningCount;) {
    wipe::TwistColumns run = columns.After(a);
    run.allSide = sides[static_cast<size_t>(a)];
    int b = a;
    while (b < turningCount && sides[static_cast<size_t>(b)] == run.allSide) ++b;
    runs.emplace_back(b - a, run);
    a = b;
  }
  for (int y = 0; y < h; ++y) {
    if (finishedHi >= finishedLo) {
      std::memcpy(Dest.Lock(finishedLo, y), To.Lock(finishedLo, y), static_cast<size_t>(finishedHi - finishedLo + 1) * 4);
    }
    int first = turningLo;
    for (const auto& [count, run] : runs) {
      wipe::TwistRow32(Dest.Lock(first, y), y, count, run);
      first += count;
    }
  }
  return true;
}

}  // namespace kuzo
