// Settings dialog: layout, keyboard and mouse handling, drawing, and its window loop.
#include "host/config_dialog.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "core/errors.h"
#include "platform/cp932.h"
#include "platform/key_map.h"
#include "platform/text_renderer.h"

namespace kuzo::host {
namespace {

constexpr int kFontPixels = 12;
constexpr int kThumbWidth = 11;   // the thumb is 16 long across the bar; 11 wide along it
constexpr int kThumbLength = 16;
constexpr int kTrackMargin = 12;  // channel inset from the control's ends
constexpr int kVkS = 0x53, kVkD = 0x44;
constexpr const char* kCaption = "動作設定";
constexpr const char* kCheckSoundText = "DirectSoundを使用する(&S)";
constexpr const char* kLabelBuffText = "サウンドの遅延時間(&D)：";
constexpr const char* kCancelText = "キャンセル";

int TrackX(int position) {
  int span = ConfigDialog::kTrackBuff.width - 2 * kTrackMargin;
  int steps = ConfigDialogModel::kTrackMax - ConfigDialogModel::kTrackMin;
  return ConfigDialog::kTrackBuff.x + kTrackMargin + span * (position - ConfigDialogModel::kTrackMin) / steps;
}

// "&S" marks an accelerator: drawn without the ampersand.
std::string StripAccelerator(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) continue;
    out += text[i];
  }
  return out;
}

}  // namespace

ConfigDialog::ConfigDialog(const std::filesystem::path& iniPath) : model_(iniPath) {}

int ConfigDialog::TrackPositionAt(int x) {
  int best = ConfigDialogModel::kTrackMin;
  for (int p = ConfigDialogModel::kTrackMin; p <= ConfigDialogModel::kTrackMax; ++p) {
    if (std::abs(TrackX(p) - x) < std::abs(TrackX(best) - x)) best = p;
  }
  return best;
}

ChromeRect ConfigDialog::ThumbRect(int position) {
  return ChromeRect{TrackX(position) - kThumbWidth / 2, kTrackBuff.y + 2, kThumbWidth, kThumbLength};
}

void ConfigDialog::Activate(Control control) {
  switch (control) {
    case Control::kCheckSound: model_.SetSoundChecked(!model_.SoundChecked()); break;
    case Control::kOk:
      model_.Accept();
      accepted_ = true;
      closed_ = true;
      break;
    case Control::kCancel: closed_ = true; break;
    case Control::kTrackBuff: break;
  }
}

void ConfigDialog::MouseDown(int x, int y) {
  pressed_ = -1;
  if (kCheckSound.Contains(x, y)) pressed_ = static_cast<int>(Control::kCheckSound);
  else if (kOkButton.Contains(x, y)) pressed_ = static_cast<int>(Control::kOk);
  else if (kCancelButton.Contains(x, y)) pressed_ = static_cast<int>(Control::kCancel);
  else if (kTrackBuff.Contains(x, y) && model_.DelayControlsEnabled()) {
    focus_ = Control::kTrackBuff;
    dragging_ = true;
    model_.SetTrackPosition(TrackPositionAt(x));
    return;
  }
  if (pressed_ >= 0) focus_ = static_cast<Control>(pressed_);
}

void ConfigDialog::MouseMove(int x, int, bool leftHeld) {
  if (dragging_ && leftHeld) model_.SetTrackPosition(TrackPositionAt(x));
}

void ConfigDialog::MouseUp(int x, int y) {
  dragging_ = false;
  int pressed = pressed_;
  pressed_ = -1;
  if (pressed < 0) return;
  auto control = static_cast<Control>(pressed);
  const ChromeRect& r = control == Control::kCheckSound ? kCheckSound : control == Control::kOk ? kOkButton : kCancelButton;
  if (r.Contains(x, y)) Activate(control);
}

