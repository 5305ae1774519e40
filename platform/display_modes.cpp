// Display modes through SDL's video subsystem.
#include "platform/display_modes.h"

#include <SDL.h>

namespace kuzo::platform {
namespace {

// Keeps the video subsystem started for the duration of a query.
class VideoSession {
 public:
  VideoSession() : ok_(SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {}
  ~VideoSession() {
    if (ok_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }
  bool Ok() const { return ok_; }

 private:
  bool ok_;
};

}  // namespace

std::vector<DisplayMode> ListDisplayModes() {
  std::vector<DisplayMode> modes;
  VideoSession video;
  if (!video.Ok()) return modes;
  int count = SDL_GetNumDisplayModes(0);
  for (int i = 0; i < count; ++i) {
    SDL_DisplayMode m;
    if (SDL_GetDisplayMode(0, i, &m) != 0) continue;
    modes.push_back(DisplayMode{m.w, m.h, static_cast<int>(SDL_BITSPERPIXEL(m.format)), m.refresh_rate});
  }
  return modes;
}

int DesktopDepth() {
  VideoSession video;
  SDL_DisplayMode m;
  if (!video.Ok() || SDL_GetDesktopDisplayMode(0, &m) != 0) return 0;
  return static_cast<int>(SDL_BITSPERPIXEL(m.format));
}

}  // namespace kuzo::platform
