// Toolbar layout, pointer states and drawing.
#include "host/toolbar.h"

#include "platform/text_renderer.h"

namespace kuzo::host {

ChromeRect Toolbar::ButtonRect(int index, int top) {
  return ChromeRect{index * kButtonWidth, top + (kDockHeight - kButtonHeight) / 2, kButtonWidth, kButtonHeight};
}

const char* Toolbar::Caption(int index) { return index == 0 ? "終了" : "画面切替"; }

int Toolbar::HitTest(int x, int y) {
  for (int i = 0; i < kButtonCount; ++i) {
    if (ButtonRect(i).Contains(x, y)) return i;
  }
  return -1;
}

bool Toolbar::MouseMove(int x, int y) {
  int hit = HitTest(x, y);
  bool changed = hit != hot_;
  hot_ = hit;
  return changed;
}

bool Toolbar::MouseDown(int x, int y) {
  int hit = HitTest(x, y);
  bool changed = hit != pressed_;
  pressed_ = hit;
  hot_ = hit;
  return changed;
}

std::optional<Toolbar::Action> Toolbar::MouseUp(int x, int y) {
  int pressed = pressed_;
  pressed_ = -1;
  if (pressed >= 0 && HitTest(x, y) == pressed) return ActionOf(pressed);
  return std::nullopt;
}

bool Toolbar::MouseLeft() {
  bool changed = hot_ != -1 || pressed_ != -1;
  hot_ = -1;
  pressed_ = -1;
  return changed;
}

void Toolbar::Draw(PixelCanvas& canvas, int top, platform::TextRenderer* text) const {
  canvas.Fill({0, top, canvas.Width(), kDockHeight}, chrome::kFace);
  for (int i = 0; i < kButtonCount; ++i) {
    ChromeRect r = ButtonRect(i, top);
    bool down = pressed_ == i && hot_ == i;
    // Flat buttons: a frame appears under the pointer, sunken while pressed.
    if (hot_ == i) {
      canvas.Fill({r.x + 1, r.y + 1, r.width - 2, r.height - 2}, chrome::kHot);
      canvas.Bevel(r, !down);
    }
    if (text) {
      ChromeRect face = r;
      if (down) {
        face.x += 1;
        face.y += 1;
      }
      canvas.TextCentred(text->Render(Caption(i)), face, chrome::kText);
    }
  }
}

}  // namespace kuzo::host
