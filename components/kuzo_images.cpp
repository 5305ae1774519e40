// Frame animation of pictures (index, timing, tint, last-frame wait, play end) and the script
// image's sources and saved record.
#include "components/kuzo_images.h"

#include <algorithm>
#include <atomic>
#include <cmath>

#include "components/drel_collection.h"
#include "scene/component_services.h"
#include "vars/expression.h"
#include "vars/param.h"

namespace kuzo {

namespace {
constexpr int32_t kVersionImagesExtras = 103;  // idle label stored after this version

int32_t AddSaturated(int32_t a, int64_t b) {
  return static_cast<int32_t>(std::clamp<int64_t>(int64_t{a} + b, INT32_MIN, INT32_MAX));
}
}  // namespace

void ReportMotionUnavailable(const TKuzoObject& component, const std::string& source) {
  static std::atomic<bool> reported{false};
  ComponentServices* services = component.Services();
  const HostState* host = services ? services->Clock() : nullptr;
  if (!host || !host->log || reported.exchange(true)) return;
  host->log("motion source " + source + ": motion files are not available in this build");
}

// --- frame animation ---------------------------------------------------------------------------

TKuzoCustomImages::TKuzoCustomImages() = default;
TKuzoCustomImages::~TKuzoCustomImages() = default;

int32_t TKuzoCustomImages::GetIndex() const {
  if (const TKuzoMotion* m = GetMotion()) return m->FrameIndex();
  return index_;
}

int32_t TKuzoCustomImages::GetCount() const {
  if (const TKuzoMotion* m = GetMotion()) return m->FrameCount();
  const TKuzoImageList* list = CurrentList();
  return list ? list->Count() : 0;
}

bool TKuzoCustomImages::FrameValid() const {
  const TKuzoImageList* list = CurrentList();
  return list && index_ >= 0 && index_ < list->Count();
}

void TKuzoCustomImages::ClearFrame() {
  Invalidate();
  index_ = -1;
  SetSharedFrame(nullptr);
}

void TKuzoCustomImages::SetIndex(int32_t i) {
  if (i == index_) return;
  if (TKuzoMotion* m = GetMotion()) {
    m->SetElapsed(static_cast<int32_t>(std::clamp(std::round(i * kMotionFrameMs), -2147483648.0, 2147483647.0)));
    return;
  }
  TKuzoImageList* list = CurrentList();
  const int count = list ? list->Count() : 0;
  if (FrameValid()) {
    Invalidate();
  } else {
    remaining_ = 0;
  }
  index_ = i;
  if (i >= 0 && i < count) {
    TKuzoImageData& frame = list->Frame(i);
    if (frame.Tint() != tint_) frame.SetTint(tint_);
    SetSharedFrame(&frame);
    remaining_ = AddSaturated(remaining_, frame.Delay());
    if (i == count - 1 && count > 1) {
      if (std::optional<int32_t> wait = LastFrameWaitValue()) remaining_ = AddSaturated(remaining_, *wait);
    }
  }
  RecomputeWidth();
  RecomputeHeight();
}

void TKuzoCustomImages::SetLastFrameWait(std::string_view streamForm) {
  auto parser = std::make_unique<TKuzoParser>();
  ByteReader r(streamForm, "last-frame wait");
  parser->ReadFrom(r);
  lastFrameWait_ = std::move(parser);
}

std::optional<int32_t> TKuzoCustomImages::LastFrameWaitValue() {
  TParamCollection* vars = Services() ? Services()->Variables() : nullptr;
  if (!lastFrameWait_ || !vars || lastFrameWait_->OpCount() == 0) return std::nullopt;
  lastFrameWait_->Execute(*vars);
  const TCustomParam* result = lastFrameWait_->Result();
  if (!result) return std::nullopt;
  return result->AsInteger();
}

bool TKuzoCustomImages::GetPlaying() const {
  if (GetMotion()) return TKuzoControl::GetBoolProp(PR_PLAYING);
  if (paused_ || !FrameValid()) return false;
  const bool atEnd = index_ == CurrentList()->Count() - 1 && !Repeats() && remaining_ < 1;
  return !atEnd;
}

bool TKuzoCustomImages::Animating() const {
  return !GetMotion() && FrameValid() && GetVisible() && !paused_ && !GetBoolProp(PR_ANIPAUSED);
}

bool TKuzoCustomImages::StepFrames(bool restart) {
  const int32_t elapsed = Services() ? Services()->FrameDeltaMs() : 0;
  if (remaining_ > 0) remaining_ = AddSaturated(remaining_, -int64_t{elapsed});
  while (remaining_ < 1) {
    const int count = CurrentList()->Count();
    if (index_ < count - 1) {
      if (count <= 2) remaining_ = 0;  // the overshoot is dropped
      SetIndex(index_ + 1);
      if (!FrameValid()) return false;
      continue;
    }
    if (!restart) return true;
    remaining_ = 0;
    SetIndex(0);
    return false;
  }
  return false;
}

bool TKuzoCustomImages::Tick() {
  if (TKuzoCustomImage::Tick()) return true;
  if (Animating() && StepFrames(Repeats())) {
    if (AutoScraps()) return true;
    RaiseEvent(PlayEndLabel(), EV_PLAYEND, false);
  }
  return false;
}

void TKuzoCustomImages::ApplyLoadedFrame() {
  SetIndex(loadedIndex_);
  if (FrameValid()) remaining_ = loadedRemaining_;
}

int32_t TKuzoCustomImages::GetIntProp(PropId id) const {
  switch (id) {
    case PR_INDEX: return GetIndex();
    case PR_COUNT: return GetCount();
    case PR_BRIGHTNESS: return tint_;
    default: return TKuzoCustomImage::GetIntProp(id);
  }
}

void TKuzoCustomImages::SetIntProp(PropId id, int32_t v) {
  switch (id) {
    case PR_INDEX: SetIndex(v); break;
    case PR_COUNT: break;  // read only
    case PR_BRIGHTNESS:
      if (v == tint_) break;
      tint_ = v;
      if (FrameValid()) {
        TKuzoImageData& frame = CurrentList()->Frame(index_);
        frame.SetTint(tint_);
        SetSharedFrame(&frame);
      }
      break;
    default: TKuzoCustomImage::SetIntProp(id, v); break;
  }
}

bool TKuzoCustomImages::GetBoolProp(PropId id) const {
  switch (id) {
    case PR_PAUSED: return paused_;
    case PR_PLAYING: return GetPlaying();
    default: return TKuzoCustomImage::GetBoolProp(id);
  }
}

void TKuzoCustomImages::SetBoolProp(PropId id, bool v) {
  switch (id) {
    case PR_PAUSED:
      paused_ = v;
      remaining_ = 0;
      break;
    case PR_VISIBLE:
      remaining_ = 0;
      TKuzoCustomImage::SetBoolProp(id, v);
      break;
    default: TKuzoCustomImage::SetBoolProp(id, v); break;
  }
}

void TKuzoCustomImages::SaveToStream(ByteWriter& out) const {
  TKuzoCustomImage::SaveToStream(out);
  out.I32(remaining_);
  out.I32(GetIndex());
  out.I32(tint_);
  out.Bool(paused_);
  if (lastFrameWait_) {
    lastFrameWait_->WriteTo(out);
  } else {
    TKuzoParser().WriteTo(out);
  }
}

void TKuzoCustomImages::LoadFromStream(ByteReader& in, int32_t version) {
  TKuzoCustomImage::LoadFromStream(in, version);
  loadedRemaining_ = in.I32("remaining time");
  loadedIndex_ = in.I32("frame index");
  tint_ = in.I32("tint");
  paused_ = in.Bool("paused");
  auto parser = std::make_unique<TKuzoParser>();
  parser->ReadFrom(in);
  lastFrameWait_ = std::move(parser);
}

// --- script image ------------------------------------------------------------------------------

TKuzoImages::TKuzoImages(int listCount) {
  for (int i = 0; i < listCount; ++i) lists_.push_back(std::make_unique<TKuzoImageList>());
}

TKuzoImages::~TKuzoImages() = default;

TKuzoImageList* TKuzoImages::CurrentList() const {
  const int n = ShownList();
  return n >= 0 && n < static_cast<int>(lists_.size()) ? lists_[static_cast<size_t>(n)].get() : nullptr;
}

bool TKuzoImages::LoadList(int n, const std::string& source) {
  TDrelCollection* cache = Services() ? Services()->Images() : nullptr;
  if (!cache || !HasPictureExtension(source)) return false;
  lists_[static_cast<size_t>(n)]->Load(*cache, source, this);
  return true;
}

void TKuzoImages::SetSource(const std::string& source) {
  if (source == source_) return;
  source_ = source;
  const bool shown = ShownList() == 0;
  if (shown) ClearFrame();
  lists_[0]->Clear();
  FreeMotion();
  if (HasPictureExtension(source)) {
    if (!LoadList(0, source)) {
      TKuzoControl::SetIntProp(PR_WIDTH, 0);
      TKuzoControl::SetIntProp(PR_HEIGHT, 0);
    }
  } else if (HasMotionFileExtension(source)) {
    AttachMotion(source);
    if (TKuzoMotion* m = GetMotion()) {
      m->Advance(*this, 0);
      RestartMotion();
    } else {
      ReportMotionUnavailable(*this, source);
    }
  } else {
    TKuzoControl::SetIntProp(PR_WIDTH, 0);
    TKuzoControl::SetIntProp(PR_HEIGHT, 0);
  }
  if (shown && !lists_[0]->Empty()) SetIndex(0);
}

bool TKuzoImages::Tick() { return TKuzoCustomImages::Tick(); }

void TKuzoImages::ReleaseSurfaces() {
  for (auto& list : lists_) list->ReleaseCopies();
}

void TKuzoImages::RestoreSurfaces() {
  for (auto& list : lists_) list->RebuildCopies();
  Invalidate();
}

bool TKuzoImages::GetBoolProp(PropId id) const {
  switch (id) {
    case PR_REPEAT: return repeat_;
    case PR_AUTOSCRAP: return autoScrap_;
    default: return TKuzoCustomImages::GetBoolProp(id);
  }
}

void TKuzoImages::SetBoolProp(PropId id, bool v) {
  switch (id) {
    case PR_REPEAT:
      repeat_ = v;
      if (!v) break;
      if (GetMotion() && GetMotion()->Finished()) RestartMotion();
      if (!FrameValid() && !GetMotion()) SetIndex(0);
      break;
    case PR_AUTOSCRAP: autoScrap_ = v; break;
    default: TKuzoCustomImages::SetBoolProp(id, v); break;
  }
}

std::string TKuzoImages::GetStrProp(PropId id) const {
  switch (id) {
    case PR_SOURCE: return source_;
    case PR_ONPLAYEND: return playEndLabel_;
    case PR_ONIDLE: return idleLabel_;
    default: return TKuzoCustomImages::GetStrProp(id);
  }
}

void TKuzoImages::SetStrProp(PropId id, const std::string& v) {
  switch (id) {
    case PR_SOURCE: SetSource(v); break;
    case PR_ONPLAYEND: playEndLabel_ = v; break;
    case PR_ONIDLE: idleLabel_ = v; break;
    default: TKuzoCustomImages::SetStrProp(id, v); break;
  }
}

void TKuzoImages::SaveToStream(ByteWriter& out) const {
  TKuzoCustomImages::SaveToStream(out);
  out.Bool(repeat_);
  out.Bool(autoScrap_);
  out.String(source_);
  out.String(playEndLabel_);
  out.String(idleLabel_);
}

void TKuzoImages::LoadFromStream(ByteReader& in, int32_t version) {
  TKuzoCustomImages::LoadFromStream(in, version);
  repeat_ = in.Bool("repeat");
  autoScrap_ = in.Bool("auto scrap");
  SetSource(in.String("source"));
  playEndLabel_ = in.String("play end label");
  if (version > kVersionImagesExtras) idleLabel_ = in.String("idle label");
  ApplyLoadedFrame();
}

}  // namespace kuzo
