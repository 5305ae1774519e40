// The frame lists of picture components: TKuzoImageData, one frame of a cached picture with its
// optional tinted copy, and TKuzoImageList, the frames of one picture file with the current frame and
// the time it has left. Buttons hold one list per state; script images and tiles hold one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "components/drel_collection.h"
#include "graphics/dibx.h"

namespace kuzo {

class TKuzoImageData {
 public:
  explicit TKuzoImageData(TDrelItemFrame& frame) : frame_(&frame) {}

  // The picture to draw: the tinted copy while the tint is not 0, else the cache's picture.
  const TCustomDIBX& Picture() const { return tinted_ ? *tinted_ : *frame_->Picture; }
  const TDIBX* Mask() const { return frame_->Mask.get(); }
  int32_t TransparentColor() const { return frame_->TransparentColor; }
  int32_t Delay() const { return frame_->Delay; }
  int32_t Tint() const { return tint_; }

  // A positive tint adds (tint, tint, tint) to every pixel, a negative one subtracts its magnitude;
  // pixels of the transparent colour stay as they are, so they stay transparent. 0 drops the copy.
  void SetTint(int32_t tint);
  // Around a display-mode change: the copy is dropped, then made again from the cache frame.
  void ReleaseCopy() { tinted_.reset(); }
  void RebuildCopy() { SetTint(tint_); }

 private:
  TDrelItemFrame* frame_;
  int32_t tint_ = 0;
  std::unique_ptr<TDIBX> tinted_;
};

class TKuzoImageList {
 public:
  TKuzoImageList() = default;
  ~TKuzoImageList() { Clear(); }
  TKuzoImageList(const TKuzoImageList&) = delete;
  TKuzoImageList& operator=(const TKuzoImageList&) = delete;

  // Clears the list, takes the file from the cache for `owner` and makes one entry per frame;
  // index 0 with the first frame's delay + 1 left.
  void Load(TDrelCollection& cache, std::string_view fileName, const void* owner);
  // Releases the cache item.
  void Clear();

  int Count() const { return static_cast<int>(frames_.size()); }
  bool Empty() const { return frames_.empty(); }
  TKuzoImageData& Frame(int i) { return *frames_[static_cast<size_t>(i)]; }
  const TKuzoImageData& Frame(int i) const { return *frames_[static_cast<size_t>(i)]; }
  const TDrelItem* Item() const { return item_; }
  int Index() const { return index_; }
  int32_t Remaining() const { return remaining_; }
  void SetIndex(int i) { index_ = i; }
  void SetRemaining(int32_t ms) { remaining_ = ms; }

  // Spends `elapsedMs` of the current frame's time; when it runs out, steps to the next frames
  // (wrapping to frame 0 restarts the time with frame 0's delay). True when the frame changed.
  bool Advance(int32_t elapsedMs);

  void ReleaseCopies();
  void RebuildCopies();

 private:
  std::vector<std::unique_ptr<TKuzoImageData>> frames_;
  TDrelCollection* cache_ = nullptr;
  TDrelItem* item_ = nullptr;
  const void* owner_ = nullptr;
  int index_ = -1;
  int32_t remaining_ = 0;
};

}  // namespace kuzo
