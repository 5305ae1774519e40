// Message text in title sources: "> " lines after a text command compile into the command's stored
// glyph list exactly as the markup converts at the page's text delay; the flags default to what an
// author expects; misplaced or broken text is an error naming file and line; and the page dump shows
// the list as markup again.
#include <gtest/gtest.h>

#include "authoring/page_compiler.h"
#include "authoring/page_dump.h"
#include "authoring/title_builder.h"
#include "core/byte_reader.h"
#include "platform/cp932.h"
#include "script/command_codes.h"
#include "script/page.h"
#include "text/nk_word.h"

namespace kuzo {
namespace {

// Sources are UTF-8 (plain literals are Shift-JIS in this build).
std::string U8(std::u8string_view s) { return std::string(s.begin(), s.end()); }

std::unique_ptr<TPage> One(const std::string& text) {
  auto pages = CompilePages({{"main.kss", text}});
  return std::move(pages.at(0));
}

std::string ErrorOf(const std::string& text) {
  try {
    CompilePages({{"main.kss", text}});
  } catch (const BuildError& e) {
    return e.what();
  }
  return "no error";
}

// The stored glyph list the player's own conversion makes of these markup lines (UTF-8 here).
std::string Converted(const std::vector<std::u8string_view>& utf8Lines, int32_t delay = 50) {
  std::vector<std::string> lines;
  for (const auto& l : utf8Lines) lines.push_back(*platform::Utf8ToCp932Strict(U8(l)));
  TNkWord w;
  w.TextDelay = delay;
  w.SetText(lines);
  ByteWriter out;
  w.WriteGlyphs(out);
  return out.Take();
}

std::string GlyphsOf(TPage& p, int i) { return p.At(i).fields[field::kTextGlyphs].text; }
bool IsFlag(TPage& p, int i, size_t f, const char* value) {
  return p.At(i).fields[f].expr.Describe() == Expr::Compile(value).Describe();
}

TEST(MessageText, LinesAfterATextCommandBecomeItsGlyphList) {
  auto p = One(U8(
      u8"text \"mes\"\n"
      u8"  > 「おはよう」と<RUBY VALUE=\"かのじょ\">彼女</RUBY>は言った。<BR>\n"
      u8"\n"
      u8"  # comments and blank lines do not end the text\n"
      u8"      >   <FONT COLOR=#FF0000 BORDER=2>赤い</FONT>行\n"
      u8">\n"
      u8"x = 1\n"
      u8"text \"mes\"\n"
      u8"> second\n"));
  ASSERT_EQ(p->Count(), 3);
  // The mark and one blank after it are dropped; the rest of the line is markup as it stands.
  EXPECT_EQ(GlyphsOf(*p, 0),
            Converted({u8"「おはよう」と<RUBY VALUE=\"かのじょ\">彼女</RUBY>は言った。<BR>",
                       u8"  <FONT COLOR=#FF0000 BORDER=2>赤い</FONT>行", u8""}));
  EXPECT_EQ(p->At(1).TypeCode(), Code(CommandCode::Calc));
  EXPECT_EQ(GlyphsOf(*p, 2), Converted({u8"second"}));
  // The text lines do not take part in the depth from indentation.
  EXPECT_EQ(p->At(1).depth, 0);
}

TEST(MessageText, FlagsDefaultToKeepReadWaitAndNoBlock) {
  auto p = One("text \"mes\"\n> a\ntext \"mes\" keepread FALSE wait FALSE block TRUE\n> b\n");
  EXPECT_TRUE(IsFlag(*p, 0, field::kTextKeepRead, "TRUE"));
  EXPECT_TRUE(IsFlag(*p, 0, field::kTextWait, "TRUE"));
  EXPECT_TRUE(IsFlag(*p, 0, field::kTextBlock, "FALSE"));
  EXPECT_TRUE(IsFlag(*p, 1, field::kTextKeepRead, "FALSE"));
  EXPECT_TRUE(IsFlag(*p, 1, field::kTextWait, "FALSE"));
  EXPECT_TRUE(IsFlag(*p, 1, field::kTextBlock, "TRUE"));
}

TEST(MessageText, PageTextDelaySetsTheDelayOfEveryGlyph) {
  auto p = One("%textdelay 20\ntext \"mes\"\n> ab<WAIT VALUE=5>c</WAIT>\n");
  EXPECT_EQ(GlyphsOf(*p, 0), Converted({u8"ab<WAIT VALUE=5>c</WAIT>"}, 20));
  EXPECT_NE(GlyphsOf(*p, 0), Converted({u8"ab<WAIT VALUE=5>c</WAIT>"}, 50));
}

TEST(MessageText, MisplacedOrBrokenTextIsAnErrorWithItsLine) {
  EXPECT_EQ(ErrorOf("x = 1\n> stray\n"), "main.kss:2: message text (>) must follow a text command or another text line");
  EXPECT_EQ(ErrorOf("text \"mes\"\n> a\nx = 1\n> b\n"),
            "main.kss:4: message text (>) must follow a text command or another text line");
  EXPECT_EQ(ErrorOf("x = 1\ntext \"mes\" glyphs 00\n> a\n"),
            "main.kss:2: a text command takes either 'glyphs' or message text lines, not both");
  const std::string noHref = ErrorOf("\ntext \"mes\"\n> fine\n> <A>link</A>\n");
  EXPECT_EQ(noHref.rfind("main.kss:2: message text: ", 0), 0u) << noHref;
  EXPECT_EQ(ErrorOf("%textdelay -1\n"), "main.kss:1: text delay must not be negative");
}

TEST(MessageText, PageDumpShowsTheTextAsMarkup) {
  auto p = One(U8(u8"text \"mes\" wait FALSE\n> 赤い<FONT COLOR=#FF0000>字</FONT><BR>\n> <A HREF=\"x\">link</A>\n"));
  const std::string dump = DumpPage(*p);  // the listing is UTF-8
  EXPECT_NE(dump.find(U8(u8"text glyphs=\"赤い<FONT COLOR=#FF0000>字</FONT><BR><A HREF=\\\"x\\\">link</A>\" window=")),
            std::string::npos)
      << dump;
  // A list that does not read stays hexadecimal, with the reason.
  auto bad = One("text \"mes\" glyphs 4E6B576F7264313130FF\n");
  const std::string badDump = DumpPage(*bad);
  EXPECT_NE(badDump.find("glyphs=4e6b576f7264313130ff ("), std::string::npos) << badDump;
}

}  // namespace
}  // namespace kuzo
