// The file manager: source order, the MRU cache, locked temporary files, availability and the
// disc prompts of multi-disc titles, install settings at start-up.
#include "data/file_manager.h"

#include <gtest/gtest.h>

#include <functional>

#include "core/errors.h"
#include "data/install_settings.h"
#include "data/zlib_codec.h"
#include "platform/file_system.h"
#include "tests/data/archive_bytes.h"

namespace kuzo {
namespace {

using testing::BuildArchive;
using testing::RawEntry;
using testing::ScratchDir;

// Records every prompt and answers from a script (then OK).
class ScriptedPrompts : public IPromptHost {
 public:
  PromptResult ShowPrompt(const std::string& text, const std::string& caption, PromptButtons, PromptIcon) override {
    shown.push_back(text);
    captions.push_back(caption);
    if (onShow) onShow(shown.size());
    if (answers.empty()) return PromptResult::kOk;
    const PromptResult r = answers.front();
    answers.erase(answers.begin());
    return r;
  }
  void RequestTerminate() override { terminated = true; }
  bool Interactive() const override { return interactive; }

  std::vector<std::string> shown;
  std::vector<std::string> captions;
  std::vector<PromptResult> answers;
  std::function<void(size_t)> onShow;
  bool terminated = false;
  bool interactive = true;
};

std::string InstallDat(const std::string& title, uint32_t disk, bool installed) {
  TKuzoInstallSet s;
  s.title = title;
  s.diskIndex = disk;
  s.dataInstalled = installed;
  return s.Write();
}

class FileManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fm.SetDiscRoots({});
    fm.SetTempDir(temp.path());
    fm.SetPromptHost(&prompts);
  }
  int AddArchive(const std::string& file, const std::vector<RawEntry>& entries) {
    return fm.AddArchive(data.Write(file, BuildArchive(102, entries)));
  }

  ScratchDir data;
  ScratchDir base;
  ScratchDir temp;
  ScriptedPrompts prompts;
  TVrFileManager fm;
};

TEST_F(FileManagerTest, LooseFileInBaseDirOverridesTheArchive) {
  AddArchive("game.dat", {{"kuzo.kpb", "from archive", true}});
  EXPECT_EQ(fm.ReadFile("kuzo.kpb"), "from archive");
  base.Write("KUZO.KPB", "loose");
  fm.SetBaseDir(base.path().string());
  EXPECT_EQ(fm.BaseDir().back(), '/');
  fm.DropCached("kuzo.kpb");
  EXPECT_EQ(fm.ReadFile("kuzo.kpb"), "loose");
  EXPECT_EQ(fm.GetFilePath("kuzo.kpb"), (base.path() / "KUZO.KPB").string());
  auto range = fm.OpenRange("Kuzo.Kpb");
  EXPECT_EQ(range->Size(), 5);
}

TEST_F(FileManagerTest, LocateAnswersFromTheOneSearchOrder) {
  AddArchive("one.dat", {{"a.txt", "archive a", true}, {"both.txt", "archive both", true}});
  ScratchDir disc;
  disc.Write("A.TXT", "disc a");
  disc.Write("Disc.txt", "disc only");
  fm.SetDiscRoots({disc.path().string() + "/"});
  base.Write("Both.Txt", "loose both");
  fm.SetBaseDir(base.path().string());

  const TVrLocation loose = fm.Locate("BOTH.TXT");
  EXPECT_EQ(loose.source, TVrLocation::Source::kBaseDir);
  EXPECT_EQ(loose.path, base.path() / "Both.Txt");
  const TVrLocation archived = fm.Locate("a.TXT");
  ASSERT_EQ(archived.source, TVrLocation::Source::kArchive);
  EXPECT_EQ(archived.archive, &fm.Archive(0));
  EXPECT_EQ(archived.entry, fm.Archive(0).FindFile("a.txt"));
  const TVrLocation onDisc = fm.Locate("disc.TXT");
  EXPECT_EQ(onDisc.source, TVrLocation::Source::kDisc);
  EXPECT_EQ(onDisc.path, disc.path() / "Disc.txt");
  EXPECT_FALSE(fm.Locate("none.txt"));
  EXPECT_FALSE(fm.Locate(""));
  // Every way of reading takes what Locate found.
  EXPECT_EQ(fm.ReadFile("both.txt"), "loose both");
  EXPECT_EQ(fm.ReadFile("a.txt"), "archive a");
  EXPECT_EQ(fm.ReadFile("disc.txt"), "disc only");
  EXPECT_EQ(fm.OpenRange("a.txt")->Size(), 9);
  EXPECT_EQ(fm.GetFilePath("disc.txt"), (disc.path() / "Disc.txt").string());
  EXPECT_TRUE(fm.Exists("A.txt") && fm.Exists("DISC.TXT") && !fm.Exists("none.txt"));
}

