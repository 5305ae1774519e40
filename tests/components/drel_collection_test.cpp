// The image cache: loading frames into screen-depth surfaces with keys, masks and delays, the
// transparent stand-in for missing or damaged files, sharing between users, the spare list and its
// budget, Forget, reloads, and the saved flag.
#include "components/drel_collection.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "graphics/image_formats/image_file.h"

namespace kuzo {
namespace {

// Game data held in memory, counting reads so tests can tell a reload from a cache hit.
struct Files {
  std::map<std::string, std::string> content;
  int reads = 0;
  TDrelCollection::FileReader Reader() {
    return [this](std::string_view name) -> std::optional<std::string> {
      ++reads;
      const auto it = content.find(std::string(name));
      if (it == content.end()) return std::nullopt;
      return it->second;
    };
  }
};

// A 24-bit Drel file of w x h pixels of one native colour (column 0 green), with per-frame delays, an optional key and mask.
std::string DrelFile(int w, int h, uint32_t rgb, std::vector<int> delays, bool keyed = false, bool masked = false) {
  TDrelFrameList list;
  for (int delay : delays) {
    TDrelFrame& f = list.Add();
    f.Image.SetSize(w, h, 24);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) f.Image.SetPixel(x, y, x == 0 ? 0x00FF00 : rgb);
    if (keyed) {
      f.ColorKey = 0x00FF00;
      f.ColorKeyRGB = 0x00FF00;
    }
    if (masked) {
      TDIBSurface& m = f.Image.CreateMask(255);
      m.SetPixel(0, 0, 0);
    }
    f.DisplayTime = delay;
  }
  return SaveDrelImage(list, DrelKind::kDeflate);
}

TEST(DrelCollection, LoadsFramesAtTheScreenDepthWithKeysMasksAndDelays) {
  Files files;
  files.content["a.drl"] = DrelFile(3, 2, 0xFF0000, {0, 40}, true, true);
  TDrelCollection cache(files.Reader());
  cache.SetScreenBits(16);
  const int user = 0;
  TDrelItem* item = cache.Acquire(&user, "a.drl", false);
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->Name(), "a.drl");
  ASSERT_EQ(item->FrameCount(), 2);
  EXPECT_EQ(item->Width, 3);
  EXPECT_EQ(item->Height, 2);
  EXPECT_EQ(item->Frame(0).Delay, 1);  // 0 in the file becomes 1
  EXPECT_EQ(item->Frame(1).Delay, 40);
  EXPECT_EQ(item->TotalDelay, 41);
  const TDrelItemFrame& f = item->Frame(0);
  EXPECT_EQ(f.Picture->BitCount(), 16);
  EXPECT_EQ(f.Picture->GetPixel(1, 0), 0xF800u);  // red 255 at 5-6-5
  EXPECT_EQ(f.TransparentColor, 0x07E0);          // green key converted to the surface format
  EXPECT_EQ(f.Picture->ColorKey, 0x07E0);
  ASSERT_NE(f.Mask, nullptr);
  EXPECT_EQ(f.Mask->GetPixel(0, 0), 0u);
  EXPECT_EQ(f.Mask->GetPixel(1, 0), 255u);
  // Memory: 3 x 2 pixels of 2 bytes plus a 3 x 2 mask, per frame.
  EXPECT_EQ(item->Memory(), 2 * (12 + 6));
}

