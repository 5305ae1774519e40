// Whole drawing operations on surfaces, run with every kernel set this processor has: random
// operation, pixel format, position, source rectangle, clip and flips, at widths that reach past
// the widest vectors. Each set must leave the destination byte-identical to the reference set.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "graphics/blend_kernels.h"
#include "graphics/dibx.h"

namespace kuzo {
namespace {

constexpr int kBitCounts[] = {8, 15, 16, 24, 32};

void Randomise(TDIBX& s, std::mt19937& rng) {
  for (size_t i = 0; i < s.StorageSize(); ++i) s.Bits()[i] = static_cast<uint8_t>(rng());
}

struct Case {
  int bits = 32;
  int op = 0;
  int x = 0, y = 0;
  TRect srcRect{};
  TRect clip{};
  bool flipV = false, flipH = false, trans = false;
  int weight = 0;
  uint32_t pixel = 0;
};

// Applies case `c` to `dst` with sources `src` and `mask`.
void Apply(const Case& c, TDIBX& dst, const TDIBX& src, const TDIBX& mask) {
  dst.SetClip(c.clip);
  switch (c.op) {
    case 0: dst.Draw(c.x, c.y, c.flipV, c.flipH, c.trans, c.srcRect, src); break;
    case 1: dst.DrawMask(c.x, c.y, mask, c.flipV, c.flipH, c.srcRect, src); break;
    case 2: dst.DrawAlpha(c.x, c.y, c.weight, c.flipV, c.flipH, c.trans, c.srcRect, src); break;
    case 3: dst.DrawAlphaMask(c.x, c.y, c.weight, mask, c.flipV, c.flipH, c.srcRect, src); break;
    case 4: dst.DrawAdd(c.x, c.y, c.weight, c.flipV, c.flipH, c.trans, c.srcRect, src); break;
    case 5: dst.DrawAddMask(c.x, c.y, c.weight, mask, c.flipV, c.flipH, c.srcRect, src); break;
    case 6: dst.DrawColorMask(c.x, c.y, c.weight, c.pixel, c.flipV, c.flipH, c.srcRect, mask); break;
    case 7: dst.FillRectAlpha(c.srcRect, c.pixel, c.weight); break;
    case 8: dst.FillRectAdd(c.srcRect, c.pixel); break;
    default: dst.FillRectSub(c.srcRect, c.pixel); break;
  }
}

constexpr int kOperations = 10;

TEST(DibxDifferential, EveryKernelSetDrawsLikeTheReference) {
  if (AvailableKernelSetCount() < 2) GTEST_SKIP() << "only the reference set runs on this processor";
  std::mt19937 rng(2024);
  const int kWidth = 83, kHeight = 9;  // odd width: every row has a partial vector at each end
  int drawn = 0;
  for (int trial = 0; trial < 1500; ++trial) {
    Case c;
    c.bits = kBitCounts[rng() % 5];
    c.op = static_cast<int>(rng() % kOperations);
    const int sw = 1 + static_cast<int>(rng() % 90), sh = 1 + static_cast<int>(rng() % 12);
    TDIBX src(sw, sh, c.bits), mask(sw, sh, 8);
    Randomise(src, rng);
    Randomise(mask, rng);
    // Runs of transparent and opaque coverage, as image masks have.
    for (size_t i = 0; i < mask.StorageSize(); ++i) {
      if (rng() % 3 == 0) mask.Bits()[i] = (i / 20) % 2 == 0 ? 0 : 255;
    }
    src.ColorKey = rng() % 2 == 0 ? -1 : static_cast<int32_t>(src.GetPixel(0, 0));
    // Mostly overlapping placements, some reaching past the edges of the surfaces.
    auto near = [&](int range) { return static_cast<int32_t>(rng() % (range + 8)) - 6; };
    c.x = near(kWidth - sw / 2);
    c.y = near(kHeight - sh / 2);
    const int32_t left = near(sw / 2), top = near(sh / 2);
    c.srcRect = TRect{left, top, left + sw, top + sh};
    c.clip = rng() % 3 == 0 ? TRect{near(kWidth / 2), near(kHeight / 2), kWidth - near(kWidth / 3), kHeight}
                            : TRect{0, 0, kWidth, kHeight};
    c.flipV = rng() % 2 == 0;
    c.flipH = rng() % 2 == 0;
    c.trans = rng() % 2 == 0;
    const int pick = static_cast<int>(rng() % 4);
    c.weight = pick == 0 ? 255 : pick == 1 ? 1 + static_cast<int>(rng() % 300) : static_cast<int>(rng() % 256);
    c.pixel = static_cast<uint32_t>(rng());

    TDIBX start(kWidth, kHeight, c.bits);
    Randomise(start, rng);
    TDIBX expected(kWidth, kHeight, c.bits);
    std::copy(start.Bits(), start.Bits() + start.StorageSize(), expected.Bits());
    expected.UseKernels(ReferenceKernels());
    Apply(c, expected, src, mask);
    if (!std::equal(start.Bits(), start.Bits() + start.StorageSize(), expected.Bits())) ++drawn;

    for (int set = 1; set < AvailableKernelSetCount(); ++set) {
      TDIBX actual(kWidth, kHeight, c.bits);
      std::copy(start.Bits(), start.Bits() + start.StorageSize(), actual.Bits());
      actual.UseKernels(AvailableKernelSet(set));
      Apply(c, actual, src, mask);
      ASSERT_TRUE(std::equal(expected.Bits(), expected.Bits() + expected.StorageSize(), actual.Bits()))
          << AvailableKernelSet(set).name << " trial " << trial << " op " << c.op << " bits " << c.bits << " at "
          << c.x << "," << c.y << " flips " << c.flipV << c.flipH << " weight " << c.weight;
    }
  }
  // The cases must mostly draw something, or the comparison proves little.
  EXPECT_GT(drawn, 900);
}

// A full-width 32-bit layer, as the scene draws: whole aligned rows, and the same rows shifted by
// every start column so the destination meets every alignment.
TEST(DibxDifferential, WideLayersAtEveryAlignment) {
  if (AvailableKernelSetCount() < 2) GTEST_SKIP() << "only the reference set runs on this processor";
  std::mt19937 rng(99);
  const int kWidth = 160, kHeight = 4;
  TDIBX src(kWidth, kHeight, 32), start(kWidth + 16, kHeight, 32);
  Randomise(src, rng);
  Randomise(start, rng);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; x += 3) src.SetPixel(x, y, start.GetPixel(x + y % 16, y));  // equal pixels stay
  }
  for (int alpha : {1, 128, 254, 255}) {
    for (int shift = 0; shift < 16; ++shift) {
      TDIBX expected(kWidth + 16, kHeight, 32);
      std::copy(start.Bits(), start.Bits() + start.StorageSize(), expected.Bits());
      expected.UseKernels(ReferenceKernels());
      expected.DrawAlpha(shift, 0, alpha, false, false, false, src.BoundsRect(), src);
      for (int set = 1; set < AvailableKernelSetCount(); ++set) {
        TDIBX actual(kWidth + 16, kHeight, 32);
        std::copy(start.Bits(), start.Bits() + start.StorageSize(), actual.Bits());
        actual.UseKernels(AvailableKernelSet(set));
        actual.DrawAlpha(shift, 0, alpha, false, false, false, src.BoundsRect(), src);
        ASSERT_TRUE(std::equal(expected.Bits(), expected.Bits() + expected.StorageSize(), actual.Bits()))
            << AvailableKernelSet(set).name << " alpha " << alpha << " shift " << shift;
      }
    }
  }
}

