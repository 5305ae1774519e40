// The wave proxy: rows moved by their offsets for unscaled draws, fills, stretched and rotated draws
// and tiling; equal offsets forwarded as one call, alternating ones row by row; rows outside the
// table skipped; the wrapped clip restored; AddClip limited to the wave area.
#include "graphics/dibx_wave.h"

#include <gtest/gtest.h>

#include <vector>

#include "transform_test_util.h"

namespace kuzo {
namespace {

using testing::Filled;
using testing::Pixels;
using testing::Ramp;
using testing::Row;
using testing::Surface;
using V = std::vector<uint32_t>;

struct Waved {
  TDIBX target = Filled(8, 8, 4, 0);
  TDIBXWave wave;
  explicit Waved(std::vector<int32_t> offsets, int originY = 0) {
    wave.SetTarget(&target);
    wave.WaveOriginY = originY;
    wave.SetSize(8, static_cast<int>(offsets.size()), 8);
    wave.WaveOffsets = std::move(offsets);
  }
};

TEST(DibxWave, EqualOffsetsForwardOneCall) {
  Waved w({2, 2, 2, 2});
  const TDIBX src = Surface(8, 3, 2, Ramp(6, 1));
  w.wave.Draw(0, 1, false, false, false, src.BoundsRect(), src);
  EXPECT_EQ(w.wave.ForwardedCalls(), 1);
  TDIBX expected = Filled(8, 8, 4, 0);
  expected.Draw(2, 1, false, false, false, src.BoundsRect(), src);
  EXPECT_EQ(Pixels(w.target), Pixels(expected));
}

TEST(DibxWave, AlternatingOffsetsForwardRowByRowWithTheirSourceRows) {
  Waved w({0, 1, 0, 1});
  const TDIBX src = Surface(8, 2, 4, Ramp(8, 1));
  w.wave.Draw(0, 0, true, false, false, src.BoundsRect(), src);  // mirrored vertically
  EXPECT_EQ(w.wave.ForwardedCalls(), 4);
  EXPECT_EQ(Pixels(w.target), (V{7, 8, 0, 0, 0, 0, 0, 0,  //
                                 0, 5, 6, 0, 0, 0, 0, 0,  //
                                 3, 4, 0, 0, 0, 0, 0, 0,  //
                                 0, 1, 2, 0, 0, 0, 0, 0}));
}

TEST(DibxWave, RowsOutsideTheTableAreSkipped) {
  Waved w({3, 3}, 1);  // the table covers rows 1 and 2
  w.wave.FillRect({0, 0, 2, 4}, 9);
  EXPECT_EQ(Row(w.target, 0), V(8, 0));
  EXPECT_EQ(Row(w.target, 1), (V{0, 0, 0, 9, 9, 0, 0, 0}));
  EXPECT_EQ(Row(w.target, 2), (V{0, 0, 0, 9, 9, 0, 0, 0}));
  EXPECT_EQ(Row(w.target, 3), V(8, 0));
  EXPECT_EQ(w.wave.ForwardedCalls(), 1);
}

TEST(DibxWave, StretchedAndRotatedDrawsMoveEachRowAndRestoreTheClip) {
  Waved w({0, 1, 2, 3});
  const TDIBX src = Surface(8, 2, 2, {1, 2, 3, 4});
  w.target.SetClip({0, 0, 6, 4});
  w.wave.StretchDraw({0, 0, 4, 4}, src, 255, false, false, false, src.BoundsRect());
  EXPECT_EQ(Pixels(w.target), (V{1, 1, 2, 2, 0, 0, 0, 0,  //
                                 0, 1, 1, 2, 2, 0, 0, 0,  //
                                 0, 0, 3, 3, 4, 4, 0, 0,  //
                                 0, 0, 0, 3, 3, 4, 0, 0}));  // cut by the clip
  EXPECT_EQ(w.target.GetClip(), (TRect{0, 0, 6, 4}));
  Waved r({1, 1, 0, 0});
  r.wave.DrawRotate(0, 0, 255, false, false, false, 0, 0, 0, src.BoundsRect(), src, 256, 256);
  EXPECT_EQ(Row(r.target, 0), (V{0, 1, 2, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Row(r.target, 1), (V{0, 3, 4, 0, 0, 0, 0, 0}));
  EXPECT_FALSE(r.target.ClipIsSet());
}

TEST(DibxWave, TilingReachesTheTargetThroughTheProxysDraws) {
  Waved w({0, 1});
  const TDIBX tile = Surface(8, 2, 1, {1, 2});
  w.wave.TileDraw({0, 0, 5, 2}, 0, 0, 0, false, tile.BoundsRect(), tile, 0);
  EXPECT_EQ(Row(w.target, 0), (V{1, 2, 1, 2, 1, 0, 0, 0}));
  EXPECT_EQ(Row(w.target, 1), (V{0, 1, 2, 1, 2, 1, 0, 0}));  // the last tile cut at the rectangle
}

TEST(DibxWave, FillPatternCoversOnePatternAtTheCorner) {
  Waved w({0, 2});
  const TDIBX pattern = Surface(8, 2, 2, {1, 2, 3, 4});
  w.wave.FillPattern({1, 0, 8, 4}, pattern, false, false, 0, 0);
  EXPECT_EQ(Row(w.target, 0), (V{0, 1, 2, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Row(w.target, 1), (V{0, 0, 0, 3, 4, 0, 0, 0}));
  EXPECT_EQ(Row(w.target, 2), V(8, 0));
}

TEST(DibxWave, ClipsFormatsAndNoTarget) {
  Waved w({0, 0});
  w.wave.WaveOriginX = 2;
  w.wave.AddClip({0, 0, 8, 8});  // limited to the wave area [2, 10) x [0, 2)
  EXPECT_EQ(w.target.GetClip(), (TRect{2, 0, 8, 2}));
  w.wave.ResetClip();
  EXPECT_FALSE(w.target.ClipIsSet());
  EXPECT_FALSE(w.wave.ClipIsSet());
  EXPECT_EQ(w.wave.BitCount(), 8);
  EXPECT_EQ(w.wave.Target(), &w.target);
  TDIBXWave lone;
  lone.SetSize(4, 4, 8);
  EXPECT_EQ(lone.StorageBitCount(), 0);
  EXPECT_TRUE(lone.IsEmpty());
  const TDIBX src = Filled(8, 2, 2, 1);
  lone.Draw(0, 0, false, false, false, src.BoundsRect(), src);
  lone.StretchDraw({0, 0, 4, 4}, src, 255, false, false, false, src.BoundsRect());
  lone.Fill(3);
  EXPECT_EQ(lone.ForwardedCalls(), 0);
}

}  // namespace
}  // namespace kuzo
