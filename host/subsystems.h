// The presentation edge of the host: the frame the scene drew, and the screen that shows it (the
// window's screen manager, or the headless screen) with the display modes behind the screen
// variables. Everything else the Runtime owns as concrete subsystems.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace kuzo::host {

// Rectangle in scene pixels, right and bottom exclusive.
struct SceneRect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
};

// The 32-bit frame the scene drew, and the parts of it that changed since the last present.
struct FrameView {
  const uint32_t* pixels = nullptr;  // 0x00RRGGBB per pixel
  int32_t width = 0;
  int32_t height = 0;
  size_t pitchBytes = 0;
  std::span<const SceneRect> dirty;  // empty with wholeFrame false: nothing to present
  bool wholeFrame = false;
};

// What the screen variables drive ("@FullScr", "@DisplayModeCount", "@DisplayModeIndex",
// GetDisplayMode): the full-screen state and the display modes the screen manager offers.
class DisplayControl {
 public:
  virtual ~DisplayControl() = default;
  virtual bool FullScreen() const = 0;
  virtual void SetFullScreen(bool on) = 0;
  virtual int32_t ModeCount() const = 0;
  // Width, height, bits per pixel and refresh rate of mode `index`; false for no such mode.
  virtual bool ModeAt(int32_t index, int32_t (&out)[4]) const = 0;
  // The mode full screen uses (-1: none).
  virtual int32_t SelectedMode() const = 0;
  // Picks the mode full screen uses; while full screen, switches to it. Other indices are ignored.
  virtual void SelectMode(int32_t index) = 0;
};

// Presentation of drawn frames (the screen manager) and the media managers created with it.
class Screen {
 public:
  virtual ~Screen() = default;
  // The full-screen state and modes behind the screen variables; null when there are none.
  virtual DisplayControl* Display() { return nullptr; }
  virtual void Present(const FrameView& frame) = 0;
  virtual int32_t PresentedFrames() const = 0;
  virtual void ResetPresentedFrames() = 0;
};

}  // namespace kuzo::host
