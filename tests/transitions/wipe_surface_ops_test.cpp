// The nearest-neighbour stretch and the rotated drawing of the transitions on 32-bit surfaces,
// which go row by row through the row kernels (copying repeated rows, drawing over the picture
// under them in one pass), against plain per-pixel loops of their rules: random pictures of odd
// sizes, rectangles reaching outside both surfaces, clipped screens, enlargements and reductions,
// turns, and every kind of opacity.
#include "transitions/wipe_surface_ops.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <random>
#include <string>

#include "graphics/dibx.h"

namespace kuzo {
namespace {

void Randomise(TDIBX& s, std::mt19937& gen) {
  for (int y = 0; y < s.Height(); ++y) {
    uint8_t* row = s.Lock(0, y);
    for (int x = 0; x < 4 * s.Width(); ++x) row[x] = static_cast<uint8_t>(gen());
  }
}

// The rule itself: destination pixel (x, y) inside destRect and dest takes source pixel
// (srcRect.left + ((x - destRect.left) * stepX) >> 16, the same for y), steps trunc(width(S) /
// width(D) * 65536), when that pixel lies in srcRect and the source; copied at opacity 255 and
// above, else every colour byte (d*(255-a) + s*a) >> 8 with the fourth byte 0.
void StretchReference(TDIBX& dest, const TRect& d, const TDIBX& source, const TRect& s, int opacity) {
  if (opacity <= 0 || d.IsEmpty() || s.IsEmpty()) return;
  const int64_t stepX = (int64_t{s.Width()} << 16) / d.Width(), stepY = (int64_t{s.Height()} << 16) / d.Height();
  const TRect ok = Intersect(s, source.BoundsRect());
  for (int32_t y = std::max(d.top, 0); y < std::min(d.bottom, dest.Height()); ++y) {
    const int64_t sy = s.top + (((y - int64_t{d.top}) * stepY) >> 16);
    if (sy < ok.top || sy >= ok.bottom) continue;
    for (int32_t x = std::max(d.left, 0); x < std::min(d.right, dest.Width()); ++x) {
      const int64_t sx = s.left + (((x - int64_t{d.left}) * stepX) >> 16);
      if (sx < ok.left || sx >= ok.right) continue;
      const uint8_t* sp = source.Lock(static_cast<int>(sx), static_cast<int>(sy));
      uint8_t* dp = dest.Lock(x, y);
      if (opacity >= 255) {
        std::memcpy(dp, sp, 4);
        continue;
      }
      for (int c = 0; c < 3; ++c) dp[c] = static_cast<uint8_t>((dp[c] * (255 - opacity) + sp[c] * opacity) >> 8);
      dp[3] = 0;
    }
  }
}

std::string FirstDifference(const TDIBX& a, const TDIBX& b) {
  for (int y = 0; y < a.Height(); ++y) {
    if (std::memcmp(a.Lock(0, y), b.Lock(0, y), 4 * static_cast<size_t>(a.Width())) != 0) {
      return "row " + std::to_string(y);
    }
  }
  return "";
}

TEST(WipeRowsStretchDrawTest, MatchesThePerPixelRule) {
  std::mt19937 gen(7);
  for (auto [w, h] : {std::pair{37, 29}, std::pair{3, 41}, std::pair{64, 16}, std::pair{1, 1}}) {
    TDIBX source(w + 5, h + 2, 32);
    Randomise(source, gen);
    for (int trial = 0; trial < 60; ++trial) {
      // Rectangles from well inside to reaching past every edge of both surfaces, one pixel wide
      // or tall included.
      const auto span = [&](int size) {
        const int a = static_cast<int>(gen() % static_cast<uint32_t>(size + 8)) - 6;
        const int len = trial % 7 == 0 ? 1 : 1 + static_cast<int>(gen() % static_cast<uint32_t>(2 * size + 4));
        return std::pair{a, a + len};
      };
      const auto [dl, dr] = span(w);
      const auto [dt, db] = span(h);
      const auto [sl, sr] = span(source.Width());
      const auto [st, sb] = span(source.Height());
      const TRect destRect{dl, dt, dr, db}, srcRect{sl, st, sr, sb};
      for (int opacity : {255, 300, 254, 128, 1, 0}) {
        TDIBX fast(w, h, 32), plain(w, h, 32);
        Randomise(fast, gen);
        plain.Assign(fast);
        wipe::StretchDraw(fast, destRect, source, srcRect, opacity);
        StretchReference(plain, destRect, source, srcRect, opacity);
        ASSERT_EQ(FirstDifference(fast, plain), "")
            << w << "x" << h << " trial " << trial << " opacity " << opacity << " dest " << dl << "," << dt << "-" << dr
            << "," << db << " source " << sl << "," << st << "-" << sr << "," << sb;
      }
    }
  }
}

// The mosaic's enlargement: every destination row repeated from a few source rows, the whole
// screen covered, and the blended stretch of the same rectangle.
TEST(WipeRowsStretchDrawTest, RepeatedRowsMatchThePerPixelRule) {
  std::mt19937 gen(8);
  TDIBX small(9, 5, 32);
  Randomise(small, gen);
  for (int opacity : {255, 77}) {
    TDIBX fast(61, 33, 32), plain(61, 33, 32);
    Randomise(fast, gen);
    plain.Assign(fast);
    wipe::StretchDraw(fast, fast.BoundsRect(), small, TRect{0, 0, 7, 4}, opacity);
    StretchReference(plain, plain.BoundsRect(), small, TRect{0, 0, 7, 4}, opacity);
    EXPECT_EQ(FirstDifference(fast, plain), "") << "opacity " << opacity;
  }
}

// The rotated drawing's rule pixel by pixel: the picture under it copied whole first (its common
// area with dest, without clipping), then every pixel of the clipped box whose point
// (pivotX + dx * uCol + dy * uRow, pivotY + dx * vCol + dy * vRow) in 16.16, dx and dy measured
// from (cx, cy), lies inside the source takes that source pixel, copied at opacity 255 and above,
// else every colour byte (d*(255-a) + s*a) >> 8 with the fourth byte 0.
void RotateReference(TDIBX& dest, int cx, int cy, int opacity, int angle, int pivotX, int pivotY, const TDIBX& source,
                     int scale, const TDIBX* under) {
  if (under != nullptr) {
    for (int y = 0; y < std::min(dest.Height(), under->Height()); ++y) {
      std::memmove(dest.Lock(0, y), under->Lock(0, y), 4 * static_cast<size_t>(std::min(dest.Width(), under->Width())));
    }
  }
  if (opacity <= 0) return;
  const double sc = scale / 256.0, g = angle * std::numbers::pi / 128.0, c = std::cos(g), s = std::sin(g);
  const auto uCol = static_cast<int64_t>(c / sc * 65536.0), vCol = static_cast<int64_t>(-s / sc * 65536.0);
  const auto uRow = static_cast<int64_t>(s / sc * 65536.0), vRow = static_cast<int64_t>(c / sc * 65536.0);
  const double ax[2] = {-pivotX * sc, source.Width() * sc - pivotX * sc - 1};
  const double by[2] = {-pivotY * sc, source.Height() * sc - pivotY * sc - 1};
  double minX = 1e300, maxX = -1e300, minY = 1e300, maxY = -1e300;
  for (double a : ax) {
    for (double b : by) {
      minX = std::min(minX, cx + c * a - s * b), maxX = std::max(maxX, cx + c * a - s * b);
      minY = std::min(minY, cy + s * a + c * b), maxY = std::max(maxY, cy + s * a + c * b);
    }
  }
  const TRect box = Intersect(TRect{static_cast<int32_t>(minX), static_cast<int32_t>(minY), static_cast<int32_t>(maxX + 1),
                                    static_cast<int32_t>(maxY + 1)},
                              dest.GetClip());
  for (int32_t y = box.top; y < box.bottom; ++y) {
    for (int32_t x = box.left; x < box.right; ++x) {
      const int64_t u = int64_t{pivotX} * 65536 + (x - int64_t{cx}) * uCol + (y - int64_t{cy}) * uRow;
      const int64_t v = int64_t{pivotY} * 65536 + (x - int64_t{cx}) * vCol + (y - int64_t{cy}) * vRow;
      if (u < 0 || v < 0 || (u >> 16) >= source.Width() || (v >> 16) >= source.Height()) continue;
      const uint8_t* sp = source.Lock(static_cast<int>(u >> 16), static_cast<int>(v >> 16));
      uint8_t* dp = dest.Lock(x, y);
      if (opacity >= 255) {
        std::memcpy(dp, sp, 4);
        continue;
      }
      for (int k = 0; k < 3; ++k) dp[k] = static_cast<uint8_t>((dp[k] * (255 - opacity) + sp[k] * opacity) >> 8);
      dp[3] = 0;
    }
  }
}

// Screens wide enough for whole vector steps, odd and even; pictures under the drawing smaller and
// larger than the screen, the screen itself as the picture under it, none at all; clipped screens;
// turns from none through shallow and steep to a quarter and past it; shrinking and growing.
TEST(WipeRowsRotateTest, MatchesThePerPixelRuleOverThePictureUnder) {
  std::mt19937 gen(9);
  struct Case {
    int w, h, underW, underH;
  };
  for (const Case k : {Case{61, 37, 61, 37}, Case{64, 40, 50, 33}, Case{45, 30, 70, 41}, Case{1, 9, 1, 9}}) {
    TDIBX source(k.w + 7, k.h - (k.h > 5 ? 3 : 0), 32), under(k.underW, k.underH, 32);
    Randomise(source, gen);
    Randomise(under, gen);
    for (int trial = 0; trial < 48; ++trial) {
      const int angle = std::vector<int>{0, 1, -1, 3, 20, 64, 100, -37, 128, 200}[static_cast<size_t>(trial) % 10];
      const int scale = std::vector<int>{256, 255, 128, 77, 300, 600, 31}[static_cast<size_t>(trial) % 7];
      const int opacity = std::vector<int>{255, 200, 1, 254, 300, 128}[static_cast<size_t>(trial) % 6];
      const int cx = k.w / 2 + static_cast<int>(gen() % 7) - 3, cy = k.h / 2 + static_cast<int>(gen() % 7) - 3;
      const int pivotX = source.Width() / 2 + (trial % 4 == 3 ? 5 : 0), pivotY = source.Height() / 2;
      const int mode = trial % 4;  // 0, 1: a picture under; 2: the screen itself under; 3: none
      const bool clipped = trial % 3 == 2;
      TDIBX fast(k.w, k.h, 32), plain(k.w, k.h, 32);
      Randomise(fast, gen);
      plain.Assign(fast);
      if (clipped) {
        const TRect clip{1, 2, k.w - 2, k.h - 1};
        fast.SetClip(clip), plain.SetClip(clip);
      }
      wipe::DrawRotate(fast, cx, cy, opacity, angle, pivotX, pivotY, source, scale, scale,
                       mode <= 1 ? &under : (mode == 2 ? &fast : nullptr));
      RotateReference(plain, cx, cy, opacity, angle, pivotX, pivotY, source, scale,
                      mode <= 1 ? &under : (mode == 2 ? &plain : nullptr));
      ASSERT_EQ(FirstDifference(fast, plain), "") << k.w << "x" << k.h << " under " << k.underW << "x" << k.underH
                                                  << " trial " << trial << " angle " << angle << " scale " << scale
                                                  << " opacity " << opacity << " mode " << mode << (clipped ? " clipped" : "");
    }
  }
}

// Drawing a surface rotated onto itself reads rows already drawn (the rows above in the order of
// drawing) and does not take the one-pass path; its result stays that of drawing row by row.
TEST(WipeRowsRotateTest, OntoItselfMatchesTheRowByRowOrder) {
  std::mt19937 gen(10);
  for (int opacity : {255, 90}) {
    TDIBX fast(33, 21, 32), under(33, 21, 32);
    Randomise(fast, gen);
    Randomise(under, gen);
    TDIBX plain(33, 21, 32);
    plain.Assign(fast);
    wipe::DrawRotate(fast, 16, 10, opacity, 7, 16, 10, fast, 200, 200, &under);
    // Row by row: the picture under copied into row y, then row y drawn from the surface as it is.
    TDIBX row(33, 21, 32);
    for (int y = 0; y < 21; ++y) {
      std::memcpy(plain.Lock(0, y), under.Lock(0, y), 4 * 33);
      row.Assign(plain);
      row.SetClip(TRect{0, y, 33, y + 1});
      RotateReference(row, 16, 10, opacity, 7, 16, 10, plain, 200, nullptr);
      std::memcpy(plain.Lock(0, y), row.Lock(0, y), 4 * 33);
    }
    EXPECT_EQ(FirstDifference(fast, plain), "") << "opacity " << opacity;
  }
}

}  // namespace
}  // namespace kuzo
