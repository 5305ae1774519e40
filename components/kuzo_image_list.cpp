// Frame lists: loading from the image cache, tinted copies and the frame timing.
#include "components/kuzo_image_list.h"

#include <algorithm>

namespace kuzo {

void TKuzoImageData::SetTint(int32_t tint) {
  tint_ = tint;
  tinted_.reset();
  if (tint == 0 || !frame_->Picture) return;
  const TCustomDIBX& source = *frame_->Picture;
  auto copy = std::make_unique<TDIBX>(source.Width(), source.Height(), source.BitCount());
  copy->Draw(0, 0, false, false, false, source.BoundsRect(), source);
  const int32_t level = std::min(255, tint < 0 ? -tint : tint);
  const int32_t grey = copy->ColorToPixel(level * 0x010101);
  if (tint > 0) {
    copy->FillRectAdd(copy->BoundsRect(), static_cast<Pixel>(grey));
  } else {
    copy->FillRectSub(copy->BoundsRect(), static_cast<Pixel>(grey));
  }
  // Key pixels keep the key.
  const int32_t key = frame_->TransparentColor;
  if (key != kNoColorKey) {
    for (int y = 0; y < source.Height(); ++y) {
      for (int x = 0; x < source.Width(); ++x) {
        if (source.GetPixel(x, y) == static_cast<Pixel>(key)) copy->SetPixel(x, y, static_cast<Pixel>(key));
      }
    }
  }
  copy->ColorKey = key;
  tinted_ = std::move(copy);
}

void TKuzoImageList::Load(TDrelCollection& cache, std::string_view fileName, const void* owner) {
  Clear();
  cache_ = &cache;
  owner_ = owner;
  item_ = cache.Acquire(owner, fileName, false);
  for (int i = 0; i < item_->FrameCount(); ++i) frames_.push_back(std::make_unique<TKuzoImageData>(item_->Frame(i)));
  index_ = 0;
  remaining_ = frames_.empty() ? 0 : frames_[0]->Delay() + 1;
}

void TKuzoImageList::Clear() {
  frames_.clear();
  if (cache_ != nullptr && item_ != nullptr) cache_->Release(item_, owner_);
  item_ = nullptr;
  index_ = -1;
  remaining_ = 0;
}

bool TKuzoImageList::Advance(int32_t elapsedMs) {
  const int count = Count();
  if (count <= 1) return false;
  remaining_ -= elapsedMs;
  if (remaining_ >= 1) return false;
  if (index_ < 0 || index_ >= count) index_ = count - 1;  // an index set outside restarts at frame 0
  do {
    index_ = (index_ + 1) % count;
    if (index_ == 0) {
      remaining_ = frames_[0]->Delay();
      break;
    }
    remaining_ += frames_[static_cast<size_t>(index_)]->Delay();
  } while (remaining_ < 1);
  return true;
}

void TKuzoImageList::ReleaseCopies() {
  for (auto& f : frames_) f->ReleaseCopy();
}

void TKuzoImageList::RebuildCopies() {
  for (auto& f : frames_) f->RebuildCopy();
}

}  // namespace kuzo
