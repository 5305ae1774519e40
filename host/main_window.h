// The player's main window: the toolbar strip above the scene panel, input forwarded to the scene
// (Windows key codes, scene pixels), focus pausing, full screen, and the message loop that runs
// the idle handler while the window has focus and sleeps while it has not.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "host/runtime.h"
#include "host/toolbar.h"
#include "platform/text_renderer.h"
#include "platform/window.h"

namespace kuzo::host {

class MainWindow : public Frontend {
 public:
  static constexpr int kInitialWidth = 640;   // before the project gives the scene size
  static constexpr int kInitialHeight = 480;

  explicit MainWindow(platform::WindowOptions options = {});
  ~MainWindow() override;

  // The screen manager for the Runtime: a TScreenManager presenting through this window, with the
  // display's modes and the attached Runtime's wanted full-screen size.
  std::unique_ptr<Screen> CreateScreen(int32_t width, int32_t height) override;
  void Attach(Runtime& runtime);

  // Runs the message loop until the window closes or the title ends.
  void Run();

  // Frontend
  void SetTitle(const std::string& sjisTitle) override;
  void SizeToScene(int32_t width, int32_t height) override;
  void RequestClose() override { closeRequested_ = true; }
  void SetIcon(const IconImage& icon) override;

  // Where the scene panel lies in the window frame.
  int PanelX() const { return panelX_; }
  int PanelY() const { return panelY_; }
  bool ToolbarVisible() const;
  platform::Window& GetWindow() { return *window_; }

  // One input event, as the message loop handles it (public for tests).
  void HandleEvent(const platform::InputEvent& ev);
  // Copies the scene frame's changed rectangles into the window frame and shows them; false when
  // showing failed.
  bool PresentScene(const FrameView& frame);
  // Full screen on or off (the screen manager's switch); false when the display refused.
  bool SwitchFullScreen(bool on);
  // What the window shows: toolbar strip and scene, FrameWidth x FrameHeight of the window.
  const std::vector<uint32_t>& FramePixels() const { return frame_; }
  bool CloseRequested() const { return closeRequested_; }

 private:
  void Relayout();
  void DrawToolbar();
  void ShowWhole();
  void ToggleFullScreen();
  bool InToolbar(int x, int y) const;

  std::unique_ptr<platform::Window> window_;
  std::unique_ptr<platform::TextRenderer> text_;
  Runtime* runtime_ = nullptr;
  Toolbar toolbar_;
  bool closeRequested_ = false;
  bool overlayToolbar_ = false;  // full screen: the strip shows while the pointer is at the top
  int32_t sceneWidth_ = kInitialWidth;
  int32_t sceneHeight_ = kInitialHeight;
  int panelX_ = 0, panelY_ = Toolbar::kDockHeight;
  int frameWidth_ = 0, frameHeight_ = 0;
  std::vector<uint32_t> frame_;  // what the window shows (toolbar and scene)
  std::vector<uint32_t> scene_;  // the last presented scene pixels (restores what the overlay hid)
  bool wholeNext_ = true;
};

}  // namespace kuzo::host
