// The message window building its pages from its message data: the text-insert piece laid out
// into pages, and the history shown in the window, where every piece (or every referenced page of
// the simple history) is laid out on its own and its rows are stacked into one long page that the
// script scrolls through PR_SCROLLY.
#include <algorithm>
#include <climits>

#include "components/history_layout.h"
#include "components/kuzo_mes.h"
#include "core/byte_reader.h"
#include "core/errors.h"
#include "scene/component_services.h"
#include "scene/script_text_source.h"

namespace kuzo {

namespace {

int32_t Saturate(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

// Moves the rows of `from` into `into`, shifted down by `offset`; returns the bottom of the last
// moved row in `into` (nullopt when `from` has no rows).
std::optional<int64_t> MoveRows(TWdPage& from, TWdPage& into, int64_t offset) {
  std::optional<int64_t> bottom;
  for (auto& row : from.Rows) {
    row->Y = Saturate(row->Y + offset);
    bottom = int64_t{row->Y} + row->Height;
    into.Height = Saturate(std::max<int64_t>(into.Height, *bottom));
    into.Rows.push_back(std::move(row));
  }
  from.Rows.clear();
  return bottom;
}

}  // namespace

bool TKuzoMes::SourceExists(const std::string& source) const {
  ScriptTextSource* texts = Services() ? Services()->Texts() : nullptr;
  return !texts || texts->FileExists(source);
}

std::optional<size_t> TKuzoMes::AppendCommandGlyphs(const std::string& source, int32_t command) {
  ScriptTextSource* texts = Services() ? Services()->Texts() : nullptr;
  if (!texts) return std::nullopt;
  const std::optional<std::string> glyphs = texts->CommandGlyphs(source, command);
  if (!glyphs) return std::nullopt;
  const size_t base = word_.GlyphCount();
  ByteReader r(*glyphs, source);
  try {
    word_.LoadGlyphs(r);
  } catch (const FormatError&) {
    // A damaged list shows what was read before the fault.
  }
  return base;
}

void TKuzoMes::ShowHistory(const HistorySelection& selection, bool stack) {
  readMarkMode_ = 2;
  stackMode_ = stack;
  if (selection.laidOut) {
    pieces_ = selection.pieces;
    references_.clear();
    firstOffset_ = selection.firstOffset;
  } else {
    pieces_ = {};
    references_.clear();
    for (const THistoryOldData& e : selection.references)
      references_.push_back(Reference{e.source, e.command, e.page, e.areaWidth, e.areaHeight});
    firstOffset_ = 0;
    scrollY_ = 0;
  }
  // One play-start for the shown result: the one SetIndex(0) raises.
  Rebuild(false);
  SetIndex(0);
}

void TKuzoMes::Rebuild(bool raisePlayStart) {
  Invalidate();
  CommitHistory();
  text_.clear();
  BuildPages();
  if (!pages_.empty()) {
    if (raisePlayStart) RaisePlayStart();
    relayout_ = true;
    revealReset_ = true;
  }
}

void TKuzoMes::BuildPages() {
  word_.Clear();
  word_.VarValues.clear();  // only pieces carry frozen values
  ReleaseInlineImages();
  pages_.clear();
  index_ = -1;
  rendered_ = false;
  word_.Paging = true;
  if (pieces_.pieces.size() == 1 && pieces_.pieces.front().height == 0) {
    BuildSinglePiece();
  } else if (!pieces_.pieces.empty()) {
    BuildHistoryPage();
  } else if (!references_.empty()) {
    BuildReferencePages();
  }
}

void TKuzoMes::BuildSinglePiece() {
  const THistPiece& piece = pieces_.pieces.front();
  const std::string source = pieces_.EffectiveSource(0);
  if (!SourceExists(source)) return;
  const std::optional<size_t> base = AppendCommandGlyphs(source, piece.command);
  if (!base) return;
  SetFrozenVarValues(piece.varValues);
  SyncAreaToSize();
  if (word_.AreaWidth <= 0 || word_.PageHeight <= 0) return;
  const int first = FirstGlyphOfUnits(word_, 0, piece.firstUnit);
  const int last = piece.lastUnit < 0 ? -1 : GlyphIndexOfUnits(word_, 0, piece.lastUnit) - 1;
  word_.ExpandVars(first, last, Services() ? Services()->Variables() : nullptr);
  word_.Layout(pages_, first, piece.lastUnit);
}

void TKuzoMes::BuildHistoryPage() {
  SyncAreaToSize();
  if (word_.AreaWidth <= 0 || word_.PageHeight <= 0) return;
  auto page = std::make_unique<TWdPage>();
  int64_t offset = firstOffset_;
  for (size_t i = 0; i < pieces_.pieces.size(); ++i) {
    const THistPiece& piece = pieces_.pieces[i];
    const std::string source = pieces_.EffectiveSource(i);
    if (!SourceExists(source)) break;  // the rows built so far stay
    const int baseUnits = word_.TotalUnits();
    const std::optional<size_t> base = AppendCommandGlyphs(source, piece.command);
    if (!base) continue;
    const int b = static_cast<int>(*base);
    SetFrozenVarValues(piece.varValues);
    const int first = FirstGlyphOfUnits(word_, b, piece.firstUnit);
    const int last = piece.lastUnit < 0 ? -1 : GlyphIndexOfUnits(word_, b, piece.lastUnit) - 1;
    word_.ExpandVars(first, last, Services() ? Services()->Variables() : nullptr);
    std::vector<std::unique_ptr<TWdPage>> scratch;
    word_.Layout(scratch, first, piece.lastUnit < 0 ? -1 : baseUnits + piece.lastUnit);
    if (scratch.empty()) continue;
    if (const std::optional<int64_t> bottom = MoveRows(*scratch.front(), *page, offset))
      offset = *bottom + word_.LineSpace;
  }
  pages_.push_back(std::move(page));
  // The long page scrolls instead of being cut at the window's height.
  word_.Paging = false;
}

void TKuzoMes::BuildReferencePages() {
  const int32_t areaWidth = word_.AreaWidth;
  const int32_t pageHeight = word_.PageHeight;
  TParamCollection* vars = Services() ? Services()->Variables() : nullptr;
  if (references_.size() == 1 && references_.front().page < 0) {
    // The whole command text in pages of the area it was shown in.
    const Reference& ref = references_.front();
    if (SourceExists(ref.source) && AppendCommandGlyphs(ref.source, ref.command) && ref.width >= 0) {
      word_.AreaWidth = ref.width;
      word_.PageHeight = ref.height;
      word_.ExpandVars(0, -1, vars);
      word_.Layout(pages_);
    }
  } else {
    auto page = std::make_unique<TWdPage>();
    int64_t offset = 0;
    for (const Reference& ref : references_) {
      if (!SourceExists(ref.source)) break;
      const std::optional<size_t> base = AppendCommandGlyphs(ref.source, ref.command);
      if (!base || ref.width < 0) continue;
      const int b = static_cast<int>(*base);
      word_.AreaWidth = ref.width;
      word_.PageHeight = ref.height;
      word_.ExpandVars(b, -1, vars);
      std::vector<std::unique_ptr<TWdPage>> scratch;
      word_.Layout(scratch, b, -1);
      if (ref.page < 0 || static_cast<size_t>(ref.page) >= scratch.size()) continue;
      const std::optional<int64_t> bottom = MoveRows(*scratch[static_cast<size_t>(ref.page)], *page, offset);
      // Each page takes the height of the window it was shown in, or, stacked, the height of its
      // rows and one line space.
      if (!stackMode_) offset += ref.height;
      else if (bottom) offset = *bottom + word_.LineSpace;
    }
    pages_.push_back(std::move(page));
    word_.Paging = false;
  }
  word_.AreaWidth = areaWidth;
  word_.PageHeight = pageHeight;
}

}  // namespace kuzo
