// Colour mouse cursors: an RGBA picture with its hot spot becomes a system cursor (SDL), shown over
// the window. Pictures come decoded from cursor files by the layers above; nothing here reads files.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

namespace kuzo::platform {

class ColorCursor {
 public:
  // nullptr when the video system is not running (headless runs) or the picture is refused.
  // `rgba` holds width x height pixels, top row first, R, G, B, A.
  static std::unique_ptr<ColorCursor> Create(std::span<const uint8_t> rgba, int width, int height, int hotX,
                                             int hotY);
  ~ColorCursor();
  ColorCursor(const ColorCursor&) = delete;
  ColorCursor& operator=(const ColorCursor&) = delete;

  // Makes this the cursor shown over the player's windows.
  void Show() const;
  // Back to the system's arrow.
  static void ShowDefault();

 private:
  explicit ColorCursor(void* cursor) : cursor_(cursor) {}
  void* cursor_;  // SDL_Cursor
};

}  // namespace kuzo::platform
