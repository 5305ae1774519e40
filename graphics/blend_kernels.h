// Row kernels of the drawing operations: one function per operation and pixel format that processes
// one clipped row. The reference set is plain scalar code (blend_reference.cpp); the fast set swaps
// in SIMD kernels where the processor has them, each proven identical to the reference by tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "graphics/pixel_format.h"

namespace kuzo {

// What one row operation needs besides its pointers.
struct RowParams {
  int alpha = 0;         // opacity, strength or coverage scale, already limited to 0..255
  uint32_t pixel = 0;    // colour of fills and DrawColorMask (native value)
  uint32_t key = 0;      // colour key at the pixel width
  bool useKey = false;   // skip source pixels equal to `key`
  bool fullAlpha = false;  // DrawColorMask: alpha was 255 or more
};

enum class DrawKind : uint8_t {
  kCopy,       // Draw
  kMask,       // DrawMask
  kAlpha,      // DrawAlpha
  kAlphaMask,  // DrawAlphaMask
  kAdd,        // DrawAdd
  kAddMask,    // DrawAddMask
  kColorMask,  // DrawColorMask: `src` is unused, `mask` is the coverage
};
inline constexpr int kDrawKindCount = 7;

enum class FillKind : uint8_t { kFill, kAlpha, kAdd, kSub };
inline constexpr int kFillKindCount = 4;

// dst: first destination pixel, walked left to right. src / mask: first source pixel and its mask
// value, walked by `step` pixels (+1, or -1 for a mirrored source). count > 0 pixels.
using DrawRowFn = void (*)(uint8_t* dst, const uint8_t* src, const uint8_t* mask, int count, int step,
                           const RowParams& params);
using FillRowFn = void (*)(uint8_t* dst, int count, const RowParams& params);

struct BlendKernels {
  const char* name;
  DrawRowFn draw[kDrawKindCount][kPixelFormatCount];
  FillRowFn fill[kFillKindCount][kPixelFormatCount];

  DrawRowFn Draw(DrawKind k, PixelFormat f) const { return draw[static_cast<int>(k)][static_cast<int>(f)]; }
  FillRowFn Fill(FillKind k, PixelFormat f) const { return fill[static_cast<int>(k)][static_cast<int>(f)]; }
};

// The plain scalar rules: the definition of every result.
const BlendKernels& ReferenceKernels();
// The set surfaces draw with, chosen once at first use: the fastest this processor supports, or,
// when the environment variable named by kKernelCapVariable is set, BestKernelsUpTo its value (to
// run and measure the slower sets on a processor that has faster ones).
const BlendKernels& FastKernels();
inline constexpr const char* kKernelCapVariable = "KUZO_BLEND_KERNELS";
// The fastest available set at or below the named level ("reference", "sse2", "avx2", "avx512");
// an unknown name caps nothing.
const BlendKernels& BestKernelsUpTo(std::string_view level);
// Every set this processor can run (reference first), for differential tests and benchmarks.
int AvailableKernelSetCount();
const BlendKernels& AvailableKernelSet(int index);

}  // namespace kuzo
