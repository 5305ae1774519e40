// TKuzoSound: a script sound. It takes a media item from the manager its file name chooses when it
// starts playing, drives its volume (0…1000), pan, loop, position and pause through properties,
// fades in and out, raises its play-end event once when a non-repeating sound ends, and deletes
// itself when stopped or when a fade-out ends.
#pragma once

#include <memory>
#include <string>

#include "components/kuzo_mixer.h"
#include "components/media_item_slot.h"
#include "scene/kuzo_object.h"

namespace kuzo {

// Play states of sounds and movies.
enum MediaPlayState : int32_t { kMediaPlaying = 0, kMediaFadingIn = 1, kMediaStopped = 2, kMediaFadingOut = 3 };

class TKuzoSound : public TKuzoComponent {
 public:
  static constexpr int32_t kKindCode = LT_SOUND;
  int32_t KindCode() const override { return kKindCode; }
  ~TKuzoSound() override;

  int32_t GetIntProp(PropId id) const override;
  void SetIntProp(PropId id, int32_t v) override;
  bool GetBoolProp(PropId id) const override;
  void SetBoolProp(PropId id, bool v) override;
  std::string GetStrProp(PropId id) const override;
  void SetStrProp(PropId id, const std::string& v) override;

  int32_t GetPlayState() const override { return playState_; }
  void SetPlayState(int32_t state) override;
  // Restarts from the beginning (with a fade-in when the delay is set).
  void Play() override;
  bool Tick() override;

  void SaveToStream(ByteWriter& out) const override;
  void LoadFromStream(ByteReader& in, int32_t version) override;

  // The item while one is held (tests and the movie-stop command look at it).
  media::TDMediaItem* Item() const { return item_.Get(); }
  bool Ended() const { return ended_; }

 private:
  int32_t Now() const;
  int32_t Effective() const { return EffectiveVolume(volume_, item_.IsMidi()); }
  // Whether the source can play: a file of the title or a CD track.
  bool SourcePlayable() const;
  void SetSource(const std::string& source);
  void ApplyPause();
  void StartFadeIn();
  int32_t Length() const;

  std::string source_;
  int32_t playState_ = kMediaStopped;
  bool repeat_ = false;
  bool paused_ = false;
  bool aniPaused_ = false;
  // An unset volume plays at full level.
  int32_t volume_ = 1000;
  int32_t balance_ = 0;
  mutable MediaItemSlot item_;
  std::unique_ptr<TKuzoMixer> mixer_;
  int32_t delay_ = 0;
  int32_t position_ = 0;
  bool autoScrap_ = false;
  std::string playEndLabel_;
  bool ended_ = false;
  // Restored stopped with auto scrap (a short sound saved while it played is not played again):
  // it never plays or ends, so it goes at its next tick instead of staying in the scene for good.
  bool scrapRestored_ = false;
  bool rewindOnLoad_ = true;
  bool muteOnLoad_ = false;
};

}  // namespace kuzo