TEST_F(FileManagerTest, EntriesOfAnArchiveThatIsNotOpenAreNotFound) {
  // A collection without an archive stream (nothing was opened) holds a name it cannot read; a later
  // source that has the name answers instead.
  fm.AddArchive("");
  fm.Archive(0).Add("page.ksb");
  AddArchive("game.dat", {{"page.ksb", "readable", true}});
  const TVrLocation at = fm.Locate("page.ksb");
  ASSERT_EQ(at.source, TVrLocation::Source::kArchive);
  EXPECT_EQ(at.archive, &fm.Archive(1));
  EXPECT_EQ(fm.ReadFile("page.ksb"), "readable");
}

TEST_F(FileManagerTest, FirstArchiveAddedWinsAndFindEntryFollowsTheOrder) {
  AddArchive("one.dat", {{"same.txt", DeflateZlib("first"), false}});
  AddArchive("two.dat", {{"same.txt", "second", true}, {"only2.txt", "two", true}});
  EXPECT_EQ(fm.ReadFile("SAME.TXT"), "first");
  EXPECT_EQ(fm.FindEntry("same.txt"), fm.Archive(0).FindFile("same.txt"));
  EXPECT_EQ(fm.ReadFile("only2.txt"), "two");
  EXPECT_EQ(fm.FindEntry("nothing"), nullptr);
}

TEST_F(FileManagerTest, CachedFileSurvivesRemovalOfItsArchive) {
  AddArchive("game.dat", {{"page.ksb", DeflateZlib("page bytes"), false}});
  EXPECT_EQ(fm.ReadFile("page.ksb"), "page bytes");
  fm.RemoveArchive(0);
  EXPECT_FALSE(fm.Exists("page.ksb"));
  EXPECT_EQ(fm.ReadFile("PAGE.KSB"), "page bytes");
  EXPECT_EQ(fm.Cache().At(0).name, "PAGE.KSB");
}

TEST_F(FileManagerTest, LargeFileIsEvictedOnlyOnceItLeavesTheFront) {
  const std::string big = testing::RandomBytes(0x480000, 1);  // over the 4 MiB budget
  AddArchive("game.dat", {{"big.avi", big, true}, {"small.txt", "small", true}, {"other.txt", "o", true}});
  EXPECT_EQ(fm.ReadFile("big.avi"), big);
  EXPECT_EQ(fm.ReadFile("big.avi"), big);  // a hit at the front evicts nothing
  ASSERT_EQ(fm.Cache().Count(), 1);
  fm.ReadFile("small.txt");
  ASSERT_EQ(fm.Cache().Count(), 1);  // the large one was pushed off the back
  EXPECT_EQ(fm.Cache().At(0).name, "SMALL.TXT");
  fm.ReadFile("other.txt");
  EXPECT_EQ(fm.Cache().Count(), 2);  // small files stay together
  EXPECT_EQ(fm.Cache().At(0).name, "OTHER.TXT");
}

TEST_F(FileManagerTest, MissingNamesRaiseTheMessageAndLeaveNoCacheEntry) {
  AddArchive("game.dat", {{"a.txt", "a", true}});
  for (int i = 0; i < 3; ++i) {
    try {
      fm.ReadFile(Format("missing%d.png", i));
      FAIL();
    } catch (const KuzoError& e) {
      EXPECT_EQ(std::string(e.what()), Format("%s:ファイルがありません", Format("missing%d.png", i).c_str()));
    }
  }
  EXPECT_EQ(fm.Cache().Count(), 0);
  EXPECT_THROW(fm.OpenRange("missing.ogg"), KuzoError);
  EXPECT_EQ(fm.GetFilePath("missing.avi"), "missing.avi");
  EXPECT_FALSE(fm.Exists(""));
}

