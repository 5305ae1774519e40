// Inline images in the message window: laid out at their picture's size (missing files take no
// space), drawn from the image cache once revealed with the key or mask and the ImageAlpha rule,
// cut at the text area, and given back to the cache when the text changes.
#include <gtest/gtest.h>

#include "components/kuzo_mes.h"
#include "graphics/font_pixel.h"
#include "picture_scene.h"

namespace kuzo {
namespace {

using testing::DrelOf;
using testing::PictureScene;
using testing::TestFrame;

constexpr int32_t kKey = 0x00FF00;
constexpr int32_t kRed = 0xFF0000;
constexpr int32_t kBlue = 0x0000FF;

struct MesImageScene : PictureScene {
  TFontPixelManager glyphs;
  MesImageScene() : PictureScene(64, 48) {
    ServiceSlots slots = scene.Slots();
    slots.glyphs = &glyphs;
    scene.SetSlots(slots);
    // 3 x 2: a key pixel at (0, 0), red elsewhere.
    files["p.drl"] = DrelOf({TestFrame{{{kKey, kRed, kRed}, {kRed, kRed, kRed}}, 100, kKey, {}}});
    // 2 x 1 blue with a mask hiding its left pixel.
    files["m.drl"] = DrelOf({TestFrame{{{kBlue, kBlue}}, 100, -1, {{0, 255}}}});
    // 4 x 30: taller than the window.
    files["tall.drl"] = DrelOf({TestFrame{std::vector<std::vector<int32_t>>(30, std::vector<int32_t>(4, kRed)), 100, -1, {}}});
  }
  TKuzoMes* Window(int32_t left, int32_t top, int32_t width, int32_t height) {
    auto* mes = static_cast<TKuzoMes*>(scene.CreateByKind(LT_MES));
    mes->SetName("mes");
    mes->SetParent(scene.ActiveBase());
    mes->SetBounds(left, top, width, height);
    mes->SetIntProp(PR_WIDTH, width);
    mes->SetIntProp(PR_HEIGHT, height);
    mes->SetIntProp(PR_FONTHEIGHT, 12);
    mes->SetIntProp(PR_TEXTDELAY, 256);
    return mes;
  }
  // Runs frames until the shown page has typed out, then draws.
  void TypeOut(TKuzoMes* mes) {
    for (int i = 0; i < 20 && mes->GetPlayState() == 0; ++i) scene.Tick();
    scene.Tick();
    Draw();
  }
};

const TWdImg* FirstImage(const TKuzoMes& mes) {
  for (const auto& row : mes.ShownPage()->Rows)
    for (const TWdGlyph* g : row->Glyphs)
      if (g->Kind == GlyphKind::Img) return static_cast<const TWdImg*>(g);
  return nullptr;
}

TEST(MesImagesLayout, ImagesTakeTheirPictureSizeAndMissingFilesNone) {
  MesImageScene s;
  TKuzoMes* mes = s.Window(0, 0, 60, 40);
  mes->SetStrProp(PR_TEXT, "A<IMG SRC=\"p.drl\">B");
  ASSERT_EQ(mes->GetCount(), 1);
  const TWdImg* img = FirstImage(*mes);
  ASSERT_NE(img, nullptr);
  EXPECT_EQ(img->Width, 3);
  EXPECT_EQ(img->Height, 2);
  // The image sits right after the character cell of A and is bottom-aligned in the row.
  EXPECT_EQ(img->X, 12);
  EXPECT_EQ(img->Y + img->Height, img->Row->Height);

  mes->SetStrProp(PR_TEXT, "A<IMG SRC=\"absent.drl\">B");
  img = FirstImage(*mes);
  ASSERT_NE(img, nullptr);
  EXPECT_EQ(img->Width, 0);
  EXPECT_EQ(img->Height, 0);
}

TEST(MesImagesLayout, AnImageTallerThanTheCharactersRaisesItsRow) {
  MesImageScene s;
  TKuzoMes* mes = s.Window(0, 0, 60, 40);
  mes->SetStrProp(PR_TEXT, "<IMG SRC=\"tall.drl\">A");
  ASSERT_GE(mes->GetCount(), 1);
  const TWdImg* img = FirstImage(*mes);
  ASSERT_NE(img, nullptr);
  EXPECT_EQ(img->Height, 30);
  EXPECT_EQ(img->Row->Height, 30);
}

TEST(MesImagesDrawing, RevealedImageDrawsWithItsKeyOnlyOnceShown) {
  MesImageScene s;
  TKuzoMes* mes = s.Window(5, 4, 50, 30);
  mes->SetStrProp(PR_TEXT, "<WAIT VALUE=2000><IMG SRC=\"p.drl\"></WAIT>");
  s.Draw();
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) ASSERT_EQ(s.At(x, y), 0) << x << "," << y;
  s.TypeOut(mes);
  const TWdImg* img = FirstImage(*mes);
  ASSERT_NE(img, nullptr);
  ASSERT_EQ(img->Alpha, 255);
  const TRectI at = mes->Word().DestRect(*mes->ShownPage(), *img);
  EXPECT_EQ(at.Left, 5);
  EXPECT_EQ(s.At(at.Left, at.Top), 0);  // the key pixel stays transparent
  EXPECT_EQ(s.At(at.Left + 1, at.Top), kRed);
  EXPECT_EQ(s.At(at.Left + 2, at.Top + 1), kRed);
  EXPECT_EQ(s.At(at.Left + 3, at.Top + 1), 0);
  EXPECT_EQ(s.At(at.Left, at.Top + 2), 0);
}

TEST(MesImagesDrawing, ImageAlphaBlendsBelowAndAddsAbove255) {
  // Reference: the same picture drawn with the plain opacity rule onto a black surface.
  auto expected = [](int opacity) {
    TDIBX picture(1, 1, 32), target(1, 1, 32);
    target.Fill(0);
    picture.SetPixel(0, 0, kRed);
    target.DrawOpacity(0, 0, opacity, nullptr, false, false, picture.BoundsRect(), picture);
    return static_cast<int32_t>(target.GetPixel(0, 0) & 0xFFFFFF);
  };
  const struct {
    int32_t imageAlpha;
    int opacity;
  } cases[] = {{128, 127}, {1, 0}, {384, 256 + 127}, {511, 256 + 254}};
  for (const auto& c : cases) {
    MesImageScene s;
    TKuzoMes* mes = s.Window(0, 0, 50, 30);
    mes->SetIntProp(PR_ALPHA, c.imageAlpha);
    EXPECT_EQ(mes->Word().ImageOpacity(255), c.opacity) << c.imageAlpha;
    mes->SetStrProp(PR_TEXT, "<IMG SRC=\"p.drl\">");
    s.TypeOut(mes);
    const TRectI at = mes->Word().DestRect(*mes->ShownPage(), *FirstImage(*mes));
    EXPECT_EQ(s.At(at.Left + 1, at.Top), expected(c.opacity)) << c.imageAlpha;
  }
  // A half-revealed glyph scales the strength too.
  MesImageScene s;
  TKuzoMes* mes = s.Window(0, 0, 50, 30);
  mes->SetIntProp(PR_ALPHA, 384);
  EXPECT_EQ(mes->Word().ImageOpacity(128), 256 + 64);
  EXPECT_EQ(mes->Word().ImageOpacity(1), 0);  // strength 0 draws nothing, never a plain copy
}

TEST(MesImagesDrawing, MaskWinsAndTheTextAreaCutsTheImage) {
  MesImageScene s;
  TKuzoMes* mes = s.Window(2, 2, 30, 20);
  mes->SetStrProp(PR_TEXT, "<IMG SRC=\"m.drl\">");
  s.TypeOut(mes);
  const TRectI m = mes->Word().DestRect(*mes->ShownPage(), *FirstImage(*mes));
  EXPECT_EQ(s.At(m.Left, m.Top), 0);
  EXPECT_EQ(s.At(m.Left + 1, m.Top), kBlue);

  // A picture taller than the window is laid out whole but drawn only inside the window.
  mes->SetStrProp(PR_TEXT, "<IMG SRC=\"tall.drl\">");
  s.TypeOut(mes);
  const TRectI t = mes->Word().DestRect(*mes->ShownPage(), *FirstImage(*mes));
  ASSERT_EQ(t.Bottom - t.Top, 30);
  for (int y = 0; y < 48; ++y) EXPECT_EQ(s.At(t.Left, y), y >= 2 && y < 22 ? kRed : 0) << y;
}

TEST(MesImagesDrawing, RevealedAnimationsStepTheirFramesAndRepaint) {
  MesImageScene s;
  // Two 1 x 1 frames of 50 ms: red, then blue.
  s.files["anim.drl"] = DrelOf({TestFrame{{{kRed}}, 50, -1, {}}, TestFrame{{{kBlue}}, 50, -1, {}}});
  TKuzoMes* mes = s.Window(0, 0, 50, 30);
  mes->SetStrProp(PR_TEXT, "<IMG SRC=\"anim.drl\"><IMG SRC=\"anim.drl\">");
  s.TypeOut(mes);
  const TWdPage& page = *mes->ShownPage();
  ASSERT_EQ(page.Reveal.Animated.size(), 2u);
  const TRectI a = mes->Word().DestRect(page, *page.Reveal.Animated[0]);
  const TRectI b = mes->Word().DestRect(page, *page.Reveal.Animated[1]);
  std::vector<int32_t> seen;
  for (int i = 0; i < 24; ++i) {
    s.Frame();
    // Both glyphs show the one list's frame, and the repaint reaches the scene.
    ASSERT_EQ(s.At(a.Left, a.Top), s.At(b.Left, b.Top)) << i;
    if (seen.empty() || seen.back() != s.At(a.Left, a.Top)) seen.push_back(s.At(a.Left, a.Top));
  }
  // 24 frames of 16 ms cover several 50 ms frames: the colours alternate, nothing else shows.
  ASSERT_GE(seen.size(), 4u);
  ASSERT_TRUE(seen[0] == kRed || seen[0] == kBlue);
  for (size_t i = 1; i < seen.size(); ++i) EXPECT_EQ(seen[i], seen[i - 1] == kRed ? kBlue : kRed) << i;
}

TEST(MesImagesCache, NewTextAndClearingGiveThePicturesBack) {
  MesImageScene s;
  TKuzoMes* mes = s.Window(0, 0, 50, 30);
  mes->SetStrProp(PR_TEXT, "<IMG SRC=\"p.drl\">");
  s.TypeOut(mes);
  const TDrelItem* item = s.cache.FindItem("p.drl");
  ASSERT_NE(item, nullptr);
  EXPECT_TRUE(item->InUse());
  mes->SetStrProp(PR_TEXT, "AB");
  EXPECT_FALSE(item->InUse());
  mes->SetStrProp(PR_TEXT, "<IMG SRC=\"p.drl\">");
  EXPECT_TRUE(s.cache.FindItem("p.drl")->InUse());
  mes->ClearText();
  EXPECT_FALSE(s.cache.FindItem("p.drl")->InUse());

  // Two spellings of one file share the window's one hold on it.
  mes->SetStrProp(PR_TEXT, "<IMG SRC=\"p.drl\"><IMG SRC=\"P.DRL\">");
  s.TypeOut(mes);
  int shown = 0;
  for (const auto& row : mes->ShownPage()->Rows)
    for (const TWdGlyph* g : row->Glyphs)
      if (g->Kind == GlyphKind::Img && g->Width == 3 && static_cast<const TWdImg*>(g)->Alpha == 255) ++shown;
  EXPECT_EQ(shown, 2);
  EXPECT_TRUE(s.cache.FindItem("p.drl")->InUse());
  mes->SetStrProp(PR_TEXT, "AB");
  EXPECT_FALSE(s.cache.FindItem("p.drl")->InUse());
}

}  // namespace
}  // namespace kuzo
