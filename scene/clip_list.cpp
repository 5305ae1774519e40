// Merging dirty rectangle list.
#include "scene/clip_list.h"

#include <cstddef>

#include "scene/scene_rect.h"

namespace kuzo {

namespace {
bool Near(const TRect& r, const TRect& e) {
  constexpr int64_t d = TClipList::kMergeDistance;
  return int64_t{r.left} <= int64_t{e.right} + d && int64_t{r.top} <= int64_t{e.bottom} + d &&
         int64_t{e.left} - d <= r.right && int64_t{e.top} - d <= r.bottom;
}
}  // namespace

void TClipList::Add(const TRect& rect) {
  if (rect.IsEmpty()) return;
  TRect r = rect;
  // Each merge strictly grows r, and every pass removes one listed rectangle, so this ends.
  bool restart = true;
  while (restart) {
    restart = false;
    for (size_t i = 0; i < rects_.size(); ++i) {
      const TRect e = rects_[i];
      if (!Near(r, e)) continue;
      if (RectContains(e, r)) return;
      rects_.erase(rects_.begin() + static_cast<ptrdiff_t>(i));
      r = Union(r, e);
      changed_ = true;
      restart = true;
      break;
    }
  }
  rects_.push_back(r);
  changed_ = true;
}

void TClipList::Clear() {
  if (!rects_.empty()) changed_ = true;
  rects_.clear();
}

}  // namespace kuzo
