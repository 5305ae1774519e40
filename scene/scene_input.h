// SceneInput: the scene's input routing. It keeps the keyboard state (held keys, press and repeat
// latches, pending key events), the focus, and routes the mouse of the shown base each frame:
// press latches become clicks, captured presses go to the control that took them, otherwise the
// control under the mouse gets the press, the wheel, mouse in, out and move, and its cursor.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "scene/event_queue.h"
#include "scene/mouse_input.h"

namespace kuzo {

class TKuzoBaseList;
class TKuzoBase;
class TKuzoControl;
class TKuzoObject;

// Keyboard repeat timing (also used by lists and sliders held with the mouse).
constexpr int32_t kKeyRepeatDelayMs = 300;
constexpr int32_t kKeyRepeatIntervalMs = 50;
constexpr int kKeyCount = 256;

// Loads a cursor file for the panel; the host supplies it (nothing happens without one).
using CursorLoader = std::function<void(const std::string& cursorName)>;

class SceneInput {
 public:
  explicit SceneInput(TKuzoBaseList& scene) : scene_(scene) {}

  void SetCursorLoader(CursorLoader loader) { cursorLoader_ = std::move(loader); }
  // The default cursor name (the @Cursor variable) read when a control has none.
  void SetDefaultCursorSource(std::function<std::string()> source) { defaultCursor_ = std::move(source); }

  // --- what the window reports ---------------------------------------------------------------------
  void UpdateMousePosition(int32_t x, int32_t y);
  // Presses one button: held on both bases, latched as a click on the shown one.
  void MouseDown(MouseButton button);
  // Releases one button; the other keeps its held state.
  void MouseUp(MouseButton button);
  void Wheel(bool down);
  void SetKeyState(int key, bool down);
  void SetKeyPressed(int key);
  void ClearKeyState();

  // --- what this frame saw -------------------------------------------------------------------------
  bool IsKeyDown(int k) const { return InKeyRange(k) && keyDown_[k]; }
  bool WasKeyPressed(int k) const { return InKeyRange(k) && pressedFrame_[k]; }
  bool WasKeyRepeated(int k) const { return InKeyRange(k) && repeatFrame_[k]; }

  // --- focus ---------------------------------------------------------------------------------------
  TKuzoControl* GetFocus() const;
  void SetFocus(TKuzoControl* c);
  // Clears the focus without events and asks for a new search.
  void DropFocus();
  void RequestFocusSearch() { focusSearch_ = true; }
  bool FocusSearchRequested() const { return focusSearch_; }
  // Restores a saved focus (no events); null asks for a new search, and so does a control that
  // could no longer take the focus.
  void RestoreFocus(TKuzoControl* c);

  // Right-click-close candidates (menus and map images) in creation order.
  void AddRightClickClose(TKuzoObject* obj);

  // One frame: the focus search, the key latches of this frame, the shown base's mouse, then the
  // key events to the focused control.
  void ProcessInput();
  // A component is being freed: it loses the focus, the hover and its right-click-close entry.
  void Forget(ComponentHandle h);
  // Back to no focus and no candidates (the keyboard state stays).
  void Reset();

 private:
  static bool InKeyRange(int k) { return k >= 0 && k < kKeyCount; }
  void RouteMouse(TKuzoBase& base);
  bool RightClickClosed(TKuzoBase& base);
  void ShowCursorOf(TKuzoBase& base, TKuzoControl& target);

  TKuzoBaseList& scene_;
  CursorLoader cursorLoader_;
  std::function<std::string()> defaultCursor_;
  std::vector<ComponentHandle> rightClickClose_;
  // Handles keys, is not paused, and is shown on the shown base.
  bool StillFocusable(const TKuzoControl* c) const;

  ComponentHandle focus_;
  bool focusSearch_ = false;
  std::array<uint8_t, kKeyCount> keyDown_{}, pressedLatch_{}, pressedFrame_{}, repeatLatch_{}, repeatFrame_{};
  std::array<int32_t, kKeyCount> repeatCountdown_{};
  bool keyDownPending_ = false, keyUpPending_ = false, keyRepeatPending_ = false;
};

}  // namespace kuzo
