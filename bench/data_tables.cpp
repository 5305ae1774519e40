// Data table sorting: 100,000 records by one integer key, by a float key and by a string key,
// each beside std::stable_sort of the same keys held in a plain vector (the baseline a user would
// write). The ratio of the two is the figure to watch.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "vars/db_table.h"

namespace {

constexpr int kRecords = 100000;

uint32_t Next(uint32_t& seed) {
  seed = seed * 1664525u + 1013904223u;
  return seed >> 8;
}

// A table of int "i", float "x" and 15-byte string "s" filled with pseudo-random keys.
std::unique_ptr<kuzo::TDBTable> MakeTable() {
  auto table = std::make_unique<kuzo::TDBTable>("bench", false);
  kuzo::TDBTable& t = *table;
  t.AddField("i", kuzo::kDBInt, 0);
  t.AddField("x", kuzo::kDBFloat, 0);
  t.AddField("s", kuzo::kDBStr, 15);
  uint32_t seed = 7;
  for (int r = 0; r < kRecords; ++r) {
    t.Append();
    const uint32_t v = Next(seed);
    t.SetInt(r, 0, static_cast<int32_t>(v));
    t.SetFloat(r, 1, static_cast<long double>(v) / 3);
    t.SetStr(r, 2, "key" + std::to_string(v));
  }
  return table;
}

void BM_TableSort(benchmark::State& state) {
  const int field = static_cast<int>(state.range(0));
  auto table = MakeTable();
  kuzo::TDBTable& t = *table;
  bool descending = false;
  for (auto _ : state) {
    // Alternating directions makes every iteration sort a fully reversed-key order.
    descending = !descending;
    t.SortByKeys({{field, descending}});
    benchmark::DoNotOptimize(t.Record(0));
  }
}
BENCHMARK(BM_TableSort)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// The same keys in a vector, sorted by std::stable_sort with the same alternation.
void BM_StableSortBaseline(benchmark::State& state) {
  const int field = static_cast<int>(state.range(0));
  auto table = MakeTable();
  kuzo::TDBTable& t = *table;
  std::vector<int32_t> ints;
  std::vector<long double> floats;
  std::vector<std::string> texts;
  for (int r = 0; r < kRecords; ++r) {
    int32_t i = 0;
    long double x = 0;
    std::string s;
    t.GetInt(r, 0, i);
    t.GetFloat(r, 1, x);
    t.GetStr(r, 2, s);
    ints.push_back(i);
    floats.push_back(x);
    texts.push_back(s);
  }
  bool descending = false;
  for (auto _ : state) {
    descending = !descending;
    auto run = [&](auto& keys) {
      if (descending) std::stable_sort(keys.begin(), keys.end(), [](auto& a, auto& b) { return b < a; });
      else std::stable_sort(keys.begin(), keys.end());
      benchmark::DoNotOptimize(keys.data());
    };
    if (field == 0) run(ints);
    else if (field == 1) run(floats);
    else run(texts);
  }
}
BENCHMARK(BM_StableSortBaseline)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
