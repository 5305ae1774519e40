// Voice mixing in 32-bit sums; each voice sample is scaled as (s × gain + 32768) >> 16.
#include "media/audio_mixer.h"

#include <algorithm>
#include <cmath>

namespace kuzo::media {

int32_t GainForLevel(int32_t hundredthsDb) {
  if (hundredthsDb <= kSilentVolume) return 0;
  if (hundredthsDb >= 0) return 65536;
  // amplitude = 10 ^ (dB / 20), dB = level / 100
  return static_cast<int32_t>(std::lround(65536.0 * std::pow(10.0, hundredthsDb / 2000.0)));
}

StereoGain GainForVolumePan(int32_t volume, int32_t pan) {
  pan = std::clamp(pan, -kMaxPan, kMaxPan);
  // Sum in 64 bits: a volume near INT32_MIN minus a pan must not wrap.
  const int64_t far = static_cast<int64_t>(volume) - (pan < 0 ? -pan : pan);
  const int32_t farLevel = static_cast<int32_t>(std::max<int64_t>(far, kSilentVolume));
  StereoGain gain;
  gain.left = GainForLevel(pan > 0 ? farLevel : volume);
  gain.right = GainForLevel(pan < 0 ? farLevel : volume);
  return gain;
}

void MixerVoice::SetLevels(int32_t volume, int32_t pan) {
  volume_ = volume;
  pan_ = std::clamp(pan, -kMaxPan, kMaxPan);
  gain_ = GainForVolumePan(volume_, pan_);
  gain_.left = static_cast<int32_t>((static_cast<int64_t>(gain_.left) * linearScale_) >> 16);
  gain_.right = static_cast<int32_t>((static_cast<int64_t>(gain_.right) * linearScale_) >> 16);
}

void MixerVoice::SetLinearScale(int32_t scale) {
  linearScale_ = std::clamp(scale, 0, 65536);
  SetLevels(volume_, pan_);
}

MixerVoice* AudioMixer::Add(std::unique_ptr<MixerVoice> voice) {
  std::lock_guard lock(mutex_);
  voices_.push_back(std::move(voice));
  return voices_.back().get();
}

void AudioMixer::Remove(MixerVoice* voice) {
  std::unique_ptr<MixerVoice> doomed;
  {
    std::lock_guard lock(mutex_);
    auto it = std::find_if(voices_.begin(), voices_.end(), [&](const auto& v) { return v.get() == voice; });
    if (it == voices_.end()) return;
    doomed = std::move(*it);
    voices_.erase(it);
  }
  // Freed outside the lock: a voice's destructor may release a decoder or a synthesiser.
}

size_t AudioMixer::VoiceCount() {
  std::lock_guard lock(mutex_);
  return voices_.size();
}

uint64_t AudioMixer::MixedFrames() {
  std::lock_guard lock(mutex_);
  return mixedFrames_;
}

void AudioMixer::Mix(int16_t* out, size_t frames) {
  std::lock_guard lock(mutex_);
  const size_t samples = frames * kMixChannels;
  accumulator_.assign(samples, 0);
  if (scratch_.size() < samples) scratch_.resize(samples);
  for (auto& voice : voices_) {
    if (!voice->playing || voice->ended) continue;
    const size_t got = std::min(voice->Render(scratch_.data(), frames), frames);
    if (got < frames || voice->Exhausted()) voice->ended = true;
    const int64_t gl = voice->gain_.left, gr = voice->gain_.right;
    if (gl == 0 && gr == 0) continue;
    const int16_t* src = scratch_.data();
    int32_t* acc = accumulator_.data();
    for (size_t i = 0; i < got; ++i) {
      acc[2 * i] += static_cast<int32_t>((src[2 * i] * gl + 32768) >> 16);
      acc[2 * i + 1] += static_cast<int32_t>((src[2 * i + 1] * gr + 32768) >> 16);
    }
  }
  for (size_t i = 0; i < samples; ++i) out[i] = static_cast<int16_t>(std::clamp(accumulator_[i], -32768, 32767));
  mixedFrames_ += frames;
}

}  // namespace kuzo::media
