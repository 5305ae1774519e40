// The wave proxy's forwarding. Unscaled draws and fills are cut into runs of rows with equal offsets,
// each forwarded once with its source rows; scaled, rotated and pattern draws are repeated once per
// row with the wrapped surface's clip narrowed to that row, because their source rows cannot be cut
// out of the destination rows.
#include "graphics/dibx_wave.h"

#include <algorithm>
#include <climits>

#include "graphics/transform_pixels.h"

namespace kuzo {
namespace {

int32_t Clamp32(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

TRect Shifted(const TRect& r, int64_t dx) {
  return TRect{Clamp32(r.left + dx), r.top, Clamp32(r.right + dx), r.bottom};
}

}  // namespace

void TDIBXWave::SetSize(int width, int height, int bits) {
  TCustomDIBX::SetSize(width, height, bits);
  WaveOffsets.assign(static_cast<size_t>(height), 0);
}

TRect TDIBXWave::WaveArea() const {
  return TRect{WaveOriginX, WaveOriginY, Clamp32(int64_t{WaveOriginX} + width_),
               Clamp32(int64_t{WaveOriginY} + height_)};
}

int TDIBXWave::Width() const { return target_ != nullptr ? target_->Width() : 0; }
int TDIBXWave::Height() const { return target_ != nullptr ? target_->Height() : 0; }
int TDIBXWave::BitCount() const { return target_ != nullptr ? target_->BitCount() : 0; }
int TDIBXWave::StorageBitCount() const { return target_ != nullptr ? target_->StorageBitCount() : 0; }
int32_t TDIBXWave::ColorToPixel(ColorValue colour) const {
  return target_ != nullptr ? target_->ColorToPixel(colour) : TCustomDIBX::ColorToPixel(colour);
}

void TDIBXWave::ResetClip() {
  TCustomDIBX::ResetClip();
  if (target_ != nullptr) target_->ResetClip();
}

void TDIBXWave::AddClip(const TRect& r) {
  TCustomDIBX::AddClip(Intersect(r, WaveArea()));
  if (target_ != nullptr && ClipIsSet()) target_->AddClip(GetClip());
}

template <typename Fn>
void TDIBXWave::ForEachRun(int64_t y, int64_t rows, Fn fn) {
  if (target_ == nullptr) return;
  const int64_t size = static_cast<int64_t>(WaveOffsets.size());
  // Rows outside the table are skipped: only k with 0 <= y + k - originY < size remain.
  const int64_t first = std::max<int64_t>(0, int64_t{WaveOriginY} - y);
  const int64_t last = std::min<int64_t>(rows, int64_t{WaveOriginY} + size - y);
  for (int64_t k0 = first; k0 < last;) {
    const int32_t offset = WaveOffsets[static_cast<size_t>(y + k0 - WaveOriginY)];
    int64_t k1 = k0 + 1;
    while (k1 < last && WaveOffsets[static_cast<size_t>(y + k1 - WaveOriginY)] == offset) ++k1;
    ++forwarded_;
    fn(k0, k1, offset);
    k0 = k1;
  }
}

template <typename Fn>
void TDIBXWave::ForwardUnscaled(int x, int y, bool flipV, const TRect& srcRect, Fn draw) {
  if (srcRect.IsEmpty()) return;
  ForEachRun(y, srcRect.Height(), [&](int64_t k0, int64_t k1, int32_t offset) {
    TRect part = srcRect;
    if (flipV) {
      part.top = Clamp32(srcRect.bottom - k1);
      part.bottom = Clamp32(srcRect.bottom - k0);
    } else {
      part.top = Clamp32(srcRect.top + k0);
      part.bottom = Clamp32(srcRect.top + k1);
    }
    draw(Clamp32(int64_t{x} + offset), Clamp32(int64_t{y} + k0), part);
  });
}

template <typename Fn>
void TDIBXWave::ForwardPerRow(int64_t top, int64_t bottom, Fn fn) {
  if (target_ == nullptr) return;
  const TRect clip = target_->GetClip();
  transform::ClipSaver saved(*target_);
  const int64_t size = static_cast<int64_t>(WaveOffsets.size());
  const int64_t from = std::max({top, int64_t{clip.top}, int64_t{WaveOriginY}});
  const int64_t to = std::min({bottom, int64_t{clip.bottom}, int64_t{WaveOriginY} + size});
  for (int64_t y = from; y < to; ++y) {
    target_->SetClip(TRect{clip.left, static_cast<int32_t>(y), clip.right, static_cast<int32_t>(y + 1)});
    ++forwarded_;
    fn(WaveOffsets[static_cast<size_t>(y - WaveOriginY)]);
  }
}

template <typename Fn>
void TDIBXWave::FillRuns(const TRect& r, Fn fill) {
  if (r.IsEmpty()) return;
  ForEachRun(r.top, r.Height(), [&](int64_t k0, int64_t k1, int32_t offset) {
    fill(TRect{Clamp32(int64_t{r.left} + offset), Clamp32(r.top + k0), Clamp32(int64_t{r.right} + offset),
               Clamp32(r.top + k1)});
  });
}

// ---- fills ------------------------------------------------------------------------------------------

void TDIBXWave::Fill(Pixel pixel) { FillRect(WaveArea(), pixel); }

void TDIBXWave::FillRect(const TRect& r, Pixel pixel) {
  FillRuns(r, [&](const TRect& part) { target_->FillRect(part, pixel); });
}

void TDIBXWave::FillRectAlpha(const TRect& r, Pixel pixel, int alpha) {
  FillRuns(r, [&](const TRect& part) { target_->FillRectAlpha(part, pixel, alpha); });
}

void TDIBXWave::FillRectAdd(const TRect& r, Pixel pixel) {
  FillRuns(r, [&](const TRect& part) { target_->FillRectAdd(part, pixel); });
}

void TDIBXWave::FillRectSub(const TRect& r, Pixel pixel) {
  FillRuns(r, [&](const TRect& part) { target_->FillRectSub(part, pixel); });
}

// ---- unscaled draws -----------------------------------------------------------------------------------

void TDIBXWave::Assign(const TCustomDIBX& source) { Draw(0, 0, false, false, false, source.BoundsRect(), source); }

void TDIBXWave::Draw(int x, int y, bool flipV, bool flipH, bool trans, const TRect& srcRect,
                     const TCustomDIBX& source) {
  ForwardUnscaled(x, y, flipV, srcRect, [&](int px, int py, const TRect& part) {
    target_->Draw(px, py, flipV, flipH, trans, part, source);
  });
}

void TDIBXWave::DrawMask(int x, int y, const TCustomDIBX& mask, bool flipV, bool flipH, const TRect& srcRect,
                         const TCustomDIBX& source) {
  ForwardUnscaled(x, y, flipV, srcRect, [&](int px, int py, const TRect& part) {
    target_->DrawMask(px, py, mask, flipV, flipH, part, source);
  });
}

void TDIBXWave::DrawAlpha(int x, int y, int alpha, bool flipV, bool flipH, bool trans, const TRect& srcRect,
                          const TCustomDIBX& source) {
  ForwardUnscaled(x, y, flipV, srcRect, [&](int px, int py, const TRect& part) {
    target_->DrawAlpha(px, py, alpha, flipV, flipH, trans, part, source);
  });
}

void TDIBXWave::DrawAlphaMask(int x, int y, int alpha, const TCustomDIBX& mask, bool flipV, bool flipH,
                              const TRect& srcRect, const TCustomDIBX& source) {
  ForwardUnscaled(x, y, flipV, srcRect, [&](int px, int py, const TRect& part) {
    target_->DrawAlphaMask(px, py, alpha, mask, flipV, flipH, part, source);
  });
}

void TDIBXWave::DrawAdd(int x, int y, int strength, bool flipV, bool flipH, bool flag, const TRect& srcRect,
                        const TCustomDIBX& source) {
  ForwardUnscaled(x, y, flipV, srcRect, [&](int px, int py, const TRect& part) {
    target_->DrawAdd(px, py, strength, flipV, flipH, flag, part, source);
  });
}

void TDIBXWave::DrawAddMask(int x, int y, int strength, const TCustomDIBX& mask, bool flipV, bool flipH,
                            const TRect& srcRect, const TCustomDIBX& source) {
  ForwardUnscaled(x, y, flipV, srcRect, [&](int px, int py, const TRect& part) {
    target_->DrawAddMask(px, py, strength, mask, flipV, flipH, part, source);
  });
}

void TDIBXWave::DrawColorMask(int x, int y, int alpha, Pixel pixel, bool flipV, bool flipH, const TRect& srcRect,
                              const TCustomDIBX& mask) {
  ForwardUnscaled(x, y, flipV, srcRect, [&](int px, int py, const TRect& part) {
    target_->DrawColorMask(px, py, alpha, pixel, flipV, flipH, part, mask);
  });
}

void TDIBXWave::DrawNibbles(int x, int y, const TColorTable& colours, int opacity, bool flipV, bool flipH, bool flag,
                            const TRect& srcRect, const TCustomDIBX& source) {
  ForwardUnscaled(x, y, flipV, srcRect, [&](int px, int py, const TRect& part) {
    target_->DrawNibbles(px, py, colours, opacity, flipV, flipH, flag, part, source);
  });
}

void TDIBXWave::DrawIndexedAdd(int x, int y, const TColorTable& colours, int strength, bool flipV, bool flipH,
                               int threshold, const TRect& srcRect, const TCustomDIBX& source) {
  ForwardUnscaled(x, y, flipV, srcRect, [&](int px, int py, const TRect& part) {
    target_->DrawIndexedAdd(px, py, colours, strength, flipV, flipH, threshold, part, source);
  });
}

void TDIBXWave::FillPattern(const TRect& destRect, const TCustomDIBX& pattern, bool flipV, bool flipH, int offsetY,
                            int offsetX) {
  const TRect area = Intersect(destRect, TRect{destRect.left, destRect.top,
                                               Clamp32(int64_t{destRect.left} + pattern.Width()),
                                               Clamp32(int64_t{destRect.top} + pattern.Height())});
  FillRuns(area, [&](const TRect& part) {
    target_->FillPattern(part, pattern, flipV, flipH, Clamp32(int64_t{offsetY} + part.top - area.top), offsetX);
  });
}

// ---- per-row forwarding -------------------------------------------------------------------------------

void TDIBXWave::StretchDraw(const TRect& destRect, const TCustomDIBX& source, int opacity, bool flipV, bool flipH,
                            bool trans, const TRect& srcRect) {
  ForwardPerRow(destRect.top, destRect.bottom, [&](int32_t dx) {
    target_->StretchDraw(Shifted(destRect, dx), source, opacity, flipV, flipH, trans, srcRect);
  });
}

void TDIBXWave::StretchDrawMask(const TRect& destRect, const TCustomDIBX& source, int opacity,
                                const TCustomDIBX& mask, bool flipV, bool flipH, const TRect& srcRect) {
  ForwardPerRow(destRect.top, destRect.bottom, [&](int32_t dx) {
    target_->StretchDrawMask(Shifted(destRect, dx), source, opacity, mask, flipV, flipH, srcRect);
  });
}

void TDIBXWave::StretchDrawAdd(const TRect& destRect, const TCustomDIBX& source, int strength, bool flipV,
                               bool flipH, bool trans, const TRect& srcRect) {
  ForwardPerRow(destRect.top, destRect.bottom, [&](int32_t dx) {
    target_->StretchDrawAdd(Shifted(destRect, dx), source, strength, flipV, flipH, trans, srcRect);
  });
}

void TDIBXWave::StretchDrawAddMask(const TRect& destRect, const TCustomDIBX& source, int strength,
                                   const TCustomDIBX& mask, bool flipV, bool flipH, const TRect& srcRect) {
  ForwardPerRow(destRect.top, destRect.bottom, [&](int32_t dx) {
    target_->StretchDrawAddMask(Shifted(destRect, dx), source, strength, mask, flipV, flipH, srcRect);
  });
}

void TDIBXWave::StretchDrawIndexedAdd(const TRect& destRect, const TCustomDIBX& source, const TColorTable& colours,
                                      int strength, bool flipV, bool flipH, int threshold, const TRect& srcRect) {
  ForwardPerRow(destRect.top, destRect.bottom, [&](int32_t dx) {
    target_->StretchDrawIndexedAdd(Shifted(destRect, dx), source, colours, strength, flipV, flipH, threshold,
                                   srcRect);
  });
}

// The turned box is not known here; every row of the wrapped clip inside the table is tried (rows
// the box misses draw nothing).
void TDIBXWave::DrawRotate(int cx, int cy, int opacity, bool flipV, bool flipH, bool trans, int angle, int pivotY,
                           int pivotX, const TRect& srcRect, const TCustomDIBX& source, int scaleY, int scaleX) {
  if (opacity <= 0 || scaleX <= 0 || scaleY <= 0) return;
  ForwardPerRow(INT32_MIN, INT32_MAX, [&](int32_t dx) {
    target_->DrawRotate(Clamp32(int64_t{cx} + dx), cy, opacity, flipV, flipH, trans, angle, pivotY, pivotX, srcRect,
                        source, scaleY, scaleX);
  });
}

void TDIBXWave::DrawRotateMask(int cx, int cy, int opacity, const TCustomDIBX& mask, bool flipV, bool flipH,
                               int angle, int pivotY, int pivotX, const TRect& srcRect, const TCustomDIBX& source,
                               int scaleY, int scaleX) {
  if (opacity <= 0 || scaleX <= 0 || scaleY <= 0) return;
  ForwardPerRow(INT32_MIN, INT32_MAX, [&](int32_t dx) {
    target_->DrawRotateMask(Clamp32(int64_t{cx} + dx), cy, opacity, mask, flipV, flipH, angle, pivotY, pivotX,
                            srcRect, source, scaleY, scaleX);
  });
}

void TDIBXWave::FramePattern(const TRect& rect, int thickness, int offsetY, int offsetX, bool flag,
                             const TRect& srcRect, const TCustomDIBX& pattern) {
  ForwardPerRow(rect.top, rect.bottom, [&](int32_t dx) {
    target_->FramePattern(Shifted(rect, dx), thickness, offsetY, offsetX, flag, srcRect, pattern);
  });
}

void TDIBXWave::StretchPattern(const TRect& destRect, int scaleX, int opacity, bool flipV, bool flipH, bool trans,
                               int offsetY, int offsetX, const TCustomDIBX& pattern, int scaleY) {
  ForwardPerRow(destRect.top, destRect.bottom, [&](int32_t dx) {
    target_->StretchPattern(Shifted(destRect, dx), scaleX, opacity, flipV, flipH, trans, offsetY, offsetX, pattern,
                            scaleY);
  });
}

void TDIBXWave::StretchPatternMask(const TRect& destRect, int scaleX, int opacity, bool flipV, bool flipH,
                                   const TCustomDIBX& mask, int offsetY, int offsetX, const TCustomDIBX& pattern,
                                   int scaleY) {
  ForwardPerRow(destRect.top, destRect.bottom, [&](int32_t dx) {
    target_->StretchPatternMask(Shifted(destRect, dx), scaleX, opacity, flipV, flipH, mask, offsetY, offsetX, pattern,
                                scaleY);
  });
}

}  // namespace kuzo
