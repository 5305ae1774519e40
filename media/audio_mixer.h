// The one software mixer under every sound source: voices produce 44100 Hz 16-bit stereo frames, the
// mixer scales each by its volume and pan (hundredths of a decibel) and sums them with saturation.
// The device thread (or the headless renderer) calls Mix; the main thread adds, removes and changes
// voices. One lock guards the voice list and every voice's state, so a voice never runs while the
// main thread touches it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace kuzo::media {

constexpr int kMixRate = 44100;
constexpr int kMixChannels = 2;
constexpr int32_t kSilentVolume = -10000;  // hundredths of a decibel: silence
constexpr int32_t kMaxPan = 10000;

// Gain in 1/65536 for a level in hundredths of a decibel (0 = full, −10000 and below = silent).
int32_t GainForLevel(int32_t hundredthsDb);

// Channel gains for a volume and a pan: the far channel is attenuated by |pan| hundredths of a dB and
// the near one stays at the volume (negative pan = left).
struct StereoGain {
  int32_t left = 65536;
  int32_t right = 65536;
};
StereoGain GainForVolumePan(int32_t volume, int32_t pan);

// A source of mixed frames. Render is called with the mixer's lock held; so is every method the
// main thread calls on a voice through AudioMixer::Locked.
class MixerVoice {
 public:
  virtual ~MixerVoice() = default;
  // Writes up to `frames` stereo frames; returns the count written. Fewer than asked means the
  // source has ended (the mixer marks the voice ended and stops pulling it).
  virtual size_t Render(int16_t* out, size_t frames) = 0;
  // Asked after a full Render: whether the source has nothing more, so its end is known at the
  // frame it happened rather than one slice later.
  virtual bool Exhausted() { return false; }

  // Levels as set by the owner (hundredths of a decibel).
  void SetLevels(int32_t volume, int32_t pan);
  int32_t Volume() const { return volume_; }
  int32_t Pan() const { return pan_; }
  // An extra linear factor in 1/65536 applied on top of the levels (an emulated line volume).
  void SetLinearScale(int32_t scale);
  bool playing = false;  // pulled by the mixer while true and not ended
  bool ended = false;    // set by the mixer when Render came up short; cleared by the owner

 private:
  friend class AudioMixer;
  int32_t volume_ = 0;
  int32_t pan_ = 0;
  int32_t linearScale_ = 65536;
  StereoGain gain_;
};

class AudioMixer {
 public:
  // The lock every voice operation happens under (re-entrant: voices may call back into the mixer).
  std::recursive_mutex& Mutex() { return mutex_; }

  // Adds a voice (not playing); the mixer owns it until Remove.
  MixerVoice* Add(std::unique_ptr<MixerVoice> voice);
  void Remove(MixerVoice* voice);
  size_t VoiceCount();

  // Fills `frames` stereo frames with the sum of the playing voices (silence when none).
  void Mix(int16_t* out, size_t frames);
  // Frames mixed since creation: the audio clock that MIDI timing and play positions follow.
  uint64_t MixedFrames();

 private:
  std::recursive_mutex mutex_;
  std::vector<std::unique_ptr<MixerVoice>> voices_;
  std::vector<int32_t> accumulator_;
  std::vector<int16_t> scratch_;
  uint64_t mixedFrames_ = 0;
};

}  // namespace kuzo::media
