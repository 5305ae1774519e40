// Game save and load of a running title (640 x 480 scene with 40 boxes, 2,000 variables, a
// 1,000-record table, history): building the entry, writing save.dat, and loading the entry back,
// each reported with the entry's size. The target is well under 20 ms per save and per load.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <map>
#include <memory>

#include "components/history_store.h"
#include "components/read_marks.h"
#include "components/standard_components.h"
#include "core/errors.h"
#include "core/host_state.h"
#include "platform/file_system.h"
#include "scene/kuzo_base_list.h"
#include "script/call_man.h"
#include "script/save_sections.h"
#include "authoring/compiled_page_files.h"
#include "vars/db_manager.h"
#include "vars/param_collection.h"

namespace {

using Sources = std::vector<std::pair<std::string, std::string>>;

// The title's pages, compiled once from source.
class Files : public kuzo::CompiledPageFiles {
 public:
  Files()
      : CompiledPageFiles(Sources{{"main.kss", "label top\nwait 16\njump :top\n"}}) {}
};

struct Title {
  Title() : scene(&host, 640, 480) {
    host.frameDeltaMs = 16;
    vars.SetState(&host);
    kuzo::RegisterStandardComponents(scene);
    for (int i = 0; i < 40; ++i) {
      auto* box = static_cast<kuzo::TKuzoControl*>(scene.CreateByKind(kuzo::LT_BOX));
      box->SetName("box" + std::to_string(i));
      box->SetParent(scene.ActiveBase());
      box->SetBounds(i * 10, i * 5, 100, 60);
    }
    for (int i = 0; i < 2000; ++i) {
      bool init = false;
      vars.Declare("v" + std::to_string(i), i % 2 ? kuzo::kTypeInt : kuzo::kTypeStr, kuzo::vsGlobal, init)
          .Param()
          ->SetString("value " + std::to_string(i));
    }
    tables.CreateTable("items", false);
    kuzo::TDBTable& t = *tables.ActiveTable();
    t.AddField("name", kuzo::kDBStr, 20);
    t.AddField("n", kuzo::kDBInt, 0);
    for (int r = 0; r < 1000; ++r) {
      t.Append();
      t.SetStr(r, 0, "item " + std::to_string(r));
      t.SetInt(r, 1, r);
    }
    for (int i = 0; i < 200; ++i) {
      history.RecordPending("mes", "main.ksb", "", i, -1, 0, 1, 640, 200, {});
      history.CommitPending("mes");
    }
    kuzo::ScriptServices s;
    s.vars = &vars;
    s.host = &host;
    s.files = &files;
    callMan = std::make_unique<kuzo::TCallMan>(s);
    callMan->Start("main.ksb");
    callMan->Step();
    sections = std::make_unique<kuzo::PlayerSaveSections>(
        kuzo::SaveSubsystems{&scene, &history, &marks, callMan.get(), &vars, &tables});
    dir = kuzo::platform::MakePrivateTempDirectory("kuzo-bench-saves");
    file = std::make_unique<kuzo::TSaveFile>(dir / "save.dat", *sections);
  }
  ~Title() { std::filesystem::remove_all(dir); }

  kuzo::HostState host;
  Files files;
  kuzo::TParamCollection vars;
  kuzo::TKuzoBaseList scene;
  kuzo::TKuzoNewHistory history;
  kuzo::TKuzoReadList marks;
  kuzo::TDBManager tables;
  std::unique_ptr<kuzo::TCallMan> callMan;
  std::unique_ptr<kuzo::PlayerSaveSections> sections;
  std::filesystem::path dir;
  std::unique_ptr<kuzo::TSaveFile> file;
};

void BM_SaveGameToFile(benchmark::State& state) {
  Title t;
  for (auto _ : state) t.file->SaveGame(1, "bench", "", 0, true);
  state.counters["entry_bytes"] = static_cast<double>(t.file->BuildGameEntry("bench", "", 0).size());
}
BENCHMARK(BM_SaveGameToFile)->Unit(benchmark::kMillisecond);

void BM_LoadGameFromFile(benchmark::State& state) {
  Title t;
  t.file->SaveGame(1, "bench", "", 0, true);
  for (auto _ : state) {
    if (t.file->LoadGame(1) != kuzo::TSaveFile::LoadResult::kLoaded) state.SkipWithError("load failed");
  }
  state.counters["entry_bytes"] = static_cast<double>(t.file->BuildGameEntry("bench", "", 0).size());
}
BENCHMARK(BM_LoadGameFromFile)->Unit(benchmark::kMillisecond);

// The sections alone, without the archive and the disk.
void BM_BuildEntry(benchmark::State& state) {
  Title t;
  for (auto _ : state) benchmark::DoNotOptimize(t.file->BuildGameEntry("bench", "", 0));
}
BENCHMARK(BM_BuildEntry)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
