// The seams between the host and the subsystems it owns. The Runtime creates each one in the
// start-up order and frees it in the shutdown order through these small interfaces, so the order
// holds whatever implementation sits behind a seam (the real subsystem, or a test double).
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace kuzo::host {

// The loaded title ("TProject.Create" creates it; it never raises and reports failure through
// HostState::terminateRequested).
class Project {
 public:
  virtual ~Project() = default;
  virtual const std::string& Title() const = 0;  // Shift-JIS
  virtual int32_t Width() const = 0;
  virtual int32_t Height() const = 0;
  virtual int32_t FullWidth() const = 0;
  virtual int32_t FullHeight() const = 0;
  virtual bool FrameWait() const = 0;
  virtual void Tick() = 0;         // one interpreter step
  virtual bool RunPending() = 0;   // a pending load (true when a game was loaded), then a save
  virtual void Close() = 0;        // "Project.Free": exit page, status save
  // Why the title could not start (one line, UTF-8), when the project ended the start-up.
  virtual std::string FailureReason() const { return {}; }
};

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

// The scene: its per-tick steps, drawing and the input the window forwards to it.
class Scene {
 public:
  virtual ~Scene() = default;
  virtual void SetSize(int32_t width, int32_t height) = 0;
  virtual void Update() = 0;   // input state and events
  virtual void Motion() = 0;   // animations, timers
  virtual void Draw() = 0;     // both bases into the frame surface
  virtual FrameView Frame() const = 0;
  virtual void ClearDirty() = 0;  // dirty lists of base 0 and base 1
  virtual void FocusLost() = 0;
  // Input, in scene pixels and Windows virtual-key codes (below 256).
  virtual void KeyDown(int virtualKey) = 0;
  virtual void KeyPress(int virtualKey) = 0;
  virtual void KeyUp(int virtualKey) = 0;
  virtual void MouseDown(bool left, bool right) = 0;
  virtual void MouseUp(bool left, bool right) = 0;  // the button released
  virtual void MouseMove(int32_t x, int32_t y) = 0;
  virtual void Wheel(bool up) = 0;
  virtual void Close() = 0;  // "KuzoFinalize": history, read marks, bases, caches
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

// A subsystem the host only creates and frees in order (variable table, built-in functions,
// sound device); its users reach it through their own wiring.
class OwnedSubsystem {
 public:
  virtual ~OwnedSubsystem() = default;
};

}  // namespace kuzo::host
