// Input routing of the scene: keyboard latches and repeat, focus changes with their events, and
// the per-frame mouse routing of the shown base (clicks, capture, hover, wheel, cursor).
#include "scene/scene_input.h"

#include <algorithm>

#include "scene/kuzo_base_list.h"

namespace kuzo {

// --- what the window reports -------------------------------------------------------------------

void SceneInput::UpdateMousePosition(int32_t x, int32_t y) {
  for (int i = 0; i < 2; ++i) scene_.GetBaseAt(i)->UpdateMousePosition(x, y);
}

void SceneInput::MouseDown(MouseButton button) {
  // Each button keeps its own held state and latch: pressing one never clears the other's.
  const bool left = button == MouseButton::kLeft;
  for (int i = 0; i < 2; ++i) (left ? scene_.GetBaseAt(i)->leftHeld : scene_.GetBaseAt(i)->rightHeld) = true;
  (left ? scene_.ActiveBase()->leftPressLatch : scene_.ActiveBase()->rightPressLatch) = true;
}

void SceneInput::MouseUp(MouseButton button) {
  const bool left = button == MouseButton::kLeft;
  for (int i = 0; i < 2; ++i) (left ? scene_.GetBaseAt(i)->leftHeld : scene_.GetBaseAt(i)->rightHeld) = false;
}

void SceneInput::Wheel(bool down) {
  if (down) {
    scene_.ActiveBase()->wheelDownLatch = true;
  } else {
    scene_.ActiveBase()->wheelUpLatch = true;
  }
}

void SceneInput::SetKeyState(int key, bool down) {
  if (!InKeyRange(key) || (keyDown_[key] != 0) == down) return;
  keyDown_[key] = down;
  repeatLatch_[key] = down;
  if (down) {
    repeatCountdown_[key] = kKeyRepeatDelayMs;
    keyDownPending_ = true;
    keyRepeatPending_ = true;
  } else {
    keyUpPending_ = true;
  }
}

void SceneInput::SetKeyPressed(int key) {
  if (InKeyRange(key)) pressedLatch_[key] = 1;
}

void SceneInput::ClearKeyState() {
  keyDown_.fill(0);
  pressedLatch_.fill(0);
  repeatLatch_.fill(0);
  repeatCountdown_.fill(0);
  keyDownPending_ = keyUpPending_ = keyRepeatPending_ = false;
}

// --- focus -------------------------------------------------------------------------------------

TKuzoControl* SceneInput::GetFocus() const {
  TKuzoObject* obj = scene_.Resolve(focus_);
  return obj && obj->IsControl() ? static_cast<TKuzoControl*>(obj) : nullptr;
}

void SceneInput::SetFocus(TKuzoControl* c) {
  if (c && c->Handle().IsNull()) c = nullptr;  // only registered controls take the focus
  TKuzoControl* old = GetFocus();
  if (c == old && (c || focus_.IsNull())) {
    focusSearch_ = false;
    return;
  }
  if (old && !old->KeyLabelAt(KL_FOCUSOUT).empty() && !old->GetName().empty() && !old->IsBusy())
    scene_.QueueEvent(old, old->KeyLabelAt(KL_FOCUSOUT), nullptr, EV_FOCUSOUT);
  focus_ = c ? c->Handle() : ComponentHandle{};
  if (c && !c->KeyLabelAt(KL_FOCUSIN).empty() && !c->IsBusy())
    scene_.QueueEvent(c, c->KeyLabelAt(KL_FOCUSIN), nullptr, EV_FOCUSIN);
  focusSearch_ = false;
  if (c) c->FocusNativeControl();
}

void SceneInput::DropFocus() {
  focus_ = ComponentHandle{};
  focusSearch_ = true;
}

void SceneInput::RestoreFocus(TKuzoControl* c) {
  if (!c || c->Handle().IsNull()) {
    DropFocus();
    return;
  }
  focus_ = c->Handle();
  c->FocusNativeControl();
  // A saved focus that a search would drop (it stopped handling keys, was hidden or left the
  // shown base while its search was still pending when the game was saved) keeps that search
  // pending, so the control loses the focus with its events as it would have without the save.
  focusSearch_ = !StillFocusable(c);
}

bool SceneInput::StillFocusable(const TKuzoControl* c) const {
  if (!c->HandlesKeys() || c->IsPaused()) return false;
  const TKuzoControl* p = c;
  for (; p && p != scene_.ActiveBase(); p = p->Parent())
    if (!p->GetVisible() || p->GetName().empty()) return false;
  return p != nullptr;
}

void SceneInput::AddRightClickClose(TKuzoObject* obj) {
  if (obj && !obj->Handle().IsNull()) rightClickClose_.push_back(obj->Handle());
}

void SceneInput::Forget(ComponentHandle h) {
  if (h.IsNull()) return;
  if (focus_ == h) DropFocus();
  for (int i = 0; i < 2; ++i)
    if (scene_.GetBaseAt(i)->hover == h) scene_.GetBaseAt(i)->hover = ComponentHandle{};
  std::erase(rightClickClose_, h);
}

void SceneInput::Reset() {
  rightClickClose_.clear();
  focus_ = ComponentHandle{};
  focusSearch_ = false;
}

// --- frame -------------------------------------------------------------------------------------

void SceneInput::ProcessInput() {
  if (focusSearch_) {
    SetFocus(scene_.ActiveBase()->FindFocusCandidate());
    focusSearch_ = false;
  }
  pressedFrame_ = pressedLatch_;
  pressedLatch_.fill(0);
  repeatFrame_ = repeatLatch_;

  RouteMouse(*scene_.ActiveBase());

  TKuzoControl* focus = GetFocus();
  if (focus && focus->HandlesKeys()) {
    if (keyDownPending_) focus->KeyDown();
    if (keyRepeatPending_ && GetFocus() == focus) focus->KeyRepeat();
    if (keyUpPending_ && GetFocus() == focus) focus->KeyUp();
  }
  keyDownPending_ = keyUpPending_ = keyRepeatPending_ = false;

  const int64_t delta = scene_.FrameDeltaMs();
  for (int k = 0; k < kKeyCount; ++k) {
    if (!keyDown_[k]) continue;
    int64_t left = std::max<int64_t>(int64_t{repeatCountdown_[k]} - delta, INT32_MIN / 2);
    repeatLatch_[k] = left <= 0;
    if (left <= 0) {
      left += kKeyRepeatIntervalMs;
      keyRepeatPending_ = true;
    }
    repeatCountdown_[k] = static_cast<int32_t>(left);
  }
}

// The first right-click-close candidate on this base that accepts consumes the right click.
bool SceneInput::RightClickClosed(TKuzoBase& base) {
  const std::vector<ComponentHandle> candidates = rightClickClose_;
  for (ComponentHandle h : candidates) {
    TKuzoObject* obj = scene_.Resolve(h);
    if (!obj || !obj->GetBoolProp(PR_RCLICKSCRAP) || !obj->GetBoolProp(PR_VISIBLE) || obj->GetBase() != &base ||
        obj->IsPaused())
      continue;
    if (ModeInSet(obj->GetIntProp(PR_IGNOREMOUSE), kModesRightPress) && obj->AcceptRightClickClose()) return true;
  }
  return false;
}

void SceneInput::ShowCursorOf(TKuzoBase& base, TKuzoControl& target) {
  std::string cursor = target.GetCursorName();
  if (cursor.empty() && defaultCursor_) cursor = defaultCursor_();
  if (!cursor.empty() && cursor != base.currentCursor) {
    if (cursorLoader_) cursorLoader_(cursor);
    base.currentCursor = cursor;
  }
}

void SceneInput::RouteMouse(TKuzoBase& base) {
  base.leftClick = base.leftPressLatch;
  base.rightClick = base.rightPressLatch;
  base.wheelDown = base.wheelDownLatch;
  base.wheelUp = base.wheelUpLatch;
  base.leftPressLatch = base.rightPressLatch = base.wheelDownLatch = base.wheelUpLatch = false;

  if (base.rightClick && RightClickClosed(base)) base.rightClick = false;

  auto live = [this](TKuzoObject* obj) { return obj && scene_.IndexOf(obj) >= 0; };

  // A captured press stays with the control that took it until its button is released.
  if (base.capture & (kCaptureLeft | kCaptureRight)) {
    if (TKuzoObject* held = scene_.Resolve(base.hover)) {
      if ((base.capture & kCaptureLeft) && !base.leftHeld) {
        held->LeftUp();
        base.capture &= static_cast<uint8_t>(~kCaptureLeft);
      } else if ((base.capture & kCaptureRight) && !base.rightHeld) {
        held->RightUp();
        base.capture &= static_cast<uint8_t>(~kCaptureRight);
      }
      if (base.moved && live(held)) held->MouseMove();
      if (live(held)) held->HeldTick();
      base.moved = false;
      return;
    }
  }

  const ScenePoint point{base.MouseX(), base.MouseY()};
  const MouseModeSet modes = base.leftClick ? kModesLeftPress : base.rightClick ? kModesRightPress : kModesHover;
  TKuzoControl* target = base.HitTest(point, modes);
  base.capture = 0;

  if (target) ShowCursorOf(base, *target);

  if (target) {
    if (base.leftClick) {
      target->LeftDown();
      if (!live(target)) {
        target = nullptr;
      } else if (!target->IsPaused() && target->HandlesKeys()) {
        SetFocus(target);
      }
    } else if (base.rightClick) {
      target->RightDown();
      if (!live(target)) target = nullptr;
    } else if (base.wheelDown && !target->MouseLabelAt(ML_WHEELDOWN).empty() &&
               scene_.FindPendingEvent(target, EV_WHEELDOWN) < 0 && !target->IsBusy()) {
      scene_.QueueEvent(target, target->MouseLabelAt(ML_WHEELDOWN), nullptr, EV_WHEELDOWN);
    } else if (base.wheelUp && !target->MouseLabelAt(ML_WHEELUP).empty() &&
               scene_.FindPendingEvent(target, EV_WHEELUP) < 0 && !target->IsBusy()) {
      scene_.QueueEvent(target, target->MouseLabelAt(ML_WHEELUP), nullptr, EV_WHEELUP);
    }
  }

  const ComponentHandle previous = base.hover;
  TKuzoObject* prev = scene_.Resolve(previous);
  if (prev && prev != target) prev->MouseOut(target);
  if (target && !live(target)) target = nullptr;

  if (target && (base.moved || target->Handle() != previous)) {
    if (target->Handle() != previous) {
      target->MouseIn();
      if (!live(target)) target = nullptr;
    }
    if (target) target->MouseMove();
  }
  base.hover = target ? target->Handle() : ComponentHandle{};
  base.moved = false;
}

}  // namespace kuzo
