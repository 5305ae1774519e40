// The display's modes and depth as the system reports them (for the screen manager's mode list).
#pragma once

#include <vector>

namespace kuzo::platform {

struct DisplayMode {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 0;
  int refreshRate = 0;  // Hz; 0 when unknown
};

// Every mode of the first display, in the order the system lists them; empty without a display.
std::vector<DisplayMode> ListDisplayModes();
// Bits per pixel of the desktop; 0 when it cannot be read.
int DesktopDepth();

}  // namespace kuzo::platform
