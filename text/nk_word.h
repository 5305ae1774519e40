// TNkWord: a word of tagged text. Holds the glyph list and its style table, converts markup into
// glyphs, reads and writes stored glyph lists, expands VAR glyphs, and lays glyphs out into pages
// of rows with the Japanese line-break rules.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "graphics/dibx.h"
#include "text/decorate.h"
#include "text/glyphs.h"

namespace kuzo {

class ByteReader;
class ByteWriter;
class TParamCollection;
class TFontPixelManager;

// Stream version the authoring side writes.
constexpr int32_t kGlyphStreamVersion = 110;
// Longest text one VAR glyph may insert (characters).
constexpr size_t kMaxVarExpansion = 4096;
// Largest glyph cell or image side in pixels; sizes from untrusted lists are clamped to it, so sums
// of widths and heights stay far from overflowing.
constexpr int32_t kMaxGlyphExtent = 1 << 14;
// Deepest nesting of the markup state stacks (FONT, DIV, WAIT); deeper tags are counted, not kept.
constexpr size_t kMaxTagNesting = 1024;

struct TextSize {
  int32_t Width = 0;
  int32_t Height = 0;
};

// The frame an inline image shows now: its picture (ColorKey is the transparent colour) and an
// optional 8-bit mask of the same size, which wins over the key.
struct TextImageFrame {
  const TCustomDIBX* Picture = nullptr;
  const TCustomDIBX* Mask = nullptr;
};

class TNkWord {
 public:
  TNkWord();
  ~TNkWord();
  TNkWord(const TNkWord&) = delete;
  TNkWord& operator=(const TNkWord&) = delete;

  // Layout settings.
  int32_t FontSize = 12;
  std::string FontName;  // empty here means the default face name
  int32_t AreaLeft = 0, AreaTop = 0;
  int32_t AreaWidth = 0;
  int32_t PageHeight = 0;
  int32_t LineSpace = 0;
  bool Paging = true;
  int32_t BorderWidthDefault = 0;
  int32_t ShadowWidthDefault = 0;
  // The typing delay markup starts with (the "@TextDelay" system variable).
  int32_t TextDelay = 0;
  // Frozen VAR values: name=value pairs.
  std::vector<std::pair<std::string, std::string>> VarValues;
  // Size of an inline image by its file name; without it images take no space.
  std::function<TextSize(const std::string& source)> ImageSize;
  // The current frame of an inline image by its file name; without it (or with no picture) images
  // draw nothing.
  std::function<TextImageFrame(const std::string& source)> ImageFrame;

  // Reveal (typewriter) settings and state shared by the pages.
  int32_t FadeTime = 1;        // ms for a revealed glyph to go from alpha 0 to 255; <= 0 at once
  int32_t Speed = 0;           // multiplier of glyph delays in 1/256 (256 = as written)
  bool Paused = false;
  bool EventsEnabled = false;
  int32_t CaretX = 0, CaretY = 0, CaretHeight = 0;
  std::vector<TRectI> DirtyRects;  // destination areas changed by the last step
  std::function<void(const std::string& value)> OnEvent;

  // Rendering settings (colours 0x00BBGGRR).
  int32_t TextColor = 0;
  int32_t LinkColor = 0xFF0000;
  int32_t HoverColor = 0x8000;
  int32_t BorderColorDefault = 0x808080;
  int32_t ShadowColorDefault = 0;
  int32_t Quality = 3;
  int32_t ImageAlpha = 255;  // below 255 images blend, above they add
  int32_t SurfaceBits = 32;  // colour depth of the glyph surfaces (the screen's)
  // Where Draw paints and what part of it is being redrawn.
  TCustomDIBX* Target = nullptr;
  TRectI ClipRect{INT32_MIN / 2, INT32_MIN / 2, INT32_MAX / 2, INT32_MAX / 2};

  // Replaces the glyphs with the conversion of `lines` (joined with CR). Raises KuzoError for an A
  // tag without HREF, keeping the glyphs converted before it.
  void SetText(const std::vector<std::string>& lines);
  void SetText(std::string_view text);
  // Appends the styles and glyphs of a stored glyph list; raises FormatError on bad bytes.
  void LoadGlyphs(ByteReader& r);
  // Writes the whole list as a stored glyph list of version kGlyphStreamVersion.
  void WriteGlyphs(ByteWriter& w) const;
  void Clear();

  // Inserts the value of every VAR glyph among glyph indexes first..last (last < 0: to the end)
  // right after it; `table` evaluates expressions (none: only frozen values expand).
  void ExpandVars(int first, int last, TParamCollection* table);
  void CollapseVars(int first, int last);

  // Lays out glyphs from index `first` up to `lastUnits` counting units (negative: the end) into new
  // pages appended to `pages`.
  void Layout(std::vector<std::unique_ptr<TWdPage>>& pages, int first = 0, int lastUnits = -1);

