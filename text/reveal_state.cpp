// The reveal state of a page as a save keeps it: the cursor, the time budgets, the glyphs still
// fading in (with their opacity) and the pending events. Glyphs are named by row and position, so
// the state applies to the same text laid out again after a load.
#include <algorithm>

#include "core/byte_reader.h"
#include "text/nk_word.h"

namespace kuzo {
namespace {

constexpr int32_t kFullAlpha = 255;
// Bytes of one glyph reference (row, position) and of one fading glyph (reference, opacity).
constexpr size_t kGlyphRefBytes = 8;
constexpr size_t kFadingBytes = 12;

struct GlyphRef {
  int32_t row = -1, index = -1;
};

GlyphRef RefOf(const TWdPage& page, const TWdGlyph* g) {
  for (size_t r = 0; r < page.Rows.size(); ++r) {
    const auto& glyphs = page.Rows[r]->Glyphs;
    auto it = std::find(glyphs.begin(), glyphs.end(), g);
    if (it != glyphs.end()) return {static_cast<int32_t>(r), static_cast<int32_t>(it - glyphs.begin())};
  }
  return {};
}

// The shown glyph at a reference, or null when the page has no such glyph.
TWdReal* RealAt(const TWdPage& page, GlyphRef ref) {
  if (ref.row < 0 || ref.row >= static_cast<int32_t>(page.Rows.size())) return nullptr;
  const auto& glyphs = page.Rows[static_cast<size_t>(ref.row)]->Glyphs;
  if (ref.index < 0 || ref.index >= static_cast<int32_t>(glyphs.size())) return nullptr;
  TWdGlyph* g = glyphs[static_cast<size_t>(ref.index)];
  return g->IsReal() ? static_cast<TWdReal*>(g) : nullptr;
}

}  // namespace

void TNkWord::SaveRevealState(const TWdPage& page, ByteWriter& w) const {
  const TWdRevealState& s = page.Reveal;
  w.I32(s.ScrollOffset);
  w.I32(s.RevealRow);
  w.I32(s.RevealIndex);
  w.I32(s.WaitBudget);
  w.I32(s.AlphaAccumulator);
  w.I32(s.StartDelay);
  w.U32(static_cast<uint32_t>(s.Fading.size()));
  for (const TWdReal* g : s.Fading) {
    const GlyphRef ref = RefOf(page, g);
    w.I32(ref.row);
    w.I32(ref.index);
    w.I32(g->Alpha);
  }
  w.U32(static_cast<uint32_t>(s.Animated.size()));
  for (const TWdImg* g : s.Animated) {
    const GlyphRef ref = RefOf(page, g);
    w.I32(ref.row);
    w.I32(ref.index);
  }
  w.String(s.PendingEvents);
  w.Bool(s.EventJustShown);
  w.Bool(s.Finished);
}

void TNkWord::LoadRevealState(TWdPage& page, ByteReader& r) const {
  TWdRevealState s;
  s.ScrollOffset = r.I32("page scroll offset");
  s.RevealRow = r.I32("page reveal row");
  s.RevealIndex = r.I32("page reveal index");
  s.WaitBudget = r.I32("page wait budget");
  s.AlphaAccumulator = r.I32("page alpha accumulator");
  s.StartDelay = r.I32("page start delay");
  // The cursor is kept within the page, so a state from other text cannot point past it.
  const int32_t rows = static_cast<int32_t>(page.Rows.size());
  s.RevealRow = std::clamp(s.RevealRow, 0, rows);
  const int32_t inRow = s.RevealRow < rows ? static_cast<int32_t>(page.Rows[static_cast<size_t>(s.RevealRow)]->Glyphs.size()) : 0;
  s.RevealIndex = std::clamp(s.RevealIndex, 0, inRow);
  struct Fade {
    TWdReal* glyph;
    int32_t alpha;
  };
  std::vector<Fade> fading;
  const uint32_t fadingCount = r.Count(kFadingBytes, "page fading count");
  for (uint32_t i = 0; i < fadingCount; ++i) {
    GlyphRef ref;
    ref.row = r.I32("fading glyph row");
    ref.index = r.I32("fading glyph index");
    const int32_t alpha = r.I32("fading glyph alpha");
    if (TWdReal* g = RealAt(page, ref)) fading.push_back({g, alpha});
  }
  const uint32_t animatedCount = r.Count(kGlyphRefBytes, "page animated count");
  for (uint32_t i = 0; i < animatedCount; ++i) {
    GlyphRef ref;
    ref.row = r.I32("animated glyph row");
    ref.index = r.I32("animated glyph index");
    TWdReal* g = RealAt(page, ref);
    if (g && g->Kind == GlyphKind::Img) s.Animated.push_back(static_cast<TWdImg*>(g));
  }
  s.PendingEvents = r.String("page pending events");
  s.EventJustShown = r.U8("page event shown") != 0;
  s.Finished = r.U8("page finished") != 0;

  // Glyphs before the cursor were revealed: opaque, except those still fading in.
  for (int32_t row = 0; row < rows; ++row) {
    const auto& glyphs = page.Rows[static_cast<size_t>(row)]->Glyphs;
    for (size_t i = 0; i < glyphs.size(); ++i) {
      if (!glyphs[i]->IsReal()) continue;
      const bool revealed = row < s.RevealRow || (row == s.RevealRow && static_cast<int32_t>(i) < s.RevealIndex);
      static_cast<TWdReal*>(glyphs[i])->Alpha = revealed ? kFullAlpha : 0;
    }
  }
  for (const Fade& f : fading) {
    f.glyph->SetAlpha(f.alpha);
    s.Fading.push_back(f.glyph);
  }
  page.Reveal = std::move(s);
}

}  // namespace kuzo
