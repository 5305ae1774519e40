// Fuzz harness for game save entries: the bytes are loaded as a slot into a running title (scene,
// history, interpreter, variables, tables). A damaged entry must fail cleanly and put the running
// state back exactly; whatever loads must tick and save again.
#include <map>
#include <memory>
#include <string>

#include "components/history_store.h"
#include "components/read_marks.h"
#include "components/standard_components.h"
#include "core/errors.h"
#include "core/host_state.h"
#include "fuzz/fuzz_input.h"
#include "scene/kuzo_base_list.h"
#include "script/call_man.h"
#include "script/save_sections.h"
#include "authoring/compiled_page_files.h"
#include "vars/db_manager.h"
#include "vars/param_collection.h"

namespace {

// The title's pages, compiled once from source.
class Files : public kuzo::CompiledPageFiles {
 public:
  Files()
      : CompiledPageFiles({{"main.kss", "var int n = 0\nlabel top\nn = n + 1\nwait 16\njump :top\n"},
                           {"after.kss", "var str s = \"after\"\n"}}) {}
};

// Compiled once: building pages for every input would dominate the run.
Files& SharedFiles() {
  static Files files;
  return files;
}

// One running title with every save section.
struct World {
  World() : scene(&host, 64, 48) {
    host.frameDeltaMs = 16;
    vars.SetState(&host);
    kuzo::RegisterStandardComponents(scene);
    kuzo::ScriptServices s;
    s.vars = &vars;
    s.host = &host;
    s.files = &SharedFiles();
    callMan = std::make_unique<kuzo::TCallMan>(s);
    callMan->Start("main.ksb");
    Tick();
    tables.CreateTable("t", false);
    tables.ActiveTable()->AddField("v", kuzo::kDBStr, 4);
    tables.ActiveTable()->Append();
    history.RecordPending("mes", "main.ksb", "", 0, -1, 0, 1, 10, 10, {});
    history.CommitPending("mes");
    sections = std::make_unique<kuzo::PlayerSaveSections>(
        kuzo::SaveSubsystems{&scene, &history, &marks, callMan.get(), &vars, &tables});
    file = std::make_unique<kuzo::TSaveFile>("save.dat", *sections);
  }
  void Tick() {
    host.gameClockMs += host.frameDeltaMs;
    callMan->Step();
    scene.Tick();
  }
  kuzo::HostState host;
  kuzo::TParamCollection vars;
  kuzo::TKuzoBaseList scene;
  kuzo::TKuzoNewHistory history;
  kuzo::TKuzoReadList marks;
  kuzo::TDBManager tables;
  std::unique_ptr<kuzo::TCallMan> callMan;
  std::unique_ptr<kuzo::PlayerSaveSections> sections;
  std::unique_ptr<kuzo::TSaveFile> file;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  World w;
  const std::string before = w.file->BuildGameEntry("c", "", 0);
  const auto result = w.file->LoadGameEntry(std::string_view(reinterpret_cast<const char*>(data), size), 1);
  if (result == kuzo::TSaveFile::LoadResult::kFailed && w.file->BuildGameEntry("c", "", 0) != before) {
    __builtin_trap();  // a failed load must leave the running state exactly as it was
  }
  if (result == kuzo::TSaveFile::LoadResult::kLoaded) {
    try {
      w.Tick();
    } catch (const kuzo::KuzoError&) {
    }
    w.file->BuildGameEntry("c", "", 0);
  }
  return 0;
}

std::vector<std::string> KuzoFuzzSeeds() {
  World w;
  std::vector<std::string> seeds = {w.file->BuildGameEntry("seed", "", 0),
                                    w.file->BuildGameEntry("seed", "after.ksb", 0)};
  // The same state under the oldest readable version (fewer fields in several sections).
  std::string old = seeds[0];
  old[0] = static_cast<char>(107);
  seeds.push_back(old);
  return seeds;
}
