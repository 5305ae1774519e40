// Pixel surfaces: TCustomDIBX, the abstract surface with its clip rectangle, colour key and the exact
// unscaled drawing operations, and TDIBX, the surface in ordinary memory. Every drawing operation is
// written once in the base on top of Lock and Pitch and runs the row kernels of blend_kernels.h.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "graphics/aligned_allocator.h"
#include "graphics/pixel_format.h"
#include "graphics/rect.h"

namespace kuzo {

struct BlendKernels;
struct RowParams;

// Native pixel value of a surface's format (only the low bits of narrower formats are used).
using Pixel = uint32_t;

// Colour value as components and scripts pass it: red in bits 0-7, green 8-15, blue 16-23.
// A negative value means "no colour".
using ColorValue = int32_t;

inline constexpr int32_t kNoColorKey = -1;

// Opacity values of image drawing: 0 nothing, 1-254 blend, 255 copy, 256-511 add with strength
// opacity - 256.
inline constexpr int kOpaque = 255;
inline constexpr int kAddBase = 256;
inline constexpr int kMaxOpacity = 511;

// Largest surface the player allocates (bytes of pixel storage); bigger sizes raise a KuzoError.
inline constexpr int64_t kMaxSurfaceBytes = int64_t{256} << 20;
inline constexpr int32_t kMaxSurfaceSide = 32768;

struct TRGBQuad {
  uint8_t blue = 0;
  uint8_t green = 0;
  uint8_t red = 0;
  uint8_t reserved = 0;
  friend constexpr bool operator==(const TRGBQuad&, const TRGBQuad&) = default;
};
using TPalette = std::array<TRGBQuad, 256>;
// Native pixel values indexed by an 8- or 4-bit source value.
using TColorTable = std::array<int32_t, 256>;

class TCustomDIBX {
 public:
  TCustomDIBX();
  virtual ~TCustomDIBX();
  TCustomDIBX(const TCustomDIBX&) = delete;
  TCustomDIBX& operator=(const TCustomDIBX&) = delete;

  // Native pixel value treated as transparent where a caller asks for it; -1 means none.
  int32_t ColorKey = kNoColorKey;
  // Rectangle lists of the image frame the surface was loaded from; empty otherwise.
  std::vector<TRect> RegionsA;
  std::vector<TRect> RegionsB;

  // --- size, format and pixel access -------------------------------------------------------------
  virtual bool IsEmpty() const;
  virtual int BitCount() const;  // 8, 15, 16, 24 or 32 (1 and 4 for source-only storage); 0 in the base
  virtual void SetBitCount(int bits);
  virtual uint32_t RedMask() const;
  virtual uint32_t GreenMask() const;
  virtual uint32_t BlueMask() const;
  virtual ptrdiff_t Pitch() const;  // bytes from a row to the row below
  virtual Pixel GetPixel(int x, int y) const;
  virtual void SetPixel(int x, int y, Pixel pixel);
  virtual int BlueShift() const;
  virtual int GreenShift() const;
  virtual int RedShift() const;
  virtual int Height() const { return height_; }
  virtual int Width() const { return width_; }
  virtual TCustomDIBX* Target() { return this; }
  virtual int StorageBitCount() const { return BitCount(); }
  // Allocates storage (raises KuzoError for a negative or oversized request or an unknown bit count).
  virtual void SetSize(int width, int height, int bits);
  // Address of pixel (x, y), or nullptr when there is none.
  virtual uint8_t* Lock(int x, int y);
  virtual const uint8_t* Lock(int x, int y) const;
  virtual void Unlock() const {}

  // --- clipping -----------------------------------------------------------------------------------
  virtual void ResetClip();
  // Limits r to the surface; an empty result is ignored; otherwise the clip grows to the bounding box.
  virtual void AddClip(const TRect& r);
  // The clip rectangle when one is set (always within the surface, possibly empty), else the bounds.
  TRect GetClip() const;
  // Sets the clip to r limited to the surface. An empty result is a set, empty clip: nothing draws.
  void SetClip(const TRect& r);
  bool ClipIsSet() const { return clipSet_; }
  TRect BoundsRect() const { return TRect{0, 0, Width(), Height()}; }
  int BytesPerPixel() const { return (BitCount() + 7) / 8; }

  // --- colours ------------------------------------------------------------------------------------
  // RGB colour value -> native pixel (-1 for a negative colour; 8-bit: the value itself).
  virtual int32_t ColorToPixel(ColorValue colour) const;

