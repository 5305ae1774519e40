// Rotated and zoomed drawing: where source pixels land for quarter and half turns, zoom and pivots,
// mirroring inside the turned box, the opacity convention (blend, copy, add above 255) with and
// without a mask, the colour key, and inputs that must draw nothing.
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

// Draws src whole with the given turn and zoom onto a zeroed 8-bit w x h surface.
TDIBX Turned(const TDIBX& src, int w, int h, int cx, int cy, int angle, int pivotX, int pivotY, int scaleX = 256,
             int scaleY = 256, bool flipV = false, bool flipH = false) {
  TDIBX d = Filled(8, w, h, 0);
  d.DrawRotate(cx, cy, 255, flipV, flipH, false, angle, pivotY, pivotX, src.BoundsRect(), src, scaleY, scaleX);
  return d;
}

TEST(RotateGeometry, AngleZeroIsAPlainCopyAroundThePivot) {
  const TDIBX src = Surface(8, 3, 2, Ramp(6, 1));
  const TDIBX d = Turned(src, 5, 4, 2, 2, 0, 1, 1);
  EXPECT_EQ(Pixels(d), (V{0, 0, 0, 0, 0,  //
                          0, 1, 2, 3, 0,  //
                          0, 4, 5, 6, 0,  //
                          0, 0, 0, 0, 0}));
}

TEST(RotateGeometry, QuarterTurnPutsTheRowDownTheColumn) {
  // Source pixel (5, 0) lands at (cx, cy + 5): increasing angles turn clockwise.
  const TDIBX src = Surface(8, 8, 1, Ramp(8, 1));
  const TDIBX d = Turned(src, 20, 20, 10, 5, 64, 0, 0);
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 20; ++x) {
      const uint32_t expected = (x == 10 && y >= 5 && y < 13) ? static_cast<uint32_t>(y - 5 + 1) : 0;
      ASSERT_EQ(d.GetPixel(x, y), expected) << x << "," << y;
    }
  }
}

TEST(RotateGeometry, HalfTurnMirrorsThroughThePivot) {
  const TDIBX src = Surface(8, 4, 1, Ramp(4, 1));
  const TDIBX d = Turned(src, 8, 3, 5, 1, 128, 0, 0);
  EXPECT_EQ(Row(d, 1), (V{0, 0, 4, 3, 2, 1, 0, 0}));
  EXPECT_EQ(Row(d, 0), V(8, 0));
  EXPECT_EQ(Row(d, 2), V(8, 0));
}

TEST(RotateGeometry, ZoomRepeatsPixelsAndShrinkSkipsThem) {
  const TDIBX src = Surface(8, 2, 2, {1, 2, 3, 4});
  const TDIBX big = Turned(src, 4, 4, 0, 0, 0, 0, 0, 512, 512);
  EXPECT_EQ(Pixels(big), (V{1, 1, 2, 2, 1, 1, 2, 2, 3, 3, 4, 4, 3, 3, 4, 4}));
  const TDIBX wide = Turned(src, 4, 2, 0, 0, 0, 0, 0, 512, 256);  // scale x only
  EXPECT_EQ(Pixels(wide), (V{1, 1, 2, 2, 3, 3, 4, 4}));
  const TDIBX line = Surface(8, 4, 1, Ramp(4, 1));
  const TDIBX half = Turned(line, 4, 1, 0, 0, 0, 0, 0, 128, 256);
  EXPECT_EQ(Row(half, 0), (V{1, 3, 0, 0}));
}

TEST(RotateGeometry, MirroringFlipsTheSourceBeforeTurning) {
  const TDIBX src = Surface(8, 3, 2, Ramp(6, 1));
  const TDIBX h = Turned(src, 3, 2, 0, 0, 0, 0, 0, 256, 256, false, true);
  EXPECT_EQ(Pixels(h), (V{3, 2, 1, 6, 5, 4}));
  const TDIBX v = Turned(src, 3, 2, 0, 0, 0, 0, 0, 256, 256, true, false);
  EXPECT_EQ(Pixels(v), (V{4, 5, 6, 1, 2, 3}));
}

TEST(RotateGeometry, ClipLimitsTheBoxAndSourceOutsideIsSkipped) {
  const TDIBX src = Surface(8, 4, 4, Ramp(16, 1));
  TDIBX d = Filled(8, 6, 6, 0);
  d.SetClip({1, 1, 3, 3});
  d.DrawRotate(0, 0, 255, false, false, false, 0, 0, 0, src.BoundsRect(), src, 256, 256);
  EXPECT_EQ(Row(d, 0), V(6, 0));
  EXPECT_EQ(Row(d, 1), (V{0, 6, 7, 0, 0, 0}));
  EXPECT_EQ(Row(d, 2), (V{0, 10, 11, 0, 0, 0}));
  // A source rectangle larger than the surface reads only the surface.
  TDIBX e = Filled(8, 6, 1, 0);
  e.DrawRotate(0, 0, 255, false, false, false, 0, 0, 0, {0, 0, 6, 1}, src, 256, 256);
  EXPECT_EQ(Row(e, 0), (V{1, 2, 3, 4, 0, 0}));
}

