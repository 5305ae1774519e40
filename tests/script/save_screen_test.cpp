// SaveScreen: the picture of a base saved as a Drel file or in-memory game file, read back pixel
// for pixel, scaled, refused for bad names and missing folders, and recorded for deletion at exit or
// in the install list.
#include "script/save_screen.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "components/drel_collection.h"
#include "core/host_state.h"
#include "data/file_manager.h"
#include "data/install_settings.h"
#include "graphics/image_formats/image_file.h"
#include "platform/file_system.h"
#include "scene/kuzo_base.h"
#include "scene/kuzo_base_list.h"

namespace kuzo {
namespace {

namespace fs = std::filesystem;

class SaveScreenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = platform::MakePrivateTempDirectory("kuzo-savescreen-");
    files.SetBaseDir(dir.string());
    // A recognisable front picture: every pixel a different value.
    TCustomDIBX* front = scene.SceneSurface();
    ASSERT_NE(front, nullptr);
    for (int y = 0; y < front->Height(); ++y)
      for (int x = 0; x < front->Width(); ++x) front->SetPixel(x, y, static_cast<Pixel>(x * 0x010203 + y * 0x300000));
  }
  void TearDown() override { fs::remove_all(dir); }

  TDrelFrameList Decode(const std::string& bytes) {
    TDrelFrameList list;
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    EXPECT_EQ(LoadImageFile(list, "x.drl", {data, bytes.size()}, true), ImageFormat::kDrel);
    return list;
  }
  bool Save(const std::string& name, int32_t w = 0, int32_t h = 0, bool other = false, int32_t record = 0) {
    return SaveScreen(targets, SaveScreenRequest{name, w, h, other, record});
  }

  fs::path dir;
  HostState host;
  TKuzoBaseList scene{&host, 8, 6};
  TVrFileManager files;
  SaveScreenTargets targets{&scene, &files, nullptr, &host};
};

TEST_F(SaveScreenTest, TheFrontBaseReadsBackPixelForPixel) {
  ASSERT_TRUE(Save("Shot.DRL"));
  ASSERT_TRUE(fs::exists(dir / "Shot.DRL"));
  TDrelFrameList list = Decode(files.ReadFile("shot.drl"));
  ASSERT_EQ(list.Count(), 1);
  const TCustomDIBX& front = *scene.SceneSurface();
  ASSERT_EQ(list[0].Width(), 8);
  ASSERT_EQ(list[0].Height(), 6);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x) ASSERT_EQ(list[0].Image.GetPixel(x, y), front.GetPixel(x, y)) << x << "," << y;
}

TEST_F(SaveScreenTest, ScalesToTheAskedSize) {
  ASSERT_TRUE(Save("small.drl", 4, 3));
  TDrelFrameList list = Decode(files.ReadFile("small.drl"));
  ASSERT_EQ(list[0].Width(), 4);
  ASSERT_EQ(list[0].Height(), 3);
  // Nearest pixel of a halving: every other source pixel.
  EXPECT_EQ(list[0].Image.GetPixel(1, 1), scene.SceneSurface()->GetPixel(2, 2));
  EXPECT_FALSE(Save("huge.drl", 100000, 10));
}

TEST_F(SaveScreenTest, TheOtherBaseIsDrawnFirst) {
  scene.InactiveBase()->SetIntProp(PR_COLOR, 0x0000FF);
  ASSERT_TRUE(Save("back.drl", 0, 0, true));
  TDrelFrameList list = Decode(files.ReadFile("back.drl"));
  const TCustomDIBX& other = *scene.InactiveBase()->GetDrawSurface();
  EXPECT_EQ(list[0].Image.GetPixel(7, 5), other.ColorToPixel(0x0000FF));
  EXPECT_NE(list[0].Image.GetPixel(7, 5), scene.SceneSurface()->GetPixel(7, 5));
}

TEST_F(SaveScreenTest, MemoryNamesBecomeGameFilesWithoutTouchingTheDisk) {
  ASSERT_TRUE(Save("mem:thumb.drl", 2, 2));
  EXPECT_TRUE(files.Exists("MEM:THUMB.DRL"));
  EXPECT_EQ(Decode(files.ReadFile("mem:thumb.drl"))[0].Width(), 2);
  EXPECT_TRUE(fs::is_empty(dir));
  // Saving again replaces the entry and the cached copy.
  ASSERT_TRUE(Save("mem:thumb.drl", 3, 3));
  EXPECT_EQ(Decode(files.ReadFile("mem:thumb.drl"))[0].Width(), 3);
}

TEST_F(SaveScreenTest, PicturesNamingTheScreenshotLoadItAndAResaveReplacesTheCachedCopy) {
  TDrelCollection images(TDrelCollection::FromFileManager(files));
  targets.images = &images;
  ASSERT_TRUE(Save("mem:thumb.drl", 4, 3));
  const int user = 0;
  TDrelItem* item = images.Acquire(&user, "mem:thumb.drl", false);
  ASSERT_NE(item, nullptr);
  ASSERT_EQ(item->FrameCount(), 1);
  EXPECT_EQ(item->Frame(0).Picture->Width(), 4);
  EXPECT_EQ(item->Frame(0).Picture->GetPixel(1, 1), scene.SceneSurface()->GetPixel(2, 2));
  images.Release(item, &user);  // now a spare copy, which the next save must drop
  ASSERT_TRUE(Save("mem:thumb.drl", 6, 5));
  item = images.Acquire(&user, "mem:thumb.drl", false);
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->Frame(0).Picture->Width(), 6);
  images.Release(item, &user);
}

TEST_F(SaveScreenTest, RefusesOtherExtensionsAndMissingFolders) {
  EXPECT_FALSE(Save("shot.png"));
  EXPECT_FALSE(Save(".drl"));
  EXPECT_FALSE(Save(""));
  EXPECT_FALSE(Save("nofolder\\shot.drl"));
  fs::create_directory(dir / "Saves");
  EXPECT_TRUE(Save("saves\\shot.drl"));  // the folder is found without regard to case
  EXPECT_TRUE(fs::exists(dir / "Saves" / "shot.drl"));
  SaveScreenTargets none{nullptr, &files, nullptr, &host};
  EXPECT_FALSE(SaveScreen(none, SaveScreenRequest{"a.drl"}));
}

TEST_F(SaveScreenTest, RecordsForDeletionAtExitOrInTheInstallList) {
  ASSERT_TRUE(Save("gone.drl", 0, 0, false, 1));
  ASSERT_EQ(host.exitDeleteList.size(), 1u);
  EXPECT_EQ(fs::path(host.exitDeleteList[0]), dir / "gone.drl");
  // Without install.dat the picture is saved but nothing is recorded: false.
  EXPECT_FALSE(Save("kept.drl", 0, 0, false, 2));
  EXPECT_TRUE(fs::exists(dir / "kept.drl"));
  TKuzoInstallSet set;
  set.title = "t";
  set.list21 = {"other.drl"};
  platform::WriteFileAtomic(dir / "install.dat", set.Write());
  EXPECT_TRUE(Save("kept.drl", 0, 0, false, 2));
  EXPECT_TRUE(Save("KEPT.drl", 0, 0, false, 2));  // listed already (case-insensitive): not again
  const auto bytes = platform::ReadWholeFile(dir / "install.dat");
  ASSERT_TRUE(bytes);
  const TKuzoInstallSet back = TKuzoInstallSet::Read(*bytes);
  ASSERT_EQ(back.list21.size(), 2u);
  EXPECT_EQ(back.list21[1], "kept.drl");
}

}  // namespace
}  // namespace kuzo
