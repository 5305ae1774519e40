// Layout: unbreakable runs, wrapping, the forbidden characters, ruby groups, paging, alignment,
// indents, inline images and degenerate areas.
#include <gtest/gtest.h>

#include "tests/text/text_test_util.h"
#include "text/nk_word.h"

namespace kuzo {
namespace {

using Pages = std::vector<std::unique_ptr<TWdPage>>;
using Rows = std::vector<std::string>;
using testing::RowTexts;

Pages LayOut(TNkWord& w, const std::string& markup, int32_t width, int32_t height = 1000) {
  w.FontSize = 10;
  w.AreaWidth = width;
  w.PageHeight = height;
  w.SetText(markup);
  Pages pages;
  w.Layout(pages);
  return pages;
}

TEST(LayoutWrapTest, LatinWordsWrapOnlyBetweenWords) {
  TNkWord w;
  Pages pages = LayOut(w, "hello world again", 100);
  EXPECT_EQ(RowTexts(pages), (Rows{"hello ", "world ", "again"}));
  EXPECT_EQ(pages[0]->Rows[0]->RowWidth, 60);
  EXPECT_EQ(pages[0]->Rows[1]->Y, 10);
  // A word longer than the area stays whole on an over-long row.
  pages = LayOut(w, "ab abcdefghijklmnop cd", 100);
  EXPECT_EQ(RowTexts(pages), (Rows{"ab ", "abcdefghijklmnop ", "cd"}));
  EXPECT_EQ(pages[0]->Rows[1]->RowWidth, 170);
}

TEST(LayoutWrapTest, LineStartForbiddenCharactersMoveWithThePrecedingCharacter) {
  TNkWord w;
  Pages pages = LayOut(w, "あいうえお。かき", 50);
  EXPECT_EQ(RowTexts(pages), (Rows{"あいうえ", "お。かき"}));
  // A run of closing characters stays together too.
  pages = LayOut(w, "あいうえ」！か", 50);
  EXPECT_EQ(RowTexts(pages), (Rows{"あいう", "え」！か"}));
}

TEST(LayoutWrapTest, LineEndForbiddenCharactersTakeTheNextCharacterAlong) {
  TNkWord w;
  Pages pages = LayOut(w, "あいうえ「か", 50);
  EXPECT_EQ(RowTexts(pages), (Rows{"あいうえ", "「か"}));
  // Two opening brackets in a row both move.
  pages = LayOut(w, "あいう（「か", 50);
  EXPECT_EQ(RowTexts(pages), (Rows{"あいう", "（「か"}));
  // Before a line break the bracket has nothing to take along.
  pages = LayOut(w, "あ「<BR>い", 50);
  EXPECT_EQ(RowTexts(pages), (Rows{"あ「", "い"}));
}

TEST(LayoutWrapTest, RubyGroupsAndNoBreakRunsNeverSplit) {
  TNkWord w;
  Pages pages = LayOut(w, "あいう<RUBY VALUE=かんじ>漢字漢</RUBY>え", 50);
  EXPECT_EQ(RowTexts(pages), (Rows{"あいう", "漢字漢え"}));
  EXPECT_EQ(pages[0]->Rows[1]->Height, 15);  // ruby adds half the size above
  pages = LayOut(w, "あいう<NOBR>かきく</NOBR>", 50);
  EXPECT_EQ(RowTexts(pages), (Rows{"あいう", "かきく"}));
}

TEST(LayoutWrapTest, IndentedRowsKeepTheIndentAndOverlongRunsStillAdvance) {
  TNkWord w;
  Pages pages = LayOut(w, "ab<INDENT>cd efg hij<UNDENT><BR>x", 60);
  ASSERT_EQ(RowTexts(pages), (Rows{"abcd ", "efg ", "hij", "x"}));
  EXPECT_EQ(pages[0]->Rows[1]->RowWidth, 60);  // 20 of indent, then "efg "
  EXPECT_EQ(pages[0]->Rows[1]->Glyphs[0]->Kind, GlyphKind::Space);
  EXPECT_EQ(pages[0]->Rows[1]->Glyphs[1]->X, 20);
  EXPECT_EQ(pages[0]->Rows[2]->RowWidth, 50);
  EXPECT_EQ(pages[0]->Rows[3]->RowWidth, 10);  // UNDENT
  // A run wider than the span after the indent is placed on the indented row, not on new rows
  // without end.
  pages = LayOut(w, "ab<INDENT>cdefghij", 50);
  EXPECT_EQ(RowTexts(pages), (Rows{"ab", "cdefghij"}));
  EXPECT_EQ(pages[0]->Rows[1]->RowWidth, 100);
}

TEST(LayoutDegenerateTest, NarrowZeroAndNegativeAreas) {
  TNkWord w;
  // Narrower than one glyph: one glyph per row, and layout ends.
  Pages pages = LayOut(w, "あいう", 5);
  EXPECT_EQ(RowTexts(pages), (Rows{"あ", "い", "う"}));
  // Width 0: nothing wraps, the area becomes the widest row.
  pages = LayOut(w, "abc def<BR>ab", 0);
  EXPECT_EQ(RowTexts(pages), (Rows{"abc def", "ab"}));
  EXPECT_EQ(w.AreaWidth, 70);
  // A negative width lays out nothing.
  pages = LayOut(w, "abc", -1);
  EXPECT_TRUE(pages.empty());
  // Paging with no height: one row per page, still finite.
  pages = LayOut(w, "あいうえ", 20, 0);
  EXPECT_EQ(pages.size(), 2u);
}

TEST(LayoutPagingTest, RowsThatDoNotFitStartANewPage) {
  TNkWord w;
  w.LineSpace = 2;
  Pages pages = LayOut(w, "あいうえおかきくけ", 30, 25);
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(RowTexts(pages), (Rows{"あいう", "えおか", "きくけ"}));
  EXPECT_EQ(pages[0]->Rows.size(), 2u);
  EXPECT_EQ(pages[0]->Rows[1]->Y, 12);
  EXPECT_EQ(pages[1]->Rows[0]->Y, 0);
  EXPECT_EQ(pages[0]->Height, 22);
  // BR CLEAR starts a new page even with room left.
  pages = LayOut(w, "a<BR CLEAR>b<CLEAR>c", 30, 1000);
  EXPECT_EQ(pages.size(), 3u);
  // Without paging everything stays on one page.
  w.Paging = false;
  pages = LayOut(w, "あいうえおかきくけ", 30, 25);
  EXPECT_EQ(pages.size(), 1u);
}

TEST(LayoutArrangeTest, AlignmentPlacesRowsLeftCentreAndRight) {
  TNkWord w;
  Pages pages = LayOut(w, "<DIV ALIGN=RIGHT>ab<BR></DIV><DIV ALIGN=CENTER>abc</DIV><BR>d", 100);
  ASSERT_EQ(pages[0]->Rows.size(), 3u);
  EXPECT_EQ(pages[0]->Rows[0]->Start, 80);
  EXPECT_EQ(pages[0]->Rows[0]->Glyphs[1]->X, 90);
  EXPECT_EQ(pages[0]->Rows[1]->Start, 35);  // (100 - 30) / 2
  EXPECT_EQ(pages[0]->Rows[2]->Start, 0);   // "/DIV" inside the row set the next rows' alignment
}

TEST(LayoutArrangeTest, InlineImagesRaiseTheRowByTheirAlignment) {
  TNkWord w;
  w.ImageSize = [](const std::string& name) { return name == "tall" ? TextSize{8, 30} : TextSize{}; };
  Pages pages = LayOut(w, "a<IMG SRC=tall>b<BR>c<IMG SRC=tall ALIGN=CENTER><BR>d<IMG SRC=tall ALIGN=TOP><IMG SRC=none>", 100);
  const auto& rows = pages[0]->Rows;
  ASSERT_EQ(rows.size(), 3u);
  // BOTTOM: the text sits on the image's bottom line.
  EXPECT_EQ(rows[0]->Height, 30);
  EXPECT_EQ(rows[0]->Glyphs[0]->Y, 20);
  EXPECT_EQ(rows[0]->Glyphs[1]->Y, 0);
  EXPECT_EQ(rows[0]->RowWidth, 28);
  // CENTER: half of the extra height above, half below.
  EXPECT_EQ(rows[1]->Height, 30);
  EXPECT_EQ(rows[1]->Glyphs[0]->Y, 10);
  EXPECT_EQ(rows[1]->Glyphs[1]->Y, 0);
  // TOP: the image hangs from the text line's top; a missing image takes no space.
  EXPECT_EQ(rows[2]->Height, 30);
  EXPECT_EQ(rows[2]->Glyphs[0]->Y, 0);
  EXPECT_EQ(rows[2]->Glyphs[1]->Y, 0);
  EXPECT_EQ(rows[2]->Glyphs[2]->Width, 0);
  EXPECT_EQ(RowText(*rows[2]), "d〓〓");
}

TEST(LayoutCellTest, CellSizeGrowsWithItalicRubyBorderAndShadow) {
  TNkWord w;
  w.FontSize = 10;
  w.BorderWidthDefault = 1;
  w.SetText("a<I>b</I><FONT BORDER=2 SHADOW=3 SIZE=20><RUBY VALUE=r>c</RUBY></FONT>");
  EXPECT_EQ(w.CellSize(static_cast<TWdChar&>(*w.Glyph(0))).Width, 12);  // default border on both sides
  TextSize italic = w.CellSize(static_cast<TWdChar&>(*w.Glyph(1)));
  EXPECT_EQ(italic.Width, 14);
  EXPECT_EQ(italic.Height, 12);
  TextSize big = w.CellSize(static_cast<TWdChar&>(*w.Glyph(2)));
  EXPECT_EQ(big.Width, 20 + 4 + 3);
  EXPECT_EQ(big.Height, 20 + 10 + 4 + 3);
}

TEST(LayoutRangeTest, UnitsSelectWhichGlyphsAreLaidOut) {
  TNkWord w;
  w.FontSize = 10;
  w.AreaWidth = 100;
  w.PageHeight = 100;
  w.SetText("ab<BR><EVENT VALUE=x>cd");
  EXPECT_EQ(w.IndexOfUnits(0), 0);
  EXPECT_EQ(w.IndexOfUnits(2), 2);
  EXPECT_EQ(w.IndexOfUnits(3), 4);  // the event counts one unit
  EXPECT_EQ(w.IndexOfUnits(5), 6);
  EXPECT_EQ(w.IndexOfUnits(6), -1);
  Pages pages;
  w.Layout(pages, 0, 2);
  EXPECT_EQ(RowTexts(pages), (Rows{"ab"}));
  w.Layout(pages, 3, -1);
  EXPECT_EQ(pages.size(), 2u);
  EXPECT_EQ(RowText(*pages[1]->Rows[0]), "cd");
}

// Floating images: a stored image with alignment LEFT ("fl", 30x25) or RIGHT ("fr", 20x15) sits at
// that edge of the row's free span and the rows beside it flow around it.
Pages LayOutFloats(TNkWord& w, const std::string& markup, int32_t width, int32_t height = 1000) {
  w.ImageSize = [](const std::string& name) {
    if (name == "fl") return TextSize{30, 25};
    if (name == "fr") return TextSize{20, 15};
    if (name == "tall") return TextSize{8, 30};
    return TextSize{};
  };
  w.FontSize = 10;
  w.AreaWidth = width;
  w.PageHeight = height;
  w.SetText(markup);
  // Markup cannot make floats; stored glyph lists can.
  for (size_t i = 0; i < w.GlyphCount(); ++i) {
    if (w.Glyph(i)->Kind != GlyphKind::Img) continue;
    auto& img = static_cast<TWdImg&>(*w.Glyph(i));
    if (img.Source == "fl") img.VAlign = kAlignLeft;
    if (img.Source == "fr") img.VAlign = kAlignRight;
  }
  Pages pages;
  w.Layout(pages);
  return pages;
}

std::vector<int32_t> Starts(const TWdPage& page) {
  std::vector<int32_t> starts;
  for (const auto& r : page.Rows) starts.push_back(r->Start);
  return starts;
}

TEST(LayoutFloatTest, TextFlowsBesideALeftFloatUntilItsBottom) {
  TNkWord w;
  Pages pages = LayOutFloats(w, "<IMG SRC=fl>あいうえおかきくけこさしすせそたちつてとなにぬね", 100);
  ASSERT_EQ(pages.size(), 1u);
  const TWdPage& p = *pages[0];
  // Rows at 0, 10 and 20 start right of the float (70 pixels: 7 characters); the row at 30 is
  // below it and has the whole width.
  EXPECT_EQ(RowTexts(pages), (Rows{"〓あいうえおかき", "くけこさしすせ", "そたちつてとな", "にぬね"}));
  EXPECT_EQ(Starts(p), (std::vector<int32_t>{30, 30, 30, 0}));
  const TWdGlyph& img = *p.Rows[0]->Glyphs[0];
  EXPECT_EQ(img.X, 0);
  EXPECT_EQ(img.Y, 0);
  EXPECT_EQ(p.Rows[0]->Height, 10) << "a float takes no part in its row's height";
  EXPECT_EQ(p.Rows[0]->RowWidth, 70);
  EXPECT_EQ(p.Height, 40);
  // A page whose float reaches below its rows is as high as the float.
  pages = LayOutFloats(w, "<IMG SRC=fl>あ", 100);
  EXPECT_EQ(pages[0]->Height, 25);
}

TEST(LayoutFloatTest, LeftAndRightFloatsNarrowTheSpanFromBothSides) {
  TNkWord w;
  Pages pages = LayOutFloats(w, "<IMG SRC=fl><IMG SRC=fr>あいうえおかきくけこさしすせそたち", 100);
  const TWdPage& p = *pages[0];
  EXPECT_EQ(RowTexts(pages), (Rows{"〓〓あいうえお", "かきくけこ", "さしすせそたち"}));
  EXPECT_EQ(p.Rows[0]->Glyphs[1]->X, 80);
  EXPECT_EQ(p.Rows[0]->Right, 80);
  EXPECT_EQ(p.Rows[1]->Right, 80);
  EXPECT_EQ(p.Rows[2]->Right, 100) << "the right float ends at 15";
  EXPECT_EQ(Starts(p), (std::vector<int32_t>{30, 30, 30}));
  // Right-aligned text ends at the right float.
  pages = LayOutFloats(w, "<DIV ALIGN=RIGHT><IMG SRC=fr>あ</DIV>", 100);
  EXPECT_EQ(pages[0]->Rows[0]->Start, 70);
}

TEST(LayoutFloatTest, AFloatAfterTextOpensTheNextRow) {
  TNkWord w;
  Pages pages = LayOutFloats(w, "あい<IMG SRC=fl>うえ", 100);
  const TWdPage& p = *pages[0];
  ASSERT_EQ(p.Rows.size(), 2u);
  EXPECT_EQ(RowText(*p.Rows[0]), "あい");
  EXPECT_EQ(p.Rows[1]->Y, 10) << "right below the row, without line space";
  EXPECT_EQ(RowText(*p.Rows[1]), "〓うえ");
  EXPECT_EQ(p.Rows[1]->Glyphs[0]->X, 0);
  EXPECT_EQ(p.Rows[1]->Glyphs[1]->X, 30);
  EXPECT_EQ(p.Height, 35);
}

TEST(LayoutFloatTest, PagingMovesAFloatThatDoesNotFitAndRowsMovingTakeTheirFloats) {
  TNkWord w;
  Pages pages = LayOutFloats(w, "あ<BR>い<BR><IMG SRC=fl>う", 100, 30);
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[0]->Rows.size(), 2u) << "the empty row is dropped";
  EXPECT_EQ(RowTexts(pages), (Rows{"あ", "い", "〓う"}));
  EXPECT_EQ(pages[1]->Rows[0]->Y, 0);
  EXPECT_EQ(pages[1]->Rows[0]->Start, 30);
  // A row holding a float that grows too high for the page moves whole, float and all.
  pages = LayOutFloats(w, "あ<BR><IMG SRC=fl>い<IMG SRC=tall>", 100, 30);
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(RowTexts(pages), (Rows{"あ", "〓い〓"}));
  const TWdRow& moved = *pages[1]->Rows[0];
  EXPECT_EQ(moved.Y, 0);
  EXPECT_EQ(moved.Start, 30);
  EXPECT_EQ(moved.Glyphs[0]->Row, &moved);
  // Without paging nothing moves.
  w.Paging = false;
  pages = LayOutFloats(w, "あ<BR>い<BR><IMG SRC=fl>う", 100, 30);
  EXPECT_EQ(pages.size(), 1u);
}

TEST(LayoutFloatTest, HitTestFindsAFloatBelowItsRow) {
  TNkWord w;
  Pages pages = LayOutFloats(w, "<IMG SRC=fl>あ", 100);
  auto& img = static_cast<TWdReal&>(*pages[0]->Rows[0]->Glyphs[0]);
  img.SetAlpha(255);
  EXPECT_EQ(w.HitTest(*pages[0], 5, 20), &img);
  EXPECT_EQ(w.HitTest(*pages[0], 35, 20), nullptr);
}

}  // namespace
}  // namespace kuzo
