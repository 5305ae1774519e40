// The settings record (round trip and older versions) and link hit testing with hover runs.
#include <gtest/gtest.h>

#include "core/byte_reader.h"
#include "graphics/font_pixel.h"
#include "text/nk_word.h"

namespace kuzo {
namespace {

TEST(WordSettingsTest, RoundTripAndOlderVersionsSkipLaterFields) {
  TNkWord a;
  a.AreaLeft = 5;
  a.FontName = "ＭＳ 明朝";
  a.Paging = false;
  a.FadeTime = 40;
  a.CaretX = 7;
  a.Speed = 300;
  a.ShadowColorDefault = 0x123456;
  a.BorderWidthDefault = 2;
  a.ShadowWidthDefault = 3;
  ByteWriter w;
  a.SaveSettings(w);
  TNkWord b;
  ByteReader r(w.Str(), "save");
  b.LoadSettings(r, 111);
  EXPECT_TRUE(r.AtEnd());
  ByteWriter again;
  b.SaveSettings(again);
  EXPECT_EQ(again.Str(), w.Str());
  EXPECT_EQ(b.FontName, "ＭＳ 明朝");
  EXPECT_FALSE(b.Paging);

  // Version 110 stores the shadow colour but not the widths; older ones neither.
  std::string v110 = w.Str().substr(0, w.Size() - 8);
  TNkWord c;
  ByteReader r110(v110, "save");
  c.LoadSettings(r110, 110);
  EXPECT_TRUE(r110.AtEnd());
  EXPECT_EQ(c.ShadowColorDefault, 0x123456);
  EXPECT_EQ(c.BorderWidthDefault, 0);
  std::string v100 = w.Str().substr(0, w.Size() - 12);
  TNkWord d;
  ByteReader r100(v100, "save");
  d.LoadSettings(r100, 100);
  EXPECT_TRUE(r100.AtEnd());
  EXPECT_EQ(d.ShadowColorDefault, 0);
  ByteReader shortRead(std::string_view(w.Str()).substr(0, 20), "save");
  EXPECT_THROW(d.LoadSettings(shortRead, 111), FormatError);
}

TEST(LinkHoverTest, HoverCoversTheWholeLinkRunAndOnlyShownGlyphs) {
  TNkWord w;
  w.FontSize = 10;
  w.AreaWidth = 200;
  w.PageHeight = 50;
  w.AreaLeft = 100;
  w.FadeTime = 0;
  w.SetText("ab<A HREF=x>cd</A><A HREF=y>e</A>");
  std::vector<std::unique_ptr<TWdPage>> pages;
  w.Layout(pages);
  TWdPage& page = *pages[0];
  TFontPixelManager glyphs;
  w.Render(page, glyphs);
  w.ResetReveal(page);
  EXPECT_EQ(w.HitTest(page, 125, 5), nullptr);  // not revealed yet
  w.Step(page, 16);
  TWdReal* d = w.HitTest(page, 135, 5);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->Link, "x");
  EXPECT_EQ(w.HitTest(page, 95, 5), nullptr);

  auto hovered = [&] {
    std::string s;
    for (size_t i = 0; i < w.GlyphCount(); ++i) s += static_cast<TWdReal*>(w.Glyph(i))->Hover ? 'H' : '.';
    return s;
  };
  EXPECT_TRUE(w.HoverAt(page, 135, 5, glyphs));  // over "d": the run "cd"
  EXPECT_EQ(hovered(), "..HH.");
  EXPECT_EQ(w.DirtyRects.size(), 2u);
  EXPECT_FALSE(w.HoverAt(page, 125, 5, glyphs));  // over "c": same run, nothing changes
  EXPECT_TRUE(w.HoverAt(page, 145, 5, glyphs));   // another link
  EXPECT_EQ(hovered(), "....H");
  EXPECT_TRUE(w.HoverAt(page, 105, 5, glyphs));   // plain text: no highlight
  EXPECT_EQ(hovered(), ".....");
  EXPECT_TRUE(w.HoverAt(page, 125, 5, glyphs));
  EXPECT_TRUE(w.HoverAt(page, -1, -1, glyphs));
  EXPECT_EQ(hovered(), ".....");
}

}  // namespace
}  // namespace kuzo
