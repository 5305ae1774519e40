// Plays catalogue transitions through the scene's seam.
#include "transitions/wipe_scene_player.h"

#include <algorithm>
#include <limits>

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
    wipe_ = CreateTransition(request_.kind, target, outgoing_, *to_->OwnSurface(), services_);
    if (!wipe_) return;
    wipe_->Duration = request_.durationMs;
    wipe_->SetReverse(request_.flag ? 1 : 0);
    wipe_->Prepare();
  }
  wipe_->Elapsed = elapsed_;
  wipe_->StepFrame();
}

void WipeScenePlayer::End() {
  wipe_.reset();
  to_ = nullptr;
  running_ = false;
  elapsed_ = 0;
}

}  // namespace kuzo
