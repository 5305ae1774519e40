// Buttons: state pictures, the mouse rules, clicks, groups, and the button part of saved records.
#include "components/kuzo_button.h"

#include "scene/component_services.h"
#include "scene/kuzo_base.h"

namespace kuzo {

namespace {
constexpr int32_t kVersionButtonExtras = 103;  // idle label and clicked source stored after this version
constexpr int32_t kNoState = -1;               // between the end of the clicked pictures and the next state
}  // namespace

bool TKuzoButton::StateHasPictures(int32_t s) const {
  if (s == kNormal) return true;
  return s > 0 && s < kStateCount && !lists_[static_cast<size_t>(s)]->Empty();
}

void TKuzoButton::SetState(int32_t s) {
  if (state_ == kClicked) {
    pending_ = s;
    return;
  }
  if (s == state_ || !StateHasPictures(s)) return;
  state_ = s;
  if (s == kClicked) pending_ = kNormal;
  // From the state's first frame, even when the list shows the same index.
  ClearFrame();
  SetIndex(0);
  if (s == kNormal) RestartMotion();
}

const std::string& TKuzoButton::StateSource(int state) const {
  return state <= 0 || state >= kStateCount ? source_ : stateSources_[state];
}

void TKuzoButton::SetStateSource(int state, const std::string& source) {
  if (state <= 0 || state >= kStateCount) {
    SetSource(source);
    return;
  }
  if (source == stateSources_[state]) return;
  stateSources_[state] = source;
  const bool shown = state_ == state;
  if (shown) ClearFrame();
  lists_[static_cast<size_t>(state)]->Clear();
  if (!LoadList(state, source) && HasMotionFileExtension(source)) ReportMotionUnavailable(*this, source);
  if (shown && !lists_[static_cast<size_t>(state)]->Empty()) SetIndex(0);
}

bool TKuzoButton::MouseOnButton() {
  TKuzoBase* base = GetBase();
  return base && HitTest(ScenePoint{base->MouseX(), base->MouseY()}, kModesLeftPress) == this;
}

void TKuzoButton::MouseMove() {
  if (press_ != kPressHeld) {
    SetState(paused_ || selected_ ? kPressed : kHover);
    TKuzoImages::MouseMove();
    return;
  }
  if (!selected_ && !MouseOnButton()) {
    SetState(kNormal);
  } else {
    SetState(kPressed);
  }
}

void TKuzoButton::MouseOut(TKuzoControl* next) {
  if (state_ != kClicked) SetState(selected_ ? kPressed : kNormal);
  TKuzoImages::MouseOut(next);
}

void TKuzoButton::LeftDown() {
  const int32_t mode = MouseMode();
  if (mode != 0 && mode != 4) {
    TKuzoImages::LeftDown();
    return;
  }
  TKuzoBase* base = GetBase();
  if (!paused_ && state_ != kClicked) {
    if (base) base->capture |= kCaptureLeft;
    SetState(kPressed);
    press_ = kPressHeld;
  }
  if (base) base->leftClick = false;
}

void TKuzoButton::LeftUp() {
  if (press_ == kPressHeld && MouseOnButton()) {
    Click();
    if (press_ == kPressDestroy) return;
  }
  press_ = kPressIdle;
  if (TKuzoBase* base = GetBase()) base->capture &= static_cast<uint8_t>(~kCaptureLeft);
  if (group_ == 0 && state_ != kClicked) SetState(kNormal);
}

// A press held through a load still clicks on its release; a hovered button shows its hover
// pictures again (the state itself is not part of the saved record).
void TKuzoButton::PointerRestored(uint8_t capture) {
  if (capture & kCaptureLeft) {
    if (paused_ || state_ == kClicked) return;
    press_ = kPressHeld;
    SetState(kPressed);
    return;
  }
  SetState(paused_ || selected_ ? kPressed : kHover);
}

void TKuzoButton::KeyRepeat() {
  constexpr int kEnter = 13, kSpace = 32;
  const ComponentServices* services = Services();
  if (services && (services->KeyRepeated(kEnter) || services->KeyRepeated(kSpace))) {
    Click();
    if (press_ == kPressDestroy) return;
  }
  TKuzoImages::KeyRepeat();
}

void TKuzoButton::Click() {
  RaiseEvent(notifyLabel_, EV_NOTIFY, false);
  if (group_ == 0) {
    SetState(kClicked);
    if (state_ != kClicked && autoScrap_) press_ = kPressDestroy;
  } else if (allowAllUp_ || !selected_) {
    SetSelected(!selected_);
  }
}

bool TKuzoButton::Tick() {
  if (press_ == kPressDestroy) return true;
  if (TKuzoCustomImage::Tick()) return true;  // the normal state's motion, pending size changes
  if (!Animating()) return false;
  const bool clicked = state_ == kClicked;
  // Only the clicked pictures finish; the other states rest on their last frame or repeat.
  if (!StepFrames(!clicked && repeat_) || !clicked) return false;
  if (autoScrap_) return true;
  RaiseEvent(playEndLabel_, EV_PLAYEND, false);
  state_ = kNoState;
  SetState(pending_);
  if (state_ == kNoState) SetState(kNormal);
  return false;
}

// --- groups ------------------------------------------------------------------------------------

std::vector<TKuzoButton*> TKuzoButton::GroupMembers() const {
  std::vector<TKuzoButton*> members;
  if (group_ == 0 || !Parent()) return members;
  for (TKuzoControl* child : Parent()->Children()) {
    auto* b = dynamic_cast<TKuzoButton*>(child);
    if (b && b->group_ == group_ && !b->GetName().empty()) members.push_back(b);
  }
  return members;
}

void TKuzoButton::ApplySelected(bool v) {
  selected_ = v;
  SetState(v ? kPressed : kNormal);
}

void TKuzoButton::RunGroupRule() {
  const std::vector<TKuzoButton*> members = GroupMembers();
  if (members.empty()) return;
  TKuzoButton* chosen = nullptr;
  if (selected_) {
    chosen = this;
  } else {
    for (TKuzoButton* m : members)
      if (m->selected_) {
        chosen = m;
        break;
      }
  }
  if (!chosen && !allowAllUp_) chosen = members.front();
  for (TKuzoButton* m : members)
    if (m->selected_ != (m == chosen)) m->ApplySelected(m == chosen);
}

void TKuzoButton::SetSelected(bool v) {
  if (group_ == 0) return;
  ApplySelected(v);
  RunGroupRule();
}

// --- properties --------------------------------------------------------------------------------

int32_t TKuzoButton::GetIntProp(PropId id) const {
  return id == PR_GROUPINDEX ? group_ : TKuzoImages::GetIntProp(id);
}

void TKuzoButton::SetIntProp(PropId id, int32_t v) {
  if (id == PR_GROUPINDEX) {
    group_ = v;
    RunGroupRule();
  } else {
    TKuzoImages::SetIntProp(id, v);
  }
}

bool TKuzoButton::GetBoolProp(PropId id) const {
  switch (id) {
    case PR_SELECTED: return selected_;
    case PR_ALLOWALLUP: return allowAllUp_;
    default: return TKuzoImages::GetBoolProp(id);
  }
}

void TKuzoButton::SetBoolProp(PropId id, bool v) {
  switch (id) {
    case PR_SELECTED: SetSelected(v); break;
    case PR_ALLOWALLUP:
      for (TKuzoButton* m : GroupMembers()) m->allowAllUp_ = v;
      allowAllUp_ = v;
      RunGroupRule();
      break;
    case PR_PAUSED:
      TKuzoImages::SetBoolProp(id, v);
      if (!v) SetState(kNormal);
      break;
    default: TKuzoImages::SetBoolProp(id, v); break;
  }
}

std::string TKuzoButton::GetStrProp(PropId id) const {
  switch (id) {
    case PR_HOVERSOURCE: return stateSources_[kHover];
    case PR_PRESSEDSOURCE: return stateSources_[kPressed];
    case PR_CLICKEDSOURCE: return stateSources_[kClicked];
    case PR_ONNOTIFY: return notifyLabel_;
    default: return TKuzoImages::GetStrProp(id);
  }
}

void TKuzoButton::SetStrProp(PropId id, const std::string& v) {
  switch (id) {
    case PR_HOVERSOURCE: SetStateSource(kHover, v); break;
    case PR_PRESSEDSOURCE: SetStateSource(kPressed, v); break;
    case PR_CLICKEDSOURCE: SetStateSource(kClicked, v); break;
    case PR_ONNOTIFY: notifyLabel_ = v; break;
    default: TKuzoImages::SetStrProp(id, v); break;
  }
}

// --- saved record ------------------------------------------------------------------------------

void TKuzoButton::SaveToStream(ByteWriter& out) const {
  TKuzoImages::SaveToStream(out);
  out.String(stateSources_[kHover]);
  out.String(stateSources_[kPressed]);
  out.I32(group_);
  out.Bool(selected_);
  out.Bool(allowAllUp_);
  out.String(notifyLabel_);
  out.String(idleLabel_);
  out.String(stateSources_[kClicked]);
}

void TKuzoButton::LoadFromStream(ByteReader& in, int32_t version) {
  TKuzoImages::LoadFromStream(in, version);
  SetStateSource(kHover, in.String("hover source"));
  SetStateSource(kPressed, in.String("pressed source"));
  group_ = in.I32("group index");
  const bool selected = in.Bool("selected");
  allowAllUp_ = in.Bool("allow all up");
  notifyLabel_ = in.String("notify label");
  if (version > kVersionButtonExtras) {
    idleLabel_ = in.String("idle label");
    SetStateSource(kClicked, in.String("clicked source"));
  }
  if (group_ != 0) {
    ApplySelected(selected);
  } else {
    selected_ = selected;
  }
  press_ = kPressIdle;
  ApplyLoadedFrame();
}

}  // namespace kuzo