TEST_F(FileManagerTest, CorruptEntryFailsCleanlyAndIsRetriedLater) {
  AddArchive("game.dat", {{"bad.txt", "not a zlib stream", false}});
  EXPECT_THROW(fm.ReadFile("bad.txt"), FormatError);
  EXPECT_EQ(fm.Cache().Count(), 0);
}

TEST_F(FileManagerTest, InMemoryEntryIsServedWithoutCaching) {
  AddArchive("game.dat", {});
  fm.Archive(0).AddMemory("mem:shot.drl").data->SetData("pixels");
  EXPECT_EQ(fm.ReadFile("mem:shot.drl"), "pixels");
  EXPECT_EQ(fm.Cache().Count(), 0);
}

TEST_F(FileManagerTest, GetFilePathSharesOneTemporaryFilePerExactName) {
  const std::string video = testing::RandomBytes(10000, 2);
  AddArchive("game.dat", {{"movie\\op.avi", video, true}});
  const std::string first = fm.GetFilePath("movie\\op.avi");
  const std::string second = fm.GetFilePath("movie\\op.avi");
  EXPECT_EQ(first, second);
  EXPECT_EQ(first, (temp.path() / "~kz00000000.avi").string());
  ASSERT_EQ(fm.Locks().size(), 1u);
  EXPECT_EQ(fm.Locks()[0].refCount, 2);
  EXPECT_EQ(platform::ReadWholeFile(first), video);
  const std::string other = fm.GetFilePath("MOVIE\\OP.AVI");  // another letter case: another copy
  EXPECT_EQ(other, (temp.path() / "~kz00000001.AVI").string());
  EXPECT_EQ(fm.Locks().size(), 2u);

  // Releases count down with the frame deltas; the last reference frees the file.
  fm.ReleaseFilePath("movie\\op.avi", 100);
  fm.ReleaseFilePath("movie\\op.avi", 0);
  fm.AdvanceLocks(16);
  EXPECT_EQ(fm.Locks()[0].refCount, 1);
  fm.AdvanceLocks(84);
  ASSERT_EQ(fm.Locks().size(), 1u);
  EXPECT_EQ(fm.PendingDeletes().size(), 1u);
  EXPECT_TRUE(std::filesystem::exists(first));
  fm.DeletePendingFiles();
  EXPECT_FALSE(std::filesystem::exists(first));
  // The next id skips past every id still in use.
  EXPECT_EQ(fm.GetFilePath("movie\\op.avi"), (temp.path() / "~kz00000002.avi").string());
  fm.Shutdown();
  EXPECT_FALSE(std::filesystem::exists(other));
  EXPECT_TRUE(fm.Locks().empty());
}

TEST_F(FileManagerTest, ReadOnlyLeftoverTemporaryFileIsReplaced) {
  AddArchive("game.dat", {{"v.wmv", "new video", true}});
  const auto leftover = temp.Write("~kz00000000.wmv", "stale");
  platform::SetReadOnly(leftover);
  EXPECT_EQ(platform::ReadWholeFile(fm.GetFilePath("v.wmv")), "new video");
}

TEST_F(FileManagerTest, TemporaryFileThatCannotBeCreatedRaisesItsMessage) {
  AddArchive("game.dat", {{"v.wmv", "video", true}});
  fm.SetTempDir(temp.path() / "no" / "such" / "dir");
  try {
    fm.GetFilePath("v.wmv");
    FAIL();
  } catch (const KuzoError& e) {
    EXPECT_EQ(std::string(e.what()), "作業用ファイルが作れません");
  }
  EXPECT_TRUE(fm.Locks().empty());
}

TEST_F(FileManagerTest, PrivateTemporaryDirectoryIsRemovedAtShutdown) {
  TVrFileManager own;
  own.SetDiscRoots({});
  own.AddArchive(data.Write("g.dat", BuildArchive(102, {{"m.mpg", "mpeg", true}})));
  const std::filesystem::path path = own.GetFilePath("m.mpg");
  EXPECT_TRUE(std::filesystem::exists(path));
  own.Shutdown();
  EXPECT_FALSE(std::filesystem::exists(path.parent_path()));
}

