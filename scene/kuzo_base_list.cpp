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
  input_.Forget(h);
  if (!h.IsNull()) events_.RemoveWaitingEventsOf(h);
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

void TKuzoBaseList::SetOverlay(const TKuzoObject* owner, const TCustomDIBX* picture, const TRect& source,
                               const TRect& screen) {
  for (const TRect& r : overlays_.Set(ScreenOverlay{owner, picture, source, screen})) InvalidateRect(r);
}

void TKuzoBaseList::RemoveOverlay(const TKuzoObject* owner) { InvalidateRect(overlays_.Remove(owner)); }

// --- switches ----------------------------------------------------------------------------------

void TKuzoBaseList::SetCGDither(bool b) {
  if (b == cgDither_) return;
  cgDither_ = b;
  for (auto& base : bases_) base->MarkAllDirty();
}

// --- frame -------------------------------------------------------------------------------------

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
  // Overlays lie on the window above the scene and any transition, in every repainted rectangle
  // (all of the frame while a transition redraws it).
  if (overlays_.Empty()) return;
  if (TCustomDIBX* target = SceneSurface()) {
    if (transitionRunning_)
      overlays_.Paint(*target, {TRect{0, 0, width_, height_}});
    else
      overlays_.Paint(*target, ActiveBase()->DirtyList().Rects());
  }
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
  input_.Reset();
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
