// Every kernel set this processor runs must give the reference set's bytes for every operation,
// format, row length, direction and parameter, on random rows built to hit the rule branches
// (equal pixels, colour-key pixels, mask values 0 and 255, long transparent runs).
#include "graphics/blend_kernels.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace kuzo {
namespace {

constexpr PixelFormat kFormats[] = {PixelFormat::kIndex8, PixelFormat::kRgb555, PixelFormat::kRgb565,
                                    PixelFormat::kRgb24, PixelFormat::kRgb32};

// One row of pixels at a chosen byte offset inside larger buffers, so kernels meet every alignment;
// the bytes around the row are random too and must come out unchanged.
struct RowData {
  std::vector<uint8_t> dst, src, mask;
  size_t dstAt = 0, srcAt = 0, maskAt = 0;
};

constexpr size_t kSlack = 80;  // bytes of buffer before and after each row at most

// Rows of `count` pixels; some source pixels copy the destination, some are the key, and the mask
// mixes 0, 255 and random values.
RowData MakeRow(PixelFormat f, int count, uint32_t key, std::mt19937& rng) {
  const int bpp = Info(f).bytesPerPixel;
  RowData r;
  r.dstAt = rng() % 64;
  r.srcAt = rng() % 64;
  r.maskAt = rng() % 64;
  const size_t bytes = static_cast<size_t>(count) * bpp;
  r.dst.resize(bytes + 2 * kSlack);
  r.src.resize(bytes + 2 * kSlack);
  r.mask.resize(static_cast<size_t>(count) + 2 * kSlack);
  for (auto& b : r.dst) b = static_cast<uint8_t>(rng());
  for (auto& b : r.src) b = static_cast<uint8_t>(rng());
  for (auto& b : r.mask) b = static_cast<uint8_t>(rng());
  uint8_t* dst = r.dst.data() + r.dstAt;
  uint8_t* src = r.src.data() + r.srcAt;
  for (int i = 0; i < count; ++i) {
    switch (rng() % 6) {
      case 0: std::copy_n(&dst[static_cast<size_t>(i) * bpp], bpp, &src[static_cast<size_t>(i) * bpp]); break;
      case 1: StorePixel(f, &src[static_cast<size_t>(i) * bpp], key); break;
      default: break;
    }
    const uint32_t pick = rng() % 4;
    r.mask[r.maskAt + i] = pick == 0 ? 0 : pick == 1 ? 255 : static_cast<uint8_t>(rng());
  }
  return r;
}

// Runs a draw kernel on the row; mirrored rows start at the last pixel and walk down.
void RunDraw(DrawRowFn fn, RowData& row, PixelFormat f, int count, int step, const RowParams& p) {
  const size_t first = step == 1 ? 0 : static_cast<size_t>(count - 1);
  const size_t bpp = static_cast<size_t>(Info(f).bytesPerPixel);
  fn(row.dst.data() + row.dstAt, row.src.data() + row.srcAt + first * bpp, row.mask.data() + row.maskAt + first, count,
     step, p);
}

// Row lengths: mostly short ones around the vector widths, some long enough for aligned runs.
int RowLength(std::mt19937& rng) {
  return rng() % 4 == 0 ? 1 + static_cast<int>(rng() % 300) : 1 + static_cast<int>(rng() % 70);
}

TEST(BlendKernels, ReferenceSetIsFirstAndFastSetIsTheBestAllowed) {
  ASSERT_GE(AvailableKernelSetCount(), 1);
  EXPECT_EQ(&AvailableKernelSet(0), &ReferenceKernels());
  const char* cap = std::getenv(kKernelCapVariable);
  EXPECT_EQ(&FastKernels(), cap != nullptr ? &BestKernelsUpTo(cap) : &AvailableKernelSet(AvailableKernelSetCount() - 1));
}

// Each set is named once and sets come in rising order, so the cap below finds the right one.
TEST(BlendKernels, SetsAreDistinctAndCappedByLevel) {
  std::vector<std::string> names;
  for (int set = 0; set < AvailableKernelSetCount(); ++set) names.emplace_back(AvailableKernelSet(set).name);
  EXPECT_EQ(&BestKernelsUpTo("reference"), &ReferenceKernels());
  EXPECT_EQ(&BestKernelsUpTo("no such level"), &AvailableKernelSet(AvailableKernelSetCount() - 1));
  for (int set = 0; set < AvailableKernelSetCount(); ++set) {
    EXPECT_EQ(&BestKernelsUpTo(names[static_cast<size_t>(set)]), &AvailableKernelSet(set)) << names[static_cast<size_t>(set)];
  }
#if defined(__x86_64__)
  // x86-64 always has SSE2; the wider sets appear exactly when the processor reports them, so on a
  // processor with AVX-512 every set is tested here and a cap below it falls back one level.
  const std::vector<std::string> expected = [] {
    std::vector<std::string> e{"reference", "sse2"};
    if (__builtin_cpu_supports("avx2")) {
      e.emplace_back("avx2");
      if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw")) e.emplace_back("avx512");
    }
    return e;
  }();
  EXPECT_EQ(names, expected);
  EXPECT_STREQ(BestKernelsUpTo("sse2").name, "sse2");
  if (names.size() == 4) {
    EXPECT_STREQ(BestKernelsUpTo("avx2").name, "avx2");
  }
#endif
}

TEST(BlendKernels, EveryDrawKernelMatchesTheReference) {
  std::mt19937 rng(7);
  const BlendKernels& ref = ReferenceKernels();
  for (int set = 1; set < AvailableKernelSetCount(); ++set) {
    const BlendKernels& fast = AvailableKernelSet(set);
    for (PixelFormat f : kFormats) {
      for (int kind = 0; kind < kDrawKindCount; ++kind) {
        for (int trial = 0; trial < 120; ++trial) {
          const int count = RowLength(rng);
          const int step = (trial % 2 == 0) ? 1 : -1;
          RowParams p;
          const int alphaPick = static_cast<int>(rng() % 5);
          p.alpha = alphaPick == 0 ? 255 : alphaPick == 1 ? 1 : static_cast<int>(rng() % 256);
          p.key = static_cast<uint32_t>(rng()) & Info(f).pixelMask;
          p.useKey = rng() % 2 == 0;
          p.pixel = static_cast<uint32_t>(rng()) & Info(f).pixelMask;
          p.fullAlpha = p.alpha == 255 && rng() % 2 == 0;
          RowData row = MakeRow(f, count, p.key, rng);
          if (trial % 3 == 0) {
            // Long transparent runs, so whole vectors of mask 0 occur.
            bool zero = rng() % 2 == 0;
            for (int at = 0; at < count; zero = !zero) {
              const int run = 1 + static_cast<int>(rng() % 40);
              for (int j = at; j < count && j < at + run; ++j) {
                if (zero) row.mask[row.maskAt + static_cast<size_t>(j)] = 0;
              }
              at += run;
            }
          }
          RowData out = row;
          RunDraw(ref.draw[kind][static_cast<int>(f)], row, f, count, step, p);
          RunDraw(fast.draw[kind][static_cast<int>(f)], out, f, count, step, p);
          ASSERT_EQ(row.dst, out.dst) << fast.name << " kind " << kind << " format " << static_cast<int>(f)
                                      << " count " << count << " step " << step << " alpha " << p.alpha
                                      << " dst offset " << row.dstAt;
        }
      }
    }
  }
}

TEST(BlendKernels, EveryFillKernelMatchesTheReference) {
  std::mt19937 rng(11);
  const BlendKernels& ref = ReferenceKernels();
  for (int set = 1; set < AvailableKernelSetCount(); ++set) {
    const BlendKernels& fast = AvailableKernelSet(set);
    for (PixelFormat f : kFormats) {
      for (int kind = 0; kind < kFillKindCount; ++kind) {
        for (int trial = 0; trial < 100; ++trial) {
          const int count = RowLength(rng);
          RowParams p;
          p.alpha = 1 + static_cast<int>(rng() % 255);
          p.pixel = static_cast<uint32_t>(rng()) & Info(f).pixelMask;
          RowData row = MakeRow(f, count, p.pixel, rng);  // some pixels already equal the colour
          for (int i = 0; i < count; i += 3) {
            StorePixel(f, &row.dst[row.dstAt + static_cast<size_t>(i) * Info(f).bytesPerPixel], p.pixel);
          }
          RowData out = row;
          ref.fill[kind][static_cast<int>(f)](row.dst.data() + row.dstAt, count, p);
          fast.fill[kind][static_cast<int>(f)](out.dst.data() + out.dstAt, count, p);
          ASSERT_EQ(row.dst, out.dst) << fast.name << " fill " << kind << " format " << static_cast<int>(f);
        }
      }
    }
  }
}

// The kernels must not touch bytes outside the row they are given.
TEST(BlendKernels, KernelsStayInsideTheirRow) {
  std::mt19937 rng(3);
  for (int set = 0; set < AvailableKernelSetCount(); ++set) {
    const BlendKernels& k = AvailableKernelSet(set);
    for (PixelFormat f : kFormats) {
      const int bpp = Info(f).bytesPerPixel;
      for (int kind = 0; kind < kDrawKindCount; ++kind) {
        // Lengths below, at and above the vector widths; both directions.
        for (int count : {3, 13, 16, 37, 64}) {
          for (int step : {1, -1}) {
            std::vector<uint8_t> dst(static_cast<size_t>(count + 40) * bpp, 0xA5);
            std::vector<uint8_t> src(dst.size()), mask(static_cast<size_t>(count + 40), 200);
            for (auto& b : src) b = static_cast<uint8_t>(rng());
            RowParams p;
            p.alpha = 100;
            p.pixel = 0x123456 & Info(f).pixelMask;
            const size_t first = 20 + (step == 1 ? 0 : static_cast<size_t>(count - 1));
            k.draw[kind][static_cast<int>(f)](dst.data() + 20 * bpp, src.data() + first * bpp, mask.data() + first,
                                              count, step, p);
            for (int i = 0; i < 20 * bpp; ++i) ASSERT_EQ(dst[i], 0xA5) << k.name << " kind " << kind << " count " << count;
            for (size_t i = static_cast<size_t>(20 + count) * bpp; i < dst.size(); ++i) {
              ASSERT_EQ(dst[i], 0xA5) << k.name << " kind " << kind << " count " << count;
            }
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace kuzo
