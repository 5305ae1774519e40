// Colour cursors through SDL: the RGBA picture is wrapped in a surface (SDL copies it into the
// cursor) and turned into a colour cursor with its hot spot.
#include "platform/cursor.h"

#include <SDL.h>

namespace kuzo::platform {

std::unique_ptr<ColorCursor> ColorCursor::Create(std::span<const uint8_t> rgba, int width, int height, int hotX,
                                                 int hotY) {
  if (SDL_WasInit(SDL_INIT_VIDEO) == 0 || width <= 0 || height <= 0 ||
      rgba.size() < static_cast<size_t>(width) * static_cast<size_t>(height) * 4) {
    return nullptr;
  }
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint8_t*>(rgba.data()), width, height, 32,
                                                            width * 4, SDL_PIXELFORMAT_RGBA32);
  if (surface == nullptr) return nullptr;
  SDL_Cursor* cursor = SDL_CreateColorCursor(surface, hotX, hotY);
  SDL_FreeSurface(surface);
  if (cursor == nullptr) return nullptr;
  return std::unique_ptr<ColorCursor>(new ColorCursor(cursor));
}

ColorCursor::~ColorCursor() { SDL_FreeCursor(static_cast<SDL_Cursor*>(cursor_)); }

void ColorCursor::Show() const { SDL_SetCursor(static_cast<SDL_Cursor*>(cursor_)); }

void ColorCursor::ShowDefault() { SDL_SetCursor(SDL_GetDefaultCursor()); }

}  // namespace kuzo::platform
