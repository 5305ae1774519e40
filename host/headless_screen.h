// The screen of a run without a window: presents nothing, counts the frames that had something to
// present. Without a display it offers no modes; its full-screen state only remembers what the
// title set.
#pragma once

#include <cstdint>

#include "host/subsystems.h"

namespace kuzo::host {

class HeadlessScreen : public Screen, public DisplayControl {
 public:
  DisplayControl* Display() override { return this; }
  bool FullScreen() const override { return fullScreen_; }
  void SetFullScreen(bool on) override { fullScreen_ = on; }
  int32_t ModeCount() const override { return 0; }
  bool ModeAt(int32_t, int32_t (&)[4]) const override { return false; }
  int32_t SelectedMode() const override { return -1; }
  void SelectMode(int32_t) override {}

  void Present(const FrameView& frame) override {
    if (frame.pixels && (frame.wholeFrame || !frame.dirty.empty())) {
      ++presented_;
      ++total_;
    }
  }
  int32_t PresentedFrames() const override { return presented_; }
  void ResetPresentedFrames() override { presented_ = 0; }
  int64_t TotalPresents() const { return total_; }

 private:
  int32_t presented_ = 0;
  int64_t total_ = 0;
  bool fullScreen_ = false;
};

}  // namespace kuzo::host