  // --- fills --------------------------------------------------------------------------------------
  // Whole surface. Memory surfaces of 1-16 bits write their storage directly (clip not applied);
  // other formats and kinds go through FillRect over the bounds, which the clip limits.
  virtual void Fill(Pixel pixel);
  virtual void FillRect(const TRect& r, Pixel pixel);
  virtual void FillRectAlpha(const TRect& r, Pixel pixel, int alpha);
  virtual void FillRectAdd(const TRect& r, Pixel pixel);
  virtual void FillRectSub(const TRect& r, Pixel pixel);
  virtual void FrameRect(const TRect& r, int thickness, Pixel pixel);
  virtual void FrameRectAlpha(const TRect& r, int thickness, int alpha, Pixel pixel);
  virtual void FrameRectAdd(const TRect& r, int thickness, Pixel pixel);

  // --- copies and blends --------------------------------------------------------------------------
  // srcRect selects the source pixels; (x, y) is where its top-left lands. flipV / flipH mirror the
  // source. "mask" surfaces are 8-bit coverage (0 transparent .. 255 opaque) with the source's geometry.
  // Only pixels inside the clip, the source and the mask are touched, whatever the rectangle. Source
  // and destination must share the bit count (else nothing is drawn). Alpha or strength <= 0 draws
  // nothing; values above 255 act as 255. A surface drawn onto itself reads its pixels as they were.
  virtual void Assign(const TCustomDIBX& source);
  virtual void Draw(int x, int y, bool flipV, bool flipH, bool trans, const TRect& srcRect,
                    const TCustomDIBX& source);
  virtual void DrawMask(int x, int y, const TCustomDIBX& mask, bool flipV, bool flipH, const TRect& srcRect,
                        const TCustomDIBX& source);
  virtual void DrawAlpha(int x, int y, int alpha, bool flipV, bool flipH, bool trans, const TRect& srcRect,
                         const TCustomDIBX& source);
  virtual void DrawAlphaMask(int x, int y, int alpha, const TCustomDIBX& mask, bool flipV, bool flipH,
                             const TRect& srcRect, const TCustomDIBX& source);
  virtual void DrawAdd(int x, int y, int strength, bool flipV, bool flipH, bool flag, const TRect& srcRect,
                       const TCustomDIBX& source);
  virtual void DrawAddMask(int x, int y, int strength, const TCustomDIBX& mask, bool flipV, bool flipH,
                           const TRect& srcRect, const TCustomDIBX& source);
  // A solid colour through 8-bit coverage (anti-aliased glyphs).
  virtual void DrawColorMask(int x, int y, int alpha, Pixel pixel, bool flipV, bool flipH, const TRect& srcRect,
                             const TCustomDIBX& mask);

  // Image drawing with one opacity value 0..511 (0 nothing, 1-254 blend, 255 copy, 256-511 add):
  // picks DrawAlpha / Draw / DrawAdd, or their mask forms when `mask` is given. Without a mask,
  // colour-key transparency applies when the source has a key.
  void DrawOpacity(int x, int y, int opacity, const TCustomDIBX* mask, bool flipV, bool flipH,
                   const TRect& srcRect, const TCustomDIBX& source);

  // --- scaled, rotated, tiled, pattern and indexed drawing (stretch_, rotate_, tile_, pattern_draw.cpp) -
  // Opacity 0..255: 0 nothing, below 255 blend, 255 copy. Where noted, 256..511 add with strength
  // opacity - 256 (capped at 255). Source and pattern surfaces share the destination's bit count,
  // masks are 8-bit with the source's geometry; anything else draws nothing, as do empty rectangles,
  // zero strengths and scales of 0 or less. Only pixels inside the clip and the source are touched.

