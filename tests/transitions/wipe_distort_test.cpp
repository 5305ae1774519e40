// Goldens of the spot, shrink / grow, ripple, blur and crack transitions on hand-worked surfaces.
#include "transitions/wipe_distort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "tests/transitions/wipe_test_util.h"

namespace kuzo {
namespace {

using test::Frame;
using test::FrameArgs;
using test::Grey;
using test::Row;

TEST(WipeSpotTest, PixelsPassThroughWhiteByDistance) {
  const TDIBX from = Grey(3, 1, {100}), to = Grey(3, 1, {50});
  // Centre (1, 0): distances 1, 0, 1; span 1 + 512 = 513; g = E * 513 / 4 = 0, 128, 256, 384.
  EXPECT_EQ(Frame(WipeKind::kSpot, from, to, 0, 4), Row({100, 100, 100}));
  EXPECT_EQ(Frame(WipeKind::kSpot, from, to, 1, 4), Row({227, 228, 227}));  // From + 127, + 128
  EXPECT_EQ(Frame(WipeKind::kSpot, from, to, 2, 4), Row({255, 255, 255}));  // From + 255, To + 255
  EXPECT_EQ(Frame(WipeKind::kSpot, from, to, 3, 4), Row({178, 177, 178}));  // To + 128, To + 127
  // Reversed, the rim (map 0) changes first.
  EXPECT_EQ(Frame(WipeKind::kSpot, from, to, 1, 4, FrameArgs{true}), Row({228, 227, 228}));
  EXPECT_EQ(Frame(WipeKind::kSpot, from, to, 3, 4, FrameArgs{true}), Row({177, 178, 177}));
}

TEST(WipeSpotTest, FarPixelsWaitForTheWave) {
  const TDIBX from = Grey(9, 1, {100}), to = Grey(9, 1, {50});
  // Centre 4: distances 4 .. 0 .. 4, span 516; E = 1 of 516: g = 1.
  const Row r = Frame(WipeKind::kSpot, from, to, 1, 516);
  EXPECT_EQ(r, Row({100, 100, 100, 100, 101, 100, 100, 100, 100}));
  // g = 515 (E = 515): distances 4..0 give 511..515 past the start: To + 0 or To itself.
  EXPECT_EQ(Frame(WipeKind::kSpot, from, to, 515, 516), Row(9, 50));
}

TEST(WipeSmallBigTest, ScaledAndFadedPictureAtTheCentre) {
  const TDIBX black = Grey(4, 4, {0}), light = Grey(4, 4, {200});
  // Big at E = 0: opacity and scale round(0) = 0: only the outgoing picture.
  EXPECT_EQ(Frame(WipeKind::kBig, black, light, 0, 2), Row(16, 0));
  // Big at E = 1 of 2: opacity and scale round(127.5) = 128 (ties to even); the incoming picture at
  // half size covers (1, 1) .. (2, 2), blended (200 * 128) >> 8 = 100.
  const Row half = {0, 0, 0, 0, 0, 100, 100, 0, 0, 100, 100, 0, 0, 0, 0, 0};
  EXPECT_EQ(Frame(WipeKind::kBig, black, light, 1, 2), half);
  EXPECT_EQ(Frame(WipeKind::kBig, black, light, 1, 2, FrameArgs{true}), half);
  // Small at E = 1 of 2: opacity round(255 * 0 / 2) = 0: only the incoming picture.
  EXPECT_EQ(Frame(WipeKind::kSmall, light, black, 1, 2), Row(16, 0));
  // Small at E = 0 of 2: opacity and scale round(127.5) = 128 again, outgoing over incoming.
  EXPECT_EQ(Frame(WipeKind::kSmall, light, black, 0, 2), half);
}

TEST(WipeSmallBigTest, RotationFollowsParameterZero) {
  std::vector<int> v(64, 0);
  v[0] = 200;  // a mark at the top-left corner of the incoming picture
  const TDIBX black = Grey(8, 8, {0}), marked = Grey(8, 8, v);
  FrameArgs turn;
  turn.param0 = 256;
  // E = 0 of 4: scale round(0) = 0 draws nothing.
  EXPECT_EQ(Frame(WipeKind::kBig, black, marked, 0, 4, turn), Row(64, 0));
  // E = 2 of 4: opacity and scale round(127.5) = 128, angle round(256 * 1 / 4) = 64, a quarter turn
  // clockwise about (4, 4): source (u, v) lands at (4 - (v - 4) / 2, 4 + (u - 4) / 2), so the
  // corner mark goes to (6, 2), blended (200 * 128) >> 8 = 100.
  const Row r = Frame(WipeKind::kBig, black, marked, 2, 4, turn);
  EXPECT_EQ(r[2 * 8 + 6], 100);
  EXPECT_EQ(std::count(r.begin(), r.end(), 100), 1);
  // Reversed, the turn is counter-clockwise: the mark lands at (4 + (v - 4) / 2, 4 - (u - 4) / 2).
  turn.reverse = true;
  const Row l = Frame(WipeKind::kBig, black, marked, 2, 4, turn);
  EXPECT_EQ(l[6 * 8 + 2], 100);
}

TEST(WipeRippleTest, RingWithoutAmplitudeMirrorsFourWays) {
  std::vector<int> tv;
  for (int i = 0; i < 64; ++i) tv.push_back(i + 100);
  const TDIBX from = Grey(8, 8, {0}), to = Grey(8, 8, tv);
  FrameArgs flat;
  flat.param0 = 0;
  // W2 = H2 = 4, ring width n = 4 * 2 / 3 = 2, level = E * (round(hypot(4, 4)) + 2) / 8 = E.
  const Row r = Frame(WipeKind::kRipple, from, to, 4, 8, flat);
  const auto at = [&](int x, int y) { return r[static_cast<size_t>(y * 8 + x)]; };
  const auto toAt = [](int x, int y) { return 100 + y * 8 + x; };
  // Cell (0, 0): distance round(5.66) = 6, k = 6 + 1 - 4 = 3 > 1: the outgoing picture at all four.
  EXPECT_EQ(at(0, 0), 0);
  EXPECT_EQ(at(7, 7), 0);
  // Cell (3, 3): distance 1, k = -2: the ring has passed, the incoming picture in place.
  EXPECT_EQ(at(3, 3), toAt(3, 3));
  EXPECT_EQ(at(4, 4), toAt(4, 4));
  // Cell (0, 3): distance round(4.12) = 4, k = 1: in the ring, r = 4; cos = -63577, sin = -15895
  // (16.16): sx = -63577 * 4 / 65536 + 4 = 1, sy = -15895 * 4 / 65536 + 4 = 4.
  EXPECT_EQ(at(0, 3), toAt(1, 4));
  EXPECT_EQ(at(7, 3), toAt(6, 4));
  EXPECT_EQ(at(0, 4), toAt(1, 3));
  EXPECT_EQ(at(7, 4), toAt(6, 3));
  // At E = 0 nothing has changed; past the corners everything is the incoming picture.
  EXPECT_EQ(Frame(WipeKind::kRipple, from, to, 0, 8, flat), Row(64, 0));
  FrameArgs rev = flat;
  rev.reverse = true;
  EXPECT_EQ(Frame(WipeKind::kRipple, from, to, 4, 8, rev), r);  // no reversed form
}

TEST(WipeRippleTest, AmplitudeDisplacesAlongTheRadius) {
  std::vector<int> tv;
  for (int i = 0; i < 24 * 24; ++i) tv.push_back(i % 251);
  const TDIBX from = Grey(24, 24, {0}), to = Grey(24, 24, tv);
  FrameArgs flat, wavy;
  flat.param0 = 0;
  wavy.param0 = 5;
  // n = 8, q = 2: profile 0, 2, 0, 2, ... (i mod 2) * 5 / 2. Some ring pixel moves.
  EXPECT_NE(Frame(WipeKind::kRipple, from, to, 10, 24, flat), Frame(WipeKind::kRipple, from, to, 10, 24, wavy));
}

// The whole ripple, frame after frame, against the cell-by-cell rule on 32-bit screens wide enough
// for whole vector steps, odd and even, with padded rows: four mirrored pixels per cell, the ring's
// displaced sources, To's own pixels where a source leaves the screen, and the middle column and row
// of odd sizes switching undistorted with their nearest cell. Each frame is drawn twice in a row
// (the cell rows are taken in either order) and over a screen holding the previous frame.
TEST(WipeRippleTest, FramesMatchTheCellByCellRule) {
  std::mt19937 gen(43);
  for (auto [w, h] : {std::pair{101, 67}, std::pair{96, 54}, std::pair{37, 29}}) {
    TDIBX from(w, h, 32), to(w, h, 32), dest(w, h, 32);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) from.SetPixel(x, y, gen() & 0xFFFFFFu), to.SetPixel(x, y, gen() & 0xFFFFFFu);
    }
    const int w2 = w / 2, h2 = h / 2, n = std::min(w2, h2) * 2 / 3, q = n / 4;
    const auto round = [](double v) { return static_cast<int64_t>(std::nearbyint(v)); };  // ties to even
    for (int32_t amplitude : {5, 0, 17, -6}) {
      std::vector<int64_t> profile(static_cast<size_t>(n));
      for (int i = 0; i < n; ++i) profile[static_cast<size_t>(i)] = q == 0 ? 0 : int64_t{i % q} * amplitude / q;
      dest.Assign(from);
      auto wipe = CreateTransition(static_cast<int32_t>(WipeKind::kRipple), dest, from, to);
      wipe->SetParam(0, amplitude);
      wipe->Duration = 250;
      wipe->Prepare();
      for (int e = 0; e < 250; e += 9) {
        const int64_t level = int64_t{e} * (round(std::hypot(w2, h2)) + n) / 250;
        // Which picture and which pixel of it each cell's four places show.
        const auto expected = [&](int x, int y) -> Pixel {
          const int cx = std::min(x < w2 ? x : w - 1 - x, w2 - 1), cy = std::min(y < h2 ? y : h - 1 - y, h2 - 1);
          const double dx = cx - w2, dy = cy - h2, theta = std::atan2(dy, dx);
          const int64_t d = round(std::hypot(dx, dy)), k = d + (n - 1) - level;
          if (k > n - 1) return from.GetPixel(x, y);
          const bool middle = (w % 2 == 1 && x == w2) || (h % 2 == 1 && y == h2);
          if (k < 0 || middle) return to.GetPixel(x, y);
          const int64_t r = d + profile[static_cast<size_t>(k)];
          const int64_t sx = round(std::cos(theta) * 65536) * r / 65536 + w2;
          const int64_t sy = round(std::sin(theta) * 65536) * r / 65536 + h2;
          if (sx < 0 || sx >= w || sy < 0 || sy >= h) return to.GetPixel(x, y);
          const int64_t px = x < w2 ? sx : w - 1 - sx, py = y < h2 ? sy : h - 1 - sy;
          return to.GetPixel(static_cast<int>(px), static_cast<int>(py));
        };
        for (int twice = 0; twice < 2; ++twice) {
          wipe->Elapsed = e;
          wipe->StepFrame();
          for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
              ASSERT_EQ(dest.GetPixel(x, y) & 0xFFFFFFu, expected(x, y) & 0xFFFFFFu)
                  << w << "x" << h << " amplitude " << amplitude << " elapsed " << e << " at " << x << "," << y;
            }
          }
        }
      }
    }
  }
}

