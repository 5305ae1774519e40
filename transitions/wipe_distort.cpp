// Spot, shrink / grow, ripple, blur and crack: per-pixel tables, rotated drawing and moving pieces.
#include "transitions/wipe_distort.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "transitions/wipe_pass_rows.h"
#include "transitions/wipe_rows.h"
#include "transitions/wipe_surface_ops.h"

namespace kuzo {
namespace {

int32_t Clamp32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

}  // namespace

// --- spot -----------------------------------------------------------------------------------------

void TWipeSpot::SetReverse(uint8_t reverse) {
  TCustomWipe::SetReverse(reverse);
  BuildMap();
}

void TWipeSpot::Prepare() {
  const size_t pixels = static_cast<size_t>(W()) * static_cast<size_t>(H());
  if (map_.size() != pixels && map16_.size() != pixels) BuildMap();
}

void TWipeSpot::BuildMap() {
  const int cx = W() / 2, cy = H() / 2;
  const int32_t rim = RoundEven(std::hypot(cx, cy));
  const size_t pixels = static_cast<size_t>(W()) * static_cast<size_t>(H());
  span_ = rim + 512;
  // Levels g - map with g in 0 .. span_ and map in 0 .. rim fit 16-bit lanes below 32768.
  const bool narrow = span_ < 32768;
  map16_.assign(narrow ? pixels : 0, 0);
  map_.assign(narrow ? 0 : pixels, 0);
  for (int y = 0; y < H(); ++y) {
    for (int x = 0; x < W(); ++x) {
      const int32_t r = RoundEven(std::hypot(x - cx, y - cy));
      const int32_t m = Reverse != 0 ? rim - r : r;
      const size_t i = static_cast<size_t>(y) * W() + x;
      if (narrow) {
        map16_[i] = static_cast<uint16_t>(m);
      } else {
        map_[i] = m;
      }
    }
  }
}

void TWipeSpot::DrawFrame() {
  Prepare();
  PixelFormat f;
  if (!wipe::FormatOf(Dest, f)) return;
  const int64_t g = Scaled(span_);
  std::array<uint32_t, 256> grey{};
  for (int v = 0; v < 256; ++v) grey[static_cast<size_t>(v)] = wipe::GreyPixel(Dest, v);
  const bool narrow = !map16_.empty();
  if (f == PixelFormat::kRgb32 && wipe::PlainGreys32(grey)) {
    // Each pixel's level in the passage is g - f, held at 0 before the change and at 511 after it.
    const int32_t g32 = static_cast<int32_t>(g);
    for (int y = 0; y < H(); ++y) {
      const size_t row = static_cast<size_t>(y) * W();
      if (narrow) {
        // g held to 0 .. span_ leaves every level as it is (the map lies in 0 .. span_ - 512).
        wipe::SpotPassRow32(Dest.Lock(0, y), From.Lock(0, y), To.Lock(0, y), &map16_[row], W(), std::clamp(g32, 0, span_));
      } else {
        wipe::SpotRow32(Dest.Lock(0, y), From.Lock(0, y), To.Lock(0, y), &map_[row], W(), g32);
      }
    }
    return;
  }
  wipe::WithFormat(f, [&]<PixelFormat F>() {
    constexpr int bpp = Info(F).bytesPerPixel;
    for (int y = 0; y < H(); ++y) {
      const uint8_t* fr = From.Lock(0, y);
      const uint8_t* tr = To.Lock(0, y);
      uint8_t* dr = Dest.Lock(0, y);
      const size_t row = static_cast<size_t>(y) * W();
      for (int x = 0; x < W(); ++x) {
        const int64_t m = narrow ? map16_[row + static_cast<size_t>(x)] : map_[row + static_cast<size_t>(x)];
        const int64_t d = g - m;  // how far the change has gone at this pixel
        const ptrdiff_t o = static_cast<ptrdiff_t>(x) * bpp;
        uint32_t p;
        if (d < 0) {
          p = wipe::Load<F>(fr + o);
        } else if (d < 256) {
          p = wipe::AddSat<F>(wipe::Load<F>(fr + o), grey[static_cast<size_t>(d)]);  // From + grey(g - f)
        } else if (d < 512) {
          p = wipe::AddSat<F>(wipe::Load<F>(tr + o), grey[static_cast<size_t>(511 - d)]);  // To + grey(f + 511 - g)
        } else {
          p = wipe::Load<F>(tr + o);
        }
        wipe::Store<F>(dr + o, p);
      }
    }
  });
}

// --- shrink and grow ------------------------------------------------------------------------------

void TWipeSmall::DrawFrame() {
  const int a = RoundEven(255 * Remaining());
  const int p = Reverse != 0 ? -Params[0] : Params[0];
  const int angle = RoundEven(p * Progress());
  // Show(To), then the rotation over it; without a clip on Dest, row by row in one pass.
  const bool rows = RowsDirect() && Area() == Dest.BoundsRect();
  if (!rows) Show(To);
  wipe::DrawRotate(Dest, W() / 2, H() / 2, a, angle, From.Width() / 2, From.Height() / 2, From, a, a,
                   rows ? &To : nullptr);
}

void TWipeBig::DrawFrame() {
  const int a = RoundEven(255 * Progress());
  const int p = Reverse != 0 ? -Params[0] : Params[0];
  const int angle = RoundEven(p * Remaining());
  const bool rows = RowsDirect() && Area() == Dest.BoundsRect();
  if (!rows) Show(From);
  wipe::DrawRotate(Dest, W() / 2, H() / 2, a, angle, To.Width() / 2, To.Height() / 2, To, a, a,
                   rows ? &From : nullptr);
}

// --- ripple ---------------------------------------------------------------------------------------

TWipeRipple::TWipeRipple(TCustomDIBX& dest, const TCustomDIBX& from, const TCustomDIBX& to,
                         const WipeServices& services)
    : TCustomWipe(dest, from, to, services), w2_(W() / 2), h2_(H() / 2) {
  const size_t cells = static_cast<size_t>(w2_) * static_cast<size_t>(h2_);
  distance_.resize(cells);
  cosine_.resize(cells);
  sine_.resize(cells);
  for (int y = 0; y < h2_; ++y) {
    for (int x = 0; x < w2_; ++x) {
      const size_t i = static_cast<size_t>(y) * w2_ + x;
      const double dx = x - w2_, dy = y - h2_;
      const double theta = std::atan2(dy, dx);
      distance_[i] = static_cast<uint16_t>(std::clamp(RoundEven(std::hypot(dx, dy)), 0, 65535));
      cosine_[i] = RoundEven(std::cos(theta) * 65536);
      sine_[i] = RoundEven(std::sin(theta) * 65536);
    }
  }
  BuildProfile(5);
}

void TWipeRipple::SetParam(int index, int32_t value) {
  TCustomWipe::SetParam(index, value);
  if (index == 0) BuildProfile(value);
}

void TWipeRipple::BuildProfile(int32_t amplitude) {
  // Four sawtooth teeth over the ring width; rings narrower than four pixels stay undistorted.
  const int n = std::min(w2_, h2_) * 2 / 3;
  const int q = n / 4;
  profile_.assign(static_cast<size_t>(n), 0);
  if (q == 0) return;
  for (int i = 0; i < n; ++i) profile_[static_cast<size_t>(i)] = Clamp32(int64_t{i % q} * amplitude / q);
}

void TWipeRipple::DrawFrame() {
  PixelFormat f;
  if (!wipe::FormatOf(Dest, f)) return;
  const int w = W(), h = H();
  if (w2_ == 0 || h2_ == 0) {  // no quarter to mirror: a plain cut at mid-duration
    Show(Progress() < 0.5 ? From : To);
    return;
  }
  const int64_t n = static_cast<int64_t>(profile_.size());
  const int64_t level = Scaled(int64_t{RoundEven(std::hypot(w2_, h2_))} + n);
  const auto ringK = [&](int x, int y) { return int64_t{distance_[static_cast<size_t>(y) * w2_ + x]} + (n - 1) - level; };
  wipe::WithFormat(f, [&]<PixelFormat F>() {
    constexpr int bpp = Info(F).bytesPerPixel;
    // Rows are addressed from the first pixel and the pitch, not locked pixel by pixel.
    const uint8_t* fromBase = From.Lock(0, 0);
    const uint8_t* toBase = To.Lock(0, 0);
    uint8_t* destBase = Dest.Lock(0, 0);
    const ptrdiff_t fromPitch = From.Pitch(), toPitch = To.Pitch(), destPitch = Dest.Pitch();
    const auto at = [&](const TCustomDIBX& s, int x, int y) {
      return &s == &From ? wipe::Load<F>(fromBase + y * fromPitch + x * bpp) : wipe::Load<F>(toBase + y * toPitch + x * bpp);
    };
    const auto put = [&](int x, int y, uint32_t v) { wipe::Store<F>(destBase + y * destPitch + x * bpp, v); };
    // A row of cells falls into stretches: cells the ring has not reached (From), cells it has
    // passed (To) and cells inside it. The first two are copied whole in their four mirrored
    // places; only the cells inside the ring look their pixels up one by one.
    const auto copySpan = [&](const uint8_t* base, ptrdiff_t pitch, int y, int x0, int x1) {
      const size_t bytes = static_cast<size_t>(x1 - x0) * bpp;
      const int yy = h - 1 - y;
      for (int row : {y, yy}) {
        std::memcpy(destBase + row * destPitch + x0 * bpp, base + row * pitch + x0 * bpp, bytes);
        std::memcpy(destBase + row * destPitch + (w - x1) * bpp, base + row * pitch + (w - x1) * bpp, bytes);
      }
    };
    // The ring's cells on 32-bit screens go through the ring kernel.
    int64_t largest = int64_t{RoundEven(std::hypot(w2_, h2_))};
    int64_t profileLargest = 0;
    for (const int32_t v : profile_) profileLargest = std::max(profileLargest, std::abs(int64_t{v}));
    const wipe::RippleRing ring{distance_.data(), cosine_.data(), sine_.data(), profile_.data(),
                                static_cast<int32_t>(n), static_cast<int32_t>(level), w2_, h2_, w, h,
                                toBase, toPitch, destBase, destPitch,
                                largest + profileLargest < 32768 && int64_t{h} * std::abs(toPitch) < (int64_t{1} << 31)};
    // Every other frame takes the cell rows from the centre outwards: the rows a frame touches
    // last are still in the cache when the next one starts with them. The order changes nothing
    // else, as every destination pixel is written once from the pictures alone.
    upward_ = !upward_;
    for (int row = 0; row < h2_; ++row) {
      const int y = upward_ ? h2_ - 1 - row : row;
      const int yy = h - 1 - y;
      const uint16_t* dist = &distance_[static_cast<size_t>(y) * w2_];
      // Along a cell row the distance to the centre never grows (x runs towards the centre), so
      // the row is at most three stretches in this order: not reached (distance > level), in the
      // ring, passed (distance < level - n + 1). Their ends are found by binary search.
      const uint16_t* ringStart = std::partition_point(dist, dist + w2_, [&](uint16_t d) { return int64_t{d} > level; });
      const uint16_t* passedStart =
          std::partition_point(ringStart, dist + w2_, [&](uint16_t d) { return int64_t{d} + (n - 1) >= level; });
      const std::array<int, 4> ends{0, static_cast<int>(ringStart - dist), static_cast<int>(passedStart - dist), w2_};
      for (int stretch = 0; stretch < 3; ++stretch) {
        int x = ends[static_cast<size_t>(stretch)];
        const int end = ends[static_cast<size_t>(stretch) + 1];
        if (x == end) continue;
        const int kind = stretch == 0 ? 0 : (stretch == 1 ? 2 : 1);  // 0 not reached, 1 passed, 2 in the ring
        if (kind == 0) {
          copySpan(fromBase, fromPitch, y, x, end);
        } else if (kind == 1) {
          // The passed cells reach the middle: one copy from column x to its mirror, over the
          // middle column of odd widths too, which then shows the same pixel of To below.
          const size_t bytes = static_cast<size_t>(w - 2 * x) * bpp;
          std::memcpy(destBase + y * destPitch + x * bpp, toBase + y * toPitch + x * bpp, bytes);
          std::memcpy(destBase + yy * destPitch + x * bpp, toBase + yy * toPitch + x * bpp, bytes);
        } else if constexpr (F == PixelFormat::kRgb32) {
          wipe::RippleRing32(ring, y, x, end);
        } else {
          for (; x < end; ++x) {
            const int xx = w - 1 - x;
            const size_t i = static_cast<size_t>(y) * w2_ + x;
            const int64_t k = ringK(x, y);
            const int64_t r = int64_t{distance_[i]} + profile_[static_cast<size_t>(k)];
            const int64_t sx = int64_t{cosine_[i]} * r / 65536 + w2_;
            const int64_t sy = int64_t{sine_[i]} * r / 65536 + h2_;
            if (sx < 0 || sx >= w || sy < 0 || sy >= h) {
              put(x, y, at(To, x, y)), put(xx, y, at(To, xx, y)), put(x, yy, at(To, x, yy)), put(xx, yy, at(To, xx, yy));
              continue;
            }
            const int ix = static_cast<int>(sx), iy = static_cast<int>(sy);
            put(x, y, at(To, ix, iy));
            put(xx, y, at(To, w - 1 - ix, iy));
            put(x, yy, at(To, ix, h - 1 - iy));
            put(xx, yy, at(To, w - 1 - ix, h - 1 - iy));
          }
        }
      }
    }
    // Odd sizes leave a middle column or row that no quarter covers: it switches, undistorted,
    // with the nearest cell.
    if (w % 2 == 1) {
      for (int y = 0; y < h; ++y) {
        const int cy = std::min(y < h2_ ? y : h - 1 - y, h2_ - 1);
        put(w2_, y, at(ringK(w2_ - 1, cy) > n - 1 ? From : To, w2_, y));
      }
    }
    if (h % 2 == 1) {
      for (int x = 0; x < w; ++x) {
        const int cx = std::min(x < w2_ ? x : w - 1 - x, w2_ - 1);
        put(x, h2_, at(ringK(cx, h2_ - 1) > n - 1 ? From : To, x, h2_));
      }
    }
  });
}

// --- blur -----------------------------------------------------------------------------------------

TWipeBlurWhite::TWipeBlurWhite(TCustomDIBX& dest, const TCustomDIBX& from, const TCustomDIBX& to,
                               const WipeServices& services)
    : TCustomWipe(dest, from, to, services) {
  if (W() > 0 && H() > 0) {
    blurFrom_.SetSize(W(), H(), dest.BitCount());
    blurTo_.SetSize(W(), H(), dest.BitCount());
  }
}

void TWipeBlurWhite::Prepare() {
  const int radius = std::min(W(), H()) / 20;
  wipe::BoxBlur(blurFrom_, From, radius);
  wipe::BoxBlur(blurTo_, To, radius);
  blurred_ = true;
}

void TWipeBlurWhite::DrawFrame() {
  if (!blurred_) Prepare();
  const int L = static_cast<int>(Scaled(639));
  const bool dark = Darken();
  if (L <= 255) {
    ShowFade(From, blurFrom_, L, 0, 0);
  } else if (L <= 319) {
    ShowGrey(blurFrom_, (L - 256) * 4, dark);
  } else if (L <= 383) {
    ShowGrey(blurTo_, (383 - L) * 4, dark);
  } else {
    ShowFade(To, blurTo_, 639 - L, 0, 0);
  }
}

// --- crack ----------------------------------------------------------------------------------------

void TWipeCrack::SetParam(int index, int32_t value) {
  if (index == 1) {
    TCustomWipe::SetParam(1, std::max(value, 0));
    SetDelays();
    return;
  }
  if (index != 0) return;
  const int32_t s = std::max(value, 16);
  TCustomWipe::SetParam(0, s);
  pieces_.clear();
  const int64_t cols = (int64_t{W()} + s - 1) / s, rows = (int64_t{H()} + s - 1) / s;
  // Fall length: the smallest t with t * (5t - 1500) div 1000 >= H.
  int64_t t = 0;
  while (t * (5 * t - 1500) / 1000 < H()) ++t;
  fallLength_ = Clamp32(t);
  std::vector<int32_t> remaining(static_cast<size_t>(cols * rows));
  for (size_t i = 0; i < remaining.size(); ++i) remaining[i] = static_cast<int32_t>(i);
  pieces_.reserve(remaining.size());
  while (!remaining.empty()) {
    const auto k = static_cast<size_t>(Random(static_cast<int32_t>(remaining.size())));
    const int32_t cell = remaining[k];
    remaining.erase(remaining.begin() + static_cast<ptrdiff_t>(k));
    TWipeCrackDraw piece;
    piece.column = static_cast<int32_t>(cell % cols);
    piece.row = static_cast<int32_t>(cell / cols);
    piece.drift = Random(200) - 100;
    pieces_.push_back(piece);
  }
  SetDelays();
}

void TWipeCrack::SetDelays() {
  for (size_t j = 0; j < pieces_.size(); ++j) {
    if (pieces_[j]) pieces_[j]->delay = Clamp32(static_cast<int64_t>(j) * Params[1]);
  }
  lastDelay_ = pieces_.empty() ? 0 : Clamp32(static_cast<int64_t>(pieces_.size() - 1) * Params[1]);
}

void TWipeCrack::DrawFrame() {
  const int64_t level = Scaled(int64_t{fallLength_} + lastDelay_);
  const int32_t s = Params[0];
  Show(To);
  const auto source = [&](const TWipeCrackDraw& p) {
    const int32_t x = p.column * s, y = p.row * s;
    return TRect{x, y, std::min(x + s, W()), std::min(y + s, H())};
  };
  // Pieces still at rest, in piece order.
  for (const auto& piece : pieces_) {
    if (!piece || piece->delay <= level) continue;
    const TRect r = source(*piece);
    Dest.Draw(r.left, r.top, false, false, false, r, From);
  }
  // Moving pieces from the last to the first: they rise until t = 150, then fall.
  for (size_t j = pieces_.size(); j-- > 0;) {
    if (!pieces_[j] || pieces_[j]->delay > level) continue;
    const TWipeCrackDraw& p = *pieces_[j];
    const int64_t t = level - p.delay;
    const TRect r = source(p);
    const int64_t x = r.left + int64_t{p.drift} * t / 100;
    const int64_t y = r.top + t * (5 * t - 1500) / 1000;
    if (y >= H()) {
      pieces_[j].reset();  // gone below the screen
      continue;
    }
    Dest.Draw(Clamp32(x), Clamp32(y), false, false, false, r, From);
  }
}

}  // namespace kuzo
