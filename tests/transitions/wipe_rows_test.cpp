// The fast row kernels against their plain loops: random pictures, every length up to a few vector
// steps, unaligned starts, and masks and levels at and around every boundary value.
#include "transitions/wipe_rows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <random>
#include <thread>
#include <vector>

#include "transitions/wipe_pass_rows.h"

namespace kuzo {
namespace {

constexpr int kMaxPixels = 90;

// The fast loops under test: the chosen one, SSE2, and AVX2 where this processor has it.
template <class Fn>
std::vector<Fn> Variants(Fn chosen, Fn sse2, [[maybe_unused]] Fn avx2) {
  std::vector<Fn> v = {chosen, sse2};
#if defined(__x86_64__) || defined(__i386__)
  if (__builtin_cpu_supports("avx2")) v.push_back(avx2);
#endif
  return v;
}
#if defined(__x86_64__) || defined(__i386__)
#define KUZO_AVX2_OR(fn, fallback) fn
#else
#define KUZO_AVX2_OR(fn, fallback) fallback
#endif

struct Rows {
  std::vector<uint8_t> from = std::vector<uint8_t>(4 * kMaxPixels);
  std::vector<uint8_t> to = std::vector<uint8_t>(4 * kMaxPixels);
  std::vector<uint8_t> fast = std::vector<uint8_t>(4 * kMaxPixels);
  std::vector<uint8_t> plain = std::vector<uint8_t>(4 * kMaxPixels);

