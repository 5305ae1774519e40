// Image cache benchmark: acquiring a picture that is already loaded (a cache hit: name lookup, user
// list, spare list) and releasing it again, among 200 cached files; the target is well under 1 us.
#include <benchmark/benchmark.h>

#include <string>

#include "components/drel_collection.h"
#include "graphics/image_formats/image_file.h"

namespace {

using namespace kuzo;

std::string SmallDrel() {
  TDrelFrameList list;
  TDrelFrame& f = list.Add();
  f.Image.SetSize(16, 16, 24);
  return SaveDrelImage(list, DrelKind::kDeflate);
}

void BM_CacheHit(benchmark::State& state) {
  const std::string file = SmallDrel();
  TDrelCollection cache([&](std::string_view) -> std::optional<std::string> { return file; });
  const int holder = 0, user = 0;
  std::string target;
  for (int i = 0; i < 200; ++i) {
    const std::string name = "picture" + std::to_string(i) + ".drl";
    cache.Acquire(&holder, name, false);
    if (i == 100) target = name;
  }
  for (auto _ : state) {
    TDrelItem* item = cache.Acquire(&user, target, false);
    benchmark::DoNotOptimize(item);
    cache.Release(item, &user);
  }
}

// A hit on an item from the spare list: it leaves the list and goes back.
void BM_CacheHitFromSpare(benchmark::State& state) {
  const std::string file = SmallDrel();
  TDrelCollection cache([&](std::string_view) -> std::optional<std::string> { return file; });
  const int user = 0;
  for (int i = 0; i < 200; ++i) cache.Release(cache.Acquire(&user, "p" + std::to_string(i) + ".drl", false), &user);
  for (auto _ : state) {
    TDrelItem* item = cache.Acquire(&user, "p199.drl", false);
    benchmark::DoNotOptimize(item);
    cache.Release(item, &user);
  }
}

BENCHMARK(BM_CacheHit);
BENCHMARK(BM_CacheHitFromSpare);

}  // namespace

BENCHMARK_MAIN();
