// Glyph primitives and character drawing, exact to the bit on small surfaces: coverage
// accumulation, channel mixing, outline stamping order and clipping, bands, blanks, and surfaces
// the primitives must leave alone.
#include "graphics/glyph_draw.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace kuzo {
namespace {

// A hand-made glyph of the given coverage rows.
TFontPixel MakeGlyph(const std::vector<std::vector<uint8_t>>& rows) {
  TFontPixel g;
  g.Glyph.SetSize(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()), 8);
  for (size_t y = 0; y < rows.size(); ++y) {
    for (size_t x = 0; x < rows[y].size(); ++x) g.Glyph.Lock(static_cast<int>(x), static_cast<int>(y))[0] = rows[y][x];
  }
  return g;
}

uint32_t Px(const TDIBX& d, int x, int y) { return d.GetPixel(x, y); }
uint8_t Cov(const TDIBX& d, int x, int y) { return d.Lock(x, y)[0]; }

TEST(GlyphPrimitiveTest, DrawOverAccumulatesCoverageAndWeightsTheColour) {
  TFontPixel g = MakeGlyph({{128, 255, 0}});
  TDIBX color(3, 2, 32), cov(3, 2, 8);
  color.Fill(0x000000FF);
  cov.Fill(0);
  cov.Lock(0, 1)[0] = 255;
  DrawOver(g, color, cov, 0, 0, 0x00FF8040);
  // Onto coverage 0 with c = 128: coverage 128, colour at full weight: (v*255) >> 8 per channel.
  EXPECT_EQ(Cov(cov, 0, 0), 128);
  EXPECT_EQ(Px(color, 0, 0), 0x00FE7F3Fu);
  EXPECT_EQ(Cov(cov, 1, 0), 255);
  EXPECT_EQ(Px(color, 1, 0), 0x00FF8040u);
  EXPECT_EQ(Px(color, 2, 0), 0x000000FFu);
  // Onto coverage 255 with c = 128: coverage stays 255, weight 128 against 127.
  DrawOver(g, color, cov, 0, 1, 0x00FF0000);
  EXPECT_EQ(Cov(cov, 0, 1), 255);
  EXPECT_EQ(Px(color, 0, 1), 0x007F007Eu);
  // Partial coverage over partial coverage: a' = 100 + 100*155/255 = 160, w = 100*255/160 = 159.
  TFontPixel h = MakeGlyph({{100}});
  TDIBX c2(1, 1, 32), a2(1, 1, 8);
  c2.Fill(0);
  a2.Fill(100);
  DrawOver(h, c2, a2, 0, 0, 0x00000080);
  EXPECT_EQ(Cov(a2, 0, 0), 160);
  EXPECT_EQ(Px(c2, 0, 0), (0x80u * 159u) >> 8);
}

TEST(GlyphPrimitiveTest, SolidOnColorMarkAndMax) {
  TFontPixel g = MakeGlyph({{0, 100, 255}});
  TDIBX color(3, 1, 32), cov(3, 1, 8);
  color.Fill(0x00111111);
  DrawSolid(g, color, 0, 0, 0x00ABCDEF);
  EXPECT_EQ(Px(color, 0, 0), 0x00111111u);
  EXPECT_EQ(Px(color, 1, 0), 0x00ABCDEFu);
  DrawOnColor(g, color, 0, 0, 0x00000000, 0x000000FF);
  EXPECT_EQ(Px(color, 1, 0), 99u);  // (100*255 + 0*155) >> 8
  EXPECT_EQ(Px(color, 2, 0), 0xFFu);
  cov.Fill(150);
  MaxCoverage(g, cov, 0, 0);
  EXPECT_EQ(Cov(cov, 0, 0), 150);
  EXPECT_EQ(Cov(cov, 1, 0), 150);
  EXPECT_EQ(Cov(cov, 2, 0), 255);
  cov.Fill(0);
  MarkCoverage(g, cov, 0, 0);
  EXPECT_EQ(Cov(cov, 0, 0), 0);
  EXPECT_EQ(Cov(cov, 1, 0), 255);
}

