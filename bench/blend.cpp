// Blend benchmarks: constant-opacity drawing of a 32-bit layer at 1920 x 1080 (well over the
// caches) and 256 x 256 (cache-resident), against memcpy of the same bytes and, when available,
// pixman's OVER with a constant mask; and the blend with each kernel set the processor has. Ratios
// to the memcpy and pixman runs of the same size are printed after the table (of the fastest
// repetitions when run with --benchmark_repetitions=N; --benchmark_enable_random_interleaving=true
// spreads the load of a shared machine evenly over the benchmarks).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "graphics/blend_kernels.h"
#include "graphics/dibx.h"

#if KUZO_HAVE_PIXMAN
#include <pixman.h>
#endif

namespace {

using namespace kuzo;

struct Layer {
  TDIBX dst, src, mask;
  Layer(int w, int h) : dst(w, h, 32), src(w, h, 32), mask(w, h, 8) {
    std::mt19937 rng(5);
    for (size_t i = 0; i < src.StorageSize(); ++i) src.Bits()[i] = static_cast<uint8_t>(rng());
    for (size_t i = 0; i < dst.StorageSize(); ++i) dst.Bits()[i] = static_cast<uint8_t>(rng());
    for (size_t i = 0; i < mask.StorageSize(); ++i) mask.Bits()[i] = static_cast<uint8_t>(rng());
  }
};

Layer& LayerOf(int w, int h) {
  static std::map<std::pair<int, int>, std::unique_ptr<Layer>> layers;
  auto& slot = layers[{w, h}];
  if (!slot) slot = std::make_unique<Layer>(w, h);
  return *slot;
}

void SetBytes(benchmark::State& state, const Layer& l) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(l.dst.StorageSize()));
}