  // The reveal: ResetReveal restarts a page; Step runs one frame of `elapsedMs` and reports true
  // only in the step in which the page becomes finished, appending what it showed to `shown`.
  void ResetReveal(TWdPage& page);
  bool Step(TWdPage& page, int32_t elapsedMs, std::string* shown = nullptr);
  bool HasMore(const TWdPage& page) const;
  // The page's reveal state as a save keeps it; loading applies it to the page as laid out now
  // (glyph opacities included) and raises FormatError on bad bytes.
  void SaveRevealState(const TWdPage& page, ByteWriter& w) const;
  void LoadRevealState(TWdPage& page, ByteReader& r) const;
  // Destination rectangle of a glyph of `page` (text area position and scrolling applied).
  TRectI DestRect(const TWdPage& page, const TWdGlyph& g) const;

  // Renders the page's characters into the glyph surfaces through the glyph cache, then draws the
  // revealed glyphs onto Target within ClipRect.
  void Render(TWdPage& page, TFontPixelManager& glyphs);
  void Draw(const TWdPage& page) const;
  // The opacity (0..511 blend rule) an image glyph of reveal alpha `glyphAlpha` draws with under
  // ImageAlpha.
  int32_t ImageOpacity(int32_t glyphAlpha) const;
  const TDIBX& ColorSurface() const { return colorSurface_; }
  // The page position the glyph surfaces begin at: 0 with paging; without it the surfaces hold
  // only the visible part of the page, from the scroll offset it was rendered at.
  int32_t RenderTop() const { return renderTop_; }
  const TDIBX& CoverageSurface() const { return coverageSurface_; }

  // The fully shown glyph under a destination point, or null.
  TWdReal* HitTest(const TWdPage& page, int32_t x, int32_t y) const;
  // Moves the link highlight to the link run under the point (none when the point holds no link);
  // changed glyphs are rendered again and reported in DirtyRects. Returns whether anything changed.
  bool HoverAt(TWdPage& page, int32_t x, int32_t y, TFontPixelManager& glyphs);

  // The settings record saved with the owner; `version` is the save's data version.
  void SaveSettings(ByteWriter& w) const;
  void LoadSettings(ByteReader& r, int32_t version);

  int IndexOfUnits(int units) const;
  int UnitsBefore(const TWdGlyph* glyph) const;
  // Counting units of the whole list.
  int TotalUnits() const { return UnitsBefore(nullptr); }
  // The glyph range a laid-out page shows, in counting units: the units before its first glyph and
  // the units up to and including its last one (row indent fillers are not glyphs of the word). An
  // empty page gives 0 and 0.
  void PageUnitRange(const TWdPage& page, int32_t& firstUnit, int32_t& lastUnit) const;
  // The values the expanded VAR glyphs between the page's first and last glyph show, as frozen
  // name=value pairs (a line break inside a value kept as the byte 0x01).
  std::vector<std::pair<std::string, std::string>> PageVarValues(const TWdPage& page) const;

  size_t GlyphCount() const { return glyphs_.size(); }
  TWdGlyph* Glyph(size_t i) const { return glyphs_[i].get(); }
  const TDecorateList& Styles() const { return styles_; }
  TDecorateList& Styles() { return styles_; }

  // Appends a glyph (the word takes ownership) and returns it.
  TWdGlyph* Append(std::unique_ptr<TWdGlyph> glyph);

  // The character cell size of a character glyph (square cell, widened by italic, ruby, border and
  // shadow) and the measured size of any glyph.
  TextSize CellSize(const TWdChar& c) const;
  void Measure(TWdGlyph& g) const;

  // Effective widths for a style (-1 means the word's default).
  int32_t BorderWidthOf(const TDecorate* s) const { return (!s || s->BorderWidth < 0) ? BorderWidthDefault : s->BorderWidth; }
  int32_t ShadowWidthOf(const TDecorate* s) const { return (!s || s->ShadowWidth < 0) ? ShadowWidthDefault : s->ShadowWidth; }

 private:
  friend class MarkupConverter;
  void RemoveGlyphs(size_t from, size_t count);
  void DrawImage(const TWdPage& page, const TWdImg& img, const TRectI& area) const;
  void ReleaseGlyphStyle(TWdGlyph& g);

  std::vector<std::unique_ptr<TWdGlyph>> glyphs_;
  TDecorateList styles_;
  TDIBX colorSurface_;
  TDIBX coverageSurface_;
  int32_t renderTop_ = 0;
};

// Glyph properties the line-break rules read.
bool GlyphNoBreak(const TWdGlyph& g);
const std::string* GlyphRuby(const TWdGlyph& g);  // null when the glyph has no ruby text
// Whether a row may break between `prev` and `next`.
bool BreakAllowed(const TWdGlyph& prev, const TWdGlyph& next);
bool IsLineStartForbidden(uint16_t code);
bool IsLineEndForbidden(uint16_t code);

}  // namespace kuzo
