// Shared set-up of the script tests: a variable table with its built-ins, host values, game files
// in memory, an event queue, and titles compiled from readable sources into those files.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "authoring/title_builder.h"
#include "core/errors.h"
#include "core/host_state.h"
#include "scene/event_queue.h"
#include "script/call_man.h"
#include "script/script_variable_host.h"
#include "vars/param_collection.h"
#include "vars/sys_func_man.h"

namespace kuzo::testing {

class MemoryFiles : public ScriptFiles {
 public:
  std::string ReadFile(const std::string& name) override {
    ++reads[name];
    auto it = files.find(name);
    if (it == files.end()) throw KuzoError(Format("%s:ファイルがありません", name.c_str()));
    return it->second;
  }
  bool Exists(const std::string& name) override { return files.count(name) != 0; }
  std::map<std::string, std::string> files;
  std::map<std::string, int> reads;
};

class ScriptTest : public ::testing::Test {
 protected:
  ScriptTest() {
    vars.SetState(&host);
    vars.SetHost(&sysHost);
    host.frameDeltaMs = 16;
  }

  ScriptServices Services() {
    ScriptServices s;
    s.vars = &vars;
    s.host = &host;
    s.files = &files;
    s.events = &events;
    s.trace = [this](const std::string& line) { trace.push_back(line); };
    return s;
  }

  // Compiles (name, UTF-8 source) pairs and stores the pages as files.
  void Build(const std::vector<std::pair<std::string, std::string>>& sources) {
    for (auto& p : CompilePages(sources)) {
      ByteWriter w;
      p->Write(w);
      files.files[p->Name()] = w.Take();
    }
  }

  void Start(const std::string& page = "main.ksb") {
    cm = std::make_unique<TCallMan>(Services());
    sysHost.Bind(cm.get(), nullptr);
    cm->Start(page);
  }

  // One frame tick: the clock advances, then the interpreter steps.
  void Tick(int n = 1) {
    for (int i = 0; i < n; ++i) {
      host.gameClockMs += host.frameDeltaMs;
      cm->Step();
    }
  }

  // Runs a one-page title to its end (or `maxTicks`).
  void Run(const std::string& source, int maxTicks = 100) {
    Build({{"main.kss", source}});
    Start();
    for (int i = 0; i < maxTicks && (cm->page || cm->StackDepth() > 0 || cm->mode != 0); ++i) Tick();
  }

  std::string Var(const std::string& name) {
    TParamCollectionItem* it = vars.Find(name);
    return it && it->Param() ? it->Param()->AsString() : std::string("<none>");
  }
  bool Has(const std::string& name) { return vars.Find(name) != nullptr; }

  HostState host;
  TParamCollection vars;
  TSysFuncMan funcs{vars, host};
  ScriptVariableHost sysHost;
  MemoryFiles files;
  TTimerList events;
  std::vector<std::string> trace;
  std::unique_ptr<TCallMan> cm;
};

}  // namespace kuzo::testing
