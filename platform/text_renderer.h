// Renders short texts (window chrome, the settings dialog) with a Japanese font found through
// fontconfig, into 8-bit coverage bitmaps that the caller blends in its own colour.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kuzo::platform {

struct TextBitmap {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> coverage;  // width * height, 0 = background, 255 = ink
};

class TextRenderer {
 public:
  virtual ~TextRenderer() = default;
  // Renders Shift-JIS text on one line.
  virtual TextBitmap Render(std::string_view sjisText) = 0;
  virtual int LineHeight() const = 0;
};

// The font file fontconfig picks for Japanese text (a Gothic face preferred); empty when none.
std::string FindJapaneseFontFile();

// Opens a renderer of `pixelHeight` pixels. Raises KuzoError when no font can be opened.
std::unique_ptr<TextRenderer> CreateTextRenderer(int pixelHeight);

}  // namespace kuzo::platform
