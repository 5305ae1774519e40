// Whole titles run by the real player, headless: each folder tests/titles/scene_*/ holds the
// title's sources, how to run it (run.txt), scripted input, and expectations worked out by hand:
// pixels of the screenshots (probes.txt), the scene dump and the variables at exit.
#include <gtest/gtest.h>
#include "tests/titles/title_files.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "title_pictures.h"

namespace kuzo {
namespace {

namespace fs = std::filesystem;

using testing::Picture;
using testing::Quote;
using testing::ReadPng;
using testing::Slurp;

struct RunPlan {
  int ticks = 1;
  int delta = 16;
  std::vector<int> shots;
};

RunPlan ReadPlan(const fs::path& file) {
  RunPlan plan;
  std::istringstream in(Slurp(file));
  for (std::string key; in >> key;) {
    if (key == "ticks") in >> plan.ticks;
    else if (key == "delta") in >> plan.delta;
    else if (key == "shot") {
      int tick = 0;
      in >> tick;
      plan.shots.push_back(tick);
    }
  }
  return plan;
}

// One expected pixel: "TICK X Y RRGGBB  note".
struct Probe {
  int tick = 0, x = 0, y = 0;
  uint32_t rgb = 0;
  std::string note;
};

std::vector<Probe> ReadProbes(const fs::path& file) {
  std::vector<Probe> probes;
  std::istringstream lines(Slurp(file));
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream w(line);
    Probe p;
    std::string hex;
    if (!(w >> p.tick >> p.x >> p.y >> hex)) {
      ADD_FAILURE() << file << ": bad probe line: " << line;
      continue;
    }
    p.rgb = static_cast<uint32_t>(std::stoul(hex, nullptr, 16));
    std::getline(w, p.note);
    probes.push_back(p);
  }
  return probes;
}

class SceneTitle : public ::testing::TestWithParam<std::string> {};

TEST_P(SceneTitle, ScreenshotsDumpAndVariablesMatchTheHandWorkedExpectations) {
  const fs::path src = fs::path(KUZO_SOURCE_DIR) / "tests" / "titles" / GetParam();
  const fs::path work = fs::path(KUZO_BINARY_DIR) / "titles" / GetParam();
  const fs::path bin(KUZO_BINARY_DIR);
  fs::remove_all(work);
  fs::create_directories(work);
  ASSERT_TRUE(fs::exists(bin / "kuzoplayer") && fs::exists(bin / "kuzotool")) << "build kuzoplayer and kuzotool first";

  const std::string build = Quote(bin / "kuzotool") + " build " + Quote(src) + " " + Quote(work / "title") + " > " +
                            Quote(work / "build.log") + " 2>&1";
  ASSERT_EQ(std::system(build.c_str()), 0) << Slurp(work / "build.log");
  if (fs::exists(src / "pictures.txt")) {
    std::string error;
    ASSERT_TRUE(testing::WriteTitlePictures(Slurp(src / "pictures.txt"), work / "title", error)) << error;
  }

  const RunPlan plan = ReadPlan(src / "run.txt");
  std::string run = Quote(bin / "kuzoplayer") + " --headless --ticks " + std::to_string(plan.ticks) + " --delta " +
                    std::to_string(plan.delta) + " --seed 1";
  if (fs::exists(src / "input.txt")) run += " --input " + Quote(src / "input.txt");
  for (int t : plan.shots)
    run += " --screenshot " + std::to_string(t) + ":" + (work / ("shot" + std::to_string(t) + ".png")).string();
  run += " --dump-scene " + Quote(work / "scene.txt") + " --dump-vars " + Quote(work / "vars.txt") + " " +
         Quote(work / "title") + " > " + Quote(work / "run.log") + " 2>&1";
  ASSERT_EQ(std::system(run.c_str()), 0) << Slurp(work / "run.log");

  if (fs::exists(src / "expected.scene")) {
    EXPECT_EQ(Slurp(work / "scene.txt"), Slurp(src / "expected.scene")) << "scene dump";
  }
  if (fs::exists(src / "expected.vars")) {
    EXPECT_EQ(Slurp(work / "vars.txt"), Slurp(src / "expected.vars")) << "variables";
  }
  std::vector<Probe> probes = fs::exists(src / "probes.txt") ? ReadProbes(src / "probes.txt") : std::vector<Probe>{};
  int checked = 0;
  for (int t : plan.shots) {
    Picture pic;
    pic = ReadPng(work / ("shot" + std::to_string(t) + ".png"));
    ASSERT_FALSE(pic.rgb.empty()) << "screenshot of tick " << t;
    for (const Probe& p : probes) {
      if (p.tick != t) continue;
      ++checked;
      ASSERT_TRUE(p.x >= 0 && p.y >= 0 && p.x < pic.width && p.y < pic.height) << "probe outside the frame:" << p.note;
      char got[16];
      std::snprintf(got, sizeof got, "%06X", pic.At(p.x, p.y));
      char want[16];
      std::snprintf(want, sizeof want, "%06X", p.rgb);
      EXPECT_STREQ(got, want) << "tick " << t << " at (" << p.x << ", " << p.y << "):" << p.note;
    }
  }
  EXPECT_EQ(checked, static_cast<int>(probes.size())) << "probes for ticks without a screenshot";
}

INSTANTIATE_TEST_SUITE_P(Titles, SceneTitle,
                         ::testing::Values("scene_place", "scene_move", "scene_flip", "scene_input", "scene_modes",
                                           "scene_focus", "scene_extreme", "scene_events", "scene_parent", "scene_orphan",
                                           "scene_message", "scene_pictures", "scene_buttons",
                                           "scene_message_text", "scene_history"));

}  // namespace
}  // namespace kuzo
