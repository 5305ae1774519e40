// The item a sound or movie component plays when the player has no media system (tests, tools):
// it makes no sound, has length 0 and reaches its end as soon as it is played unless it loops, so
// play-end events and scripts waiting for them behave as with real sound.
#pragma once

#include "media/media_item.h"

namespace kuzo {

class SilentMediaItem : public media::TDMediaItem {
 public:
  bool GetLoop() override { return loop_; }
  void SetLoop(bool loop) override { loop_ = loop; }
  int32_t GetPan() override { return pan_; }
  int32_t GetVolume() override { return volume_; }
  void SetPan(int32_t pan) override { pan_ = pan; }
  void SetVolume(int32_t volume) override { volume_ = volume; }
  int32_t GetPosition() override { return 0; }
  void SetPosition(int32_t) override { endPending_ = false; }
  int32_t GetLength() override { return 0; }
  bool EndReached() override {
    const bool end = endPending_;
    endPending_ = false;
    return end;
  }
  bool IsPlaying() override { return false; }
  bool IsPaused() override { return paused_; }
  void Play() override {
    paused_ = false;
    if (!loop_) endPending_ = true;
  }
  void Pause() override { paused_ = true; }

 private:
  bool loop_ = false;
  bool paused_ = false;
  bool endPending_ = false;
  int32_t volume_ = 0, pan_ = 0;
};

}  // namespace kuzo
