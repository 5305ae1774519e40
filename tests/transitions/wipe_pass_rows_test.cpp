// The passage kernels against their plain loops, and the plain loops against the rule written out
// pixel by pixel (each rule pixel's level, then the picture and grey that level picks) and against
// the spot's kernel on 32-bit distances: random pictures, rules and distances of noise, of runs and
// uniform (whole vectors on one picture), every shift and spot level, every length up to a few
// vector steps.
#include "transitions/wipe_pass_rows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "transitions/wipe_rows.h"

namespace kuzo {
namespace {

constexpr int kMaxPixels = 70;

using Kernel = void (*)(uint8_t*, const uint8_t*, const uint8_t*, const uint8_t*, int, int, bool);

std::vector<Kernel> Kernels() {
  std::vector<Kernel> v = {wipe::RulePassRow32, wipe::RulePassRow32Sse2};
#if defined(__x86_64__) || defined(__i386__)
  if (__builtin_cpu_supports("avx2")) v.push_back(wipe::RulePassRow32Avx2);
#endif
  return v;
}

// The rule's passage byte by byte: level clamp(rule + shift, 0, 511); below 256 the outgoing pixel,
// from 256 the incoming one, with the grey (level, or 511 - level) added to (taken from, with
// darken) its three colour bytes with saturation.
void PassageByLevels(uint8_t* dst, const uint8_t* from, const uint8_t* to, const uint8_t* rule, int count, int shift,
                     bool darken) {
  for (int i = 0; i < count; ++i) {
    const int level = std::clamp(rule[i] + shift, 0, 511);
    const uint8_t* src = level < 256 ? from + 4 * i : to + 4 * i;
    const int grey = level < 256 ? level : 511 - level;
    for (int c = 0; c < 4; ++c) {
      const int add = c == 3 ? 0 : grey;
      dst[4 * i + c] = static_cast<uint8_t>(darken ? std::max(0, src[c] - add) : std::min(255, src[c] + add));
    }
  }
}

std::vector<uint8_t> MakeRule(std::mt19937& gen, int shape) {
  std::vector<uint8_t> r(kMaxPixels);
  const auto base = static_cast<uint8_t>(gen());
  for (int i = 0; i < kMaxPixels; ++i) {
    switch (shape) {
      case 0: r[static_cast<size_t>(i)] = static_cast<uint8_t>(gen()); break;
      case 1: r[static_cast<size_t>(i)] = static_cast<uint8_t>((i / 11) % 2 == 0 ? 0 : 255); break;
      case 2: r[static_cast<size_t>(i)] = static_cast<uint8_t>(base + i); break;  // a ramp crossing the levels
      default: r[static_cast<size_t>(i)] = base; break;
    }
  }
  return r;
}

TEST(WipeRowsRulePassTest, MatchesThePlainLoopAndTheLevelsThenPassage) {
  std::mt19937 gen(17);
  std::vector<uint8_t> from(4 * kMaxPixels), to(4 * kMaxPixels);
  for (int shift = -256; shift <= 511; shift += 7) {
    for (auto& b : from) b = static_cast<uint8_t>(gen());
    for (auto& b : to) b = static_cast<uint8_t>(gen() % 3 == 0 ? 255 : gen());  // some saturating
    for (int shape = 0; shape < 4; ++shape) {
      const std::vector<uint8_t> rule = MakeRule(gen, shape);
      for (bool darken : {false, true}) {
        for (int count : {0, 1, 3, 4, 7, 8, 9, 15, 16, 17, 31, 33, 63, kMaxPixels - 1}) {
          const int start = count < kMaxPixels ? 1 : 0;  // an unaligned start
          std::vector<uint8_t> plain(4 * kMaxPixels, 0xC3);
          wipe::RulePassRow32Plain(plain.data() + 4 * start, from.data() + 4 * start, to.data() + 4 * start,
                                   rule.data() + start, count, shift, darken);
          std::vector<uint8_t> before(4 * kMaxPixels, 0xC3);
          PassageByLevels(before.data() + 4 * start, from.data() + 4 * start, to.data() + 4 * start, rule.data() + start,
                          count, shift, darken);
          ASSERT_EQ(plain, before) << "shift " << shift << " shape " << shape << " count " << count;
          for (size_t k = 0; k < Kernels().size(); ++k) {
            std::vector<uint8_t> fast(4 * kMaxPixels, 0xC3);
            Kernels()[k](fast.data() + 4 * start, from.data() + 4 * start, to.data() + 4 * start, rule.data() + start,
                         count, shift, darken);
            ASSERT_EQ(fast, plain) << "kernel " << k << " shift " << shift << " shape " << shape << " count " << count
                                   << (darken ? " darken" : "");
          }
        }
      }
    }
  }
}

TEST(WipeRowsRulePassTest, LevelsPickThePictureAndTheGrey) {
  // Rule 10 at shift 0: level 10, the outgoing pixel plus grey 10; rule 250 at shift 100: level
  // 350, the incoming pixel plus grey 161; rule 0 at shift -5: level 0, the outgoing pixel as it is.
  const std::vector<uint8_t> from = {100, 250, 0, 7}, to = {1, 2, 3, 4};
  std::vector<uint8_t> dst(4);
  wipe::RulePassRow32Plain(dst.data(), from.data(), to.data(), std::vector<uint8_t>{10}.data(), 1, 0, false);
  EXPECT_EQ(dst, (std::vector<uint8_t>{110, 255, 10, 7}));
  wipe::RulePassRow32Plain(dst.data(), from.data(), to.data(), std::vector<uint8_t>{250}.data(), 1, 100, false);
  EXPECT_EQ(dst, (std::vector<uint8_t>{162, 163, 164, 4}));
  wipe::RulePassRow32Plain(dst.data(), from.data(), to.data(), std::vector<uint8_t>{250}.data(), 1, 100, true);
  EXPECT_EQ(dst, (std::vector<uint8_t>{0, 0, 0, 4}));
  wipe::RulePassRow32Plain(dst.data(), from.data(), to.data(), std::vector<uint8_t>{0}.data(), 1, -5, true);
  EXPECT_EQ(dst, from);
}

TEST(WipeRowsRulePassTest, ShiftsAtTheEndsShowOnePictureUntouched) {
  // Shift 511 puts every rule value at level 511 (the incoming pixel, grey 0); shift -256 puts
  // every value at level 0 (the outgoing pixel, grey 0), the largest rule value too.
  const std::vector<uint8_t> rule = {0, 255, 128};
  const std::vector<uint8_t> from = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120};
  const std::vector<uint8_t> to = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  for (bool darken : {false, true}) {
    for (size_t k = 0; k < Kernels().size(); ++k) {
      std::vector<uint8_t> dst(12);
      Kernels()[k](dst.data(), from.data(), to.data(), rule.data(), 3, 511, darken);
      EXPECT_EQ(dst, to) << "kernel " << k;
      Kernels()[k](dst.data(), from.data(), to.data(), rule.data(), 3, -256, darken);
      EXPECT_EQ(dst, from) << "kernel " << k;
    }
  }
}

using SpotKernel = void (*)(uint8_t*, const uint8_t*, const uint8_t*, const uint16_t*, int, int);

std::vector<SpotKernel> SpotKernels() {
  std::vector<SpotKernel> v = {wipe::SpotPassRow32, wipe::SpotPassRow32Sse2};
#if defined(__x86_64__) || defined(__i386__)
  if (__builtin_cpu_supports("avx2")) v.push_back(wipe::SpotPassRow32Avx2);
#endif
  return v;
}

TEST(WipeRowsRulePassTest, SpotMatchesThePlainLoopAndThe32BitDistances) {
  std::mt19937 gen(19);
  std::vector<uint8_t> from(4 * kMaxPixels), to(4 * kMaxPixels);
  for (auto& b : from) b = static_cast<uint8_t>(gen());
  for (auto& b : to) b = static_cast<uint8_t>(gen());
  for (int shape = 0; shape < 4; ++shape) {
    // Distances: noise over the whole range, a ring crossing the levels, runs, one value.
    std::vector<uint16_t> distance(kMaxPixels);
    const auto base = static_cast<uint16_t>(gen() % 2000);
    for (int i = 0; i < kMaxPixels; ++i) {
      uint16_t d = base;
      if (shape == 0) d = static_cast<uint16_t>(gen() % 32768);
      if (shape == 1) d = static_cast<uint16_t>(base + 9 * i);
      if (shape == 2) d = static_cast<uint16_t>((i / 9) % 2 == 0 ? base : base + 600);
      distance[static_cast<size_t>(i)] = d;
    }
    const std::vector<int32_t> wide(distance.begin(), distance.end());
    for (int g : {0, 1, 255, 256, 511, 512, 700, 1000, 2600, 20000, 32767, static_cast<int>(base) + 300}) {
      for (int count : {0, 1, 7, 8, 9, 16, 17, 33, kMaxPixels - 1}) {
        const int start = count < kMaxPixels ? 1 : 0;
        std::vector<uint8_t> plain(4 * kMaxPixels, 0x3C), before(4 * kMaxPixels, 0x3C);
        wipe::SpotPassRow32Plain(plain.data() + 4 * start, from.data() + 4 * start, to.data() + 4 * start,
                                 distance.data() + start, count, g);
        wipe::SpotRow32Plain(before.data() + 4 * start, from.data() + 4 * start, to.data() + 4 * start,
                             wide.data() + start, count, g);
        ASSERT_EQ(plain, before) << "shape " << shape << " g " << g << " count " << count;
        for (size_t k = 0; k < SpotKernels().size(); ++k) {
          std::vector<uint8_t> fast(4 * kMaxPixels, 0x3C);
          SpotKernels()[k](fast.data() + 4 * start, from.data() + 4 * start, to.data() + 4 * start,
                           distance.data() + start, count, g);
          ASSERT_EQ(fast, plain) << "kernel " << k << " shape " << shape << " g " << g << " count " << count;
        }
      }
    }
  }
}

}  // namespace
}  // namespace kuzo
