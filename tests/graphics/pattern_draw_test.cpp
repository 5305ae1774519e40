// Patterns and indexed sources: the wrapped pattern walk with offsets, mirroring and clipping, the
// four bands of a pattern frame, the scaled pattern with its fractional start, and the nibble and
// indexed-add draws with their key, threshold and equality rules.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "graphics/dibx.h"
#include "transform_test_util.h"

namespace kuzo {
namespace {

using testing::Filled;
using testing::Pixels;
using testing::Row;
using testing::Surface;
using V = std::vector<uint32_t>;

TEST(FillPattern, OffsetsWrapAndMirror) {
  const TDIBX pattern = Surface(8, 3, 1, {1, 2, 3});
  auto fill = [&](int offsetX, bool flipH) {
    TDIBX d = Filled(8, 8, 1, 0);
    d.FillPattern(d.BoundsRect(), pattern, false, flipH, 0, offsetX);
    return Row(d, 0);
  };
  EXPECT_EQ(fill(1, false), (V{2, 3, 1, 2, 3, 1, 2, 3}));
  EXPECT_EQ(fill(1, true), (V{2, 1, 3, 2, 1, 3, 2, 1}));
  EXPECT_EQ(fill(-1, false), (V{3, 1, 2, 3, 1, 2, 3, 1}));
  EXPECT_EQ(fill(INT_MIN, false)[0], static_cast<uint32_t>(((INT_MIN % 3) + 3) % 3 + 1));
  const TDIBX column = Surface(8, 1, 2, {1, 2});
  TDIBX v = Filled(8, 1, 4, 0);
  v.FillPattern(v.BoundsRect(), column, true, false, 0, 0);
  EXPECT_EQ(Pixels(v), (V{2, 1, 2, 1}));
}

TEST(FillPattern, ClippingMovesTheOffsetWithTheCut) {
  const TDIBX pattern = Surface(8, 3, 1, {1, 2, 3});
  TDIBX d = Filled(8, 8, 1, 0);
  d.SetClip({2, 0, 7, 1});
  d.FillPattern({0, 0, 8, 1}, pattern, false, false, 0, 0);
  EXPECT_EQ(Row(d, 0), (V{0, 0, 3, 1, 2, 3, 1, 0}));
  const TDIBX wrongBits = Filled(16, 2, 1, 1);
  d.FillPattern(d.BoundsRect(), wrongBits, false, false, 0, 0);
  d.FillPattern(d.BoundsRect(), TDIBX{}, false, false, 0, 0);
  EXPECT_EQ(Row(d, 0), (V{0, 0, 3, 1, 2, 3, 1, 0}));
}

TEST(FramePattern, FourBandsEachStartingThePatternAtItsCorner) {
  const TDIBX pattern = Surface(8, 2, 1, {1, 2});
  TDIBX d = Filled(8, 5, 5, 0);
  d.FramePattern(d.BoundsRect(), 1, 0, 0, false, {}, pattern);
  EXPECT_EQ(Pixels(d), (V{1, 2, 1, 2, 1,  //
                          1, 0, 0, 0, 1,  //
                          1, 0, 0, 0, 1,  //
                          1, 0, 0, 0, 1,  //
                          1, 2, 1, 2, 1}));
}

TEST(StretchPattern, ScaledWalkWithFractionalOffsets) {
  const TDIBX pattern = Surface(8, 2, 1, {1, 2});
  auto draw = [&](int scaleX, int offsetX, bool flipH) {
    TDIBX d = Filled(8, 8, 1, 0);
    d.StretchPattern(d.BoundsRect(), scaleX, 255, false, flipH, false, 0, offsetX, pattern, 256);
    return Row(d, 0);
  };
  EXPECT_EQ(draw(512, 0, false), (V{1, 1, 2, 2, 1, 1, 2, 2}));
  EXPECT_EQ(draw(512, 1, false), (V{1, 2, 2, 1, 1, 2, 2, 1}));
  EXPECT_EQ(draw(512, -1, false), (V{2, 1, 1, 2, 2, 1, 1, 2}));
  EXPECT_EQ(draw(256, 0, false), (V{1, 2, 1, 2, 1, 2, 1, 2}));
  EXPECT_EQ(draw(256, 0, true), (V{1, 2, 1, 2, 1, 2, 1, 2}));
  EXPECT_EQ(draw(512, 0, true), (V{1, 2, 2, 1, 1, 2, 2, 1}));
  // Shrinking: the step is capped at one pattern width.
  EXPECT_EQ(draw(64, 0, false), V(8, 1));
  const TDIBX four = Surface(8, 4, 1, {1, 2, 3, 4});
  TDIBX d = Filled(8, 4, 1, 0);
  d.StretchPattern(d.BoundsRect(), 128, 255, false, false, false, 0, 0, four, 256);
  EXPECT_EQ(Row(d, 0), (V{1, 3, 1, 3}));
}

TEST(StretchPattern, ClippedColumnsKeepTheirPlaceInThePattern) {
  const TDIBX pattern = Surface(8, 3, 1, {1, 2, 3});
  TDIBX d = Filled(8, 6, 1, 0);
  d.SetClip({2, 0, 6, 1});
  d.StretchPattern({0, 0, 6, 1}, 256, 255, false, false, false, 0, 0, pattern, 256);
  EXPECT_EQ(Row(d, 0), (V{0, 0, 3, 1, 2, 3}));
}

TEST(StretchPattern, OpacityKeyMaskAndNothingCases) {
  TDIBX pattern = Surface(32, 2, 1, {0xFFFFFF, 0x00FF00});
  pattern.ColorKey = 0x00FF00;
  TDIBX d = Filled(32, 4, 1, 0x101010);
  d.StretchPattern(d.BoundsRect(), 256, 300, false, false, true, 0, 0, pattern, 256);
  EXPECT_EQ(Row(d, 0), (V{0x3B3B3B, 0x101010, 0x3B3B3B, 0x101010}));
  d.StretchPattern(d.BoundsRect(), 256, 128, false, false, false, 0, 0, pattern, 256);
  // (0x3B*127 + 255*128) >> 8 = 0x9C; green key not skipped without trans: (0x10*127 + 255*128) >> 8 = 0x87
  EXPECT_EQ(Row(d, 0), (V{0x9C9C9C, 0x078707, 0x9C9C9C, 0x078707}));
  const V before = Row(d, 0);
  d.StretchPattern(d.BoundsRect(), 0, 255, false, false, false, 0, 0, pattern, 256);
  d.StretchPattern(d.BoundsRect(), 256, 255, false, false, false, 0, 0, pattern, -3);
  d.StretchPattern(d.BoundsRect(), 256, 0, false, false, false, 0, 0, pattern, 256);
  EXPECT_EQ(Row(d, 0), before);
  const TDIBX mask = Surface(8, 2, 1, {255, 0});
  TDIBX m = Filled(32, 4, 1, 0);
  m.StretchPatternMask(m.BoundsRect(), 256, 255, false, false, mask, 0, 0, pattern, 256);
  EXPECT_EQ(Row(m, 0), (V{0xFFFFFF, 0, 0xFFFFFF, 0}));
}

TEST(DrawNibbles, IndexesPickTableColoursAndTheKeyIndexIsSkipped) {
  TDIBX src = Surface(4, 4, 1, {1, 2, 3, 0});
  src.ColorKey = 0;
  TColorTable colours{};
  colours[1] = 0xFF0000;
  colours[2] = 0x00FF00;
  colours[3] = 0x0000FF;
  TDIBX d = Filled(32, 4, 1, 0x111111);
  d.DrawNibbles(0, 0, colours, 255, false, false, false, src.BoundsRect(), src);
  EXPECT_EQ(Row(d, 0), (V{0xFF0000, 0x00FF00, 0x0000FF, 0x111111}));
  TDIBX m = Filled(32, 4, 1, 0x111111);
  m.DrawNibbles(1, 0, colours, 255, false, true, false, src.BoundsRect(), src);
  EXPECT_EQ(Row(m, 0), (V{0x111111, 0x111111, 0x0000FF, 0x00FF00}));  // mirrored: 0 (key), 3, 2, 1 cut
}

TEST(DrawNibbles, BlendLeavesTheColourAndAddLeavesWhite) {
  const TDIBX src = Surface(4, 3, 1, {1, 1, 2});
  TColorTable colours{};
  colours[1] = 0xFFFFFF;
  colours[2] = 0;
  TDIBX b = Surface(32, 3, 1, {0xFFFFFF, 0, 0});
  b.DrawNibbles(0, 0, colours, 128, false, false, false, src.BoundsRect(), src);
  // blend(d, c, 128) = (d*127 + c*128) >> 8, except where d already equals c
  EXPECT_EQ(Row(b, 0), (V{0xFFFFFF, 0x7F7F7F, 0}));
  TDIBX a = Surface(32, 3, 1, {0x01FFFFFF, 0x101010, 0x01101010});
  a.DrawNibbles(0, 0, colours, 384, false, false, false, src.BoundsRect(), src);
  // White pixels and table entry 0 are left as they are (their fourth byte included).
  EXPECT_EQ(Row(a, 0), (V{0x01FFFFFF, 0x8F8F8F, 0x01101010}));
}

TEST(DrawIndexedAdd, ThresholdAndMirroring) {
  TColorTable colours{};
  for (int i = 0; i < 256; ++i) colours[static_cast<size_t>(i)] = i * 0x010101;
  const TDIBX src = Surface(8, 4, 1, {0, 5, 10, 200});
  TDIBX d = Filled(32, 4, 1, 0x101010);
  d.DrawIndexedAdd(0, 0, colours, 255, false, false, 6, src.BoundsRect(), src);
  // d + (c*255 >> 8): 10 -> 9, 200 -> 199
  EXPECT_EQ(Row(d, 0), (V{0x101010, 0x101010, 0x191919, 0xD7D7D7}));
  TDIBX m = Filled(32, 4, 1, 0);
  m.DrawIndexedAdd(0, 0, colours, 128, false, true, 1, src.BoundsRect(), src);
  EXPECT_EQ(Row(m, 0), (V{0x646464, 0x050505, 0x020202, 0}));
  m.DrawIndexedAdd(0, 0, colours, 0, false, false, 0, src.BoundsRect(), src);
  EXPECT_EQ(Row(m, 0), (V{0x646464, 0x050505, 0x020202, 0}));
}

}  // namespace
}  // namespace kuzo
