// Evaluation speed of compiled expressions: a loop step (i = i + 1), a loop condition, an integer
// formula and a typical condition (a[i] + b * 2 >= c), against the same reads and writes done
// directly on the value objects and against the general evaluator with the integer shortcut off.
#include <benchmark/benchmark.h>

#include "core/host_state.h"
#include "vars/expression.h"
#include "vars/expression_compiler.h"
#include "vars/param_collection.h"
#include "vars/sys_func_man.h"

namespace {

struct Setup {
  Setup() : functions(table, host) {
    bool init = false;
    table.Declare("i", kuzo::kTypeInt, kuzo::vsGlobal, init);
    table.Declare("b", kuzo::kTypeInt, kuzo::vsGlobal, init).Param()->SetInteger(3);
    table.Declare("c", kuzo::kTypeInt, kuzo::vsGlobal, init).Param()->SetInteger(100);
    kuzo::TCustomParam* a = table.Declare("a", kuzo::kTypeInt, kuzo::vsGlobal, init).Param();
    int32_t sizes[] = {16};
    a->SetDims(sizes);
    for (int k = 0; k < 16; ++k) a->SetIntegerAt(k, k * 10);
  }
  kuzo::TParamCollection table;
  kuzo::HostState host;
  kuzo::TSysFuncMan functions;
};

// Baseline: the value reads and writes of "i = i + 1" without the evaluator.
void BM_DirectIncrement(benchmark::State& state) {
  Setup s;
  kuzo::TCustomParam* i = s.table.Find("i")->Param();
  for (auto _ : state) {
    i->SetInteger(i->AsInteger() + 1);
    benchmark::DoNotOptimize(i);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DirectIncrement);

void BM_LoopStep(benchmark::State& state) {
  Setup s;
  kuzo::TKuzoParser parser;
  parser.CompileText("i = i + 1");
  for (auto _ : state) parser.Execute(s.table);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LoopStep);

// The same step through the general evaluator (the integer shortcut off): the shortcut's gain.
void BM_LoopStepGeneralPath(benchmark::State& state) {
  Setup s;
  kuzo::TKuzoParser parser;
  parser.CompileText("i = i + 1");
  parser.SetFastPath(false);
  for (auto _ : state) parser.Execute(s.table);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LoopStepGeneralPath);

// A loop condition as the interpreter reads it (a flag, no value object).
void BM_LoopCondition(benchmark::State& state) {
  Setup s;
  kuzo::TKuzoParser parser;
  parser.CompileText("i < c");
  for (auto _ : state) benchmark::DoNotOptimize(parser.ExecuteFlag(s.table));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LoopCondition);

void BM_LoopConditionGeneralPath(benchmark::State& state) {
  Setup s;
  kuzo::TKuzoParser parser;
  parser.CompileText("i < c");
  parser.SetFastPath(false);
  for (auto _ : state) benchmark::DoNotOptimize(parser.ExecuteFlag(s.table));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LoopConditionGeneralPath);

// Integer arithmetic over several variables and constants, with a comparison at the end.
void BM_IntegerFormula(benchmark::State& state) {
  Setup s;
  kuzo::TKuzoParser parser;
  parser.CompileText("(i * 3 + b) % 7 - (c >> 2) <= b & 1");
  for (auto _ : state) {
    parser.Execute(s.table);
    benchmark::DoNotOptimize(parser.Result());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_IntegerFormula);

void BM_IntegerFormulaGeneralPath(benchmark::State& state) {
  Setup s;
  kuzo::TKuzoParser parser;
  parser.CompileText("(i * 3 + b) % 7 - (c >> 2) <= b & 1");
  parser.SetFastPath(false);
  for (auto _ : state) {
    parser.Execute(s.table);
    benchmark::DoNotOptimize(parser.Result());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_IntegerFormulaGeneralPath);

void BM_Condition(benchmark::State& state) {
  Setup s;
  s.table.Find("i")->Param()->SetInteger(5);
  kuzo::TKuzoParser parser;
  parser.CompileText("a[i] + b * 2 >= c");
  for (auto _ : state) {
    parser.Execute(s.table);
    benchmark::DoNotOptimize(parser.Result());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Condition);

void BM_StringJoin(benchmark::State& state) {
  Setup s;
  kuzo::TKuzoParser parser;
  parser.CompileText("\"item \" ++ i ++ \" of \" ++ c");
  for (auto _ : state) {
    parser.Execute(s.table);
    benchmark::DoNotOptimize(parser.Result());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_StringJoin);

void BM_Compile(benchmark::State& state) {
  for (auto _ : state) {
    std::string bytes = kuzo::TBuildKuzoParser::Encode("x = (a[i] + 1) * IntToStr(b, 2) ++ \"s\"");
    benchmark::DoNotOptimize(bytes);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Compile);

}  // namespace

BENCHMARK_MAIN();