  void Fill(std::mt19937& gen) {
    for (auto* v : {&from, &to, &fast}) {
      for (auto& b : *v) b = static_cast<uint8_t>(gen());
    }
    // The plain result starts from the same destination bytes (the blend reads them).
    plain = fast;
  }
};

// Masks of several shapes: noise, runs of 0 and 255 long enough for whole vector steps, a few
// values in between, and the ends alone.
std::vector<uint8_t> MakeMask(std::mt19937& gen, int shape) {
  std::vector<uint8_t> m(kMaxPixels);
  for (int i = 0; i < kMaxPixels; ++i) {
    switch (shape) {
      case 0: m[i] = static_cast<uint8_t>(gen()); break;
      case 1: m[i] = (i / 20) % 2 == 0 ? 0 : 255; break;
      case 2: m[i] = (i / 17) % 3 == 0 ? 0 : ((i / 17) % 3 == 1 ? 255 : static_cast<uint8_t>(gen())); break;
      case 3: m[i] = gen() % 2 == 0 ? 0 : 255; break;
      case 4: m[i] = static_cast<uint8_t>(gen() % 3 == 0 ? 1 : (gen() % 2 == 0 ? 254 : 0)); break;
      default: m[i] = static_cast<uint8_t>(shape == 5 ? 0 : 255); break;
    }
  }
  return m;
}

TEST(WipeRowsTest, ComposeMatchesThePlainLoop) {
  const auto variants = Variants(&wipe::ComposeRow32, &wipe::ComposeRow32Sse2,
                                 KUZO_AVX2_OR(&wipe::ComposeRow32Avx2, &wipe::ComposeRow32));
  for (size_t k = 0; k < variants.size(); ++k) {
    std::mt19937 gen(21);
    Rows r;
    for (int round = 0; round < 1400; ++round) {
      r.Fill(gen);
      const std::vector<uint8_t> mask = MakeMask(gen, round % 7);
      const bool hard = (round / 7) % 2 == 1;
      const int start = (round / 14) % 4, count = round % (kMaxPixels - 4);
      variants[k](r.fast.data() + 4 * start, r.from.data() + 4 * start, r.to.data() + 4 * start, mask.data() + start,
                  count, hard);
      wipe::ComposeRow32Plain(r.plain.data() + 4 * start, r.from.data() + 4 * start, r.to.data() + 4 * start,
                              mask.data() + start, count, hard);
      ASSERT_EQ(r.fast, r.plain) << "variant " << k << " round " << round << " shape " << round % 7 << " hard " << hard;
    }
  }
}

TEST(WipeRowsTest, ComposeEndsTakeOnePictureWhole) {
  std::mt19937 gen(4);
  Rows r;
  r.Fill(gen);
  std::vector<uint8_t> mask(kMaxPixels, 0);
  mask[3] = 255;
  mask[40] = 1;  // hard edge: any non-zero value takes the incoming pixel
  wipe::ComposeRow32(r.fast.data(), r.from.data(), r.to.data(), mask.data(), kMaxPixels, true);
  EXPECT_EQ(std::memcmp(r.fast.data(), r.from.data(), 12), 0);
  EXPECT_EQ(std::memcmp(r.fast.data() + 12, r.to.data() + 12, 4), 0);
  EXPECT_EQ(std::memcmp(r.fast.data() + 160, r.to.data() + 160, 4), 0);
  EXPECT_EQ(std::memcmp(r.fast.data() + 164, r.from.data() + 164, 4 * (kMaxPixels - 41)), 0);
  // Soft: 1 mixes ((t + 254 f) >> 8), 255 takes to exactly.
  wipe::ComposeRow32(r.fast.data(), r.from.data(), r.to.data(), mask.data(), kMaxPixels, false);
  EXPECT_EQ(r.fast[160], (r.to[160] + 254 * r.from[160]) >> 8);
  EXPECT_EQ(std::memcmp(r.fast.data() + 12, r.to.data() + 12, 4), 0);
}

TEST(WipeRowsTest, RuleMaskIsTheClampedShiftAtEveryLevel) {
  std::vector<uint8_t> rule(kMaxPixels), fast(kMaxPixels), plain(kMaxPixels);
  for (int i = 0; i < kMaxPixels; ++i) rule[i] = static_cast<uint8_t>(i < 3 ? (i == 0 ? 0 : 255) : i * 37);
  for (int shift = -256; shift <= 255; ++shift) {
    const int count = kMaxPixels - (shift & 15);
    wipe::RuleMaskRow(fast.data(), rule.data(), count, shift);
    wipe::RuleMaskRowPlain(plain.data(), rule.data(), count, shift);
    ASSERT_EQ(fast, plain) << shift;
  }
  // The plain rule itself at the ends of the ramp.
  wipe::RuleMaskRowPlain(plain.data(), rule.data(), 3, -256);
  EXPECT_EQ(plain[2], 0);
  wipe::RuleMaskRowPlain(plain.data(), rule.data(), 3, 255);
  EXPECT_EQ(plain[0], 255);
  wipe::RuleMaskRowPlain(plain.data(), rule.data(), 3, -255);
  EXPECT_EQ(plain[1], 0);
}

TEST(WipeRowsTest, BlendAtOneOpacityMatchesThePlainLoop) {
  const auto variants =
      Variants(&wipe::BlendRow32, &wipe::BlendRow32Sse2, KUZO_AVX2_OR(&wipe::BlendRow32Avx2, &wipe::BlendRow32));
  for (size_t k = 0; k < variants.size(); ++k) {
    std::mt19937 gen(8);
    Rows r;
    for (int opacity = 1; opacity <= 254; ++opacity) {
      r.Fill(gen);
      const int start = opacity % 3, count = opacity % (kMaxPixels - 3);
      variants[k](r.fast.data() + 4 * start, r.from.data() + 4 * start, count, opacity);
      wipe::BlendRow32Plain(r.plain.data() + 4 * start, r.from.data() + 4 * start, count, opacity);
      ASSERT_EQ(r.fast, r.plain) << "variant " << k << " opacity " << opacity;
    }
  }
  // (d*(255-a) + s*a) >> 8 with the fourth byte cleared: d = 200, s = 100, a = 64.
  std::vector<uint8_t> d = {200, 200, 200, 200}, s = {100, 100, 100, 100};
  wipe::BlendRow32Plain(d.data(), s.data(), 1, 64);
  EXPECT_EQ(d, (std::vector<uint8_t>{174, 174, 174, 0}));
}

TEST(WipeRowsTest, SpotPassageMatchesThePlainLoop) {
  const auto variants =
      Variants(&wipe::SpotRow32, &wipe::SpotRow32Sse2, KUZO_AVX2_OR(&wipe::SpotRow32Avx2, &wipe::SpotRow32));
  for (size_t k = 0; k < variants.size(); ++k) {
  std::mt19937 gen(13);
  Rows r;
  std::vector<int32_t> map(kMaxPixels);
  for (int round = 0; round < 600; ++round) {
    r.Fill(gen);
    const int32_t g = static_cast<int32_t>(gen() % 2000);
    // Map values around the passage's edges: g, g - 255, g - 256, g - 511, g - 512, and others.
    for (int i = 0; i < kMaxPixels; ++i) {
      const int32_t offsets[] = {0, 1, 255, 256, 511, 512, 513, -1};
      map[i] = i % 3 == 0 ? static_cast<int32_t>(gen() % 2500) : std::max(0, g - offsets[gen() % 8]);
    }
    if (round % 50 == 7) map[round % 11] = -5;  // never made by the spot; the kernel must still agree
    const int start = round % 4, count = round % (kMaxPixels - 4);
    variants[k](r.fast.data() + 4 * start, r.from.data() + 4 * start, r.to.data() + 4 * start, map.data() + start,
                count, g);
    wipe::SpotRow32Plain(r.plain.data() + 4 * start, r.from.data() + 4 * start, r.to.data() + 4 * start,
                         map.data() + start, count, g);
    ASSERT_EQ(r.fast, r.plain) << "variant " << k << " round " << round;
  }
  }
}

TEST(WipeRowsTest, CrossFadeMatchesThePlainLoop) {
  const auto variants =
      Variants(&wipe::FadeRow32, &wipe::FadeRow32Sse2, KUZO_AVX2_OR(&wipe::FadeRow32Avx2, &wipe::FadeRow32));
  for (size_t k = 0; k < variants.size(); ++k) {
    std::mt19937 gen(17);
    Rows r;
    for (int opacity = 0; opacity <= 255; ++opacity) {
      r.Fill(gen);
      // Some pixels equal in both rows: those stay as they are.
      for (int i = 0; i < kMaxPixels; i += 3) std::memcpy(&r.to[4 * i], &r.from[4 * i], 4);
      const int start = opacity % 4, count = opacity % (kMaxPixels - 4);
      variants[k](r.fast.data() + 4 * start, r.from.data() + 4 * start, r.to.data() + 4 * start, count, opacity);
      wipe::FadeRow32Plain(r.plain.data() + 4 * start, r.from.data() + 4 * start, r.to.data() + 4 * start, count,
                           opacity);
      ASSERT_EQ(r.fast, r.plain) << "variant " << k << " opacity " << opacity;
    }
  }
  // The plain rule: equal pixels keep even their fourth byte, others mix with it cleared.
  std::vector<uint8_t> f = {10, 20, 30, 40, 200, 200, 200, 9}, t = {10, 20, 30, 40, 100, 100, 100, 7}, d(8);
  wipe::FadeRow32Plain(d.data(), f.data(), t.data(), 2, 64);
  EXPECT_EQ(d, (std::vector<uint8_t>{10, 20, 30, 40, 174, 174, 174, 0}));
  // Full opacity still blends: 100 * 255 >> 8 = 99.
  wipe::FadeRow32Plain(d.data(), f.data(), t.data(), 2, 255);
  EXPECT_EQ(d, (std::vector<uint8_t>{10, 20, 30, 40, 99, 99, 99, 0}));
}

TEST(WipeRowsTest, GreyAddAndSubtractSaturate) {
  std::mt19937 gen(5);
  Rows r;
  for (int round = 0; round < 300; ++round) {
    r.Fill(gen);
    const uint32_t grey = (round % 256) * 0x010101u;
    const bool subtract = round % 2 == 1;
    const int start = round % 4, count = round % (kMaxPixels - 4);
    wipe::GreyRow32(r.fast.data() + 4 * start, r.from.data() + 4 * start, count, grey, subtract);
    wipe::GreyRow32Plain(r.plain.data() + 4 * start, r.from.data() + 4 * start, count, grey, subtract);
    ASSERT_EQ(r.fast, r.plain) << round;
  }
  std::vector<uint8_t> s = {250, 5, 128, 77}, d(4);
  wipe::GreyRow32Plain(d.data(), s.data(), 1, 10 * 0x010101u, false);
  EXPECT_EQ(d, (std::vector<uint8_t>{255, 15, 138, 77}));
  wipe::GreyRow32Plain(d.data(), s.data(), 1, 10 * 0x010101u, true);
  EXPECT_EQ(d, (std::vector<uint8_t>{240, 0, 118, 77}));
}

// Columns of both pictures, strips above, across and below the row, steps that stretch a few rows
// over many and the reverse, at every count around the vector width.
TEST(WipeRowsTest, TwistColumnsMatchThePlainLoop) {
  constexpr int kW = 40, kH = 50;
  std::mt19937 gen(29);
  std::vector<uint8_t> from(4 * kW * kH), to(4 * kW * kH);
  for (auto& b : from) b = static_cast<uint8_t>(gen());
  for (auto& b : to) b = static_cast<uint8_t>(gen());
  std::vector<int32_t> margin(kW), rows(kW), step(kW), side(kW), offset(kW);
  std::vector<uint8_t> fast(4 * kW), plain(4 * kW);
  for (int round = 0; round < 300; ++round) {
    for (int j = 0; j < kW; ++j) {
      const int n = static_cast<int>(gen() % (kH + 1));  // 0 .. H rows
      rows[j] = n;
      margin[j] = (kH - n) / 2;
      step[j] = n > 0 ? static_cast<int32_t>((int64_t{kH} << 16) / n) : 0;
      side[j] = static_cast<int32_t>(gen() % 2);
      offset[j] = static_cast<int32_t>(gen() % kW) * 4;
    }
    const wipe::TwistColumns c{margin.data(), rows.data(), step.data(), side.data(), offset.data(),
                               from.data(), 4 * kW, to.data(), 4 * kW};
    const int32_t y = round % kH;
    const int count = round % (kW + 1);
    std::vector<void (*)(uint8_t*, int32_t, int, const wipe::TwistColumns&)> variants = {&wipe::TwistRow32, &wipe::TwistRow32Sse2};
#if defined(__x86_64__) || defined(__i386__)
    if (__builtin_cpu_supports("avx2")) variants.push_back(&wipe::TwistRow32Avx2);
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw")) variants.push_back(&wipe::TwistRow32Avx512);
#endif
    for (size_t k = 0; k < variants.size(); ++k) {
      std::fill(fast.begin(), fast.end(), 0xAB);
      std::fill(plain.begin(), plain.end(), 0xAB);
      variants[k](fast.data(), y, count, c);
      wipe::TwistRow32Plain(plain.data(), y, count, c);
      ASSERT_EQ(fast, plain) << "variant " << k << " round " << round;
    }
  }
  // The plain rule: a strip of 2 rows from row 24 stretches rows 0 and 25 of its column.
  margin[0] = 24, rows[0] = 2, step[0] = (kH << 16) / 2, side[0] = 1, offset[0] = 8;
  const wipe::TwistColumns one{margin.data(), rows.data(), step.data(), side.data(), offset.data(),
                               from.data(), 4 * kW, to.data(), 4 * kW};
  for (int32_t y : {23, 24, 25, 26}) {
    wipe::TwistRow32Plain(plain.data(), y, 1, one);
    const int sourceRow = y == 24 ? 0 : 25;
    const bool black = y == 23 || y == 26;
    EXPECT_EQ(std::memcmp(plain.data(), black ? std::vector<uint8_t>(4, 0).data() : &from[4 * kW * sourceRow + 8], 4), 0) << y;
  }
}

// Columns as the column twist turns them: neighbours with slowly changing heights, so that eight
// columns read the same row, rows a few apart or rows far apart (steep screens), across the change
// from the outgoing to the incoming picture, with all-black rows above and below the strips, and
// runs whose columns are not neighbours. Every row of every phase against the plain loop.
TEST(WipeRowsTest, TwistRowOverTurningColumnsMatchesThePlainLoop) {
  std::mt19937 gen(41);
  for (auto [w, h] : {std::pair{61, 200}, std::pair{203, 50}, std::pair{37, 37}, std::pair{96, 1}}) {
    std::vector<uint8_t> from(static_cast<size_t>(4 * w * h)), to(from.size());
    for (auto& b : from) b = static_cast<uint8_t>(gen());
    for (auto& b : to) b = static_cast<uint8_t>(gen());
    std::vector<int32_t> margin(static_cast<size_t>(w)), rows(margin.size()), step(margin.size()), side(margin.size()),
        offset(margin.size());
    for (int phase = 0; phase <= 60; ++phase) {
      const double a = phase * 3 * 3.14159265358979 / 2 / 60;
      for (int j = 0; j < w; ++j) {
        const double phi = std::clamp(a - static_cast<double>(j) / w * 3.14159265358979 / 2, 0.0, 3.14159);
        const int32_t height = static_cast<int32_t>(std::lrint(std::cos(phi) * h));
        const int32_t n = std::abs(height);
        const size_t i = static_cast<size_t>(j);
        rows[i] = n;
        margin[i] = (h - n) / 2;
        step[i] = n > 0 ? static_cast<int32_t>((int64_t{h} << 16) / n) : 0;
        side[i] = height > 0 ? 1 : 0;
        // Every fifth phase a few columns read another column.
        offset[i] = 4 * (phase % 5 == 4 && gen() % 8 == 0 ? static_cast<int32_t>(gen() % w) : j);
      }
      // Runs of neighbours say so on every other phase; the vector loops then skip their own check.
      bool neighbours = phase % 2 == 0;
      for (int j = 0; j < w; ++j) neighbours = neighbours && offset[static_cast<size_t>(j)] == 4 * j;
      const wipe::TwistColumns c{margin.data(), rows.data(), step.data(), side.data(), offset.data(),
                                 from.data(), 4 * w, to.data(), 4 * w, neighbours};
      std::vector<void (*)(uint8_t*, int32_t, int, const wipe::TwistColumns&)> variants = {&wipe::TwistRow32,
                                                                                          &wipe::TwistRow32Sse2};
#if defined(__x86_64__) || defined(__i386__)
      if (__builtin_cpu_supports("avx2")) variants.push_back(&wipe::TwistRow32Avx2);
      if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw")) variants.push_back(&wipe::TwistRow32Avx512);
#endif
      std::vector<uint8_t> fast(static_cast<size_t>(4 * w)), plain(fast.size());
      for (int32_t y = 0; y < h; ++y) {
        wipe::TwistRow32Plain(plain.data(), y, w, c);
        for (size_t k = 0; k < variants.size(); ++k) {
          std::fill(fast.begin(), fast.end(), 0xAB);
          variants[k](fast.data(), y, w, c);
          ASSERT_EQ(fast, plain) << "variant " << k << " " << w << "x" << h << " phase " << phase << " row " << y;
        }
      }
      // The same columns in runs of one picture each, as the transition hands them over, saying so.
      for (int a = 0; a < w;) {
        int b = a;
        while (b < w && side[static_cast<size_t>(b)] == side[static_cast<size_t>(a)]) ++b;
        wipe::TwistColumns run = c.After(a);
        run.allSide = side[static_cast<size_t>(a)];
        for (int32_t y = 0; y < h; ++y) {
          std::fill(plain.begin(), plain.end(), 0xAB);
          wipe::TwistRow32Plain(plain.data(), y, b - a, run);
          for (size_t k = 0; k < variants.size(); ++k) {
            std::fill(fast.begin(), fast.end(), 0xAB);
            variants[k](fast.data(), y, b - a, run);
            ASSERT_EQ(fast, plain) << "variant " << k << " run " << a << ".." << b << " phase " << phase << " row " << y;
          }
        }
        a = b;
      }
    }
  }
}

// Rows written past the caches: with streaming on, long rows start at every offset from a 32-byte
// boundary (the head up to it goes through the plain loop, the rest through streaming stores, the
// tail again plain) and must hold the plain loop's bytes, the pixels around the row untouched.
TEST(WipeRowsTest, StreamedRowsMatchThePlainLoop) {
  constexpr int kPixels = 320;
  struct alignas(64) Row {
    uint8_t bytes[4 * kPixels];
  };
  std::mt19937 gen(57);
  Row from, to, fast, plain;
  for (Row* r : {&from, &to}) {
    for (auto& b : r->bytes) b = static_cast<uint8_t>(gen());
  }
  // Some pixels equal in both pictures (the cross-fade keeps those).
  for (int i = 0; i < kPixels; i += 5) std::memcpy(to.bytes + 4 * i, from.bytes + 4 * i, 4);
  std::vector<uint8_t> mask(kPixels);
  std::vector<int32_t> map(kPixels);
  std::vector<uint16_t> distance(kPixels);
  for (int i = 0; i < kPixels; ++i) {
    mask[static_cast<size_t>(i)] = (i / 40) % 3 == 0 ? 0 : ((i / 40) % 3 == 1 ? static_cast<uint8_t>(gen()) : 255);
    map[static_cast<size_t>(i)] = static_cast<int32_t>(gen() % 700);
    distance[static_cast<size_t>(i)] = static_cast<uint16_t>(map[static_cast<size_t>(i)]);
  }
  // Twist columns: neighbours, half of them in their strips at the chosen row.
  constexpr int kH = 8;
  std::vector<uint8_t> tall(static_cast<size_t>(4 * kPixels * kH));
  for (auto& b : tall) b = static_cast<uint8_t>(gen());
  std::vector<int32_t> margin(kPixels), rows(kPixels), step(kPixels), side(kPixels), offset(kPixels);
  for (int j = 0; j < kPixels; ++j) {
    const size_t i = static_cast<size_t>(j);
    rows[i] = (j / 50) % 2 == 0 ? kH : kH / 2;
    margin[i] = (kH - rows[i]) / 2;
    step[i] = static_cast<int32_t>((int64_t{kH} << 16) / rows[i]);
    side[i] = j < kPixels / 2 ? 1 : 0;
    offset[i] = 4 * j;
  }
  const wipe::TwistColumns columns{margin.data(), rows.data(), step.data(), side.data(), offset.data(),
                                   tall.data(), 4 * kPixels, tall.data() + 4, 4 * kPixels};

  using Kernel = std::function<void(uint8_t* dst, int start, int count, bool plainLoop)>;
  std::vector<std::pair<const char*, Kernel>> kernels = {
      {"compose", [&](uint8_t* d, int s, int n, bool p) {
         (p ? wipe::ComposeRow32Plain : wipe::ComposeRow32)(d, from.bytes + 4 * s, to.bytes + 4 * s, mask.data() + s, n, false);
       }},
      {"compose hard", [&](uint8_t* d, int s, int n, bool p) {
         (p ? wipe::ComposeRow32Plain : wipe::ComposeRow32)(d, from.bytes + 4 * s, to.bytes + 4 * s, mask.data() + s, n, true);
       }},
      {"fade", [&](uint8_t* d, int s, int n, bool p) {
         (p ? wipe::FadeRow32Plain : wipe::FadeRow32)(d, from.bytes + 4 * s, to.bytes + 4 * s, n, 77);
       }},
      {"spot", [&](uint8_t* d, int s, int n, bool p) {
         (p ? wipe::SpotRow32Plain : wipe::SpotRow32)(d, from.bytes + 4 * s, to.bytes + 4 * s, map.data() + s, n, 400);
       }},
      {"rule passage", [&](uint8_t* d, int s, int n, bool p) {
         (p ? wipe::RulePassRow32Plain : wipe::RulePassRow32)(d, from.bytes + 4 * s, to.bytes + 4 * s, mask.data() + s, n, 130, s % 2 == 0);
       }},
      {"spot passage", [&](uint8_t* d, int s, int n, bool p) {
         (p ? wipe::SpotPassRow32Plain : wipe::SpotPassRow32)(d, from.bytes + 4 * s, to.bytes + 4 * s, distance.data() + s, n, 400);
       }},
      {"twist", [&](uint8_t* d, int s, int n, bool p) {
         const wipe::TwistColumns c = columns.After(s);
         (p ? wipe::TwistRow32Plain : wipe::TwistRow32)(d, kH / 2 + 1, n, c);
       }},
  };
#if defined(__x86_64__) || defined(__i386__)
  // The chosen twist loop may be a wider one that does not stream; the AVX2 loop streams.
  if (__builtin_cpu_supports("avx2")) {
    kernels.emplace_back("twist avx2", [&](uint8_t* d, int s, int n, bool p) {
      const wipe::TwistColumns c = columns.After(s);
      (p ? wipe::TwistRow32Plain : wipe::TwistRow32Avx2)(d, kH / 2 + 1, n, c);
    });
  }
#endif
  const wipe::StreamingRows streaming(true);
  ASSERT_TRUE(wipe::StreamingRowsOn());
  for (const auto& [name, kernel] : kernels) {
    for (int start = 0; start < 10; ++start) {
      for (int count : {0, 7, 63, 64, 65, 71, 200, kPixels - 10}) {
        std::memset(fast.bytes, 0xAB, sizeof fast.bytes);
        std::memset(plain.bytes, 0xAB, sizeof plain.bytes);
        kernel(fast.bytes + 4 * start, start, count, false);
        kernel(plain.bytes + 4 * start, start, count, true);
        ASSERT_EQ(std::memcmp(fast.bytes, plain.bytes, sizeof fast.bytes), 0) << name << " start " << start << " count " << count;
      }
    }
  }
}

// The scope sets streaming for this thread only and puts back what was there before.
TEST(WipeRowsTest, StreamingScopesNestAndStayOnTheirThread) {
  EXPECT_FALSE(wipe::StreamingRowsOn());
  {
    const wipe::StreamingRows on(true);
    EXPECT_TRUE(wipe::StreamingRowsOn());
    bool other = true;
    std::thread([&] { other = wipe::StreamingRowsOn(); }).join();
    EXPECT_FALSE(other);
    {
      const wipe::StreamingRows off(false);
      EXPECT_FALSE(wipe::StreamingRowsOn());
    }
    EXPECT_TRUE(wipe::StreamingRowsOn());
  }
  EXPECT_FALSE(wipe::StreamingRowsOn());
}

// Ring cells whose source points fall inside and outside the screen (negative products included,
// which divide toward zero), on even and odd screens, at every run length around the vector width.
TEST(WipeRowsTest, RippleRingMatchesThePlainLoop) {
  std::mt19937 gen(31);
  for (auto [w, h] : {std::pair{48, 30}, std::pair{41, 27}}) {
    const int w2 = w / 2, h2 = h / 2, n = 20;
    std::vector<uint8_t> to(static_cast<size_t>(4 * w * h)), fast(to.size()), plain(to.size());
    for (auto& b : to) b = static_cast<uint8_t>(gen());
    std::vector<uint16_t> distance(static_cast<size_t>(w2 * h2));
    std::vector<int32_t> cosine(distance.size()), sine(distance.size()), profile(n);
    for (int round = 0; round < 40; ++round) {
      const int32_t level = 30 + round;
      for (auto& v : profile) v = static_cast<int32_t>(gen() % 41) - 20;
      for (size_t i = 0; i < distance.size(); ++i) {
        distance[i] = static_cast<uint16_t>(level - static_cast<int32_t>(gen() % n));  // inside the ring
        cosine[i] = static_cast<int32_t>(gen() % 131073) - 65536;
        sine[i] = static_cast<int32_t>(gen() % 131073) - 65536;
      }
      for (auto& b : fast) b = static_cast<uint8_t>(gen());
      plain = fast;
      wipe::RippleRing ring{distance.data(), cosine.data(), sine.data(), profile.data(), n, level, w2, h2, w, h,
                            to.data(), 4 * w, fast.data(), 4 * w, true};
      const int32_t y = round % h2, x0 = round % 5, x1 = std::min(w2, x0 + round % 19);
      std::vector<void (*)(const wipe::RippleRing&, int32_t, int32_t, int32_t)> variants = {&wipe::RippleRing32,
                                                                                          &wipe::RippleRing32Sse2};
#if defined(__x86_64__) || defined(__i386__)
      if (__builtin_cpu_supports("avx2")) variants.push_back(&wipe::RippleRing32Avx2);
#endif
      for (size_t k = 0; k < variants.size(); ++k) {
        std::vector<uint8_t> start = fast;
        variants[k](ring, y, x0, x1);
        wipe::RippleRing plainRing = ring;
        plainRing.dest = plain.data();
        wipe::RippleRing32Plain(plainRing, y, x0, x1);
        ASSERT_EQ(fast, plain) << "variant " << k << " size " << w << "x" << h << " round " << round;
        fast = start;
        plain = start;
      }
    }
  }
}

// The ripple's tables of a quarter screen of w2 x h2 cells, as the transition builds them: each
// cell's distance from the centre and the cosine and sine of its direction in 16.16, and the
// largest distance.
struct RippleTables {
  std::vector<uint16_t> distance;
  std::vector<int32_t> cosine, sine;
  int32_t largest;
  RippleTables(int w2, int h2)
      : distance(static_cast<size_t>(w2 * h2)), cosine(distance.size()), sine(distance.size()),
        largest(static_cast<int32_t>(std::lrint(std::hypot(w2, h2)))) {
    for (int y = 0; y < h2; ++y) {
      for (int x = 0; x < w2; ++x) {
        const size_t i = static_cast<size_t>(y * w2 + x);
        const double dx = x - w2, dy = y - h2, theta = std::atan2(dy, dx);
        distance[i] = static_cast<uint16_t>(std::lrint(std::hypot(dx, dy)));
        cosine[i] = static_cast<int32_t>(std::lrint(std::cos(theta) * 65536));
        sine[i] = static_cast<int32_t>(std::lrint(std::sin(theta) * 65536));
      }
    }
  }
};

// The ring over real tables (distances, cosines and sines of the screen's own cells), where
// neighbouring cells move by nearly the same offset: runs displaced as a whole, runs spread over a
// few columns and two rows, and runs whose window would leave the screen. Every level from
// nothing reached to everything passed, sawtooth and random profiles, even and odd screens.
TEST(WipeRowsTest, RippleRingOverRealTablesMatchesThePlainLoop) {
  std::mt19937 gen(37);
  for (auto [w, h] : {std::pair{96, 60}, std::pair{101, 67}, std::pair{70, 33}}) {
    const int w2 = w / 2, h2 = h / 2;
    std::vector<uint8_t> to(static_cast<size_t>(4 * w * h)), start(to.size());
    for (auto& b : to) b = static_cast<uint8_t>(gen());
    for (auto& b : start) b = static_cast<uint8_t>(gen());
    const RippleTables tables(w2, h2);
    const auto& [distance, cosine, sine, largest] = tables;
    for (int32_t amplitude : {0, 3, 5, 12, -7, 1000}) {
      const int n = std::min(w2, h2) * 2 / 3, q = n / 4;
      std::vector<int32_t> profile(static_cast<size_t>(n));
      for (int i = 0; i < n; ++i) {
        profile[static_cast<size_t>(i)] = amplitude == 1000 ? static_cast<int32_t>(gen() % 7) - 3 : i % q * amplitude / q;
      }
      for (int32_t level = 0; level <= largest + n; level += 3) {
        std::vector<uint8_t> fast = start, plain = start, chosen = start, sse2 = start;
        wipe::RippleRing ring{distance.data(), cosine.data(), sine.data(), profile.data(), n, level, w2, h2, w, h,
                              to.data(), 4 * w, fast.data(), 4 * w, true};
        wipe::RippleRing plainRing = ring, chosenRing = ring, sse2Ring = ring;
        plainRing.dest = plain.data();
        chosenRing.dest = chosen.data();
        sse2Ring.dest = sse2.data();
        for (int y = 0; y < h2; ++y) {
          // The ring's stretch of this row: level - n + 1 <= distance <= level.
          int x0 = 0;
          while (x0 < w2 && distance[static_cast<size_t>(y * w2 + x0)] > level) ++x0;
          int x1 = x0;
          while (x1 < w2 && distance[static_cast<size_t>(y * w2 + x1)] + n - 1 >= level) ++x1;
          wipe::RippleRing32Plain(plainRing, y, x0, x1);
          wipe::RippleRing32(chosenRing, y, x0, x1);
          wipe::RippleRing32Sse2(sse2Ring, y, x0, x1);
#if defined(__x86_64__) || defined(__i386__)
          if (__builtin_cpu_supports("avx2")) wipe::RippleRing32Avx2(ring, y, x0, x1);
#endif
        }
        ASSERT_EQ(chosen, plain) << w << "x" << h << " amplitude " << amplitude << " level " << level;
        ASSERT_EQ(sse2, plain) << "sse2 " << w << "x" << h << " amplitude " << amplitude << " level " << level;
#if defined(__x86_64__) || defined(__i386__)
        if (__builtin_cpu_supports("avx2")) {
          ASSERT_EQ(fast, plain) << "avx2 " << w << "x" << h << " amplitude " << amplitude << " level " << level;
        }
#endif
      }
    }
  }
}

// Parts of the ring's stretches over real tables, on pictures whose rows are padded: every run
// length from one cell to several vector steps (a run not a whole number of steps ends with a step
// overlapping the one before), starts anywhere in the stretch, profile entries near the profile's
// end (the inner edge of the ring) and profiles shorter than a vector window.
TEST(WipeRowsTest, RippleRingPartsOfStretchesMatchThePlainLoop) {
  std::mt19937 gen(41);
  for (auto [w, h] : {std::pair{203, 121}, std::pair{160, 90}, std::pair{44, 25}}) {
    const int w2 = w / 2, h2 = h / 2;
    const ptrdiff_t toPitch = 4 * w + 12, destPitch = 4 * w + 20;
    std::vector<uint8_t> to(static_cast<size_t>(toPitch * h)), start(static_cast<size_t>(destPitch * h));
    for (auto& b : to) b = static_cast<uint8_t>(gen());
    for (auto& b : start) b = static_cast<uint8_t>(gen());
    const RippleTables tables(w2, h2);
    const auto& [distance, cosine, sine, largest] = tables;
    for (int32_t amplitude : {5, 0, -9, 40}) {
      const int n = std::min(w2, h2) * 2 / 3, q = n / 4;
      std::vector<int32_t> profile(static_cast<size_t>(n));
      for (int i = 0; i < n; ++i) profile[static_cast<size_t>(i)] = q == 0 ? 0 : i % q * amplitude / q;
      for (int32_t level = 0; level <= largest + n; level += 5) {
        std::vector<uint8_t> plain = start;
        std::vector<std::vector<uint8_t>> fast;
        wipe::RippleRing ring{distance.data(), cosine.data(), sine.data(), profile.data(), n, level, w2, h2, w, h,
                              to.data(), toPitch, plain.data(), destPitch, true};
        const auto variants = Variants(&wipe::RippleRing32, &wipe::RippleRing32Sse2,
                                       KUZO_AVX2_OR(&wipe::RippleRing32Avx2, &wipe::RippleRing32Sse2));
        fast.assign(variants.size(), start);
        for (int y = 0; y < h2; ++y) {
          int x0 = 0;
          while (x0 < w2 && distance[static_cast<size_t>(y * w2 + x0)] > level) ++x0;
          int x1 = x0;
          while (x1 < w2 && distance[static_cast<size_t>(y * w2 + x1)] + n - 1 >= level) ++x1;
          if (x0 == x1) continue;
          // A part of the stretch: cut a few cells off either end.
          const int a = x0 + static_cast<int>(gen() % static_cast<unsigned>(std::min(x1 - x0, 4)));
          const int b = x1 - static_cast<int>(gen() % static_cast<unsigned>(std::min(x1 - a, 4)));
          ring.dest = plain.data();
          wipe::RippleRing32Plain(ring, y, a, b);
          for (size_t k = 0; k < variants.size(); ++k) {
            ring.dest = fast[k].data();
            variants[k](ring, y, a, b);
          }
        }
        for (size_t k = 0; k < variants.size(); ++k) {
          ASSERT_EQ(fast[k], plain) << "variant " << k << " " << w << "x" << h << " amplitude " << amplitude
                                    << " level " << level;
        }
      }
    }
  }
}

}  // namespace
}  // namespace kuzo
