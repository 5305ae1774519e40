// Volume fades of sound and movie components: TKuzoMixer interpolates a media item's volume from a
// start to a target level over a duration in game time; TKuzoMixerFadein starts the item silent and
// raises it, TKuzoMixerFadeout lowers it to silence. Also the volume scale of the components
// (0…1000) mapped onto the items' hundredths of a decibel.
#pragma once

#include <cstdint>

namespace kuzo {

namespace media {
class TDMediaItem;
}

// The level (hundredths of a decibel) a component volume of 0…1000 gives an item: MIDI items get
// volume × 10 − 10000; every other item −10000 at 0 and below, else min(0, volume × 5 − 5000), so the
// scale covers only the upper 50 dB.
int32_t EffectiveVolume(int32_t volume, bool midi);

class TKuzoMixer {
 public:
  // `item` is driven, not owned; `midi` selects the full-range interpolation of MIDI items.
  TKuzoMixer(media::TDMediaItem* item, bool midi, int32_t target, int32_t durationMs);
  virtual ~TKuzoMixer() = default;
  TKuzoMixer(const TKuzoMixer&) = delete;
  TKuzoMixer& operator=(const TKuzoMixer&) = delete;

  // One step at game time `nowMs`; true when the fade is over. The first step only starts it.
  virtual bool Step(int32_t nowMs) = 0;
  virtual bool IsFadeOut() const = 0;

  media::TDMediaItem* Item() const { return item_; }
  int32_t Target() const { return target_; }
  void SetTarget(int32_t target) { target_ = target; }
  bool Started() const { return started_; }

  // The level `elapsedMs` after the start. Ordinary items move over half the distance: a falling
  // fade covers only the upper half and drops to the target at the end; a rising one starts at the
  // middle.
  int32_t LevelAt(int32_t elapsedMs) const;

 protected:
  media::TDMediaItem* item_;
  bool midi_;
  int32_t startTime_ = 0;
  int32_t startVolume_ = 0;
  int32_t target_;
  int32_t duration_;
  bool started_ = false;
};

class TKuzoMixerFadein : public TKuzoMixer {
 public:
  using TKuzoMixer::TKuzoMixer;
  // Starting silences the item, plays it and fades up from silence.
  bool Step(int32_t nowMs) override;
  bool IsFadeOut() const override { return false; }
};

class TKuzoMixerFadeout : public TKuzoMixer {
 public:
  // Fades from the item's current level to silence.
  TKuzoMixerFadeout(media::TDMediaItem* item, bool midi, int32_t durationMs);
  bool Step(int32_t nowMs) override;
  bool IsFadeOut() const override { return true; }
};

}  // namespace kuzo
