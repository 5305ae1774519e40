// The nearest-neighbour stretch of the transitions on 32-bit surfaces, which goes row by row
// through the stretch row kernel and copies repeated rows, against a plain per-pixel loop of its
// rule: random pictures of odd sizes, rectangles reaching outside both surfaces, enlargements and
// reductions, and every kind of opacity.
#include "transitions/wipe_surface_ops.h"

#include <gtest/gtest.h>

#include <cstring>
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

}  // namespace
}  // namespace kuzo
