// One start of SDL's video subsystem per process.
#include "platform/sdl_video.h"

#include <SDL.h>

#include <mutex>

namespace kuzo::platform {

bool StartVideo(std::string* error) {
  static std::mutex mutex;
  static bool started = false;
  std::lock_guard<std::mutex> lock(mutex);
  if (!started) started = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
  if (!started && error) *error = SDL_GetError();
  return started;
}

}  // namespace kuzo::platform
