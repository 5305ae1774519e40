// The clip routine: placement of plain and mirrored source rectangles, trimming to the clip, the
// source and the mask, and extreme coordinates that must not overflow.
#include "graphics/draw_clip.h"

#include <gtest/gtest.h>

#include <climits>

namespace kuzo {
namespace {

const TRect kClip{0, 0, 10, 10};
const TRect kSource{0, 0, 8, 4};

TEST(DrawClip, PlainPlacementInsideEverything) {
  DrawPlan p;
  ASSERT_TRUE(PlanDraw(2, 3, TRect{1, 1, 4, 3}, false, false, kClip, kSource, nullptr, p));
  EXPECT_EQ(p.dst, (TRect{2, 3, 5, 5}));
  EXPECT_EQ(p.srcX, 1);
  EXPECT_EQ(p.srcY, 1);
  EXPECT_EQ(p.stepX, 1);
  EXPECT_EQ(p.stepY, 1);
}

TEST(DrawClip, LeftAndTopClipShiftTheSourceStart) {
  DrawPlan p;
  ASSERT_TRUE(PlanDraw(-3, -1, kSource, false, false, kClip, kSource, nullptr, p));
  EXPECT_EQ(p.dst, (TRect{0, 0, 5, 3}));
  EXPECT_EQ(p.srcX, 3);
  EXPECT_EQ(p.srcY, 1);
}

TEST(DrawClip, MirroredClipTakesFromTheFarEnd) {
  DrawPlan p;
  // Mirrored, destination column x + i shows source column right - 1 - i.
  ASSERT_TRUE(PlanDraw(-3, 0, kSource, true, true, kClip, kSource, nullptr, p));
  EXPECT_EQ(p.dst, (TRect{0, 0, 5, 4}));
  EXPECT_EQ(p.srcX, 4);  // 7 - 3
  EXPECT_EQ(p.srcY, 3);
  EXPECT_EQ(p.stepX, -1);
  EXPECT_EQ(p.stepY, -1);
  // Right clip with a mirror drops the source's left columns.
  ASSERT_TRUE(PlanDraw(6, 0, kSource, false, true, kClip, kSource, nullptr, p));
  EXPECT_EQ(p.dst, (TRect{6, 0, 10, 4}));
  EXPECT_EQ(p.srcX, 7);
}

TEST(DrawClip, SourceRectangleIsTrimmedToTheSourceInPlace) {
  DrawPlan p;
  ASSERT_TRUE(PlanDraw(0, 0, TRect{-2, 0, 8, 4}, false, false, kClip, kSource, nullptr, p));
  EXPECT_EQ(p.dst, (TRect{2, 0, 10, 4}));  // the missing columns leave a gap, not a shift
  EXPECT_EQ(p.srcX, 0);
  ASSERT_TRUE(PlanDraw(0, 0, TRect{-2, 0, 8, 4}, false, true, kClip, kSource, nullptr, p));
  EXPECT_EQ(p.dst, (TRect{0, 0, 8, 4}));  // mirrored: the gap is on the right
  EXPECT_EQ(p.srcX, 7);
}

TEST(DrawClip, MaskBoundsLimitTheDraw) {
  const TRect mask{0, 0, 3, 2};
  DrawPlan p;
  ASSERT_TRUE(PlanDraw(0, 0, kSource, false, false, kClip, kSource, &mask, p));
  EXPECT_EQ(p.dst, (TRect{0, 0, 3, 2}));
  const TRect none{0, 0, 0, 0};
  EXPECT_FALSE(PlanDraw(0, 0, kSource, false, false, kClip, kSource, &none, p));
}

TEST(DrawClip, EmptyInputsDrawNothing) {
  DrawPlan p;
  EXPECT_FALSE(PlanDraw(0, 0, TRect{3, 0, 3, 4}, false, false, kClip, kSource, nullptr, p));
  EXPECT_FALSE(PlanDraw(0, 0, kSource, false, false, TRect{}, kSource, nullptr, p));
  EXPECT_FALSE(PlanDraw(10, 0, kSource, false, false, kClip, kSource, nullptr, p));
  EXPECT_FALSE(PlanDraw(-8, 0, kSource, false, false, kClip, kSource, nullptr, p));
  EXPECT_FALSE(PlanDraw(0, 0, TRect{8, 0, 12, 4}, false, false, kClip, kSource, nullptr, p));
}

TEST(DrawClip, ExtremeCoordinatesDoNotOverflow) {
  DrawPlan p;
  EXPECT_FALSE(PlanDraw(INT_MAX, INT_MAX, kSource, true, true, kClip, kSource, nullptr, p));
  ASSERT_TRUE(PlanDraw(INT_MIN, 0, TRect{INT_MIN, 0, INT_MAX, 4}, false, false, TRect{0, 0, INT_MAX, 10}, kSource,
                       nullptr, p));
  // Source column 0 lies 2^31 columns right of INT_MIN, at destination column 0.
  EXPECT_EQ(p.dst, (TRect{0, 0, 8, 4}));
  EXPECT_EQ(p.srcX, 0);
  // Mirrored, the source's right end (INT_MAX) lands at x: column 7 appears at x + INT_MAX - 8.
  EXPECT_FALSE(PlanDraw(0, 0, TRect{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, true, true, kClip, kSource, nullptr, p));
  ASSERT_TRUE(PlanDraw(INT_MIN + 9, 0, TRect{INT_MIN, 0, INT_MAX, 4}, false, true, kClip, kSource, nullptr, p));
  EXPECT_EQ(p.dst, (TRect{0, 0, 8, 4}));
  EXPECT_EQ(p.srcX, 7);
}

}  // namespace
}  // namespace kuzo
