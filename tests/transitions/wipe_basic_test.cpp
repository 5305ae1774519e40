// Goldens of the whole-surface transitions on hand-worked surfaces, at 0, 1/4, 1/2 and 3/4 of the
// duration (the end is covered for every kind by the framework tests), normal and reversed.
#include "transitions/wipe_basic.h"

#include <gtest/gtest.h>

#include "tests/transitions/wipe_test_util.h"

namespace kuzo {
namespace {

using test::Frame;
using test::FrameArgs;
using test::Grey;
using test::Row;

TEST(WipeFadeTest, BlendsTheIncomingPictureByElapsedShare) {
  const TDIBX from = Grey(4, 1, {0}), to = Grey(4, 1, {200});
  for (bool reverse : {false, true}) {
    const FrameArgs args{reverse};
    // alpha = E * 256 / D: 0, 64, 128, 192; d = 200 * alpha >> 8
    EXPECT_EQ(Frame(WipeKind::kFade, from, to, 0, 4, args), Row({0, 0, 0, 0}));
    EXPECT_EQ(Frame(WipeKind::kFade, from, to, 1, 4, args), Row({50, 50, 50, 50}));
    EXPECT_EQ(Frame(WipeKind::kFade, from, to, 2, 4, args), Row({100, 100, 100, 100}));
    EXPECT_EQ(Frame(WipeKind::kFade, from, to, 3, 4, args), Row({150, 150, 150, 150}));
  }
}

TEST(WipeFadeTest, ParametersSlideTheIncomingPictureIn) {
  const TDIBX from = Grey(4, 1, {0}), to = Grey(4, 1, {200});
  FrameArgs args;
  args.param0 = 4;
  // Remaining fraction (4 - 2 - 1) / 4 = 0.25: the picture sits round(4 * 0.25) = 1 pixel right.
  EXPECT_EQ(Frame(WipeKind::kFade, from, to, 2, 4, args), Row({0, 100, 100, 100}));
  // (4 - 0 - 1) / 4 * 4 = 3 pixels, alpha 0: nothing of it yet.
  EXPECT_EQ(Frame(WipeKind::kFade, from, to, 0, 4, args), Row({0, 0, 0, 0}));
  EXPECT_EQ(Frame(WipeKind::kFade, from, to, 3, 4, args), Row({150, 150, 150, 150}));
}

TEST(WipeScrollTest, PushesHorizontally) {
  const TDIBX from = Grey(4, 1, {1, 2, 3, 4}), to = Grey(4, 1, {5, 6, 7, 8});
  EXPECT_EQ(Frame(WipeKind::kScrollH, from, to, 0, 4), Row({1, 2, 3, 4}));
  EXPECT_EQ(Frame(WipeKind::kScrollH, from, to, 1, 4), Row({2, 3, 4, 5}));
  EXPECT_EQ(Frame(WipeKind::kScrollH, from, to, 2, 4), Row({3, 4, 5, 6}));
  EXPECT_EQ(Frame(WipeKind::kScrollH, from, to, 3, 4), Row({4, 5, 6, 7}));
  const FrameArgs rev{true};
  EXPECT_EQ(Frame(WipeKind::kScrollH, from, to, 0, 4, rev), Row({1, 2, 3, 4}));
  EXPECT_EQ(Frame(WipeKind::kScrollH, from, to, 1, 4, rev), Row({8, 1, 2, 3}));
  EXPECT_EQ(Frame(WipeKind::kScrollH, from, to, 2, 4, rev), Row({7, 8, 1, 2}));
  EXPECT_EQ(Frame(WipeKind::kScrollH, from, to, 3, 4, rev), Row({6, 7, 8, 1}));
}

TEST(WipeScrollTest, PushesVertically) {
  const TDIBX from = Grey(1, 4, {1, 2, 3, 4}), to = Grey(1, 4, {5, 6, 7, 8});
  EXPECT_EQ(Frame(WipeKind::kScrollV, from, to, 0, 4), Row({1, 2, 3, 4}));
  EXPECT_EQ(Frame(WipeKind::kScrollV, from, to, 1, 4), Row({2, 3, 4, 5}));
  EXPECT_EQ(Frame(WipeKind::kScrollV, from, to, 3, 4), Row({4, 5, 6, 7}));
  const FrameArgs rev{true};
  EXPECT_EQ(Frame(WipeKind::kScrollV, from, to, 1, 4, rev), Row({8, 1, 2, 3}));
  EXPECT_EQ(Frame(WipeKind::kScrollV, from, to, 2, 4, rev), Row({7, 8, 1, 2}));
}

TEST(WipeGreyPassageTest, ThroughWhite) {
  const TDIBX from = Grey(1, 1, {100}), to = Grey(1, 1, {50});
  for (bool reverse : {false, true}) {
    const FrameArgs args{reverse};
    // level = E * 511 / 4: 0, 127, 255, 383
    EXPECT_EQ(Frame(WipeKind::kWhite, from, to, 0, 4, args), Row({100}));
    EXPECT_EQ(Frame(WipeKind::kWhite, from, to, 1, 4, args), Row({227}));  // 100 + 127
    EXPECT_EQ(Frame(WipeKind::kWhite, from, to, 2, 4, args), Row({255}));  // saturated
    EXPECT_EQ(Frame(WipeKind::kWhite, from, to, 3, 4, args), Row({178}));  // 50 + (511 - 383)
  }
}

TEST(WipeGreyPassageTest, ThroughBlack) {
  const TDIBX from = Grey(1, 1, {200}), to = Grey(1, 1, {220});
  EXPECT_EQ(Frame(WipeKind::kBlack, from, to, 0, 4), Row({200}));
  EXPECT_EQ(Frame(WipeKind::kBlack, from, to, 1, 4), Row({73}));  // 200 - 127
  EXPECT_EQ(Frame(WipeKind::kBlack, from, to, 2, 4), Row({0}));   // 200 - 255, saturated
  EXPECT_EQ(Frame(WipeKind::kBlack, from, to, 3, 4, FrameArgs{true}), Row({92}));  // 220 - 128
}

TEST(WipeGreyPassageTest, FlashFadesFromWhite) {
  const TDIBX from = Grey(1, 1, {0}), to = Grey(1, 1, {50});
  // grey 255 - E * 255 / 4: 255, 192, 128, 64
  EXPECT_EQ(Frame(WipeKind::kFlash, from, to, 0, 4), Row({255}));
  EXPECT_EQ(Frame(WipeKind::kFlash, from, to, 1, 4), Row({242}));
  EXPECT_EQ(Frame(WipeKind::kFlash, from, to, 2, 4, FrameArgs{true}), Row({178}));
  EXPECT_EQ(Frame(WipeKind::kFlash, from, to, 3, 4), Row({114}));
}

TEST(WipeZoominTest, ZoomsThroughThePoint) {
  std::vector<int> fromValues, toValues;
  for (int i = 0; i < 16; ++i) fromValues.push_back(i), toValues.push_back(100 + i);
  const TDIBX from = Grey(4, 4, fromValues), to = Grey(4, 4, toValues);
  // c = 0: the whole outgoing picture.
  EXPECT_EQ(Frame(WipeKind::kZoomin, from, to, 0, 4), fromValues);
  // c = 0.5: a 2 x 2 crop at round((0 - 2) * 0.5) + 2 - 1 = 0, doubled.
  const Row quarter = {0, 0, 1, 1, 0, 0, 1, 1, 4, 4, 5, 5, 4, 4, 5, 5};
  EXPECT_EQ(Frame(WipeKind::kZoomin, from, to, 1, 4), quarter);
  // c = 1: the crop of the incoming picture is one pixel, at its point.
  EXPECT_EQ(Frame(WipeKind::kZoomin, from, to, 2, 4), Row(16, 100));
  // c = 1.5: a 2 x 2 crop of the incoming picture.
  Row quarterTo = quarter;
  for (int& v : quarterTo) v += 100;
  EXPECT_EQ(Frame(WipeKind::kZoomin, from, to, 3, 4, FrameArgs{true}), quarterTo);
  // Toward the point (3, 3): the 2 x 2 crop starts at round((3 - 2) * 0.5) + 1 = 1.
  FrameArgs point;
  point.param0 = 3;
  point.param1 = 3;
  EXPECT_EQ(Frame(WipeKind::kZoomin, from, to, 1, 4, point), Row({5, 5, 6, 6, 5, 5, 6, 6, 9, 9, 10, 10, 9, 9, 10, 10}));
}

}  // namespace
}  // namespace kuzo
