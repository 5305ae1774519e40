// Frame lists: one entry per cached frame, the frame timing (wrapping restarts the time, long steps
// skip frames), tinted copies that keep the transparent colour, and the cache item released with
// the list.
#include "components/kuzo_image_list.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "graphics/image_formats/image_file.h"

namespace kuzo {
namespace {

// A 32-bit-screen cache over one file of 2 x 1 frames (pixel 0 the green key) with the given delays.
struct Cache {
  std::string file;
  TDrelCollection cache{[this](std::string_view name) -> std::optional<std::string> {
    if (name != "a.drl") return std::nullopt;
    return file;
  }};
  explicit Cache(std::vector<int> delays) {
    TDrelFrameList list;
    for (int d : delays) {
      TDrelFrame& f = list.Add();
      f.Image.SetSize(2, 1, 24);
      f.Image.SetPixel(0, 0, 0x00FF00);
      f.Image.SetPixel(1, 0, 0x204060);
      f.ColorKey = 0x00FF00;
      f.ColorKeyRGB = 0x00FF00;
      f.DisplayTime = d;
    }
    file = SaveDrelImage(list, DrelKind::kDeflate);
  }
};

TEST(KuzoImageList, LoadsOneEntryPerFrameAndReleasesTheItem) {
  Cache c({10, 20, 30});
  const int owner = 0;
  {
    TKuzoImageList list;
    list.Load(c.cache, "a.drl", &owner);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Index(), 0);
    EXPECT_EQ(list.Remaining(), 11);  // first delay + 1
    EXPECT_EQ(list.Frame(2).Delay(), 30);
    EXPECT_EQ(list.Frame(0).TransparentColor(), 0x00FF00);
    EXPECT_EQ(c.cache.SpareCount(), 0);
  }
  EXPECT_EQ(c.cache.SpareCount(), 1);  // the list's end released the item
}

TEST(KuzoImageList, AdvanceSpendsTimeSkipsFramesAndRestartsAtTheWrap) {
  Cache c({10, 20, 30});
  const int owner = 0;
  TKuzoImageList list;
  list.Load(c.cache, "a.drl", &owner);
  EXPECT_FALSE(list.Advance(5));
  EXPECT_EQ(list.Remaining(), 6);
  EXPECT_TRUE(list.Advance(6));  // 0 left: frame 1 with its 20
  EXPECT_EQ(list.Index(), 1);
  EXPECT_EQ(list.Remaining(), 20);
  EXPECT_TRUE(list.Advance(45));  // -25 + 30 = 5 on frame 2
  EXPECT_EQ(list.Index(), 2);
  EXPECT_EQ(list.Remaining(), 5);
  EXPECT_TRUE(list.Advance(100));  // wraps: the overshoot is dropped, frame 0's delay restarts
  EXPECT_EQ(list.Index(), 0);
  EXPECT_EQ(list.Remaining(), 10);
  EXPECT_TRUE(list.Advance(40));  // -30 + 20 + 30 = 20 on frame 2: frame 1 was too short to show
  EXPECT_EQ(list.Index(), 2);
  EXPECT_EQ(list.Remaining(), 20);
}

TEST(KuzoImageList, SingleFramesNeverAdvance) {
  Cache c({10});
  const int owner = 0;
  TKuzoImageList list;
  list.Load(c.cache, "a.drl", &owner);
  EXPECT_FALSE(list.Advance(1000));
  EXPECT_EQ(list.Index(), 0);
  TKuzoImageList missing;
  missing.Load(c.cache, "none.drl", &owner);  // the transparent stand-in frame
  EXPECT_EQ(missing.Count(), 1);
  EXPECT_FALSE(missing.Advance(1000));
}

TEST(KuzoImageData, TintAddsOrSubtractsAndKeepsTheKey) {
  Cache c({10});
  const int owner = 0;
  TKuzoImageList list;
  list.Load(c.cache, "a.drl", &owner);
  TKuzoImageData& f = list.Frame(0);
  f.SetTint(0x30);
  EXPECT_EQ(f.Picture().GetPixel(0, 0), 0x00FF00u);  // the key stays
  EXPECT_EQ(f.Picture().GetPixel(1, 0), 0x507090u);
  EXPECT_EQ(f.Picture().ColorKey, 0x00FF00);
  f.SetTint(-0x30);
  EXPECT_EQ(f.Picture().GetPixel(1, 0), 0x001030u);
  f.ReleaseCopy();
  EXPECT_EQ(f.Picture().GetPixel(1, 0), 0x204060u);  // the cache's picture, untouched
  f.RebuildCopy();
  EXPECT_EQ(f.Picture().GetPixel(1, 0), 0x001030u);
  f.SetTint(0);
  EXPECT_EQ(&f.Picture(), c.cache.FindItem("a.drl")->Frame(0).Picture.get());
}

}  // namespace
}  // namespace kuzo
