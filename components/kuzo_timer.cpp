// Timers: interval catch-up one step per tick, one queued event at a time, and the timer record.
#include "components/kuzo_timer.h"

#include "scene/component_services.h"

namespace kuzo {

namespace {
constexpr int32_t kVersionTimerFlags = 103;  // auto scrap and fired stored above this version
}

int32_t TKuzoTimer::Now() const { return Services() ? Services()->GameClockMs() : 0; }

void TKuzoTimer::Create(TKuzoBaseList* scene) {
  TKuzoComponent::Create(scene);
  lastTime_ = Now();
}

void TKuzoTimer::Reset() {
  if (ComponentServices* s = Services()) s->RemoveWaitingEvents(this);
  lastTime_ = Now();
}

bool TKuzoTimer::Tick() {
  ComponentServices* s = Services();
  if (!s) return false;
  if (fired_ && autoScrap_) return s->FindPendingEvent(this, EV_NOTIFY) < 0;
  if (interval_ < 0 || paused_) return false;
  if (interval_ > 0) {
    if (Now() - lastTime_ < interval_) return false;
    // One interval per tick: a timer that fell behind catches up over the following ticks.
    lastTime_ += interval_;
  }
  if (s->FindPendingEvent(this, EV_NOTIFY) < 0) {
    if (!notifyLabel_.empty()) s->QueueEvent(this, notifyLabel_, nullptr, EV_NOTIFY);
    fired_ = true;
  }
  return false;
}

int32_t TKuzoTimer::GetIntProp(PropId id) const {
  return id == PR_DELAY ? interval_ : TKuzoComponent::GetIntProp(id);
}

void TKuzoTimer::SetIntProp(PropId id, int32_t v) {
  if (id != PR_DELAY) {
    TKuzoComponent::SetIntProp(id, v);
    return;
  }
  if (interval_ == v) return;
  interval_ = v;
  Reset();
}

bool TKuzoTimer::GetBoolProp(PropId id) const {
  switch (id) {
    case PR_PAUSED: return paused_;
    case PR_AUTOSCRAP: return autoScrap_;
    default: return TKuzoComponent::GetBoolProp(id);
  }
}

void TKuzoTimer::SetBoolProp(PropId id, bool v) {
  switch (id) {
    case PR_PAUSED:
      if (paused_ == v) break;
      paused_ = v;
      Reset();
      break;
    case PR_AUTOSCRAP: autoScrap_ = v; break;
    default: TKuzoComponent::SetBoolProp(id, v); break;
  }
}

std::string TKuzoTimer::GetStrProp(PropId id) const {
  return id == PR_ONNOTIFY ? notifyLabel_ : TKuzoComponent::GetStrProp(id);
}

void TKuzoTimer::SetStrProp(PropId id, const std::string& v) {
  if (id != PR_ONNOTIFY) {
    TKuzoComponent::SetStrProp(id, v);
    return;
  }
  if (notifyLabel_ == v) return;
  notifyLabel_ = v;
  Reset();
}

void TKuzoTimer::SaveToStream(ByteWriter& out) const {
  TKuzoComponent::SaveToStream(out);
  out.String(notifyLabel_);
  out.I32(interval_);
  out.Bool(paused_);
  out.Bool(autoScrap_);
  out.Bool(fired_);
}

void TKuzoTimer::LoadFromStream(ByteReader& in, int32_t version) {
  TKuzoComponent::LoadFromStream(in, version);
  notifyLabel_ = in.String("timer notify label");
  interval_ = in.I32("timer interval");
  paused_ = in.Bool("timer paused");
  if (version > kVersionTimerFlags) {
    autoScrap_ = in.Bool("timer auto scrap");
    fired_ = in.Bool("timer fired");
  }
  lastTime_ = Now();
}

}  // namespace kuzo