TEST_F(FileManagerTest, DiscRootsAreTheLastSource) {
  ScratchDir disc;
  disc.Write("Movie/Ed.avi", "disc video");
  fm.SetDiscRoots({disc.path().string() + "/"});
  EXPECT_TRUE(fm.Exists("movie\\ed.avi"));
  EXPECT_EQ(fm.ReadFile("movie\\ed.avi"), "disc video");
  EXPECT_EQ(fm.GetFilePath("movie\\ed.avi"), (disc.path() / "Movie" / "Ed.avi").string());
  EXPECT_EQ(fm.OpenRange("MOVIE\\ED.AVI")->Size(), 10);
}

TEST_F(FileManagerTest, MissingSoundOnAnotherDiscIsSkippedButAnImageIsAskedFor) {
  fm.Project().folderDisks = {{"bgm", 2}, {"cg\\ev", 2}};
  fm.Project().soundExts = "wav.wma.ogg";  // the project's own list, without a leading dot
  prompts.answers = {PromptResult::kCancel, PromptResult::kOk};  // give up, then confirm the exit
  EXPECT_FALSE(fm.FileAvailable("BGM\\track01.wav"));
  EXPECT_FALSE(fm.FileAvailable("bgm\\sub\\x.OGG"));
  EXPECT_TRUE(prompts.shown.empty());
  EXPECT_FALSE(fm.FileAvailable("cg\\ev\\ev01.drl"));
  ASSERT_EQ(prompts.shown.size(), 2u);
  EXPECT_EQ(prompts.shown[0], "ディスク2を入れてから[OK]をクリックしてください");
  EXPECT_EQ(prompts.shown[1], "終了します");
  EXPECT_TRUE(prompts.terminated);
  // Names outside every listed folder are simply unavailable.
  prompts.shown.clear();
  EXPECT_FALSE(fm.FileAvailable("cg\\other.drl"));
  EXPECT_FALSE(fm.FileAvailable("nofolder.drl"));
  EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(FileManagerTest, RequestDiskMountsTheMatchingDiscAfterItIsInserted) {
  ScratchDir disc1, disc2;
  disc1.Write("game.dat", BuildArchive(102, {{"cg\\a.drl", "disc one", true}}));
  disc1.Write("install.dat", InstallDat("情報", 0, false));
  fm.SetDiscRoots({disc1.path().string() + "/", disc2.path().string() + "/"});
  ASSERT_TRUE(fm.MountDisk(0));
  EXPECT_EQ(fm.ArchiveCount(), 1);
  EXPECT_FALSE(fm.MountDisk(1));
  // The player swaps discs while the prompt is shown: disc 2 appears in the second drive.
  prompts.onShow = [&](size_t count) {
    if (count == 2) {
      disc2.Write("game.dat", BuildArchive(102, {{"cg\\b.drl", "disc two", true}}));
      disc2.Write("install.dat", InstallDat("情報", 1, false));
    }
  };
  ASSERT_TRUE(fm.RequestDisk(2));
  EXPECT_EQ(prompts.shown.size(), 2u);  // asked again after the first OK found nothing
  EXPECT_EQ(prompts.captions[0], "情報");
  EXPECT_EQ(fm.ArchiveCount(), 1);  // disc 1's archive was closed, disc 2's added
  EXPECT_EQ(fm.ReadFile("cg\\b.drl"), "disc two");
  EXPECT_FALSE(prompts.terminated);
}

TEST_F(FileManagerTest, RequestDiskRereadsTheMountPointsAfterEachAnswer) {
  ScratchDir media;
  // Nothing is mounted at first; the disc the player inserts meanwhile mounts at a new point named
  // after its label.
  std::vector<std::string> mounted;
  fm.SetDiscRootsSource([&] { return mounted; });
  prompts.onShow = [&](size_t count) {
    if (count != 1) return;
    media.Write("DISC2/GAME.DAT", BuildArchive(102, {{"cg\\b.drl", "disc two", true}}));
    media.Write("DISC2/INSTALL.DAT", InstallDat("情報", 1, false));
    mounted = {(media.path() / "DISC2").string() + "/"};
  };
  ASSERT_TRUE(fm.RequestDisk(2));
  EXPECT_EQ(prompts.shown.size(), 1u);
  EXPECT_EQ(fm.DiscRoots(), mounted);
  EXPECT_EQ(fm.ReadFile("cg\\b.drl"), "disc two");
}

TEST_F(FileManagerTest, HeadlessDiskRequestEndsInsteadOfAskingForever) {
  prompts.interactive = false;
  fm.Project().folderDisks = {{"cg", 3}};
  EXPECT_FALSE(fm.FileAvailable("cg\\x.drl"));
  EXPECT_EQ(prompts.shown.size(), 1u);
  // A disc prompt with stray format characters is shown as it is.
  fm.Project().diskPrompt = "%s disc %d %n";
  prompts.shown.clear();
  EXPECT_FALSE(fm.RequestDisk(4));
  EXPECT_EQ(prompts.shown[0], "%s disc 4 %n");
}

TEST_F(FileManagerTest, LocateGameDataWithoutInstallSettingsStops) {
  fm.SetExecutableDir(base.path());
  EXPECT_FALSE(fm.LocateGameData());
  ASSERT_EQ(prompts.shown.size(), 1u);
  EXPECT_EQ(prompts.shown[0], "インストールし直してください");
  EXPECT_EQ(prompts.captions[0], "情報");
}

TEST_F(FileManagerTest, LocateGameDataUsesTheInstalledData) {
  base.Write("install.dat", InstallDat("My Title", 0, true));
  base.Write("game.dat", BuildArchive(102, {{"kuzo.kpb", "project", true}}));
  fm.SetExecutableDir(base.path());
  EXPECT_TRUE(fm.LocateGameData());
  EXPECT_EQ(fm.BaseDir(), base.path().string() + "/");
  EXPECT_EQ(fm.ArchiveCount(), 1);
  EXPECT_EQ(fm.ReadFile("kuzo.kpb"), "project");
  EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(FileManagerTest, LocateGameDataFindsTheDiscWithTheSameTitle) {
  base.Write("install.dat", InstallDat("My Title", 0, false));
  ScratchDir wrong, right;
  wrong.Write("game.dat", BuildArchive(102, {}));
  wrong.Write("install.dat", InstallDat("Other Title", 0, false));
  right.Write("GAME.DAT", BuildArchive(102, {{"kuzo.kpb", "disc project", true}}));
  right.Write("INSTALL.DAT", InstallDat("My Title", 0, false));
  fm.SetExecutableDir(base.path());
  fm.SetDiscRoots({wrong.path().string() + "/", right.path().string() + "/"});
  EXPECT_TRUE(fm.LocateGameData());
  EXPECT_EQ(fm.ReadFile("kuzo.kpb"), "disc project");

  // Without the disc: asked to insert it; giving up and confirming the exit stops the player.
  TVrFileManager none;
  ScriptedPrompts p;
  p.answers = {PromptResult::kCancel, PromptResult::kCancel, PromptResult::kCancel, PromptResult::kOk};
  none.SetPromptHost(&p);
  none.SetDiscRoots({wrong.path().string() + "/"});
  none.SetExecutableDir(base.path());
  EXPECT_FALSE(none.LocateGameData());
  ASSERT_EQ(p.shown.size(), 4u);
  EXPECT_EQ(p.shown[0], "ディスクを入れてください");
  EXPECT_EQ(p.shown[1], "終了します");
  EXPECT_EQ(p.shown[2], "ディスクを入れてください");
}

TEST_F(FileManagerTest, UnreadableArchiveAddsNothing) {
  EXPECT_THROW(fm.AddArchive(data.Write("bad.dat", std::string("vf\x66\x00\x00\x00\xff\xff\xff\xff", 10))), FormatError);
  EXPECT_EQ(fm.ArchiveCount(), 0);
  EXPECT_EQ(fm.AddArchive(""), 0);  // an empty path gives an empty collection
  EXPECT_FALSE(fm.Exists("anything"));
}

TEST_F(FileManagerTest, LooseFileFoundThroughLetterCaseAndUtf8Names) {
  // A title unpacked on Linux: UTF-8 names with other letter case and "/" separators on disk.
  base.Write("\xe7\x94\xbb\xe5\x83\x8f/Bg_\xef\xbc\xa1.PNG", "utf8 image");
  fm.SetBaseDir(base.path().string());
  const std::string sjisName = "\x89\xe6\x91\x9c\\bg_\x82\x60.png";  // 画像\bg_Ａ.png in Shift-JIS
  EXPECT_TRUE(fm.Exists(sjisName));
  EXPECT_EQ(fm.ReadFile(sjisName), "utf8 image");
}

}  // namespace
}  // namespace kuzo
