// A view of 32-bit 0x00RRGGBB pixels with the few drawing operations the window chrome and the
// settings dialog need: filled and framed rectangles and coverage-blended text, all clipped.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/text_renderer.h"

namespace kuzo::host {

struct ChromeRect {
  int x = 0, y = 0, width = 0, height = 0;
  bool Contains(int px, int py) const { return px >= x && py >= y && px < x + width && py < y + height; }
};

class PixelCanvas {
 public:
  PixelCanvas(uint32_t* pixels, int width, int height, size_t pitchPixels)
      : pixels_(pixels), width_(width), height_(height), pitch_(pitchPixels) {}

  int Width() const { return width_; }
  int Height() const { return height_; }
  uint32_t Pixel(int x, int y) const { return pixels_[static_cast<size_t>(y) * pitch_ + static_cast<size_t>(x)]; }

  void Fill(const ChromeRect& r, uint32_t colour);
  // A one-pixel frame; `raised` draws a light top-left and a dark bottom-right edge.
  void Bevel(const ChromeRect& r, bool raised);
  void Frame(const ChromeRect& r, uint32_t colour);
  // Blends `colour` over the canvas weighted by the bitmap's coverage, top-left at (x, y).
  void Text(const platform::TextBitmap& text, int x, int y, uint32_t colour);
  // Draws text centred in `r`.
  void TextCentred(const platform::TextBitmap& text, const ChromeRect& r, uint32_t colour);

 private:
  uint32_t* pixels_;
  int width_, height_;
  size_t pitch_;
};

namespace chrome {
constexpr uint32_t kFace = 0xD4D0C8;     // button face
constexpr uint32_t kLight = 0xFFFFFF;
constexpr uint32_t kShadow = 0x808080;
constexpr uint32_t kDark = 0x404040;
constexpr uint32_t kText = 0x000000;
constexpr uint32_t kGreyText = 0x808080;
constexpr uint32_t kHot = 0xE8E4DC;      // button face under the pointer
}  // namespace chrome

}  // namespace kuzo::host
