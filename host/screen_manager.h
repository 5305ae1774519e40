// TScreenManager: the mode list and chosen full-screen mode that scripts read, the window and
// full-screen presentation states, the scene zoom, and presentation of drawn frames: the changed
// rectangles at zoom 100, the whole frame scaled otherwise, and the whole frame again after a
// presentation that failed.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "host/subsystems.h"
#include "platform/display_modes.h"

namespace kuzo::host {

class TScreenManager : public Screen, public DisplayControl {
 public:
  static constexpr int kModeWindow = -1;
  static constexpr int kModeNotSetUp = -2;
  static constexpr int kDefaultDepth = 24;  // preferred depth when the desktop's cannot be read

  // Shows a frame; false when it could not be shown.
  using Presenter = std::function<bool(const FrameView&)>;
  // Switches the window to full screen (true) or back; false when the switch failed.
  using FullScreenSwitch = std::function<bool(bool)>;

  TScreenManager(int32_t sceneWidth, int32_t sceneHeight, int32_t wantedFullWidth, int32_t wantedFullHeight,
                 const std::vector<platform::DisplayMode>& modes, int desktopDepth, Presenter presenter,
                 FullScreenSwitch fullScreen = {});

  // The modes that can hold the scene, and the one chosen for full screen (-1: none).
  const platform::DisplayMode& GetMode(int index) const { return modes_[static_cast<size_t>(index)]; }
  int ChosenMode() const { return chosenMode_; }
  int CurrentMode() const { return currentMode_; }
  int PreferredDepth() const { return preferredDepth_; }
  int FrameDepth() const { return 32; }  // frames are always 32-bit here

  // kModeWindow, or a mode index (full screen). A failed full-screen switch falls back to the window.
  void SetMode(int index);
  void Release() { currentMode_ = kModeNotSetUp; }

  // Scene zoom in percent (100 = none).
  void SetZoom(int32_t percent) { zoomPercent_ = percent > 0 ? percent : 100; }
  int32_t Zoom() const { return zoomPercent_; }

  // The screen variables: full screen uses the chosen mode; choosing another while full screen
  // switches to it at once.
  DisplayControl* Display() override { return this; }
  void ChooseMode(int index);
  // DisplayControl
  bool FullScreen() const override { return fullScreen_; }
  void SetFullScreen(bool on) override;
  int32_t ModeCount() const override { return static_cast<int32_t>(modes_.size()); }
  bool ModeAt(int32_t index, int32_t (&out)[4]) const override;
  int32_t SelectedMode() const override { return chosenMode_; }
  void SelectMode(int32_t index) override { ChooseMode(index); }

  void Present(const FrameView& frame) override;
  int32_t PresentedFrames() const override { return presented_; }
  void ResetPresentedFrames() override { presented_ = 0; }

 private:
  void Enumerate(const std::vector<platform::DisplayMode>& modes);

  int32_t width_, height_, wantedWidth_, wantedHeight_;
  int preferredDepth_;
  std::vector<platform::DisplayMode> modes_;
  int chosenMode_ = -1;
  int currentMode_ = kModeNotSetUp;
  bool fullScreen_ = false;
  int32_t zoomPercent_ = 100;
  int32_t presented_ = 0;
  bool wholeNext_ = true;  // the first frame, and the one after a failure, go whole
  Presenter presenter_;
  FullScreenSwitch switch_;
  std::vector<uint32_t> zoomed_;
  std::vector<SceneRect> whole_;
};

}  // namespace kuzo::host
