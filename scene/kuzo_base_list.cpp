// The scene: registry, name lookups, focus, keyboard state, mouse routing, ticks, drawing of the
// dirty rectangles and reset (the saved scene record is in kuzo_base_list_record.cpp).
#include "scene/kuzo_base_list.h"

#include <algorithm>
#include <unordered_set>

#include "core/errors.h"
#include "scene/kuzo_base_list_names.h"

namespace kuzo {

using namespace scene_names;

namespace {

int32_t ClampSide(int32_t v) { return std::clamp<int32_t>(v, 1, kMaxSurfaceSide); }

}  // namespace

TKuzoBaseList::TKuzoBaseList(const HostState* host, int32_t width, int32_t height) {
  ServiceSlots slots;
  slots.clock = host;
  SetSlots(slots);
  RegisterKind(LT_CABINET, [] { return std::make_unique<TKuzoCabinet>(); });
  CreateBases();
  SetSize(width, height);
}

TKuzoBaseList::~TKuzoBaseList() {
  // Detach the trees first so that no object touches a freed parent or base while going.
  for (auto& base : bases_) base->TakeChildren();
  for (auto& obj : registry_) {
    if (obj->IsControl()) static_cast<TKuzoControl*>(obj.get())->TakeChildren();
  }
  registry_.clear();
}

void TKuzoBaseList::RegisterKind(int32_t code, ComponentCreator creator) { creators_[code] = std::move(creator); }

void TKuzoBaseList::CreateBases() {
  for (int i = 0; i < 2; ++i) {
    auto base = std::make_unique<TKuzoBase>();
    base->scene_ = this;
    base->SetNameField(i == 0 ? kBase0Name : kBase1Name);
    base->SetIndex(i);
    base->SetBounds(0, 0, width_, height_);
    bases_[i] = std::move(base);
  }
}

void TKuzoBaseList::SetExternalSceneSurface(TCustomDIBX* surface) {
  externalSceneSurface_ = surface;
  for (auto& base : bases_) base->MarkAllDirty();
}

TCustomDIBX* TKuzoBaseList::SceneSurface() const {
  return externalSceneSurface_ ? externalSceneSurface_ : ownSceneSurface_.get();
}

void TKuzoBaseList::SetSize(int32_t width, int32_t height) {
  width_ = ClampSide(width);
  height_ = ClampSide(height);
  if (!ownSceneSurface_) ownSceneSurface_ = std::make_unique<TDIBX>();
  ownSceneSurface_->SetSize(width_, height_, kSceneBits);
  for (auto& base : bases_) {
    base->SetBounds(0, 0, width_, height_);
    base->ResizeSurface(width_, height_, kSceneBits);
    base->DirtyList().Clear();
    base->MarkAllDirty();
  }
}

void TKuzoBaseList::SetActiveBase(int index, const TransitionRequest& transition, bool force) {
  const int next = index & 1;
  const int previous = activeIndex_;
  const bool changed = next != previous;
  EndTransition();
  activeIndex_ = next;
  heldFromIndex_ = -1;
  if (changed && transition.kind != 0 && transition_ &&
      transition_->Begin(transition, *bases_[previous], *bases_[next]))
    transitionRunning_ = true;
  if (changed || force) {
    for (auto& base : bases_) base->MarkAllDirty();
    TKuzoControl* focus = GetFocus();
    if (!focus || focus->GetBase() != ActiveBase()) DropFocus();
  }
}

// --- registry ----------------------------------------------------------------------------------

void TKuzoBaseList::Adopt(std::unique_ptr<TKuzoObject> obj) {
  TKuzoObject* raw = obj.release();
  raw->Create(this);  // registers: the registry owns it from here
}

TKuzoObject* TKuzoBaseList::CreateByKind(int32_t code) {
  auto it = creators_.find(code & 0x7F);
  if (it == creators_.end()) return nullptr;
  std::unique_ptr<TKuzoObject> obj = it->second();
  if (!obj) return nullptr;
  TKuzoObject* raw = obj.get();
  Adopt(std::move(obj));
  return raw;
}

void TKuzoBaseList::RegisterObject(TKuzoObject* obj) {
  if (!obj || IndexOf(obj) >= 0) return;
  obj->scene_ = this;
  obj->handle_ = handles_.Allocate();
  if (bySlot_.size() <= obj->handle_.slot) bySlot_.resize(obj->handle_.slot + 1, nullptr);
  bySlot_[obj->handle_.slot] = obj;
  registry_.emplace_back(obj);
}

std::unique_ptr<TKuzoObject> TKuzoBaseList::UnregisterObject(TKuzoObject* obj) {
  int index = IndexOf(obj);
  if (index < 0) return nullptr;
  std::unique_ptr<TKuzoObject> owned = std::move(registry_[static_cast<size_t>(index)]);
  registry_.erase(registry_.begin() + index);
  bySlot_[obj->handle_.slot] = nullptr;
  handles_.Release(obj->handle_);
  obj->handle_ = ComponentHandle{};
  return owned;
}

void TKuzoBaseList::ScheduleDeletion(TKuzoObject* obj) {
  if (!obj || obj->Handle().IsNull() || IsScheduledForDeletion(obj)) return;
  pendingDeletions_.push_back(obj->Handle());
}

bool TKuzoBaseList::IsScheduledForDeletion(const TKuzoObject* obj) const {
  if (!obj || obj->Handle().IsNull()) return false;
  return std::find(pendingDeletions_.begin(), pendingDeletions_.end(), obj->Handle()) != pendingDeletions_.end();
}

void TKuzoBaseList::FreeObjectTree(TKuzoObject* obj) {
  if (obj->IsControl()) {
    auto* control = static_cast<TKuzoControl*>(obj);
    for (TKuzoControl* child : control->TakeChildren()) FreeObjectTree(child);
    control->motion_.reset();  // freed without resetting the control's fields
  }
  const ComponentHandle h = obj->Handle();
  if (!h.IsNull() && focus_ == h) {
    focus_ = ComponentHandle{};
    focusSearch_ = true;
  }
  for (auto& base : bases_)
    if (!h.IsNull() && base->hover == h) base->hover = ComponentHandle{};
  if (!h.IsNull()) events_.RemoveWaitingEventsOf(h);
  std::erase(rightClickClose_, h);
  UnregisterObject(obj);  // the returned owner frees it here
}

void TKuzoBaseList::DestroyObject(TKuzoObject* obj) {
  if (!obj || IndexOf(obj) < 0) return;
  if (TKuzoControl* parent = obj->Parent()) {
    auto* control = static_cast<TKuzoControl*>(obj);
    parent->RemoveChild(control);
    control->parent_ = nullptr;
  }
  FreeObjectTree(obj);
}

TKuzoObject* TKuzoBaseList::GetObject(int i) const {
  if (i < 0 || i >= static_cast<int>(registry_.size())) return nullptr;
  return registry_[static_cast<size_t>(i)].get();
}

int TKuzoBaseList::IndexOf(const TKuzoObject* obj) const {
  if (!obj || !handles_.IsAlive(obj->Handle()) || bySlot_[obj->Handle().slot] != obj) return -1;
  for (size_t i = 0; i < registry_.size(); ++i)
    if (registry_[i].get() == obj) return static_cast<int>(i);
  return -1;
}

int TKuzoBaseList::IndexOfName(const std::string& name) const {
  if (name.empty()) return -1;
  for (size_t i = 0; i < registry_.size(); ++i)
    if (registry_[i]->GetName() == name) return static_cast<int>(i);
  return -1;
}

TKuzoObject* TKuzoBaseList::Resolve(ComponentHandle h) const {
  return handles_.IsAlive(h) && h.slot < bySlot_.size() ? bySlot_[h.slot] : nullptr;
}

TKuzoObject* TKuzoBaseList::FindComponent(const std::string& name) const {
  if (name.empty() || name == kBase0Name) return ActiveBase();
  if (name == kInactiveAlias || name == kBase1Name) return InactiveBase();
  for (const auto& obj : registry_)
    if (obj->GetName() == name && !IsScheduledForDeletion(obj.get())) return obj.get();
  return nullptr;
}

TKuzoControl* TKuzoBaseList::FindParent(const std::string& name) const {
  if (name.empty()) return ActiveBase();
  if (name == kInactiveAlias) return InactiveBase();
  if (name == kBase0Name) return bases_[0].get();
  if (name == kBase1Name) return bases_[1].get();
  for (const auto& obj : registry_)
    if (obj->IsControl() && obj->GetName() == name && !IsScheduledForDeletion(obj.get()))
      return static_cast<TKuzoControl*>(obj.get());
  return nullptr;
}

std::string TKuzoBaseList::MakeUniqueName(const std::string& prefix) const {
  std::unordered_set<std::string> used;
  for (const auto& obj : registry_)
    if (obj->GetName().compare(0, prefix.size(), prefix) == 0) used.insert(obj->GetName());
  for (uint64_t n = 0;; ++n) {
    std::string candidate = prefix + std::to_string(n);
    if (!used.count(candidate)) return candidate;
  }
}

int TKuzoBaseList::ListComponentNames(std::vector<std::string>& list, int32_t kind, const TKuzoObject* parent) const {
  if (!parent) return 0;
  int count = 0;
  for (const auto& obj : registry_) {
    if (obj->GetName().empty() || obj->HasSystemName()) continue;
    if (kind != 0 && obj->KindCode() != kind) continue;
    if (parent != this && obj->Parent() != parent) continue;
    list.push_back(obj->GetName());
    ++count;
  }
  return count;
}

// --- events ------------------------------------------------------------------------------------

void TKuzoBaseList::QueueEvent(const TKuzoObject* sender, const std::string& label,
                               const std::vector<std::string>* args, uint8_t code) {
  events_.QueueEvent(sender ? sender->Handle() : ComponentHandle{}, label, args, code);
}

int TKuzoBaseList::FindPendingEvent(const TKuzoObject* sender, uint8_t code) const {
  return events_.FindPendingEvent(sender ? sender->Handle() : ComponentHandle{}, code);
}

void TKuzoBaseList::RemoveWaitingEvents(const TKuzoObject* sender) {
  if (sender) events_.RemoveWaitingEventsOf(sender->Handle());
}

// --- invalidation ------------------------------------------------------------------------------

void TKuzoBaseList::InvalidateRect(const TRect& rect) { ActiveBase()->AddDirtyRect(rect); }

void TKuzoBaseList::InvalidateAll() {
  for (auto& base : bases_) base->MarkAllDirty();
}

// --- input -------------------------------------------------------------------------------------

void TKuzoBaseList::UpdateMousePosition(int32_t x, int32_t y) {
  for (auto& base : bases_) base->UpdateMousePosition(x, y);
}

void TKuzoBaseList::MouseDown(int button) {
  // Each button keeps its own held state and latch: pressing one never clears the other's.
  for (auto& base : bases_) {
    if (button == 0) base->leftHeld = true;
    if (button == 1) base->rightHeld = true;
  }
  if (button == 0) ActiveBase()->leftPressLatch = true;
  if (button == 1) ActiveBase()->rightPressLatch = true;
}

void TKuzoBaseList::MouseUp(int button) {
  for (auto& base : bases_) {
    if (button == 0) base->leftHeld = false;
    if (button == 1) base->rightHeld = false;
  }
}

void TKuzoBaseList::Wheel(bool down) {
  if (down) {
    ActiveBase()->wheelDownLatch = true;
  } else {
    ActiveBase()->wheelUpLatch = true;
  }
}

void TKuzoBaseList::SetKeyState(int key, bool down) {
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

void TKuzoBaseList::SetKeyPressed(int key) {
  if (InKeyRange(key)) pressedLatch_[key] = 1;
}

void TKuzoBaseList::ClearKeyState() {
  keyDown_.fill(0);
  pressedLatch_.fill(0);
  repeatLatch_.fill(0);
  repeatCountdown_.fill(0);
  keyDownPending_ = keyUpPending_ = keyRepeatPending_ = false;
}

// --- focus -------------------------------------------------------------------------------------

TKuzoControl* TKuzoBaseList::GetFocus() const {
  TKuzoObject* obj = Resolve(focus_);
  return obj && obj->IsControl() ? static_cast<TKuzoControl*>(obj) : nullptr;
}

void TKuzoBaseList::SetFocus(TKuzoControl* c) {
  if (c && c->Handle().IsNull()) c = nullptr;  // only registered controls take the focus
  TKuzoControl* old = GetFocus();
  if (c == old && (c || focus_.IsNull())) {
    focusSearch_ = false;
    return;
  }
  if (old && !old->KeyLabelAt(KL_FOCUSOUT).empty() && !old->GetName().empty() && !old->IsBusy())
    QueueEvent(old, old->KeyLabelAt(KL_FOCUSOUT), nullptr, EV_FOCUSOUT);
  focus_ = c ? c->Handle() : ComponentHandle{};
  if (c && !c->KeyLabelAt(KL_FOCUSIN).empty() && !c->IsBusy())
    QueueEvent(c, c->KeyLabelAt(KL_FOCUSIN), nullptr, EV_FOCUSIN);
  focusSearch_ = false;
  if (c) c->FocusNativeControl();
}

void TKuzoBaseList::DropFocus() {
  focus_ = ComponentHandle{};
  focusSearch_ = true;
}

void TKuzoBaseList::SetCGDither(bool b) {
  if (b == cgDither_) return;
  cgDither_ = b;
  for (auto& base : bases_) base->MarkAllDirty();
}

void TKuzoBaseList::AddRightClickClose(TKuzoObject* obj) {
  if (obj && !obj->Handle().IsNull()) rightClickClose_.push_back(obj->Handle());
}

// --- frame -------------------------------------------------------------------------------------

void TKuzoBaseList::ProcessInput() {
  if (focusSearch_) {
    SetFocus(ActiveBase()->FindFocusCandidate());
    focusSearch_ = false;
  }
  pressedFrame_ = pressedLatch_;
  pressedLatch_.fill(0);
  repeatFrame_ = repeatLatch_;

  RouteMouse(*ActiveBase());

  TKuzoControl* focus = GetFocus();
  if (focus && focus->HandlesKeys()) {
    if (keyDownPending_) focus->KeyDown();
    if (keyRepeatPending_ && GetFocus() == focus) focus->KeyRepeat();
    if (keyUpPending_ && GetFocus() == focus) focus->KeyUp();
  }
  keyDownPending_ = keyUpPending_ = keyRepeatPending_ = false;

  const int64_t delta = FrameDeltaMs();
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

void TKuzoBaseList::RouteMouse(TKuzoBase& base) {
  base.leftClick = base.leftPressLatch;
  base.rightClick = base.rightPressLatch;
  base.wheelDown = base.wheelDownLatch;
  base.wheelUp = base.wheelUpLatch;
  base.leftPressLatch = base.rightPressLatch = base.wheelDownLatch = base.wheelUpLatch = false;

  if (base.rightClick) {
    const std::vector<ComponentHandle> candidates = rightClickClose_;
    for (ComponentHandle h : candidates) {
      TKuzoObject* obj = Resolve(h);
      if (!obj || !obj->GetBoolProp(PR_RCLICKSCRAP) || !obj->GetBoolProp(PR_VISIBLE) || obj->GetBase() != &base ||
          obj->IsPaused())
        continue;
      const int32_t mode = obj->GetIntProp(PR_IGNOREMOUSE);
      if ((mode == 0 || mode == 3) && obj->AcceptRightClickClose()) {
        base.rightClick = false;
        break;
      }
    }
  }

  auto live = [this](TKuzoObject* obj) { return obj && IndexOf(obj) >= 0; };

  if (base.capture & (kCaptureLeft | kCaptureRight)) {
    if (TKuzoObject* held = Resolve(base.hover)) {
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

  if (target) {
    std::string cursor = target->GetCursorName();
    if (cursor.empty() && defaultCursor_) cursor = defaultCursor_();
    if (!cursor.empty() && cursor != base.currentCursor) {
      if (cursorLoader_) cursorLoader_(cursor);
      base.currentCursor = cursor;
    }
  }

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
               FindPendingEvent(target, EV_WHEELDOWN) < 0 && !target->IsBusy()) {
      QueueEvent(target, target->MouseLabelAt(ML_WHEELDOWN), nullptr, EV_WHEELDOWN);
    } else if (base.wheelUp && !target->MouseLabelAt(ML_WHEELUP).empty() &&
               FindPendingEvent(target, EV_WHEELUP) < 0 && !target->IsBusy()) {
      QueueEvent(target, target->MouseLabelAt(ML_WHEELUP), nullptr, EV_WHEELUP);
    }
  }

  const ComponentHandle previous = base.hover;
  TKuzoObject* prev = Resolve(previous);
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

void TKuzoBaseList::EndTransition() {
  if (!transitionRunning_) return;
  transitionRunning_ = false;
  if (transition_) transition_->End();
  // The shown base draws into the scene surface again: all of it.
  for (auto& base : bases_) base->MarkAllDirty();
}

bool TKuzoBaseList::Tick() {
  if (transitionRunning_ && !transition_->Advance(FrameDeltaMs())) EndTransition();
  for (auto& base : bases_) base->Tick();
  for (size_t i = 0; i < registry_.size();) {
    TKuzoObject* obj = registry_[i].get();
    const bool inCabinet = obj->IsInCabinet();
    const std::string idle = obj->GetStrProp(PR_ONIDLE);
    if (!idle.empty() && !inCabinet && !obj->IsBusy() && FindPendingEvent(obj, EV_IDLE) < 0)
      QueueEvent(obj, idle, nullptr, EV_IDLE);
    if (obj->IsPaused() || IsScheduledForDeletion(obj) || inCabinet) {
      ++i;
      continue;
    }
    if (!obj->Tick()) {
      ++i;
      continue;
    }
    DestroyObject(obj);
    // Stay at the same index: the next object moved into this place.
    i = std::min(i, registry_.size());
  }
  std::vector<ComponentHandle> pending;
  pending.swap(pendingDeletions_);
  for (ComponentHandle h : pending) {
    if (TKuzoObject* obj = Resolve(h)) DestroyObject(obj);
  }
  return false;
}

void TKuzoBaseList::Draw() {
  bases_[0]->DrawDirty();
  bases_[1]->DrawDirty();
  if (transitionRunning_)
    if (TCustomDIBX* target = SceneSurface()) transition_->Draw(*target);
}

void TKuzoBaseList::ClearDirty() {
  for (auto& base : bases_) base->DirtyList().Clear();
}

void TKuzoBaseList::Reset() {
  const int32_t mouseX = bases_[0]->MouseX(), mouseY = bases_[0]->MouseY();
  const int32_t width = width_, height = height_;
  EndTransition();
  heldFromIndex_ = -1;
  events_.Clear();
  for (auto& base : bases_) base->TakeChildren();
  for (auto& obj : registry_)
    if (obj->IsControl()) static_cast<TKuzoControl*>(obj.get())->TakeChildren();
  while (!registry_.empty()) UnregisterObject(registry_.front().get());
  pendingDeletions_.clear();
  rightClickClose_.clear();
  focus_ = ComponentHandle{};
  focusSearch_ = false;
  CreateBases();
  SetSize(kResetSize, kResetSize);
  SetSize(width, height);
  UpdateMousePosition(mouseX, mouseY);
  for (auto& base : bases_) base->moved = false;
}

void TKuzoBaseList::ReleaseSurfaces() {
  EndTransition();
  for (auto& base : bases_) base->ReleaseSurfaces();
  for (auto& obj : registry_) obj->ReleaseSurfaces();
}

void TKuzoBaseList::RestoreSurfaces() {
  for (auto& base : bases_) base->RestoreSurfaces();
  for (auto& obj : registry_) obj->RestoreSurfaces();
  for (auto& base : bases_) base->MarkAllDirty();
}

// --- saved record ------------------------------------------------------------------------------

}  // namespace kuzo
