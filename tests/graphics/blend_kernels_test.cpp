// Every kernel set this processor runs must give the reference set's bytes for every operation,
// format, row length, direction and parameter, on random rows built to hit the rule branches
// (equal pixels, colour-key pixels, mask values 0 and 255, long transparent runs).
#include "graphics/blend_kernels.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace kuzo {
namespace {

constexpr PixelFormat kFormats[] = {PixelFormat::kIndex8, PixelFormat::kRgb555, PixelFormat::kRgb565,
                                    PixelFormat::kRgb24, PixelFormat::kRgb32};

struct RowData {
  std::vector<uint8_t> dst, src, mask;
};

// Rows of `count` pixels; some source pixels copy the destination, some are the key, and the mask
// mixes 0, 255 and random values.
RowData MakeRow(PixelFormat f, int count, uint32_t key, std::mt19937& rng) {
  const int bpp = Info(f).bytesPerPixel;
  RowData r;
  r.dst.resize(static_cast<size_t>(count) * bpp);
  r.src.resize(r.dst.size());
  r.mask.resize(static_cast<size_t>(count));
  for (auto& b : r.dst) b = static_cast<uint8_t>(rng());
  for (auto& b : r.src) b = static_cast<uint8_t>(rng());
  for (int i = 0; i < count; ++i) {
    switch (rng() % 6) {
      case 0: std::copy_n(&r.dst[static_cast<size_t>(i) * bpp], bpp, &r.src[static_cast<size_t>(i) * bpp]); break;
      case 1: StorePixel(f, &r.src[static_cast<size_t>(i) * bpp], key); break;
      default: break;
    }
    const uint32_t pick = rng() % 4;
    r.mask[i] = pick == 0 ? 0 : pick == 1 ? 255 : static_cast<uint8_t>(rng());
  }
  return r;
}

TEST(BlendKernels, ReferenceSetIsFirstAndFastSetIsAvailable) {
  ASSERT_GE(AvailableKernelSetCount(), 1);
  EXPECT_EQ(&AvailableKernelSet(0), &ReferenceKernels());
  EXPECT_EQ(&AvailableKernelSet(AvailableKernelSetCount() - 1), &FastKernels());
}

TEST(BlendKernels, EveryDrawKernelMatchesTheReference) {
  std::mt19937 rng(7);
  const BlendKernels& ref = ReferenceKernels();
  for (int set = 1; set < AvailableKernelSetCount(); ++set) {
    const BlendKernels& fast = AvailableKernelSet(set);
    for (PixelFormat f : kFormats) {
      const int bpp = Info(f).bytesPerPixel;
      for (int kind = 0; kind < kDrawKindCount; ++kind) {
        for (int trial = 0; trial < 120; ++trial) {
          const int count = 1 + static_cast<int>(rng() % 70);
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
                if (zero) row.mask[static_cast<size_t>(j)] = 0;
              }
              at += run;
            }
          }
          RowData out = row;
          // Mirrored rows start at the last pixel and walk down.
          const size_t first = step == 1 ? 0 : static_cast<size_t>(count - 1);
          ref.draw[kind][static_cast<int>(f)](row.dst.data(), row.src.data() + first * bpp, row.mask.data() + first,
                                              count, step, p);
          fast.draw[kind][static_cast<int>(f)](out.dst.data(), out.src.data() + first * bpp, out.mask.data() + first,
                                               count, step, p);
          ASSERT_EQ(row.dst, out.dst) << fast.name << " kind " << kind << " format " << static_cast<int>(f)
                                      << " count " << count << " step " << step << " alpha " << p.alpha;
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
          const int count = 1 + static_cast<int>(rng() % 70);
          RowParams p;
          p.alpha = 1 + static_cast<int>(rng() % 255);
          p.pixel = static_cast<uint32_t>(rng()) & Info(f).pixelMask;
          RowData row = MakeRow(f, count, p.pixel, rng);  // some pixels already equal the colour
          for (int i = 0; i < count; i += 3) StorePixel(f, &row.dst[static_cast<size_t>(i) * Info(f).bytesPerPixel], p.pixel);
          RowData out = row;
          ref.fill[kind][static_cast<int>(f)](row.dst.data(), count, p);
          fast.fill[kind][static_cast<int>(f)](out.dst.data(), count, p);
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
        const int count = 13;
        std::vector<uint8_t> dst(static_cast<size_t>(count + 16) * bpp, 0xA5);
        std::vector<uint8_t> src(dst.size()), mask(static_cast<size_t>(count + 16), 200);
        for (auto& b : src) b = static_cast<uint8_t>(rng());
        RowParams p;
        p.alpha = 100;
        p.pixel = 0x123456 & Info(f).pixelMask;
        k.draw[kind][static_cast<int>(f)](dst.data() + 8 * bpp, src.data() + 8 * bpp, mask.data() + 8, count, 1, p);
        for (int i = 0; i < 8 * bpp; ++i) ASSERT_EQ(dst[i], 0xA5) << k.name << " kind " << kind;
        for (size_t i = static_cast<size_t>(8 + count) * bpp; i < dst.size(); ++i) ASSERT_EQ(dst[i], 0xA5);
      }
    }
  }
}

}  // namespace
}  // namespace kuzo
