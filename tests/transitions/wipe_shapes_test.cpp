// Goldens of the shaped mask transitions (black to white, so 255 marks the incoming picture).
#include "transitions/wipe_shapes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "tests/transitions/wipe_test_util.h"

namespace kuzo {
namespace {

using test::Frame;
using test::FrameArgs;
using test::Grey;
using test::Row;

constexpr int F = 0;
constexpr int T = 255;

TEST(WipeCircleTest, DiscGrowsFromTheCentre) {
  const TDIBX from = Grey(4, 4, {0}), to = Grey(4, 4, {255});
  // Full radius hypot(2, 2) = 2.83; r = round(2.83 * E / 4) = 0, 1, 1, 2. Pixel centres lie at
  // distances 0.71 (middle four), 1.58 (edges) and 2.12 (corners).
  const Row middle = {F, F, F, F, F, T, T, F, F, T, T, F, F, F, F, F};
  const Row allButCorners = {F, T, T, F, T, T, T, T, T, T, T, T, F, T, T, F};
  EXPECT_EQ(Frame(WipeKind::kCircle, from, to, 0, 4), Row(16, F));
  EXPECT_EQ(Frame(WipeKind::kCircle, from, to, 1, 4), middle);
  EXPECT_EQ(Frame(WipeKind::kCircle, from, to, 2, 4), middle);
  EXPECT_EQ(Frame(WipeKind::kCircle, from, to, 3, 4), allButCorners);
  // Reversed, the outgoing picture closes to the centre: r = round(2.83 * (D - E - 1) / D) = 2, 1, 1, 0.
  const FrameArgs rev{true};
  Row inv = allButCorners;
  for (int& v : inv) v = 255 - v;
  Row invMiddle = middle;
  for (int& v : invMiddle) v = 255 - v;
  EXPECT_EQ(Frame(WipeKind::kCircle, from, to, 0, 4, rev), inv);
  EXPECT_EQ(Frame(WipeKind::kCircle, from, to, 1, 4, rev), invMiddle);
  EXPECT_EQ(Frame(WipeKind::kCircle, from, to, 2, 4, rev), invMiddle);
  EXPECT_EQ(Frame(WipeKind::kCircle, from, to, 3, 4, rev), Row(16, T));
}

int At(const Row& r, int x, int y) { return r[static_cast<size_t>(y * 4 + x)]; }

TEST(WipeFanTest, SectorOpensBothWaysFromTwelve) {
  const TDIBX from = Grey(4, 4, {0}), to = Grey(4, 4, {255});
  EXPECT_EQ(Frame(WipeKind::kFan, from, to, 0, 4), Row(16, F));
  // A quarter: +-45 degrees about straight up from the centre (2, 2).
  const Row q1 = Frame(WipeKind::kFan, from, to, 1, 4);
  EXPECT_EQ(At(q1, 2, 0), T);
  EXPECT_EQ(At(q1, 1, 0), T);  // 26.6 degrees off
  EXPECT_EQ(At(q1, 0, 1), F);  // 63.4 degrees off
  EXPECT_EQ(At(q1, 2, 3), F);
  // Three quarters: +-135 degrees.
  const Row q3 = Frame(WipeKind::kFan, from, to, 3, 4, FrameArgs{true});
  EXPECT_EQ(At(q3, 0, 2), T);  // 90 degrees off
  EXPECT_EQ(At(q3, 0, 3), T);  // 116.6 degrees off
  EXPECT_EQ(At(q3, 2, 3), F);  // straight down
  // Starting at 90 degrees (3 o'clock).
  FrameArgs east;
  east.param0 = 90;
  const Row e1 = Frame(WipeKind::kFan, from, to, 1, 4, east);
  EXPECT_EQ(At(e1, 3, 2), T);
  EXPECT_EQ(At(e1, 2, 0), F);
}

TEST(WipeFanTest, DoubleFanOpensOppositeSectors) {
  const TDIBX from = Grey(4, 4, {0}), to = Grey(4, 4, {255});
  // A half: +-45 degrees about up and about down.
  const Row h = Frame(WipeKind::kWFan, from, to, 2, 4);
  EXPECT_EQ(At(h, 2, 0), T);
  EXPECT_EQ(At(h, 2, 3), T);
  EXPECT_EQ(At(h, 1, 0), T);
  EXPECT_EQ(At(h, 0, 2), F);
  EXPECT_EQ(At(h, 3, 2), F);
  EXPECT_EQ(At(h, 0, 1), F);
}

TEST(WipeClockhandTest, HandSweepsClockwiseFromTwelve) {
  const TDIBX from = Grey(4, 4, {0}), to = Grey(4, 4, {255});
  EXPECT_EQ(Frame(WipeKind::kClockhand, from, to, 0, 4), Row(16, F));
  const Row q1 = Frame(WipeKind::kClockhand, from, to, 1, 4);  // a quarter turn: 12 to 3 o'clock
  EXPECT_EQ(At(q1, 3, 0), T);
  EXPECT_EQ(At(q1, 3, 1), T);
  EXPECT_EQ(At(q1, 1, 0), F);
  EXPECT_EQ(At(q1, 3, 3), F);
  const Row q3 = Frame(WipeKind::kClockhand, from, to, 3, 4);  // three quarters: up to 9 o'clock
  EXPECT_EQ(At(q3, 3, 3), T);
  EXPECT_EQ(At(q3, 1, 3), T);
  EXPECT_EQ(At(q3, 0, 1), F);
  const Row r1 = Frame(WipeKind::kClockhand, from, to, 1, 4, FrameArgs{true});  // counter-clockwise
  EXPECT_EQ(At(r1, 1, 0), T);
  EXPECT_EQ(At(r1, 0, 1), T);
  EXPECT_EQ(At(r1, 3, 0), F);
}

// Blocks of 10 on a 30 x 30 screen, reduced to one value per block (row-major 3 x 3).
Row Blocks(const Row& frame) {
  Row b;
  for (int by = 0; by < 3; ++by) {
    for (int bx = 0; bx < 3; ++bx) b.push_back(frame[static_cast<size_t>((by * 10 + 5) * 30 + bx * 10 + 5)]);
  }
  return b;
}

TEST(WipeBlockTest, CoilRunsClockwiseInward) {
  const TDIBX from = Grey(30, 30, {0}), to = Grey(30, 30, {255});
  FrameArgs args;
  args.param0 = 10;
  // Spiral: (0,0) (0,1) (0,2) (1,2) (2,2) (2,1) (2,0) (1,0) (1,1); blocks 0 .. 8 * E / 8 are on.
  EXPECT_EQ(Blocks(Frame(WipeKind::kBlockCoil, from, to, 0, 8, args)), Row({T, F, F, F, F, F, F, F, F}));
  EXPECT_EQ(Blocks(Frame(WipeKind::kBlockCoil, from, to, 2, 8, args)), Row({T, T, T, F, F, F, F, F, F}));
  EXPECT_EQ(Blocks(Frame(WipeKind::kBlockCoil, from, to, 4, 8, args)), Row({T, T, T, F, F, T, F, F, T}));
  EXPECT_EQ(Blocks(Frame(WipeKind::kBlockCoil, from, to, 6, 8, args)), Row({T, T, T, F, F, T, T, T, T}));
  args.reverse = true;
  EXPECT_EQ(Blocks(Frame(WipeKind::kBlockCoil, from, to, 0, 8, args)), Row({F, F, F, F, T, F, F, F, F}));
  EXPECT_EQ(Blocks(Frame(WipeKind::kBlockCoil, from, to, 2, 8, args)), Row({F, F, F, T, T, F, T, F, F}));
  EXPECT_EQ(Blocks(Frame(WipeKind::kBlockCoil, from, to, 6, 8, args)), Row({F, F, T, T, T, T, T, T, T}));
  // Block sizes below 10 are raised to 10.
  args.reverse = false;
  args.param0 = 3;
  EXPECT_EQ(Blocks(Frame(WipeKind::kBlockCoil, from, to, 2, 8, args)), Row({T, T, T, F, F, F, F, F, F}));
}

TEST(WipeBlockTest, RandomOrderComesFromTheSeededGenerator) {
  const TDIBX from = Grey(30, 30, {0}), to = Grey(30, 30, {255});
  const auto frame = [&](uint32_t seed, int e) {
    RuntimeRandom random;
    random.Seed(seed);
    FrameArgs args;
    args.param0 = 10;
    args.services.random = &random;
    return Blocks(Frame(WipeKind::kBlockRandom, from, to, e, 8, args));
  };
  // Seed 0: the first draw is (1 * 9) >> 32 = 0, the second (134775814 * 8) >> 32 = 0 of the eight
  // left, which is block 1.
  EXPECT_EQ(frame(0, 1), Row({T, T, F, F, F, F, F, F, F}));
  for (int e = 0; e < 8; e += 2) EXPECT_EQ(frame(99, e), frame(99, e));  // the same seed repeats
  bool differs = false;
  for (uint32_t seed = 1; seed < 10 && !differs; ++seed) differs = frame(seed, 4) != frame(0, 4);
  EXPECT_TRUE(differs);
  const Row half = frame(1234, 4);
  EXPECT_EQ(std::count(half.begin(), half.end(), T), 5);  // blocks 0 .. 4 of the order
}

}  // namespace
}  // namespace kuzo

