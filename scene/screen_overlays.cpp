// The overlay list: placement bookkeeping and the last drawing pass of a frame.
#include "scene/screen_overlays.h"

#include <algorithm>

namespace kuzo {

std::vector<TRect> ScreenOverlays::Set(const ScreenOverlay& overlay) {
  auto it = std::find_if(overlays_.begin(), overlays_.end(), [&](const ScreenOverlay& o) { return o.owner == overlay.owner; });
  if (it == overlays_.end()) {
    overlays_.push_back(overlay);
    return {overlay.screen};
  }
  if (it->picture == overlay.picture && it->source == overlay.source && it->screen == overlay.screen) return {};
  const TRect old = it->screen;
  *it = overlay;
  return {old, overlay.screen};
}

TRect ScreenOverlays::Remove(const TKuzoObject* owner) {
  auto it = std::find_if(overlays_.begin(), overlays_.end(), [&](const ScreenOverlay& o) { return o.owner == owner; });
  if (it == overlays_.end()) return {};
  const TRect covered = it->screen;
  overlays_.erase(it);
  return covered;
}

const ScreenOverlay* ScreenOverlays::Find(const TKuzoObject* owner) const {
  auto it = std::find_if(overlays_.begin(), overlays_.end(), [&](const ScreenOverlay& o) { return o.owner == owner; });
  return it == overlays_.end() ? nullptr : &*it;
}

void ScreenOverlays::Paint(TCustomDIBX& target, const std::vector<TRect>& repainted) const {
  for (const ScreenOverlay& o : overlays_) {
    if (!o.picture || o.source.IsEmpty() || o.screen.IsEmpty()) continue;
    for (const TRect& r : repainted) {
      const TRect part = Intersect(r, o.screen);
      if (part.IsEmpty()) continue;
      target.ResetClip();
      target.SetClip(part);
      // A plain copy: the whole source rectangle spread over the whole screen rectangle.
      target.StretchDraw(o.screen, *o.picture, 255, false, false, false, o.source);
    }
  }
  target.ResetClip();
}

}  // namespace kuzo
