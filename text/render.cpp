// Rendering a laid-out page into the word's colour and coverage surfaces (characters, ruby, borders
// and shadows through the glyph cache), and drawing its revealed glyphs onto the target surface.
#include <algorithm>
#include <climits>
#include <optional>

#include "core/sjis.h"
#include "graphics/font_pixel.h"
#include "graphics/glyph_draw.h"
#include "text/nk_word.h"

namespace kuzo {
namespace {

constexpr std::string_view kDefaultFace = "ＭＳ ゴシック";
constexpr int kRubyEffectMax = 1;  // ruby borders and shadows are at most one pixel

// Nearest integer to num / den (den > 0), ties to even.
int64_t RoundHalfEven(int64_t num, int64_t den) {
  int64_t q = num / den, r = num % den;
  if (r < 0) {
    --q;
    r += den;
  }
  if (2 * r > den || (2 * r == den && (q & 1))) ++q;
  return q;
}

struct CharLook {
  int32_t border = 0, shadow = 0;
  Pixel borderColor = 0, shadowColor = 0;
  bool operator==(const CharLook&) const = default;
};

}  // namespace

void TNkWord::Render(TWdPage& page, TFontPixelManager& glyphs) {
  // A scrolling page (a long history) may be far taller than its window: only the window's part of
  // it is rendered, and the owner renders again when it scrolls.
  const int32_t height = PageHeight;
  renderTop_ = Paging ? 0 : page.Reveal.ScrollOffset;
  if (AreaWidth <= 0 || height <= 0 || int64_t{AreaWidth} * height > (int64_t{1} << 28)) return;
  colorSurface_.SetSize(AreaWidth, height, SurfaceBits);
  coverageSurface_.SetSize(AreaWidth, height, 8);
  colorSurface_.Fill(0);
  coverageSurface_.Fill(0);

  auto lookOf = [&](const TWdGlyph* g) -> std::optional<CharLook> {
    if (!g || !g->IsChar()) return std::nullopt;
    const TDecorate* s = static_cast<const TWdChar*>(g)->Style;
    CharLook look;
    look.border = BorderWidthOf(s);
    look.shadow = ShadowWidthOf(s);
    look.borderColor = static_cast<Pixel>(colorSurface_.ColorToPixel((s && s->BorderColor != -1) ? s->BorderColor : BorderColorDefault));
    look.shadowColor = static_cast<Pixel>(colorSurface_.ColorToPixel((s && s->ShadowColor != -1) ? s->ShadowColor : ShadowColorDefault));
    return look;
  };

  for (auto& rowPtr : page.Rows) {
    TWdRow& row = *rowPtr;
    const int64_t rowTop = int64_t{row.Y} - renderTop_;
    const bool outside = rowTop >= height || rowTop + row.Height <= 0;
    for (size_t i = 0; i < row.Glyphs.size(); ++i) {
      if (!row.Glyphs[i]->IsChar()) continue;
      auto& c = static_cast<TWdChar&>(*row.Glyphs[i]);
      if (outside) {
        c.DrawnBox = {};  // not on the surfaces: nothing to copy
        continue;
      }
      const TDecorate* s = c.Style;
      std::string font = (s && !s->FontName.empty()) ? s->FontName : (FontName.empty() ? std::string(kDefaultFace) : FontName);
      uint8_t style = static_cast<uint8_t>((s ? s->Style : 0) | (c.Link.empty() ? 0 : kStyleUnderline));
      int32_t size = std::clamp((s && s->Size != 0) ? s->Size : FontSize, 1, kMaxGlyphExtent);
      int32_t text = c.Hover ? HoverColor : ((s && s->Color != -1) ? s->Color : (c.Link.empty() ? TextColor : LinkColor));
      CharLook look = *lookOf(&c);
      GlyphColors colors{look.shadowColor, look.borderColor, static_cast<Pixel>(colorSurface_.ColorToPixel(text))};
      int32_t top = static_cast<int32_t>(rowTop + c.Y);
      TRect box{};
      glyphs.Quality = Quality;

      int32_t ruby = 0;
      if (s && !s->Ruby.empty()) {
        ruby = std::max(1, size / 2);
        const std::string* prevRuby = i > 0 ? GlyphRuby(*row.Glyphs[i - 1]) : nullptr;
        if (!prevRuby || *prevRuby != s->Ruby) {
          // The first glyph of the group spreads the ruby evenly over the group's width.
          int64_t groupWidth = 0;
          for (size_t k = i; k < row.Glyphs.size(); ++k) {
            const std::string* r = GlyphRuby(*row.Glyphs[k]);
            if (!r || *r != s->Ruby) break;
            groupWidth += row.Glyphs[k]->Width;
          }
          int64_t n = static_cast<int64_t>(sjis::CharCount(s->Ruby));
          int64_t k = 1;
          for (size_t p = 0; p < s->Ruby.size(); ++k) {
            size_t len = sjis::CharLength(s->Ruby, p);
            uint16_t code = len == 2 ? static_cast<uint16_t>((static_cast<uint8_t>(s->Ruby[p]) << 8) | static_cast<uint8_t>(s->Ruby[p + 1]))
                                     : static_cast<uint8_t>(s->Ruby[p]);
            p += len;
            int64_t centre = RoundHalfEven((2 * k - 1) * groupWidth, 2 * n) + c.X;
            int64_t x = centre - (len == 2 ? ruby / 2 : ruby / 4);
            const TFontPixel& rg = glyphs.GetGlyph(code, font, style & static_cast<uint8_t>(~kStyleUnderline), ruby);
            TRect cell{static_cast<int32_t>(x), top, static_cast<int32_t>(x) + ruby, top + ruby};
            box = Union(box, DrawGlyph(rg, colorSurface_, coverageSurface_, colors, true, true,
                                       std::min(look.shadow, kRubyEffectMax), std::min(look.border, kRubyEffectMax), cell));
          }
        }
      }
      bool runStart = lookOf(i > 0 ? row.Glyphs[i - 1] : nullptr) != look;
      bool runEnd = lookOf(i + 1 < row.Glyphs.size() ? row.Glyphs[i + 1] : nullptr) != look;
      const TFontPixel& g = glyphs.GetGlyph(c.Code, font, style, size);
      TRect cell{c.X, top + ruby, c.X + c.Width, top + c.Height};
      box = Union(box, DrawGlyph(g, colorSurface_, coverageSurface_, colors, runEnd, runStart, look.shadow, look.border, cell));
      // Kept in page coordinates.
      c.DrawnBox = box.IsEmpty() ? TRectI{} : TRectI{box.left, box.top + renderTop_, box.right, box.bottom + renderTop_};
    }
  }
}

void TNkWord::Draw(const TWdPage& page) const {
  if (!Target || colorSurface_.Width() == 0) return;
  int64_t scroll = Paging ? 0 : page.Reveal.ScrollOffset;
  // The text area on the target, cut by the clip rectangle.
  int64_t areaL = std::max<int64_t>(AreaLeft, ClipRect.Left);
  int64_t areaT = std::max<int64_t>(AreaTop, ClipRect.Top);
  int64_t areaR = std::min<int64_t>(int64_t{AreaLeft} + AreaWidth, ClipRect.Right);
  int64_t areaB = std::min<int64_t>(int64_t{AreaTop} + PageHeight, ClipRect.Bottom);
  // Only what the surfaces hold can be copied (a page scrolled since it was rendered).
  areaT = std::max<int64_t>(areaT, int64_t{AreaTop} - scroll + renderTop_);
  areaB = std::min<int64_t>(areaB, int64_t{AreaTop} - scroll + renderTop_ + colorSurface_.Height());
  if (areaR <= areaL || areaB <= areaT) return;
  for (const auto& row : page.Rows) {
    int64_t rowTop = int64_t{AreaTop} + row->Y - scroll;
    // Pictures stay inside their row; a character's ink (a ruby's border, a shadow) may reach past
    // the row's edges, so characters are tested by their drawn boxes alone. Culling them by the
    // row dropped that ink whenever a neighbouring row was redrawn over it.
    const bool rowOutside = rowTop >= areaB || rowTop + std::max(row->Height, row->FloatHeight) <= areaT;
    for (const TWdGlyph* g : row->Glyphs) {
      if (g->Kind == GlyphKind::Img) {
        if (rowOutside) continue;
        DrawImage(page, static_cast<const TWdImg&>(*g), TRectI{static_cast<int32_t>(areaL), static_cast<int32_t>(areaT),
                                                                 static_cast<int32_t>(areaR), static_cast<int32_t>(areaB)});
        continue;
      }
      if (!g->IsChar()) continue;
      const auto& c = static_cast<const TWdChar&>(*g);
      if (c.Alpha <= 0 || c.DrawnBox.Empty()) continue;
      // The drawn box on the target, clipped; the source is the same box on the page surfaces.
      int64_t l = std::max<int64_t>(int64_t{AreaLeft} + c.DrawnBox.Left, areaL);
      int64_t t = std::max<int64_t>(int64_t{AreaTop} - scroll + c.DrawnBox.Top, areaT);
      int64_t r = std::min<int64_t>(int64_t{AreaLeft} + c.DrawnBox.Right, areaR);
      int64_t b = std::min<int64_t>(int64_t{AreaTop} - scroll + c.DrawnBox.Bottom, areaB);
      if (r <= l || b <= t) continue;
      TRect src{static_cast<int32_t>(l - AreaLeft), static_cast<int32_t>(t - AreaTop + scroll - renderTop_),
                static_cast<int32_t>(r - AreaLeft), static_cast<int32_t>(b - AreaTop + scroll - renderTop_)};
      const TDecorate* s = c.Style;
      bool effects = BorderWidthOf(s) > 0 || ShadowWidthOf(s) > 0;
      if (effects) {
        Target->DrawAlphaMask(static_cast<int>(l), static_cast<int>(t), c.Alpha, coverageSurface_, false, false, src,
                              colorSurface_);
      } else {
        int32_t text = c.Hover ? HoverColor : ((s && s->Color != -1) ? s->Color : (c.Link.empty() ? TextColor : LinkColor));
        Target->DrawColorMask(static_cast<int>(l), static_cast<int>(t), c.Alpha,
                              static_cast<Pixel>(Target->ColorToPixel(text)), false, false, src, coverageSurface_);
      }
    }
  }
}

int32_t TNkWord::ImageOpacity(int32_t glyphAlpha) const {
  const int64_t a = std::clamp(glyphAlpha, 0, 255);
  if (ImageAlpha == 255) return static_cast<int32_t>(a);
  if (ImageAlpha < 255) return static_cast<int32_t>(std::max<int64_t>(0, a * ImageAlpha / 256));
  // Above 255 the image adds with a strength of the glyph alpha scaled by ImageAlpha - 256; a
  // strength of 0 draws nothing rather than falling back to a plain copy.
  const int64_t strength = std::min<int64_t>(255, a * (int64_t{ImageAlpha} - 256) / 256);
  return strength > 0 ? static_cast<int32_t>(256 + strength) : 0;
}

void TNkWord::DrawImage(const TWdPage& page, const TWdImg& img, const TRectI& area) const {
  if (img.Alpha <= 0 || img.Width <= 0 || img.Height <= 0 || !ImageFrame) return;
  const TextImageFrame frame = ImageFrame(img.Source);
  if (!frame.Picture || frame.Picture->IsEmpty()) return;
  const int32_t opacity = ImageOpacity(img.Alpha);
  if (opacity <= 0) return;
  // The glyph's cell on the target, cut by the text area; the picture never draws beyond its cell
  // (a picture that changed size since layout keeps the laid-out space).
  const TRectI cell = DestRect(page, img);
  const int64_t l = std::max<int64_t>(cell.Left, area.Left), t = std::max<int64_t>(cell.Top, area.Top);
  const int64_t r = std::min<int64_t>({int64_t{cell.Left} + img.Width, int64_t{cell.Left} + frame.Picture->Width(),
                                       int64_t{area.Right}});
  const int64_t b = std::min<int64_t>({int64_t{cell.Top} + img.Height, int64_t{cell.Top} + frame.Picture->Height(),
                                       int64_t{area.Bottom}});
  if (r <= l || b <= t) return;
  const TRect src{static_cast<int32_t>(l - cell.Left), static_cast<int32_t>(t - cell.Top),
                  static_cast<int32_t>(r - cell.Left), static_cast<int32_t>(b - cell.Top)};
  const TCustomDIBX* mask = frame.Mask;
  if (mask && (mask->Width() != frame.Picture->Width() || mask->Height() != frame.Picture->Height())) mask = nullptr;
  Target->DrawOpacity(static_cast<int>(l), static_cast<int>(t), opacity, mask, false, false, src, *frame.Picture);
}

}  // namespace kuzo
