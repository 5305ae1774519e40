// Glyph cache: grey-level tables, font substitution, metrics of blanks and inked glyphs, quality
// as a key, and the 256-entry recency list.
#include "graphics/font_pixel.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace kuzo {
namespace {

TEST(GreyLevelTest, QualityTablesAndQuantisation) {
  EXPECT_EQ(GreyLevelCoverage(1, 1), 79);
  EXPECT_EQ(GreyLevelCoverage(2, 8), 159);
  EXPECT_EQ(GreyLevelCoverage(3, 1), 18);
  EXPECT_EQ(GreyLevelCoverage(3, 64), 255);
  // Quality 0 is one bit; the others keep 0 and 255 and only take values of their table.
  EXPECT_EQ(QuantizeCoverage(0, 127), 0);
  EXPECT_EQ(QuantizeCoverage(0, 128), 255);
  for (int q = 1; q <= 3; ++q) {
    EXPECT_EQ(QuantizeCoverage(q, 0), 0);
    EXPECT_EQ(QuantizeCoverage(q, 255), 255);
  }
  EXPECT_EQ(QuantizeCoverage(1, 64), 79);    // level 1 of 4
  EXPECT_EQ(QuantizeCoverage(2, 128), 159);  // level 8 of 16
  EXPECT_EQ(QuantizeCoverage(3, 4), 18);     // level 1 of 64: faint levels brightened
  int distinct[4] = {};
  for (int q = 0; q < 4; ++q) {
    std::vector<uint8_t> seen;
    for (int c = 0; c < 256; ++c) seen.push_back(QuantizeCoverage(q, static_cast<uint8_t>(c)));
    std::sort(seen.begin(), seen.end());
    distinct[q] = static_cast<int>(std::unique(seen.begin(), seen.end()) - seen.begin());
  }
  EXPECT_EQ(distinct[0], 2);
  EXPECT_EQ(distinct[1], 5);
  EXPECT_EQ(distinct[2], 17);
  EXPECT_EQ(distinct[3], 65);
}

TEST(FontSubstitutionTest, ScriptFaceNamesMapToTheIpaFaces) {
  EXPECT_EQ(TFontPixelManager::ResolveFamily("ＭＳ ゴシック"), "IPAGothic");
  EXPECT_EQ(TFontPixelManager::ResolveFamily("ＭＳ 明朝"), "IPAMincho");
  EXPECT_EQ(TFontPixelManager::ResolveFamily("ＭＳ Ｐゴシック"), "IPAPGothic");
  EXPECT_EQ(TFontPixelManager::ResolveFamily("ＭＳ Ｐ明朝"), "IPAPMincho");
  EXPECT_EQ(TFontPixelManager::ResolveFamily(""), "IPAGothic");
  EXPECT_EQ(TFontPixelManager::ResolveFamily("No Such Face 12"), "IPAGothic");
  std::vector<std::string> fonts = TFontPixelManager::ListFonts(false);
  EXPECT_NE(std::find(fonts.begin(), fonts.end(), "IPAPGothic"), fonts.end());
  EXPECT_TRUE(std::is_sorted(fonts.begin(), fonts.end()));
  std::vector<std::string> fixed = TFontPixelManager::ListFonts(true);
  EXPECT_NE(std::find(fixed.begin(), fixed.end(), "IPAGothic"), fixed.end());
  EXPECT_EQ(std::find(fixed.begin(), fixed.end(), "IPAPGothic"), fixed.end());  // proportional
}

constexpr uint16_t kA = 0x82A0;  // "あ"

TEST(FontPixelManagerTest, InkedGlyphMetricsAndBlankAdvance) {
  TFontPixelManager m;
  const TFontPixel& a = m.GetGlyph(kA, "ＭＳ ゴシック", 0, 24);
  ASSERT_FALSE(a.Empty());
  EXPECT_GT(m.Ascent(), 15);
  EXPECT_LE(a.Width(), 24);
  EXPECT_LE(a.Top + a.Height(), 26);
  EXPECT_EQ(a.Advance(), 24);  // a full-width character of a fixed face advances by its size
  const TFontPixel& blank = m.GetGlyph(' ', "ＭＳ ゴシック", 4, 24);
  EXPECT_TRUE(blank.Empty());
  EXPECT_EQ(blank.Advance(), 12);  // half width
  EXPECT_EQ(blank.UnderlineSize, 0);
  const TFontPixel& u = m.GetGlyph('A', "ＭＳ ゴシック", 4 | 8, 24);
  EXPECT_GT(u.UnderlineSize, 0);
  EXPECT_GT(u.StrikeSize, 0);
  EXPECT_GT(u.StrikeTop, 0);
}

TEST(FontPixelManagerTest, QualityIsPartOfTheKeyAndLimitsGreyLevels) {
  TFontPixelManager m;
  m.Quality = 0;
  const TFontPixel& mono = m.GetGlyph(kA, "ＭＳ 明朝", 0, 20);
  for (int y = 0; y < mono.Height(); ++y) {
    for (int x = 0; x < mono.Width(); ++x) {
      uint8_t c = mono.Glyph.Lock(x, y)[0];
      ASSERT_TRUE(c == 0 || c == 255);
    }
  }
  m.Quality = 3;
  const TFontPixel& grey = m.GetGlyph(kA, "ＭＳ 明朝", 0, 20);
  EXPECT_NE(&mono, &grey);
  EXPECT_EQ(m.CreatedCount(), 2u);
  bool faint = false;
  for (int y = 0; y < grey.Height(); ++y) {
    for (int x = 0; x < grey.Width(); ++x) faint = faint || (grey.Glyph.Lock(x, y)[0] > 0 && grey.Glyph.Lock(x, y)[0] < 255);
  }
  EXPECT_TRUE(faint);
}

TEST(FontPixelManagerTest, KeepsThe256MostRecentlyUsedGlyphs) {
  TFontPixelManager m;
  m.Quality = 0;
  for (uint16_t c = 0; c < 256; ++c) m.GetGlyph(static_cast<uint16_t>(0x8200 + c), "ＭＳ ゴシック", 0, 8);
  EXPECT_EQ(m.CachedCount(), 256u);
  m.GetGlyph(0x8200, "ＭＳ ゴシック", 0, 8);  // a hit: now the most recent
  EXPECT_EQ(m.CreatedCount(), 256u);
  m.GetGlyph('x', "ＭＳ ゴシック", 0, 8);  // a miss evicts the least recent: 0x8201
  EXPECT_EQ(m.CachedCount(), 256u);
  EXPECT_EQ(m.CreatedCount(), 257u);
  m.GetGlyph(0x8200, "ＭＳ ゴシック", 0, 8);
  EXPECT_EQ(m.CreatedCount(), 257u);
  m.GetGlyph(0x8201, "ＭＳ ゴシック", 0, 8);
  EXPECT_EQ(m.CreatedCount(), 258u);
  // Name, height and style are keys too.
  m.GetGlyph(0x8200, "ＭＳ ゴシック", 1, 8);
  m.GetGlyph(0x8200, "ＭＳ ゴシック", 0, 9);
  m.GetGlyph(0x8200, "ＭＳ 明朝", 0, 8);
  EXPECT_EQ(m.CreatedCount(), 261u);
}

}  // namespace
}  // namespace kuzo