TEST(GlyphPrimitiveTest, OnColorMixesEveryCoverageAndFollowsColourChanges) {
  // Every coverage value in one row; drawn with one pair of colours, then another (the mixed pixels
  // come from a table that must follow the colours and the surface layout).
  std::vector<uint8_t> all(256);
  for (int c = 0; c < 256; ++c) all[static_cast<size_t>(c)] = static_cast<uint8_t>(c);
  TFontPixel g = MakeGlyph({all});
  struct Case {
    int bits;
    Pixel fg, bg;
  };
  for (Case k : {Case{32, 0x00FF8040u, 0x00102030u}, Case{32, 0x00123456u, 0x00FEDCBAu}, Case{16, 0xF81Fu, 0x07E0u},
                 Case{15, 0x7C1Fu, 0x03E0u}, Case{16, 0x7C1Fu, 0x03E0u}, Case{32, 0x00FF8040u, 0x00102030u}}) {
    TDIBX color(256, 1, k.bits);
    color.Fill(0x5555);
    DrawOnColor(g, color, 0, 0, k.bg, k.fg);
    EXPECT_EQ(Px(color, 0, 0), 0x5555u) << k.bits;  // no coverage: untouched
    for (uint32_t c = 1; c < 256; ++c) {
      uint32_t expected = 0;
      for (uint32_t m : {color.RedMask(), color.GreenMask(), color.BlueMask()})
        expected |= static_cast<uint32_t>(((uint64_t{k.fg & m} * c + uint64_t{k.bg & m} * (255u - c)) >> 8)) & m;
      if (c == 255) expected = k.fg;
      ASSERT_EQ(Px(color, static_cast<int>(c), 0), expected) << "coverage " << c << " bits " << k.bits;
    }
  }
}

TEST(GlyphPrimitiveTest, SixteenBitSurfacesMixPerChannelAndOtherDepthsStayUntouched) {
  TFontPixel g = MakeGlyph({{128}});
  TDIBX c16(1, 1, 16), a(1, 1, 8);
  c16.Fill(0);
  a.Fill(0);
  uint32_t white = c16.RedMask() | c16.GreenMask() | c16.BlueMask();
  DrawOver(g, c16, a, 0, 0, white);
  uint32_t expected = 0;
  for (uint32_t m : {c16.RedMask(), c16.GreenMask(), c16.BlueMask()}) expected |= (((white & m) * 255u) >> 8) & m;
  EXPECT_EQ(Px(c16, 0, 0), expected);
  for (int bits : {8, 24}) {
    TDIBX c(2, 1, bits), cov(2, 1, 8);
    c.Fill(7);
    cov.Fill(0);
    TFontPixel full = MakeGlyph({{255, 255}});
    DrawSolid(full, c, 0, 0, 1);
    DrawOver(full, c, cov, 0, 0, 1);
    DrawOnColor(full, c, 0, 0, 1, 2);
    EXPECT_EQ(Px(c, 0, 0), 7u) << bits;
    EXPECT_EQ(Px(c, 1, 0), 7u) << bits;
  }
}