TEST(RotateRules, OpacityBlendsCopiesAndAdds) {
  const TDIBX src = Filled(32, 1, 1, 0xFFFFFF);
  TDIBX d = Filled(32, 1, 1, 0x101010);
  d.DrawRotate(0, 0, 300, false, false, false, 0, 0, 0, src.BoundsRect(), src, 256, 256);
  EXPECT_EQ(d.GetPixel(0, 0), 0x3B3B3Bu);  // strength 44: 0x10 + (255*44 >> 8)
  d.DrawRotate(0, 0, 128, false, false, false, 0, 0, 0, src.BoundsRect(), src, 256, 256);
  EXPECT_EQ(d.GetPixel(0, 0), 0x9C9C9Cu);  // (0x3B*127 + 255*128) >> 8
  d.DrawRotate(0, 0, 255, false, false, false, 0, 0, 0, src.BoundsRect(), src, 256, 256);
  EXPECT_EQ(d.GetPixel(0, 0), 0xFFFFFFu);
  TDIBX s = Filled(32, 1, 1, 0xF0F0F0);
  s.DrawRotate(0, 0, 1000, false, false, false, 0, 0, 0, src.BoundsRect(), src, 256, 256);
  EXPECT_EQ(s.GetPixel(0, 0), 0xFFFFFFu);  // strength capped at 255, saturated
}

TEST(RotateRules, KeyAndMask) {
  TDIBX src = Surface(16, 3, 1, {0x001F, 0xF800, 0x07E0});
  src.ColorKey = 0xF800;
  TDIBX d = Filled(16, 3, 1, 0);
  d.DrawRotate(0, 0, 255, false, false, true, 0, 0, 0, src.BoundsRect(), src, 256, 256);
  EXPECT_EQ(Row(d, 0), (V{0x001F, 0, 0x07E0}));
  const TDIBX white = Filled(32, 3, 1, 0xFFFFFF);
  const TDIBX mask = Surface(8, 3, 1, {0, 128, 255});
  TDIBX m = Filled(32, 3, 1, 0);
  m.DrawRotateMask(0, 0, 255, mask, false, false, 0, 0, 0, white.BoundsRect(), white, 256, 256);
  EXPECT_EQ(Row(m, 0), (V{0, 0x7F7F7F, 0xFFFFFF}));
  TDIBX a = Filled(32, 3, 1, 0x010101);
  a.DrawRotateMask(0, 0, 384, mask, false, false, 0, 0, 0, white.BoundsRect(), white, 256, 256);
  // strength 128 through the mask: e = m*128 >> 8, d + (255*e >> 8)
  EXPECT_EQ(Row(a, 0), (V{0x010101, 0x404040, 0x7F7F7F}));
}

TEST(RotateRules, NothingForZeroOpacityOrScaleAndBoundedAtExtremes) {
  const TDIBX src = Filled(8, 2, 2, 9);
  TDIBX d = Filled(8, 4, 4, 1);
  d.DrawRotate(1, 1, 0, false, false, false, 10, 0, 0, src.BoundsRect(), src, 256, 256);
  d.DrawRotate(1, 1, 255, false, false, false, 10, 0, 0, src.BoundsRect(), src, 0, 256);
  d.DrawRotate(1, 1, 255, false, false, false, 10, 0, 0, src.BoundsRect(), src, 256, -5);
  d.DrawRotate(1, 1, 255, false, false, false, 10, 0, 0, {1, 1, 1, 1}, src, 256, 256);
  EXPECT_EQ(Pixels(d), V(16, 1));
  // Far-away centres, huge pivots, zooms and shrinks finish and stay inside the surfaces.
  d.DrawRotate(INT_MAX, INT_MIN, 255, false, false, false, 37, INT_MIN, INT_MAX, src.BoundsRect(), src, INT_MAX, 1);
  d.DrawRotate(0, 0, 255, false, false, false, 37, 0, 0, src.BoundsRect(), src, INT_MAX, INT_MAX);
  d.DrawRotate(2, 2, 255, false, false, false, 200, 1, 1, src.BoundsRect(), src, 1, 1);
  EXPECT_EQ(Pixels(d), V(16, 9));  // the huge zoom of pixel (0, 0) covers the surface
}

}  // namespace
}  // namespace kuzo
