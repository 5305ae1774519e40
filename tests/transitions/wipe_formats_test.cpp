// Every kind on 32-bit screens, where most kinds take row kernels of their own, against the same
// kind on 24-bit screens, which go through the per-format loops and the surface operations: the
// colours of every frame must agree.
#include <gtest/gtest.h>

#include <iterator>
#include <memory>
#include <optional>
#include <random>
#include <string>

#include "graphics/dibx.h"
#include "transitions/wipe_catalogue.h"
#include "transitions/wipe_rows.h"

namespace kuzo {
namespace {

struct Pictures {
  TDIBX from32, to32, from24, to24;
  Pictures(int w, int h, uint32_t seed) : from32(w, h, 32), to32(w, h, 32), from24(w, h, 24), to24(w, h, 24) {
    std::mt19937 gen(seed);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        // Some pixels equal in both pictures (the cross-fade keeps those), some saturating.
        const uint32_t f = gen() & 0xFFFFFFu;
        const uint32_t t = (x + y) % 7 == 0 ? f : ((x * y) % 5 == 0 ? 0xFFFFFFu : gen() & 0xFFFFFFu);
        from32.SetPixel(x, y, f), from24.SetPixel(x, y, f);
        to32.SetPixel(x, y, t), to24.SetPixel(x, y, t);
      }
    }
  }
};

std::string Differences(const TDIBX& a, const TDIBX& b) {
  for (int y = 0; y < a.Height(); ++y) {
    for (int x = 0; x < a.Width(); ++x) {
      if ((a.GetPixel(x, y) & 0xFFFFFFu) != (b.GetPixel(x, y) & 0xFFFFFFu)) {
        return "at " + std::to_string(x) + "," + std::to_string(y);
      }
    }
  }
  return "";
}

// A 32-bit and a 24-bit screen starting from the outgoing picture, each with the kind's
// transition from it to the incoming one.
struct ScreenPair {
  TDIBX d32, d24;
  std::unique_ptr<TCustomWipe> w32, w24;
  ScreenPair(int32_t kind, const Pictures& p, const std::optional<TRect>& clip = std::nullopt)
      : d32(p.from32.Width(), p.from32.Height(), 32), d24(p.from24.Width(), p.from24.Height(), 24) {
    d32.Assign(p.from32);
    d24.Assign(p.from24);
    if (clip) d32.SetClip(*clip), d24.SetClip(*clip);
    w32 = CreateTransition(kind, d32, p.from32, p.to32);
    w24 = CreateTransition(kind, d24, p.from24, p.to24);
  }
  // Both transitions at elapsed time e; the colours that differ, or "".
  std::string Step(int e) {
    w32->Elapsed = e, w24->Elapsed = e;
    w32->StepFrame();
    w24->StepFrame();
    return Differences(d32, d24);
  }
};

struct Setting {
  bool reverse;
  std::optional<int32_t> param0, param1;
};

// Both screens with the same clip (or none): the 32-bit one-pass loops stand aside where the
// surface operations they replace would honour a clip.
void CheckEveryKind(const std::optional<TRect>& clip) {
  const Setting settings[] = {{false, {}, {}}, {true, {}, {}}, {false, 13, 9}, {true, -7, 40}, {false, 90, 1}};
  for (auto [w, h] : {std::pair{37, 29}, std::pair{64, 16}, std::pair{3, 41}}) {
    const Pictures p(w, h, static_cast<uint32_t>(w * h));
    for (int32_t kind = 1; kind <= kWipeKindCount; ++kind) {
      for (size_t s = 0; s < std::size(settings); ++s) {
        const Setting& set = settings[s];
        ScreenPair pair(kind, p, clip);
        for (TCustomWipe* wipe : {pair.w32.get(), pair.w24.get()}) {
          if (set.param0) wipe->SetParam(0, *set.param0);
          if (set.param1) wipe->SetParam(1, *set.param1);
          wipe->Duration = 300;
          wipe->SetReverse(set.reverse ? 1 : 0);
          wipe->Prepare();
        }
        // Frames across the duration and the last one (the cross-fades reach opacity 255 there).
        for (int e : {0, 13, 40, 77, 111, 150, 151, 190, 222, 256, 270, 299}) {
          const std::string diff = pair.Step(e);
          ASSERT_EQ(diff, "") << "kind " << kind << " (" << FindWipeKind(kind)->name << ") size " << w << "x" << h
                              << " setting " << s << " elapsed " << e << (clip ? " clipped" : "");
        }
      }
    }
  }
}

TEST(WipeFormatsTest, EveryKindDrawsTheSameColoursAt32And24Bits) { CheckEveryKind(std::nullopt); }

TEST(WipeFormatsTest, EveryKindDrawsTheSameColoursOnClippedScreens) { CheckEveryKind(TRect{1, 2, 30, 13}); }

// The kinds whose 32-bit kernels take runs of neighbouring pixels (the ripple's ring windows, the
// column twist's row loads) on screens wide and tall enough for whole vector steps, odd and even,
// at every few frames: the same colours as the per-format loops.
TEST(WipeFormatsTest, RippleAndColumnTwistOnLargerScreens) {
  for (auto [w, h] : {std::pair{203, 117}, std::pair{160, 90}}) {
    const Pictures p(w, h, static_cast<uint32_t>(w + h));
    for (WipeKind kind : {WipeKind::kRipple, WipeKind::kTwistV}) {
      for (int32_t amplitude : {5, 13, -7}) {
        ScreenPair pair(static_cast<int32_t>(kind), p);
        for (TCustomWipe* wipe : {pair.w32.get(), pair.w24.get()}) {
          wipe->SetParam(0, amplitude);
          wipe->Duration = 300;
          wipe->SetReverse(amplitude < 0 ? 1 : 0);
          wipe->Prepare();
        }
        for (int e = 0; e < 300; e += 7) {
          ASSERT_EQ(pair.Step(e), "") << FindWipeKind(static_cast<int32_t>(kind))->name << " size " << w << "x"
                                               << h << " amplitude " << amplitude << " elapsed " << e;
        }
      }
    }
  }
}

// Frames large enough to be written past the caches, with an odd width so that rows start at
// every offset from a 32-byte boundary: the 32-bit kernels streaming their rows against the 24-bit
// per-format loops, for the kinds whose kernels stream.
TEST(WipeFormatsTest, FramesLargeEnoughToStreamDrawTheSameColours) {
  constexpr int w = 1031, h = 1020;
  ASSERT_GE(int64_t{w} * 4 * h, wipe::kStreamingFrameBytes);
  const Pictures p(w, h, 71);
  for (WipeKind kind : {WipeKind::kFade, WipeKind::kCurtainH, WipeKind::kDither, WipeKind::kSpot, WipeKind::kTwistV,
                        WipeKind::kCircle, WipeKind::kScrollH, WipeKind::kScrollV, WipeKind::kShadowWhite}) {
    ScreenPair pair(static_cast<int32_t>(kind), p);
    for (TCustomWipe* wipe : {pair.w32.get(), pair.w24.get()}) {
      wipe->Duration = 300;
      wipe->SetReverse(kind == WipeKind::kScrollV ? 1 : 0);
      wipe->Prepare();
    }
    for (int e : {75, 150, 260}) {
      ASSERT_EQ(pair.Step(e), "") << FindWipeKind(static_cast<int32_t>(kind))->name << " elapsed " << e;
    }
  }
}

}  // namespace
}  // namespace kuzo
