// Taking media items from the managers and handing them back.
#include "components/media_item_slot.h"

#include "components/silent_media_item.h"
#include "media/media_system.h"

namespace kuzo {

namespace {
constexpr int32_t kSilent = -10000;
}

bool IsCdTrackName(const std::string& name) { return name.compare(0, 3, "CD_") == 0; }

void MediaItemSlot::AcquireSound(media::MediaSystem* media, const std::string& name) {
  Release();
  if (!media) {
    silent_ = std::make_unique<SilentMediaItem>();
    item_ = silent_.get();
    midi_ = media::KindForSoundName(name) == media::SoundKind::kMidi;
    return;
  }
  item_ = media->AddSound(name);
  media_ = media;
  midi_ = media->KindOf(item_) == media::SoundKind::kMidi;
}

void MediaItemSlot::AcquireVideo(media::MediaSystem* media, const std::string& name) {
  Release();
  midi_ = false;
  if (!media) {
    silent_ = std::make_unique<SilentMediaItem>();
    item_ = silent_.get();
    return;
  }
  video_ = media->Video().Add(name);
  item_ = video_;
  media_ = media;
}

void MediaItemSlot::Release() {
  if (!item_) return;
  item_->SetVolume(kSilent);
  if (media_) media_->RemoveSound(item_);
  silent_.reset();
  item_ = nullptr;
  video_ = nullptr;
  media_ = nullptr;
}

void MediaItemSlot::MoveTo(MediaItemSlot& other) {
  other.Release();
  other.media_ = media_;
  other.item_ = item_;
  other.video_ = video_;
  other.silent_ = std::move(silent_);
  other.midi_ = midi_;
  media_ = nullptr;
  item_ = nullptr;
  video_ = nullptr;
}

}  // namespace kuzo
