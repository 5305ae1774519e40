// Tagged text into glyphs: blank and line-break handling, escapes, tags and their state stacks.
#include <gtest/gtest.h>

#include "core/errors.h"
#include "tests/text/text_test_util.h"
#include "text/markup_scanner.h"
#include "text/nk_word.h"

namespace kuzo {
namespace {

using testing::GlyphSummary;

const TWdChar& CharAt(const TNkWord& w, size_t i) { return static_cast<const TWdChar&>(*w.Glyph(i)); }

TEST(MarkupBlanksTest, BlanksCollapseAndLineBreaksBecomeOneBlank) {
  TNkWord w;
  w.SetText("a  b");
  EXPECT_EQ(GlyphSummary(w), "a b");
  w.SetText(std::vector<std::string>{"one", "two"});
  EXPECT_EQ(GlyphSummary(w), "one two");
  // A line break after a blank adds nothing; one at the start of a token adds nothing.
  w.SetText(std::vector<std::string>{"one ", "two"});
  EXPECT_EQ(GlyphSummary(w), "one two");
  w.SetText(std::vector<std::string>{"a<BR>", "b"});
  EXPECT_EQ(GlyphSummary(w), "a|b");
  // Tabs vanish outside preformatted text; the 0x14 blank is added once.
  w.SetText("a\tb\x14\x14" "c");
  EXPECT_EQ(GlyphSummary(w), "ab c");
}

TEST(MarkupBlanksTest, PreformattedTextKeepsLineBreaksAsBreakOperations) {
  TNkWord w;
  w.SetText(std::vector<std::string>{"<PRE>", "a  b", "c</PRE>d"});
  // The CR right after <PRE> is skipped, the next becomes a BR, blanks still collapse.
  EXPECT_EQ(GlyphSummary(w), "a b|cd");
  w.SetText(std::vector<std::string>{"<PRE>x", "</PRE>"});
  // The BR directly before </PRE> is removed.
  EXPECT_EQ(GlyphSummary(w), "x");
  w.SetText("<PRE>a\tb</PRE>");
  EXPECT_EQ(GlyphSummary(w), "a        b");
}

TEST(MarkupScannerTest, EscapesQuotesBlocksAndNestedBrackets) {
  TNkWord w;
  w.SetText("\\<B\\>");
  EXPECT_EQ(GlyphSummary(w), "<B>");
  EXPECT_EQ(CharAt(w, 1).Style->Style & kStyleBold, 0);
  w.SetText("\\\\\\%\\{\\}\\q");
  EXPECT_EQ(GlyphSummary(w), "\\%{}\\q");
  // A quoted run keeps blanks and drops line breaks inside it.
  w.SetText(std::vector<std::string>{"say \"a  b", "c\" ok"});
  EXPECT_EQ(GlyphSummary(w), "say \"a  bc\" ok");
  // Comments (nested) and script blocks display nothing.
  w.SetText("x<!-- a <!-- b --> c -->y<script>if (a<b) {}</SCRIPT>z");
  EXPECT_EQ(GlyphSummary(w), "xyz");
  // A quoted ">" inside a tag does not end it.
  w.SetText("<A HREF=\"a>b\">t</A>");
  ASSERT_EQ(w.GlyphCount(), 1u);
  EXPECT_EQ(CharAt(w, 0).Link, "a>b");
  // Nested brackets stay inside one tag; an unknown tag is ignored.
  w.SetText("p<X <Y> z>q");
  EXPECT_EQ(GlyphSummary(w), "pq");
}

TEST(MarkupScannerTest, DoubleByteTrailBytesAreNotSyntax) {
  // "ソ" is 0x83 0x5C: its trail byte is a backslash and must not escape the "<".
  TNkWord w;
  w.SetText("\x83\x5C<B>x</B>");
  ASSERT_EQ(w.GlyphCount(), 2u);
  EXPECT_EQ(CharAt(w, 0).Code, 0x835C);
  EXPECT_NE(CharAt(w, 1).Style->Style & kStyleBold, 0);
}

TEST(MarkupTagsTest, FontStacksPushAndPopAllAttributesTogether) {
  TNkWord w;
  w.SetText("<FONT SIZE=20 COLOR=#FF0000 BORDER SHADOW=-3>a<FONT>b</FONT>c</FONT>d</FONT>e");
  ASSERT_EQ(w.GlyphCount(), 5u);
  const TDecorate* a = CharAt(w, 0).Style;
  EXPECT_EQ(a->Size, 20);
  EXPECT_EQ(a->Color, 0xFF);  // red in the low byte
  EXPECT_EQ(a->BorderWidth, 1);
  EXPECT_EQ(a->ShadowWidth, 0);
  // A FONT without attributes pushes copies: same style, and /FONT restores exactly.
  EXPECT_EQ(CharAt(w, 1).Style, a);
  EXPECT_EQ(CharAt(w, 2).Style, a);
  // Past the last /FONT (and an extra one) the bottom values remain.
  for (size_t i : {3u, 4u}) {
    const TDecorate* s = CharAt(w, i).Style;
    EXPECT_EQ(s->Size, 0);
    EXPECT_EQ(s->Color, -1);
    EXPECT_EQ(s->BorderWidth, -1);
  }
  EXPECT_EQ(a->RefCount, 3);
}

TEST(MarkupTagsTest, MalformedValuesKeepTheCurrentState) {
  TNkWord w;
  w.SetText("<FONT COLOR=#00FF00 SIZE=$10>a<FONT COLOR=red SIZE=big BCOLOR=#12345>b");
  const TDecorate* b = CharAt(w, 1).Style;
  EXPECT_EQ(b->Color, 0xFF00);
  EXPECT_EQ(b->Size, 16);
  EXPECT_EQ(b->BorderColor, -1);
}

TEST(MarkupTagsTest, StyleBitsNoBreakRubyAndLinks) {
  TNkWord w;
  w.SetText("<b><i>a</b><u><s>b</i></u></s><NOBR><RUBY VALUE='かん'>c</RUBY></NOBR><a href=\"x\\\\y\">d</a>e");
  ASSERT_EQ(w.GlyphCount(), 5u);
  EXPECT_EQ(CharAt(w, 0).Style->Style, kStyleBold | kStyleItalic);
  EXPECT_EQ(CharAt(w, 1).Style->Style, kStyleItalic | kStyleUnderline | kStyleStrikeOut);
  EXPECT_TRUE(CharAt(w, 2).Style->NoBreak);
  EXPECT_EQ(CharAt(w, 2).Style->Ruby, "かん");
  EXPECT_EQ(CharAt(w, 3).Link, "x\\y");
  EXPECT_FALSE(CharAt(w, 3).Style->NoBreak);
  EXPECT_EQ(CharAt(w, 4).Link, "");
}

TEST(MarkupTagsTest, AnchorWithoutHrefFailsKeepingEarlierGlyphs) {
  TNkWord w;
  try {
    w.SetText("ab<A>c");
    FAIL() << "expected an error";
  } catch (const KuzoError& e) {
    EXPECT_STREQ(e.what(), "<A>タグにHREF値がありません");
  }
  EXPECT_EQ(GlyphSummary(w), "ab");
}

TEST(MarkupTagsTest, OperationsDivIndentBreaksEventsWaitsVarsImages) {
  TNkWord w;
  w.TextDelay = 30;
  w.SetText(
      "<DIV ALIGN=CENTER>a</DIV><DIV ALIGN=TOP><INDENT><UNDENT><BR><BR CLEAR><CLEAR>"
      "<EVENT VALUE=\"a\\nb\" END><WAIT VALUE=5>x<WAIT>y</WAIT></WAIT></WAIT>z<VAR><VAR NAME=v>"
      "<IMG><IMG SRC=p.drl ALIGN=LEFT><IMG SRC=q.drl ALIGN=center>");
  std::vector<GlyphKind> kinds;
  for (size_t i = 0; i < w.GlyphCount(); ++i) kinds.push_back(w.Glyph(i)->Kind);
  std::vector<GlyphKind> expected = {GlyphKind::Align,  GlyphKind::Char,   GlyphKind::Align,  GlyphKind::Align,
                                     GlyphKind::Indent, GlyphKind::Undent, GlyphKind::Return, GlyphKind::Return,
                                     GlyphKind::Return, GlyphKind::Event,  GlyphKind::Char,   GlyphKind::Char,
                                     GlyphKind::Char,   GlyphKind::Var,    GlyphKind::Img,    GlyphKind::Img};
  ASSERT_EQ(kinds, expected);
  EXPECT_EQ(static_cast<TWdOpeAlign*>(w.Glyph(0))->Align, kAlignCenter);
  EXPECT_EQ(static_cast<TWdOpeAlign*>(w.Glyph(2))->Align, kAlignLeft);  // /DIV back to the bottom
  EXPECT_EQ(static_cast<TWdOpeAlign*>(w.Glyph(3))->Align, kAlignLeft);  // TOP is no DIV alignment
  EXPECT_FALSE(static_cast<TWdOpeReturn*>(w.Glyph(6))->NewPage);
  EXPECT_TRUE(static_cast<TWdOpeReturn*>(w.Glyph(7))->NewPage);
  EXPECT_TRUE(static_cast<TWdOpeReturn*>(w.Glyph(8))->NewPage);
  auto* e = static_cast<TWdOpeEvent*>(w.Glyph(9));
  EXPECT_EQ(e->Value, "a\r\nb");
  EXPECT_TRUE(e->IsEnd);
  EXPECT_EQ(CharAt(w, 10).Wait, 5);
  EXPECT_EQ(CharAt(w, 11).Wait, 5);   // WAIT without VALUE pushes the current delay
  EXPECT_EQ(CharAt(w, 12).Wait, 30);  // the extra /WAIT leaves the bottom ("@TextDelay")
  EXPECT_EQ(static_cast<TWdOpeVar*>(w.Glyph(13))->Expr, "v");
  EXPECT_EQ(static_cast<TWdImg*>(w.Glyph(14))->VAlign, kAlignBottom);  // LEFT is no image alignment
  EXPECT_EQ(static_cast<TWdImg*>(w.Glyph(15))->VAlign, kAlignCenter);
}

TEST(MarkupTagsTest, DeepNestingIsCappedButStaysPaired) {
  std::string text;
  for (size_t i = 0; i < kMaxTagNesting + 50; ++i) text += "<FONT SIZE=" + std::to_string(i + 1) + ">";
  text += "a";
  for (size_t i = 0; i < kMaxTagNesting + 49; ++i) text += "</FONT>";
  text += "b</FONT>c";
  TNkWord w;
  w.SetText(text);
  ASSERT_EQ(w.GlyphCount(), 3u);
  EXPECT_EQ(CharAt(w, 0).Style->Size, static_cast<int32_t>(kMaxTagNesting));
  EXPECT_EQ(CharAt(w, 1).Style->Size, 1);
  EXPECT_EQ(CharAt(w, 2).Style->Size, 0);
}

TEST(MarkupTagParseTest, AttributesQuotedUnquotedAndFlags) {
  MarkupTag t = ParseTag("< img  src='a b.drl' align=top END x=\"unclosed >");
  EXPECT_EQ(t.Name, "IMG");
  ASSERT_EQ(t.Attributes.size(), 4u);
  EXPECT_EQ(t.Attributes[0].Value, "a b.drl");
  EXPECT_EQ(t.Attributes[1].Name, "ALIGN");
  EXPECT_EQ(t.Attributes[1].Value, "top");
  EXPECT_FALSE(t.Attributes[2].HasValue);
  EXPECT_EQ(t.Attributes[3].Value, "unclosed");
}

TEST(VarExpansionTest, FrozenValuesInsertCharactersAndBreaksAndCollapse) {
  TNkWord w;
  w.SetText("<B>a<VAR NAME=name>b</B>");
  w.VarValues = {{"name", "x\x01y\x02z"}};
  w.ExpandVars(0, -1, nullptr);
  EXPECT_EQ(GlyphSummary(w), "a#x|yzb");
  EXPECT_EQ(w.Glyph(2)->Kind, GlyphKind::VarChar);
  EXPECT_NE(static_cast<TWdChar*>(w.Glyph(2))->Style->Style & kStyleBold, 0);
  EXPECT_EQ(w.UnitsBefore(w.Glyph(6)), 1);  // inserted glyphs count no units
  w.ExpandVars(0, -1, nullptr);             // expanding twice inserts once
  EXPECT_EQ(GlyphSummary(w), "a#x|yzb");
  w.CollapseVars(0, -1);
  EXPECT_EQ(GlyphSummary(w), "a#b");
  EXPECT_EQ(static_cast<TWdChar*>(w.Glyph(0))->Style->RefCount, 3);  // a, VAR, b
}

TEST(VarExpansionTest, LongValuesAreCappedAndUnknownNamesInsertNothing) {
  TNkWord w;
  w.SetText("<VAR NAME=long><VAR NAME=missing>");
  w.VarValues = {{"long", std::string(kMaxVarExpansion * 3, 'x')}};
  w.ExpandVars(0, -1, nullptr);
  EXPECT_EQ(w.GlyphCount(), 2 + kMaxVarExpansion);
}

}  // namespace
}  // namespace kuzo
