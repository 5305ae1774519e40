// Facts about the running process: where its executable lies and the local time of day.
#pragma once

#include <cstdint>
#include <filesystem>

namespace kuzo::platform {

// The running program's own executable (empty when the system does not say).
std::filesystem::path ExecutablePath();

// Milliseconds since local midnight: ((hour * 60 + minute) * 60 + second) * 1000 + milliseconds.
uint32_t LocalTimeOfDayMs();

}  // namespace kuzo::platform
