// Rendering and drawing pages with real glyphs: ink inside the cells, ruby above its base, borders
// in their colour, link underlines, and drawing that respects alpha and the clip rectangle.
#include <gtest/gtest.h>

#include "graphics/font_pixel.h"
#include "text/nk_word.h"

namespace kuzo {
namespace {

struct Page {
  TNkWord word;
  std::vector<std::unique_ptr<TWdPage>> pages;
  TFontPixelManager glyphs;

  explicit Page(const std::string& markup) {
    word.FontSize = 24;
    word.AreaWidth = 200;
    word.PageHeight = 100;
    word.FadeTime = 0;
    word.SetText(markup);
    word.Layout(pages);
    word.ResetReveal(*pages[0]);
    word.Render(*pages[0], glyphs);
  }
  const TWdChar& Char(size_t i) const { return static_cast<const TWdChar&>(*word.Glyph(i)); }
  int InkIn(int left, int top, int right, int bottom) const {
    int ink = 0;
    const TDIBX& cov = word.CoverageSurface();
    for (int y = std::max(0, top); y < std::min(bottom, cov.Height()); ++y) {
      for (int x = std::max(0, left); x < std::min(right, cov.Width()); ++x) ink += cov.Lock(x, y)[0] > 0;
    }
    return ink;
  }
};

TEST(RenderTest, CharactersInkTheirCellsOnly) {
  Page p("あい");
  const TDIBX& cov = p.word.CoverageSurface();
  ASSERT_EQ(cov.Width(), 200);
  ASSERT_EQ(cov.Height(), 100);
  EXPECT_GT(p.InkIn(0, 0, 24, 24), 20);
  EXPECT_GT(p.InkIn(24, 0, 48, 24), 20);
  EXPECT_EQ(p.InkIn(48, 0, 200, 100) + p.InkIn(0, 24, 48, 100), 0);
  const TRectI& box = p.Char(0).DrawnBox;
  EXPECT_FALSE(box.Empty());
  EXPECT_GE(box.Left, 0);
  EXPECT_LE(box.Right, 24);
}

TEST(RenderTest, RubySitsAboveItsGroupAndBordersUseTheirColour) {
  Page p("<RUBY VALUE=かんじ>漢字</RUBY>");
  // Ruby of 12 px over the 48 px group, the base characters 12 px lower.
  EXPECT_GT(p.InkIn(0, 0, 48, 12), 10);
  EXPECT_GT(p.InkIn(0, 12, 48, 36), 40);
  EXPECT_LE(p.Char(0).DrawnBox.Top, 1);

  Page b("<FONT BORDER=2 BCOLOR=#0000FF COLOR=#FF0000>あ</FONT>");
  const TDIBX& color = b.word.ColorSurface();
  Pixel blue = static_cast<Pixel>(color.ColorToPixel(0xFF0000)), red = static_cast<Pixel>(color.ColorToPixel(0xFF));
  int blues = 0, reds = 0;
  for (int y = 0; y < 28; ++y) {
    for (int x = 0; x < 28; ++x) {
      blues += color.GetPixel(x, y) == blue;
      reds += color.GetPixel(x, y) == red;
    }
  }
  EXPECT_GT(blues, 20);
  EXPECT_GT(reds, 5);
}

TEST(RenderTest, LinksAreUnderlined) {
  Page plain("ab");
  Page link("<A HREF=x>ab</A>");
  // The underline band fills the bottom rows of the cells across both characters.
  EXPECT_GT(link.InkIn(0, 20, 24, 24), plain.InkIn(0, 20, 24, 24) + 10);
}

TEST(DrawTest, RevealedGlyphsDrawWithTheirAlphaInsideTheClip) {
  Page p("あい");
  TDIBX target(220, 120, 32);
  target.Fill(0x00FFFFFF);
  p.word.Target = &target;
  p.word.AreaLeft = 10;
  p.word.AreaTop = 5;
  p.word.TextColor = 0;
  auto dark = [&](int l, int t, int r, int b) {
    int n = 0;
    for (int y = t; y < b; ++y) {
      for (int x = l; x < r; ++x) n += target.GetPixel(x, y) != 0x00FFFFFFu;
    }
    return n;
  };
  p.word.Draw(*p.pages[0]);
  EXPECT_EQ(dark(0, 0, 220, 120), 0);  // nothing revealed yet
  p.word.Step(*p.pages[0], 16);
  p.word.ClipRect = {34, 0, 220, 120};  // only the second character's cell
  p.word.Draw(*p.pages[0]);
  EXPECT_EQ(dark(0, 0, 34, 120), 0);
  EXPECT_GT(dark(34, 5, 58, 29), 20);
  p.word.ClipRect = {0, 0, 220, 120};
  p.word.Draw(*p.pages[0]);
  EXPECT_GT(dark(10, 5, 34, 29), 20);
  EXPECT_EQ(dark(0, 29, 220, 120), 0);
}

TEST(DrawTest, AFloatReachingBelowItsRowDrawsWhereOnlyItsLowerPartIsRedrawn) {
  TNkWord word;
  word.FontSize = 10;
  word.AreaWidth = 100;
  word.PageHeight = 60;
  word.FadeTime = 0;
  TDIBX picture(6, 40, 32);
  picture.Fill(0x000000FF);
  word.ImageSize = [](const std::string&) { return TextSize{6, 40}; };
  word.ImageFrame = [&](const std::string&) { return TextImageFrame{&picture, nullptr}; };
  word.SetText("<IMG SRC=f>a");
  static_cast<TWdImg&>(*word.Glyph(0)).VAlign = kAlignLeft;
  std::vector<std::unique_ptr<TWdPage>> pages;
  word.Layout(pages);
  ASSERT_EQ(pages[0]->Rows[0]->Height, 10);
  word.ResetReveal(*pages[0]);
  TFontPixelManager glyphs;
  word.Render(*pages[0], glyphs);
  word.Step(*pages[0], 16);
  TDIBX target(100, 60, 32);
  target.Fill(0);
  word.Target = &target;
  word.ClipRect = {0, 30, 100, 60};  // below the row of text
  word.Draw(*pages[0]);
  EXPECT_EQ(target.GetPixel(2, 35), 0x000000FFu);
  EXPECT_EQ(target.GetPixel(2, 25), 0u) << "outside the clip";
  EXPECT_EQ(target.GetPixel(2, 45), 0u) << "below the float";
}

// A window redraws only its changed rectangles, so drawing a page band by band must give the same
// pixels as drawing it at once, also where a row's ink (ruby, borders, a centred picture beside
// the text) reaches into the next row.
TEST(DrawTest, DrawingBandByBandEqualsDrawingAtOnce) {
  TDIBX picture(12, 44, 32);
  picture.Fill(0x0000C0FF);
  for (const char* markup :
       {"<FONT BORDER=2 BCOLOR=#500000>「約束、覚えてる？」</FONT><BR>夜空の<A HREF=s>星</A><IMG SRC=m ALIGN=CENTER>を"
        "指さした。<BR><RUBY VALUE=またた>瞬</RUBY>く光が<RUBY VALUE=ほお>頬</RUBY>を照らした。",
        "<FONT SHADOW=3>影</FONT><BR><FONT BORDER=3><RUBY VALUE=るび>字</RUBY></FONT>"}) {
    TNkWord word;
    word.FontSize = 24;
    word.AreaWidth = 300;
    word.PageHeight = 200;
    word.FadeTime = 0;
    word.ImageSize = [](const std::string&) { return TextSize{12, 44}; };
    word.ImageFrame = [&](const std::string&) { return TextImageFrame{&picture, nullptr}; };
    word.SetText(markup);
    std::vector<std::unique_ptr<TWdPage>> pages;
    word.Layout(pages);
    ASSERT_FALSE(pages.empty());
    word.ResetReveal(*pages[0]);
    TFontPixelManager glyphs;
    word.Render(*pages[0], glyphs);
    for (int i = 0; i < 200 && word.HasMore(*pages[0]); ++i) word.Step(*pages[0], 100);
    TDIBX once(300, 200, 32), banded(300, 200, 32);
    once.Fill(0x00102030);
    banded.Fill(0x00102030);
    word.Target = &once;
    word.ClipRect = {0, 0, 300, 200};
    word.Draw(*pages[0]);
    word.Target = &banded;
    for (int top = 0; top < 200; top += 3) {
      word.ClipRect = {0, top, 300, std::min(top + 3, 200)};
      word.Draw(*pages[0]);
    }
    int differing = 0;
    for (int y = 0; y < 200; ++y) {
      for (int x = 0; x < 300; ++x) differing += once.GetPixel(x, y) != banded.GetPixel(x, y);
    }
    EXPECT_EQ(differing, 0) << markup;
  }
}

TEST(DrawTest, AScrollingPageRendersOnlyItsVisiblePartAndDrawsItWhereItIsScrolled) {
  TNkWord word;
  word.FontSize = 20;
  word.AreaWidth = 40;
  word.PageHeight = 40;
  word.Paging = false;
  word.FadeTime = 0;
  word.SetText("あい<BR>うえ<BR>おか<BR>きく<BR>けこ");  // rows at 0, 20, 40, 60, 80
  std::vector<std::unique_ptr<TWdPage>> pages;
  word.Layout(pages);
  ASSERT_EQ(pages.size(), 1u);
  TWdPage& page = *pages[0];
  ASSERT_EQ(page.Height, 100);
  TFontPixelManager glyphs;
  auto box = [&](size_t row) { return static_cast<const TWdReal*>(page.Rows[row]->Glyphs[0])->DrawnBox; };
  word.Render(page, glyphs);
  EXPECT_EQ(word.ColorSurface().Height(), 40) << "the window's height, not the page's";
  EXPECT_FALSE(box(1).Empty());
  EXPECT_TRUE(box(2).Empty());

  page.Reveal.ScrollOffset = 60;
  word.Render(page, glyphs);
  EXPECT_EQ(word.RenderTop(), 60);
  EXPECT_TRUE(box(1).Empty());
  EXPECT_GE(box(3).Top, 60) << "drawn boxes stay in page coordinates";
  EXPECT_LT(box(4).Top, 100);
  for (auto& row : page.Rows)
    for (TWdGlyph* g : row->Glyphs)
      if (g->IsReal()) static_cast<TWdReal*>(g)->SetAlpha(255);
  TDIBX target(40, 40, 32);
  target.Fill(0x00FFFFFF);
  word.Target = &target;
  word.TextColor = 0;
  word.Draw(page);
  auto dark = [&](int t, int b) {
    int n = 0;
    for (int y = t; y < b; ++y)
      for (int x = 0; x < 40; ++x) n += target.GetPixel(x, y) != 0x00FFFFFFu;
    return n;
  };
  EXPECT_GT(dark(0, 20), 20) << "row 3 at the top";
  EXPECT_GT(dark(20, 40), 20) << "row 4 below it";
  // Scrolled again but not rendered again: nothing but what the surfaces hold is copied.
  page.Reveal.ScrollOffset = 40;
  target.Fill(0x00FFFFFF);
  word.Draw(page);
  EXPECT_EQ(dark(0, 20), 0) << "row 2 is not on the surfaces";
  EXPECT_GT(dark(20, 40), 20) << "row 3, one row lower";
}

}  // namespace
}  // namespace kuzo
