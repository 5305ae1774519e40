// Goldens of the mosaic, roll, rubber band and twist on hand-worked surfaces.
#include "transitions/wipe_smear.h"

#include <gtest/gtest.h>

#include <random>

#include "tests/transitions/wipe_test_util.h"

namespace kuzo {
namespace {

using test::Frame;
using test::FrameArgs;
using test::Grey;
using test::Row;

TEST(WipeMosaicTest, CoarsenessFallsAndRises) {
  std::vector<int> fv, tv;
  for (int i = 0; i < 256; ++i) fv.push_back(i), tv.push_back(255 - i);
  const TDIBX from = Grey(16, 16, fv), to = Grey(16, 16, tv);
  const auto sampled = [](const std::vector<int>& src, int cell) {
    Row r;
    for (int y = 0; y < 16; ++y) {
      for (int x = 0; x < 16; ++x) r.push_back(src[static_cast<size_t>((y / cell * cell) * 16 + x / cell * cell)]);
    }
    return r;
  };
  // L = 0: s = 263, reduced to (4 * 263) >> 8 = 4 pixels a side: 4 x 4 cells.
  EXPECT_EQ(Frame(WipeKind::kMosaic, from, to, 0, 4), sampled(fv, 4));
  // L = 255: s = 263 - 127 * 15 / 16 = 144, reduced to 2: 8 x 8 cells.
  EXPECT_EQ(Frame(WipeKind::kMosaic, from, to, 1, 4), sampled(fv, 8));
  // L = 511: s = 24, reduced to 1 pixel: From (0) with To (255) at opacity (511 - 256) / 4 = 63:
  // (0 * 192 + 255 * 63) >> 8 = 62.
  EXPECT_EQ(Frame(WipeKind::kMosaic, from, to, 2, 4, FrameArgs{true}), Row(256, 62));
  // L = 767: s = 143, 2 pixels; To at opacity (767 - 256) / 2 = 255 replaces.
  EXPECT_EQ(Frame(WipeKind::kMosaic, from, to, 3, 4), sampled(tv, 8));
}

TEST(WipeSudareTest, LineSmearsAcrossAndBack) {
  const TDIBX from = Grey(4, 1, {1, 2, 3, 4}), to = Grey(4, 1, {5, 6, 7, 8});
  // p = 7 * E / 4 = 0, 1, 3, 5 (5 >= 4: p = 2 on the incoming picture).
  EXPECT_EQ(Frame(WipeKind::kSudareH, from, to, 0, 4), Row({1, 2, 3, 4}));
  EXPECT_EQ(Frame(WipeKind::kSudareH, from, to, 1, 4), Row({2, 2, 3, 4}));
  EXPECT_EQ(Frame(WipeKind::kSudareH, from, to, 2, 4), Row({4, 4, 4, 4}));
  EXPECT_EQ(Frame(WipeKind::kSudareH, from, to, 3, 4), Row({7, 7, 7, 8}));
  const FrameArgs rev{true};  // q = W - p - 1 smears toward the right edge
  EXPECT_EQ(Frame(WipeKind::kSudareH, from, to, 0, 4, rev), Row({1, 2, 3, 4}));
  EXPECT_EQ(Frame(WipeKind::kSudareH, from, to, 1, 4, rev), Row({1, 2, 3, 3}));
  EXPECT_EQ(Frame(WipeKind::kSudareH, from, to, 2, 4, rev), Row({1, 1, 1, 1}));
  EXPECT_EQ(Frame(WipeKind::kSudareH, from, to, 3, 4, rev), Row({5, 6, 6, 6}));
  const TDIBX fromV = Grey(1, 4, {1, 2, 3, 4}), toV = Grey(1, 4, {5, 6, 7, 8});
  EXPECT_EQ(Frame(WipeKind::kSudareV, fromV, toV, 1, 4), Row({2, 2, 3, 4}));
  EXPECT_EQ(Frame(WipeKind::kSudareV, fromV, toV, 3, 4, rev), Row({5, 6, 6, 6}));
}

TEST(WipeRubberTest, BandWidthFollowsDistanceFromMidDuration) {
  std::vector<int> fv, tv;
  for (int i = 1; i <= 16; ++i) fv.push_back(i), tv.push_back(100 + i);
  const TDIBX from = Grey(16, 1, fv), to = Grey(16, 1, tv);
  // E = 1 of 4: p = 31 / 4 = 7, w = round(1 * 3.5 / 2) = 2: columns 5 and 6 over columns 0 .. 7.
  EXPECT_EQ(Frame(WipeKind::kRubberH, from, to, 1, 4), Row({6, 6, 6, 6, 7, 7, 7, 7, 9, 10, 11, 12, 13, 14, 15, 16}));
  // Reversed: q = 8, w = round(1 * 4 / 2) = 2: columns 8 and 9 over columns 8 .. 15.
  EXPECT_EQ(Frame(WipeKind::kRubberH, from, to, 1, 4, FrameArgs{true}),
            Row({1, 2, 3, 4, 5, 6, 7, 8, 9, 9, 9, 9, 10, 10, 10, 10}));
  // Mid-duration: p = 15, the band is empty and the line under the sweep is stretched.
  EXPECT_EQ(Frame(WipeKind::kRubberH, from, to, 2, 4), Row(16, 16));
  // E = 3: p = 93 / 4 = 23 -> 8 on the incoming picture, w = round(1 * 4 / 2) = 2: columns 6, 7.
  EXPECT_EQ(Frame(WipeKind::kRubberH, from, to, 3, 4),
            Row({107, 107, 107, 107, 107, 108, 108, 108, 108, 110, 111, 112, 113, 114, 115, 116}));
  // E = 0: p = 0, w = round(2 * 0 / 2) = 0: the first column, the rest unchanged.
  EXPECT_EQ(Frame(WipeKind::kRubberH, from, to, 0, 4), fv);
  const TDIBX fromV = Grey(1, 16, fv), toV = Grey(1, 16, tv);
  EXPECT_EQ(Frame(WipeKind::kRubberV, fromV, toV, 1, 4), Row({6, 6, 6, 6, 7, 7, 7, 7, 9, 10, 11, 12, 13, 14, 15, 16}));
}

TEST(WipeTwistTest, RowsTurnOverLikeSlats) {
  const TDIBX from = Grey(4, 3, {1, 2, 3, 4, 1, 2, 3, 4, 1, 2, 3, 4});
  const TDIBX to = Grey(4, 3, {10, 11, 12, 13, 10, 11, 12, 13, 10, 11, 12, 13});
  // Row i turns with phase A - (i / 3) * pi / 2, A = E * 3 pi / 2 / 4; width round(cos(phase) * 4).
  EXPECT_EQ(Frame(WipeKind::kTwistH, from, to, 0, 4), Row({1, 2, 3, 4, 1, 2, 3, 4, 1, 2, 3, 4}));
  // Phases 1.18, 0.65, 0.13: widths 2, 3, 4.
  EXPECT_EQ(Frame(WipeKind::kTwistH, from, to, 1, 4), Row({0, 1, 3, 0, 1, 2, 3, 0, 1, 2, 3, 4}));
  // Phases 2.36, 1.83, 1.31: widths -3, -1, 1 (negative widths show the incoming row).
  EXPECT_EQ(Frame(WipeKind::kTwistH, from, to, 2, 4), Row({10, 11, 12, 0, 0, 10, 0, 0, 0, 1, 0, 0}));
  // Phases 3.53 (finished), 3.00, 2.49: widths -, -4, -3.
  EXPECT_EQ(Frame(WipeKind::kTwistH, from, to, 3, 4), Row({10, 11, 12, 13, 10, 11, 12, 13, 10, 11, 12, 0}));
  // Reversed, from the bottom.
  EXPECT_EQ(Frame(WipeKind::kTwistH, from, to, 1, 4, FrameArgs{true}), Row({1, 2, 3, 4, 1, 2, 3, 0, 0, 1, 3, 0}));
  EXPECT_EQ(Frame(WipeKind::kTwistH, from, to, 3, 4, FrameArgs{true}), Row({10, 11, 12, 0, 10, 11, 12, 13, 10, 11, 12, 13}));
}

TEST(WipeTwistTest, ColumnsTurnOverLikeSlats) {
  const TDIBX from = Grey(3, 4, {1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4});
  const TDIBX to = Grey(3, 4, {10, 10, 10, 11, 11, 11, 12, 12, 12, 13, 13, 13});
  // The same phases by column: heights 2, 3, 4 at a quarter.
  EXPECT_EQ(Frame(WipeKind::kTwistV, from, to, 1, 4), Row({0, 1, 1, 1, 2, 2, 3, 3, 3, 0, 0, 4}));
  EXPECT_EQ(Frame(WipeKind::kTwistV, from, to, 3, 4), Row({10, 10, 10, 11, 11, 11, 12, 12, 12, 13, 13, 0}));
  EXPECT_EQ(Frame(WipeKind::kTwistV, from, to, 1, 4, FrameArgs{true}), Row({1, 1, 0, 2, 2, 1, 3, 3, 3, 4, 0, 0}));
}

// 32-bit screens take their own column loop: every frame of it equals the per-format loop's frame
// of the same pictures on a 24-bit screen, in both directions, on odd and even sizes.
TEST(WipeTwistTest, ColumnsOn32BitScreensMatchThePerFormatLoop) {
  std::mt19937 gen(9);
  for (auto [w, h] : {std::pair{13, 9}, std::pair{16, 16}, std::pair{5, 21}}) {
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
    for (bool reverse : {false, true}) {
      for (int e = 0; e < 40; ++e) {
        TDIBX d32(w, h, 32), d24(w, h, 24);
        d32.Assign(from32);
        d24.Assign(from24);
        for (auto* pair : {&d32, &d24}) {
          const bool is32 = pair == &d32;
          auto wipe = CreateTransition(static_cast<int32_t>(WipeKind::kTwistV), *pair, is32 ? from32 : from24,
                                       is32 ? to32 : to24);
          wipe->Duration = 40;
          wipe->SetReverse(reverse ? 1 : 0);
          wipe->Prepare();
          wipe->Elapsed = e;
          wipe->StepFrame();
        }
        for (int y = 0; y < h; ++y)
          for (int x = 0; x < w; ++x)
            ASSERT_EQ(d32.GetPixel(x, y) & 0xFFFFFFu, d24.GetPixel(x, y) & 0xFFFFFFu)
                << w << "x" << h << " at " << x << "," << y << " elapsed " << e << (reverse ? " reversed" : "");
      }
    }
  }
}

}  // namespace
}  // namespace kuzo
