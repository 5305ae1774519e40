// The overlay list: which rectangles a placement repaints, and the last pass that stretches each
// overlay's source onto its screen rectangle inside the repainted rectangles only.
#include "scene/screen_overlays.h"

#include <gtest/gtest.h>

namespace kuzo {
namespace {

// Two owners are told apart by address only.
const TKuzoObject* Owner(int i) { return reinterpret_cast<const TKuzoObject*>(static_cast<uintptr_t>(0x1000 + i * 16)); }

TEST(ScreenOverlays, PlacingRepaintsTheOldAndTheNewPlaceAndNothingWhenUnchanged) {
  TDIBX picture(4, 4, 32);
  ScreenOverlays list;
  EXPECT_TRUE(list.Empty());
  const auto first = list.Set({Owner(1), &picture, TRect{0, 0, 4, 4}, TRect{10, 10, 14, 14}});
  EXPECT_EQ(first, (std::vector<TRect>{TRect{10, 10, 14, 14}}));
  EXPECT_TRUE(list.Set({Owner(1), &picture, TRect{0, 0, 4, 4}, TRect{10, 10, 14, 14}}).empty());
  const auto moved = list.Set({Owner(1), &picture, TRect{0, 0, 4, 4}, TRect{20, 10, 24, 14}});
  EXPECT_EQ(moved, (std::vector<TRect>{TRect{10, 10, 14, 14}, TRect{20, 10, 24, 14}}));
  // A new source alone changes what shows, so it repaints too.
  EXPECT_EQ(list.Set({Owner(1), &picture, TRect{0, 0, 2, 2}, TRect{20, 10, 24, 14}}).size(), 2u);
  list.Set({Owner(2), &picture, TRect{0, 0, 4, 4}, TRect{0, 0, 4, 4}});
  ASSERT_NE(list.Find(Owner(1)), nullptr);
  EXPECT_EQ(list.Find(Owner(1))->screen, (TRect{20, 10, 24, 14}));
  EXPECT_EQ(list.Remove(Owner(1)), (TRect{20, 10, 24, 14}));
  EXPECT_EQ(list.Find(Owner(1)), nullptr);
  EXPECT_EQ(list.Remove(Owner(1)), TRect{});
  EXPECT_FALSE(list.Empty());
}

TEST(ScreenOverlays, PaintStretchesTheSourceIntoTheRepaintedRectanglesOnly) {
  // A 2 × 2 picture with four colours, shown doubled at (2, 2).
  TDIBX picture(2, 2, 32);
  picture.SetPixel(0, 0, 0x110000);
  picture.SetPixel(1, 0, 0x220000);
  picture.SetPixel(0, 1, 0x330000);
  picture.SetPixel(1, 1, 0x440000);
  TDIBX target(8, 8, 32);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) target.SetPixel(x, y, 0x000055);
  ScreenOverlays list;
  list.Set({Owner(1), &picture, TRect{0, 0, 2, 2}, TRect{2, 2, 6, 6}});
  // Only the left half of the screen was repainted this frame.
  list.Paint(target, {TRect{0, 0, 4, 8}});
  EXPECT_EQ(target.GetPixel(2, 2) & 0xFFFFFF, 0x110000u);
  EXPECT_EQ(target.GetPixel(3, 3) & 0xFFFFFF, 0x110000u);
  EXPECT_EQ(target.GetPixel(3, 4) & 0xFFFFFF, 0x330000u);
  EXPECT_EQ(target.GetPixel(4, 2) & 0xFFFFFF, 0x000055u) << "outside the repainted rectangle";
  EXPECT_EQ(target.GetPixel(1, 1) & 0xFFFFFF, 0x000055u) << "outside the overlay";
  EXPECT_EQ(target.GetClip(), (TRect{0, 0, 8, 8})) << "the clip is reset afterwards";
  list.Paint(target, {TRect{4, 0, 8, 8}});
  EXPECT_EQ(target.GetPixel(5, 2) & 0xFFFFFF, 0x220000u);
  EXPECT_EQ(target.GetPixel(5, 5) & 0xFFFFFF, 0x440000u);
  EXPECT_EQ(target.GetPixel(6, 5) & 0xFFFFFF, 0x000055u);
  // A part of the source spreads over the whole screen rectangle.
  list.Set({Owner(1), &picture, TRect{1, 1, 2, 2}, TRect{0, 0, 8, 8}});
  list.Paint(target, {TRect{0, 0, 8, 8}});
  EXPECT_EQ(target.GetPixel(0, 0) & 0xFFFFFF, 0x440000u);
  EXPECT_EQ(target.GetPixel(7, 7) & 0xFFFFFF, 0x440000u);
}

}  // namespace
}  // namespace kuzo
