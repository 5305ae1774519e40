// Dirty rectangle lists: merging of near rectangles, dropping of covered ones, clamping to the base.
#include "scene/clip_list.h"

#include <gtest/gtest.h>

#include "scene_test_util.h"

namespace kuzo {
namespace {

TEST(ClipList, FarRectanglesStaySeparateNearOnesMerge) {
  TClipList list;
  list.Add(TRect{0, 0, 10, 10});
  list.Add(TRect{100, 100, 110, 110});
  ASSERT_EQ(list.Rects().size(), 2u);
  // 20 pixels to the right of the first: near enough to merge.
  list.Add(TRect{30, 0, 40, 10});
  ASSERT_EQ(list.Rects().size(), 2u);
  EXPECT_EQ(list.Rects().back(), (TRect{0, 0, 40, 10}));
  // 21 pixels away: separate.
  list.Add(TRect{61, 0, 70, 10});
  EXPECT_EQ(list.Rects().size(), 3u);
}

TEST(ClipList, CoveredRectangleIsDroppedAndEmptyIgnored) {
  TClipList list;
  list.Add(TRect{0, 0, 100, 100});
  list.SetChanged(false);
  list.Add(TRect{10, 10, 20, 20});
  list.Add(TRect{5, 5, 5, 50});
  EXPECT_EQ(list.Rects().size(), 1u);
  EXPECT_FALSE(list.Changed());
}

TEST(ClipList, MergeCascadesThroughTheList) {
  TClipList list;
  list.Add(TRect{0, 0, 10, 10});
  list.Add(TRect{60, 0, 70, 10});
  // Bridges both: the union with the first grows until it reaches the second.
  list.Add(TRect{25, 0, 45, 10});
  ASSERT_EQ(list.Rects().size(), 1u);
  EXPECT_EQ(list.Rects()[0], (TRect{0, 0, 70, 10}));
}

TEST(ClipList, BaseClampsDirtyRectangles) {
  testing::SceneFixture f;
  TKuzoBase* base = f.scene.ActiveBase();
  base->DirtyList().Clear();
  base->AddDirtyRect(TRect{-50, -50, 10, 10});
  base->AddDirtyRect(TRect{400, 400, 500, 500});  // wholly outside the 320 x 240 base
  ASSERT_EQ(base->DirtyList().Rects().size(), 1u);
  EXPECT_EQ(base->DirtyList().Rects()[0], (TRect{0, 0, 10, 10}));
}

}  // namespace
}  // namespace kuzo
