// The history word: the left page's glyph range of its text command, VAR glyphs expanded with the
// frozen values, laid out into scratch pages with the history format and measured page by page.
#include "components/history_layout.h"

#include <algorithm>

#include "core/byte_reader.h"
#include "core/errors.h"
#include "core/sjis.h"
#include "scene/script_text_source.h"

namespace kuzo {

int GlyphIndexOfUnits(const TNkWord& word, int base, int units) {
  if (units <= 0) return base;
  int count = 0;
  for (size_t i = static_cast<size_t>(std::max(base, 0)); i < word.GlyphCount(); ++i) {
    count += word.Glyph(i)->Units();
    if (count >= units) return static_cast<int>(i) + 1;
  }
  return static_cast<int>(word.GlyphCount());
}

int FirstGlyphOfUnits(const TNkWord& word, int base, int units) {
  const int i = GlyphIndexOfUnits(word, base, units);
  const bool rowEnd = units > 0 && static_cast<size_t>(i) < word.GlyphCount() && word.Glyph(static_cast<size_t>(i))->IsReturn();
  return rowEnd ? i + 1 : i;
}

THistoryLayout::THistoryLayout(HistoryLayoutSources sources) : sources_(std::move(sources)) {}

HistoryLayoutResult THistoryLayout::Layout(const HistoryLayoutRequest& request) {
  HistoryLayoutResult result;
  if (!sources_.texts || !sources_.texts->FileExists(request.source)) return result;
  result.fileExists = true;
  const bool loaded = !loadedSource_.empty() && request.command == loadedCommand_ &&
                      sjis::EqualsNoCase(request.source, loadedSource_);
  if (!loaded) {
    const std::optional<std::string> glyphs = sources_.texts->CommandGlyphs(request.source, request.command);
    if (!glyphs) return result;  // no text command: the entry stays pending
    word_.Clear();
    loadedSource_ = request.source;
    loadedCommand_ = request.command;
    ByteReader r(*glyphs, request.source);
    try {
      word_.LoadGlyphs(r);
    } catch (const FormatError&) {
      // A damaged list lays out what was read before the fault, as the window showed it.
    }
  }
  result.isTextCommand = true;

  const THistoryFormat& f = request.format;
  word_.FontSize = f.fontSize;
  word_.BorderWidthDefault = f.borderWidth;
  word_.ShadowWidthDefault = f.shadowWidth;
  word_.AreaWidth = f.width;
  word_.PageHeight = f.height;
  word_.LineSpace = f.lineSpace;
  word_.Paging = true;
  word_.ImageSize = sources_.imageSize;
  word_.VarValues = ParseFrozenVarValues(request.varValues);

  const int first = FirstGlyphOfUnits(word_, 0, request.firstUnit);
  const int last = request.lastUnit < 0 ? -1 : GlyphIndexOfUnits(word_, 0, request.lastUnit) - 1;
  word_.ExpandVars(first, last, sources_.variables);
  std::vector<std::unique_ptr<TWdPage>> scratch;
  word_.Layout(scratch, first, request.lastUnit);
  for (const auto& page : scratch) {
    THistLayoutPage laid;
    laid.height = page->Height;
    word_.PageUnitRange(*page, laid.firstUnit, laid.lastUnit);
    result.pages.push_back(laid);
  }
  scratch.clear();  // pages point into the glyphs: freed before the VAR glyphs collapse
  word_.CollapseVars(0, -1);
  return result;
}

HistoryLayoutFn MakeHistoryLayout(HistoryLayoutSources sources) {
  auto layout = std::make_shared<THistoryLayout>(std::move(sources));
  return [layout](const HistoryLayoutRequest& request) { return layout->Layout(request); };
}

}  // namespace kuzo
