// Monotonic clock on std::chrono's steady clock.
#include "platform/clock.h"

#include <chrono>
#include <thread>

namespace kuzo::platform {

uint32_t NowMs() {
  using namespace std::chrono;
  return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void SleepMs(uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace kuzo::platform
