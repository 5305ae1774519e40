// Titles that flip through screen transitions, run by the real player headless on a virtual clock
// (seeded): each folder holds the title's sources, how to run it (run.txt), pixels worked by hand
// (probes.txt), the frames kuzotool wipe must agree with (goldens.txt), the trace of the script (the
// command after a flip runs exactly when the transition's time has passed) and the variables at exit.
#include <gtest/gtest.h>
#include "tests/titles/title_files.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace kuzo {
namespace {

namespace fs = std::filesystem;

using testing::Picture;
using testing::Quote;
using testing::ReadPng;
using testing::Slurp;

// Lines of a plan file without comments and blank lines.
std::vector<std::string> Lines(const fs::path& file) {
  std::vector<std::string> out;
  std::istringstream in(Slurp(file));
  for (std::string line; std::getline(in, line);)
    if (!line.empty() && line[0] != '#') out.push_back(line);
  return out;
}

// The first pixel where two pictures differ, or "" when they are equal.
std::string FirstDifference(const Picture& got, const Picture& want) {
  if (got.width != want.width || got.height != want.height)
    return "size " + std::to_string(got.width) + "x" + std::to_string(got.height) + " against " +
           std::to_string(want.width) + "x" + std::to_string(want.height);
  for (int y = 0; y < got.height; ++y) {
    for (int x = 0; x < got.width; ++x) {
      if (got.At(x, y) == want.At(x, y)) continue;
      char text[96];
      std::snprintf(text, sizeof text, "(%d, %d): %06X against %06X", x, y, got.At(x, y), want.At(x, y));
      return text;
    }
  }
  return "";
}

class WipeTitle : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    src_ = fs::path(KUZO_SOURCE_DIR) / "tests" / "titles" / GetParam();
    work_ = fs::path(KUZO_BINARY_DIR) / "wipe-titles" / GetParam();
    fs::remove_all(work_);
    fs::create_directories(work_);
  }
  fs::path Shot(int tick) const { return work_ / ("shot" + std::to_string(tick) + ".png"); }
  int Run(const std::string& command, const std::string& log) {
    return std::system((command + " > " + Quote(work_ / log) + " 2>&1").c_str());
  }

  fs::path src_, work_;
};

TEST_P(WipeTitle, FramesTimingAndVariablesMatchTheExpectations) {
  const fs::path bin(KUZO_BINARY_DIR);
  ASSERT_TRUE(fs::exists(bin / "kuzoplayer") && fs::exists(bin / "kuzotool")) << "build kuzoplayer and kuzotool first";
  ASSERT_EQ(Run(Quote(bin / "kuzotool") + " build " + Quote(src_) + " " + Quote(work_ / "title"), "build.log"), 0)
      << Slurp(work_ / "build.log");

  int ticks = 1, delta = 16;
  std::vector<int> shots;
  for (const std::string& line : Lines(src_ / "run.txt")) {
    std::istringstream w(line);
    std::string key;
    int value = 0;
    w >> key >> value;
    if (key == "ticks") ticks = value;
    if (key == "delta") delta = value;
    if (key == "shot") shots.push_back(value);
  }
  std::string run = Quote(bin / "kuzoplayer") + " --headless --seed 1 --ticks " + std::to_string(ticks) + " --delta " +
                    std::to_string(delta) + " --trace " + Quote(work_ / "trace.txt") + " --dump-vars " +
                    Quote(work_ / "vars.txt");
  for (int t : shots) run += " --screenshot " + std::to_string(t) + ":" + Shot(t).string();
  ASSERT_EQ(Run(run + " " + Quote(work_ / "title"), "run.log"), 0) << Slurp(work_ / "run.log");

  EXPECT_EQ(Slurp(work_ / "trace.txt"), Slurp(src_ / "expected.trace")) << "trace";
  EXPECT_EQ(Slurp(work_ / "vars.txt"), Slurp(src_ / "expected.vars")) << "variables";

  // Pixels worked by hand: "TICK X Y RRGGBB note".
  int probes = 0;
  for (const std::string& line : Lines(src_ / "probes.txt")) {
    std::istringstream w(line);
    int tick = 0, x = 0, y = 0;
    std::string hex, note;
    ASSERT_TRUE(static_cast<bool>(w >> tick >> x >> y >> hex)) << "bad probe line: " << line;
    std::getline(w, note);
    const Picture pic = ReadPng(Shot(tick));
    ASSERT_FALSE(pic.rgb.empty()) << "no screenshot of tick " << tick;
    ASSERT_TRUE(x >= 0 && y >= 0 && x < pic.width && y < pic.height) << line;
    char got[16];
    std::snprintf(got, sizeof got, "%06X", pic.At(x, y));
    EXPECT_EQ(got, hex) << "tick " << tick << " at (" << x << ", " << y << "):" << note;
    ++probes;
  }
  EXPECT_GT(probes, 0);

  // Whole frames: the player's screenshot equals the frame kuzotool wipe renders from the screens
  // before and after the flip.
  int frames = 0;
  for (const std::string& line : Lines(src_ / "goldens.txt")) {
    std::istringstream w(line);
    int tick = 0, from = 0, to = 0;
    std::string kind, ms, duration, options, word;
    ASSERT_TRUE(static_cast<bool>(w >> tick >> kind >> from >> to >> ms >> duration)) << "bad golden line: " << line;
    while (w >> word) options += " " + word;
    std::string command = Quote(bin / "kuzotool") + " wipe " + kind + " " + Quote(Shot(from)) + " " +
                          Quote(Shot(to)) + " " + ms + " " + duration;
    const fs::path out = work_ / ("golden" + std::to_string(tick) + ".png");
    command += " " + Quote(out) + options;
    ASSERT_EQ(Run("cd " + Quote(src_) + " && " + command, "wipe.log"), 0) << line << "\n" << Slurp(work_ / "wipe.log");
    const Picture want = ReadPng(out);
    const Picture got = ReadPng(Shot(tick));
    ASSERT_FALSE(want.rgb.empty() || got.rgb.empty()) << line;
    EXPECT_EQ(FirstDifference(got, want), "") << "tick " << tick << ": " << line;
    ++frames;
  }
  EXPECT_GT(frames, 0);
}

INSTANTIATE_TEST_SUITE_P(Titles, WipeTitle, ::testing::Values("scene_wipes", "scene_flip_timing"));

}  // namespace
}  // namespace kuzo
