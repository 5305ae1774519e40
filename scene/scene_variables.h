// The scene's answers to the "@" system variables that read input state and scene switches
// ("@LClick", "@MouseX", "@KeyPush", "@ActiveCompo", "@SoundON" ...). A mixin over any
// SystemVariableHost, so the host combines it with the interpreter's part:
//   SceneVariables<ScriptVariableHost> vars(scene);
#pragma once

#include <functional>
#include <string>

#include "scene/kuzo_base_list.h"
#include "vars/system_variable_host.h"

namespace kuzo {

// Key-array indices past the 256 virtual-key codes: the wheel turned down or up in this frame.
constexpr int32_t kKeyIndexWheelDown = 256;
constexpr int32_t kKeyIndexWheelUp = 257;

template <typename Base>
class SceneVariables : public Base {
 public:
  explicit SceneVariables(TKuzoBaseList* scene = nullptr) : scene_(scene) {}
  void BindScene(TKuzoBaseList* scene) { scene_ = scene; }
  // Moves the system cursor (scene coordinates); without one only the scene's position changes.
  void SetCursorWarp(std::function<void(int32_t x, int32_t y)> warp) { warp_ = std::move(warp); }

  bool LeftClick() override { return scene_ && scene_->LeftClick(); }
  void SetLeftClick(bool b) override {
    if (scene_) scene_->ActiveBase()->leftClick = b;
  }
  bool RightClick() override { return scene_ && scene_->RightClick(); }
  void SetRightClick(bool b) override {
    if (scene_) scene_->ActiveBase()->rightClick = b;
  }
  bool LeftPush() override { return scene_ && scene_->LeftHeldFree(); }
  bool RightPush() override { return scene_ && scene_->RightHeldFree(); }
  bool WheelDown() override { return scene_ && scene_->WheelDown(); }
  bool WheelUp() override { return scene_ && scene_->WheelUp(); }
  int32_t MouseX() override { return scene_ ? scene_->MouseX() : 0; }
  int32_t MouseY() override { return scene_ ? scene_->MouseY() : 0; }
  void SetMouseX(int32_t x) override { MoveCursor(x, MouseY()); }
  void SetMouseY(int32_t y) override { MoveCursor(MouseX(), y); }
  bool KeyPush(int32_t code) override { return KeyState(code, &TKuzoBaseList::IsKeyDown); }
  bool KeyClick(int32_t code) override { return KeyState(code, &TKuzoBaseList::WasKeyPressed); }
  bool KeyRepeat(int32_t code) override { return KeyState(code, &TKuzoBaseList::WasKeyRepeated); }

  bool CGDither() override { return scene_ && scene_->CGDither(); }
  void SetCGDither(bool b) override {
    if (scene_) scene_->SetCGDither(b);
  }
  bool SoundOn() override { return scene_ && scene_->SoundOn(); }
  void SetSoundOn(bool b) override {
    if (scene_) scene_->SetSoundOn(b);
  }
  std::string ActiveCompo() override {
    TKuzoControl* focus = scene_ ? scene_->GetFocus() : nullptr;
    return focus ? focus->GetName() : std::string();
  }
  // Focuses the named control when it exists and takes the keyboard; other names are ignored.
  void SetActiveCompo(const std::string& name) override {
    if (!scene_ || name.empty()) return;
    TKuzoControl* c = scene_->FindParent(name);
    if (c && c->HandlesKeys() && !c->IsPaused()) scene_->SetFocus(c);
  }

 private:
  bool KeyState(int32_t code, bool (TKuzoBaseList::*query)(int) const) {
    if (!scene_) return false;
    if (code == kKeyIndexWheelDown) return scene_->WheelDown();
    if (code == kKeyIndexWheelUp) return scene_->WheelUp();
    return (scene_->*query)(code);
  }
  void MoveCursor(int32_t x, int32_t y) {
    if (warp_) {
      warp_(x, y);
    } else if (scene_) {
      scene_->UpdateMousePosition(x, y);
    }
  }

  TKuzoBaseList* scene_;
  std::function<void(int32_t, int32_t)> warp_;
};

}  // namespace kuzo
