// One player per game directory, whatever the letter case or trailing separator of the path;
// headless message boxes answer their default and keep what they showed.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

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
