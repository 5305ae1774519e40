// Mode list, chosen mode, presentation states and frame presentation of the screen manager.
#include "host/screen_manager.h"

#include <algorithm>
#include <utility>

namespace kuzo::host {
namespace {

constexpr int kMinFullScreenDepth = 16;  // modes of 15 bits or less cannot hold the frame

bool SameSize(const platform::DisplayMode& m, int32_t w, int32_t h) { return m.width == w && m.height == h; }

}  // namespace

TScreenManager::TScreenManager(int32_t sceneWidth, int32_t sceneHeight, int32_t wantedFullWidth,
                               int32_t wantedFullHeight, const std::vector<platform::DisplayMode>& modes,
                               int desktopDepth, Presenter presenter, FullScreenSwitch fullScreen)
    : width_(sceneWidth),
      height_(sceneHeight),
      wantedWidth_(wantedFullWidth),
      wantedHeight_(wantedFullHeight),
      preferredDepth_(desktopDepth > 0 ? desktopDepth : kDefaultDepth),
      presenter_(std::move(presenter)),
      switch_(std::move(fullScreen)) {
  Enumerate(modes);
  SetMode(kModeWindow);
}

void TScreenManager::Enumerate(const std::vector<platform::DisplayMode>& modes) {
  for (const auto& m : modes) {
    if (m.width < width_ || m.height < height_ || m.bitsPerPixel < kMinFullScreenDepth) continue;
    modes_.push_back(m);
    int index = static_cast<int>(modes_.size()) - 1;
    if (chosenMode_ < 0) {
      chosenMode_ = index;
      continue;
    }
    const auto& chosen = modes_[static_cast<size_t>(chosenMode_)];
    if (!SameSize(m, wantedWidth_, wantedHeight_)) continue;
    // The wanted size first, then the desktop's depth, then the lowest refresh rate.
    bool better = !SameSize(chosen, wantedWidth_, wantedHeight_) ||
                  (m.bitsPerPixel == preferredDepth_ &&
                   (chosen.bitsPerPixel != preferredDepth_ || m.refreshRate < chosen.refreshRate));
    if (better) chosenMode_ = index;
  }
}

void TScreenManager::SetMode(int index) {
  if (index == currentMode_) return;
  if (index >= ModeCount() || index < kModeWindow) index = kModeWindow;
  bool wantFull = index >= 0;
  currentMode_ = index;
  if (wantFull != fullScreen_) {
    bool ok = !switch_ || switch_(wantFull);
    if (!ok && wantFull) {
      // The full-screen rebuild failed: back to the window.
      currentMode_ = kModeWindow;
      wantFull = false;
      if (switch_) switch_(false);
    }
  }
  fullScreen_ = wantFull;
  wholeNext_ = true;  // every rebuild starts with a whole frame
}

void TScreenManager::SetFullScreen(bool on) {
  if (on == fullScreen_) return;
  // Full screen needs a mode that can hold the scene; without one the window stays.
  if (!on) {
    SetMode(kModeWindow);
  } else if (chosenMode_ >= 0) {
    SetMode(chosenMode_);
  }
}

void TScreenManager::ChooseMode(int index) {
  if (index < 0 || index >= ModeCount()) return;
  chosenMode_ = index;
  if (fullScreen_) SetMode(index);
}

bool TScreenManager::ModeAt(int32_t index, int32_t (&out)[4]) const {
  if (index < 0 || index >= ModeCount()) return false;
  const platform::DisplayMode& m = modes_[static_cast<size_t>(index)];
  out[0] = m.width;
  out[1] = m.height;
  out[2] = m.bitsPerPixel;
  out[3] = m.refreshRate;
  return true;
}

void TScreenManager::Present(const FrameView& frame) {
  if (!frame.pixels || frame.width <= 0 || frame.height <= 0) return;
  if (zoomPercent_ != 100) {
    // Zoomed (also whole multiples): the whole frame, stretched from the top-left corner onto the
    // panel, every time.
    const int64_t zoom = zoomPercent_;
    const int32_t w = frame.width, h = frame.height;
    zoomed_.assign(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
    const int64_t shownW = std::min<int64_t>(w, w * zoom / 100), shownH = std::min<int64_t>(h, h * zoom / 100);
    for (int64_t y = 0; y < shownH; ++y) {
      const auto* src = reinterpret_cast<const uint32_t*>(reinterpret_cast<const uint8_t*>(frame.pixels) +
                                                          static_cast<size_t>(y * 100 / zoom) * frame.pitchBytes);
      uint32_t* dst = &zoomed_[static_cast<size_t>(y) * static_cast<size_t>(w)];
      for (int64_t x = 0; x < shownW; ++x) dst[x] = src[x * 100 / zoom];
    }
    whole_.assign(1, SceneRect{0, 0, w, h});
    FrameView zoomed;
    zoomed.pixels = zoomed_.data();
    zoomed.width = w;
    zoomed.height = h;
    zoomed.pitchBytes = static_cast<size_t>(w) * 4;
    zoomed.dirty = whole_;
    zoomed.wholeFrame = true;
    ++presented_;
    wholeNext_ = presenter_ && !presenter_(zoomed);
    return;
  }
  FrameView view = frame;
  if (wholeNext_ || frame.wholeFrame) {
    whole_.assign(1, SceneRect{0, 0, frame.width, frame.height});
    view.dirty = whole_;
    view.wholeFrame = true;
  } else {
    bool any = std::any_of(frame.dirty.begin(), frame.dirty.end(),
                           [](const SceneRect& r) { return r.right > r.left && r.bottom > r.top; });
    if (!any) return;
  }
  ++presented_;
  // A failed presentation is made good by a whole frame next time (the dirty lists are cleared).
  wholeNext_ = presenter_ && !presenter_(view);
}

}  // namespace kuzo::host
