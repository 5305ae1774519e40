// Monotonic millisecond clock and sleeping. Game time never reads this directly: the host turns
// it into frame deltas (or uses a virtual clock when headless).
#pragma once

#include <cstdint>

namespace kuzo::platform {

// Milliseconds since an arbitrary fixed point, wrapping at 2^32 like a multimedia timer.
uint32_t NowMs();
void SleepMs(uint32_t ms);

}  // namespace kuzo::platform
