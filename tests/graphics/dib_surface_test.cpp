// The decoded-image buffer: its mask companion following the size, colour conversions, and the
// smooth resize used for thumbnails (bilinear when enlarging, key-aware averages when reducing).
#include "graphics/dib_surface.h"

#include <gtest/gtest.h>

#include "core/errors.h"

namespace kuzo {
namespace {

TEST(DIBSurfaceTest, MaskFollowsTheSize) {
  TDIBSurface s(4, 3, 24);
  s.CreateMask(9);
  EXPECT_EQ(s.Mask()->GetPixel(3, 2), 9u);
  s.SetSize(5, 6, 16);
  ASSERT_TRUE(s.HasMask());
  EXPECT_EQ(s.Mask()->Width(), 5);
  EXPECT_EQ(s.Mask()->Height(), 6);
  EXPECT_EQ(s.Mask()->BitCount(), 8);
  EXPECT_THROW(s.AdoptMask(std::make_unique<TDIBSurface>(2, 2, 8)), KuzoError);
}

TEST(DIBSurfaceTest, ColourConversions) {
  TDIBSurface s(1, 1, 15);
  // 5-bit channels widen by repeating their top bits: 1 -> 8, 31 -> 255.
  EXPECT_EQ(s.PixelToColor(0x7C00 | 1 << 5 | 31), 0xFF08FF);
  TDIBSurface p(1, 1, 8);
  TPalette palette{};
  palette[0] = TRGBQuad{0, 0, 0, 0};
  palette[1] = TRGBQuad{200, 10, 10, 0};  // blue 200
  palette[2] = TRGBQuad{10, 10, 200, 0};  // red 200
  p.SetPalette(palette);
  EXPECT_EQ(p.NearestPixel(0x0000F0), 2u);  // red 240
  EXPECT_EQ(p.NearestPixel(0xF00000), 1u);  // blue 240
  EXPECT_EQ(p.NearestPixel(0x000000), 0u);
}

TEST(DIBSurfaceTest, SmoothEnlargingMixesNeighboursBilinearly) {
  TDIBSurface s(2, 1, 32);
  s.SetPixel(0, 0, 0x000000);
  s.SetPixel(1, 0, 0x0000FF);  // blue 255
  s.CreateMask(0);
  s.Mask()->SetPixel(1, 0, 100);
  s.Resize(4, 1, -1, true);
  EXPECT_EQ(s.BitCount(), 24);
  // x / 2 = 0, 0.5, 1, 1.5: 0, 127.5 rounded to 128, then the last column repeated.
  EXPECT_EQ(s.GetPixel(0, 0), 0u);
  EXPECT_EQ(s.GetPixel(1, 0), 128u);
  EXPECT_EQ(s.GetPixel(2, 0), 255u);
  EXPECT_EQ(s.GetPixel(3, 0), 255u);
  ASSERT_TRUE(s.HasMask());
  EXPECT_EQ(s.Mask()->BitCount(), 8);
  EXPECT_EQ(s.Mask()->GetPixel(1, 0), 50u);
}

TEST(DIBSurfaceTest, SmoothReducingAveragesAndLeavesOutTheKey) {
  TDIBSurface s(4, 1, 24);
  const Pixel values[4] = {10, 21, 0x777777, 40};
  for (int x = 0; x < 4; ++x) s.SetPixel(x, 0, values[x]);
  s.Resize(2, 1, 0x777777, true);
  EXPECT_EQ(s.GetPixel(0, 0), 16u);  // (10 + 21) / 2 rounded
  EXPECT_EQ(s.GetPixel(1, 0), 40u);  // the key pixel is left out
  s.Resize(2, 1, -1, true);          // unchanged size: nothing happens
  EXPECT_EQ(s.GetPixel(1, 0), 40u);
}

}  // namespace
}  // namespace kuzo
