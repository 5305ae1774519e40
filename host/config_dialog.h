// The settings dialog shown by "kuzoplayer /config": a small window of our own drawing the check
// box, the delay track bar and the OK and Cancel buttons, driving ConfigDialogModel.
#pragma once

#include <filesystem>
#include <memory>

#include "host/pixel_canvas.h"
#include "host/settings.h"
#include "platform/window.h"

namespace kuzo::host {

class ConfigDialog {
 public:
  static constexpr int kClientWidth = 270;
  static constexpr int kClientHeight = 179;
  enum class Control { kCheckSound = 0, kOk, kCancel, kTrackBuff };  // tab order
  static constexpr ChromeRect kBevel{8, 8, 253, 113};
  static constexpr ChromeRect kCheckSound{28, 24, 217, 17};
  static constexpr ChromeRect kOkButton{100, 140, 75, 25};
  static constexpr ChromeRect kCancelButton{180, 140, 75, 25};
  static constexpr ChromeRect kTrackBuff{28, 72, 221, 25};
  static constexpr int kLabelBuffX = 28, kLabelY = 56, kLabelInfoX = 173, kLabelInfoWidth = 68;

  explicit ConfigDialog(const std::filesystem::path& iniPath);

  ConfigDialogModel& Model() { return model_; }
  Control Focus() const { return focus_; }
  bool Closed() const { return closed_; }
  bool Accepted() const { return accepted_; }

  // Input in client pixels and Windows key codes (with the Alt key state for accelerators).
  void MouseDown(int x, int y);
  void MouseMove(int x, int y, bool leftHeld);
  void MouseUp(int x, int y);
  void KeyDown(int virtualKey, bool alt);

  // Track bar position under a client x (for clicks and drags on the bar).
  static int TrackPositionAt(int x);
  static ChromeRect ThumbRect(int position);

  void Draw(PixelCanvas& canvas, platform::TextRenderer* text) const;

 private:
  void Activate(Control control);  // a button press, or toggling the check box
  ConfigDialogModel model_;
  Control focus_ = Control::kCheckSound;
  int pressed_ = -1;  // the control under a held left button
  bool dragging_ = false;
  bool closed_ = false;
  bool accepted_ = false;
};

// Shows the dialog in its own window until OK or Cancel; returns 0, or 1 when no window can open
// or the settings cannot be written (with a message on stderr).
int RunConfigDialog(const std::filesystem::path& iniPath);

}  // namespace kuzo::host
