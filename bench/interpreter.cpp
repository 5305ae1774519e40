// Interpreter throughput: a counting loop of two commands per iteration (the loop test and its
// step), all running on in one tick, beside Lua 5.4 running the same loop with a global counter,
// timed in the same run as a separate process.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "authoring/title_builder.h"
#include "core/errors.h"
#include "core/host_state.h"
#include "scene/event_queue.h"
#include "script/call_man.h"
#include "vars/param_collection.h"
#include "vars/sys_func_man.h"

namespace {

constexpr int kIterations = 10000000;

class Files : public kuzo::ScriptFiles {
 public:
  std::string ReadFile(const std::string& name) override { return files.at(name); }
  bool Exists(const std::string& name) override { return files.count(name) != 0; }
  std::map<std::string, std::string> files;
};

void BM_InterpreterCountingLoop(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  Files files;
  auto pages = kuzo::CompilePages(
      {{"main.kss", "var int i = 0\nwhile i < " + std::to_string(n) + " step i = i + 1\n"}});
  kuzo::ByteWriter w;
  pages[0]->Write(w);
  files.files["main.ksb"] = w.Take();
  for (auto _ : state) {
    kuzo::HostState host;
    kuzo::TParamCollection vars;
    vars.SetState(&host);
    kuzo::TSysFuncMan funcs(vars, host);
    kuzo::TTimerList events;  // empty, as in a player whose scene raises nothing meanwhile
    kuzo::ScriptServices s;
    s.vars = &vars;
    s.host = &host;
    s.files = &files;
    s.events = &events;
    kuzo::TCallMan cm(s);
    cm.Start("main.ksb");
    cm.Step();  // the whole loop runs on within one tick
    if (vars.Find("i")->Param()->AsInteger() != n) state.SkipWithError("loop did not finish");
  }
  state.SetItemsProcessed(state.iterations() * (2 * static_cast<int64_t>(n) + 2));  // commands
}
// The small size is for instruction-count profiling (valgrind --tool=callgrind), which repeats
// exactly even when the machine is busy.
constexpr int kProfileIterations = 100000;

BENCHMARK(BM_InterpreterCountingLoop)->Arg(kProfileIterations)->Arg(kIterations)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same two expressions evaluated directly, without the interpreter around them: the share of
// the loop's time that is expression evaluation.
void BM_ExpressionsOfTheLoop(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  kuzo::HostState host;
  kuzo::TParamCollection vars;
  vars.SetState(&host);
  kuzo::TSysFuncMan funcs(vars, host);
  kuzo::TParamCollectionItem& i = vars.AddVariable(1);
  i.SetName("i");
  kuzo::Expr test = kuzo::Expr::Compile("i < " + std::to_string(n));
  kuzo::Expr step = kuzo::Expr::Compile("i = i + 1");
  for (auto _ : state) {
    i.Param()->SetInteger(0);
    while (test.EvalFlag(vars).value_or(false)) step.Eval(vars);
  }
  state.SetItemsProcessed(state.iterations() * 2 * static_cast<int64_t>(n));  // evaluations
}
BENCHMARK(BM_ExpressionsOfTheLoop)->Arg(kProfileIterations)->Arg(kIterations)->Unit(benchmark::kMillisecond)->Iterations(3);

// Lua 5.4 in a child process: its CPU time (user + system) as bash's `time` reports it, so that
// both sides are compared by processor time on a shared machine. The start-up of an empty Lua
// program is measured the same way and subtracted.
double LuaSeconds(const std::string& code) {
  const std::string cmd = "bash -c \"TIMEFORMAT='%3U %3S'; { time lua5.4 -e '" + code + "' >/dev/null; } 2>&1\"";
  std::FILE* p = popen(cmd.c_str(), "r");
  if (!p) return -1;
  double user = -1, sys = -1;
  const int got = std::fscanf(p, "%lf %lf", &user, &sys);
  const int rc = pclose(p);
  if (got != 2 || rc != 0) return -1;
  return user + sys;
}

void BM_Lua54CountingLoop(benchmark::State& state) {
  const std::string loop = "i = 0 while i < " + std::to_string(state.range(0)) + " do i = i + 1 end";
  for (auto _ : state) {
    const double empty = LuaSeconds("i = 0");
    const double full = LuaSeconds(loop);
    if (full < 0 || empty < 0) {
      state.SkipWithError("lua5.4 is not installed");
      break;
    }
    state.SetIterationTime(full - empty > 0 ? full - empty : 1e-9);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));  // loop iterations
}
BENCHMARK(BM_Lua54CountingLoop)->Arg(kIterations)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