void ConfigDialog::KeyDown(int key, bool alt) {
  namespace vk = platform::vk;
  if (alt && key == kVkS) {
    focus_ = Control::kCheckSound;
    Activate(Control::kCheckSound);
    return;
  }
  if (alt && key == kVkD) {
    if (model_.DelayControlsEnabled()) focus_ = Control::kTrackBuff;  // the label hands focus to the bar
    return;
  }
  switch (key) {
    case vk::kTab: {
      // Tab order skips the track bar while it is disabled.
      int n = static_cast<int>(focus_);
      do {
        n = (n + 1) % 4;
      } while (static_cast<Control>(n) == Control::kTrackBuff && !model_.DelayControlsEnabled());
      focus_ = static_cast<Control>(n);
      break;
    }
    case vk::kReturn:
      Activate(focus_ == Control::kCancel ? Control::kCancel : Control::kOk);  // OK is the default button
      break;
    case vk::kEscape: Activate(Control::kCancel); break;
    case vk::kSpace:
      if (focus_ != Control::kTrackBuff) Activate(focus_);
      break;
    case vk::kLeft: case vk::kUp: case vk::kPrior:
      if (focus_ == Control::kTrackBuff) model_.SetTrackPosition(model_.TrackPosition() - 1);
      break;
    case vk::kRight: case vk::kDown: case vk::kNext:
      if (focus_ == Control::kTrackBuff) model_.SetTrackPosition(model_.TrackPosition() + 1);
      break;
    case vk::kHome:
      if (focus_ == Control::kTrackBuff) model_.SetTrackPosition(ConfigDialogModel::kTrackMin);
      break;
    case vk::kEnd:
      if (focus_ == Control::kTrackBuff) model_.SetTrackPosition(ConfigDialogModel::kTrackMax);
      break;
    default: break;
  }
}

void ConfigDialog::Draw(PixelCanvas& canvas, platform::TextRenderer* text) const {
  canvas.Fill({0, 0, kClientWidth, kClientHeight}, chrome::kFace);
  // Framed bevel: a sunken line with a raised one inside.
  canvas.Bevel(kBevel, false);
  canvas.Bevel({kBevel.x + 1, kBevel.y + 1, kBevel.width - 2, kBevel.height - 2}, true);

  bool delayEnabled = model_.DelayControlsEnabled();
  uint32_t delayInk = delayEnabled ? chrome::kText : chrome::kGreyText;
  auto label = [&](std::string_view s, int x, int y, uint32_t ink) {
    if (text) canvas.Text(text->Render(StripAccelerator(s)), x, y, ink);
  };

  ChromeRect box{kCheckSound.x, kCheckSound.y + 2, 13, 13};
  canvas.Fill(box, chrome::kLight);
  canvas.Bevel(box, false);
  if (model_.SoundChecked()) {
    // A tick: down-right for three columns, then up-right for four, three pixels thick.
    for (int i = 0; i < 7; ++i) {
      int y = i < 3 ? box.y + 5 + i : box.y + 7 - (i - 2);
      canvas.Fill({box.x + 3 + i, y, 1, 3}, chrome::kText);
    }
  }
  label(kCheckSoundText, kCheckSound.x + 18, kCheckSound.y + 2, chrome::kText);
  if (focus_ == Control::kCheckSound) canvas.Frame({kCheckSound.x + 16, kCheckSound.y, kCheckSound.width - 16, kCheckSound.height}, chrome::kShadow);

  label(kLabelBuffText, kLabelBuffX, kLabelY, delayInk);
  if (text) {
    auto info = text->Render(model_.DelayInfo());
    canvas.Text(info, kLabelInfoX + kLabelInfoWidth - info.width, kLabelY, delayInk);  // right-aligned
  }

  // Track bar: channel, ticks below every position, thumb.
  ChromeRect channel{kTrackBuff.x + kTrackMargin - 2, kTrackBuff.y + 8, kTrackBuff.width - 2 * kTrackMargin + 4, 4};
  canvas.Bevel(channel, false);
  for (int p = ConfigDialogModel::kTrackMin; p <= ConfigDialogModel::kTrackMax; ++p) {
    canvas.Fill({TrackX(p), kTrackBuff.y + kThumbLength + 4, 1, 4}, delayInk);
  }
  ChromeRect thumb = ThumbRect(model_.TrackPosition());
  canvas.Fill(thumb, delayEnabled ? chrome::kFace : chrome::kHot);
  canvas.Bevel(thumb, true);
  if (focus_ == Control::kTrackBuff) canvas.Frame(kTrackBuff, chrome::kShadow);

  auto button = [&](const ChromeRect& r, std::string_view caption, Control control, bool isDefault) {
    bool down = pressed_ == static_cast<int>(control);
    canvas.Fill(r, chrome::kFace);
    if (isDefault) canvas.Frame(r, chrome::kDark);
    ChromeRect inner = isDefault ? ChromeRect{r.x + 1, r.y + 1, r.width - 2, r.height - 2} : r;
    canvas.Bevel(inner, !down);
    if (text) canvas.TextCentred(text->Render(caption), inner, chrome::kText);
    if (focus_ == control) canvas.Frame({inner.x + 3, inner.y + 3, inner.width - 6, inner.height - 6}, chrome::kShadow);
  };
  button(kOkButton, "OK", Control::kOk, true);
  button(kCancelButton, kCancelText, Control::kCancel, false);
}