TEST(DrelCollection, MissingOrDamagedFilesGiveATransparentFrame) {
  Files files;
  files.content["bad.drl"] = "Drel garbage";
  TDrelCollection cache(files.Reader());
  const int user = 0;
  for (const char* name : {"none.drl", "bad.drl"}) {
    TDrelItem* item = cache.Acquire(&user, name, true);
    ASSERT_EQ(item->FrameCount(), 1) << name;
    const TDrelItemFrame& f = item->Frame(0);
    EXPECT_TRUE(item->Missing) << name;
    EXPECT_EQ(item->Width, 8);
    EXPECT_EQ(f.Picture->Width(), 8);
    EXPECT_EQ(f.Picture->BitCount(), 32);
    EXPECT_EQ(f.Picture->GetPixel(7, 7), 0u);
    EXPECT_EQ(f.TransparentColor, 0);
    ASSERT_NE(f.Mask, nullptr);
    EXPECT_EQ(f.Mask->GetPixel(3, 3), 0u);
  }
  EXPECT_TRUE(cache.FindItem("none.drl?m")->LoadError.empty());
  EXPECT_FALSE(cache.FindItem("bad.drl?m")->LoadError.empty());
}

TEST(DrelCollection, UsersShareOneItemAndTheSpareListGivesItBackWithoutReloading) {
  Files files;
  files.content["a.drl"] = DrelFile(2, 2, 0xFF, {10});
  TDrelCollection cache(files.Reader());
  const int u1 = 0, u2 = 0;
  TDrelItem* a = cache.Acquire(&u1, "a.drl", false);
  EXPECT_EQ(cache.Acquire(&u2, "A.DRL", false), a);  // names are found without regard to case
  EXPECT_EQ(cache.Acquire(&u2, "a.drl", false), a);  // a user is listed once
  EXPECT_EQ(a->Users.size(), 2u);
  EXPECT_EQ(files.reads, 1);
  cache.Release(a, &u1);
  EXPECT_EQ(cache.SpareCount(), 0);
  cache.Release(a, &u2);
  EXPECT_EQ(cache.SpareCount(), 1);
  cache.Release(a, &u2);  // not a user any more: nothing changes
  EXPECT_EQ(cache.SpareCount(), 1);
  EXPECT_EQ(cache.Acquire(&u1, "a.drl", false), a);
  EXPECT_EQ(cache.SpareCount(), 0);
  EXPECT_EQ(files.reads, 1);
  // With and without a mask the file is cached twice; "?m" builds a mask for every frame.
  TDrelItem* masked = cache.Acquire(&u1, "a.drl", true);
  EXPECT_NE(masked, a);
  EXPECT_EQ(masked->Name(), "a.drl?m");
  EXPECT_EQ(files.reads, 2);
  EXPECT_EQ(a->Frame(0).Mask, nullptr);
  ASSERT_NE(masked->Frame(0).Mask, nullptr);
  EXPECT_EQ(masked->Frame(0).Mask->GetPixel(1, 1), 255u);
}

TEST(DrelCollection, BudgetFreesTheOldestSpareItemsButKeepsTheNewest) {
  Files files;
  // 32-bit frames: 500 x 500 x 4 = 1,000,000 bytes; 750 x 1000 x 4 = 3,000,000 bytes.
  for (const char* n : {"a", "b", "c", "d"}) files.content[std::string(n) + ".drl"] = DrelFile(500, 500, 1, {1});
  files.content["big.drl"] = DrelFile(750, 1000, 1, {1});
  files.content["huge.drl"] = DrelFile(2000, 1000, 1, {1});
  TDrelCollection cache(files.Reader());
  const int user = 0;
  for (const char* n : {"a.drl", "b.drl", "c.drl", "d.drl"}) cache.Release(cache.Acquire(&user, n, false), &user);
  EXPECT_EQ(cache.SpareCount(), 4);
  EXPECT_EQ(cache.SpareMemory(), 4'000'000);
  cache.Release(cache.Acquire(&user, "big.drl", false), &user);
  // 7,000,000 > 5,760,000: a and b go; 5,000,000 remain.
  EXPECT_EQ(cache.SpareCount(), 3);
  EXPECT_EQ(cache.SpareMemory(), 5'000'000);
  EXPECT_EQ(cache.FindItem("a.drl"), nullptr);
  EXPECT_EQ(cache.FindItem("b.drl"), nullptr);
  EXPECT_NE(cache.FindItem("c.drl"), nullptr);
  // An item alone over the budget stays: it is the newest.
  cache.Release(cache.Acquire(&user, "huge.drl", false), &user);
  EXPECT_EQ(cache.SpareCount(), 1);
  EXPECT_EQ(cache.Spare().front()->Name(), "huge.drl");
}

