// Transition benchmarks: the per-frame cost of every kind on 32-bit screens of 1280 x 720 and
// 1920 x 1080, against memcpy of one frame of the same size timed just before it (on a shared
// machine the speed drifts over a run; a reference next to each kind keeps the drift out of its
// ratio). Each iteration is one frame 17 ms after the previous one (wrapping at the duration), so
// mask rebuilds are counted as they happen while a transition plays. After the table the ratios
// are printed per size, with the median kind and the three slowest.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "graphics/dibx.h"
#include "transitions/wipe_catalogue.h"

namespace {

using namespace kuzo;

constexpr int32_t kDurationMs = 2000;
constexpr int32_t kFrameMs = 17;

struct Screen {
  TDIBX dest, from, to;
  Screen(int w, int h) : dest(w, h, 32), from(w, h, 32), to(w, h, 32) {
    std::mt19937 rng(5);
    for (size_t i = 0; i < from.StorageSize(); ++i) from.Bits()[i] = static_cast<uint8_t>(rng());
    for (size_t i = 0; i < to.StorageSize(); ++i) to.Bits()[i] = static_cast<uint8_t>(rng());
    dest.Assign(from);
  }
};

Screen& ScreenOf(int w, int h) {
  static std::map<std::pair<int, int>, std::unique_ptr<Screen>> screens;
  auto& slot = screens[{w, h}];
  if (!slot) slot = std::make_unique<Screen>(w, h);
  return *slot;
}

void MemcpyFrames(benchmark::State& state, int w, int h) {
  Screen& s = ScreenOf(w, h);
  for (auto _ : state) {
    std::memcpy(s.dest.Bits(), s.from.Bits(), s.dest.StorageSize());
    benchmark::ClobberMemory();
  }
}

void BM_Memcpy(benchmark::State& state) {
  MemcpyFrames(state, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
}

void BM_Wipe(benchmark::State& state) {
  const auto kind = static_cast<int32_t>(state.range(0));
  Screen& s = ScreenOf(static_cast<int>(state.range(1)), static_cast<int>(state.range(2)));
  RuntimeRandom random;
  WipeServices services;
  services.random = &random;
  auto wipe = CreateTransition(kind, s.dest, s.from, s.to, services);
  wipe->Duration = kDurationMs;
  wipe->Prepare();
  int32_t elapsed = 0;
  for (auto _ : state) {
    wipe->Elapsed = elapsed;
    wipe->StepFrame();
    benchmark::ClobberMemory();
    elapsed = (elapsed + kFrameMs) % kDurationMs;
  }
  state.SetLabel(std::string(FindWipeKind(kind)->name));
}

void Fastest(benchmark::internal::Benchmark* b) {
  b->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); });
}

BENCHMARK(BM_Memcpy)->Args({1280, 720})->Args({1920, 1080})->Apply(Fastest);

// Every kind at both sizes, each right after its own memcpy reference ("BM_Wipe/K/W/H/memcpy").
void RegisterKinds() {
  for (auto [w, h] : {std::pair{1280, 720}, std::pair{1920, 1080}}) {
    for (int32_t k = 1; k <= kWipeKindCount; ++k) {
      const std::string name = "BM_Wipe/" + std::to_string(k) + "/" + std::to_string(w) + "/" + std::to_string(h);
      benchmark::RegisterBenchmark((name + "/memcpy").c_str(), MemcpyFrames, w, h)->Apply(Fastest);
      benchmark::RegisterBenchmark("BM_Wipe", BM_Wipe)->Args({k, w, h})->Apply(Fastest);
    }
  }
}

// Collects the CPU time of every run to print ratios to memcpy after the table.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "min") {
        times_[r.run_name.str()] = r.GetAdjustedCPUTime();
        aggregates_ = true;
      } else if (r.run_type == Run::RT_Iteration && !aggregates_) {
        times_[r.benchmark_name()] = r.GetAdjustedCPUTime();
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void PrintRatios() const {
    for (const char* size : {"1280/720", "1920/1080"}) {
      // The whole size's reference, for a kind run without its own.
      const auto base = times_.find(std::string("BM_Memcpy/") + size);
      std::vector<std::pair<double, std::string>> ratios;
      for (int32_t k = 1; k <= kWipeKindCount; ++k) {
        const std::string name = "BM_Wipe/" + std::to_string(k) + "/" + size;
        const auto t = times_.find(name);
        if (t == times_.end()) continue;
        auto own = times_.find(name + "/memcpy");
        if (own == times_.end()) own = base;
        if (own == times_.end()) continue;
        const double reference = own->second;
        ratios.emplace_back(t->second / reference, std::to_string(k) + " " + std::string(FindWipeKind(k)->name));
      }
      if (ratios.empty()) continue;
      std::printf("\nratios to memcpy of a frame at %s:\n", size);
      for (const auto& [ratio, name] : ratios) std::printf("  %-16s %7.2fx\n", name.c_str(), ratio);
      std::sort(ratios.begin(), ratios.end());
      std::printf("  median %.2fx; slowest:", ratios[ratios.size() / 2].first);
      for (size_t i = ratios.size(); i-- > ratios.size() - std::min<size_t>(3, ratios.size());) {
        std::printf(" %s (%.2fx)", ratios[i].second.c_str(), ratios[i].first);
      }
      std::printf("\n");
    }
  }

 private:
  std::map<std::string, double> times_;
  bool aggregates_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RegisterKinds();
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  return 0;
}
