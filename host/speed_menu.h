// The main window's speed menu: items that set the frame interval or the draw divisor from their
// tag. The menu is attached to no control, so nothing opens it; its handlers are kept for a
// debugging front end.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "core/host_state.h"

namespace kuzo::host {

struct SpeedMenuItem {
  enum class Sets { kFrameInterval, kDrawDivisor, kNothing };
  std::string_view caption;
  Sets sets;
  int32_t tag;
};

inline constexpr std::array<SpeedMenuItem, 9> kSpeedMenu = {{
    {"x1", SpeedMenuItem::Sets::kFrameInterval, 16},
    {"x4", SpeedMenuItem::Sets::kFrameInterval, 64},
    {"x8", SpeedMenuItem::Sets::kFrameInterval, 128},
    {"No Wait", SpeedMenuItem::Sets::kFrameInterval, 1},
    {"FPS 1/1", SpeedMenuItem::Sets::kDrawDivisor, 1},
    {"FPS 1/2", SpeedMenuItem::Sets::kDrawDivisor, 2},
    {"FPS 1/4", SpeedMenuItem::Sets::kDrawDivisor, 4},
    {"FPS 1/10", SpeedMenuItem::Sets::kDrawDivisor, 10},
    {"FPS AUTO", SpeedMenuItem::Sets::kNothing, 0},
}};

// Runs the handler of the item with that caption; false when there is no such item.
bool ApplySpeedMenuItem(std::string_view caption, HostState& state);

}  // namespace kuzo::host
