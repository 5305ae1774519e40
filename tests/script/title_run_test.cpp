// Titles built from the readable sources in tests/titles/ and run like a headless player:
// each title's variables at exit (and, where given, its trace) must match the expected files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "script/project.h"
#include "script/variable_access.h"
#include "tests/script/script_fixture.h"

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
  int ticks = 0, delta = 16;
  std::istringstream run(Slurp(src / "run.txt"));
  for (std::string key; run >> key;) {
    if (key == "ticks") run >> ticks;
    if (key == "delta") run >> delta;
  }
  host.frameDeltaMs = delta;
  TProject project(Services(), ProjectHooks{});
  project.Create();
  ASSERT_FALSE(host.terminateRequested) << project.FailureReason();
  sysHost.Bind(project.CallMan(), &project);
  for (int i = 0; i < ticks && !host.terminateRequested; ++i) {
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

INSTANTIATE_TEST_SUITE_P(Titles, TitleRun, ::testing::Values("flow", "trace"));

}  // namespace
}  // namespace kuzo::testing
