// The process-wide glyph cache: characters of outline fonts rendered with FreeType into 8-bit
// coverage glyphs at one of four quality levels (2, 5, 17 or 65 grey levels), with the metrics that
// text layout and glyph drawing need. The 256 most recently used glyphs are kept.
#pragma once

#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "graphics/dibx.h"

namespace kuzo {

// Quality levels: 0 two levels (ink or not), 1 five, 2 seventeen, 3 sixty-five grey levels.
constexpr int32_t kGlyphQualityLevels = 4;

// Coverage of grey level `level` at `quality` (the level tables brighten the faint levels).
uint8_t GreyLevelCoverage(int32_t quality, int level);
// An 8-bit coverage value reduced to the grey levels of `quality` and mapped back through its table.
uint8_t QuantizeCoverage(int32_t quality, uint8_t coverage);

struct TOutlinePlan;  // glyph_draw's precomputed outline stamps (see DrawOutline)

struct TFontPixel {
  TDIBX Glyph;  // 8-bit coverage; 0 x 0 for a character without ink
  uint16_t Code = 0;
  std::string FontName;
  int32_t FontHeight = 0;
  uint8_t Style = 0;  // 1 bold, 2 italic, 4 underline, 8 strike-out
  int32_t Quality = 0;
  int32_t Left = 0;   // max(0, glyph origin x)
  int32_t Top = 0;    // from the cell top to the glyph's first row
  int32_t UnderlineSize = 0;
  int32_t StrikeTop = 0;
  int32_t StrikeSize = 0;
  int32_t Extra = 0;  // advance beyond the glyph's right edge; for a blank, its whole advance
  // The character's widths: left bearing, ink width, right bearing (for centring in a cell).
  int32_t AbcA = 0, AbcB = 0, AbcC = 0;
  // Outline stamps gathered per target pixel, made when the glyph is outlined again and kept with it
  // (with the last results per colour); rebuilt when the radius or the coverage changes.
  mutable std::shared_ptr<TOutlinePlan> OutlinePlan;

  int Width() const { return Glyph.Width(); }
  int Height() const { return Glyph.Height(); }
  bool Empty() const { return Glyph.Width() == 0 || Glyph.Height() == 0; }
  int32_t Advance() const { return Left + Width() + Extra; }
};

class TFontPixelManager {
 public:
  static constexpr size_t kCapacity = 256;

  TFontPixelManager();
  ~TFontPixelManager();
  TFontPixelManager(const TFontPixelManager&) = delete;
  TFontPixelManager& operator=(const TFontPixelManager&) = delete;

  // Quality used for the glyphs requested next (0..3; others count as 3).
  int32_t Quality = 3;

  // The cached glyph for these keys at the current quality, made when missing. The reference stays
  // valid until the glyph falls out of the cache (use it at once).
  const TFontPixel& GetGlyph(uint16_t code, const std::string& fontName, uint8_t style, int32_t height);
  // Ascent of the font of the last request.
  int32_t Ascent() const;

  size_t CachedCount() const { return recency_.size(); }
  // Glyphs made since creation (cache misses), for tests and benchmarks.
  uint64_t CreatedCount() const { return created_; }

  // The family (UTF-8) a script's font name (Shift-JIS) resolves to: the substitution table, then
  // an installed family of that name, then the default face's substitute; empty when no font at all.
  static std::string ResolveFamily(const std::string& fontName);
  // Installed families covering Japanese as Shift-JIS names, sorted; fixed pitch only on request.
  static std::vector<std::string> ListFonts(bool fixedOnly);

 private:
  struct Font;
  Font* SelectFont(const std::string& fontName, uint8_t style, int32_t height);
  void Render(TFontPixel& glyph);

  using Recency = std::list<std::unique_ptr<TFontPixel>>;
  std::vector<Recency::iterator> buckets_[256];  // by the code's low byte; positions in recency_
  Recency recency_;                              // most recently used first
  std::map<std::string, std::unique_ptr<Font>> fonts_;  // by requested name
  Font* current_ = nullptr;
  std::string currentName_;
  int32_t currentHeight_ = -1;
  uint8_t currentStyle_ = 0xFF;
  void* library_ = nullptr;  // FT_Library
  uint64_t created_ = 0;
};

}  // namespace kuzo