TEST(WipeBlurTest, StepsThroughBlurAndGrey) {
  const TDIBX from = Grey(20, 20, {10}), to = Grey(20, 20, {20});
  // L = E * 639 / 640: 259 -> blurred From + (3 * 4); 369 -> blurred To + (14 * 4).
  EXPECT_EQ(Frame(WipeKind::kBlurWhite, from, to, 260, 640), Row(400, 22));
  EXPECT_EQ(Frame(WipeKind::kBlurWhite, from, to, 370, 640), Row(400, 76));
  const TDIBX dark = Grey(20, 20, {200}), darkTo = Grey(20, 20, {220});
  EXPECT_EQ(Frame(WipeKind::kBlurBlack, dark, darkTo, 260, 640), Row(400, 188));
  EXPECT_EQ(Frame(WipeKind::kBlurBlack, dark, darkTo, 370, 640, FrameArgs{true}), Row(400, 164));
  EXPECT_EQ(Frame(WipeKind::kBlurBlack, dark, darkTo, 0, 640), Row(400, 200));
  EXPECT_EQ(Frame(WipeKind::kBlurBlack, dark, darkTo, 639, 640), Row(400, 220));
}

TEST(WipeBlurTest, BlurRadiusIsATwentiethOfTheShorterSide) {
  std::vector<int> v(400, 0);
  v[10 * 20 + 10] = 255;
  const TDIBX from = Grey(20, 20, v), to = Grey(20, 20, {0});
  // Radius 1: a 3 x 3 box, 255 / 3 = 85 across, 85 / 3 = 28 down. L = 257 * 639 / 640 = 256.
  const Row r = Frame(WipeKind::kBlurWhite, from, to, 257, 640);
  EXPECT_EQ(r[10 * 20 + 10], 28);
  EXPECT_EQ(r[9 * 20 + 9], 28);
  EXPECT_EQ(r[11 * 20 + 11], 28);
  EXPECT_EQ(r[8 * 20 + 8], 0);
  EXPECT_EQ(std::count(r.begin(), r.end(), 28), 9);
}

