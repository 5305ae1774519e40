// Picture drawing and hit testing: the blend rule through plain, stretched and turned draws, the key
// and the mask, the bounds of a turned picture, and clicks through transparent parts.
#include "components/picture_draw.h"

#include <gtest/gtest.h>

#include <vector>

namespace kuzo {
namespace {

TDIBX Picture32(int w, int h, uint32_t first, uint32_t rest) {
  TDIBX s(w, h, 32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) s.SetPixel(x, y, x == 0 && y == 0 ? first : rest);
  return s;
}

PicturePlacement At(int left, int top, int w, int h) {
  PicturePlacement p;
  p.left = p.anchorX = left;
  p.top = p.anchorY = top;
  p.width = w;
  p.height = h;
  return p;
}

TEST(PictureDraw, BlendRuleOnAnUnscaledPicture) {
  TDIBX pic = Picture32(2, 1, 0x00FF00, 0xFFFFFF);
  pic.ColorKey = 0x00FF00;
  TDIBX d(4, 1, 32);
  d.Fill(0x101010);
  DrawPicture(d, pic, nullptr, 255, At(1, 0, 2, 1));
  EXPECT_EQ(d.GetPixel(1, 0), 0x101010u);  // the key is skipped
  EXPECT_EQ(d.GetPixel(2, 0), 0xFFFFFFu);
  d.Fill(0x101010);
  DrawPicture(d, pic, nullptr, 300, At(1, 0, 2, 1));
  EXPECT_EQ(d.GetPixel(2, 0), 0x3B3B3Bu);  // add, strength 44
  d.Fill(0x101010);
  DrawPicture(d, pic, nullptr, 0, At(1, 0, 2, 1));
  EXPECT_EQ(d.GetPixel(2, 0), 0x101010u);
  TDIBX mask(2, 1, 8);
  mask.SetPixel(0, 0, 255);
  mask.SetPixel(1, 0, 0);
  DrawPicture(d, pic, &mask, 255, At(1, 0, 2, 1));  // the mask wins over the key
  EXPECT_EQ(d.GetPixel(1, 0), 0x00FF00u);
  EXPECT_EQ(d.GetPixel(2, 0), 0x101010u);
}

TEST(PictureDraw, ZoomedPicturesAreStretchedWithTheBlendRule) {
  TDIBX pic = Picture32(2, 1, 0x0000FF, 0xFF0000);
  TDIBX d(4, 1, 32);
  PicturePlacement p = At(0, 0, 4, 1);
  p.zoomX = 512;
  DrawPicture(d, pic, nullptr, 255, p);
  EXPECT_EQ(d.GetPixel(1, 0), 0x0000FFu);
  EXPECT_EQ(d.GetPixel(2, 0), 0xFF0000u);
  p.flipH = true;
  DrawPicture(d, pic, nullptr, 255, p);
  EXPECT_EQ(d.GetPixel(0, 0), 0xFF0000u);
  d.Fill(0);
  DrawPicture(d, pic, nullptr, 256 + 128, p);
  EXPECT_EQ(d.GetPixel(0, 0), 0x7F0000u);
}

TEST(PictureDraw, TurnedPictureGoesCounterClockwiseAboutTheAnchor) {
  TDIBX pic(8, 2, 8);
  for (int x = 0; x < 8; ++x) pic.SetPixel(x, 0, static_cast<Pixel>(x + 1));
  TDIBX d(20, 20, 8);
  PicturePlacement p = At(10, 10, 8, 2);
  p.angle = 64 + 256;  // only the low byte counts
  DrawPicture(d, pic, nullptr, 255, p);
  for (int u = 0; u < 8; ++u) EXPECT_EQ(d.GetPixel(10, 10 - u), static_cast<Pixel>(u + 1)) << u;
  EXPECT_EQ(d.GetPixel(11, 10), 0u);  // row 1 of the picture is 0 as well
  EXPECT_EQ(d.GetPixel(12, 10), 0u);
  const TRect bounds = PictureBounds(p);
  // The drawn pixels (columns 10-11, rows 3-10) with a pixel to spare on each side.
  EXPECT_EQ(bounds, (TRect{9, 2, 13, 12}));
}

TEST(PictureHit, TurnedPicturesAreHitOnlyWhereTheyAre) {
  PicturePlacement p = At(10, 10, 8, 2);
  EXPECT_TRUE(PictureContains(p, nullptr, false, 15, 10));
  EXPECT_FALSE(PictureContains(p, nullptr, false, 18, 10));
  p.angle = 64;
  EXPECT_TRUE(PictureContains(p, nullptr, false, 10, 5));
  EXPECT_FALSE(PictureContains(p, nullptr, false, 15, 10));
}

TEST(PictureHit, CaptureMaskLetsClicksThroughTransparentParts) {
  TDIBX mask(4, 1, 8);
  const std::vector<Pixel> m = {0, 127, 128, 255};
  for (int x = 0; x < 4; ++x) mask.SetPixel(x, 0, m[static_cast<size_t>(x)]);
  PicturePlacement p = At(0, 0, 8, 1);
  p.zoomX = 512;
  EXPECT_FALSE(PictureContains(p, &mask, true, 2, 0));  // mask 127
  EXPECT_TRUE(PictureContains(p, &mask, true, 5, 0));   // mask 128
  EXPECT_TRUE(PictureContains(p, &mask, false, 0, 0));  // capture mask off
  p.flipH = true;
  EXPECT_TRUE(PictureContains(p, &mask, true, 0, 0));   // mirrored: mask column 3
  EXPECT_FALSE(PictureContains(p, &mask, true, 7, 0));  // mirrored: mask column 0
  EXPECT_FALSE(PictureContains(p, &mask, true, 8, 0));  // outside the rectangle
}

}  // namespace
}  // namespace kuzo

