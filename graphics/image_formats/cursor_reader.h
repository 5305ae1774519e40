// Windows cursor files: ".cur" (an icon directory whose entries carry hot spots) and animated ".ani"
// (a RIFF "ACON" list of cursors with optional rate and sequence chunks), read with the bounded
// reader into a platform-neutral list of RGBA pictures, hot spots and step times.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace kuzo {

inline constexpr int kMaxCursorSide = 256;
inline constexpr int kMaxCursorFrames = 1024;

struct CursorPicture {
  int width = 0;
  int height = 0;
  int hotX = 0;
  int hotY = 0;
  std::vector<uint8_t> rgba;  // top row first, R, G, B, A
};

struct CursorSteps {
  std::vector<CursorPicture> pictures;
  // One entry per animation step: the picture shown and for how long (ms). A still cursor has one
  // step with duration 0.
  struct Step {
    int picture = 0;
    int durationMs = 0;
  };
  std::vector<Step> steps;

  bool Animated() const { return steps.size() > 1; }
  // The step shown at `clockMs` on the game clock (the sequence loops).
  int StepAt(int64_t clockMs) const;
};

// Decodes a ".cur" or ".ani" file by its signature; raises FormatError naming `source`.
CursorSteps ReadCursorFile(std::span<const uint8_t> data, std::string_view source);

}  // namespace kuzo
