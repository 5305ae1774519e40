// TDIBXWave: a surface that owns no pixels and forwards every drawing call to a wrapped surface,
// moving each row sideways by its entry in WaveOffsets. The wave component fills the offsets on every
// animation step; everything its children draw through the proxy comes out rippled.
#pragma once

#include <cstdint>
#include <vector>

#include "graphics/dibx.h"

namespace kuzo {

class TDIBXWave : public TCustomDIBX {
 public:
  TDIBXWave() = default;

  // The surface really drawn on (not owned); nothing is drawn without one.
  void SetTarget(TCustomDIBX* target) { target_ = target; }
  TCustomDIBX* Target() override { return target_ != nullptr ? target_ : this; }

  // Horizontal displacement of each row of the wave area (row i is wrapped row WaveOriginY + i).
  std::vector<int32_t> WaveOffsets;
  // Where row 0, column 0 of the wave area lies on the wrapped surface. Coordinates passed to the
  // proxy are those of the wrapped surface.
  int32_t WaveOriginX = 0;
  int32_t WaveOriginY = 0;
  // Number of draw calls forwarded so far (to see that equal offsets group into one call).
  int64_t ForwardedCalls() const { return forwarded_; }

  // The wave area's size; WaveOffsets gets one entry per row.
  void SetSize(int width, int height, int bits) override;
  int WaveWidth() const { return width_; }
  int WaveHeight() const { return height_; }
  TRect WaveArea() const;
  // The clip space is the wrapped surface's (its width and height; 0 without one).
  int Width() const override;
  int Height() const override;
  bool IsEmpty() const override { return target_ == nullptr || width_ <= 0 || height_ <= 0; }

  int BitCount() const override;
  int StorageBitCount() const override;
  int32_t ColorToPixel(ColorValue colour) const override;

  void ResetClip() override;
  // Limits r to the wave area, unions it into the proxy's clip, then adds the proxy's whole clip to
  // the wrapped surface.
  void AddClip(const TRect& r) override;

  void Fill(Pixel pixel) override;
  void FillRect(const TRect& r, Pixel pixel) override;
  void FillRectAlpha(const TRect& r, Pixel pixel, int alpha) override;
  void FillRectAdd(const TRect& r, Pixel pixel) override;
  void FillRectSub(const TRect& r, Pixel pixel) override;
  void Assign(const TCustomDIBX& source) override;
  void Draw(int x, int y, bool flipV, bool flipH, bool trans, const TRect& srcRect,
            const TCustomDIBX& source) override;
  void DrawMask(int x, int y, const TCustomDIBX& mask, bool flipV, bool flipH, const TRect& srcRect,
                const TCustomDIBX& source) override;
  void DrawAlpha(int x, int y, int alpha, bool flipV, bool flipH, bool trans, const TRect& srcRect,
                 const TCustomDIBX& source) override;
  void DrawAlphaMask(int x, int y, int alpha, const TCustomDIBX& mask, bool flipV, bool flipH, const TRect& srcRect,
                     const TCustomDIBX& source) override;
  void DrawAdd(int x, int y, int strength, bool flipV, bool flipH, bool flag, const TRect& srcRect,
               const TCustomDIBX& source) override;
  void DrawAddMask(int x, int y, int strength, const TCustomDIBX& mask, bool flipV, bool flipH, const TRect& srcRect,
                   const TCustomDIBX& source) override;
  void DrawColorMask(int x, int y, int alpha, Pixel pixel, bool flipV, bool flipH, const TRect& srcRect,
                     const TCustomDIBX& mask) override;

  void StretchDraw(const TRect& destRect, const TCustomDIBX& source, int opacity, bool flipV, bool flipH, bool trans,
                   const TRect& srcRect) override;
  void StretchDrawMask(const TRect& destRect, const TCustomDIBX& source, int opacity, const TCustomDIBX& mask,
                       bool flipV, bool flipH, const TRect& srcRect) override;
  void StretchDrawAdd(const TRect& destRect, const TCustomDIBX& source, int strength, bool flipV, bool flipH,
                      bool trans, const TRect& srcRect) override;
  void StretchDrawAddMask(const TRect& destRect, const TCustomDIBX& source, int strength, const TCustomDIBX& mask,
                          bool flipV, bool flipH, const TRect& srcRect) override;
  void DrawRotate(int cx, int cy, int opacity, bool flipV, bool flipH, bool trans, int angle, int pivotY, int pivotX,
                  const TRect& srcRect, const TCustomDIBX& source, int scaleY, int scaleX) override;
  void DrawRotateMask(int cx, int cy, int opacity, const TCustomDIBX& mask, bool flipV, bool flipH, int angle,
                      int pivotY, int pivotX, const TRect& srcRect, const TCustomDIBX& source, int scaleY,
                      int scaleX) override;
  void FramePattern(const TRect& rect, int thickness, int offsetY, int offsetX, bool flag, const TRect& srcRect,
                    const TCustomDIBX& pattern) override;
  void StretchPattern(const TRect& destRect, int scaleX, int opacity, bool flipV, bool flipH, bool trans, int offsetY,
                      int offsetX, const TCustomDIBX& pattern, int scaleY) override;
  void StretchPatternMask(const TRect& destRect, int scaleX, int opacity, bool flipV, bool flipH,
                          const TCustomDIBX& mask, int offsetY, int offsetX, const TCustomDIBX& pattern,
                          int scaleY) override;
  // Covers one pattern-sized area at the rectangle's top-left corner (within the rectangle).
  void FillPattern(const TRect& destRect, const TCustomDIBX& pattern, bool flipV, bool flipH, int offsetY,
                   int offsetX) override;
  void DrawNibbles(int x, int y, const TColorTable& colours, int opacity, bool flipV, bool flipH, bool flag,
                   const TRect& srcRect, const TCustomDIBX& source) override;
  void DrawIndexedAdd(int x, int y, const TColorTable& colours, int strength, bool flipV, bool flipH, int threshold,
                      const TRect& srcRect, const TCustomDIBX& source) override;
  void StretchDrawIndexedAdd(const TRect& destRect, const TCustomDIBX& source, const TColorTable& colours,
                             int strength, bool flipV, bool flipH, int threshold, const TRect& srcRect) override;

 private:
  // Calls fn(k0, k1, offset) for each run of rows [y + k0, y + k1) (0 <= k0 < k1 <= rows) that lie in
  // the table and share one offset.
  template <typename Fn>
  void ForEachRun(int64_t y, int64_t rows, Fn fn);
  // For an unscaled draw of srcRect at (x, y): draws each run with the source limited to its rows.
  template <typename Fn>
  void ForwardUnscaled(int x, int y, bool flipV, const TRect& srcRect, Fn draw);
  // Repeats fn(offset) once per row in [top, bottom) with the wrapped clip set to that row alone.
  template <typename Fn>
  void ForwardPerRow(int64_t top, int64_t bottom, Fn fn);
  template <typename Fn>
  void FillRuns(const TRect& r, Fn fill);

  TCustomDIBX* target_ = nullptr;
  int64_t forwarded_ = 0;
};

}  // namespace kuzo
