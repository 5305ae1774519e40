// Monotonic millisecond clock and sleeping. Game time never reads this directly: the host turns
// it into frame deltas (or uses a virtual clock when headless).
#pragma once

#include <cstdint>

namespace kuzo::platform {

// Milliseconds since an arbitrary fixed point, wrapping at 2^32 like a multimedia timer.
uint32_t NowMs();
void SleepMs(uint32_t ms);

}  // namespace kuzo::platform

namespace kuzo::platform {

// The local calendar date and time of the machine.
struct CivilTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
  int weekDay = 0;  // 0 = Sunday ... 6 = Saturday
};
CivilTime LocalNow();

}  // namespace kuzo::platform
