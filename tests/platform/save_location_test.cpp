// The save directory: the title's directory when writable, the XDG data directory otherwise.
#include "platform/save_location.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/file_system.h"

namespace kuzo::platform {
namespace {

namespace fs = std::filesystem;

class SaveLocationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = MakePrivateTempDirectory("kuzo-save-location");
    const char* old = std::getenv("XDG_DATA_HOME");
    if (old) oldXdg = old;
    const char* home = std::getenv("HOME");
    oldHome = home ? home : "/";
    setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(root / "title", fs::perms::owner_all, fs::perm_options::add, ec);
    setenv("HOME", oldHome.c_str(), 1);
    if (oldXdg.empty()) unsetenv("XDG_DATA_HOME");
    else setenv("XDG_DATA_HOME", oldXdg.c_str(), 1);
    fs::remove_all(root);
  }
  fs::path root;
  std::string oldXdg, oldHome;
};

TEST_F(SaveLocationTest, TitleDirectoryWhenWritableElseUserData) {
  fs::create_directories(root / "title");
  SaveLocation here = ResolveSaveLocation(root / "title", "My Game");
  EXPECT_EQ(here.directory, root / "title");
  EXPECT_FALSE(here.fallback);
  // A title "directory" that is a file cannot take save.dat, whoever runs the player.
  WriteFileAtomic(root / "plain", "x");
  SaveLocation there = ResolveSaveLocation(root / "plain", "My/Game");
  EXPECT_TRUE(there.fallback);
  EXPECT_EQ(there.directory, root / "data" / "kuzoplayer" / "My_Game");
  EXPECT_TRUE(fs::is_directory(there.directory));
  if (::geteuid() == 0) return;  // permission bits do not stop root
  fs::permissions(root / "title", fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  EXPECT_TRUE(ResolveSaveLocation(root / "title", "My Game").fallback);
}

TEST_F(SaveLocationTest, MissingDirectoryAndOddNames) {
  EXPECT_FALSE(DirectoryWritable(root / "missing"));
  EXPECT_EQ(UserDataDirectory(""), root / "data" / "kuzoplayer" / "title");
  EXPECT_EQ(UserDataDirectory(".."), root / "data" / "kuzoplayer" / "title");
  setenv("XDG_DATA_HOME", "relative/path", 1);  // ignored: not absolute
  setenv("HOME", (root / "home").c_str(), 1);
  EXPECT_EQ(UserDataDirectory("t"), root / "home" / ".local" / "share" / "kuzoplayer" / "t");
}

}  // namespace
}  // namespace kuzo::platform
