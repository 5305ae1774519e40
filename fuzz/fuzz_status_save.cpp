// Fuzz harness for the status entry: signature, status variables, read marks, dither flag and the
// status tables, read into fresh stores that must then save again.
#include <string>

#include "components/read_marks.h"
#include "core/errors.h"
#include "core/host_state.h"
#include "fuzz/fuzz_input.h"
#include "scene/kuzo_base_list.h"
#include "script/save_sections.h"
#include "vars/db_manager.h"
#include "vars/param_collection.h"

namespace {

struct World {
  World() : scene(&host, 32, 32) {
    vars.SetState(&host);
    sections = std::make_unique<kuzo::PlayerSaveSections>(
        kuzo::SaveSubsystems{&scene, nullptr, &marks, nullptr, &vars, &tables});
    file = std::make_unique<kuzo::TSaveFile>("save.dat", *sections);
  }
  kuzo::HostState host;
  kuzo::TParamCollection vars;
  kuzo::TKuzoBaseList scene;
  kuzo::TKuzoReadList marks;
  kuzo::TDBManager tables;
  std::unique_ptr<kuzo::PlayerSaveSections> sections;
  std::unique_ptr<kuzo::TSaveFile> file;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  World w;
  try {
    w.file->LoadStatusEntry(std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const kuzo::KuzoError&) {
  }
  w.file->BuildStatusEntry();
  return 0;
}

std::vector<std::string> KuzoFuzzSeeds() {
  World w;
  bool initialise = false;
  w.vars.Declare("runs", kuzo::kTypeInt, kuzo::vsStatus, initialise).Param()->SetInteger(3);
  w.marks.SetPending("mes", "main.ksb", 1, 2);
  w.marks.CommitPending("mes");
  w.tables.CreateTable("st", true);
  w.tables.ActiveTable()->AddField("x", kuzo::kDBFloat, 0);
  w.tables.ActiveTable()->Append();
  w.scene.SetCGDither(true);
  std::string current = w.file->BuildStatusEntry();
  std::string v101 = current;
  v101[8] = '1';
  return {current, v101, current.substr(9)};
}
