// The glyph classes of a word: one glyph per character, image or formatting operation, plus the
// rows and pages the layout builds from them. Glyphs are owned by their word; rows and pages only
// point at them (a row owns its indent filler).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "text/decorate.h"

namespace kuzo {

class TKuzoParser;
class TNkWord;
struct TWdRow;

// Type bytes of the stored glyph list; glyphs made only by layout or VAR expansion have none.
enum class GlyphKind : uint8_t {
  Char = 1,
  Align = 2,
  Return = 3,
  Indent = 4,
  Undent = 5,
  Event = 6,
  Var = 7,
  Img = 9,
  VarChar = 100,
  VarReturn,
  Space,
};

// Alignment codes (the ALIGN keyword table).
enum AlignCode : uint8_t { kAlignNone = 0, kAlignLeft = 1, kAlignRight = 2, kAlignCenter = 3, kAlignTop = 4, kAlignBottom = 5 };

struct TRectI {
  int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
  bool Empty() const { return Right <= Left || Bottom <= Top; }
};

struct TWdGlyph {
  explicit TWdGlyph(GlyphKind k) : Kind(k) {}
  virtual ~TWdGlyph() = default;
  GlyphKind Kind;
  int32_t X = 0, Y = 0, Width = 0, Height = 0;
  TWdRow* Row = nullptr;

  bool IsReturn() const { return Kind == GlyphKind::Return || Kind == GlyphKind::VarReturn; }
  bool IsChar() const { return Kind == GlyphKind::Char || Kind == GlyphKind::VarChar; }
  bool IsReal() const { return IsChar() || Kind == GlyphKind::Img; }
  // Counting units: characters, images and EVENT glyphs count 1; VAR insertions count 0.
  int Units() const { return (Kind == GlyphKind::Char || Kind == GlyphKind::Img || Kind == GlyphKind::Event) ? 1 : 0; }
};

// A glyph that is shown: link, hover, reveal alpha and its typing delay.
struct TWdReal : TWdGlyph {
  using TWdGlyph::TWdGlyph;
  std::string Link;
  bool Hover = false;
  int32_t Alpha = 0;
  int32_t Wait = 0;
  TRectI DrawnBox;  // union of what rendering drew, relative to the page surface

  void SetAlpha(int32_t a) { Alpha = a < 0 ? 0 : (a > 255 ? 255 : a); }
};

// A character: one byte, or a double-byte Shift-JIS code with its lead byte high.
struct TWdChar : TWdReal {
  explicit TWdChar(GlyphKind k = GlyphKind::Char) : TWdReal(k) {}
  uint16_t Code = 0;
  TDecorate* Style = nullptr;

  bool DoubleByte() const { return Code > 0xFF; }
  bool IsBlank() const { return Code == 0x20; }
  // The character as stored bytes.
  std::string Bytes() const {
    if (DoubleByte()) return std::string{static_cast<char>(Code >> 8), static_cast<char>(Code & 0xFF)};
    return std::string(1, static_cast<char>(Code));
  }
};

struct TWdImg : TWdReal {
  TWdImg() : TWdReal(GlyphKind::Img) {}
  std::string Source;
  uint8_t VAlign = kAlignBottom;
  bool NoBreak = false;
  std::string Ruby;
};

// An image with alignment LEFT or RIGHT floats at that edge of its row's free span; the text of
// the following rows flows beside it.
inline bool IsFloatingGlyph(const TWdGlyph& g) {
  if (g.Kind != GlyphKind::Img) return false;
  const uint8_t a = static_cast<const TWdImg&>(g).VAlign;
  return a == kAlignLeft || a == kAlignRight;
}

struct TWdSpace : TWdGlyph {
  TWdSpace() : TWdGlyph(GlyphKind::Space) {}
};

struct TWdOpeReturn : TWdGlyph {
  explicit TWdOpeReturn(GlyphKind k = GlyphKind::Return) : TWdGlyph(k) {}
  bool NewPage = false;
};

struct TWdOpeAlign : TWdGlyph {
  TWdOpeAlign() : TWdGlyph(GlyphKind::Align) {}
  uint8_t Align = kAlignLeft;
};

struct TWdOpeIndent : TWdGlyph {
  TWdOpeIndent() : TWdGlyph(GlyphKind::Indent) {}
};

struct TWdOpeUndent : TWdGlyph {
  TWdOpeUndent() : TWdGlyph(GlyphKind::Undent) {}
};

struct TWdOpeEvent : TWdGlyph {
  TWdOpeEvent() : TWdGlyph(GlyphKind::Event) {}
  std::string Value;
  bool IsEnd = false;
};

struct TWdOpeVar : TWdGlyph {
  TWdOpeVar();
  ~TWdOpeVar() override;
  TDecorate* Style = nullptr;
  int32_t Wait = 0;
  std::string Link;
  std::string Expr;
  std::shared_ptr<TKuzoParser> Compiled;  // old stored form: a compiled expression instead of text
  int32_t Inserted = 0;                   // number of glyphs expansion placed right after this one
};

// One laid-out row. Glyph X/Y are relative to the row; the row's X is its horizontal start.
struct TWdRow : TWdGlyph {
  TWdRow() : TWdGlyph(GlyphKind::Space) {}
  std::vector<TWdGlyph*> Glyphs;
  std::vector<std::unique_ptr<TWdGlyph>> Owned;  // the indent filler
  int32_t Left = 0, Right = 0;
  int32_t Start = 0;  // horizontal start of the first glyph after arrangement (x0)
  uint8_t Align = kAlignLeft;
  int32_t RowWidth = 0;  // the row's own width (sum of its runs, indent included)
  int32_t MaxText = 0, MaxCenter = 0, MaxTop = 0, MaxBottom = 0;
  int32_t Visible = 0;  // glyphs other than the indent filler
  bool AutoBreak = false;  // the row ends because the next run did not fit (not a BR or page end)
  bool Continues = false;  // the row follows an automatic break
  int32_t FloatHeight = 0;  // how far below the row's top its floating glyphs reach
};

// Reveal state of a page (the typewriter engine).
struct TWdRevealState {
  int32_t ScrollOffset = 0;
  int32_t RevealRow = 0, RevealIndex = 0;
  int32_t WaitBudget = 0;
  int32_t AlphaAccumulator = 0;
  int32_t StartDelay = 0;
  std::vector<TWdReal*> Fading;
  std::vector<TWdImg*> Animated;
  std::string PendingEvents;
  bool EventJustShown = false;
  bool Finished = false;
};

struct TWdPage : TWdGlyph {
  TWdPage() : TWdGlyph(GlyphKind::Space) {}
  std::vector<std::unique_ptr<TWdRow>> Rows;
  TWdRevealState Reveal;
};

}  // namespace kuzo
