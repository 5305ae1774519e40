// Clipped rectangle and text drawing on 32-bit pixels.
#include "host/pixel_canvas.h"

#include <algorithm>

namespace kuzo::host {

void PixelCanvas::Fill(const ChromeRect& r, uint32_t colour) {
  int x0 = std::max(0, r.x), y0 = std::max(0, r.y);
  int x1 = std::min(width_, r.x + r.width), y1 = std::min(height_, r.y + r.height);
  for (int y = y0; y < y1; ++y) {
    uint32_t* row = pixels_ + static_cast<size_t>(y) * pitch_;
    std::fill(row + x0, row + std::max(x0, x1), colour);
  }
}

void PixelCanvas::Frame(const ChromeRect& r, uint32_t colour) {
  Fill({r.x, r.y, r.width, 1}, colour);
  Fill({r.x, r.y + r.height - 1, r.width, 1}, colour);
  Fill({r.x, r.y, 1, r.height}, colour);
  Fill({r.x + r.width - 1, r.y, 1, r.height}, colour);
}

void PixelCanvas::Bevel(const ChromeRect& r, bool raised) {
  uint32_t topLeft = raised ? chrome::kLight : chrome::kShadow;
  uint32_t bottomRight = raised ? chrome::kShadow : chrome::kLight;
  Fill({r.x, r.y, r.width, 1}, topLeft);
  Fill({r.x, r.y, 1, r.height}, topLeft);
  Fill({r.x, r.y + r.height - 1, r.width, 1}, bottomRight);
  Fill({r.x + r.width - 1, r.y, 1, r.height}, bottomRight);
}

void PixelCanvas::Text(const platform::TextBitmap& text, int x, int y, uint32_t colour) {
  for (int ty = 0; ty < text.height; ++ty) {
    int py = y + ty;
    if (py < 0 || py >= height_) continue;
    uint32_t* row = pixels_ + static_cast<size_t>(py) * pitch_;
    for (int tx = 0; tx < text.width; ++tx) {
      int px = x + tx;
      if (px < 0 || px >= width_) continue;
      uint32_t a = text.coverage[static_cast<size_t>(ty) * static_cast<size_t>(text.width) + static_cast<size_t>(tx)];
      if (a == 0) continue;
      uint32_t d = row[px];
      uint32_t out = 0;
      for (int shift = 0; shift <= 16; shift += 8) {
        uint32_t dc = (d >> shift) & 0xFF, sc = (colour >> shift) & 0xFF;
        out |= ((dc * (255 - a) + sc * a + 127) / 255) << shift;
      }
      row[px] = out;
    }
  }
}

void PixelCanvas::TextCentred(const platform::TextBitmap& text, const ChromeRect& r, uint32_t colour) {
  Text(text, r.x + (r.width - text.width) / 2, r.y + (r.height - text.height) / 2, colour);
}

}  // namespace kuzo::host
