// Goldens of the patterned mask transitions. The outgoing picture is black and the incoming one
// white, so every output value is the mask value m seen through the mix: 0 for m = 0, 255 for
// m = 255 (or any m with a hard edge), 255 * m >> 8 otherwise.
#include "transitions/wipe_masks.h"

#include <gtest/gtest.h>

#include "tests/transitions/wipe_test_util.h"

namespace kuzo {
namespace {

using test::Frame;
using test::FrameArgs;
using test::Grey;
using test::Row;

constexpr int F = 0;
constexpr int T = 255;

FrameArgs Params(int32_t p0, int32_t p1, bool reverse = false) {
  FrameArgs a;
  a.reverse = reverse;
  a.param0 = p0;
  a.param1 = p1;
  return a;
}

TEST(WipeBlindTest, HardBlindsSwitchWholeColumns) {
  const TDIBX from = Grey(8, 1, {0}), to = Grey(8, 1, {255});
  // p0 = 4, p1 = 1: level = 7 * E / 4 = 0, 1, 3, 5; column starts 0, 2, 4, 6 (6, 4, 2, 0 reversed).
  EXPECT_EQ(Frame(WipeKind::kBlindH, from, to, 0, 4, Params(4, 1)), Row(8, F));
  EXPECT_EQ(Frame(WipeKind::kBlindH, from, to, 1, 4, Params(4, 1)), Row({T, F, F, F, T, F, F, F}));
  EXPECT_EQ(Frame(WipeKind::kBlindH, from, to, 2, 4, Params(4, 1)), Row({T, T, F, F, T, T, F, F}));
  EXPECT_EQ(Frame(WipeKind::kBlindH, from, to, 3, 4, Params(4, 1)), Row({T, T, T, F, T, T, T, F}));
  EXPECT_EQ(Frame(WipeKind::kBlindH, from, to, 0, 4, Params(4, 1, true)), Row(8, F));
  EXPECT_EQ(Frame(WipeKind::kBlindH, from, to, 1, 4, Params(4, 1, true)), Row({F, F, F, T, F, F, F, T}));
  EXPECT_EQ(Frame(WipeKind::kBlindH, from, to, 2, 4, Params(4, 1, true)), Row({F, F, T, T, F, F, T, T}));
  EXPECT_EQ(Frame(WipeKind::kBlindH, from, to, 3, 4, Params(4, 1, true)), Row({F, T, T, T, F, T, T, T}));
}

TEST(WipeBlindTest, SoftBlindsFadeEachColumn) {
  const TDIBX from = Grey(8, 1, {0}), to = Grey(8, 1, {255});
  // p1 = 40: level = 46 * 1 / 4 = 11; m = (11 - start) * 255 / 40 = 70, 57, 44, 31.
  EXPECT_EQ(Frame(WipeKind::kBlindH, from, to, 1, 4, Params(4, 40)), Row({69, 56, 43, 30, 69, 56, 43, 30}));
  EXPECT_EQ(Frame(WipeKind::kBlindH, from, to, 1, 4, Params(4, 40, true)), Row({30, 43, 56, 69, 30, 43, 56, 69}));
}

// On 5-6-5 surfaces each channel mixes in the same proportion at its own width.
TEST(WipeBlindTest, SixteenBitChannelsMixInProportion) {
  TDIBX from(4, 1, 16), to(4, 1, 16), dest(4, 1, 16);
  from.Fill(0x0000);
  to.Fill(0xFFFF);
  dest.Fill(0x0000);
  auto w = CreateTransition(static_cast<int32_t>(WipeKind::kBlindH), dest, from, to);
  w->SetParam(0, 4);
  w->SetParam(1, 40);
  w->Duration = 4;
  w->Prepare();
  w->Elapsed = 1;
  ASSERT_FALSE(w->StepFrame());
  // m = 70, 57, 44, 31: red and blue 31 * m >> 8 = 8, 6, 5, 3; green 63 * m >> 8 = 17, 14, 10, 7.
  EXPECT_EQ(dest.GetPixel(0, 0), 8u << 11 | 17u << 5 | 8u);
  EXPECT_EQ(dest.GetPixel(1, 0), 6u << 11 | 14u << 5 | 6u);
  EXPECT_EQ(dest.GetPixel(2, 0), 5u << 11 | 10u << 5 | 5u);
  EXPECT_EQ(dest.GetPixel(3, 0), 3u << 11 | 7u << 5 | 3u);
}

TEST(WipeBlindTest, HorizontalBlindsRepeatTheSlat) {
  const TDIBX from = Grey(1, 8, {0}), to = Grey(1, 8, {255});
  EXPECT_EQ(Frame(WipeKind::kBlindV, from, to, 0, 4, Params(4, 1)), Row(8, F));
  EXPECT_EQ(Frame(WipeKind::kBlindV, from, to, 1, 4, Params(4, 1)), Row({T, F, F, F, T, F, F, F}));
  EXPECT_EQ(Frame(WipeKind::kBlindV, from, to, 2, 4, Params(4, 1)), Row({T, T, F, F, T, T, F, F}));
  EXPECT_EQ(Frame(WipeKind::kBlindV, from, to, 3, 4, Params(4, 1, true)), Row({F, T, T, T, F, T, T, T}));
  EXPECT_EQ(Frame(WipeKind::kBlindV, from, to, 1, 4, Params(4, 40)), Row({69, 56, 43, 30, 69, 56, 43, 30}));
}

TEST(WipeCurtainTest, BlocksStartStaggered) {
  const TDIBX from = Grey(6, 1, {0}), to = Grey(6, 1, {255});
  // p0 = 3 over 6 columns: level = ((2 + 3 - 2) * 16 + 1) * E / 4 = 0, 12, 24, 36;
  // starts (x / 3 + x mod 3) * 16 = 0, 16, 32, 16, 32, 48.
  EXPECT_EQ(Frame(WipeKind::kCurtainH, from, to, 0, 4, Params(3, 1)), Row(6, F));
  EXPECT_EQ(Frame(WipeKind::kCurtainH, from, to, 1, 4, Params(3, 1)), Row({T, F, F, F, F, F}));
  EXPECT_EQ(Frame(WipeKind::kCurtainH, from, to, 2, 4, Params(3, 1)), Row({T, T, F, T, F, F}));
  EXPECT_EQ(Frame(WipeKind::kCurtainH, from, to, 3, 4, Params(3, 1)), Row({T, T, T, T, T, F}));
  EXPECT_EQ(Frame(WipeKind::kCurtainH, from, to, 1, 4, Params(3, 1, true)), Row({F, F, F, F, F, T}));
  EXPECT_EQ(Frame(WipeKind::kCurtainH, from, to, 2, 4, Params(3, 1, true)), Row({F, F, T, F, T, T}));
  EXPECT_EQ(Frame(WipeKind::kCurtainH, from, to, 3, 4, Params(3, 1, true)), Row({F, T, T, T, T, T}));
}

TEST(WipeCurtainTest, VerticalCurtainWorksOnRows) {
  const TDIBX from = Grey(2, 6, {0}), to = Grey(2, 6, {255});
  EXPECT_EQ(Frame(WipeKind::kCurtainV, from, to, 2, 4, Params(3, 1)), Row({T, T, T, T, F, F, T, T, F, F, F, F}));
  EXPECT_EQ(Frame(WipeKind::kCurtainV, from, to, 3, 4, Params(3, 1, true)), Row({F, F, T, T, T, T, T, T, T, T, T, T}));
}

// Value at (x, y) of an 8-pixel-wide frame.
int At(const Row& r, int x, int y) { return r[static_cast<size_t>(y * 8 + x)]; }

TEST(WipeGridTest, SquaresGrowFromTheCorner) {
  const TDIBX from = Grey(8, 8, {0}), to = Grey(8, 8, {255});
  // Cells of 4: starts 0 (cell 0,0) and 4 (the others); level = (8 + 4 * 1 - 4) * E / 4 = 2, 4, 6.
  const Row q1 = Frame(WipeKind::kGrid, from, to, 1, 4, Params(4, 8));
  // Level 2: side 2 * 4 / 8 = 1 at offset 1 in the cell, m = 2 * 255 / 8 = 63.
  EXPECT_EQ(At(q1, 1, 1), 62);
  EXPECT_EQ(At(q1, 0, 0), 0);
  EXPECT_EQ(At(q1, 2, 2), 0);
  const Row q2 = Frame(WipeKind::kGrid, from, to, 2, 4, Params(4, 8));
  // Level 4: side 2 at offset 1, m = 127.
  EXPECT_EQ(At(q2, 1, 1), 126);
  EXPECT_EQ(At(q2, 2, 2), 126);
  EXPECT_EQ(At(q2, 3, 3), 0);
  EXPECT_EQ(At(q2, 5, 1), 0);  // the other cells start at level 4: side 0
  const Row q3 = Frame(WipeKind::kGrid, from, to, 3, 4, Params(4, 8));
  // Level 6: side 3 at offset 0 with m = 191 in cell (0, 0); side 1 with m = 63 in the others.
  EXPECT_EQ(At(q3, 0, 0), 190);
  EXPECT_EQ(At(q3, 2, 2), 190);
  EXPECT_EQ(At(q3, 3, 3), 0);
  EXPECT_EQ(At(q3, 5, 1), 62);
  EXPECT_EQ(At(q3, 4, 0), 0);
  EXPECT_EQ(At(q3, 5, 5), 62);
  // Reversed, the cell at the far corner starts first.
  const Row r3 = Frame(WipeKind::kGrid, from, to, 3, 4, Params(4, 8, true));
  EXPECT_EQ(At(r3, 4, 4), 190);
  EXPECT_EQ(At(r3, 6, 6), 190);
  EXPECT_EQ(At(r3, 7, 7), 0);
  EXPECT_EQ(At(r3, 1, 1), 62);
  EXPECT_EQ(Frame(WipeKind::kGrid, from, to, 0, 4, Params(4, 8)), Row(64, F));
}

TEST(WipeGridTest, ColumnAndRowOrders) {
  const TDIBX from = Grey(8, 8, {0}), to = Grey(8, 8, {255});
  // GridH: starts 4 * column = 0, 4; level = (8 + 8 - 4) * 3 / 4 = 9: cell 0 side 4 (m 255),
  // cell 1 side (5 * 4 / 8) = 2 at offset 1 with m = 5 * 255 / 8 = 159. Rows repeat every 4.
  const Row h3 = Frame(WipeKind::kGridH, from, to, 3, 4, Params(4, 8));
  EXPECT_EQ(At(h3, 0, 0), T);
  EXPECT_EQ(At(h3, 3, 7), T);
  EXPECT_EQ(At(h3, 5, 1), 158);
  EXPECT_EQ(At(h3, 6, 6), 158);
  EXPECT_EQ(At(h3, 4, 0), 0);
  const Row hr = Frame(WipeKind::kGridH, from, to, 3, 4, Params(4, 8, true));
  EXPECT_EQ(At(hr, 7, 0), T);
  EXPECT_EQ(At(hr, 1, 1), 158);
  // GridV: the same by rows.
  const Row v3 = Frame(WipeKind::kGridV, from, to, 3, 4, Params(4, 8));
  EXPECT_EQ(At(v3, 7, 3), T);
  EXPECT_EQ(At(v3, 1, 5), 158);
  EXPECT_EQ(At(v3, 0, 4), 0);
  const Row v1 = Frame(WipeKind::kGridV, from, to, 1, 4, Params(4, 8, true));
  // level 3: the bottom row of cells, side 3 * 4 / 8 = 1 at offset 1, m = 95.
  EXPECT_EQ(At(v1, 1, 5), 94);
  EXPECT_EQ(At(v1, 1, 1), 0);
}

// A cell larger than the screen centres its square beyond the screen's edge: small squares lie
// wholly to the right of a narrow screen (and must not be filled there), larger ones are cut.
TEST(WipeGridTest, CellsLargerThanTheScreenAreCut) {
  const TDIBX from = Grey(29, 64, {0}), to = Grey(29, 64, {255});
  FrameArgs args;
  args.param0 = 90;
  args.param1 = 40;
  // One cell; top level 40 - 4 = 36. At level 10 the square's side is 10 * 90 / 40 = 22 from
  // (34, 34): right of the screen, though its rows are on it.
  EXPECT_EQ(Frame(WipeKind::kGrid, from, to, 10, 36, args), Row(29 * 64, 0));
  // At level 30: side 67 from (11, 11) to (78, 78), cut at the edges; mask 30 * 255 / 40 = 191,
  // so 255 * 191 >> 8 = 190.
  const std::vector<int> frame = Frame(WipeKind::kGrid, from, to, 30, 36, args);
  ASSERT_EQ(frame.size(), 29u * 64u);
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 29; ++x) {
      ASSERT_EQ(frame[static_cast<size_t>(y) * 29 + x], x >= 11 && y >= 11 ? 190 : 0) << x << "," << y;
    }
  }
}

