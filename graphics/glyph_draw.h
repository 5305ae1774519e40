// Drawing cached glyphs onto a colour surface and its 8-bit coverage surface: the six per-pixel
// primitives and the whole character with border, shadow, underline and strike-out. Colour surfaces
// are written at 15, 16 and 32 bits per pixel only; colours are native pixel values.
#pragma once

#include <cstdint>

#include "graphics/dibx.h"
#include "graphics/font_pixel.h"
#include "graphics/rect.h"

namespace kuzo {

// c > 0: pixel := colour.
void DrawSolid(const TFontPixel& g, TCustomDIBX& color, int x, int y, Pixel colour);
// c = 255: foreground; otherwise each channel ((c*fg + bg*(255-c)) >> 8) & mask, bg the given colour.
void DrawOnColor(const TFontPixel& g, TCustomDIBX& color, int x, int y, Pixel background, Pixel foreground);
// Accumulating coverage: a' = a + c*(255-a)/255, w = c*255/a', channel ((col*w + px*(255-w)) >> 8) & mask.
void DrawOver(const TFontPixel& g, TCustomDIBX& color, TCustomDIBX& coverage, int x, int y, Pixel colour);
// c > 0: coverage := 255.
void MarkCoverage(const TFontPixel& g, TCustomDIBX& coverage, int x, int y);
// coverage := max(coverage, c).
void MaxCoverage(const TFontPixel& g, TCustomDIBX& coverage, int x, int y);
// Every inked pixel stamps DrawOver at each offset within `radius` (except the pixel itself), in the
// order rows, pixels, then dy and dx from -radius to radius.
// The glyph keeps its stamps regrouped by target pixel (TFontPixel::OutlinePlan) for repeated draws.
void DrawOutline(const TFontPixel& g, TCustomDIBX& color, TCustomDIBX& coverage, Pixel colour, int radius, int x, int y);
// The same outline stamped pixel by pixel without a plan: used for very wide radii, and the
// reference the planned drawing must match.
void DrawOutlineStampwise(const TFontPixel& g, TCustomDIBX& color, TCustomDIBX& coverage, Pixel colour, int radius, int x,
                          int y);

struct GlyphColors {
  Pixel shadow = 0;
  Pixel border = 0;
  Pixel text = 0;
};

// Draws one character cell: the glyph centred in its cell when narrower, with shadow offset
// `shadow`, border width `border`, underline and strike-out bands (joined across a run: `runStart`
// and `runEnd` mark its first and last character). Returns the drawn box (empty for a blank).
TRect DrawGlyph(const TFontPixel& g, TCustomDIBX& color, TCustomDIBX& coverage, const GlyphColors& colors, bool runEnd,
                bool runStart, int shadow, int border, const TRect& cell);

}  // namespace kuzo