TEST(GlyphPrimitiveTest, ClippingCutsGlyphsAndOutlineStamps) {
  TFontPixel g = MakeGlyph({{255, 255}, {255, 255}});
  TDIBX color(4, 4, 32), cov(4, 4, 8);
  color.Fill(0);
  cov.Fill(0);
  color.SetClip({1, 1, 4, 4});
  DrawSolid(g, color, 0, 0, 5);  // only (1,1) is inside
  EXPECT_EQ(Px(color, 0, 0), 0u);
  EXPECT_EQ(Px(color, 1, 0), 0u);
  EXPECT_EQ(Px(color, 1, 1), 5u);
  DrawSolid(g, color, 3, 3, 6);  // only (3,3)
  EXPECT_EQ(Px(color, 3, 3), 6u);
  DrawSolid(g, color, -5, 0, 9);  // entirely outside
  // A one-pixel dot outlined with radius 1 in a corner: the stamps outside the clip are skipped.
  TFontPixel dot = MakeGlyph({{255}});
  TDIBX c2(3, 3, 32), a2(3, 3, 8);
  c2.Fill(0);
  a2.Fill(0);
  c2.SetClip({0, 0, 2, 2});
  DrawOutline(dot, c2, a2, 0x00FFFFFF, 1, 0, 0);
  EXPECT_EQ(Px(c2, 0, 0), 0u);  // the dot itself is not stamped
  EXPECT_EQ(Cov(a2, 0, 0), 0);
  EXPECT_EQ(Px(c2, 1, 0), 0x00FFFFFFu);
  EXPECT_EQ(Px(c2, 1, 1), 0x00FFFFFFu);
  EXPECT_EQ(Cov(a2, 1, 1), 255);
  EXPECT_EQ(Px(c2, 2, 2), 0u);  // outside the clip
  EXPECT_EQ(Cov(a2, 2, 1), 0);
}

TEST(GlyphPrimitiveTest, OutlineStampsAccumulateInOrder) {
  // Two pixels of coverage 128 stamp the pixel between them twice: 0 -> 128 -> 191.
  TFontPixel g = MakeGlyph({{128, 0, 128}});
  TDIBX color(3, 1, 32), cov(3, 1, 8);
  color.Fill(0);
  cov.Fill(0);
  DrawOutline(g, color, cov, 0x000000FF, 1, 0, 0);
  EXPECT_EQ(Cov(cov, 1, 0), 128 + 128 * 127 / 255);
  // First stamp: w = 255 -> 0xFE; second: a' = 191, w = 128*255/191 = 170.
  uint32_t first = (0xFFu * 255u) >> 8;
  uint32_t second = (0xFFu * 170u + first * 85u) >> 8;
  EXPECT_EQ(Px(color, 1, 0), second);
  EXPECT_EQ(Cov(cov, 0, 0), 0);  // a pixel never stamps itself; the right one reaches only column 1
}

TEST(DrawGlyphTest, BlankDrawsNothingEvenUnderlined) {
  TFontPixel blank;
  blank.UnderlineSize = 2;
  blank.Extra = 12;
  TDIBX color(8, 8, 32), cov(8, 8, 8);
  color.Fill(0);
  cov.Fill(0);
  TRect box = DrawGlyph(blank, color, cov, {1, 2, 3}, true, true, 1, 1, {0, 0, 8, 8});
  EXPECT_TRUE(box.IsEmpty());
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) ASSERT_EQ(Cov(cov, x, y), 0);
  }
}

TEST(DrawGlyphTest, PlainTextPaintsCoverageAndUnderlineBand) {
  TFontPixel g = MakeGlyph({{255, 100}});
  g.Left = 1;
  g.Top = 2;
  g.UnderlineSize = 1;
  g.FontHeight = 4;
  g.Extra = 1;  // L + E = 2 is not below g - w = 2: no centring
  TDIBX color(6, 6, 32), cov(6, 6, 8);
  color.Fill(0);
  cov.Fill(0);
  TRect box = DrawGlyph(g, color, cov, {0, 0, 0x00123456}, false, false, 0, 0, {1, 1, 5, 5});
  EXPECT_EQ(Px(color, 2, 3), 0x00123456u);
  EXPECT_EQ(Cov(cov, 2, 3), 255);
  EXPECT_EQ(Cov(cov, 3, 3), 100);
  // Underline band across the cell bottom, in coverage only.
  for (int x = 1; x < 5; ++x) EXPECT_EQ(Cov(cov, x, 4), 255);
  EXPECT_EQ(Px(color, 1, 4), 0u);
  EXPECT_EQ(box.left, 1);
  EXPECT_EQ(box.top, 3);
  EXPECT_EQ(box.right, 5);
  EXPECT_EQ(box.bottom, 5);
}

