// Fade arithmetic: integer interpolation truncating toward zero, with the half-range rule of
// ordinary items.
#include "components/kuzo_mixer.h"

#include <algorithm>

#include "media/media_item.h"

namespace kuzo {

namespace {
constexpr int32_t kSilent = -10000;  // hundredths of a decibel
}

int32_t EffectiveVolume(int32_t volume, bool midi) {
  if (midi) return static_cast<int32_t>(int64_t{volume} * 10 - 10000);
  if (volume <= 0) return kSilent;
  return static_cast<int32_t>(std::min<int64_t>(0, int64_t{volume} * 5 - 5000));
}

TKuzoMixer::TKuzoMixer(media::TDMediaItem* item, bool midi, int32_t target, int32_t durationMs)
    : item_(item), midi_(midi), target_(target), duration_(durationMs) {}

int32_t TKuzoMixer::LevelAt(int32_t elapsedMs) const {
  // Elapsed and duration compare unsigned: a clock that went backwards counts as the end.
  if (static_cast<uint32_t>(elapsedMs) >= static_cast<uint32_t>(duration_)) return target_;
  const int64_t s = startVolume_, t = target_, e = elapsedMs, d = duration_;
  const int64_t r = midi_ ? t - s : (t - s) / 2;  // '/' truncates toward zero
  if (s > t || midi_) return static_cast<int32_t>(s + e * r / d);
  return static_cast<int32_t>(s + r + e * r / d);
}

bool TKuzoMixerFadein::Step(int32_t nowMs) {
  if (!started_) {
    started_ = true;
    item_->SetVolume(kSilent);
    item_->Play();
    startVolume_ = kSilent;
    startTime_ = nowMs;
    return false;
  }
  const int32_t elapsed = nowMs - startTime_;
  if (static_cast<uint32_t>(elapsed) < static_cast<uint32_t>(duration_)) {
    item_->SetVolume(LevelAt(elapsed));
    return false;
  }
  item_->SetVolume(target_);
  return true;
}

TKuzoMixerFadeout::TKuzoMixerFadeout(media::TDMediaItem* item, bool midi, int32_t durationMs)
    : TKuzoMixer(item, midi, kSilent, durationMs) {}

bool TKuzoMixerFadeout::Step(int32_t nowMs) {
  if (!started_) {
    started_ = true;
    startVolume_ = item_->GetVolume();
    target_ = kSilent;
    startTime_ = nowMs;
    return false;
  }
  const int32_t elapsed = nowMs - startTime_;
  if (static_cast<uint32_t>(elapsed) >= static_cast<uint32_t>(duration_)) return true;
  item_->SetVolume(LevelAt(elapsed));
  return false;
}

}  // namespace kuzo
