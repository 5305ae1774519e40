// Saving and loading the demo novel at points of its story: the demo is built from its sources with
// kuzotool, played headless with the clicks of its test plan up to a checkpoint, and there the
// game is saved to save.dat and loaded back from it as the save and load commands do. Each case
// reports the entry's size; the reference is writing the same number of bytes to a file the same
// safe way (temporary file, flush, rename), measured in the same run. Target: each under 20 ms.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "host/headless_runner.h"
#include "host/player_project.h"
#include "host/runtime.h"
#include "host/scene_wiring.h"
#include "host/title_location.h"
#include "platform/file_system.h"
#include "script/save_file.h"

namespace {

namespace fs = std::filesystem;
using kuzo::host::Runtime;

constexpr int32_t kSlot = 7;  // a slot the demo's own save screen never uses

// The demo title built once for the whole run, with its input script and checkpoint ticks.
struct DemoTitle {
  fs::path dir;
  std::string input;
  std::map<std::string, int64_t> checks;
  std::string error;

  DemoTitle() {
    fs::path work = kuzo::platform::MakePrivateTempDirectory("kuzo-bench-demo");
    dir = work / "demo";
    input = (work / "input.txt").string();
    const std::string checksFile = (work / "checks").string();
    const std::string tool = KUZO_TOOL_PATH;
    std::string cmd = "'" + tool + "' build '" KUZO_DEMO_DIR "' '" + dir.string() + "' >/dev/null && '" + tool +
                      "' demo-pictures '" + dir.string() + "' >/dev/null && sh '" KUZO_SOURCE_DIR
                      "/scripts/demo-input.sh' '" KUZO_SOURCE_DIR "/tests/demo/plan.txt' '" +
                      input + "' '" + checksFile + "'";
    if (std::system(cmd.c_str()) != 0) {
      error = "could not build the demo title: " + cmd;
      return;
    }
    // The sounds, when the build made them: a save then holds playing music as the game's does.
    const fs::path media = KUZO_DEMO_MEDIA_DIR;
    std::error_code ec;
    if (fs::exists(media / "music.ogg", ec)) {
      for (const auto& e : fs::directory_iterator(media, ec)) {
        const std::string ext = e.path().extension().string();
        if (ext == ".ogg" || ext == ".mid" || ext == ".wav") fs::copy_file(e.path(), dir / e.path().filename(), ec);
      }
    }
    std::ifstream in(checksFile);
    std::string name;
    int64_t tick = 0;
    while (in >> name >> tick) checks[name] = tick;
  }
};

DemoTitle& Demo() {
  static DemoTitle demo;
  return demo;
}

// Plays the demo headless up to the checkpoint and calls `at` at the end of that tick.
void PlayTo(benchmark::State& state, const std::string& checkpoint, const std::function<void(Runtime&)>& at) {
  DemoTitle& demo = Demo();
  if (!demo.error.empty()) {
    state.SkipWithError(demo.error.c_str());
    return;
  }
  auto it = demo.checks.find(checkpoint);
  if (it == demo.checks.end()) {
    state.SkipWithError(("no checkpoint " + checkpoint + " in the plan").c_str());
    return;
  }
  const int64_t tick = it->second;
  kuzo::host::RuntimeConfig config;
  config.title = kuzo::host::LocateTitle({demo.dir.string()}, fs::path());
  config.headless = true;
  config.seed = 1;
  kuzo::host::HeadlessRunner runner(std::move(config), tick, 16);
  runner.GetRuntime().State().log = [](const std::string&) {};
  kuzo::host::AttachSceneHooks(runner.Hooks(), kuzo::host::SceneOptions{{}, demo.input, ""});
  bool reached = false;
  runner.Hooks().afterTick.push_back([&](Runtime& runtime, int64_t t) {
    if (t != tick || !runtime.GetProject()) return;
    reached = true;
    at(runtime);
  });
  runner.Run();
  if (!reached) state.SkipWithError("the demo did not reach the checkpoint");
}

kuzo::TSaveFile& SaveFileOf(Runtime& runtime) { return *runtime.GetProject()->Game().saveFile; }

void BM_DemoSave(benchmark::State& state, const std::string& checkpoint) {
  PlayTo(state, checkpoint, [&](Runtime& runtime) {
    kuzo::TSaveFile& file = SaveFileOf(runtime);
    for (auto _ : state) file.SaveGame(kSlot, "bench", "", 0, true);
    state.counters["entry_bytes"] = static_cast<double>(file.BuildGameEntry("bench", "", 0).size());
    state.counters["file_bytes"] = static_cast<double>(fs::file_size(file.Path()));
  });
}

void BM_DemoLoad(benchmark::State& state, const std::string& checkpoint) {
  PlayTo(state, checkpoint, [&](Runtime& runtime) {
    kuzo::TSaveFile& file = SaveFileOf(runtime);
    file.SaveGame(kSlot, "bench", "", 0, true);
    for (auto _ : state) {
      std::string error;
      if (file.LoadGame(kSlot, &error) != kuzo::TSaveFile::LoadResult::kLoaded) {
        state.SkipWithError(("load failed: " + error).c_str());
        break;
      }
    }
    state.counters["entry_bytes"] = static_cast<double>(file.BuildGameEntry("bench", "", 0).size());
  });
}

// The reference: the same bytes as save.dat after a save at the checkpoint, written the same safe way.
void BM_WriteSameBytes(benchmark::State& state, const std::string& checkpoint) {
  std::string bytes;
  PlayTo(state, checkpoint, [&](Runtime& runtime) {
    kuzo::TSaveFile& file = SaveFileOf(runtime);
    file.SaveGame(kSlot, "bench", "", 0, true);
    bytes = kuzo::platform::ReadWholeFile(file.Path()).value_or(std::string());
  });
  if (bytes.empty()) return;
  const fs::path dir = kuzo::platform::MakePrivateTempDirectory("kuzo-bench-write");
  for (auto _ : state) kuzo::platform::WriteFileAtomic(dir / "same.dat", bytes, kuzo::platform::RenameSync::kKeepPrevious);
  state.counters["file_bytes"] = static_cast<double>(bytes.size());
  fs::remove_all(dir);
}

// Mid-story with music, two characters and a typed message; the save screen; after the load.
BENCHMARK_CAPTURE(BM_WriteSameBytes, envelope, std::string("envelope"))->Unit(benchmark::kMillisecond)->Iterations(50);
BENCHMARK_CAPTURE(BM_DemoSave, envelope, std::string("envelope"))->Unit(benchmark::kMillisecond)->Iterations(50);
BENCHMARK_CAPTURE(BM_DemoLoad, envelope, std::string("envelope"))->Unit(benchmark::kMillisecond)->Iterations(50);
BENCHMARK_CAPTURE(BM_DemoSave, choice, std::string("choice"))->Unit(benchmark::kMillisecond)->Iterations(50);
BENCHMARK_CAPTURE(BM_DemoLoad, choice, std::string("choice"))->Unit(benchmark::kMillisecond)->Iterations(50);
BENCHMARK_CAPTURE(BM_DemoSave, backlog, std::string("backlog"))->Unit(benchmark::kMillisecond)->Iterations(50);
BENCHMARK_CAPTURE(BM_DemoLoad, backlog, std::string("backlog"))->Unit(benchmark::kMillisecond)->Iterations(50);

}  // namespace

BENCHMARK_MAIN();