TEST(DrawGlyphTest, BorderAndShadowDrawOutlineThenTextOnBorderColour) {
  TFontPixel g = MakeGlyph({{255}});
  g.FontHeight = 1;
  TDIBX color(5, 5, 32), cov(5, 5, 8);
  color.Fill(0);
  cov.Fill(0);
  TRect box = DrawGlyph(g, color, cov, {0x00000001, 0x00000002, 0x00000003}, false, false, 1, 1, {0, 0, 4, 4});
  // Shadow outline around (2,2), the border around (1,1), the text on (1,1).
  EXPECT_EQ(Px(color, 1, 1), 3u);
  EXPECT_EQ(Px(color, 0, 0), 2u);
  EXPECT_EQ(Px(color, 2, 1), 2u);  // border over shadow
  EXPECT_EQ(Px(color, 3, 3), 1u);  // shadow only
  EXPECT_EQ(Cov(cov, 3, 3), 255);
  EXPECT_EQ(Cov(cov, 4, 4), 0);
  EXPECT_EQ(box.left, 0);
  EXPECT_EQ(box.top, 0);
  EXPECT_EQ(box.right, 4);
  EXPECT_EQ(box.bottom, 4);
}

// The planned outline (stamps regrouped per target pixel, kept with the glyph) against the direct
// stamping loop, on random glyphs with ink, blanks and partial coverage over random backgrounds.
class OutlinePlanTest : public ::testing::Test {
 protected:
  std::mt19937 rng{20261210};

  TFontPixel RandomGlyph(int w, int h) {
    std::vector<std::vector<uint8_t>> rows(static_cast<size_t>(h), std::vector<uint8_t>(static_cast<size_t>(w)));
    std::uniform_int_distribution<int> kind(0, 3), level(1, 254);
    for (auto& row : rows) {
      for (auto& c : row) {
        int k = kind(rng);
        c = k == 0 ? 0 : k == 1 ? 255 : static_cast<uint8_t>(level(rng));
      }
    }
    return MakeGlyph(rows);
  }

  static void RandomFill(TDIBX& d, std::mt19937& bg) {
    std::uniform_int_distribution<uint32_t> any;
    for (int y = 0; y < d.Height(); ++y) {
      for (int x = 0; x < d.Width(); ++x) {
        uint32_t v = any(bg);
        if (d.BitCount() == 8) {
          d.Lock(x, y)[0] = static_cast<uint8_t>(v % 3 == 0 ? 0 : v);  // many pixels without coverage yet
        } else if (d.BitCount() == 32) {
          reinterpret_cast<uint32_t*>(d.Lock(x, y))[0] = v;
        } else {
          reinterpret_cast<uint16_t*>(d.Lock(x, y))[0] = static_cast<uint16_t>(v);
        }
      }
    }
  }

  // Draws the outline both ways onto copies of a random background and compares every pixel. Passes
  // 0-2 share one background (the first draw stamps, the second makes the plan, the third reuses its
  // remembered outcomes); pass 3 has another, so remembered outcomes must not be taken.
  void ExpectSameAsStampwise(const TFontPixel& g, int bits, int radius, int x, int y, const TRect* clip,
                             Pixel colour32 = 0x00C08040u) {
    const uint32_t seed = rng();
    for (int pass = 0; pass < 4; ++pass) {
      std::mt19937 bg1(pass < 3 ? seed : seed + 1), bg2(pass < 3 ? seed : seed + 1);
      TDIBX c1(12, 11, bits), a1(12, 11, 8), c2(12, 11, bits), a2(12, 11, 8);
      RandomFill(c1, bg1);
      RandomFill(a1, bg1);
      RandomFill(c2, bg2);
      RandomFill(a2, bg2);
      if (clip) {
        c1.SetClip(*clip);
        c2.SetClip(*clip);
      }
      Pixel colour = bits == 32 ? colour32 : (c1.RedMask() | (c1.BlueMask() & 0x15));
      DrawOutline(g, c1, a1, colour, radius, x, y);
      DrawOutlineStampwise(g, c2, a2, colour, radius, x, y);
      for (int yy = 0; yy < 11; ++yy) {
        for (int xx = 0; xx < 12; ++xx) {
          ASSERT_EQ(Px(c1, xx, yy), Px(c2, xx, yy)) << "colour at " << xx << "," << yy << " bits " << bits << " r " << radius
                                                    << " pass " << pass;
          ASSERT_EQ(Cov(a1, xx, yy), Cov(a2, xx, yy))
              << "coverage at " << xx << "," << yy << " bits " << bits << " r " << radius << " pass " << pass;
        }
      }
    }
  }
};

