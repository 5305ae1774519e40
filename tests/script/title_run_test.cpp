// Titles built from the readable sources in tests/titles/ and run like a headless player:
// each title's variables at exit (and, where given, its trace) must match the expected files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "components/history_store.h"
#include "components/read_marks.h"
#include "script/project.h"
#include "script/save_sections.h"
#include "script/variable_access.h"
#include "tests/script/script_fixture.h"
#include "vars/db_manager.h"

namespace kuzo::testing {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

class TitleRun : public ScriptTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(TitleRun, VariablesAndTraceMatch) {
  const fs::path src = fs::path(KUZO_SOURCE_DIR) / "tests" / "titles" / GetParam();
  const fs::path out = fs::path(KUZO_BINARY_DIR) / "titles" / GetParam();
  fs::remove_all(out);
  const BuiltTitle built = BuildTitle(src, out);
  for (const auto& rel : built.files) {
    std::string name = rel.generic_string();
    for (char& c : name)
      if (c == '/') c = '\\';
    files.files[name] = Slurp(out / rel);
  }
  // run.txt: "ticks N", "delta MS", and "event TICK LABEL [ARG ...]" lines that queue an event
  // before that tick's interpreter step, as the scene's update does for a component.
  int ticks = 0, delta = 16;
  std::multimap<int, std::vector<std::string>> queued;
  std::istringstream run(Slurp(src / "run.txt"));
  for (std::string line; std::getline(run, line);) {
    std::istringstream words(line);
    std::string key;
    words >> key;
    if (key == "ticks") words >> ticks;
    if (key == "delta") words >> delta;
    if (key == "event") {
      int at = 0;
      words >> at;
      std::vector<std::string> ev;
      for (std::string w; words >> w;) ev.push_back(w);
      ASSERT_FALSE(ev.empty()) << line;
      queued.emplace(at, std::move(ev));
    }
  }
  host.frameDeltaMs = delta;
  // Game saves and loads go to a save.dat beside the built title, as in the player.
  TKuzoNewHistory history;
  TKuzoReadList marks;
  TDBManager tables;
  PlayerSaveSections sections(SaveSubsystems{nullptr, &history, &marks, nullptr, &vars, &tables});
  TSaveFile saves(out / "save.dat", sections);
  ProjectHooks hooks;
  hooks.saveGame = [&](int32_t slot, const std::string& caption, int32_t index, const std::string& page) {
    saves.SaveGame(slot, caption, page, index, false);
  };
  hooks.loadGame = [&](int32_t slot) { saves.LoadGame(slot); };
  TProject project(Services(), hooks);
  project.Create();
  sections.Subsystems().callMan = project.CallMan();
  ASSERT_FALSE(host.terminateRequested) << project.FailureReason();
  sysHost.Bind(project.CallMan(), &project);
  // Events come from a component in the player; a handle that is not null stands for it.
  const ComponentHandle sender{1, 1};
  for (int i = 0; i < ticks && !host.terminateRequested; ++i) {
    auto [from, to] = queued.equal_range(i + 1);
    for (auto it = from; it != to; ++it) {
      const std::vector<std::string> args(it->second.begin() + 1, it->second.end());
      events.QueueEvent(sender, it->second[0], &args, 0);
    }
    host.gameClockMs += delta;
    project.Tick();
    project.RunPending();
  }
  project.Destroy();
  EXPECT_EQ(DumpVariables(vars), Slurp(src / "expected.vars"));
  if (fs::exists(src / "expected.trace")) {
    std::string joined;
    for (const auto& l : trace) joined += l + "\n";
    EXPECT_EQ(joined, Slurp(src / "expected.trace"));
  }
}

INSTANTIATE_TEST_SUITE_P(Titles, TitleRun,
                         ::testing::Values("flow", "trace", "branches", "loops", "calls", "jumps", "waits", "steps",
                                           "events", "resets", "nesting", "versions", "arrays", "stackdel", "eventpages"));

}  // namespace
}  // namespace kuzo::testing
