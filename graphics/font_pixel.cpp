// Glyph cache on FreeType: font selection through the substitution table and fontconfig, rendering
// to 8-bit coverage, quantisation to the quality's grey levels, metrics, and the recency list.
#include "graphics/font_pixel.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <array>

#include "platform/cp932.h"
#include "platform/font_lookup.h"

namespace kuzo {
namespace {

constexpr std::array<uint8_t, 5> kGrey2 = {0, 79, 127, 207, 255};
constexpr std::array<uint8_t, 17> kGrey4 = {0, 43, 55, 67, 79, 91, 103, 115, 159, 171, 183, 195, 207, 219, 231, 243, 255};
constexpr std::array<uint8_t, 65> kGrey8 = {
    0,   18,  21,  24,  27,  30,  33,  36,  55,  58,  61,  64,  67,  70,  73,  76,  79,  82,  85,  88,  91,  94,
    97,  100, 119, 122, 125, 128, 131, 134, 137, 140, 143, 146, 149, 152, 155, 158, 161, 164, 183, 186, 189, 192,
    195, 198, 201, 204, 207, 210, 213, 216, 219, 222, 225, 228, 231, 234, 237, 240, 243, 246, 249, 252, 255};

// The default face scripts name, and where it and its kin map: the IPA faces keep their metrics.
constexpr std::string_view kDefaultFontName = "ＭＳ ゴシック";
struct Substitute {
  std::string_view scriptName;  // Shift-JIS, as titles write it
  const char* family;           // installed family (UTF-8)
};
const Substitute kSubstitutes[] = {
    {"ＭＳ ゴシック", "IPAGothic"},
    {"ＭＳ 明朝", "IPAMincho"},
    {"ＭＳ Ｐゴシック", "IPAPGothic"},
    {"ＭＳ Ｐ明朝", "IPAPMincho"},
};

int32_t ClampQuality(int32_t q) { return (q < 0 || q >= kGlyphQualityLevels) ? 3 : q; }

// One code point from the start of UTF-8 text (0 when there is none).
uint32_t FirstCodePoint(const std::string& s) {
  if (s.empty()) return 0;
  auto b = [&](size_t i) { return static_cast<uint8_t>(s[i]); };
  uint8_t c = b(0);
  if (c < 0x80) return c;
  if ((c & 0xE0) == 0xC0 && s.size() >= 2) return ((c & 0x1F) << 6) | (b(1) & 0x3F);
  if ((c & 0xF0) == 0xE0 && s.size() >= 3) return ((c & 0x0F) << 12) | ((b(1) & 0x3F) << 6) | (b(2) & 0x3F);
  if ((c & 0xF8) == 0xF0 && s.size() >= 4)
    return ((c & 0x07) << 18) | ((b(1) & 0x3F) << 12) | ((b(2) & 0x3F) << 6) | (b(3) & 0x3F);
  return 0;
}

uint32_t CodePointOf(uint16_t code) {
  std::string bytes;
  if (code > 0xFF) bytes += static_cast<char>(code >> 8);
  bytes += static_cast<char>(code & 0xFF);
  auto utf8 = platform::Cp932ToUtf8Strict(bytes);
  return utf8 ? FirstCodePoint(*utf8) : 0;
}

int32_t Pixels26_6(FT_Pos v) { return static_cast<int32_t>((v + 32) >> 6); }

}  // namespace

uint8_t GreyLevelCoverage(int32_t quality, int level) {
  switch (ClampQuality(quality)) {
    case 0: return level > 0 ? 255 : 0;
    case 1: return kGrey2[static_cast<size_t>(std::clamp(level, 0, 4))];
    case 2: return kGrey4[static_cast<size_t>(std::clamp(level, 0, 16))];
    default: return kGrey8[static_cast<size_t>(std::clamp(level, 0, 64))];
  }
}

uint8_t QuantizeCoverage(int32_t quality, uint8_t coverage) {
  static constexpr int kTopLevel[kGlyphQualityLevels] = {1, 4, 16, 64};
  int top = kTopLevel[ClampQuality(quality)];
  if (top == 1) return coverage >= 128 ? 255 : 0;  // one bit: ink where at least half covered
  int level = (coverage * top + 127) / 255;        // nearest grey level
  return GreyLevelCoverage(quality, level);
}

struct TFontPixelManager::Font {
  FT_Face face = nullptr;
  int32_t ascent = 0;
  int32_t underlineSize = 0;
  int32_t strikePosition = 0;
  int32_t strikeSize = 0;
  ~Font() {
    if (face) FT_Done_Face(face);
  }
};

TFontPixelManager::TFontPixelManager() {
  FT_Library lib = nullptr;
  if (FT_Init_FreeType(&lib) == 0) library_ = lib;
}

TFontPixelManager::~TFontPixelManager() {
  recency_.clear();
  fonts_.clear();  // faces before the library
  if (library_) FT_Done_FreeType(static_cast<FT_Library>(library_));
}

std::string TFontPixelManager::ResolveFamily(const std::string& fontName) {
  const std::string& name = fontName.empty() ? std::string(kDefaultFontName) : fontName;
  for (const auto& s : kSubstitutes) {
    if (name == s.scriptName && platform::FindFontFace(s.family)) return s.family;
  }
  std::string utf8 = platform::Cp932ToUtf8(name);
  if (platform::FindFontFace(utf8)) return utf8;
  if (name != kDefaultFontName) return ResolveFamily(std::string(kDefaultFontName));
  if (auto fallback = platform::FindJapaneseFace()) return fallback->family;
  return {};
}

std::vector<std::string> TFontPixelManager::ListFonts(bool fixedOnly) {
  std::vector<std::string> out;
  for (const auto& family : platform::ListFontFamilies(fixedOnly)) {
    if (family.empty() || family[0] == '@') continue;  // vertical variants
    if (auto sjis = platform::Utf8ToCp932Strict(family)) out.push_back(*sjis);
  }
  std::sort(out.begin(), out.end());
  return out;
}

TFontPixelManager::Font* TFontPixelManager::SelectFont(const std::string& fontName, uint8_t style, int32_t height) {
  if (current_ && fontName == currentName_ && height == currentHeight_ && style == currentStyle_) return current_;
  auto& slot = fonts_[fontName];
  if (!slot) {
    slot = std::make_unique<Font>();
    std::string family = ResolveFamily(fontName);
    std::optional<platform::FontFace> face = family.empty() ? platform::FindJapaneseFace() : platform::FindFontFace(family);
    if (face && library_) {
      FT_Face f = nullptr;
      if (FT_New_Face(static_cast<FT_Library>(library_), face->file.c_str(), face->index, &f) == 0) slot->face = f;
    }
  }
  Font* font = slot.get();
  if (font->face) {
    FT_Set_Pixel_Sizes(font->face, 0, static_cast<FT_UInt>(std::clamp(height, 1, 4096)));
    const FT_Size_Metrics& m = font->face->size->metrics;
    font->ascent = Pixels26_6(m.ascender);
    font->underlineSize = std::max(1, Pixels26_6(FT_MulFix(font->face->underline_thickness, m.y_scale)));
    auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(font->face, FT_SFNT_OS2));
    if (os2 && os2->version != 0xFFFF) {
      font->strikePosition = Pixels26_6(FT_MulFix(os2->yStrikeoutPosition, m.y_scale));
      font->strikeSize = std::max(1, Pixels26_6(FT_MulFix(os2->yStrikeoutSize, m.y_scale)));
    } else {
      font->strikePosition = font->ascent / 3;
      font->strikeSize = font->underlineSize;
    }
  }
  current_ = font;
  currentName_ = fontName;
  currentHeight_ = height;
  currentStyle_ = style;
  return font;
}

