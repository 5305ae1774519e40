// Line breaking over whole novels of the shared corpus, converted from Aozora Bunko notation, at
// three window widths: no row after an automatic break starts with a line-start-forbidden character,
// none before one ends with a line-end-forbidden character, single-byte words and ruby groups are
// never split, no row is wider than the window unless it is one unbreakable run, and every
// character is laid out exactly once, in order.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "text/aozora.h"
#include "text/nk_word.h"
#include "text/row_dump.h"

namespace kuzo {
namespace {

namespace fs = std::filesystem;

constexpr int32_t kPageHeight = 480;
constexpr int32_t kFontSize = 24;

std::vector<std::string> ReadLines(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  std::string data = ss.str();
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i < data.size(); ++i) {
    if (data[i] == '\r' || data[i] == '\n') {
      if (data[i] == '\r' && i + 1 < data.size() && data[i + 1] == '\n') ++i;
      lines.push_back(std::move(line));
      line.clear();
    } else {
      line += data[i];
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

std::vector<fs::path> Novels() {
  std::vector<fs::path> novels;
  fs::path dir = fs::path(KUZO_CORPUS_DIR) / "text";
  if (!fs::is_directory(dir)) return novels;
  for (const auto& e : fs::directory_iterator(dir)) {
    if (e.path().extension() == ".txt") novels.push_back(e.path());
  }
  std::sort(novels.begin(), novels.end());
  return novels;
}

// First and last glyph of a row that is a character or image (the indent filler and operations
// left out).
const TWdGlyph* FirstShown(const TWdRow& row) {
  for (const TWdGlyph* g : row.Glyphs) {
    if (g->IsReal()) return g;
  }
  return nullptr;
}
const TWdGlyph* LastShown(const TWdRow& row) {
  for (auto it = row.Glyphs.rbegin(); it != row.Glyphs.rend(); ++it) {
    if ((*it)->IsReal()) return *it;
  }
  return nullptr;
}

uint16_t CodeOf(const TWdGlyph* g) { return g && g->IsChar() ? static_cast<const TWdChar*>(g)->Code : 0; }

bool SingleBytePrintable(const TWdGlyph* g) { return g && g->IsChar() && CodeOf(g) >= 33 && CodeOf(g) <= 0xFF; }

std::string RubyOf(const TWdGlyph* g) {
  if (!g || !g->IsChar()) return {};
  const TDecorate* s = static_cast<const TWdChar*>(g)->Style;
  return s ? s->Ruby : std::string();
}

// No break is allowed anywhere inside the row's glyphs, except after a lone opening bracket that
// takes the next run with it.
bool IsOneUnbreakableRun(const TWdRow& row) {
  const TWdGlyph* prev = nullptr;
  for (const TWdGlyph* g : row.Glyphs) {
    if (g->Kind == GlyphKind::Space) continue;
    if (prev && BreakAllowed(*prev, *g) && !(prev->IsChar() && IsLineEndForbidden(CodeOf(prev)))) return false;
    prev = g;
  }
  return true;
}

TEST(CorpusLayoutTest, NovelsBreakRowsOnlyWhereJapaneseRulesAllow) {
  std::vector<fs::path> novels = Novels();
  ASSERT_FALSE(novels.empty()) << "no novels under " << KUZO_CORPUS_DIR << "/text";
  for (const fs::path& novel : novels) {
    std::vector<std::string> markup = AozoraToMarkup(ReadLines(novel));
    for (int32_t width : {480, 640, 1000}) {
      SCOPED_TRACE(novel.filename().string() + " at " + std::to_string(width));
      TNkWord word;
      word.FontSize = kFontSize;
      word.AreaWidth = width;
      word.PageHeight = kPageHeight;
      word.SetText(markup);
      std::vector<std::unique_ptr<TWdPage>> pages;
      word.Layout(pages);
      ASSERT_FALSE(pages.empty());

      std::string expected;
      for (size_t i = 0; i < word.GlyphCount(); ++i) {
        if (word.Glyph(i)->IsChar()) expected += static_cast<const TWdChar*>(word.Glyph(i))->Bytes();
      }
      std::string laidOut;
      const TWdRow* prevRow = nullptr;
      int automaticBreaks = 0, failures = 0;
      for (const auto& page : pages) {
        int32_t bottom = 0;
        for (const auto& row : page->Rows) {
          laidOut += RowText(*row);
          bottom = std::max(bottom, row->Y + row->Height);
          if (row->RowWidth > width && !IsOneUnbreakableRun(*row)) {
            ADD_FAILURE() << "row wider than the window: " << row->RowWidth;
            ++failures;
          }
          // A row follows an automatic break when the row before it did not end with a line break.
          bool automatic = prevRow && !prevRow->Glyphs.empty() && !prevRow->Glyphs.back()->IsReturn();
          if (automatic) {
            ++automaticBreaks;
            const TWdGlyph* before = LastShown(*prevRow);
            const TWdGlyph* after = FirstShown(*row);
            if (after && after->IsChar() && IsLineStartForbidden(CodeOf(after))) {
              ADD_FAILURE() << "row starts with a line-start-forbidden character: " << std::hex << CodeOf(after);
              ++failures;
            }
            if (before && before->IsChar() && IsLineEndForbidden(CodeOf(before))) {
              ADD_FAILURE() << "row ends with a line-end-forbidden character: " << std::hex << CodeOf(before);
              ++failures;
            }
            if (SingleBytePrintable(before) && SingleBytePrintable(after)) {
              ADD_FAILURE() << "a single-byte word is split";
              ++failures;
            }
            if (!RubyOf(before).empty() && RubyOf(before) == RubyOf(after)) {
              ADD_FAILURE() << "a ruby group is split";
              ++failures;
            }
          }
          if (failures > 10) return;
          prevRow = row.get();
        }
        if (page->Rows.size() > 1) {
          EXPECT_LE(bottom, kPageHeight);
        }
      }
      EXPECT_EQ(laidOut, expected);
      EXPECT_GT(automaticBreaks, 50);  // the widths really make the text wrap
    }
  }
}

TEST(AozoraTest, RubyNotesAndEscapes) {
  std::vector<std::string> out =
      AozoraToMarkup({"一人の下人《げにん》が｜丹塗《にぬり》の［＃「てへん＋丑」、第4水準2-12-93］a<b>", "《》"});
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0], "一人の<RUBY VALUE=\"げにん\">下人</RUBY>が<RUBY VALUE=\"にぬり\">丹塗</RUBY>のa\\<b\\><BR>");
  EXPECT_EQ(out[1], "《》<BR>");  // no base: the brackets stay text
  TNkWord w;
  w.SetText(out);
  EXPECT_EQ(static_cast<const TWdChar*>(w.Glyph(3))->Style->Ruby, "げにん");
}

}  // namespace
}  // namespace kuzo