TEST_F(OutlinePlanTest, RandomBackgroundsReallyDiffer) {
  // The comparisons below mean something only if the outline changes the background.
  TFontPixel g = MakeGlyph({{255, 128}});
  TDIBX c(4, 3, 32), a(4, 3, 8);
  std::mt19937 bg(7);
  RandomFill(c, bg);
  RandomFill(a, bg);
  uint32_t before = Px(c, 0, 1);
  DrawOutline(g, c, a, 0x00C08040u, 1, 1, 1);
  EXPECT_NE(Px(c, 0, 1), before);
  EXPECT_EQ(Px(c, 0, 1), 0x00C08040u);  // stamped at full coverage by (1,1)
}

TEST_F(OutlinePlanTest, MatchesStampingAtEveryDepthAndRadius) {
  for (int bits : {32, 16, 15}) {
    for (int radius : {0, 1, 2, 3}) {
      for (int trial = 0; trial < 6; ++trial) {
        TFontPixel g = RandomGlyph(5, 4);
        ExpectSameAsStampwise(g, bits, radius, 4, 3, nullptr);
        ExpectSameAsStampwise(g, bits, radius, 3, 4, nullptr);  // the kept plan, another place
        ExpectSameAsStampwise(g, bits, radius + 3, 3, 4, nullptr);
      }
    }
  }
}

TEST_F(OutlinePlanTest, MatchesStampingWhenClippedOrPartlyOffTheSurface) {
  TRect clip{2, 1, 9, 8};
  for (int radius : {1, 2}) {
    for (int trial = 0; trial < 6; ++trial) {
      TFontPixel g = RandomGlyph(6, 5);
      ExpectSameAsStampwise(g, 32, radius, 0, 0, &clip);   // stamps cut by the clip on the top left
      ExpectSameAsStampwise(g, 32, radius, 7, 7, nullptr);  // stamps past the bottom right edge
      ExpectSameAsStampwise(g, 16, radius, -3, -2, nullptr);
    }
  }
}

TEST_F(OutlinePlanTest, ChangedGlyphOrRadiusRebuildsThePlan) {
  TFontPixel g = RandomGlyph(4, 4);
  ExpectSameAsStampwise(g, 32, 2, 4, 4, nullptr);
  ExpectSameAsStampwise(g, 32, 1, 4, 4, nullptr);  // other radius
  ExpectSameAsStampwise(g, 32, 2, 4, 4, nullptr);  // and back
  g.Glyph.Lock(1, 1)[0] = 255;                     // coverage edited after a draw
  g.Glyph.Lock(2, 2)[0] = 0;
  ExpectSameAsStampwise(g, 32, 2, 4, 4, nullptr);
  // Border and shadow colours take turns on one glyph; a third colour displaces the older one.
  for (Pixel colour : {0x00102030u, 0x00FFFFFFu, 0x00102030u, 0x00000001u, 0x00FFFFFFu, 0x00102030u})
    ExpectSameAsStampwise(g, 32, 2, 4, 4, nullptr, colour);
  // Copies carry the plan made for other coverage: of the same size, and of another size.
  TFontPixel same = RandomGlyph(4, 4);
  same.OutlinePlan = g.OutlinePlan;
  ExpectSameAsStampwise(same, 32, 2, 4, 4, nullptr);
  TFontPixel wide = MakeGlyph({{0, 0, 0}, {0, 0, 90}});
  wide.OutlinePlan = g.OutlinePlan;
  ExpectSameAsStampwise(wide, 32, 2, 4, 4, nullptr);
}

}  // namespace
}  // namespace kuzo
