// The managers' list handling and their pausing across focus changes.
#include "media/media_item.h"

#include <algorithm>

namespace kuzo::media {

TDMediaItem* TMediaManager::Adopt(std::unique_ptr<TDMediaItem> item) {
  item->manager = this;
  items_.push_back(std::move(item));
  return items_.back().get();
}

void TMediaManager::Remove(TDMediaItem* item) {
  auto it = std::find_if(items_.begin(), items_.end(), [&](const auto& p) { return p.get() == item; });
  if (it == items_.end()) return;
  std::unique_ptr<TDMediaItem> doomed = std::move(*it);
  items_.erase(it);
}

void TMediaManager::Clear() {
  while (!items_.empty()) {
    std::unique_ptr<TDMediaItem> doomed = std::move(items_.back());
    items_.pop_back();
  }
}

void TMediaManager::PauseAll() {
  if (!enabled_ || pausedAll_) return;
  for (auto& item : items_) {
    if (item->IsPlaying() && !item->IsPaused() && !ItemAtEnd(*item)) {
      item->Pause();
      item->resumeAfterPause = true;
    } else {
      item->resumeAfterPause = false;
    }
  }
  pausedAll_ = true;
}

void TMediaManager::ResumeAll() {
  if (!pausedAll_) return;
  pausedAll_ = false;  // cleared first: Play consults the manager's state
  for (auto& item : items_) {
    if (item->resumeAfterPause) item->Play();
    item->resumeAfterPause = false;
  }
}

void TMediaManager::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  if (!enabled) {
    PauseAll();
    enabled_ = false;
  } else {
    enabled_ = true;
    ResumeAll();
  }
}

}  // namespace kuzo::media
