// Facts about the running process: where its executable lies and the local time of day; and starting
// another program.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace kuzo::platform {

// The running program's own executable (empty when the system does not say).
std::filesystem::path ExecutablePath();

// Milliseconds since local midnight: ((hour * 60 + minute) * 60 + second) * 1000 + milliseconds.
uint32_t LocalTimeOfDayMs();

// Starts `argv[0]` (looked up on PATH) with that argument vector, never through a shell, and does not
// wait for it; the child is reaped in the background. False when it could not be started.
bool StartDetached(const std::vector<std::string>& argv);

// Opens a link with the desktop's opener ("xdg-open"). False when the opener could not be started.
bool OpenWithDesktop(const std::string& utf8Link);

}  // namespace kuzo::platform
