// SDL's video subsystem, started once for the process and kept: starting and stopping it for
// every window is slow and, on X11, sometimes fails to reconnect.
#pragma once

#include <string>

namespace kuzo::platform {

// True when the video subsystem runs; otherwise `error` says why.
bool StartVideo(std::string* error = nullptr);

}  // namespace kuzo::platform
