// Mosaic, roll, rubber band and twist: stretched drawing of whole pictures, lines and bands.
#include "transitions/wipe_smear.h"

#include <algorithm>
#include <cmath>
#include <numbers>

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
    Dest.FillRect(TRect{0, a, w, a + 1}, 0);
    const int32_t width = RoundEven(std::cos(phi) * w);
    if (width == 0) continue;
    const int32_t n = std::abs(width), x0 = (w - n) / 2;
    wipe::StretchDraw(Dest, TRect{x0, a, x0 + n, a + 1}, width > 0 ? From : To, TRect{0, a, w, a + 1}, 255);
  }
  if (last >= 0) {
    const TRect done = Reverse != 0 ? TRect{0, last, w, h} : TRect{0, 0, w, last + 1};
    Dest.Draw(done.left, done.top, false, false, false, done, To);
  }
}

void TWipeTwistV::DrawFrame() {
  constexpr double kPi = std::numbers::pi;
  const double A = Progress() * 3 * kPi / 2;
  const int h = H(), w = W();
  int last = -1;
  // Columns that turn with the same height form one strip, drawn with one fill and one stretch.
  int runStart = -1, runEnd = -1;
  int32_t runHeight = 0;
  const auto flush = [&] {
    if (runStart < 0) return;
    Dest.FillRect(TRect{runStart, 0, runEnd + 1, h}, 0);  // the whole strip black, margins included
    if (runHeight != 0) {
      const int32_t n = std::abs(runHeight), m = (h - n) / 2;
      wipe::StretchDraw(Dest, TRect{runStart, m, runEnd + 1, m + n}, runHeight > 0 ? From : To,
                        TRect{runStart, 0, runEnd + 1, h}, 255);
    }
    runStart = -1;
  };
  for (int i = 0; i < w; ++i) {
    const int a = Reverse != 0 ? w - 1 - i : i;
    const double phi = A - (static_cast<double>(i) / w) * kPi / 2;
    if (phi < 0 || phi >= kPi) {
      flush();
      if (phi >= kPi) last = a;
      continue;
    }
    const int32_t height = RoundEven(std::cos(phi) * h);
    if (runStart >= 0 && height == runHeight && (a == runEnd + 1 || a == runStart - 1)) {
      runStart = std::min(runStart, a);
      runEnd = std::max(runEnd, a);
      continue;
    }
    flush();
    runStart = runEnd = a;
    runHeight = height;
  }
  flush();
  if (last >= 0) {
    const TRect done = Reverse != 0 ? TRect{last, 0, w, h} : TRect{0, 0, last + 1, h};
    Dest.Draw(done.left, done.top, false, false, false, done, To);
  }
}

}  // namespace kuzo
