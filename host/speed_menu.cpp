// Handlers of the speed menu's items.
#include "host/speed_menu.h"

namespace kuzo::host {

bool ApplySpeedMenuItem(std::string_view caption, HostState& state) {
  for (const SpeedMenuItem& item : kSpeedMenu) {
    if (item.caption != caption) continue;
    switch (item.sets) {
      case SpeedMenuItem::Sets::kFrameInterval:
        state.frameIntervalMs = item.tag;
        break;
      case SpeedMenuItem::Sets::kDrawDivisor:
        state.drawDivisor = item.tag;
        break;
      case SpeedMenuItem::Sets::kNothing:
        break;
    }
    return true;
  }
  return false;
}

}  // namespace kuzo::host
