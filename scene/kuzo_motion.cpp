// Stepping of keyframe films attached to controls.
#include "scene/kuzo_motion.h"

#include <cmath>

#include "scene/kuzo_control.h"

namespace kuzo {

namespace {
// Milliseconds to the nearest frame, ties to even, saturated into int32.
int32_t RoundToInt(double v) {
  double r = std::nearbyint(v);
  if (!(r > -2147483648.0)) return INT32_MIN;
  if (r > 2147483647.0) return INT32_MAX;
  return static_cast<int32_t>(r);
}
}  // namespace

TKuzoMotion::TKuzoMotion(std::unique_ptr<KeyframeFilm> film) : film_(std::move(film)) {}

void TKuzoMotion::Restart() {
  elapsed_ = 0;
  countdown_ = 2;
  finished_ = false;
}

bool TKuzoMotion::Advance(TKuzoControl& control, int32_t elapsedMs) {
  if (!film_) return false;
  bool moved = false;
  const int32_t left = control.Left();
  const int32_t top = control.Top();
  if (countdown_ <= 0 && (left != lastLeft_ || top != lastTop_) && film_->IsRelative()) {
    film_->SetStartPoint(left, top);
    finished_ = false;
    moved = true;
  }
  if (finished_) return false;
  if (countdown_ == 2) {
    if (film_->IsRelative()) {
      film_->SetStartPoint(left, top);
    } else {
      film_->SetStartPoint(0, 0);
    }
    film_->SetBasePriority(control.Priority());
    lastLeft_ = left;
    lastTop_ = top;
  }
  if (countdown_ <= 0 && !control.GetBoolProp(PR_ANIPAUSED)) {
    int64_t sum = int64_t{elapsed_} + elapsedMs;
    elapsed_ = static_cast<int32_t>(std::clamp<int64_t>(sum, INT32_MIN, INT32_MAX));
  }
  frameIndex_ = RoundToInt(elapsed_ / kMotionFrameMs);
  const int32_t count = film_->FrameCount();
  bool completed = false;
  if (frameIndex_ >= count) {
    if (control.GetBoolProp(PR_REPEAT) && count > 0) {
      frameIndex_ = frameIndex_ % count + film_->LoopStart();
      if (frameIndex_ > count - 1) frameIndex_ = count - 1;
      if (frameIndex_ < 0) frameIndex_ = 0;
      elapsed_ = RoundToInt(frameIndex_ * kMotionFrameMs);
    } else {
      frameIndex_ = count > 0 ? count - 1 : 0;
      finished_ = true;
      completed = true;
    }
  }
  if (count > 0 && (countdown_ == 2 || film_->CurrentFrame() != frameIndex_ || moved)) {
    film_->ApplyFrame(frameIndex_);
  }
  if (countdown_ > 0) --countdown_;
  lastLeft_ = control.Left();
  lastTop_ = control.Top();
  return completed;
}

}  // namespace kuzo
