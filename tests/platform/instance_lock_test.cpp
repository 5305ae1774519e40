// One player per game directory, whatever the letter case or trailing separator of the path;
// headless message boxes answer their default and keep what they showed.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "core/errors.h"
#include "platform/instance_lock.h"
#include "platform/message_box.h"

namespace kuzo::platform {
namespace {

std::filesystem::path ScratchLockDir() {
  std::random_device rd;
  auto dir = std::filesystem::temp_directory_path() / ("kuzo-lock-test-" + std::to_string(rd()));
  std::filesystem::create_directories(dir);
  return dir;
}

TEST(InstanceLockTest, NameIgnoresCaseAndTrailingSeparator) {
  EXPECT_EQ(InstanceLock::NameForDirectory("/games/Title"), "-GAMES-TITLE-");
  EXPECT_EQ(InstanceLock::NameForDirectory("/GAMES/title/"), "-GAMES-TITLE-");
  EXPECT_EQ(InstanceLock::NameForDirectory("C:\\Games\\Title"), "C:-GAMES-TITLE-");
  EXPECT_EQ(InstanceLock::NameForDirectory(""), "-");
}

TEST(InstanceLockTest, SecondHolderIsRefusedUntilTheFirstEnds) {
  auto dir = ScratchLockDir();
  std::string name = InstanceLock::NameForDirectory("/games/Title");
  auto first = InstanceLock::Acquire(name, dir);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(InstanceLock::Acquire(InstanceLock::NameForDirectory("/GAMES/TITLE/"), dir), nullptr);
  auto other = InstanceLock::Acquire(InstanceLock::NameForDirectory("/games/Other"), dir);
  EXPECT_NE(other, nullptr);
  first.reset();
  EXPECT_NE(InstanceLock::Acquire(name, dir), nullptr);
  std::filesystem::remove_all(dir);
}

TEST(InstanceLockTest, LongAndOddNamesStillMakeValidDistinctFiles) {
  auto dir = ScratchLockDir();
  std::string longA = std::string(500, 'A') + "1";
  std::string longB = std::string(500, 'A') + "2";
  auto a = InstanceLock::Acquire(InstanceLock::NameForDirectory(longA), dir);
  auto b = InstanceLock::Acquire(InstanceLock::NameForDirectory(longB), dir);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_NE(a->Path(), b->Path());
  auto odd = InstanceLock::Acquire("\x83\x5C:*?\"<>|", dir);
  EXPECT_NE(odd, nullptr);
  std::filesystem::remove_all(dir);
}

TEST(InstanceLockTest, DefaultDirectoryIsPrivateToTheUser) {
  namespace fs = std::filesystem;
  const fs::path scratch = ScratchLockDir();
  const fs::path runtime = scratch / "runtime";
  fs::create_directory(runtime);
  fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
  EXPECT_EQ(InstanceLock::DefaultDirectory(runtime.c_str(), scratch), runtime);

  // A runtime directory others may write into, a relative one, or none: a private one of our own.
  fs::permissions(runtime, fs::perms::owner_all | fs::perms::others_all, fs::perm_options::replace);
  for (const char* env : {runtime.c_str(), "relative/dir", static_cast<const char*>(nullptr)}) {
    const fs::path own = InstanceLock::DefaultDirectory(env, scratch);
    EXPECT_EQ(own.parent_path(), scratch);
    EXPECT_EQ(fs::status(own).permissions() & fs::perms::all, fs::perms::owner_all);
  }
  const fs::path own = InstanceLock::DefaultDirectory(nullptr, scratch);

  // The same name as a world-writable directory or a link: refused, not used.
  fs::remove(own);
  fs::create_directory(own);
  fs::permissions(own, fs::perms::all, fs::perm_options::replace);
  EXPECT_THROW(InstanceLock::DefaultDirectory(nullptr, scratch), KuzoError);
  fs::remove(own);
  fs::create_directory_symlink(runtime, own);
  EXPECT_THROW(InstanceLock::DefaultDirectory(nullptr, scratch), KuzoError);
  fs::remove_all(scratch);
}

TEST(HeadlessMessageBoxesTest, AnswersTheDefaultAndRecords) {
  HeadlessMessageBoxes boxes;
  boxes.SetQuiet(true);
  EXPECT_EQ(boxes.Show("t", "c", MessageButtons::kOkCancel, MessageIcon::kWarning, MessageResult::kCancel),
            MessageResult::kCancel);
  EXPECT_EQ(boxes.Show("\x8F\x49\x97\xB9", "c", MessageButtons::kYesNo, MessageIcon::kQuestion, MessageResult::kYes),
            MessageResult::kYes);
  ASSERT_EQ(boxes.History().size(), 2u);
  EXPECT_EQ(boxes.History()[1].text, "\x8F\x49\x97\xB9");
  EXPECT_EQ(boxes.History()[0].icon, MessageIcon::kWarning);
}

}  // namespace
}  // namespace kuzo::platform
