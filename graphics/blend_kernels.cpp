// Chooses the kernel sets this processor can run: the reference set everywhere, plus SSE2 and AVX2
// sets on x86 processors that report the features. Each fast set starts as a copy of the reference
// set and replaces only the kernels it has.
#include "graphics/blend_kernels.h"

#include <cstddef>
#include <vector>

#include "graphics/blend_simd.h"

namespace kuzo {
namespace {

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
  }
#endif
  return sets;
}

const std::vector<const BlendKernels*>& Sets() {
  static const std::vector<const BlendKernels*> sets = BuildSets();
  return sets;
}

}  // namespace

const BlendKernels& FastKernels() { return *Sets().back(); }
int AvailableKernelSetCount() { return static_cast<int>(Sets().size()); }
const BlendKernels& AvailableKernelSet(int index) { return *Sets().at(static_cast<std::size_t>(index)); }

}  // namespace kuzo
