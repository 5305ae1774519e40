// Decoded images: TDrelFrameList, the frames (composed surface with optional mask, colour key, display
// time, region lists) that every image reader produces, and the conversions the image cache needs.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "graphics/dib_surface.h"
#include "graphics/rect.h"

namespace kuzo {

// Largest image side and the default cap on one frame's decoded bytes (colour plus mask); a file
// declaring more is refused before anything is allocated.
inline constexpr int32_t kMaxImageSide = 16384;
inline constexpr int64_t kMaxFrameBytes = kMaxSurfaceBytes;

// Drel data kinds.
enum class DrelKind : uint8_t {
  kDeflate = 0,  // "Default compression"
  kStored = 1,   // "No compression"
  kJpeg = 2,     // "Nonreversible compression": JPEG colour data, deflated mask
};

class TDrelFrameList;

struct TDrelFrame {
  int32_t DisplayTime = 100;  // ms; the image components interpret it
  TDIBSurface Image;          // composed image, with its mask companion when the frame has one
  int32_t ColorKey = -1;      // native pixel value of Image's format, -1 none
  int32_t ColorKeyRGB = -1;   // the same key as an RGB colour value, -1 none
  std::string Name;
  std::vector<TRect> RegionsA;
  std::vector<TRect> RegionsB;

  bool HasMask() const { return Image.HasMask(); }
  int Width() const { return Image.Width(); }
  int Height() const { return Image.Height(); }
  int BitCount() const { return Image.BitCount(); }
};

// Header facts of a Drel file as read (writers take DataKind, JpegQuality from their arguments).
struct DrelHeaderInfo {
  int32_t width = 0;
  int32_t height = 0;
  int32_t bitCount = 0;
  int32_t frameCount = 0;
  bool shuffled = false;
  DrelKind kind = DrelKind::kDeflate;
  int32_t blockWidth = 0;
  int32_t blockHeight = 0;
  uint8_t jpegQuality = 0;
};

class TDrelFrameList {
 public:
  explicit TDrelFrameList(int32_t imageKey = 0) : ImageKey(imageKey) {}

  ColorValue BackgroundColor = 0;
  int32_t Version = 0;  // 0 when the file had no magic (and for non-Drel formats)
  int32_t ImageKey;     // seed of the row and block shuffling
  uint8_t OpaqueFirstLayer = 0;
  DrelHeaderInfo Header;
  std::vector<std::unique_ptr<TDrelFrame>> Frames;

  int Count() const { return static_cast<int>(Frames.size()); }
  TDrelFrame& operator[](int i) { return *Frames[static_cast<size_t>(i)]; }
  const TDrelFrame& operator[](int i) const { return *Frames[static_cast<size_t>(i)]; }
  TDrelFrame& Add();
  void Clear();

  // Every frame without a mask gets one of its size filled with 255, 0 where the composed pixel
  // equals the frame's key. Frames that have a mask keep it.
  void BuildMasks();
};

// Copies a frame into a display surface: sized to the frame at the surface's own bit count; 24 or 32
// bits into 32 clears the fourth byte; other combinations convert through RGB colour values. Region
// lists are copied. The colour key is not touched (the caller converts ColorKeyRGB itself).
void ConvertFrameToSurface(const TDrelFrame& frame, TCustomDIBX& out);
// The frame's mask as an 8-bit surface (sized and overwritten); false when the frame has none.
bool ConvertMaskToSurface(const TDrelFrame& frame, TCustomDIBX& out);

// The composed frame as 8-bit R, G, B, A, top row first: colours through the palette or widened by
// repeating their top bits; alpha from the mask when there is one, else 0 where the pixel equals the
// colour key and 255 elsewhere.
std::vector<uint8_t> FrameToRgba(const TDrelFrame& frame);

}  // namespace kuzo
