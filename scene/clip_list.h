// TClipList: the dirty rectangles of one base. A new rectangle within 20 pixels of a listed one is
// merged into their union (repeatedly), one already covered is dropped, so the list stays short.
#pragma once

#include <vector>

#include "graphics/rect.h"

namespace kuzo {

class TClipList {
 public:
  // Rectangles this close (in pixels) merge into their union.
  static constexpr int32_t kMergeDistance = 20;

  // Adds r (already clamped to the base by the caller); empty rectangles are ignored.
  void Add(const TRect& r);
  void Clear();
  const std::vector<TRect>& Rects() const { return rects_; }
  bool Empty() const { return rects_.empty(); }
  bool Changed() const { return changed_; }
  void SetChanged(bool v) { changed_ = v; }

 private:
  std::vector<TRect> rects_;
  bool changed_ = false;
};

}  // namespace kuzo
