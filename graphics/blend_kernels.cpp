// Chooses the kernel sets this processor can run: the reference set everywhere, plus SSE2, AVX2 and
// AVX-512 sets on x86 processors that report the features. Each fast set starts as a copy of the
// set below it and replaces only the kernels it has.
#include "graphics/blend_kernels.h"

#include <array>
#include <cstddef>
#include <cstdlib>
#include <vector>

#include "graphics/blend_simd.h"

namespace kuzo {
namespace {

// Kernel set names from the slowest to the fastest; a set's rank is its place here.
constexpr std::array<std::string_view, 4> kLevels = {"reference", "sse2", "avx2", "avx512"};

std::vector<const BlendKernels*> BuildSets() {
  std::vector<const BlendKernels*> sets{&ReferenceKernels()};
#if KUZO_BLEND_X86
  static BlendKernels sse2 = [] {
    BlendKernels k = ReferenceKernels();
    k.name = "sse2";
    InstallSse2Kernels(k);
    return k;
  }();
  sets.push_back(&sse2);
  if (__builtin_cpu_supports("avx2")) {
    static BlendKernels avx2 = [] {
      BlendKernels k = sse2;
      k.name = "avx2";
      InstallAvx2Kernels(k);
      return k;
    }();
    sets.push_back(&avx2);
    // The check also covers the operating system saving the 512-bit registers.
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw")) {
      static BlendKernels avx512 = [] {
        BlendKernels k = avx2;
        k.name = "avx512";
        InstallAvx512Kernels(k);
        return k;
      }();
      sets.push_back(&avx512);
    }
  }
#endif
  return sets;
}

const std::vector<const BlendKernels*>& Sets() {
  static const std::vector<const BlendKernels*> sets = BuildSets();
  return sets;
}

std::size_t Rank(std::string_view name) {
  for (std::size_t i = 0; i < kLevels.size(); ++i) {
    if (kLevels[i] == name) return i;
  }
  return kLevels.size();
}

}  // namespace

const BlendKernels& BestKernelsUpTo(std::string_view level) {
  const std::size_t cap = Rank(level);
  const BlendKernels* best = Sets().front();
  for (const BlendKernels* set : Sets()) {
    if (Rank(set->name) <= cap) best = set;
  }
  return *best;
}

const BlendKernels& FastKernels() {
  static const BlendKernels& chosen = []() -> const BlendKernels& {
    const char* cap = std::getenv(kKernelCapVariable);
    return cap != nullptr ? BestKernelsUpTo(cap) : *Sets().back();
  }();
  return chosen;
}

int AvailableKernelSetCount() { return static_cast<int>(Sets().size()); }
const BlendKernels& AvailableKernelSet(int index) { return *Sets().at(static_cast<std::size_t>(index)); }

}  // namespace kuzo
