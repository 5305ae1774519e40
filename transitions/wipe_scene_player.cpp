// Plays catalogue transitions through the scene's seam.
#include "transitions/wipe_scene_player.h"

#include <algorithm>
#include <limits>

#include "data/file_manager.h"
#include "scene/component_services.h"
#include "scene/kuzo_base.h"
#include "transitions/wipe_catalogue.h"

namespace kuzo {

bool WipeScenePlayer::Begin(const TransitionRequest& request, TKuzoBase& from, TKuzoBase& to) {
  End();
  // Unknown kinds and transitions without time switch at once.
  if (FindWipeKind(request.kind) == nullptr || request.durationMs <= 0) return false;
  (void)from;  // its picture is the screen itself until the first drawn frame
  request_ = request;
  to_ = &to;
  elapsed_ = 0;
  running_ = true;
  return true;
}

bool WipeScenePlayer::Advance(int32_t elapsedMs) {
  if (!running_) return false;
  const int64_t e = int64_t{elapsed_} + std::max(elapsedMs, 0);
  elapsed_ = static_cast<int32_t>(std::min<int64_t>(e, std::numeric_limits<int32_t>::max()));
  return elapsed_ < request_.durationMs;
}

void WipeScenePlayer::Draw(TCustomDIBX& target) {
  if (!running_ || to_ == nullptr || to_->OwnSurface() == nullptr) return;
  if (!wipe_) {
    // The target still shows the last frame of the outgoing base: that is the outgoing picture.
    outgoing_.SetSize(target.Width(), target.Height(), target.BitCount());
    outgoing_.Assign(target);
    wipe_ = CreateTransition(request_.kind, target, outgoing_, *to_->OwnSurface(), ServicesFor(target));
    if (!wipe_) return;
    wipe_->Duration = request_.durationMs;
    wipe_->SetReverse(request_.flag ? 1 : 0);
    // The flip's own parameters replace the kind's defaults, in the order the factory sets them.
    if (request_.param0) wipe_->SetParam(0, *request_.param0);
    if (request_.param1) wipe_->SetParam(1, *request_.param1);
    if (request_.text) wipe_->SetRuleName(*request_.text);
    wipe_->Prepare();
  }
  wipe_->Elapsed = elapsed_;
  wipe_->StepFrame();
}

WipeServices WipeScenePlayer::ServicesFor(const TCustomDIBX& target) {
  WipeServices s = services_;
  if (!s.zoomCentre) s.zoomCentre = std::make_pair(target.Width() / 2, target.Height() / 2);
  if (s.loadRule) return s;
  if (!rules_) {
    const ComponentServices* scene = to_->Services();
    TVrFileManager* files = scene ? scene->Files() : nullptr;
    const HostState* host = scene ? scene->Clock() : nullptr;
    RuleImageLoader::FileReader read;
    if (files) read = RuleImageLoader::FromFileManager(*files);
    RuleImageLoader::LogSink log;
    if (host && host->log) log = host->log;
    rules_.emplace(std::move(read), std::move(log));
  }
  s.loadRule = [this](const std::string& name) { return rules_->Load(name); };
  return s;
}

void WipeScenePlayer::End() {
  wipe_.reset();
  to_ = nullptr;
  running_ = false;
  elapsed_ = 0;
}

}  // namespace kuzo
