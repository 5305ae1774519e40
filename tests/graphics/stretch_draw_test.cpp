// Stretched drawing: which source column and row each destination pixel shows (repeats, mirrors,
// fractional clipping, any width), the write rules of the four forms and the stretched indexed add,
// and the inputs that must draw nothing or stay bounded.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "graphics/dibx.h"
#include "graphics/stretch_walk.h"
#include "transform_test_util.h"

namespace kuzo {
namespace {

using testing::Filled;
using testing::Pixels;
using testing::Ramp;
using testing::Row;
using testing::Surface;
using V = std::vector<uint32_t>;

TEST(StretchGeometry, DoublingRepeatsEachColumnTwiceAndMirrorsExactly) {
  const TDIBX src = Surface(8, 10, 1, Ramp(10, 1));
  TDIBX d = Filled(8, 20, 1, 0);
  d.StretchDraw({0, 0, 20, 1}, src, 255, false, false, false, src.BoundsRect());
  EXPECT_EQ(Row(d, 0), (V{1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10}));
  d.StretchDraw({0, 0, 20, 1}, src, 255, false, true, false, src.BoundsRect());
  EXPECT_EQ(Row(d, 0), (V{10, 10, 9, 9, 8, 8, 7, 7, 6, 6, 5, 5, 4, 4, 3, 3, 2, 2, 1, 1}));
}

TEST(StretchGeometry, RowsRepeatAndMirrorLikeColumns) {
  const TDIBX src = Surface(8, 1, 3, {1, 2, 3});
  TDIBX d = Filled(8, 1, 6, 0);
  d.StretchDraw({0, 0, 1, 6}, src, 255, false, false, false, src.BoundsRect());
  EXPECT_EQ(Pixels(d), (V{1, 1, 2, 2, 3, 3}));
  d.StretchDraw({0, 0, 1, 6}, src, 255, true, false, false, src.BoundsRect());
  EXPECT_EQ(Pixels(d), (V{3, 3, 2, 2, 1, 1}));
}

TEST(StretchGeometry, LeftOverhangAtHalfScaleStartsAtTheScaledColumn) {
  // 20 source columns onto 10: three columns hang over the clip, so drawing starts at source 6.
  const TDIBX src = Surface(8, 20, 1, Ramp(20, 1));
  TDIBX d = Filled(8, 10, 1, 0);
  d.StretchDraw({-3, 0, 7, 1}, src, 255, false, false, false, src.BoundsRect());
  EXPECT_EQ(Row(d, 0), (V{7, 9, 11, 13, 15, 17, 19, 0, 0, 0}));
}

TEST(StretchGeometry, FractionalOverhangKeepsTheFraction) {
  StretchAxis a;
  // 3 source pixels onto 7, two destination pixels cut: c = 2 * 3 / 7 = 0.857..., no whole skip.
  ASSERT_TRUE(PlanStretchAxis(0, 7, 0, 3, 2, 100, 0, 3, false, a));
  EXPECT_EQ(a.dst0, 2);
  EXPECT_EQ(a.dst1, 7);
  EXPECT_EQ(a.base, 0);
  EXPECT_EQ(a.frac, 56173);  // trunc(6/7 * 65536)
  EXPECT_EQ(a.step, 28086);  // trunc(3/7 * 65536)
  const TDIBX src = Surface(8, 3, 1, {1, 2, 3});
  TDIBX d = Filled(8, 7, 1, 0);
  d.SetClip({2, 0, 7, 1});
  d.StretchDraw({0, 0, 7, 1}, src, 255, false, false, false, src.BoundsRect());
  EXPECT_EQ(Row(d, 0), (V{0, 0, 1, 2, 2, 3, 3}));
}

TEST(StretchGeometry, MirroredOverhangShowsTheMirrorOfTheUnclippedImage) {
  // Half scale, three columns cut: 1.5 source columns skipped, the half kept as the fraction.
  const TDIBX src = Surface(8, 4, 1, Ramp(4, 1));
  TDIBX whole = Filled(8, 8, 1, 0), clipped = Filled(8, 8, 1, 0);
  whole.StretchDraw({0, 0, 8, 1}, src, 255, false, true, false, src.BoundsRect());
  clipped.SetClip({3, 0, 8, 1});
  clipped.StretchDraw({0, 0, 8, 1}, src, 255, false, true, false, src.BoundsRect());
  V expected = Row(whole, 0);
  for (int i = 0; i < 3; ++i) expected[static_cast<size_t>(i)] = 0;
  EXPECT_EQ(Row(clipped, 0), expected);
  EXPECT_EQ(Row(whole, 0).front(), 4u);
}

TEST(StretchGeometry, SourceRectangleBeyondTheSurfaceIsNeverRead) {
  const TDIBX src = Surface(8, 4, 1, {1, 2, 3, 4});
  TDIBX d = Filled(8, 8, 1, 9);
  // Source columns -2..5 onto 8 destination columns: only columns 0..3 exist.
  d.StretchDraw({0, 0, 8, 1}, src, 255, false, false, false, {-2, 0, 6, 1});
  EXPECT_EQ(Row(d, 0), (V{9, 9, 1, 2, 3, 4, 9, 9}));
}

TEST(StretchGeometry, RepeatedRowsKeepTheirOwnSkippedColumns) {
  for (int bits : {8, 32}) {
    const TDIBX src = Surface(bits, 2, 1, {1, 2});
    TDIBX d = Surface(bits, 4, 2, {7, 7, 7, 7, 8, 8, 8, 8});
    // Source column -1 does not exist: destination columns 0 and 1 keep what they held.
    d.StretchDraw({0, 0, 4, 2}, src, 255, false, false, false, {-1, 0, 1, 1});
    EXPECT_EQ(Pixels(d), (V{7, 7, 1, 1, 8, 8, 1, 1})) << bits;
  }
}

TEST(StretchGeometry, ColumnTableHoldsAnyWidth) {
  const TDIBX src = Surface(8, 2, 1, {5, 6});
  TDIBX d = Filled(8, 2500, 1, 0);
  d.StretchDraw({0, 0, 2500, 1}, src, 255, false, false, false, src.BoundsRect());
  const V row = Row(d, 0);
  // step trunc(2 / 2500 * 65536) = 52: the truncated step moves to column 1 at 65536 / 52 = 1260.3
  EXPECT_EQ(row[0], 5u);
  EXPECT_EQ(row[1260], 5u);
  EXPECT_EQ(row[1261], 6u);
  EXPECT_EQ(row[2499], 6u);
}

TEST(StretchGeometry, DegenerateInputsDrawNothing) {
  const TDIBX src = Surface(8, 4, 1, {1, 2, 3, 4});
  const TDIBX empty;
  TDIBX d = Filled(8, 4, 1, 7);
  d.StretchDraw({0, 0, 0, 1}, src, 255, false, false, false, src.BoundsRect());  // zero-wide destination
  d.StretchDraw({3, 0, 1, 1}, src, 255, false, false, false, src.BoundsRect());  // inverted destination
  d.StretchDraw({0, 0, 4, 1}, src, 255, false, false, false, {2, 0, 2, 1});      // empty source
  d.StretchDraw({0, 0, 4, 1}, src, 0, false, false, false, src.BoundsRect());    // opacity 0
  d.StretchDraw({0, 0, 4, 1}, empty, 255, false, false, false, {0, 0, 1, 1});    // empty surface
  d.StretchDrawAdd({0, 0, 4, 1}, src, 0, false, false, false, src.BoundsRect());
  const TDIBX wrongBits = Filled(16, 4, 1, 1);
  d.StretchDraw({0, 0, 4, 1}, wrongBits, 255, false, false, false, wrongBits.BoundsRect());
  EXPECT_EQ(Row(d, 0), (V{7, 7, 7, 7}));
}

TEST(StretchGeometry, ExtremeRectanglesStayBounded) {
  const TDIBX src = Surface(8, 4, 1, {1, 2, 3, 4});
  TDIBX d = Filled(8, 4, 2, 0);
  d.StretchDraw({INT_MIN, INT_MIN, INT_MAX, INT_MAX}, src, 255, false, false, false, src.BoundsRect());
  // The middle of a 4-billion-wide stretch: source column 2 (value 3) everywhere, step 0.
  EXPECT_EQ(Pixels(d), (V{3, 3, 3, 3, 3, 3, 3, 3}));
  TDIBX e = Filled(8, 4, 1, 0);
  e.StretchDraw({0, 0, 4, 1}, src, 255, false, false, false, {INT_MIN, 0, INT_MAX, 1});
  EXPECT_EQ(Row(e, 0), (V{0, 0, 0, 0}));  // the readable columns lie far past the first step
}

TEST(StretchRules, OpacityBlendsCopiesAndAddsOn32Bits) {
  const TDIBX src = Surface(32, 2, 1, {0xFF8000, 0x000000});
  TDIBX d = Surface(32, 4, 1, {0x102030, 0x102030, 0x102030, 0x102030});
  d.StretchDraw({0, 0, 4, 1}, src, 128, false, false, false, src.BoundsRect());
  // blend(d, s, 128) = (d*127 + s*128) >> 8
  EXPECT_EQ(Row(d, 0), (V{0x874F17, 0x874F17, 0x070F17, 0x070F17}));
  d.StretchDraw({0, 0, 4, 1}, src, 300, false, false, false, src.BoundsRect());  // above 255: copy
  EXPECT_EQ(Row(d, 0), (V{0xFF8000, 0xFF8000, 0, 0}));
  TDIBX a = Surface(32, 2, 1, {0x102030, 0xF0F0F0});
  a.StretchDrawAdd({0, 0, 2, 1}, src, 128, false, false, false, {0, 0, 1, 1});
  // add(d, s, 128) = min(255, d + (s*128 >> 8))
  EXPECT_EQ(Row(a, 0), (V{0x8F6030, 0xFFFFF0}));
}

TEST(StretchRules, KeyPixelsAreSkippedOnlyWithTrans) {
  TDIBX src = Surface(16, 2, 1, {0x001F, 0x7C00});
  src.ColorKey = 0x7C00;
  TDIBX d = Filled(16, 4, 1, 0x03E0);
  d.StretchDraw({0, 0, 4, 1}, src, 255, false, false, true, src.BoundsRect());
  EXPECT_EQ(Row(d, 0), (V{0x001F, 0x001F, 0x03E0, 0x03E0}));
  d.StretchDraw({0, 0, 4, 1}, src, 255, false, false, false, src.BoundsRect());
  EXPECT_EQ(Row(d, 0), (V{0x001F, 0x001F, 0x7C00, 0x7C00}));
  TDIBX a = Filled(16, 2, 1, 0);
  a.StretchDrawAdd({0, 0, 2, 1}, src, 255, false, false, true, src.BoundsRect());
  EXPECT_EQ(Row(a, 0), (V{0x001E, 0}));  // add(0, 31, 255) = 30 on the blue channel; the key is skipped
}

TEST(StretchRules, MaskWeightsFollowTheOpacity) {
  const TDIBX src = Filled(32, 4, 1, 0xFFFFFF);
  const TDIBX mask = Surface(8, 4, 1, {0, 128, 255, 64});
  TDIBX d = Filled(32, 4, 1, 0);
  d.StretchDrawMask({0, 0, 4, 1}, src, 255, mask, false, false, src.BoundsRect());
  // opacity 255: weight m; m = 255 copies
  EXPECT_EQ(Row(d, 0), (V{0, 0x7F7F7F, 0xFFFFFF, 0x3F3F3F}));
  TDIBX e = Filled(32, 4, 1, 0);
  e.StretchDrawMask({0, 0, 4, 1}, src, 128, mask, false, false, src.BoundsRect());
  // e = m*128 >> 8: 64, 127, 32 -> blend(0, 255, e) = 255*e >> 8
  EXPECT_EQ(Row(e, 0), (V{0, 0x3F3F3F, 0x7E7E7E, 0x1F1F1F}));
  TDIBX f = Filled(32, 4, 1, 0x010101);
  f.StretchDrawAddMask({0, 0, 4, 1}, src, 128, mask, false, false, src.BoundsRect());
  // e = m*128 >> 8, d + (255*e >> 8)
  EXPECT_EQ(Row(f, 0), (V{0x010101, 0x404040, 0x7F7F7F, 0x202020}));
}

TEST(StretchRules, MaskIsWalkedWithTheSourceWhenMirroredAndStretched) {
  const TDIBX src = Surface(8, 2, 1, {10, 20});
  const TDIBX mask = Surface(8, 2, 1, {255, 0});
  TDIBX d = Filled(8, 4, 1, 1);
  d.StretchDrawMask({0, 0, 4, 1}, src, 255, mask, false, true, src.BoundsRect());
  EXPECT_EQ(Row(d, 0), (V{1, 1, 10, 10}));
}

TEST(StretchRules, DrawingASurfaceOntoItselfReadsItsOldPixels) {
  TDIBX d = Surface(8, 4, 1, {1, 2, 3, 4});
  d.StretchDraw({0, 0, 4, 1}, d, 255, false, false, false, {0, 0, 2, 1});
  EXPECT_EQ(Row(d, 0), (V{1, 1, 2, 2}));
}

TEST(StretchRules, IndexedAddDrawsValuesFromTheThresholdUp) {
  TColorTable colours{};
  colours[1] = 0x100000;
  colours[2] = 0x000200;
  colours[3] = 0xFFFFFF;
  const TDIBX src = Surface(8, 3, 1, {1, 2, 3});
  TDIBX d = Filled(32, 6, 1, 0x101010);
  d.StretchDrawIndexedAdd({0, 0, 6, 1}, src, colours, 255, false, false, 2, src.BoundsRect());
  // value 1 is below the threshold; add(d, c, 255) = d + (c*255 >> 8)
  EXPECT_EQ(Row(d, 0), (V{0x101010, 0x101010, 0x101110, 0x101110, 0xFFFFFF, 0xFFFFFF}));
}

}  // namespace
}  // namespace kuzo