TEST(DrelCollection, ForgetFreesOnlySpareItemsOfBothKeys) {
  Files files;
  files.content["a.drl"] = DrelFile(2, 2, 1, {1});
  TDrelCollection cache(files.Reader());
  const int user = 0;
  cache.Release(cache.Acquire(&user, "a.drl", false), &user);
  TDrelItem* masked = cache.Acquire(&user, "a.drl", true);
  cache.Forget("a.drl");
  EXPECT_EQ(cache.FindItem("a.drl"), nullptr);
  EXPECT_EQ(cache.FindItem("a.drl?m"), masked);  // in use: kept
  EXPECT_EQ(cache.SpareCount(), 0);
  // Another spelling of a freed name loads the file again (no stale quick lookup).
  cache.Release(cache.Acquire(&user, "B.drl", false), &user);
  cache.Release(cache.Acquire(&user, "b.DRL", false), &user);
  cache.Forget("b.drl");
  const int reads = files.reads;
  TDrelItem* again = cache.Acquire(&user, "B.drl", false);
  EXPECT_EQ(files.reads, reads + 1);
  EXPECT_EQ(again->Name(), "B.drl");
}

TEST(DrelCollection, RestoreRecreatesSurfacesAtTheNewDepthAndKeepsMissingFiles) {
  Files files;
  files.content["a.drl"] = DrelFile(2, 1, 0xFF0000, {1}, true);
  TDrelCollection cache(files.Reader());
  const int user = 0;
  TDrelItem* item = cache.Acquire(&user, "a.drl", false);
  EXPECT_EQ(item->Frame(0).Picture->GetPixel(1, 0), 0xFF0000u);
  cache.ReleaseSurfaces();
  cache.SetScreenBits(15);
  cache.RestoreSurfaces(true);
  EXPECT_EQ(item->Frame(0).Picture->BitCount(), 15);
  EXPECT_EQ(item->Frame(0).Picture->GetPixel(1, 0), 0x7C00u);
  EXPECT_EQ(item->Frame(0).TransparentColor, 0x03E0);
  // A file gone from the game data leaves the item as it was.
  files.content.clear();
  cache.SetScreenBits(32);
  cache.RestoreSurfaces(true);
  EXPECT_EQ(item->Frame(0).Picture->BitCount(), 15);
}

TEST(DrelCollection, ConvertAtLoadFlagIsSavedAndReloadsWhenChanged) {
  Files files;
  files.content["a.drl"] = DrelFile(2, 1, 1, {1});
  TDrelCollection cache(files.Reader());
  const int user = 0;
  cache.Acquire(&user, "a.drl", false);
  const int reads = files.reads;
  cache.SetConvertAtLoad(true);
  EXPECT_EQ(files.reads, reads + 1);
  cache.SetConvertAtLoad(true);  // unchanged: no reload
  EXPECT_EQ(files.reads, reads + 1);
  ByteWriter w;
  cache.SaveToStream(w);
  EXPECT_EQ(w.Str(), std::string(1, '\1'));
  TDrelCollection other(files.Reader());
  ByteReader old(w.Str(), "scene");
  other.LoadFromStream(old, 100);  // old records have no flag
  EXPECT_FALSE(other.ConvertAtLoad());
  EXPECT_EQ(old.Position(), 0u);
  ByteReader r(w.Str(), "scene");
  other.LoadFromStream(r, 101);
  EXPECT_TRUE(other.ConvertAtLoad());
  ByteReader empty(std::string_view{}, "scene");
  EXPECT_THROW(other.LoadFromStream(empty, 101), FormatError);
}

}  // namespace
}  // namespace kuzo
