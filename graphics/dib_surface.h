// TDIBSurface: the decoded-image buffer. A memory surface (1, 4, 8, 15, 16, 24 or 32 bits, palette for
// 8 bits or less) with an optional 8-bit mask companion of the same size, and the compositing
// arithmetic the image readers use to merge layers: keyed copy, opacity blend with key and mask blend.
#pragma once

#include <memory>

#include "graphics/dibx.h"

namespace kuzo {

class TDIBSurface : public TDIBX {
 public:
  TDIBSurface() = default;
  TDIBSurface(int width, int height, int bits) { SetSize(width, height, bits); }
  TDIBSurface(TDIBSurface&&) = default;
  TDIBSurface& operator=(TDIBSurface&&) = default;

  // Resizes the storage; an existing mask companion is resized to the same width and height.
  void SetSize(int width, int height, int bits) override;

  // The 8-bit mask companion (0 transparent .. 255 opaque), or nullptr when there is none.
  TDIBSurface* Mask() { return mask_.get(); }
  const TDIBSurface* Mask() const { return mask_.get(); }
  bool HasMask() const { return mask_ != nullptr; }
  // Creates (or re-creates) the mask companion at the surface's size, every value `fill`.
  TDIBSurface& CreateMask(uint8_t fill = 0);
  // Takes over `mask` as the companion (it must be 8-bit and of the surface's size).
  void AdoptMask(std::unique_ptr<TDIBSurface> mask);
  std::unique_ptr<TDIBSurface> TakeMask() { return std::move(mask_); }
  void DropMask() { mask_.reset(); }

  // Native pixel value -> RGB colour value (red bits 0-7): palette entry for 8 bits or less; 5- and
  // 6-bit channels widened by repeating their top bits.
  ColorValue PixelToColor(Pixel pixel) const;
  // RGB colour -> native pixel for filling: the nearest palette entry for 8 bits or less (first of
  // equals), the top bits of each channel for 15/16 bits, the channels themselves for 24/32 bits.
  Pixel NearestPixel(ColorValue colour) const;

  // Resizes the picture (screenshot thumbnails): nothing when the size is unchanged; the mask is
  // resized first the same way (staying 8-bit). With smooth the picture becomes 24-bit: when the new
  // size is larger in either direction each pixel is the bilinear mix of the 2 x 2 source pixels at
  // (x / sx, y / sy), rounded; otherwise each pixel is the rounded average of the source pixels it
  // covers, leaving out pixels equal to `key` (black when all are). Without smooth the nearest
  // source pixel is taken at the surface's own bit count.
  void Resize(int width, int height, int32_t key, bool smooth);

  // --- layer compositing on raw pixels of equal size and format --------------------------------------
  // Copies `source` over this surface, skipping source pixels equal to `key` at the pixel width
  // (key -1: nothing is skipped).
  void KeyedCopy(const TDIBSurface& source, int32_t key);
  // Opacity blend with key: 0 draws nothing; >= 255 or negative is KeyedCopy. 15/16/24 bits:
  // (d*(255-a) + s*a) / 255 per channel; 32 bits: (d*(255-a) + s*a) / 256 per channel, fourth byte 0;
  // 8 bits or less: ordered dither with the 4 x 4 Bayer matrix at level a / 16.
  void BlendKeyed(const TDIBSurface& source, int opacity, int32_t key);
  // Per pixel m of `mask`: 0 keeps, 255 copies, else (d*(255-m) + s*m) / 256 per channel.
  void ComposeMasked(const TDIBSurface& source, const TDIBSurface& mask);

 private:
  // Resize of the picture or (isMask) of a mask companion, which keeps one 8-bit channel.
  void ResizePlane(int width, int height, int32_t key, bool smooth, bool isMask);

  std::unique_ptr<TDIBSurface> mask_;
};

}  // namespace kuzo