  // Nearest-neighbour stretching of srcRect onto destRect (any scale, fractional clipping). Key pixels
  // are skipped when trans is set. The mask form weights by the mask (opacity 255: weight m, m = 255
  // copies; below: m * opacity div 256).
  virtual void StretchDraw(const TRect& destRect, const TCustomDIBX& source, int opacity, bool flipV, bool flipH,
                           bool trans, const TRect& srcRect);
  virtual void StretchDrawMask(const TRect& destRect, const TCustomDIBX& source, int opacity,
                               const TCustomDIBX& mask, bool flipV, bool flipH, const TRect& srcRect);
  virtual void StretchDrawAdd(const TRect& destRect, const TCustomDIBX& source, int strength, bool flipV,
                              bool flipH, bool trans, const TRect& srcRect);
  virtual void StretchDrawAddMask(const TRect& destRect, const TCustomDIBX& source, int strength,
                                  const TCustomDIBX& mask, bool flipV, bool flipH, const TRect& srcRect);
  // Rotation by angle (1/256 turns, clockwise on screen) and scaling (1/256) about a pivot: source
  // point (pivotX, pivotY) lands on (cx, cy). Opacity 0..511.
  virtual void DrawRotate(int cx, int cy, int opacity, bool flipV, bool flipH, bool trans, int angle, int pivotY,
                          int pivotX, const TRect& srcRect, const TCustomDIBX& source, int scaleY, int scaleX);
  virtual void DrawRotateMask(int cx, int cy, int opacity, const TCustomDIBX& mask, bool flipV, bool flipH,
                              int angle, int pivotY, int pivotX, const TRect& srcRect, const TCustomDIBX& source,
                              int scaleY, int scaleX);
  // Repeats srcRect over destRect, starting offset pixels into the tile, with gaps between tiles.
  virtual void TileDraw(const TRect& destRect, int hGap, int offsetY, int offsetX, bool trans, const TRect& srcRect,
                        const TCustomDIBX& source, int vGap);
  virtual void TileDrawAlpha(const TRect& destRect, int hGap, int offsetY, int offsetX, int opacity, bool trans,
                             const TRect& srcRect, const TCustomDIBX& source, int vGap);
  virtual void TileDrawAdd(const TRect& destRect, int hGap, int offsetY, int offsetX, int strength, bool flag,
                           const TRect& srcRect, const TCustomDIBX& source, int vGap);
  virtual void TileDrawMask(const TRect& destRect, int hGap, int offsetY, int offsetX, const TCustomDIBX& mask,
                            const TRect& srcRect, const TCustomDIBX& source, int vGap);
  virtual void TileDrawAlphaMask(const TRect& destRect, int hGap, int offsetY, int offsetX, int opacity,
                                 const TCustomDIBX& mask, const TRect& srcRect, const TCustomDIBX& source, int vGap);
  virtual void TileDrawAddMask(const TRect& destRect, int hGap, int offsetY, int offsetX, int strength,
                               const TCustomDIBX& mask, const TRect& srcRect, const TCustomDIBX& source, int vGap);
  // Tiles scaled by scaleX / 256 and scaleY / 256 placed every periodX / periodY source pixels
  // (scaled likewise). Opacity 0..511.
  virtual void TileStretchDraw(const TRect& destRect, int periodX, int offsetY, int offsetX, int opacity, bool flipV,
                               bool flipH, bool trans, const TRect& srcRect, const TCustomDIBX& source, int scaleY,
                               int scaleX, int periodY);
  virtual void TileStretchDrawMask(const TRect& destRect, int periodX, int offsetY, int offsetX, int opacity,
                                   bool flipV, bool flipH, const TCustomDIBX& mask, const TRect& srcRect,
                                   const TCustomDIBX& source, int scaleY, int scaleX, int periodY);
  // Patterns: the whole pattern surface repeats over the rectangle, starting offset pixels into it.
  virtual void FramePattern(const TRect& rect, int thickness, int offsetY, int offsetX, bool flag,
                            const TRect& srcRect, const TCustomDIBX& pattern);
  virtual void StretchPattern(const TRect& destRect, int scaleX, int opacity, bool flipV, bool flipH, bool trans,
                              int offsetY, int offsetX, const TCustomDIBX& pattern, int scaleY);
  virtual void StretchPatternMask(const TRect& destRect, int scaleX, int opacity, bool flipV, bool flipH,
                                  const TCustomDIBX& mask, int offsetY, int offsetX, const TCustomDIBX& pattern,
                                  int scaleY);
  virtual void FillPattern(const TRect& destRect, const TCustomDIBX& pattern, bool flipV, bool flipH, int offsetY,
                           int offsetX);
  // Indexed sources: 4-bit (high nibble = even column) or 8-bit values pick native pixels from a
  // colour table. DrawNibbles takes opacity 0..511 and skips the source's key index; the indexed-add
  // forms add values not below `threshold` with the given strength.
  virtual void DrawNibbles(int x, int y, const TColorTable& colours, int opacity, bool flipV, bool flipH, bool flag,
                           const TRect& srcRect, const TCustomDIBX& source);
  virtual void DrawIndexedAdd(int x, int y, const TColorTable& colours, int strength, bool flipV, bool flipH,
                              int threshold, const TRect& srcRect, const TCustomDIBX& source);
  virtual void StretchDrawIndexedAdd(const TRect& destRect, const TCustomDIBX& source, const TColorTable& colours,
                                     int strength, bool flipV, bool flipH, int threshold, const TRect& srcRect);

