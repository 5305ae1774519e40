// Display modes through SDL's video subsystem.
#include "platform/display_modes.h"

#include <SDL.h>

#include "platform/sdl_video.h"

namespace kuzo::platform {
std::vector<DisplayMode> ListDisplayModes() {
  std::vector<DisplayMode> modes;
  if (!StartVideo()) return modes;
  int count = SDL_GetNumDisplayModes(0);
  for (int i = 0; i < count; ++i) {
    SDL_DisplayMode m;
    if (SDL_GetDisplayMode(0, i, &m) != 0) continue;
    modes.push_back(DisplayMode{m.w, m.h, static_cast<int>(SDL_BITSPERPIXEL(m.format)), m.refresh_rate});
  }
  return modes;
}

int DesktopDepth() {
  SDL_DisplayMode m;
  if (!StartVideo() || SDL_GetDesktopDisplayMode(0, &m) != 0) return 0;
  return static_cast<int>(SDL_BITSPERPIXEL(m.format));
}

}  // namespace kuzo::platform
