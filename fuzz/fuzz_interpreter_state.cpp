// Fuzz harness: the saved interpreter record (page, counters, arguments, stack frames with their
// result values and command states), restored into an interpreter that then runs a few ticks.
#include <map>
#include <string>
#include <string_view>

#include "authoring/compiled_page_files.h"
#include "core/errors.h"
#include "core/host_state.h"
#include "fuzz/fuzz_input.h"
#include "script/call_man.h"
#include "vars/param_collection.h"

namespace {

constexpr uint32_t kDataVersion = 116;

// The title's pages, compiled once from source.
class Files : public kuzo::CompiledPageFiles {
 public:
  Files()
      : CompiledPageFiles({{"main.kss", "var int i = 0\ncall sub.kss into i with 1, \"two\"\ni = i + 1\n"},
                           {"sub.kss", "%result str\nwait 100 block TRUE\n@Result = \"r\"\n"}}) {}
};

Files& SharedFiles() {
  static Files files;
  return files;
}

kuzo::ScriptServices Services(kuzo::TParamCollection& vars, kuzo::HostState& host) {
  kuzo::ScriptServices s;
  s.vars = &vars;
  s.host = &host;
  s.files = &SharedFiles();
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kuzo::HostState host;
  host.frameDeltaMs = 16;
  kuzo::TParamCollection vars;
  vars.SetState(&host);
  kuzo::TCallMan cm(Services(vars, host));
  try {
    kuzo::ByteReader r(std::string_view(reinterpret_cast<const char*>(data), size), "state");
    cm.LoadState(r, kDataVersion);
  } catch (const kuzo::KuzoError&) {
    return 0;  // a record that does not read is refused as a whole
  }
  // Whatever was restored must run and save again.
  for (int i = 0; i < 3 && !host.terminateRequested; ++i) {
    host.gameClockMs += host.frameDeltaMs;
    cm.Step();
  }
  kuzo::ByteWriter w;
  cm.SaveState(w);
  return 0;
}

std::vector<std::string> KuzoFuzzSeeds() {
  std::vector<std::string> seeds;
  for (int ticks = 0; ticks < 3; ++ticks) {
    kuzo::HostState host;
    host.frameDeltaMs = 16;
    kuzo::TParamCollection vars;
    vars.SetState(&host);
    kuzo::TCallMan cm(Services(vars, host));
    cm.Start("main.ksb");
    for (int i = 0; i < ticks; ++i) cm.Step();
    kuzo::ByteWriter w;
    cm.SaveState(w);
    seeds.push_back(w.Take());
  }
  return seeds;
}
