// The strip above the scene with its two buttons, "終了" (asks to end the title) and "画面切替"
// (toggles full screen): layout, pointer tracking and drawing.
#pragma once

#include <optional>
#include <string>

#include "host/pixel_canvas.h"

namespace kuzo::platform {
class TextRenderer;
}

namespace kuzo::host {

class Toolbar {
 public:
  static constexpr int kButtonWidth = 67;
  static constexpr int kButtonHeight = 18;
  static constexpr int kDockHeight = kButtonHeight + 4;
  static constexpr int kButtonCount = 2;
  enum class Action { kExit, kToggleFullScreen };

  // Button `index` inside a strip whose top is at `top`.
  static ChromeRect ButtonRect(int index, int top = 0);
  static Action ActionOf(int index) { return index == 0 ? Action::kExit : Action::kToggleFullScreen; }
  static const char* Caption(int index);

  // Pointer tracking in strip coordinates; true when the look changed (redraw needed).
  bool MouseMove(int x, int y);
  bool MouseDown(int x, int y);
  // A release over the pressed button is a click: its action.
  std::optional<Action> MouseUp(int x, int y);
  bool MouseLeft();

  // Draws the strip across the canvas width at `top`. `text` may be null (no font: no captions).
  void Draw(PixelCanvas& canvas, int top, platform::TextRenderer* text) const;

 private:
  static int HitTest(int x, int y);
  int hot_ = -1;
  int pressed_ = -1;
};

}  // namespace kuzo::host