TEST(WipeCrackTest, FallLengthAndPieces) {
  TDIBX a(40, 100, 32), b(40, 100, 32), c(40, 100, 32);
  RuntimeRandom random;
  WipeServices services;
  services.random = &random;
  auto w = CreateTransition(static_cast<int32_t>(WipeKind::kCrack), a, b, c, services);
  auto& crack = static_cast<TWipeCrack&>(*w);
  // Smallest t with t * (5t - 1500) div 1000 >= 100: 357 (356 gives 99).
  EXPECT_EQ(crack.FallLength(), 357);
  // Size 64: 1 x 2 cells; delays 0 and 3.
  ASSERT_EQ(crack.Pieces().size(), 2u);
  EXPECT_EQ(crack.LastDelay(), 3);
  crack.SetParam(0, 16);  // 3 x 7 cells
  EXPECT_EQ(crack.Pieces().size(), 21u);
  EXPECT_EQ(crack.LastDelay(), 60);
  crack.SetParam(1, 5);
  EXPECT_EQ(crack.LastDelay(), 100);
  std::vector<bool> seen(21, false);
  for (size_t j = 0; j < crack.Pieces().size(); ++j) {
    const auto& p = *crack.Pieces()[j];
    EXPECT_EQ(p.delay, static_cast<int32_t>(j) * 5);
    EXPECT_GE(p.drift, -100);
    EXPECT_LE(p.drift, 99);
    seen[static_cast<size_t>(p.row * 3 + p.column)] = true;
  }
  EXPECT_EQ(std::count(seen.begin(), seen.end(), true), 21);  // every cell once
}

