// Tiling: the offset wrapped into the tile, gaps, the destination rectangle as the limit, the clip
// restored afterwards, gaps that would never advance, and the tiled stretch with its 16.16 periods
// and offsets of either sign.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "graphics/dibx.h"
#include "transform_test_util.h"

namespace kuzo {
namespace {

using testing::Filled;
using testing::Pixels;
using testing::Ramp;
using testing::Row;
using testing::Surface;
using V = std::vector<uint32_t>;

V Concat(std::initializer_list<V> parts) {
  V out;
  for (const V& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

TEST(TileDraw, NegativeOffsetStartsWithTheTilesLastColumn) {
  const TDIBX tile = Surface(8, 16, 1, Ramp(16, 1));
  TDIBX d = Filled(8, 40, 1, 0);
  d.TileDraw(d.BoundsRect(), 0, 0, -1, false, tile.BoundsRect(), tile, 0);
  EXPECT_EQ(Row(d, 0), Concat({{16}, Ramp(16, 1), Ramp(16, 1), Ramp(7, 1)}));
}

TEST(TileDraw, OffsetsAndGapsInBothDirections) {
  const TDIBX tile = Surface(8, 2, 2, {1, 2, 3, 4});
  TDIBX d = Filled(8, 5, 5, 0);
  d.TileDraw(d.BoundsRect(), 1, 1, 1, false, tile.BoundsRect(), tile, 0);
  EXPECT_EQ(Pixels(d), (V{4, 0, 3, 4, 0,  //
                          2, 0, 1, 2, 0,  //
                          4, 0, 3, 4, 0,  //
                          2, 0, 1, 2, 0,  //
                          4, 0, 3, 4, 0}));
  TDIBX v = Filled(8, 1, 6, 0);
  v.TileDraw(v.BoundsRect(), 0, 0, 0, false, {0, 0, 1, 2}, tile, 1);
  EXPECT_EQ(Pixels(v), (V{1, 3, 0, 1, 3, 0}));
}

TEST(TileDraw, TilesStayInsideTheRectangleAndTheClipIsRestored) {
  const TDIBX tile = Surface(8, 2, 1, {1, 2});
  TDIBX d = Filled(8, 6, 1, 0);
  d.TileDraw({1, 0, 4, 1}, 0, 0, 0, false, tile.BoundsRect(), tile, 0);
  EXPECT_EQ(Row(d, 0), (V{0, 1, 2, 1, 0, 0}));
  EXPECT_FALSE(d.ClipIsSet());
  d.SetClip({0, 0, 5, 1});
  d.TileDraw({3, 0, 6, 1}, 0, 0, 0, false, tile.BoundsRect(), tile, 0);
  EXPECT_EQ(Row(d, 0), (V{0, 1, 2, 1, 2, 0}));
  EXPECT_TRUE(d.ClipIsSet());
  EXPECT_EQ(d.GetClip(), (TRect{0, 0, 5, 1}));
}

TEST(TileDraw, GapsThatNeverAdvanceEndTheWalk) {
  const TDIBX tile = Surface(8, 2, 1, {1, 2});
  TDIBX d = Filled(8, 6, 1, 0);
  d.TileDraw(d.BoundsRect(), -2, 0, 0, false, tile.BoundsRect(), tile, 0);  // every tile on the same spot
  EXPECT_EQ(Row(d, 0), (V{1, 2, 0, 0, 0, 0}));
  d.TileDraw(d.BoundsRect(), -7, 0, 0, false, tile.BoundsRect(), tile, -9);  // moving backwards
  EXPECT_EQ(Row(d, 0), (V{1, 2, 0, 0, 0, 0}));
  d.TileDraw(d.BoundsRect(), -1, 0, 0, false, tile.BoundsRect(), tile, 0);  // one pixel forward each
  EXPECT_EQ(Row(d, 0), (V{1, 1, 1, 1, 1, 1}));
}

TEST(TileDraw, HugeRectanglesAndEmptyTiles) {
  const TDIBX one = Filled(8, 1, 1, 5);
  TDIBX d = Filled(8, 4, 2, 0);
  d.TileDraw({INT_MIN, INT_MIN, INT_MAX, INT_MAX}, 0, INT_MIN, INT_MAX, false, one.BoundsRect(), one, 0);
  EXPECT_EQ(Pixels(d), V(8, 5));
  TDIBX e = Filled(8, 4, 1, 0);
  e.TileDraw(e.BoundsRect(), 0, 0, 0, false, {0, 0, 0, 1}, one, 0);
  e.TileDrawAlpha(e.BoundsRect(), 0, 0, 0, 0, false, one.BoundsRect(), one, 0);
  EXPECT_EQ(Row(e, 0), V(4, 0));
}

TEST(TileDraw, EachFormUsesItsUnscaledDraw) {
  TDIBX tile = Surface(32, 2, 1, {0xFFFFFF, 0x0000FF});
  tile.ColorKey = 0x0000FF;
  const TDIBX mask = Surface(8, 2, 1, {128, 255});
  TDIBX a = Filled(32, 4, 1, 0), b = Filled(32, 4, 1, 0), c = Filled(32, 4, 1, 0x010101);
  a.TileDrawAlpha(a.BoundsRect(), 0, 0, 0, 128, true, tile.BoundsRect(), tile, 0);
  EXPECT_EQ(Row(a, 0), (V{0x7F7F7F, 0, 0x7F7F7F, 0}));
  b.TileDrawMask(b.BoundsRect(), 0, 0, 0, mask, tile.BoundsRect(), tile, 0);
  EXPECT_EQ(Row(b, 0), (V{0x7F7F7F, 0x0000FF, 0x7F7F7F, 0x0000FF}));
  c.TileDrawAdd(c.BoundsRect(), 0, 0, 0, 128, false, tile.BoundsRect(), tile, 0);
  EXPECT_EQ(Row(c, 0), (V{0x808080, 0x010101, 0x808080, 0x010101}));  // the key is always skipped
  TDIBX e = Filled(32, 4, 1, 0x010101);
  e.TileDrawAddMask(e.BoundsRect(), 0, 0, 0, 256, mask, tile.BoundsRect(), tile, 0);
  EXPECT_EQ(Row(e, 0), (V{0x7F7F7F, 0x0101FE, 0x7F7F7F, 0x0101FE}));
  TDIBX f = Filled(32, 4, 1, 0);
  f.TileDrawAlphaMask(f.BoundsRect(), 0, 0, 0, 128, mask, tile.BoundsRect(), tile, 0);
  EXPECT_EQ(Row(f, 0), (V{0x3F3F3F, 0x00007F, 0x3F3F3F, 0x00007F}));
}

TEST(TileStretchDraw, PeriodsAndOffsetsOfEitherSign) {
  const TDIBX tile = Surface(8, 2, 1, {1, 2});
  auto draw = [&](int periodX, int offsetX) {
    TDIBX d = Filled(8, 8, 1, 0);
    d.TileStretchDraw(d.BoundsRect(), periodX, 0, offsetX, 255, false, false, false, tile.BoundsRect(), tile, 256,
                      512, 1);
    return Row(d, 0);
  };
  EXPECT_EQ(draw(2, 0), (V{1, 1, 2, 2, 1, 1, 2, 2}));
  EXPECT_EQ(draw(2, 1), (V{1, 2, 2, 1, 1, 2, 2, 1}));
  EXPECT_EQ(draw(2, -1), (V{2, 1, 1, 2, 2, 1, 1, 2}));
  EXPECT_EQ(draw(3, 0), (V{1, 1, 2, 2, 0, 0, 1, 1}));  // period 6 pixels, tiles 4 wide
  EXPECT_EQ(draw(0, 0), V(8, 1));  // period at least one pixel: each tile one further, over the last
}

TEST(TileStretchDraw, OpacityAboveOpaqueAddsAndZeroScaleDrawsNothing) {
  const TDIBX tile = Filled(32, 1, 1, 0xFFFFFF);
  TDIBX d = Filled(32, 2, 1, 0x101010);
  d.TileStretchDraw(d.BoundsRect(), 1, 0, 0, 300, false, false, false, tile.BoundsRect(), tile, 256, 256, 1);
  EXPECT_EQ(Row(d, 0), (V{0x3B3B3B, 0x3B3B3B}));  // strength 300 AND 255 = 44
  d.TileStretchDraw(d.BoundsRect(), 1, 0, 0, 255, false, false, false, tile.BoundsRect(), tile, 0, 256, 1);
  d.TileStretchDraw(d.BoundsRect(), 1, 0, 0, 255, false, false, false, tile.BoundsRect(), tile, 256, -1, 1);
  EXPECT_EQ(Row(d, 0), (V{0x3B3B3B, 0x3B3B3B}));
  const TDIBX mask = Filled(8, 1, 1, 128);
  TDIBX m = Filled(32, 2, 1, 0);
  m.TileStretchDrawMask(m.BoundsRect(), 1, 0, 0, 255, false, false, mask, tile.BoundsRect(), tile, 256, 256, 1);
  EXPECT_EQ(Row(m, 0), (V{0x7F7F7F, 0x7F7F7F}));
  TDIBX h = Filled(32, 3, 1, 0);
  h.TileStretchDraw({INT_MIN, 0, INT_MAX, 1}, 1, 0, 0, 255, false, false, false, tile.BoundsRect(), tile, 256, 256,
                    1);
  EXPECT_EQ(Row(h, 0), V(3, 0xFFFFFF));
}

}  // namespace
}  // namespace kuzo
