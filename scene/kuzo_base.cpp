// Drawing bases: own surface, dirty rectangles, background fill and the per-frame mouse state.
#include "scene/kuzo_base.h"

#include "scene/kuzo_base_list.h"

namespace kuzo {

TKuzoBase::TKuzoBase() = default;
TKuzoBase::~TKuzoBase() = default;

TCustomDIBX* TKuzoBase::GetDrawSurface() const {
  if (surfaceLost_) return nullptr;
  if (scene_ && scene_->ActiveBase() == this && !scene_->TransitionRunning()) return scene_->SceneSurface();
  return surface_.get();
}

void TKuzoBase::ResizeSurface(int32_t width, int32_t height, int bits) {
  if (!surface_) surface_ = std::make_unique<TDIBX>();
  surface_->SetSize(width, height, bits);
  surfaceLost_ = false;
}

void TKuzoBase::ReleaseSurfaces() {
  surface_.reset();
  surfaceLost_ = true;
}

void TKuzoBase::RestoreSurfaces() {
  ResizeSurface(std::max(Width(), 1), std::max(Height(), 1), 32);
  MarkAllDirty();
}

void TKuzoBase::AddDirtyRect(const TRect& r) {
  TRect clamped = Intersect(r, TRect{0, 0, Width(), Height()});
  if (clamped.IsEmpty()) return;
  dirty_.Add(clamped);
}

void TKuzoBase::MarkAllDirty() { AddDirtyRect(TRect{0, 0, Width(), Height()}); }

void TKuzoBase::DrawDirty() {
  if (!GetVisible()) return;
  TCustomDIBX* s = GetDrawSurface();
  if (!s || s->IsEmpty()) return;
  const TRect baseRect = GetScreenRect();
  const TRect clipRect = GetClipScreenRect();
  const TRect fillRect = clipRect.IsEmpty() ? baseRect : Intersect(baseRect, clipRect);
  for (const TRect& r : dirty_.Rects()) {
    s->ResetClip();
    s->SetClip(r);
    if (Color() >= 0 && !fillRect.IsEmpty()) {
      const int32_t pixel = s->ColorToPixel(Color());
      s->FillRect(fillRect, static_cast<Pixel>(pixel));
    }
    TKuzoControl::Draw();
  }
  s->ResetClip();
}

void TKuzoBase::UpdateMousePosition(int32_t x, int32_t y) {
  if (x == mouseX_ && y == mouseY_) return;
  mouseX_ = x;
  mouseY_ = y;
  moved = true;
}

bool TKuzoCabinet::GetBoolProp(PropId id) const {
  if (id == PR_VISIBLE) return false;
  return TKuzoControl::GetBoolProp(id);
}

}  // namespace kuzo