TEST(WipeCrackTest, PiecesRiseAndFallOffTheScreen) {
  const TDIBX from = Grey(32, 32, {10}), to = Grey(32, 32, {200});
  FrameArgs args;
  args.param0 = 16;
  args.param1 = 0;  // all pieces leave at once
  // Fall length for 32 rows: 320. E = 0: level 0, every piece at rest position: the outgoing picture.
  EXPECT_EQ(Frame(WipeKind::kCrack, from, to, 0, 320, args), Row(1024, 10));
  // Level 150: every piece 112 rows up, above the screen.
  EXPECT_EQ(Frame(WipeKind::kCrack, from, to, 150, 320, args), Row(1024, 200));
  // Level 10: pieces 10 * (50 - 1500) / 1000 = -14 rows up; the bottom row of pieces covers rows
  // 2 .. 17, below it the incoming picture; the drifts drawn from the generator seeded with 0 keep
  // both pieces over columns 10 .. 21.
  const Row r = Frame(WipeKind::kCrack, from, to, 10, 320, args);
  for (int y = 18; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) ASSERT_EQ(r[static_cast<size_t>(y * 32 + x)], 200) << x << "," << y;
  }
  for (int y = 2; y < 18; ++y) {
    for (int x = 10; x < 22; ++x) ASSERT_EQ(r[static_cast<size_t>(y * 32 + x)], 10) << x << "," << y;
  }
  // Near the end every piece has left and been freed.
  TDIBX dest(32, 32, 32), f2(32, 32, 32), t2(32, 32, 32);
  auto w = CreateTransition(static_cast<int32_t>(WipeKind::kCrack), dest, f2, t2);
  w->SetParam(0, 16);
  w->Duration = 320;
  w->Elapsed = 319;  // level 3 * 319 ... all past the fall length (320 + 9 over 320)
  w->Prepare();
  EXPECT_FALSE(w->StepFrame());
  for (const auto& p : static_cast<TWipeCrack&>(*w).Pieces()) EXPECT_FALSE(p.has_value());
}

}  // namespace
}  // namespace kuzo
