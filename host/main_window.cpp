// Main window: composition of toolbar and scene, input forwarding, focus, full screen, and the
// message loop around the idle handler.
#include "host/main_window.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/errors.h"
#include "host/screen_manager.h"
#include "platform/clock.h"
#include "platform/display_modes.h"

namespace kuzo::host {
namespace {

constexpr int kChromeFontPixels = 12;
constexpr int kDormantWaitMs = 250;  // how long the loop blocks for input while it has nothing to do
constexpr int kMaxVirtualKey = 256;  // codes from here on never reach the scene

}  // namespace

MainWindow::MainWindow(platform::WindowOptions options) {
  window_ = platform::CreateWindow("KuzoPlayer", kInitialWidth, kInitialHeight + Toolbar::kDockHeight, options);
  try {
    text_ = platform::CreateTextRenderer(kChromeFontPixels);
  } catch (const KuzoError& e) {
    std::fprintf(stderr, "kuzoplayer: %s; the toolbar shows no captions\n", e.what());
  }
  Relayout();
}

// The Runtime must not outlive the window it was attached to (main declares it after the window).
MainWindow::~MainWindow() = default;

std::unique_ptr<Screen> MainWindow::CreateScreen(int32_t width, int32_t height) {
  PlayerProject* project = runtime_ ? runtime_->GetProject() : nullptr;
  return std::make_unique<TScreenManager>(
      width, height, project ? project->FullWidth() : 0, project ? project->FullHeight() : 0,
      platform::ListDisplayModes(), platform::DesktopDepth(), [this](const FrameView& f) { return PresentScene(f); },
      [this](bool on) { return SwitchFullScreen(on); });
}

void MainWindow::Attach(Runtime& runtime) {
  runtime_ = &runtime;
  runtime.SetFrontend(this);
}

void MainWindow::SetTitle(const std::string& sjisTitle) { window_->SetTitle(sjisTitle); }

void MainWindow::SetIcon(const IconImage& icon) { window_->SetIcon(icon.width, icon.height, icon.rgba); }

void MainWindow::SizeToScene(int32_t width, int32_t height) {
  sceneWidth_ = std::max(1, width);
  sceneHeight_ = std::max(1, height);
  Relayout();
}

bool MainWindow::ToolbarVisible() const { return !window_->FullScreen() || overlayToolbar_; }

void MainWindow::Relayout() {
  bool full = window_->FullScreen();
  if (!full) overlayToolbar_ = false;
  panelX_ = 0;
  panelY_ = full ? 0 : Toolbar::kDockHeight;
  frameWidth_ = sceneWidth_;
  frameHeight_ = sceneHeight_ + panelY_;
  frame_.assign(static_cast<size_t>(frameWidth_) * static_cast<size_t>(frameHeight_), 0);
  if (scene_.size() != static_cast<size_t>(sceneWidth_) * static_cast<size_t>(sceneHeight_)) {
    scene_.assign(static_cast<size_t>(sceneWidth_) * static_cast<size_t>(sceneHeight_), 0);
  }
  for (int y = 0; y < sceneHeight_; ++y) {
    std::memcpy(&frame_[static_cast<size_t>(y + panelY_) * frameWidth_ + panelX_], &scene_[static_cast<size_t>(y) * sceneWidth_],
                static_cast<size_t>(sceneWidth_) * 4);
  }
  window_->SetFrameSize(frameWidth_, frameHeight_);
  DrawToolbar();
  wholeNext_ = true;
}

void MainWindow::DrawToolbar() {
  PixelCanvas canvas(frame_.data(), frameWidth_, frameHeight_, static_cast<size_t>(frameWidth_));
  if (ToolbarVisible()) {
    toolbar_.Draw(canvas, 0, text_.get());
    return;
  }
  // Full screen with the strip hidden: the scene shows through again.
  int rows = std::min(Toolbar::kDockHeight, sceneHeight_);
  for (int y = 0; y < rows; ++y) {
    std::memcpy(&frame_[static_cast<size_t>(y) * frameWidth_], &scene_[static_cast<size_t>(y) * sceneWidth_],
                static_cast<size_t>(sceneWidth_) * 4);
  }
}

void MainWindow::ShowWhole() {
  wholeNext_ = !window_->Present(frame_.data(), static_cast<size_t>(frameWidth_) * 4, {});
}

bool MainWindow::PresentScene(const FrameView& frame) {
  std::vector<platform::PixelRect> rects;
  bool sized = frame.pixels && frame.width == sceneWidth_ && frame.height == sceneHeight_;
  if (sized) {
    std::vector<SceneRect> whole;
    std::span<const SceneRect> dirty = frame.dirty;
    if (frame.wholeFrame) {
      whole.push_back({0, 0, sceneWidth_, sceneHeight_});
      dirty = whole;
    }
    for (const SceneRect& d : dirty) {
      int x0 = std::max(0, d.left), y0 = std::max(0, d.top);
      int x1 = std::min(sceneWidth_, d.right), y1 = std::min(sceneHeight_, d.bottom);
      if (x1 <= x0 || y1 <= y0) continue;
      for (int y = y0; y < y1; ++y) {
        const auto* src = reinterpret_cast<const uint32_t*>(reinterpret_cast<const uint8_t*>(frame.pixels) +
                                                            static_cast<size_t>(y) * frame.pitchBytes) + x0;
        uint32_t* keep = &scene_[static_cast<size_t>(y) * sceneWidth_ + x0];
        std::memcpy(keep, src, static_cast<size_t>(x1 - x0) * 4);
        std::memcpy(&frame_[static_cast<size_t>(y + panelY_) * frameWidth_ + panelX_ + x0], keep,
                    static_cast<size_t>(x1 - x0) * 4);
      }
      rects.push_back({x0 + panelX_, y0 + panelY_, x1 + panelX_, y1 + panelY_});
    }
  }
  if (rects.empty() && !wholeNext_) return true;
  if (overlayToolbar_) {
    DrawToolbar();
    rects.push_back({0, 0, frameWidth_, Toolbar::kDockHeight});
  }
  if (wholeNext_) rects.clear();
  // A failed upload leaves the window stale: the whole frame goes next time.
  wholeNext_ = !window_->Present(frame_.data(), static_cast<size_t>(frameWidth_) * 4, rects);
  return !wholeNext_;
}

bool MainWindow::InToolbar(int x, int y) const {
  return ToolbarVisible() && y >= 0 && y < Toolbar::kDockHeight && x >= 0 && x < frameWidth_;
}

bool MainWindow::SwitchFullScreen(bool on) {
  if (!window_->SetFullScreen(on)) return false;
  toolbar_.MouseLeft();
  Relayout();
  ShowWhole();
  return true;
}

void MainWindow::ToggleFullScreen() {
  Screen* screen = runtime_ ? runtime_->GetScreen() : nullptr;
  DisplayControl* display = screen ? screen->Display() : nullptr;
  // Full screen needs a mode that can hold the scene; without one the window stays as it is.
  if (display) display->SetFullScreen(!display->FullScreen());
}

void MainWindow::HandleEvent(const platform::InputEvent& ev) {
  using T = platform::InputEvent::Type;
  PlayerScene* scene = runtime_ ? runtime_->GetScene() : nullptr;
  bool active = runtime_ && runtime_->Loop().Active();
  switch (ev.type) {
    case T::kQuit:
      closeRequested_ = true;
      break;
    case T::kFocusGained:
      if (runtime_) runtime_->Activate();
      break;
    case T::kFocusLost:
      if (runtime_) runtime_->Deactivate();  // pauses the media and tells the scene
      break;
    case T::kExposed:
      ShowWhole();
      break;
    case T::kKeyDown:
      if (!active || ev.repeat || ev.virtualKey <= 0 || ev.virtualKey >= kMaxVirtualKey) break;
      if (scene) {
        scene->KeyDown(ev.virtualKey);
        scene->KeyPress(ev.virtualKey);
      }
      break;
    case T::kKeyUp:
      if (scene && ev.virtualKey > 0 && ev.virtualKey < kMaxVirtualKey) scene->KeyUp(ev.virtualKey);
      break;
    case T::kMouseMove: {
      bool full = window_->FullScreen();
      if (full) {
        bool show = ev.y <= 0 || (overlayToolbar_ && ev.y < Toolbar::kDockHeight);
        if (show != overlayToolbar_) {
          overlayToolbar_ = show;
          if (!show) toolbar_.MouseLeft();
          DrawToolbar();
          wholeNext_ = !window_->Present(frame_.data(), static_cast<size_t>(frameWidth_) * 4,
                                         std::vector<platform::PixelRect>{{0, 0, frameWidth_, Toolbar::kDockHeight}});
        }
      }
      if (InToolbar(ev.x, ev.y)) {
        if (toolbar_.MouseMove(ev.x, ev.y)) {
          DrawToolbar();
          ShowWhole();
        }
        break;
      }
      if (toolbar_.MouseLeft()) {
        DrawToolbar();
        ShowWhole();
      }
      if (active && scene) scene->MouseMove(ev.x - panelX_, ev.y - panelY_);
      break;
    }
    case T::kMouseLeft:
      if (toolbar_.MouseLeft()) {
        DrawToolbar();
        ShowWhole();
      }
      break;
    case T::kMouseDown:
      if (!active) break;
      if (InToolbar(ev.x, ev.y)) {
        if (ev.button == platform::MouseButton::kLeft && toolbar_.MouseDown(ev.x, ev.y)) {
          DrawToolbar();
          ShowWhole();
        }
        break;
      }
      if (scene && ev.button != platform::MouseButton::kMiddle) {
        scene->MouseMove(ev.x - panelX_, ev.y - panelY_);
        scene->MouseDown(ev.button == platform::MouseButton::kLeft, ev.button == platform::MouseButton::kRight);
      }
      break;
    case T::kMouseUp: {
      if (ev.button == platform::MouseButton::kLeft) {
        auto action = toolbar_.MouseUp(ev.x, ev.y);
        DrawToolbar();
        ShowWhole();
        if (action == Toolbar::Action::kExit && runtime_) runtime_->ConfirmExit();
        if (action == Toolbar::Action::kToggleFullScreen) ToggleFullScreen();
        if (action) break;
      }
      if (scene && ev.button != platform::MouseButton::kMiddle) {
        scene->MouseUp(ev.button == platform::MouseButton::kLeft, ev.button == platform::MouseButton::kRight);
      }
      break;
    }
    case T::kWheel:
      if (active && scene) scene->Wheel(ev.wheel > 0);
      break;
    case T::kNone:
      break;
  }
}

void MainWindow::Run() {
  if (!runtime_) return;
  ShowWhole();
  // The window opens with focus; a window manager that sends no focus event must not leave the
  // title frozen.
  runtime_->Activate();
  platform::InputEvent ev;
  while (!closeRequested_ && !runtime_->State().terminateRequested) {
    while (!closeRequested_ && window_->PollEvent(ev)) HandleEvent(ev);
    if (closeRequested_) break;
    IdleResult pass = runtime_->Loop().Idle();
    if (runtime_->State().terminateRequested) break;
    if (pass.done) {
      if (window_->WaitEvent(ev, kDormantWaitMs)) HandleEvent(ev);
      continue;
    }
    if (pass.sleepMs > 0) platform::SleepMs(pass.sleepMs);
  }
}

}  // namespace kuzo::host
