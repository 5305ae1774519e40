// Titles as users have them: a game directory, a release folder with one .exe carrying the
// archive, that .exe named directly, several directories, and the player's own executable.
#include <gtest/gtest.h>

#include "core/errors.h"
#include "host/title_location.h"
#include "host_test_util.h"
#include "tests/data/archive_bytes.h"
#include "tests/data/pe_bytes.h"

namespace kuzo::host {
namespace {

using testing::ExecutableWithArchive;
using testing::ScratchDir;

TEST(TitleLocationTest, ReleaseFolderUsesItsOneCarryingExecutable) {
  ScratchDir dir;
  auto exe = dir.Write("Title.EXE", ExecutableWithArchive({{"kuzo.kpb", "p"}}));
  dir.Write("setup.exe", "MZ plain program without data");
  auto game = dir.Write("GAME.DAT", testing::Archive({{"a", "b"}}));
  TitleLocation t = LocateTitle({dir.path().string()}, "/usr/bin/kuzoplayer");
  EXPECT_TRUE(t.namedOnCommandLine);
  EXPECT_EQ(t.baseDir, dir.path());
  // The executable's archive first, then game.dat found without regard to letter case.
  EXPECT_EQ(t.archives, (std::vector<std::filesystem::path>{exe, game}));
}

TEST(TitleLocationTest, NamingTheExecutableMakesItsFolderTheBase) {
  ScratchDir dir;
  auto exe = dir.Write("sub/TITLE.exe", ExecutableWithArchive({{"kuzo.kpb", "p"}}));
  TitleLocation t = LocateTitle({exe.string()}, "/usr/bin/kuzoplayer");
  EXPECT_EQ(t.baseDir, dir.path() / "sub");
  EXPECT_EQ(t.archives, std::vector<std::filesystem::path>{exe});
}

TEST(TitleLocationTest, ExecutableCarryingItsArchiveAsAResourceIsATitle) {
  ScratchDir dir;
  const std::string archive = kuzo::testing::BuildArchive(102, {{"kuzo.kpb", "p", true}, {"pad", "vf", true}});
  auto exe = dir.Write("Title.exe", kuzo::testing::BuildPe("BINTYPE", "DUMMY", archive));
  dir.Write("setup.exe", kuzo::testing::BuildPe("BINTYPE", "OTHER", archive));
  // Found in its folder: it is the title's executable, but there is no trailer archive to open.
  TitleLocation inDir = LocateTitle({dir.path().string()}, "/usr/bin/kuzoplayer");
  EXPECT_EQ(inDir.executable, exe);
  EXPECT_TRUE(inDir.archives.empty());
  TitleLocation named = LocateTitle({exe.string()}, "/usr/bin/kuzoplayer");
  EXPECT_EQ(named.executable, exe);
  EXPECT_EQ(named.baseDir, dir.path());
  EXPECT_TRUE(named.archives.empty());
  // A trailer executable is both the executable and the first archive; no arguments name the
  // player's own executable.
  auto trailer = dir.Write("other/T.exe", ExecutableWithArchive({{"kuzo.kpb", "p"}}));
  EXPECT_EQ(LocateTitle({trailer.string()}, "").executable, trailer);
  EXPECT_EQ(LocateTitle({}, "/opt/kuzo/kuzoplayer").executable, std::filesystem::path("/opt/kuzo/kuzoplayer"));
  // A plain game directory has no executable.
  dir.Write("plain/game.dat", testing::Archive({{"a", "b"}}));
  EXPECT_TRUE(LocateTitle({(dir.path() / "plain").string()}, "").executable.empty());
}

TEST(TitleLocationTest, PlainDirectoriesAddTheirGameArchives) {
  ScratchDir dir;
  auto first = dir.Write("one/game.dat", testing::Archive({{"a", "1"}}));
  dir.Write("two/readme.txt", "no archive here");
  auto third = dir.Write("three/game.dat", testing::Archive({{"b", "2"}}));
  TitleLocation t = LocateTitle({(dir.path() / "one").string(), (dir.path() / "two").string(),
                                 (dir.path() / "three").string()},
                                "/x/kuzoplayer");
  EXPECT_EQ(t.baseDir, dir.path() / "one");
  EXPECT_EQ(t.archives, (std::vector<std::filesystem::path>{first, third}));
}

TEST(TitleLocationTest, AmbiguousOrWrongPathsAreOneLineErrors) {
  ScratchDir dir;
  dir.Write("a.exe", ExecutableWithArchive({{"x", "1"}}));
  dir.Write("b.exe", ExecutableWithArchive({{"y", "2"}}));
  try {
    LocateTitle({dir.path().string()}, "");
    FAIL();
  } catch (const KuzoError& e) {
    std::string what = e.what();
    EXPECT_NE(what.find("a.exe, b.exe"), std::string::npos) << what;
  }
  EXPECT_THROW(LocateTitle({(dir.path() / "absent").string()}, ""), KuzoError);
  auto plain = dir.Write("plain.exe", "MZ nothing appended");
  EXPECT_THROW(LocateTitle({plain.string()}, ""), KuzoError);
  // A second argument must be a directory.
  ScratchDir other;
  EXPECT_THROW(LocateTitle({other.path().string(), plain.string()}, ""), KuzoError);
}

TEST(TitleLocationTest, NoArgumentsUsesThePlayersOwnExecutable) {
  ScratchDir dir;
  auto own = dir.Write("kuzoplayer", ExecutableWithArchive({{"kuzo.kpb", "p"}}));
  TitleLocation t = LocateTitle({}, own);
  EXPECT_FALSE(t.namedOnCommandLine);
  EXPECT_EQ(t.baseDir, dir.path());
  EXPECT_EQ(t.archives, std::vector<std::filesystem::path>{own});
  auto bare = dir.Write("bare/kuzoplayer", "ELF without data");
  t = LocateTitle({}, bare);
  EXPECT_EQ(t.baseDir, dir.path() / "bare");
  EXPECT_TRUE(t.archives.empty());
}

TEST(TitleLocationTest, FindsOnlyExecutablesCarryingAnArchive) {
  ScratchDir dir;
  auto a = dir.Write("A.Exe", ExecutableWithArchive({{"x", "1"}}));
  dir.Write("b.exe", "MZ");
  dir.Write("c.dat", ExecutableWithArchive({{"x", "1"}}));
  EXPECT_EQ(FindTitleExecutables(dir.path()), std::vector<std::filesystem::path>{a});
}

TEST(TitleLocationTest, RefusesToRunFromADisc) {
  std::vector<std::string> roots = {"/media/cdrom/", "/mnt/disc"};
  EXPECT_TRUE(OnOpticalMedia("/media/cdrom/kuzoplayer", roots));
  EXPECT_TRUE(OnOpticalMedia("/mnt/disc/sub/../TITLE.exe", roots));
  EXPECT_FALSE(OnOpticalMedia("/media/cdrom2/kuzoplayer", roots));  // a prefix of the name is not enough
  EXPECT_FALSE(OnOpticalMedia("/usr/bin/kuzoplayer", roots));
  EXPECT_FALSE(OnOpticalMedia("/media/cdrom/x", {}));
}

}  // namespace
}  // namespace kuzo::host