namespace kuzo {
namespace {

// At scale 1 the stretched forms must give what the unscaled draws give, on every pixel format
// (pixels chosen so that source and destination never agree, where the unscaled loops would skip).
TEST(StretchRules, ScaleOneAgreesWithTheUnscaledDrawsOnEveryFormat) {
  for (int bits : {8, 15, 16, 24, 32}) {
    const uint32_t valueMask = bits == 8 ? 0xFF : bits == 15 ? 0x7FFF : bits == 16 ? 0xFFFF : 0xFFFFFF;
    TDIBX src(13, 5, bits), base(13, 5, bits), mask(13, 5, 8);
    uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1103515245 + 12345, seed >> 8; };
    for (int y = 0; y < 5; ++y) {
      for (int x = 0; x < 13; ++x) {
        const uint32_t s = next() & valueMask;
        src.SetPixel(x, y, s);
        base.SetPixel(x, y, (s ^ (1 + (next() & 0x3F))) & valueMask);
        mask.SetPixel(x, y, x % 4 == 0 ? 0 : next() & 255);
      }
    }
    const TRect whole = src.BoundsRect(), dest{0, 0, 13, 5};
    auto fresh = [&] {
      TDIBX d(13, 5, bits);
      d.Draw(0, 0, false, false, false, base.BoundsRect(), base);
      return d;
    };
    TDIBX a = fresh(), b = fresh();
    a.DrawAlpha(0, 0, 100, false, true, false, whole, src);
    b.StretchDraw(dest, src, 100, false, true, false, whole);
    EXPECT_EQ(Pixels(a), Pixels(b)) << bits << " alpha";
    if (bits != 8) {  // unscaled adds of palette indices sum the indices; the stretched add weighs them
      a = fresh(), b = fresh();
      a.DrawAdd(0, 0, 200, true, false, false, whole, src);
      b.StretchDrawAdd(dest, src, 200, true, false, false, whole);
      EXPECT_EQ(Pixels(a), Pixels(b)) << bits << " add";
    }
    a = fresh(), b = fresh();
    a.DrawMask(0, 0, mask, false, false, whole, src);
    b.StretchDrawMask(dest, src, 255, mask, false, false, whole);
    EXPECT_EQ(Pixels(a), Pixels(b)) << bits << " mask";
    a = fresh(), b = fresh();
    a.DrawAddMask(0, 0, 150, mask, true, true, whole, src);
    b.StretchDrawAddMask(dest, src, 150, mask, true, true, whole);
    EXPECT_EQ(Pixels(a), Pixels(b)) << bits << " add mask";
  }
}

}  // namespace
}  // namespace kuzo