  // The clip rectangle as stored and whether it is set, for code that changes the clip for a while
  // and puts it back exactly.
  TRect RawClip() const { return clip_; }
  void RestoreClip(const TRect& clip, bool set) {
    clip_ = clip;
    clipSet_ = set;
  }

  // --- storage life -------------------------------------------------------------------------------
  virtual void Clear();
  virtual void GetPalette(TPalette& out) const;
  virtual void GetPaletteRange(TRGBQuad* out, int first, int count) const;
  virtual void SetPalette(const TPalette& palette);
  virtual void SetPaletteRange(const TRGBQuad* quads, int first, int count);

  // The row kernels this surface draws with (the fast, runtime-dispatched set by default). Tests
  // and the differential fuzzer switch a surface to the plain reference set.
  void UseKernels(const BlendKernels& kernels) { kernels_ = &kernels; }
  const BlendKernels& Kernels() const { return *kernels_; }

  // The pixel format for the blend kernels; false for formats without drawing loops (1, 4 bits, none).
  bool DrawFormat(PixelFormat& out) const;

 protected:
  TCustomDIBX(TCustomDIBX&&) = default;
  TCustomDIBX& operator=(TCustomDIBX&&) = default;
  // Raises KuzoError unless 0 <= width, height <= kMaxSurfaceSide.
  static void CheckSize(int width, int height);

  int width_ = 0;
  int height_ = 0;

 private:
  // Runs one row kernel over the clipped placement of srcRect (source and/or mask may be absent).
  void RunDraw(int kind, int x, int y, const RowParams& params, bool flipV, bool flipH, const TRect& srcRect,
               const TCustomDIBX* source, const TCustomDIBX* mask);
  void RunFill(int kind, const TRect& r, const RowParams& params);

  TRect clip_{};
  bool clipSet_ = false;
  const BlendKernels* kernels_;
};

// A surface in ordinary memory, stored top-down with rows padded to four bytes.
class TDIBX : public TCustomDIBX {
 public:
  TDIBX();  // holds a 1 x 1 storage of bit count 15 and reports width and height 0
  TDIBX(int width, int height, int bits) : TDIBX() { SetSize(width, height, bits); }
  TDIBX(TDIBX&&) = default;
  TDIBX& operator=(TDIBX&&) = default;

  int BitCount() const override;
  void SetBitCount(int bits) override;
  uint32_t RedMask() const override;
  uint32_t GreenMask() const override;
  uint32_t BlueMask() const override;
  ptrdiff_t Pitch() const override { return pitch_; }
  Pixel GetPixel(int x, int y) const override;
  void SetPixel(int x, int y, Pixel pixel) override;
  int BlueShift() const override;
  int GreenShift() const override;
  int RedShift() const override;
  int StorageBitCount() const override { return storageBits_; }
  void SetSize(int width, int height, int bits) override;
  uint8_t* Lock(int x, int y) override;
  const uint8_t* Lock(int x, int y) const override;
  int32_t ColorToPixel(ColorValue colour) const override;
  void Fill(Pixel pixel) override;
  void Assign(const TCustomDIBX& source) override;
  void Clear() override;
  void GetPalette(TPalette& out) const override;
  void GetPaletteRange(TRGBQuad* out, int first, int count) const override;
  void SetPalette(const TPalette& palette) override;
  void SetPaletteRange(const TRGBQuad* quads, int first, int count) override;

  // Raw storage (top-down rows of Pitch() bytes) for presentation and encoders.
  const uint8_t* Bits() const { return bits_.data(); }
  uint8_t* Bits() { return bits_.data(); }
  size_t StorageSize() const { return bits_.size(); }

 private:
  void Allocate(int width, int height, int bits);

  std::vector<uint8_t, AlignedAllocator<uint8_t>> bits_;  // rows start on cache lines when the pitch allows
  TPalette palette_{};
  int bitCount_ = 15;  // 1, 4, 8, 15, 16, 24, 32
  int storageBits_ = 16;
  ptrdiff_t pitch_ = 0;
  int storageWidth_ = 0;
  int storageHeight_ = 0;
};

}  // namespace kuzo
