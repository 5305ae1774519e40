// The history word: lays out the text of a left page with the registered history format, so the
// history can store it as pieces of history pages. It reads the text command the page came from
// through the text source, keeps that command's glyphs loaded until another command is laid out,
// and measures every laid-out page in counting units.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "components/history_store.h"
#include "text/nk_word.h"

namespace kuzo {

class ScriptTextSource;
class TParamCollection;

struct HistoryLayoutSources {
  ScriptTextSource* texts = nullptr;                       // null: no page is in the game data
  TParamCollection* variables = nullptr;                   // VAR glyphs without a frozen value
  std::function<TextSize(const std::string&)> imageSize;   // inline images; null: no place taken
};

class THistoryLayout {
 public:
  explicit THistoryLayout(HistoryLayoutSources sources);
  HistoryLayoutResult Layout(const HistoryLayoutRequest& request);
  // Text command whose glyphs the word holds now (empty source: none).
  const std::string& LoadedSource() const { return loadedSource_; }
  int32_t LoadedCommand() const { return loadedCommand_; }

 private:
  HistoryLayoutSources sources_;
  TNkWord word_;
  std::string loadedSource_;
  int32_t loadedCommand_ = -1;
};

// A layout function for TKuzoNewHistory::SetLayout that owns its history word.
HistoryLayoutFn MakeHistoryLayout(HistoryLayoutSources sources);

// The glyph index at which a unit range starting `units` counting units after glyph `base` begins:
// never before `base`, so zero-unit glyphs ending earlier text stay out of it.
int GlyphIndexOfUnits(const TNkWord& word, int base, int units);
// The first glyph of a unit range starting `units` counting units after glyph `base`. A line break
// right after the last unit before the range ends the row of that unit, so it is not part of the
// range (otherwise every page after the first would begin with an empty row).
int FirstGlyphOfUnits(const TNkWord& word, int base, int units);

}  // namespace kuzo