namespace kuzo {
namespace {

TEST(TiledPicture, StepAndScrollFollowTheDistanceRule) {
  // Scroll -10 with 64-pixel pictures: the first copy starts 54 pixels before the edge.
  TileAxisPlan a = PlanTileAxis(100, 64, 0, -10);
  EXPECT_EQ(a.first, 46);
  EXPECT_EQ(a.step, 64);
  a = PlanTileAxis(0, 64, 32, 70);  // distance at least half the picture: it is the step
  EXPECT_EQ(a.step, 32);
  EXPECT_EQ(a.first, -6);
  a = PlanTileAxis(0, 64, 31, 0);  // shorter: the picture size
  EXPECT_EQ(a.step, 64);
  EXPECT_EQ(PlanTileAxis(0, 0, 10, 5).step, 0);
}

TEST(TiledPicture, CopiesRepeatOverTheRectangleOnly) {
  TDIBX pic(2, 1, 8);
  pic.SetPixel(0, 0, 1);
  pic.SetPixel(1, 0, 2);
  TDIBX d(8, 2, 8);
  PicturePlacement p = At(1, 0, 6, 1);
  DrawTiledPicture(d, pic, nullptr, 255, p, 1, 0, 3, 0);  // step 3, shifted by 1: copies at 0, 3, 6
  std::vector<Pixel> row;
  for (int x = 0; x < 8; ++x) row.push_back(d.GetPixel(x, 0));
  EXPECT_EQ(row, (std::vector<Pixel>{0, 2, 0, 1, 2, 0, 1, 0}));
  EXPECT_EQ(d.GetPixel(1, 1), 0u);
  EXPECT_FALSE(d.ClipIsSet());
  PicturePlacement zoomed = At(0, 0, 8, 1);
  zoomed.zoomX = 512;
  zoomed.flipH = true;
  TDIBX z(8, 1, 8);
  DrawTiledPicture(z, pic, nullptr, 255, zoomed, 0, 0, 0, 0);
  row.clear();
  for (int x = 0; x < 8; ++x) row.push_back(z.GetPixel(x, 0));
  EXPECT_EQ(row, (std::vector<Pixel>{2, 2, 1, 1, 2, 2, 1, 1}));  // zoomed copies, each mirrored
}

}  // namespace
}  // namespace kuzo