int32_t TFontPixelManager::Ascent() const { return current_ ? current_->ascent : 0; }

void TFontPixelManager::Render(TFontPixel& g) {
  Font* font = SelectFont(g.FontName, g.Style, g.FontHeight);
  FT_Face face = font->face;
  if (!face) return;  // no font at all: an empty glyph with advance 0
  FT_UInt index = FT_Get_Char_Index(face, CodePointOf(g.Code));
  if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0) return;
  FT_GlyphSlot slot = face->glyph;
  if (g.Style & 0x01) FT_GlyphSlot_Embolden(slot);
  if (g.Style & 0x02) FT_GlyphSlot_Oblique(slot);
  int32_t advance = Pixels26_6(slot->advance.x);
  if (slot->format == FT_GLYPH_FORMAT_OUTLINE && slot->outline.n_points > 0) {
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return;
  }
  const FT_Bitmap& bm = slot->bitmap;
  int w = static_cast<int>(bm.width), h = static_cast<int>(bm.rows);
  bool ink = false;
  if (w > 0 && h > 0 && bm.buffer && bm.pixel_mode == FT_PIXEL_MODE_GRAY) {
    g.Glyph.SetSize(w, h, 8);
    g.Glyph.Fill(0);
    for (int y = 0; y < h; ++y) {
      const uint8_t* src = bm.buffer + static_cast<ptrdiff_t>(y) * bm.pitch;
      uint8_t* dst = g.Glyph.Lock(0, y);
      for (int x = 0; x < w; ++x) {
        dst[x] = QuantizeCoverage(g.Quality, src[x]);
        ink = ink || dst[x] != 0;
      }
    }
  }
  if (!ink) {
    g.Glyph = TDIBX();
    g.Extra = std::max(0, advance);  // a blank advances by its text width
    g.AbcC = advance;
    return;
  }
  g.Left = std::max(0, slot->bitmap_left);
  g.Top = std::max(0, font->ascent - slot->bitmap_top);
  g.Extra = std::max(0, advance - w - g.Left);
  g.AbcA = slot->bitmap_left;
  g.AbcB = w;
  g.AbcC = advance - w - slot->bitmap_left;
  if (g.Style & 0x04) g.UnderlineSize = font->underlineSize;
  if (g.Style & 0x08) {
    g.StrikeTop = font->ascent - font->strikePosition;
    g.StrikeSize = font->strikeSize;
  }
}

const TFontPixel& TFontPixelManager::GetGlyph(uint16_t code, const std::string& fontName, uint8_t style, int32_t height) {
  int32_t quality = ClampQuality(Quality);
  auto& bucket = buckets_[code & 0xFF];
  for (Recency::iterator it : bucket) {
    const TFontPixel* g = it->get();
    if (g->Code == code && g->FontHeight == height && g->Style == style && g->Quality == quality && g->FontName == fontName) {
      recency_.splice(recency_.begin(), recency_, it);  // the iterator stays valid
      SelectFont(fontName, style, height);
      return *g;
    }
  }
  auto glyph = std::make_unique<TFontPixel>();
  glyph->Code = code;
  glyph->FontName = fontName;
  glyph->FontHeight = height;
  glyph->Style = style;
  glyph->Quality = quality;
  TFontPixel* made = glyph.get();
  recency_.push_front(std::move(glyph));
  bucket.push_back(recency_.begin());
  ++created_;
  if (recency_.size() > kCapacity) {
    Recency::iterator old = std::prev(recency_.end());
    auto& oldBucket = buckets_[(*old)->Code & 0xFF];
    oldBucket.erase(std::find(oldBucket.begin(), oldBucket.end(), old));
    recency_.pop_back();
  }
  Render(*made);
  return *made;
}

}  // namespace kuzo
