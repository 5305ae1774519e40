// A word's settings record as saves store it, and link hit testing and hover highlighting.
#include <algorithm>
#include <climits>

#include "core/byte_reader.h"
#include "text/nk_word.h"

namespace kuzo {
namespace {
constexpr int32_t kVersionShadowColor = 110;  // shadow colour stored from this version on
constexpr int32_t kVersionEffectWidths = 110;  // border and shadow widths stored after this version
}  // namespace

void TNkWord::SaveSettings(ByteWriter& w) const {
  w.I32(AreaLeft);
  w.I32(AreaTop);
  w.I32(FontSize);
  w.String(FontName);
  w.I32(TextColor);
  w.I32(PageHeight);
  w.I32(AreaWidth);
  w.I32(Quality);
  w.I32(LineSpace);
  w.Bool(Paging);
  w.I32(LinkColor);
  w.I32(HoverColor);
  w.I32(FadeTime);
  w.I32(BorderColorDefault);
  w.I32(ImageAlpha);
  w.Bool(Paused);
  w.I32(CaretX);
  w.I32(CaretY);
  w.I32(Speed);
  w.Bool(EventsEnabled);
  w.I32(ShadowColorDefault);
  w.I32(BorderWidthDefault);
  w.I32(ShadowWidthDefault);
}

void TNkWord::LoadSettings(ByteReader& r, int32_t version) {
  AreaLeft = r.I32("text area left");
  AreaTop = r.I32("text area top");
  FontSize = r.I32("font size");
  FontName = r.String("font name");
  TextColor = r.I32("text colour");
  PageHeight = r.I32("page height");
  AreaWidth = r.I32("text area width");
  Quality = r.I32("quality");
  LineSpace = r.I32("line space");
  Paging = r.Bool("paging");
  LinkColor = r.I32("link colour");
  HoverColor = r.I32("hover colour");
  FadeTime = r.I32("fade time");
  BorderColorDefault = r.I32("border colour");
  ImageAlpha = r.I32("image alpha");
  Paused = r.Bool("paused");
  CaretX = r.I32("caret x");
  CaretY = r.I32("caret y");
  Speed = r.I32("speed");
  EventsEnabled = r.Bool("events enabled");
  if (version >= kVersionShadowColor) ShadowColorDefault = r.I32("shadow colour");
  if (version > kVersionEffectWidths) {
    BorderWidthDefault = r.I32("border width");
    ShadowWidthDefault = r.I32("shadow width");
  }
}

TWdReal* TNkWord::HitTest(const TWdPage& page, int32_t x, int32_t y) const {
  for (const auto& row : page.Rows) {
    for (TWdGlyph* g : row->Glyphs) {
      if (!g->IsReal()) continue;
      auto* real = static_cast<TWdReal*>(g);
      if (real->Alpha <= 254) continue;
      TRectI r = DestRect(page, *g);
      if (x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom) return real;
    }
  }
  return nullptr;
}

bool TNkWord::HoverAt(TWdPage& page, int32_t x, int32_t y, TFontPixelManager& glyphs) {
  // The page's glyphs in reading order, to find the run of equal links around the hit glyph.
  std::vector<TWdReal*> reals;
  for (const auto& row : page.Rows) {
    for (TWdGlyph* g : row->Glyphs) {
      if (g->IsReal()) reals.push_back(static_cast<TWdReal*>(g));
    }
  }
  TWdReal* hit = HitTest(page, x, y);
  size_t first = reals.size();
  if (hit && !hit->Link.empty()) {
    size_t i = static_cast<size_t>(std::find(reals.begin(), reals.end(), hit) - reals.begin());
    while (i > 0 && reals[i - 1]->Link == hit->Link) --i;
    first = i;
  }
  std::vector<bool> want(reals.size(), false);
  for (size_t i = first; i < reals.size() && reals[i]->Link == reals[first]->Link; ++i) want[i] = true;
  bool changed = false;
  DirtyRects.clear();
  for (size_t i = 0; i < reals.size(); ++i) {
    if (reals[i]->Hover != want[i]) {
      reals[i]->Hover = want[i];
      DirtyRects.push_back(DestRect(page, *reals[i]));
      changed = true;
    }
  }
  if (changed) Render(page, glyphs);
  return changed;
}

}  // namespace kuzo
