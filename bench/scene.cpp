// Scene frames: a whole 1280x720 frame of 50 overlapping boxes (opaque, blended and additive)
// drawn through the dirty-rectangle path, against a memcpy of the same frame bytes; a frame in
// which nothing changed (input routing, tick, draw of an empty dirty list); and one small box
// moving over the 50 (the common case of an animated cursor or button).
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "components/kuzo_box.h"
#include "components/standard_components.h"
#include "scene/kuzo_base_list.h"

namespace {

constexpr int32_t kWidth = 1280;
constexpr int32_t kHeight = 720;
constexpr int kBoxes = 50;

struct FiftyBoxes {
  kuzo::HostState host;
  kuzo::TKuzoBaseList scene{&host, kWidth, kHeight};
  kuzo::TKuzoControl* mover = nullptr;

  FiftyBoxes() {
    host.frameDeltaMs = 16;
    kuzo::RegisterStandardComponents(scene);
    for (int i = 0; i < kBoxes; ++i) {
      auto* box = static_cast<kuzo::TKuzoControl*>(scene.CreateByKind(kuzo::LT_BOX));
      box->SetParent(scene.ActiveBase());
      // Overlapping boxes across the frame; every third blends, every fifth adds.
      box->SetBounds((i * 97) % (kWidth - 400), (i * 53) % (kHeight - 300), 400, 300);
      box->SetIntProp(kuzo::PR_COLOR, 0x102030 * (i + 1) & 0xFFFFFF);
      box->SetIntProp(kuzo::PR_ALPHA, i % 5 == 0 ? 300 : i % 3 == 0 ? 128 : 255);
      if (i % 7 == 0) {
        box->SetIntProp(kuzo::PR_BORDERWIDTH, 3);
        box->SetIntProp(kuzo::PR_BORDERCOLOR, 0xFFFFFF);
      }
    }
    mover = static_cast<kuzo::TKuzoControl*>(scene.CreateByKind(kuzo::LT_BOX));
    mover->SetParent(scene.ActiveBase());
    mover->SetBounds(0, 0, 32, 32);
    mover->SetPriority(1);
    mover->SetIntProp(kuzo::PR_ALPHA, 128);
    scene.Draw();
    scene.ClearDirty();
  }
};

void BM_MemcpyFrame(benchmark::State& state) {
  const size_t bytes = size_t{kWidth} * kHeight * 4;
  std::vector<uint8_t> src(bytes, 1), dst(bytes);
  for (auto _ : state) {
    std::memcpy(dst.data(), src.data(), bytes);
    benchmark::DoNotOptimize(dst.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_MemcpyFrame)->Unit(benchmark::kMicrosecond);

void BM_WholeFrameFiftyBoxes(benchmark::State& state) {
  FiftyBoxes f;
  for (auto _ : state) {
    f.scene.ActiveBase()->MarkAllDirty();
    f.scene.Draw();
    f.scene.ClearDirty();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kWidth * kHeight * 4);
}
BENCHMARK(BM_WholeFrameFiftyBoxes)->Unit(benchmark::kMicrosecond);

void BM_MovingBoxOverFifty(benchmark::State& state) {
  FiftyBoxes f;
  int32_t x = 0;
  for (auto _ : state) {
    x = (x + 7) % (kWidth - 32);
    f.mover->SetIntProp(kuzo::PR_LEFT, x);
    f.scene.ProcessInput();
    f.scene.Tick();
    f.scene.Draw();
    f.scene.ClearDirty();
  }
}
BENCHMARK(BM_MovingBoxOverFifty)->Unit(benchmark::kMicrosecond);

void BM_UnchangedFrame(benchmark::State& state) {
  FiftyBoxes f;
  for (auto _ : state) {
    f.scene.ProcessInput();
    f.scene.Tick();
    f.scene.Draw();
    f.scene.ClearDirty();
  }
}
BENCHMARK(BM_UnchangedFrame)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
