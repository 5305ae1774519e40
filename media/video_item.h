// Movies: a video item plays the file's sound in the mixer (or a silent clock of the movie's
// length when it has none) and shows the frame due at the sound's position, so picture and sound
// stay in step whatever the frame rate of the scene.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "media/sound_items.h"
#include "media/video_decoder.h"

namespace kuzo::media {

struct VideoRect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
};

class TVideoItem : public TMixerItem {
 public:
  // Opens the file twice (picture and sound read their own range streams). Raises the file
  // manager's error for a missing file and "ムービーデータが不正です" without decodable video.
  static std::unique_ptr<TVideoItem> Open(AudioMixer& mixer, const MediaFiles& files, const std::string& name);

  int32_t SourceWidth() const { return video_->Width(); }
  int32_t SourceHeight() const { return video_->Height(); }
  // Brings the picture to the current position; true when it changed since the last paint.
  bool NeedPaint();
  // The current frame (SourceWidth × SourceHeight pixels, blue/green/red/unused bytes).
  const std::vector<uint32_t>& Frame() const { return video_->Pixels(); }
  int32_t GetLength() override;

  // Where the movie would be placed on the window; frames are always drawn into the scene here,
  // so these are kept for the component only.
  void SetRect(const VideoRect& destination, const VideoRect& source) {
    destination_ = destination;
    source_ = source;
  }
  bool GetVisible() const { return visible_; }
  void SetVisible(bool visible) { visible_ = visible; }
  bool HasSound() const { return hasSound_; }

 private:
  TVideoItem(AudioMixer& mixer, std::unique_ptr<VideoDecoder> video, std::unique_ptr<DecoderVoice> voice,
             bool hasSound);

  std::unique_ptr<VideoDecoder> video_;
  bool hasSound_;
  bool visible_ = true;
  VideoRect destination_, source_;
};

class TVideoManager : public TMediaManager {
 public:
  TVideoManager(AudioMixer& mixer, MediaFiles files) : mixer_(mixer), files_(std::move(files)) {}
  ~TVideoManager() override { Clear(); }
  TVideoItem* Add(std::string_view name);

 private:
  AudioMixer& mixer_;
  MediaFiles files_;
};

}  // namespace kuzo::media
