// Layout of a word's glyphs into pages of rows: unbreakable runs under the Japanese line-break
// rules, wrapping, paging, and the vertical arrangement of characters and inline images.
#include <algorithm>
#include <climits>

#include "text/nk_word.h"

namespace kuzo {
namespace {

// Characters that never begin a row: "。、｣」』)）､｡!?！？】".
constexpr uint16_t kLineStartForbidden[] = {0x8142, 0x8141, 0x00A3, 0x8176, 0x8178, 0x0029, 0x816A,
                                            0x00A4, 0x00A1, 0x0021, 0x003F, 0x8149, 0x8148, 0x817A};
// Characters that never end a row: "｢「『（([<【".
constexpr uint16_t kLineEndForbidden[] = {0x00A2, 0x8175, 0x8177, 0x8169, 0x0028, 0x005B, 0x003C, 0x8179};

constexpr uint16_t kBlank = 0x20;

int32_t Saturate(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }
constexpr uint16_t kFirstPrintable = 33;  // single-byte codes 33..255 form words

bool IsBlank(const TWdGlyph& g) { return g.IsChar() && static_cast<const TWdChar&>(g).Code == kBlank; }

bool IsSingleBytePrintable(const TWdGlyph& g) {
  if (!g.IsChar()) return false;
  uint16_t code = static_cast<const TWdChar&>(g).Code;
  return code >= kFirstPrintable && code <= 0xFF;
}

bool IsImageAligned(const TWdGlyph& g, uint8_t align) {
  return g.Kind == GlyphKind::Img && static_cast<const TWdImg&>(g).VAlign == align;
}

// Extra height above (d) and below (e) the text line for the tallest CENTER, TOP and BOTTOM images.
struct RowExtent {
  int32_t text = 0, above = 0, below = 0;
  int32_t Height() const { return text + above + below; }
};

RowExtent ExtentOf(const TWdRow& row) {
  RowExtent x;
  x.text = row.MaxText;
  int32_t c = x.text;
  if (row.MaxCenter > 0) {
    int32_t half = (row.MaxCenter - c + 1) / 2;
    x.above = std::max(x.above, half);
    x.below = std::max(x.below, half);
  }
  if (row.MaxTop > 0) x.below = std::max(x.below, row.MaxTop - c);
  if (row.MaxBottom > 0) x.above = std::max(x.above, row.MaxBottom - c);
  return x;
}

void AddToRow(TWdRow& row, TWdGlyph& g) {
  g.Row = &row;
  row.Glyphs.push_back(&g);
  ++row.Visible;
  if (IsImageAligned(g, kAlignCenter)) {
    row.MaxCenter = std::max(row.MaxCenter, g.Height);
  } else if (IsImageAligned(g, kAlignTop)) {
    row.MaxTop = std::max(row.MaxTop, g.Height);
  } else if (IsImageAligned(g, kAlignBottom)) {
    row.MaxBottom = std::max(row.MaxBottom, g.Height);
  } else {
    row.MaxText = std::max(row.MaxText, g.Height);
  }
}

// Rectangles of the page's floating glyphs (page coordinates), each with its side and its row.
struct FloatRect {
  const TWdRow* row;
  bool right;
  int64_t left, top, rightEdge, bottom;
};
using TWdClipList = std::vector<FloatRect>;

// The free span of a row at its top: right of the left floats covering it, left of the right ones.
void SetFreeSpan(TWdRow& row, const TWdClipList& floats, int32_t areaWidth) {
  int64_t left = 0, right = areaWidth;
  for (const FloatRect& f : floats) {
    if (row.Y < f.top || row.Y >= f.bottom) continue;
    if (f.right) {
      right = std::min(right, f.left);
    } else {
      left = std::max(left, f.rightEdge);
    }
  }
  row.Left = Saturate(left);
  row.Right = Saturate(right);
}

// A floating glyph at the left or right edge of the row's free span, at the row's top. It takes no
// part in the row's width or height.
void AddFloat(TWdRow& row, TWdGlyph& g, TWdClipList& floats, int32_t areaWidth) {
  const bool right = static_cast<const TWdImg&>(g).VAlign == kAlignRight;
  const int64_t x = right ? int64_t{row.Right} - g.Width : row.Left;
  g.Row = &row;
  g.X = Saturate(x);
  g.Y = 0;
  row.Glyphs.push_back(&g);
  row.FloatHeight = std::max(row.FloatHeight, g.Height);
  floats.push_back({&row, right, x, row.Y, x + g.Width, int64_t{row.Y} + g.Height});
  SetFreeSpan(row, floats, areaWidth);
}

// Places the row's glyphs from its horizontal start and aligns them vertically.
void ArrangeRow(TWdRow& row) {
  int64_t x0 = row.Left;
  if (row.Align == kAlignRight) {
    x0 = static_cast<int64_t>(row.Right) - row.RowWidth;
  } else if (row.Align == kAlignCenter) {
    x0 = row.Left + (static_cast<int64_t>(row.Right) - row.Left - row.RowWidth) / 2;
  }
  row.Start = Saturate(x0);
  RowExtent ext = ExtentOf(row);
  int32_t height = ext.Height();
  int64_t x = x0;
  for (TWdGlyph* g : row.Glyphs) {
    if (IsFloatingGlyph(*g)) continue;  // placed when it was added
    g->X = Saturate(x);
    x += g->Width;
    int32_t h = g->Height;
    if (h == 0) {
      g->Y = ext.above;
    } else if (IsImageAligned(*g, kAlignCenter)) {
      g->Y = ext.above + (ext.text - h) / 2;
    } else if (IsImageAligned(*g, kAlignTop)) {
      g->Y = ext.above;
    } else {
      g->Y = height - ext.below - h;
    }
  }
  row.X = 0;
  row.Width = Saturate(x0 + row.RowWidth);
  row.Height = height;
}

}  // namespace

bool IsLineStartForbidden(uint16_t code) {
  return std::find(std::begin(kLineStartForbidden), std::end(kLineStartForbidden), code) != std::end(kLineStartForbidden);
}

bool IsLineEndForbidden(uint16_t code) {
  return std::find(std::begin(kLineEndForbidden), std::end(kLineEndForbidden), code) != std::end(kLineEndForbidden);
}

bool GlyphNoBreak(const TWdGlyph& g) {
  if (g.IsChar()) {
    const TDecorate* s = static_cast<const TWdChar&>(g).Style;
    return s && s->NoBreak;
  }
  if (g.Kind == GlyphKind::Img) return static_cast<const TWdImg&>(g).NoBreak;
  return false;
}

const std::string* GlyphRuby(const TWdGlyph& g) {
  const std::string* ruby = nullptr;
  if (g.IsChar()) {
    const TDecorate* s = static_cast<const TWdChar&>(g).Style;
    if (s) ruby = &s->Ruby;
  } else if (g.Kind == GlyphKind::Img) {
    ruby = &static_cast<const TWdImg&>(g).Ruby;
  }
  return (ruby && !ruby->empty()) ? ruby : nullptr;
}

bool BreakAllowed(const TWdGlyph& prev, const TWdGlyph& next) {
  if (GlyphNoBreak(prev) && GlyphNoBreak(next)) return false;
  const std::string* rubyNext = GlyphRuby(next);
  const std::string* rubyPrev = GlyphRuby(prev);
  if (rubyNext && rubyPrev && *rubyNext == *rubyPrev) return false;
  if (IsSingleBytePrintable(prev) && IsSingleBytePrintable(next)) return false;
  if (IsBlank(next) && !IsBlank(prev)) return false;
  return !(next.IsChar() && IsLineStartForbidden(static_cast<const TWdChar&>(next).Code));
}

namespace {

struct Run {
  int64_t width = 0;
  size_t count = 0;
};

// The unbreakable run starting at glyph `i` (glyphs before `end` only). A single line-end-forbidden
// character takes the following run with it (repeatedly, for "（「" and the like).
Run MeasureRun(const std::vector<std::unique_ptr<TWdGlyph>>& glyphs, size_t i, size_t end) {
  Run run;
  size_t s = i;
  while (s < end) {
    const TWdGlyph& g = *glyphs[s];
    int64_t width = g.Width;
    size_t count = 1;
    if (!g.IsReturn()) {
      for (size_t j = s + 1; j < end && !BreakAllowed(*glyphs[j - 1], *glyphs[j]); ++j) {
        width += glyphs[j]->Width;
        ++count;
        if (glyphs[j]->IsReturn()) break;
      }
    }
    run.width += width;
    run.count += count;
    bool joinNext = count == 1 && g.IsChar() && IsLineEndForbidden(static_cast<const TWdChar&>(g).Code) &&
                    s + 1 < end && !glyphs[s + 1]->IsReturn();
    if (!joinNext) break;
    s += 1;
  }
  return run;
}

}  // namespace

void TNkWord::Layout(std::vector<std::unique_ptr<TWdPage>>& pages, int first, int lastUnits) {
  if (AreaWidth < 0) return;  // a negative area lays out nothing
  size_t begin = first < 0 ? 0 : std::min(glyphs_.size(), static_cast<size_t>(first));
  size_t end = glyphs_.size();
  if (lastUnits >= 0) {
    int index = IndexOfUnits(lastUnits);
    if (index >= 0) end = std::min(end, static_cast<size_t>(index));
  }
  for (size_t i = begin; i < end; ++i) Measure(*glyphs_[i]);

  size_t firstNewPage = pages.size();
  int64_t y = 0;
  uint8_t align = kAlignLeft;
  int32_t indent = 0;
  TWdPage* page = nullptr;
  TWdRow* row = nullptr;
  TWdClipList floats;           // of the current page
  size_t rowFirst = 0;          // index of the row's first glyph (not the filler)
  bool nextContinues = false;   // the next row follows an automatic break

  size_t i = begin;
  while (i < end) {
    TWdGlyph& g = *glyphs_[i];
    if (g.Kind == GlyphKind::Align) {
      align = static_cast<TWdOpeAlign&>(g).Align;
      if (row && row->Visible == 0) row->Align = align;
      ++i;
      continue;
    }
    if (g.Kind == GlyphKind::Indent) {
      if (row) indent = row->RowWidth;
      ++i;
      continue;
    }
    if (g.Kind == GlyphKind::Undent) {
      indent = 0;
      ++i;
      continue;
    }
    if (!row) {
      if (!page) {
        pages.push_back(std::make_unique<TWdPage>());
        page = pages.back().get();
        y = 0;
        floats.clear();
      }
      page->Rows.push_back(std::make_unique<TWdRow>());
      row = page->Rows.back().get();
      row->Y = Saturate(y);
      row->Align = align;
      row->RowWidth = indent;
      SetFreeSpan(*row, floats, AreaWidth);
      row->Continues = nextContinues;
      nextContinues = false;
      if (indent > 0) {
        auto filler = std::make_unique<TWdSpace>();
        filler->Width = indent;
        filler->Row = row;
        row->Glyphs.push_back(filler.get());
        row->Owned.push_back(std::move(filler));
      }
      rowFirst = i;
    }
    if (IsFloatingGlyph(g)) {
      if (row->Visible > 0) {
        // A float starts a row of its own, right below the row that holds text.
        y += ExtentOf(*row).Height();
        row = nullptr;
        continue;
      }
      if (Paging && page->Rows.size() > 1 && y + g.Height > PageHeight) {
        page->Rows.pop_back();  // the empty row goes; the float opens the next page
        page = nullptr;
        row = nullptr;
        continue;
      }
      AddFloat(*row, g, floats, AreaWidth);
      ++i;
      continue;
    }
    Run run = MeasureRun(glyphs_, i, end);
    if (row->Visible > 0 && AreaWidth != 0 &&
        static_cast<int64_t>(row->Right) - row->Left < static_cast<int64_t>(row->RowWidth) + run.width) {
      row->AutoBreak = true;
      y += ExtentOf(*row).Height() + LineSpace;
      row = nullptr;
      nextContinues = true;
      continue;  // the same run on a new row
    }
    bool restarted = false;
    for (size_t k = 0; k < run.count; ++k) {
      AddToRow(*row, *glyphs_[i + k]);
      if (Paging && page->Rows.size() > 1 && static_cast<int64_t>(y) + ExtentOf(*row).Height() > PageHeight) {
        // The row does not fit: it moves, from its first glyph, to the top of a new page.
        nextContinues = row->Continues;
        // Floats of the moved row are laid out again with it.
        floats.erase(std::remove_if(floats.begin(), floats.end(), [row](const FloatRect& f) { return f.row == row; }),
                     floats.end());
        page->Rows.pop_back();
        page = nullptr;
        row = nullptr;
        i = rowFirst;
        restarted = true;
        break;
      }
    }
    if (restarted) continue;
    row->RowWidth = Saturate(row->RowWidth + run.width);
    i += run.count;
    if (glyphs_[i - 1]->IsReturn()) {
      y += ExtentOf(*row).Height() + LineSpace;
      row = nullptr;
      if (static_cast<TWdOpeReturn&>(*glyphs_[i - 1]).NewPage) page = nullptr;
    }
  }

  int32_t widest = 0;
  for (size_t p = firstNewPage; p < pages.size(); ++p) {
    TWdPage& pg = *pages[p];
    int64_t height = 0;
    for (auto& r : pg.Rows) {
      ArrangeRow(*r);
      height = std::max<int64_t>(height, static_cast<int64_t>(r->Y) + std::max(r->Height, r->FloatHeight));
      widest = std::max(widest, r->Width);
      for (const TWdGlyph* g : r->Glyphs)
        if (IsFloatingGlyph(*g)) widest = std::max(widest, Saturate(int64_t{g->X} + g->Width));
    }
    pg.Height = Saturate(height);
  }
  if (AreaWidth == 0) AreaWidth = widest;
}

}  // namespace kuzo
