// Glyph lists written back as markup: converting the written markup again gives the same stored
// glyph list byte for byte (styles, links, ruby, delays, operations), for hand-made texts with
// every tag and for whole novels of the corpus; and the markup itself reads as an author writes it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/byte_reader.h"
#include "text/aozora.h"
#include "text/glyph_markup.h"
#include "text/nk_word.h"

namespace kuzo {
namespace {

constexpr int32_t kDelay = 50;

std::string Stored(const TNkWord& w) {
  ByteWriter out;
  w.WriteGlyphs(out);
  return out.Take();
}

std::string Stored(const std::string& markup, int32_t delay = kDelay) {
  TNkWord w;
  w.TextDelay = delay;
  w.SetText(markup);
  return Stored(w);
}

std::string MarkupOf(const std::string& markup, int32_t delay = kDelay) {
  TNkWord w;
  w.TextDelay = delay;
  w.SetText(markup);
  return GlyphsToMarkup(w, delay);
}

// The markup of `source` converted again gives the glyph list of `source`.
void ExpectRoundTrip(const std::string& source) {
  const std::string written = MarkupOf(source);
  EXPECT_EQ(Stored(written), Stored(source)) << "source: " << source << "\nwritten: " << written;
}

TEST(GlyphMarkup, EveryTagRoundTrips) {
  const char* sources[] = {
      "plain text",
      "「おはよう」と<RUBY VALUE=\"かのじょ\">彼女</RUBY>は言った。<BR>次の行",
      "<B>bold <I>both</B> italic</I> <U>under</U><S>strike</S>",
      "<FONT SIZE=30 COLOR=#FF8000 BCOLOR=#010203 SCOLOR=#000000 NAME=\"ＭＳ 明朝\" BORDER=2 SHADOW=3>big</FONT>x",
      "<FONT COLOR=#FF0000>red <FONT SIZE=10>small red</FONT> red</FONT> plain",
      "<A HREF=\"page\">link</A> and <A HREF='a\\\\b'>back</A>",
      "<NOBR>no break here</NOBR> <DIV ALIGN=CENTER>centre</DIV><DIV ALIGN=RIGHT>r</DIV>",
      "<INDENT>in<UNDENT>out<CLEAR>next page<BR CLEAR>again",
      "<EVENT VALUE=\"a\\nb\" END><EVENT VALUE=\"plain\">x",
      "<WAIT VALUE=10>fast<WAIT VALUE=200>slow</WAIT>fast</WAIT>normal",
      "<VAR NAME=\"@TextDelay\"><B><VAR NAME=\"x + 1\"></B>",
      "<IMG SRC=\"a.png\"><IMG SRC=\"b.png\" ALIGN=TOP><RUBY VALUE=\"る\"><IMG SRC=\"c.png\" ALIGN=CENTER></RUBY>",
      "\\<B\\> \\\\ \\% \\{ \\}",
      " leading blank",
  };
  for (const char* s : sources) ExpectRoundTrip(s);  // literals are Shift-JIS in this build
}

TEST(GlyphMarkup, BlanksThatMarkupWouldCollapseAreKept) {
  // Two blanks come from a quoted run or from blanks in two text runs; both must survive.
  ExpectRoundTrip("a <B></B> b");
  ExpectRoundTrip("say \"two  blanks\" now");
  const std::string written = MarkupOf("a <B></B> b");
  EXPECT_EQ(written, "a <> b");
}

TEST(GlyphMarkup, WritesWhatAnAuthorWrites) {
  EXPECT_EQ(MarkupOf("<FONT COLOR=#FF0000 BORDER=2>赤い</FONT>文字"), "<FONT COLOR=#FF0000 BORDER=2>赤い</FONT>文字");
  EXPECT_EQ(MarkupOf("a<BR>b<CLEAR>"), "a<BR>b<CLEAR>");
  // Delays equal to the one the text is converted with need no WAIT tag.
  EXPECT_EQ(MarkupOf("<WAIT VALUE=50>a</WAIT><WAIT VALUE=7>b</WAIT>"), "a<WAIT VALUE=7>b</WAIT>");
  // Tags left open at the end are closed.
  EXPECT_EQ(MarkupOf("<B><A HREF=\"x\">y"), "<B><A HREF=\"x\">y</B></A>");
}

TEST(GlyphMarkup, ADelayDifferentFromTheBaseIsWrittenOnEveryGlyph) {
  // Text converted at delay 30 and written for delay 50 converts back at 50 to the same delays.
  TNkWord w;
  w.TextDelay = 30;
  w.SetText("ab");
  const std::string written = GlyphsToMarkup(w, kDelay);
  EXPECT_EQ(written, "<WAIT VALUE=30>ab</WAIT>");
  EXPECT_EQ(Stored(written, kDelay), Stored(w));
}

TEST(GlyphMarkup, StoredListsWithoutMarkupFormStillConvert) {
  // A stored list may hold what no markup makes: a colour with its high byte set and a DIV
  // alignment of TOP. The writer gives the nearest markup instead of failing.
  TNkWord w;
  w.SetText("<DIV ALIGN=CENTER>x");
  ByteWriter out;
  w.WriteGlyphs(out);
  std::string bytes = out.Take();
  const size_t align = bytes.rfind(std::string("\x02\x03", 2));
  ASSERT_NE(align, std::string::npos);
  bytes[align + 1] = kAlignTop;
  TNkWord loaded;
  ByteReader r(bytes, "glyphs");
  loaded.LoadGlyphs(r);
  EXPECT_EQ(GlyphsToMarkup(loaded, 0), "<DIV ALIGN=TOP>x");
}

std::vector<std::string> ReadLines(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  const std::string data = ss.str();
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
  return lines;
}

TEST(GlyphMarkup, CorpusNovelsRoundTrip) {
  const std::filesystem::path dir = std::filesystem::path(KUZO_CORPUS_DIR) / "text";
  ASSERT_TRUE(std::filesystem::is_directory(dir)) << dir;
  int novels = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    if (e.path().extension() != ".txt") continue;
    SCOPED_TRACE(e.path().filename().string());
    TNkWord w;
    w.TextDelay = kDelay;
    w.SetText(AozoraToMarkup(ReadLines(e.path())));
    const std::string original = Stored(w);
    EXPECT_EQ(Stored(GlyphsToMarkup(w, kDelay)), original);
    ++novels;
  }
  EXPECT_GT(novels, 0);
}

}  // namespace
}  // namespace kuzo