namespace kuzo {
namespace {

// The hard-edged angle masks on 32-bit screens (runs copied whole) give the same frames as on
// 24-bit screens (pixel by pixel), for each angle kind, start and direction.
TEST(WipeAngleMaskTest, FramesOn32And24BitScreensAgree) {
  std::mt19937 gen(4);
  for (auto [w, h] : {std::pair{15, 11}, std::pair{16, 8}}) {
    TDIBX from32(w, h, 32), to32(w, h, 32), from24(w, h, 24), to24(w, h, 24);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const uint32_t f = gen() & 0xFFFFFFu, t = gen() & 0xFFFFFFu;
        from32.SetPixel(x, y, f);
        from24.SetPixel(x, y, f);
        to32.SetPixel(x, y, t);
        to24.SetPixel(x, y, t);
      }
    }
    for (WipeKind kind : {WipeKind::kClockhand, WipeKind::kFan, WipeKind::kWFan}) {
      for (int32_t start : {0, 45, 200}) {
        for (bool reverse : {false, true}) {
          for (int e = 0; e < 30; e += 3) {
            TDIBX d32(w, h, 32), d24(w, h, 24);
            d32.Assign(from32);
            d24.Assign(from24);
            for (TDIBX* dest : {&d32, &d24}) {
              const bool is32 = dest == &d32;
              auto wipe = CreateTransition(static_cast<int32_t>(kind), *dest, is32 ? from32 : from24, is32 ? to32 : to24);
              wipe->SetParam(0, start);
              wipe->Duration = 30;
              wipe->SetReverse(reverse ? 1 : 0);
              wipe->Prepare();
              wipe->Elapsed = e;
              wipe->StepFrame();
            }
            for (int y = 0; y < h; ++y)
              for (int x = 0; x < w; ++x)
                ASSERT_EQ(d32.GetPixel(x, y) & 0xFFFFFFu, d24.GetPixel(x, y) & 0xFFFFFFu)
                    << "kind " << static_cast<int>(kind) << " start " << start << (reverse ? " reversed" : "")
                    << " elapsed " << e << " at " << x << "," << y;
          }
        }
      }
    }
  }
}

