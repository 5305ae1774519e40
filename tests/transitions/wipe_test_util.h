// Small surfaces for transition goldens and a helper that renders one frame: the screen starts as a
// copy of the outgoing picture, the transition is created with its defaults, given its parameters,
// duration and direction, prepared, and stepped once at the elapsed time.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "graphics/dibx.h"
#include "transitions/wipe_catalogue.h"

namespace kuzo::test {

// A 32-bit surface whose pixel i (row-major) is the grey values[i], or values[0] everywhere.
inline TDIBX Grey(int w, int h, const std::vector<int>& values) {
  TDIBX s(w, h, 32);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const size_t i = values.size() == 1 ? 0 : static_cast<size_t>(y) * w + x;
      s.SetPixel(x, y, static_cast<Pixel>(values[i]) * 0x010101u);
    }
  }
  return s;
}

// Blue channel of every pixel, row-major.
inline std::vector<int> Blue(const TCustomDIBX& s) {
  std::vector<int> out;
  for (int y = 0; y < s.Height(); ++y) {
    for (int x = 0; x < s.Width(); ++x) out.push_back(static_cast<int>(s.GetPixel(x, y) & 0xFF));
  }
  return out;
}

struct FrameArgs {
  bool reverse = false;
  std::optional<int32_t> param0;
  std::optional<int32_t> param1;
  WipeServices services;
};

// The frame of `kind` at elapsed/duration, as blue values; the screen starts as a copy of `from`.
inline std::vector<int> Frame(WipeKind kind, const TDIBX& from, const TDIBX& to, int32_t elapsed, int32_t duration,
                              const FrameArgs& args = {}) {
  TDIBX dest(from.Width(), from.Height(), from.BitCount());
  dest.Draw(0, 0, false, false, false, dest.BoundsRect(), from);
  auto wipe = CreateTransition(static_cast<int32_t>(kind), dest, from, to, args.services);
  EXPECT_NE(wipe, nullptr);
  if (wipe == nullptr) return {};
  if (args.param0) wipe->SetParam(0, *args.param0);
  if (args.param1) wipe->SetParam(1, *args.param1);
  wipe->Duration = duration;
  wipe->SetReverse(args.reverse ? 1 : 0);
  wipe->Prepare();
  wipe->Elapsed = elapsed;
  EXPECT_FALSE(wipe->StepFrame());
  EXPECT_EQ(wipe->DirtyRect, dest.BoundsRect());
  return Blue(dest);
}

using Row = std::vector<int>;

}  // namespace kuzo::test