TEST(WipeDitherTest, FixedOrderTile) {
  const auto order = TWipeDither::TileOrder();
  // Seed 12341: first value 12341 mod 4096 = 53; then 74046 mod 4095 = 336, which is cell 337
  // once 53 has left the pool.
  EXPECT_EQ(order[0], 53);
  EXPECT_EQ(order[1], 337);
  EXPECT_EQ(TWipeDither::TileOrder(), order);  // the same on every run
  const TDIBX from = Grey(128, 64, {0}), to = Grey(128, 64, {255});
  const Row one = Frame(WipeKind::kDither, from, to, 1, 4096);
  const Row two = Frame(WipeKind::kDither, from, to, 2, 4096);
  const auto on = [](const Row& r, int x, int y) { return r[static_cast<size_t>(y * 128 + x)] == 255; };
  EXPECT_TRUE(on(one, 53, 0));
  EXPECT_TRUE(on(one, 53 + 64, 0));  // the tile repeats across the width
  EXPECT_FALSE(on(one, 17, 5));
  EXPECT_TRUE(on(two, 17, 5));
  EXPECT_TRUE(on(two, 17 + 64, 5));
  EXPECT_EQ(std::count(one.begin(), one.end(), 255), 2);
  // At a quarter, half and three quarters: 1024, 2048 and 3072 cells of each tile.
  for (int q = 0; q < 4; ++q) {
    const Row r = Frame(WipeKind::kDither, from, to, q, 4, FrameArgs{q % 2 == 1});
    EXPECT_EQ(std::count(r.begin(), r.end(), 255), q * 1024 * 2);
    EXPECT_EQ(std::count(r.begin(), r.end(), 0), (4 - q) * 1024 * 2);
  }
}

}  // namespace
}  // namespace kuzo
