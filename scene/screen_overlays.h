// Pictures shown straight on the presented frame above everything the bases draw: movies in
// overlay mode. Each owner has at most one overlay, a source rectangle of its picture stretched
// onto a screen rectangle; no opacity, turn, order or clip of the scene applies to it. The scene
// paints them last, into each rectangle it redrew, so the dirty-rectangle drawing stays exact.
#pragma once

#include <vector>

#include "graphics/dibx.h"
#include "graphics/rect.h"

namespace kuzo {

class TKuzoObject;

struct ScreenOverlay {
  const TKuzoObject* owner = nullptr;
  const TCustomDIBX* picture = nullptr;  // not owned: the owner removes the overlay before it goes
  TRect source;                          // in picture pixels
  TRect screen;                          // in scene pixels
};

class ScreenOverlays {
 public:
  // Places or moves the owner's overlay; answers the screen rectangles that must be repainted (the
  // old and the new place), none when nothing changed.
  std::vector<TRect> Set(const ScreenOverlay& overlay);
  // Removes the owner's overlay; answers the rectangle it covered (empty when it had none).
  TRect Remove(const TKuzoObject* owner);
  const ScreenOverlay* Find(const TKuzoObject* owner) const;
  bool Empty() const { return overlays_.empty(); }

  // Draws every overlay, in the order they were first placed, into the parts of `target` inside
  // `repainted`. The target's clip is reset afterwards.
  void Paint(TCustomDIBX& target, const std::vector<TRect>& repainted) const;

 private:
  std::vector<ScreenOverlay> overlays_;
};

}  // namespace kuzo