void BM_Memcpy(benchmark::State& state) {
  Layer& l = LayerOf(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  for (auto _ : state) {
    std::memcpy(l.dst.Bits(), l.src.Bits(), l.dst.StorageSize());
    benchmark::ClobberMemory();
  }
  SetBytes(state, l);
}

// Image drawing with one opacity value, as components draw: 128 blends, 255 copies.
void BM_DrawOpacity(benchmark::State& state) {
  Layer& l = LayerOf(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  const int opacity = static_cast<int>(state.range(2));
  l.dst.UseKernels(FastKernels());
  for (auto _ : state) {
    l.dst.DrawOpacity(0, 0, opacity, nullptr, false, false, l.src.BoundsRect(), l.src);
    benchmark::ClobberMemory();
  }
  SetBytes(state, l);
}

// The blend at alpha 255 itself (DrawAlpha, not the copy the opacity convention picks).
void BM_DrawAlpha(benchmark::State& state) {
  Layer& l = LayerOf(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  l.dst.UseKernels(FastKernels());
  for (auto _ : state) {
    l.dst.DrawAlpha(0, 0, static_cast<int>(state.range(2)), false, false, false, l.src.BoundsRect(), l.src);
    benchmark::ClobberMemory();
  }
  SetBytes(state, l);
}

void BM_DrawAlphaReference(benchmark::State& state) {
  Layer& l = LayerOf(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  l.dst.UseKernels(ReferenceKernels());
  for (auto _ : state) {
    l.dst.DrawAlpha(0, 0, static_cast<int>(state.range(2)), false, false, false, l.src.BoundsRect(), l.src);
    benchmark::ClobberMemory();
  }
  l.dst.UseKernels(FastKernels());
  SetBytes(state, l);
}

void BM_DrawAlphaMask(benchmark::State& state) {
  Layer& l = LayerOf(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  l.dst.UseKernels(FastKernels());
  for (auto _ : state) {
    l.dst.DrawAlphaMask(0, 0, static_cast<int>(state.range(2)), l.mask, false, false, l.src.BoundsRect(), l.src);
    benchmark::ClobberMemory();
  }
  SetBytes(state, l);
}

void BM_DrawAlphaMirrored(benchmark::State& state) {
  Layer& l = LayerOf(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  l.dst.UseKernels(FastKernels());
  for (auto _ : state) {
    l.dst.DrawAlpha(0, 0, static_cast<int>(state.range(2)), true, true, false, l.src.BoundsRect(), l.src);
    benchmark::ClobberMemory();
  }
  SetBytes(state, l);
}

// The blend with one given kernel set, to compare the sets of this processor in one run.
void BM_DrawAlphaWithSet(benchmark::State& state, int set) {
  Layer& l = LayerOf(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  l.dst.UseKernels(AvailableKernelSet(set));
  for (auto _ : state) {
    l.dst.DrawAlpha(0, 0, static_cast<int>(state.range(2)), false, false, false, l.src.BoundsRect(), l.src);
    benchmark::ClobberMemory();
  }
  l.dst.UseKernels(FastKernels());
  SetBytes(state, l);
}

#if KUZO_HAVE_PIXMAN
void BM_PixmanOver(benchmark::State& state) {
  Layer& l = LayerOf(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  const int w = l.dst.Width(), h = l.dst.Height();
  pixman_image_t* src = pixman_image_create_bits(PIXMAN_a8r8g8b8, w, h, reinterpret_cast<uint32_t*>(l.src.Bits()),
                                                 static_cast<int>(l.src.Pitch()));
  pixman_image_t* dst = pixman_image_create_bits(PIXMAN_x8r8g8b8, w, h, reinterpret_cast<uint32_t*>(l.dst.Bits()),
                                                 static_cast<int>(l.dst.Pitch()));
  const uint16_t a = static_cast<uint16_t>(state.range(2) * 0x101);
  const pixman_color_t maskColour = {a, a, a, a};
  pixman_image_t* mask = pixman_image_create_solid_fill(&maskColour);
  // pixman multiplies by the source alpha: make the source opaque, as a layer without alpha is.
  for (size_t i = 3; i < l.src.StorageSize(); i += 4) l.src.Bits()[i] = 0xFF;
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_OVER, src, mask, dst, 0, 0, 0, 0, 0, 0, w, h);
    benchmark::ClobberMemory();
  }
  pixman_image_unref(mask);
  pixman_image_unref(dst);
  pixman_image_unref(src);
  SetBytes(state, l);
}
#endif

void Sizes(benchmark::internal::Benchmark* b) {
  for (int alpha : {128, 255}) {
    b->Args({1920, 1080, alpha});
    b->Args({256, 256, alpha});
  }
}

// With repetitions, the fastest repetition is reported beside the median: on a machine shared with
// other work it is the run least disturbed, so ratios of minimums compare the code, not the load.
void Fastest(benchmark::internal::Benchmark* b) {
  b->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); });
}

BENCHMARK(BM_Memcpy)->Args({1920, 1080})->Args({256, 256})->Apply(Fastest);
BENCHMARK(BM_DrawOpacity)->Apply(Sizes)->Apply(Fastest);
BENCHMARK(BM_DrawAlpha)->Apply(Sizes)->Apply(Fastest);
BENCHMARK(BM_DrawAlphaReference)->Args({1920, 1080, 128})->Args({256, 256, 128})->Apply(Fastest);
BENCHMARK(BM_DrawAlphaMask)->Args({1920, 1080, 128})->Args({256, 256, 128})->Apply(Fastest);
BENCHMARK(BM_DrawAlphaMirrored)->Args({1920, 1080, 128})->Apply(Fastest);
#if KUZO_HAVE_PIXMAN
BENCHMARK(BM_PixmanOver)->Apply(Sizes)->Apply(Fastest);
#endif

// Collects the CPU time of every run (steadier than wall time on a shared machine), to print
// ratios after the table.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      // With --benchmark_repetitions the fastest repetition stands for the benchmark; otherwise
      // the one run.
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
    std::printf("\nratios (same run):\n");
    for (const char* size : {"1920/1080", "256/256"}) {
      const auto base = times_.find(std::string("BM_Memcpy/") + size);
      if (base == times_.end()) continue;
      for (const auto& [name, t] : times_) {
        if (name.find(size) == std::string::npos || name.rfind("BM_Memcpy", 0) == 0) continue;
        std::printf("  %-40s %6.2fx memcpy", name.c_str(), t / base->second);
        const std::string alpha = name.substr(name.rfind('/'));
        const auto pixman = times_.find(std::string("BM_PixmanOver/") + size + alpha);
        if (pixman != times_.end() && name.rfind("BM_PixmanOver", 0) != 0) {
          std::printf("  %6.2fx pixman OVER", t / pixman->second);
        }
        std::printf("\n");
      }
    }
  }

 private:
  std::map<std::string, double> times_;
  bool aggregates_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  for (int set = 1; set < AvailableKernelSetCount(); ++set) {
    benchmark::RegisterBenchmark((std::string("BM_DrawAlphaSet_") + AvailableKernelSet(set).name).c_str(),
                                 BM_DrawAlphaWithSet, set)
        ->Args({1920, 1080, 128})
        ->Args({256, 256, 128})
        ->Apply(Fastest);
  }
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  return 0;
}
