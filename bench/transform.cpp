// Transformed drawing benchmarks: a 1920 x 1080 32-bit picture drawn onto a 1920 x 1080 screen at
// zoom 150 % (StretchDraw, and DrawRotate at angle 0 with scale 384) and turned by angle 32 (an
// eighth of a turn) about its centre, against pixman's nearest-neighbour scaled and affine paths on
// the same work (same source, same destination, same pixels written), and against memcpy of the
// screen. Ratios are printed after the table (of the fastest repetitions when run with
// --benchmark_repetitions=N).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "graphics/dibx.h"

#if KUZO_HAVE_PIXMAN
#include <pixman.h>
#endif

namespace {

using namespace kuzo;

constexpr int kW = 1920;
constexpr int kH = 1080;

struct Screen {
  TDIBX dst{kW, kH, 32};
  TDIBX src{kW, kH, 32};
  Screen() {
    std::mt19937 rng(7);
    for (size_t i = 0; i < src.StorageSize(); ++i) src.Bits()[i] = static_cast<uint8_t>(rng());
    // Opaque fourth byte, so pixman's OVER of an x8r8g8b8 source is a copy as ours is.
    for (size_t i = 3; i < src.StorageSize(); i += 4) src.Bits()[i] = 0xFF;
  }
};

Screen& TheScreen() {
  static Screen s;
  return s;
}

void SetBytes(benchmark::State& state) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kW * kH * 4);
}

void BM_Memcpy(benchmark::State& state) {
  Screen& s = TheScreen();
  for (auto _ : state) {
    std::memcpy(s.dst.Bits(), s.src.Bits(), s.dst.StorageSize());
    benchmark::ClobberMemory();
  }
  SetBytes(state);
}

// Zoom 150 %: the 2880 x 1620 stretch of the picture, cut by the screen.
void BM_StretchZoom150(benchmark::State& state) {
  Screen& s = TheScreen();
  for (auto _ : state) {
    s.dst.StretchDraw({0, 0, kW * 3 / 2, kH * 3 / 2}, s.src, 255, false, false, false, s.src.BoundsRect());
    benchmark::ClobberMemory();
  }
  SetBytes(state);
}

void BM_RotateZoom150(benchmark::State& state) {
  Screen& s = TheScreen();
  for (auto _ : state) {
    s.dst.DrawRotate(0, 0, 255, false, false, false, 0, 0, 0, s.src.BoundsRect(), s.src, 384, 384);
    benchmark::ClobberMemory();
  }
  SetBytes(state);
}

// Angle 32 about the centre at scale 100 %.
void BM_RotateAngle32(benchmark::State& state) {
  Screen& s = TheScreen();
  for (auto _ : state) {
    s.dst.DrawRotate(kW / 2, kH / 2, 255, false, false, false, 32, kH / 2, kW / 2, s.src.BoundsRect(), s.src, 256,
                     256);
    benchmark::ClobberMemory();
  }
  SetBytes(state);
}

#if KUZO_HAVE_PIXMAN
// pixman with a nearest filter and the inverse transform of the same mapping (destination -> source).
void PixmanDraw(benchmark::State& state, const pixman_transform_t& inverse) {
  Screen& s = TheScreen();
  pixman_image_t* src = pixman_image_create_bits(PIXMAN_x8r8g8b8, kW, kH, reinterpret_cast<uint32_t*>(s.src.Bits()),
                                                 static_cast<int>(s.src.Pitch()));
  pixman_image_t* dst = pixman_image_create_bits(PIXMAN_x8r8g8b8, kW, kH, reinterpret_cast<uint32_t*>(s.dst.Bits()),
                                                 static_cast<int>(s.dst.Pitch()));
  pixman_image_set_transform(src, &inverse);
  pixman_image_set_filter(src, PIXMAN_FILTER_NEAREST, nullptr, 0);
  pixman_image_set_repeat(src, PIXMAN_REPEAT_NONE);
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_OVER, src, nullptr, dst, 0, 0, 0, 0, 0, 0, kW, kH);
    benchmark::ClobberMemory();
  }
  pixman_image_unref(dst);
  pixman_image_unref(src);
  SetBytes(state);
}

void BM_PixmanNearestZoom150(benchmark::State& state) {
  pixman_transform_t t;
  pixman_transform_init_scale(&t, pixman_double_to_fixed(1 / 1.5), pixman_double_to_fixed(1 / 1.5));
  PixmanDraw(state, t);
}

void BM_PixmanAffineAngle32(benchmark::State& state) {
  // destination -> source: move the centre to the origin, turn back by an eighth, move to the centre.
  const double g = 32 * std::numbers::pi / 128;
  pixman_f_transform_t f;
  pixman_f_transform_init_identity(&f);
  pixman_f_transform_translate(&f, nullptr, -kW / 2.0, -kH / 2.0);
  pixman_f_transform_rotate(&f, nullptr, std::cos(g), -std::sin(g));
  pixman_f_transform_translate(&f, nullptr, kW / 2.0, kH / 2.0);
  pixman_transform_t t;
  pixman_transform_from_pixman_f_transform(&t, &f);
  PixmanDraw(state, t);
}
#endif

void Fastest(benchmark::internal::Benchmark* b) {
  b->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); });
  b->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_Memcpy)->Apply(Fastest);
BENCHMARK(BM_StretchZoom150)->Apply(Fastest);
BENCHMARK(BM_RotateZoom150)->Apply(Fastest);
BENCHMARK(BM_RotateAngle32)->Apply(Fastest);
#if KUZO_HAVE_PIXMAN
BENCHMARK(BM_PixmanNearestZoom150)->Apply(Fastest);
BENCHMARK(BM_PixmanAffineAngle32)->Apply(Fastest);
#endif

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
    std::printf("\nratios (same run):\n");
    const std::pair<const char*, const char*> pairs[] = {
        {"BM_StretchZoom150", "BM_PixmanNearestZoom150"},
        {"BM_RotateZoom150", "BM_PixmanNearestZoom150"},
        {"BM_RotateAngle32", "BM_PixmanAffineAngle32"},
    };
    for (const auto& [ours, theirs] : pairs) {
      const auto a = times_.find(ours), b = times_.find(theirs), m = times_.find("BM_Memcpy");
      if (a == times_.end()) continue;
      std::printf("  %-22s", ours);
      if (m != times_.end()) std::printf(" %6.2fx memcpy", a->second / m->second);
      if (b != times_.end()) std::printf(" %6.2fx %s", a->second / b->second, theirs);
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
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  return 0;
}
