// Movie items: the sound (or silent clock) voice drives which frame is shown.
#include "media/video_item.h"

#include <algorithm>

#include "core/errors.h"

namespace kuzo::media {

namespace {

std::unique_ptr<VideoDecoder> OpenVideo(const MediaFiles& files, const std::string& name) {
  return std::make_unique<VideoDecoder>(files.openRange(name), name);
}

// The movie's sound, or a silent clock as long as the picture when it has none.
std::unique_ptr<DecoderVoice> OpenSound(const MediaFiles& files, const std::string& name, const VideoDecoder& video,
                                        bool& hasSound) {
  try {
    auto voice = std::make_unique<DecoderVoice>(std::make_unique<AudioDecoder>(files.openRange(name), name));
    hasSound = true;
    return voice;
  } catch (const KuzoError& e) {
    if (std::string_view(e.what()) != kBadSoundDataMessage) throw;
  }
  hasSound = false;
  return std::make_unique<DecoderVoice>(MsToFrames(video.DurationMs()));
}

}  // namespace

TVideoItem::TVideoItem(AudioMixer& mixer, std::unique_ptr<VideoDecoder> video, std::unique_ptr<DecoderVoice> voice,
                       bool hasSound)
    : TMixerItem(mixer, std::move(voice)), video_(std::move(video)), hasSound_(hasSound) {}

std::unique_ptr<TVideoItem> TVideoItem::Open(AudioMixer& mixer, const MediaFiles& files, const std::string& name) {
  auto video = OpenVideo(files, name);
  bool hasSound = false;
  auto voice = OpenSound(files, name, *video, hasSound);
  return std::unique_ptr<TVideoItem>(new TVideoItem(mixer, std::move(video), std::move(voice), hasSound));
}

bool TVideoItem::NeedPaint() { return video_->ShowAt(GetPosition()); }

int32_t TVideoItem::GetLength() {
  const int32_t sound = TMixerItem::GetLength();
  return std::max<int32_t>(sound, static_cast<int32_t>(video_->DurationMs()));
}

TVideoItem* TVideoManager::Add(std::string_view name) {
  return static_cast<TVideoItem*>(Adopt(TVideoItem::Open(mixer_, files_, std::string(name))));
}

}  // namespace kuzo::media