// Surfaces whose rows follow each other in memory are drawn as one block; the result must be the
// one of drawing them row by row, for every operation, format and kernel set.
TEST(DibxDifferential, WholeSurfacesDrawLikeTheirRows) {
  std::mt19937 rng(77);
  for (int bits : kBitCounts) {
    const int width = 20, height = 7;  // rows of 20 pixels need no padding in any format
    TDIBX src(width, height, bits), mask(width, height, 8), start(width, height, bits);
    Randomise(src, rng);
    Randomise(mask, rng);
    Randomise(start, rng);
    for (int op = 0; op < kOperations; ++op) {
      for (int set = 0; set < AvailableKernelSetCount(); ++set) {
        Case c;
        c.bits = bits;
        c.op = op;
        c.clip = TRect{0, 0, width, height};
        c.weight = 150;
        c.pixel = 0x00405060;
        TDIBX whole(width, height, bits), byRows(width, height, bits);
        for (TDIBX* d : {&whole, &byRows}) {
          std::copy(start.Bits(), start.Bits() + start.StorageSize(), d->Bits());
          d->UseKernels(AvailableKernelSet(set));
        }
        c.srcRect = TRect{0, 0, width, height};
        Apply(c, whole, src, mask);
        for (int y = 0; y < height; ++y) {
          Case row = c;
          row.y = y;
          row.srcRect = TRect{0, y, width, y + 1};
          Apply(row, byRows, src, mask);
        }
        ASSERT_TRUE(std::equal(byRows.Bits(), byRows.Bits() + byRows.StorageSize(), whole.Bits()))
            << AvailableKernelSet(set).name << " op " << op << " bits " << bits;
        ASSERT_FALSE(std::equal(start.Bits(), start.Bits() + start.StorageSize(), whole.Bits())) << op;
      }
    }
  }
}

}  // namespace
}  // namespace kuzo