int RunConfigDialog(const std::filesystem::path& iniPath) {
  std::unique_ptr<ConfigDialog> dialog;
  try {
    dialog = std::make_unique<ConfigDialog>(iniPath);
  } catch (const KuzoError& e) {
    std::fprintf(stderr, "kuzoplayer: %s\n", platform::Cp932ToUtf8(e.what()).c_str());
    return 1;
  }
  std::unique_ptr<platform::Window> window;
  std::unique_ptr<platform::TextRenderer> text;
  try {
    platform::WindowOptions options;
    options.resizable = false;
    options.scale = platform::ScaleMode::kSharp;
    window = platform::CreateWindow(kCaption, ConfigDialog::kClientWidth, ConfigDialog::kClientHeight, options);
    text = platform::CreateTextRenderer(kFontPixels);
  } catch (const KuzoError& e) {
    std::fprintf(stderr, "kuzoplayer: the settings dialog cannot open: %s\n", e.what());
    return 1;
  }
  std::vector<uint32_t> pixels(static_cast<size_t>(ConfigDialog::kClientWidth) * ConfigDialog::kClientHeight);
  PixelCanvas canvas(pixels.data(), ConfigDialog::kClientWidth, ConfigDialog::kClientHeight,
                     static_cast<size_t>(ConfigDialog::kClientWidth));
  bool leftHeld = false, alt = false;
  try {
    while (!dialog->Closed()) {
      dialog->Draw(canvas, text.get());
      window->Present(pixels.data(), static_cast<size_t>(ConfigDialog::kClientWidth) * 4, {});
      platform::InputEvent ev;
      if (!window->WaitEvent(ev, 500)) continue;
      using T = platform::InputEvent::Type;
      switch (ev.type) {
        case T::kQuit: dialog->KeyDown(platform::vk::kEscape, false); break;
        case T::kMouseDown:
          if (ev.button == platform::MouseButton::kLeft) {
            leftHeld = true;
            dialog->MouseDown(ev.x, ev.y);
          }
          break;
        case T::kMouseMove: dialog->MouseMove(ev.x, ev.y, leftHeld); break;
        case T::kMouseUp:
          if (ev.button == platform::MouseButton::kLeft) {
            leftHeld = false;
            dialog->MouseUp(ev.x, ev.y);
          }
          break;
        case T::kKeyDown:
          if (ev.virtualKey == platform::vk::kMenu) alt = true;
          else dialog->KeyDown(ev.virtualKey, alt);
          break;
        case T::kKeyUp:
          if (ev.virtualKey == platform::vk::kMenu) alt = false;
          break;
        default: break;
      }
    }
  } catch (const KuzoError& e) {
    std::fprintf(stderr, "kuzoplayer: %s\n", platform::Cp932ToUtf8(e.what()).c_str());
    return 1;
  }
  return 0;
}

}  // namespace kuzo::host