// The angle masks cover a frame by bisecting stretches of rising or falling keys; the covered set
// must be exactly the pixels whose angle lies within the frame's sweep, pixel by pixel, at every
// start angle, direction and time, on sizes whose centre falls on and between pixels.
TEST(WipeAngleMaskTest, CoverMatchesThePerPixelAngleRule) {
  constexpr double kPi = 3.14159265358979323846;
  const auto wrap = [&](double a) {
    a = std::fmod(a, 2 * kPi);
    return a < 0 ? a + 2 * kPi : a;
  };
  const auto wrapSigned = [&](double a) {
    a = wrap(a);
    return a > kPi ? a - 2 * kPi : a;
  };
  for (auto [w, h] : {std::pair{37, 23}, std::pair{40, 30}, std::pair{1, 9}, std::pair{64, 1}}) {
    const TDIBX from = Grey(w, h, {0}), to = Grey(w, h, {255});
    for (WipeKind kind : {WipeKind::kClockhand, WipeKind::kFan, WipeKind::kWFan}) {
      for (int32_t degrees : {0, 90, 135, 359, -30}) {
        for (bool reverse : {false, true}) {
          TDIBX dest(w, h, 32);
          auto wipe = CreateTransition(static_cast<int32_t>(kind), dest, from, to);
          wipe->SetParam(0, degrees);
          wipe->Duration = 97;
          wipe->SetReverse(reverse ? 1 : 0);
          wipe->Prepare();
          const auto* mask = dynamic_cast<TWipeMask*>(wipe.get());
          ASSERT_NE(mask, nullptr);
          // Mask transitions store parameter 0 as at least 2.
          ASSERT_EQ(wipe->GetParam(0), std::max(degrees, 2));
          const double stored = wipe->GetParam(0);
          for (int e = 0; e < 97; e += 4) {
            wipe->Elapsed = e;
            wipe->StepFrame();
            const double progress = static_cast<double>(e) / 97;
            for (int y = 0; y < h; ++y) {
              for (int x = 0; x < w; ++x) {
                const double theta = std::atan2(double(y - h / 2), double(x - w / 2));
                bool on;
                if (kind == WipeKind::kClockhand) {
                  const double start = stored * kPi / 180.0, clock = theta + kPi / 2;
                  const float key = static_cast<float>(reverse ? wrap(start - clock) : wrap(clock - start));
                  on = key < static_cast<float>(2 * kPi * progress);
                } else {
                  const double start = stored / 360.0 * 2 * kPi - kPi / 2;
                  double key = std::abs(wrapSigned(theta - start));
                  if (kind == WipeKind::kWFan) key = std::min(key, std::abs(wrapSigned(theta - start - kPi)));
                  on = static_cast<float>(key) <= static_cast<float>((kind == WipeKind::kFan ? kPi : kPi / 2) * progress);
                }
                ASSERT_EQ(mask->Mask[static_cast<size_t>(y) * w + x], on ? 255 : 0)
                    << "kind " << static_cast<int>(kind) << " size " << w << "x" << h << " degrees " << degrees
                    << (reverse ? " reversed" : "") << " elapsed " << e << " at " << x << "," << y;
              }
            }
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace kuzo
