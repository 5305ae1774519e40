// Command-line forms: nothing, "/config", game directories, a title's executable, headless runs.
#include <gtest/gtest.h>

#include "core/errors.h"
#include "host/command_line.h"

namespace kuzo::host {
namespace {

LaunchOptions Parse(std::vector<std::string> args) { return ParseCommandLine(args); }

TEST(CommandLineTest, PlainForms) {
  LaunchOptions none = Parse({});
  EXPECT_FALSE(none.config);
  EXPECT_FALSE(none.headless);
  EXPECT_TRUE(none.titleArgs.empty());

  EXPECT_TRUE(Parse({"/CONFIG"}).config);
  EXPECT_TRUE(Parse({"/Config", "dir"}).config);
  // "/config" counts only as the first argument.
  LaunchOptions later = Parse({"dir", "/config"});
  EXPECT_FALSE(later.config);
  EXPECT_EQ(later.titleArgs, (std::vector<std::string>{"dir", "/config"}));

  EXPECT_EQ(Parse({"a", "b"}).titleArgs, (std::vector<std::string>{"a", "b"}));
}

TEST(CommandLineTest, HeadlessOptions) {
  LaunchOptions o = Parse({"--headless", "--ticks", "600", "--delta=16", "--seed", "4294967295", "GAMEDIR"});
  EXPECT_TRUE(o.headless);
  EXPECT_EQ(o.ticks, 600);
  EXPECT_EQ(o.deltaMs, 16);
  ASSERT_TRUE(o.seed.has_value());
  EXPECT_EQ(*o.seed, 4294967295u);
  EXPECT_EQ(o.titleArgs, std::vector<std::string>{"GAMEDIR"});
  EXPECT_FALSE(Parse({"--headless", "d"}).seed.has_value());
  EXPECT_FALSE(Parse({"--headless", "d"}).startDate.has_value());
  o = Parse({"--headless", "--date", "2001-02-03 04:05:06", "d"});
  ASSERT_TRUE(o.startDate.has_value());
  EXPECT_EQ(*o.startDate, 981173106);
  EXPECT_THROW(Parse({"--headless", "--date", "2001-02-30 04:05:06", "d"}), KuzoError);
  // No title: the one appended to the player's own executable.
  o = Parse({"--headless", "--ticks", "5"});
  EXPECT_TRUE(o.headless);
  EXPECT_TRUE(o.titleArgs.empty());
}

TEST(CommandLineTest, BadOptionsAreOneLineErrors) {
  EXPECT_THROW(Parse({"--ticks"}), KuzoError);     // missing value
  EXPECT_THROW(Parse({"--ticks", "-1", "d"}), KuzoError);
  EXPECT_THROW(Parse({"--ticks", "12x", "d"}), KuzoError);
  EXPECT_THROW(Parse({"--delta", "0", "d"}), KuzoError);
  EXPECT_THROW(Parse({"--delta", "3001", "d"}), KuzoError);  // would be dropped as a stall
  EXPECT_THROW(Parse({"--seed", "4294967296", "d"}), KuzoError);
  EXPECT_THROW(Parse({"--bogus", "d"}), KuzoError);
  EXPECT_THROW(Parse({"--headless=1", "d"}), KuzoError);
  EXPECT_THROW(Parse({"/config", "--headless"}), KuzoError);
  EXPECT_THROW(Parse({"--audio-out", "a.wav", "d"}), KuzoError);  // a window plays through the device
  EXPECT_EQ(Parse({"--headless", "--audio-out=mix.wav", "d"}).audioOutFile, "mix.wav");
  try {
    Parse({"--frobnicate"});
    FAIL();
  } catch (const KuzoError& e) {
    EXPECT_EQ(std::string(e.what()).find('\n'), std::string::npos);
    EXPECT_NE(std::string(e.what()).find("--frobnicate"), std::string::npos);
  }
}

TEST(CommandLineTest, ReloadTicksAreAListAndNeedHeadless) {
  LaunchOptions o = Parse({"--headless", "--reload-at", "7,14", "--reload-at=3", "d"});
  EXPECT_EQ(o.reloadTicks, (std::vector<int64_t>{7, 14, 3}));
  EXPECT_THROW(Parse({"--reload-at", "7", "d"}), KuzoError);              // a window has no test ticks
  EXPECT_THROW(Parse({"--headless", "--reload-at", "7,", "d"}), KuzoError);  // empty item
  EXPECT_THROW(Parse({"--headless", "--reload-at", "0", "d"}), KuzoError);   // ticks count from 1
  EXPECT_THROW(Parse({"--headless", "--reload-at", "4;5", "d"}), KuzoError);
}

TEST(CommandLineTest, WindowScalingChoices) {
  EXPECT_EQ(Parse({}).scale, "smooth");
  EXPECT_EQ(Parse({"--scale", "integer", "d"}).scale, "integer");
  EXPECT_EQ(Parse({"--scale=sharp"}).scale, "sharp");
  EXPECT_THROW(Parse({"--scale", "bilinear"}), KuzoError);
  EXPECT_EQ(Parse({"--window-zoom", "3"}).windowZoom, 3);
  EXPECT_THROW(Parse({"--window-zoom", "9"}), KuzoError);
}

TEST(CommandLineTest, HelpListsEveryOption) {
  EXPECT_TRUE(Parse({"--help"}).help);
  std::string usage = UsageText();
  for (const char* name : {"--headless", "--ticks", "--delta", "--seed", "/config"}) {
    EXPECT_NE(usage.find(name), std::string::npos) << name;
  }
}

}  // namespace
}  // namespace kuzo::host
