// Helpers for the text tests: words from markup, their characters, and laid-out pages.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "text/nk_word.h"
#include "text/row_dump.h"

namespace kuzo::testing {

// The characters of the word's glyph list as bytes, with "|" for each line break and "#" for
// every other operation glyph (in order).
inline std::string GlyphSummary(const TNkWord& w) {
  std::string s;
  for (size_t i = 0; i < w.GlyphCount(); ++i) {
    const TWdGlyph* g = w.Glyph(i);
    if (g->IsChar()) {
      s += static_cast<const TWdChar*>(g)->Bytes();
    } else if (g->IsReturn()) {
      s += '|';
    } else {
      s += '#';
    }
  }
  return s;
}

inline std::vector<std::string> RowTexts(const std::vector<std::unique_ptr<TWdPage>>& pages) {
  std::vector<std::string> rows;
  for (const auto& p : pages) {
    for (const auto& r : p->Rows) rows.push_back(RowText(*r));
  }
  return rows;
}

}  // namespace kuzo::testing
