// TKuzoVideo: a movie in the scene. It takes a video item from the video manager when it starts,
// copies the frame due at the item's sound clock into its frame surface, which is the picture of
// the picture base while the item is held, so it draws with every picture property (opacity, zoom,
// turn, flips, capture mask), plays the movie's sound at its volume and pan, fades in and out, raises its
// play-end event at the end, and keeps its place in the scene when stopped. In overlay mode (the
// default) the picture is not drawn in the scene's order: it lies on the presented frame above
// everything, stretched by the zoom alone and cut to its parents and its clip rectangle, and every
// other picture property is ignored.
#pragma once

#include <memory>
#include <string>

#include "components/kuzo_custom_image.h"
#include "components/kuzo_mixer.h"
#include "components/kuzo_sound.h"
#include "components/media_item_slot.h"
#include "graphics/dibx.h"

namespace kuzo {

class TKuzoVideo : public TKuzoCustomImage {
 public:
  static constexpr int32_t kKindCode = LT_VIDEO;
  int32_t KindCode() const override { return kKindCode; }
  ~TKuzoVideo() override;

  void Draw() override;
  bool PictureSize(int32_t& width, int32_t& height) const override;
  // The size follows the video's own size while an item is held; a stopped movie keeps its size.
  void RecomputeWidth() override;
  void RecomputeHeight() override;

  int32_t GetIntProp(PropId id) const override;
  void SetIntProp(PropId id, int32_t v) override;
  bool GetBoolProp(PropId id) const override;
  void SetBoolProp(PropId id, bool v) override;
  std::string GetStrProp(PropId id) const override;
  void SetStrProp(PropId id, const std::string& v) override;

  int32_t GetPlayState() const override { return playState_; }
  void SetPlayState(int32_t state) override;
  void Play() override;
  bool Tick() override;
  // Entering and leaving a cabinet: a running movie pauses and plays on.
  void SuspendMedia() override;
  void ResumeMedia() override;
  void ReleaseSurfaces() override { DropFrameSurface(); }
  void PositionChanged() override;
  void RestoreSurfaces() override;

  void SaveToStream(ByteWriter& out) const override;
  void LoadFromStream(ByteReader& in, int32_t version) override;

  media::TDMediaItem* Item() const { return item_.Get(); }
  // The picture the movie shows (null while stopped).
  const TDIBX* FrameSurface() const { return GetSurface() == frame_ ? frame_ : nullptr; }

 private:
  int32_t Now() const;
  int32_t Effective() const { return EffectiveVolume(volume_, false); }
  bool Running() const { return !paused_ && !aniPaused_; }
  bool SourceAvailable() const;
  void CreateFrameSurface();
  void DropFrameSurface();
  // Copies the item's current frame into the frame surface when it changed; true when it did.
  bool CopyFrame();
  void ApplySize();
  // Overlay mode: places the picture on the frame where the movie is, or takes it away when the
  // movie is hidden, cut away entirely or not in overlay mode.
  void PlaceOverlay();
  void RemoveOverlay();
  void ApplyRunning(bool wasRunning);
  int32_t Length() const;
  // Hands back an item whose fade-out ended.
  void ReleaseFading();

  std::string source_;
  int32_t playState_ = kMediaStopped;
  mutable MediaItemSlot item_;
  MediaItemSlot fading_;  // an item let go of while its sound fades out
  TDIBX* frame_ = nullptr;  // the picture base's own surface while an item is held
  bool repeat_ = false;
  bool paused_ = false;
  bool aniPaused_ = false;
  int32_t volume_ = 1000;
  int32_t balance_ = 0;
  std::unique_ptr<TKuzoMixer> mixer_;
  int32_t delay_ = 0;
  int32_t position_ = 0;
  bool autoScrap_ = false;
  std::string playEndLabel_;
  std::string idleLabel_;
  int32_t startTime_ = 0;
  bool rewindOnLoad_ = true;
  bool muteOnLoad_ = false;
  bool overlay_ = true;
  int32_t lastFrameCheck_ = 0;
};

}  // namespace kuzo
