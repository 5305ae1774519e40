// The transition framework and catalogue: finishing, the factory's numbers and defaults, parameter
// limits, the mask mix, surfaces of different sizes, and every kind run through its whole duration
// in both directions on 16- and 32-bit surfaces.
#include "transitions/custom_wipe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <random>

#include "tests/transitions/wipe_test_util.h"
#include "transitions/wipe_catalogue.h"
#include "graphics/blend_reference.h"
#include "transitions/wipe_pass_rows.h"
#include "transitions/wipe_surface_ops.h"

namespace kuzo {
namespace {

using test::Grey;

TEST(WipeCatalogueTest, NumbersOutsideTheTableCreateNothing) {
  TDIBX a(4, 4, 32), b(4, 4, 32), c(4, 4, 32);
  EXPECT_EQ(CreateTransition(0, a, b, c), nullptr);
  EXPECT_EQ(CreateTransition(39, a, b, c), nullptr);
  EXPECT_EQ(CreateTransition(-5, a, b, c), nullptr);
  for (int32_t n = 1; n <= kWipeKindCount; ++n) EXPECT_NE(CreateTransition(n, a, b, c), nullptr) << n;
}

TEST(WipeCatalogueTest, FactorySetsDefaultsThroughSetParam) {
  TDIBX a(64, 64, 32), b(64, 64, 32), c(64, 64, 32);
  const auto params = [&](WipeKind k) {
    auto w = CreateTransition(static_cast<int32_t>(k), a, b, c);
    return std::pair{w->GetParam(0), w->GetParam(1)};
  };
  EXPECT_EQ(params(WipeKind::kFade), std::pair(0, 0));
  EXPECT_EQ(params(WipeKind::kBlindH), std::pair(20, 1));
  EXPECT_EQ(params(WipeKind::kGrid), std::pair(80, 30));
  EXPECT_EQ(params(WipeKind::kRipple), std::pair(5, 0));
  EXPECT_EQ(params(WipeKind::kCrack), std::pair(64, 3));
  // Mask transitions store parameter 0 as at least 2 and parameter 1 as at least 1.
  EXPECT_EQ(params(WipeKind::kDither), std::pair(2, 1));
  EXPECT_EQ(params(WipeKind::kBlockCoil), std::pair(60, 1));
  WipeServices centred;
  centred.zoomCentre = std::pair{320, 240};
  EXPECT_EQ(CreateTransition(static_cast<int32_t>(WipeKind::kZoomin), a, b, c, centred)->GetParam(1), 240);
  EXPECT_EQ(CreateTransition(static_cast<int32_t>(WipeKind::kFade), a, b, c, centred)->GetParam(0), 0);
  EXPECT_EQ(params(WipeKind::kZoomin), std::pair(0, 0));
  EXPECT_EQ(FindWipeKind("ripple")->kind, WipeKind::kRipple);
  EXPECT_EQ(FindWipeKind("TWipeBlockRandom")->kind, WipeKind::kBlockRandom);
  EXPECT_EQ(FindWipeKind("nothing"), nullptr);
}

TEST(WipeCatalogueTest, ParameterLimits) {
  TDIBX a(64, 64, 32), b(64, 64, 32), c(64, 64, 32);
  auto curtain = CreateTransition(static_cast<int32_t>(WipeKind::kCurtainH), a, b, c);
  curtain->SetParam(0, -7);
  curtain->SetParam(1, 0);
  EXPECT_EQ(curtain->GetParam(0), 1);  // curtains keep both at least 1
  EXPECT_EQ(curtain->GetParam(1), 1);
  auto blind = CreateTransition(static_cast<int32_t>(WipeKind::kBlindH), a, b, c);
  blind->SetParam(0, 1);
  blind->SetParam(1, -3);
  EXPECT_EQ(blind->GetParam(0), 2);
  EXPECT_EQ(blind->GetParam(1), 1);
  auto crack = CreateTransition(static_cast<int32_t>(WipeKind::kCrack), a, b, c);
  crack->SetParam(0, 3);
  crack->SetParam(1, -1);
  EXPECT_EQ(crack->GetParam(0), 16);
  EXPECT_EQ(crack->GetParam(1), 0);
  EXPECT_EQ(crack->GetParam(2), 0);  // there are only two parameters
}

// A step at or past the duration reports finished and draws nothing, whatever the kind.
TEST(WipeFrameworkTest, FinishedStepDrawsNothing) {
  const TDIBX from = Grey(8, 8, {10}), to = Grey(8, 8, {200});
  for (int32_t n = 1; n <= kWipeKindCount; ++n) {
    for (int32_t elapsed : {100, 101, INT32_MAX}) {
      TDIBX dest = Grey(8, 8, {77});
      auto w = CreateTransition(n, dest, from, to);
      w->Duration = 100;
      w->Prepare();
      w->Elapsed = elapsed;
      EXPECT_TRUE(w->StepFrame()) << n;
      EXPECT_EQ(test::Blue(dest), std::vector<int>(64, 77)) << n;
    }
    // A zero (or negative) duration finishes at once.
    TDIBX dest = Grey(8, 8, {77});
    auto w = CreateTransition(n, dest, from, to);
    w->Duration = 0;
    w->Prepare();
    EXPECT_TRUE(w->StepFrame()) << n;
    EXPECT_EQ(test::Blue(dest), std::vector<int>(64, 77)) << n;
  }
}

TEST(WipeFrameworkTest, RoundingIsToEven) {
  EXPECT_EQ(RoundEven(0.5), 0);
  EXPECT_EQ(RoundEven(1.5), 2);
  EXPECT_EQ(RoundEven(2.5), 2);
  EXPECT_EQ(RoundEven(-1.5), -2);
  EXPECT_EQ(RoundEven(1e300), INT32_MAX);
}

TEST(WipeMixTest, ChannelsMixInProportion) {
  // 32 bits: blue (0*64 + 200*191) >> 8 = 149, red (100*64) >> 8 = 25.
  EXPECT_EQ(wipe::MixPixel<PixelFormat::kRgb32>(0x000000C8u, 0x00640000u, 64), 0x00190095u);
  EXPECT_EQ(wipe::MixPixel<PixelFormat::kRgb32>(0x000000C8u, 0x00640000u, 0), 0x000000C8u);
  EXPECT_EQ(wipe::MixPixel<PixelFormat::kRgb32>(0x000000C8u, 0x00640000u, 255), 0x00640000u);
  // 5-6-5: red 31*127 >> 8 = 15, blue 31*128 >> 8 = 15.
  EXPECT_EQ(wipe::MixPixel<PixelFormat::kRgb565>(0xF800u, 0x001Fu, 128), 0x780Fu);
  // 5-5-5: green 31*(255-200) >> 8 = 6, blue 16*200 >> 8 = 12.
  EXPECT_EQ(wipe::MixPixel<PixelFormat::kRgb555>(0x03E0u, 0x0010u, 200), 0x00CCu);
}

// The four-bytes-at-once saturating add and subtract against the per-byte rules.
TEST(WipeMixTest, SaturatingBytesMatchThePerByteRules) {
  std::mt19937 gen(11);
  const uint32_t edges[] = {0, 1, 0x7F, 0x80, 0x81, 0xFE, 0xFF};
  std::vector<std::pair<uint32_t, uint32_t>> cases;
  for (uint32_t a : edges) {
    for (uint32_t b : edges) cases.emplace_back(a * 0x01010101u, b * 0x01010101u);
  }
  for (int i = 0; i < 200000; ++i) cases.emplace_back(gen(), gen());
  for (auto [a, b] : cases) {
    ASSERT_EQ(wipe::AddSatBytes(a, b), blend::AddSatPixel<PixelFormat::kRgb32>(a, b)) << std::hex << a << " " << b;
    ASSERT_EQ(wipe::SubSatBytes(a, b), blend::SubSatPixel<PixelFormat::kRgb32>(a, b)) << std::hex << a << " " << b;
    // Between 0 and 255 (where the mix picks a pixel whole), the two-channels-per-multiply mix is
    // the blend rule on the colour bytes.
    const uint32_t m = 1 + gen() % 254;
    ASSERT_EQ(wipe::MixPixel<PixelFormat::kRgb32>(a, b, m) & 0xFFFFFFu, blend::BlendPixel<PixelFormat::kRgb32>(a, b, m));
  }
}

// The row mix (vector loop and tail) against the per-pixel rule, at every length and alignment.
TEST(WipeMixTest, RowMixMatchesThePixelRule) {
  std::mt19937 gen(3);
  std::vector<uint8_t> from(4 * 80), to(4 * 80), mask(80), dst(4 * 80);
  for (int round = 0; round < 200; ++round) {
    for (auto& b : from) b = static_cast<uint8_t>(gen());
    for (auto& b : to) b = static_cast<uint8_t>(gen());
    for (auto& b : mask) b = static_cast<uint8_t>(1 + gen() % 254);
    const int start = round % 5, count = round % 70;
    wipe::MixRow32(dst.data() + 4 * start, from.data() + 4 * start, to.data() + 4 * start, mask.data() + start, count);
    for (int i = start; i < start + count; ++i) {
      uint32_t f, t, d;
      std::memcpy(&f, &from[4 * i], 4);
      std::memcpy(&t, &to[4 * i], 4);
      std::memcpy(&d, &dst[4 * i], 4);
      ASSERT_EQ(d, wipe::MixPixel<PixelFormat::kRgb32>(f, t, mask[i])) << round << " " << i;
    }
  }
}

// Every pair of bytes at every mask value between 0 and 255 through the row mix: the rule
// (t*m + f*(255-m)) >> 8 byte by byte.
TEST(WipeMixTest, RowMixIsExactForEveryByteAndMaskValue) {
  constexpr int kPixels = 256 * 256 / 4;  // four (f, t) pairs per pixel
  std::vector<uint8_t> from(4 * kPixels), to(4 * kPixels), dst(4 * kPixels), mask(kPixels);
  for (int i = 0; i < 256 * 256; ++i) {
    from[static_cast<size_t>(i)] = static_cast<uint8_t>(i >> 8);
    to[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
  }
  for (int m = 1; m < 255; ++m) {
    std::fill(mask.begin(), mask.end(), static_cast<uint8_t>(m));
    wipe::MixRow32(dst.data(), from.data(), to.data(), mask.data(), kPixels);
    for (int i = 0; i < 256 * 256; ++i) {
      const int f = i >> 8, t = i & 255;
      ASSERT_EQ(dst[static_cast<size_t>(i)], (t * m + f * (255 - m)) >> 8) << "f " << f << " t " << t << " m " << m;
    }
  }
}

// The masked row: runs of 0 and 255 copied, values between mixed, against the per-pixel rule.
TEST(WipeMixTest, MaskRowMatchesThePixelRule) {
  std::mt19937 gen(5);
  std::vector<uint8_t> from(4 * 90), to(4 * 90), mask(90), dst(4 * 90);
  for (int round = 0; round < 300; ++round) {
    for (auto& b : from) b = static_cast<uint8_t>(gen());
    for (auto& b : to) b = static_cast<uint8_t>(gen());
    // Runs of a few values, so long and short runs of 0, 255 and mixes all occur.
    for (size_t i = 0; i < mask.size();) {
      const uint8_t values[] = {0, 255, 1, 254, 128};
      const uint8_t v = values[gen() % 5] == 128 ? static_cast<uint8_t>(gen()) : values[gen() % 5];
      for (size_t n = 1 + gen() % 24; n > 0 && i < mask.size(); --n) mask[i++] = v;
    }
    const int start = round % 7, count = round % 83;
    wipe::MaskRow32(dst.data() + 4 * start, from.data() + 4 * start, to.data() + 4 * start, mask.data() + start, count);
    for (int i = start; i < start + count; ++i) {
      uint32_t f, t, d;
      std::memcpy(&f, &from[4 * i], 4);
      std::memcpy(&t, &to[4 * i], 4);
      std::memcpy(&d, &dst[4 * i], 4);
      ASSERT_EQ(d, wipe::MixPixel<PixelFormat::kRgb32>(f, t, mask[i])) << round << " " << i;
    }
  }
}

// The passage through white or black (vector loop and tail) against the per-pixel rule, at every
// length and alignment, with the levels where the picture and the grey change among them. The levels
// come from a rule image: shift 0 gives levels 0 .. 255 and shift 256 levels 256 .. 511.
TEST(WipeMixTest, GreyPassRowMatchesThePixelRule) {
  std::mt19937 gen(7);
  const uint16_t edges[] = {0, 1, 254, 255, 256, 257, 510, 511};
  std::vector<uint8_t> from(4 * 80), to(4 * 80), dst(4 * 80), rule(80);
  std::vector<uint16_t> level(80);
  for (int round = 0; round < 400; ++round) {
    for (auto& b : from) b = static_cast<uint8_t>(gen());
    for (auto& b : to) b = static_cast<uint8_t>(gen());
    const int shift = (round / 2) % 2 == 0 ? 0 : 256;
    for (auto& l : level) {
      l = gen() % 3 == 0 ? edges[gen() % 4 + (shift == 0 ? 0 : 4)] : static_cast<uint16_t>(shift + gen() % 256);
    }
    for (size_t i = 0; i < rule.size(); ++i) rule[i] = static_cast<uint8_t>(level[i] - shift);
    const int start = round % 5, count = round % 70;
    const bool darken = round % 2 == 1;
    wipe::RulePassRow32(dst.data() + 4 * start, from.data() + 4 * start, to.data() + 4 * start, rule.data() + start,
                        count, shift, darken);
    for (int i = start; i < start + count; ++i) {
      const int v = level[static_cast<size_t>(i)];
      const uint8_t* src = v < 256 ? &from[4 * i] : &to[4 * i];
      const int grey = v < 256 ? v : 511 - v;
      for (int c = 0; c < 4; ++c) {
        const int add = c == 3 ? 0 : grey;  // the fourth byte carries no colour and gets no grey
        const int want = darken ? std::max(0, src[c] - add) : std::min(255, src[c] + add);
        ASSERT_EQ(dst[4 * i + c], want) << "round " << round << " pixel " << i << " byte " << c << " level " << v;
      }
    }
  }
}

// A circle's mask against the disc test evaluated pixel by pixel, on odd and even sizes.
TEST(WipeMixTest, CircleSpansMatchThePixelTest) {
  for (auto [w, h] : {std::pair{7, 5}, std::pair{8, 8}, std::pair{31, 12}, std::pair{2, 9}}) {
    const TDIBX from = Grey(w, h, {0}), to = Grey(w, h, {255});
    for (int e = 0; e < 16; ++e) {
      for (bool reverse : {false, true}) {
        const auto frame = test::Frame(WipeKind::kCircle, from, to, e, 16, test::FrameArgs{reverse});
        const double full = std::hypot(w / 2.0, h / 2.0);
        const int r = RoundEven(full * (reverse ? (16.0 - e - 1) / 16 : e / 16.0));
        for (int y = 0; y < h; ++y) {
          for (int x = 0; x < w; ++x) {
            const double dx = x + 0.5 - w / 2.0, dy = y + 0.5 - h / 2.0;
            const bool inside = dx * dx + dy * dy < static_cast<double>(r) * r;
            ASSERT_EQ(frame[static_cast<size_t>(y * w + x)], inside != reverse ? 255 : 0) << w << "x" << h << " " << e;
          }
        }
      }
    }
  }
}

// From, To and Dest of different sizes compose over their common area; the rest of Dest stays.
TEST(WipeFrameworkTest, DifferentSizesComposeOverTheIntersection) {
  TDIBX dest = Grey(4, 4, {77});
  const TDIBX from = Grey(3, 3, {0}), to = Grey(4, 2, {255});
  for (int32_t n = 1; n <= kWipeKindCount; ++n) {
    dest.Fill(77 * 0x010101u);
    auto w = CreateTransition(n, dest, from, to);
    w->Duration = 8;
    w->Prepare();
    for (int e = 0; e < 8; ++e) {
      w->Elapsed = e;
      EXPECT_FALSE(w->StepFrame());
    }
    const auto blue = test::Blue(dest);
    for (int y = 0; y < 4; ++y) {
      for (int x = 0; x < 4; ++x) {
        if (x < 3 && y < 2) continue;
        EXPECT_EQ(blue[static_cast<size_t>(y * 4 + x)], 77) << n << " at " << x << "," << y;
      }
    }
  }
}

// Every kind, both directions, 16 and 32 bits, odd and tiny sizes, every elapsed value: no fault
// (the sanitizers watch), and the last frame before the end never leaves Dest untouched.
TEST(WipeFrameworkTest, EveryKindRunsThroughItsDuration) {
  std::mt19937 gen(5);
  for (int bits : {16, 32}) {
    for (auto [w, h] : {std::pair{33, 21}, std::pair{3, 2}, std::pair{1, 1}}) {
      TDIBX from(w, h, bits), to(w, h, bits), dest(w, h, bits);
      for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
          from.SetPixel(x, y, gen() & 0xFFFF);
          to.SetPixel(x, y, gen() & 0xFFFF);
        }
      }
      for (int32_t n = 1; n <= kWipeKindCount; ++n) {
        for (uint8_t reverse : {0, 1}) {
          dest.Assign(from);
          RuntimeRandom random;
          WipeServices services;
          services.random = &random;
          auto wipe = CreateTransition(n, dest, from, to, services);
          wipe->Duration = 40;
          wipe->SetReverse(reverse);
          wipe->SetRuleName("absent");
          wipe->Prepare();
          for (int32_t e = 0; e < 40; ++e) {
            wipe->Elapsed = e;
            ASSERT_FALSE(wipe->StepFrame()) << n;
          }
          wipe->Elapsed = 40;
          EXPECT_TRUE(wipe->StepFrame()) << n;
        }
      }
    }
  }
}

// Extreme parameters and times are computed in 64 bits (UBSan would stop the test on overflow).
TEST(WipeFrameworkTest, ExtremeValuesDoNotOverflow) {
  const TDIBX from = Grey(16, 8, {10}), to = Grey(16, 8, {200});
  for (int32_t n = 1; n <= kWipeKindCount; ++n) {
    for (int32_t p : {INT32_MAX, INT32_MIN, 0}) {
      TDIBX dest = Grey(16, 8, {77});
      auto w = CreateTransition(n, dest, from, to);
      w->SetParam(0, p);
      w->SetParam(1, p);
      w->Duration = INT32_MAX;
      w->Prepare();
      for (int32_t e : {0, INT32_MAX / 2, INT32_MAX - 1}) {
        w->Elapsed = e;
        EXPECT_FALSE(w->StepFrame()) << n;
      }
    }
  }
}

}  // namespace
}  // namespace kuzo
