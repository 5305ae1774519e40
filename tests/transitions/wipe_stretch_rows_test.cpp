// The stretch and walk row kernels against their plain loops: random source rows, column tables of
// every shape the stretch makes (enlargements, one column, reductions) and some it does not (random
// order), walks along a row and across rows in every direction, every length up to a few vector
// steps, and sources narrower than a vector.
#include "transitions/wipe_stretch_rows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "transitions/wipe_rows.h"

namespace kuzo {
namespace {

using Kernel = void (*)(uint8_t*, const uint8_t*, const int32_t*, int, int32_t);

std::vector<Kernel> Kernels() {
  std::vector<Kernel> v = {wipe::StretchRow32, wipe::StretchRow32Sse2};
#if defined(__x86_64__) || defined(__i386__)
  if (__builtin_cpu_supports("avx2")) v.push_back(wipe::StretchRow32Avx2);
#endif
  return v;
}

// The columns of a destination row of `count` pixels stretched from srcWidth source pixels at
// 16.16 step `step` from `start`, clamped into the row.
std::vector<int32_t> Walk(int count, int32_t srcWidth, int64_t start, int64_t step) {
  std::vector<int32_t> c(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    c[static_cast<size_t>(i)] = static_cast<int32_t>(std::clamp<int64_t>((start + i * step) >> 16, 0, srcWidth - 1));
  }
  return c;
}

TEST(WipeRowsStretchTest, MatchesThePlainLoopOnEveryTableShape) {
  std::mt19937 gen(41);
  for (int32_t srcWidth : {1, 2, 7, 8, 9, 15, 33, 90}) {
    std::vector<uint8_t> src(4 * static_cast<size_t>(srcWidth));
    for (auto& b : src) b = static_cast<uint8_t>(gen());
    for (int count = 0; count <= 70; ++count) {
      std::vector<std::vector<int32_t>> tables;
      const int64_t fit = (int64_t{srcWidth} << 16) / std::max(count, 1);
      tables.push_back(Walk(count, srcWidth, 0, fit));                           // the whole row over count
      tables.push_back(Walk(count, srcWidth, 0, 0));                             // one column
      tables.push_back(Walk(count, srcWidth, int64_t{srcWidth - 1} << 16, 0));   // the last column
      tables.push_back(Walk(count, srcWidth, 3 << 16, 65536 / 3));               // enlarged 3 times
      tables.push_back(Walk(count, srcWidth, gen() % 65536, 65536 * 7 / 8));     // just under 1
      tables.push_back(Walk(count, srcWidth, 0, 65536 * 9 / 8));                 // just over 1
      tables.push_back(Walk(count, srcWidth, 0, 65536 * 4 + 123));               // reduced 4 times
      std::vector<int32_t> random(static_cast<size_t>(count));
      for (auto& c : random) c = static_cast<int32_t>(gen() % static_cast<uint32_t>(srcWidth));
      tables.push_back(random);
      std::vector<int32_t> sorted = random;
      std::sort(sorted.begin(), sorted.end());
      tables.push_back(sorted);
      for (size_t t = 0; t < tables.size(); ++t) {
        std::vector<uint8_t> plain(4 * static_cast<size_t>(count) + 4, 0xA5);
        wipe::StretchRow32Plain(plain.data(), src.data(), tables[t].data(), count, srcWidth);
        for (size_t k = 0; k < Kernels().size(); ++k) {
          std::vector<uint8_t> fast(plain.size(), 0xA5);
          Kernels()[k](fast.data(), src.data(), tables[t].data(), count, srcWidth);
          ASSERT_EQ(fast, plain) << "kernel " << k << " source width " << srcWidth << " count " << count << " table " << t;
        }
      }
    }
  }
}

using WalkKernel = void (*)(uint8_t*, const wipe::SourceWalk&, int);

std::vector<WalkKernel> WalkKernels() {
  std::vector<WalkKernel> v = {wipe::WalkRow32};
#if defined(__x86_64__) || defined(__i386__)
  if (__builtin_cpu_supports("avx2")) v.push_back(wipe::WalkRow32Avx2);
#endif
  return v;
}

// Walks of random directions and lengths that stay inside a w x h picture: a start and an end
// point inside it, and the steps between them.
TEST(WipeRowsStretchTest, WalksMatchThePlainLoop) {
  std::mt19937 gen(43);
  for (auto [w, h] : {std::pair{5, 3}, std::pair{17, 9}, std::pair{40, 23}, std::pair{101, 7}}) {
    const ptrdiff_t pitch = 4 * static_cast<ptrdiff_t>(w) + 12;  // rows with a gap after them
    std::vector<uint8_t> picture(static_cast<size_t>(pitch) * static_cast<size_t>(h));
    for (auto& b : picture) b = static_cast<uint8_t>(gen());
    const auto point = [&](int size) { return static_cast<int64_t>(gen() % (static_cast<uint32_t>(size) << 16)); };
    for (int trial = 0; trial < 400; ++trial) {
      const int count = 1 + static_cast<int>(gen() % 70);
      const int64_t u0 = point(w), v0 = point(h);
      const int64_t u1 = point(w), v1 = point(h);
      int64_t uStep = count > 1 ? (u1 - u0) / (count - 1) : 0;
      int64_t vStep = count > 1 ? (v1 - v0) / (count - 1) : 0;
      if (trial % 3 == 0) vStep = 0;           // along one row
      if (trial % 5 == 0) uStep = 0;           // along one column
      if (trial % 7 == 0) uStep = -uStep;      // maybe leaves the picture: clamp the count below
      int n = 0;
      while (n < count && (u0 + n * uStep) >= 0 && (u0 + n * uStep) >> 16 < w && (v0 + n * vStep) >= 0 &&
             (v0 + n * vStep) >> 16 < h) {
        ++n;
      }
      for (bool narrow : {true, false}) {
        const wipe::SourceWalk walk{picture.data(), pitch, w, u0, v0, uStep, vStep, narrow};
        std::vector<uint8_t> plain(4 * static_cast<size_t>(n) + 4, 0x5A);
        wipe::WalkRow32Plain(plain.data(), walk, n);
        for (size_t k = 0; k < WalkKernels().size(); ++k) {
          std::vector<uint8_t> fast(plain.size(), 0x5A);
          WalkKernels()[k](fast.data(), walk, n);
          ASSERT_EQ(fast, plain) << "kernel " << k << " picture " << w << "x" << h << " trial " << trial << " steps "
                                 << uStep << "," << vStep << " count " << n;
        }
      }
    }
  }
}

using WalkOverKernel = void (*)(uint8_t*, const uint8_t*, const wipe::SourceWalk&, int, int);

std::vector<WalkOverKernel> WalkOverKernels() {
  std::vector<WalkOverKernel> v = {wipe::WalkOverRow32, wipe::WalkOverRow32Sse2};
#if defined(__x86_64__) || defined(__i386__)
  if (__builtin_cpu_supports("avx2")) v.push_back(wipe::WalkOverRow32Avx2);
#endif
  return v;
}

// The walk drawn over a row: random walks inside the picture (along a row, along a column, shallow
// and steep slopes, pieces longer than the SSE2 loop's buffer), every kind of opacity, an under row
// of its own and the destination row itself as under, and hints of rows ahead that reach outside
// the picture (they must not change a byte).
TEST(WipeRowsStretchTest, WalkOverMatchesThePlainLoop) {
  std::mt19937 gen(47);
  for (auto [w, h] : {std::pair{5, 3}, std::pair{40, 23}, std::pair{700, 9}}) {
    const ptrdiff_t pitch = 4 * static_cast<ptrdiff_t>(w) + 12;
    std::vector<uint8_t> picture(static_cast<size_t>(pitch) * static_cast<size_t>(h));
    for (auto& b : picture) b = static_cast<uint8_t>(gen());
    const auto point = [&](int size) { return static_cast<int64_t>(gen() % (static_cast<uint32_t>(size) << 16)); };
    for (int trial = 0; trial < 300; ++trial) {
      const int count = 1 + static_cast<int>(gen() % (w >= 700 ? 690u : 70u));
      const int64_t u0 = point(w), v0 = point(h);
      int64_t uStep = count > 1 ? (point(w) - u0) / (count - 1) : 0;
      int64_t vStep = count > 1 ? (point(h) - v0) / (count - 1) : 0;
      if (trial % 3 == 0) vStep = 0;                      // along one row
      if (trial % 5 == 0) uStep = 0;                      // along one column
      if (trial % 4 == 1) vStep = vStep / 16;             // shallow: many points a row
      int n = 0;
      while (n < count && (u0 + n * uStep) >= 0 && (u0 + n * uStep) >> 16 < w && (v0 + n * vStep) >= 0 &&
             (v0 + n * vStep) >> 16 < h) {
        ++n;
      }
      for (bool narrow : {true, false}) {
        wipe::SourceWalk walk{picture.data(), pitch, w, u0, v0, uStep, vStep, narrow};
        if (trial % 2 == 0) walk.uAhead = static_cast<int64_t>(gen() % (8u << 16)) - (4 << 16), walk.vAhead = 3 << 16;
        std::vector<uint8_t> under(4 * static_cast<size_t>(n) + 4), start(under.size());
        for (auto& b : under) b = static_cast<uint8_t>(gen());
        for (auto& b : start) b = static_cast<uint8_t>(gen());
        for (int opacity : {255, 300, 254, 128, 1}) {
          for (bool inPlace : {false, true}) {
            std::vector<uint8_t> plain = start;
            wipe::WalkOverRow32Plain(plain.data(), inPlace ? plain.data() : under.data(), walk, n, opacity);
            for (size_t k = 0; k < WalkOverKernels().size(); ++k) {
              std::vector<uint8_t> fast = start;
              WalkOverKernels()[k](fast.data(), inPlace ? fast.data() : under.data(), walk, n, opacity);
              ASSERT_EQ(fast, plain) << "kernel " << k << " picture " << w << "x" << h << " trial " << trial << " steps "
                                     << uStep << "," << vStep << " count " << n << " opacity " << opacity
                                     << (inPlace ? " in place" : "") << (narrow ? " narrow" : "");
            }
          }
        }
      }
    }
  }
}

TEST(WipeRowsStretchTest, PlainWalkOverBlendsTheColourBytes) {
  // Picture pixels (200, 100, 0, 77) and (10, 20, 30, 40); under pixels (100, 0, 255, 9) twice.
  const std::vector<uint8_t> picture = {200, 100, 0, 77, 10, 20, 30, 40};
  const std::vector<uint8_t> under = {100, 0, 255, 9, 100, 0, 255, 9};
  const wipe::SourceWalk walk{picture.data(), 8, 2, 0, 0, 65536, 0, false};
  std::vector<uint8_t> dst(8, 0xEE);
  // a = 64: (100*191 + 200*64) >> 8 = 124, (0*191 + 100*64) >> 8 = 25, (255*191 + 0) >> 8 = 190;
  // (100*191 + 10*64) >> 8 = 77, (20*64) >> 8 = 5, (255*191 + 30*64) >> 8 = 197; fourth bytes 0.
  wipe::WalkOverRow32Plain(dst.data(), under.data(), walk, 2, 64);
  EXPECT_EQ(dst, (std::vector<uint8_t>{124, 25, 190, 0, 77, 5, 197, 0}));
  // Opaque: the picture's pixels as they are, the fourth byte too.
  wipe::WalkOverRow32Plain(dst.data(), under.data(), walk, 2, 255);
  EXPECT_EQ(dst, picture);
}

TEST(WipeRowsStretchTest, PlainWalkTakesThePixelUnderEachPoint) {
  // A 3 x 2 picture of pixel numbers, rows 16 bytes apart; points (0.5, 0), (1.5, 0.75), (2.5, 1.5).
  std::vector<uint8_t> picture(32, 0);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) picture[static_cast<size_t>(16 * y + 4 * x)] = static_cast<uint8_t>(10 * y + x);
  }
  const wipe::SourceWalk walk{picture.data(), 16, 3, 32768, 0, 65536, 49152, false};
  std::vector<uint8_t> dst(12);
  wipe::WalkRow32Plain(dst.data(), walk, 3);
  EXPECT_EQ(dst, (std::vector<uint8_t>{0, 0, 0, 0, 1, 0, 0, 0, 12, 0, 0, 0}));
}

TEST(WipeRowsStretchTest, PlainLoopPicksTheListedColumns) {
  const std::vector<uint8_t> src = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  const std::vector<int32_t> columns = {2, 0, 0, 1};
  std::vector<uint8_t> dst(16);
  wipe::StretchRow32Plain(dst.data(), src.data(), columns.data(), 4, 3);
  EXPECT_EQ(dst, (std::vector<uint8_t>{9, 10, 11, 12, 1, 2, 3, 4, 1, 2, 3, 4, 5, 6, 7, 8}));
}

}  // namespace
}  // namespace kuzo
