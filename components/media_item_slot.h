// The media item a sound or movie component holds while it plays: taken from the media system's
// managers and handed back to them, or, without a media system, a silent stand-in owned here.
#pragma once

#include <memory>
#include <string>

#include "media/media_item.h"

namespace kuzo {

namespace media {
class MediaSystem;
class TVideoItem;
}  // namespace media

class MediaItemSlot {
 public:
  MediaItemSlot() = default;
  ~MediaItemSlot() { Release(); }
  MediaItemSlot(const MediaItemSlot&) = delete;
  MediaItemSlot& operator=(const MediaItemSlot&) = delete;

  media::TDMediaItem* Get() const { return item_; }
  explicit operator bool() const { return item_ != nullptr; }
  media::TDMediaItem* operator->() const { return item_; }
  // The movie's item, null for sounds and silent stand-ins.
  media::TVideoItem* Video() const { return video_; }
  bool IsMidi() const { return midi_; }

  // A sound item for `name` from `media` (its manager chosen by the name), or a silent item when
  // `media` is null. The file manager's error for a missing file propagates.
  void AcquireSound(media::MediaSystem* media, const std::string& name);
  // A movie item, or a silent item without media. Raises the managers' errors.
  void AcquireVideo(media::MediaSystem* media, const std::string& name);
  // Hands the item back (silences it first).
  void Release();
  // Moves the item into `other` (a fade that outlives the component's hold on it).
  void MoveTo(MediaItemSlot& other);

 private:
  media::MediaSystem* media_ = nullptr;
  media::TDMediaItem* item_ = nullptr;
  media::TVideoItem* video_ = nullptr;
  std::unique_ptr<media::TDMediaItem> silent_;
  bool midi_ = false;
};

// Whether a sound name is a CD track ("CD_" + number), which plays without a file.
bool IsCdTrackName(const std::string& name);

}  // namespace kuzo
