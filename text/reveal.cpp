// The typewriter: glyphs of a page are revealed one after another by their typing delays, fade in
// over FadeTime, and EVENT glyphs are reported once everything shown so far is opaque.
#include <algorithm>
#include <climits>

#include "text/nk_word.h"

namespace kuzo {
namespace {

constexpr int32_t kFullAlpha = 255;

bool PastLastRow(const TWdPage& page) { return page.Reveal.RevealRow >= static_cast<int32_t>(page.Rows.size()); }

}  // namespace

TRectI TNkWord::DestRect(const TWdPage& page, const TWdGlyph& g) const {
  int64_t top = AreaTop - (Paging ? 0 : page.Reveal.ScrollOffset);
  int64_t rowY = g.Row ? g.Row->Y : 0;
  int64_t x = int64_t{AreaLeft} + g.X, y = top + rowY + g.Y;
  auto clamp32 = [](int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
  TRectI r{clamp32(x), clamp32(y), clamp32(x + g.Width), clamp32(y + g.Height)};
  if (g.IsReal()) {
    const TRectI& d = static_cast<const TWdReal&>(g).DrawnBox;
    if (!d.Empty()) {
      r.Left = std::min(r.Left, clamp32(int64_t{AreaLeft} + d.Left));
      r.Top = std::min(r.Top, clamp32(top + d.Top));
      r.Right = std::max(r.Right, clamp32(int64_t{AreaLeft} + d.Right));
      r.Bottom = std::max(r.Bottom, clamp32(top + d.Bottom));
    }
  }
  return r;
}

void TNkWord::ResetReveal(TWdPage& page) {
  int32_t scroll = page.Reveal.ScrollOffset;
  page.Reveal = TWdRevealState{};
  page.Reveal.ScrollOffset = scroll;
  page.Reveal.StartDelay = FadeTime > 0 ? 1 : 0;
  // Everything starts hidden again, so a page shown before types anew.
  for (auto& row : page.Rows) {
    for (TWdGlyph* g : row->Glyphs) {
      if (g->IsReal()) static_cast<TWdReal*>(g)->Alpha = 0;
    }
  }
}

bool TNkWord::HasMore(const TWdPage& page) const {
  const TWdRevealState& s = page.Reveal;
  if (Paging) return (!PastLastRow(page) && !Paused) || !s.Fading.empty();
  if (!s.Fading.empty()) return true;
  if (PastLastRow(page)) return false;
  const TWdRow& row = *page.Rows[static_cast<size_t>(s.RevealRow)];
  return int64_t{row.Y} + row.Height - s.ScrollOffset <= PageHeight;
}

bool TNkWord::Step(TWdPage& page, int32_t elapsedMs, std::string* shown) {
  TWdRevealState& s = page.Reveal;
  bool finishedNow = false;
  if (!s.Finished && PastLastRow(page) && s.Fading.empty()) {
    s.Finished = true;
    finishedNow = true;
  }
  DirtyRects.clear();
  if (s.StartDelay >= 1) {
    --s.StartDelay;
    return finishedNow;
  }
  int64_t elapsed = std::max(0, elapsedMs);
  if (!PastLastRow(page) && !Paused && s.PendingEvents.empty()) {
    if (s.RevealRow == 0 && s.RevealIndex == 0) {
      s.WaitBudget = 0;
      s.AlphaAccumulator = 0;
      elapsed = 0;
    } else if (s.EventJustShown) {
      s.EventJustShown = false;
      elapsed = 0;
    }
    s.WaitBudget = static_cast<int32_t>(std::max<int64_t>(INT32_MIN, int64_t{s.WaitBudget} - elapsed));
    while (!PastLastRow(page) && s.WaitBudget <= 0) {
      TWdRow& row = *page.Rows[static_cast<size_t>(s.RevealRow)];
      if (int64_t{row.Y} - s.ScrollOffset > PageHeight) break;  // below the visible area
      TWdGlyph& g = *row.Glyphs[static_cast<size_t>(s.RevealIndex)];
      if (g.IsReal()) {
        auto& real = static_cast<TWdReal&>(g);
        real.Alpha = 0;
        int64_t add = 0;
        if (real.Wait >= 0) {
          add = int64_t{real.Wait} * std::max(0, Speed) / 256;
        } else if (Speed >= 0) {
          add = -int64_t{real.Wait};
        }
        s.WaitBudget = static_cast<int32_t>(std::min<int64_t>(INT32_MAX, s.WaitBudget + add));
        s.Fading.push_back(&real);
        // An image whose picture loaded (it has a size) starts animating once revealed.
        if (g.Kind == GlyphKind::Img && g.Width > 0 && g.Height > 0) s.Animated.push_back(static_cast<TWdImg*>(&g));
      }
      // Advance the cursor and put the caret before the next glyph.
      if (++s.RevealIndex >= static_cast<int32_t>(row.Glyphs.size())) {
        ++s.RevealRow;
        s.RevealIndex = 0;
      }
      if (!PastLastRow(page)) {
        const TWdRow& next = *page.Rows[static_cast<size_t>(s.RevealRow)];
        CaretX = next.Glyphs[static_cast<size_t>(s.RevealIndex)]->X;
        CaretY = next.Y;
        CaretHeight = next.Height;
      } else {
        CaretX = g.X + g.Width;
        CaretY = row.Y;
        CaretHeight = row.Height;
      }
      if (g.IsChar() && shown) *shown += static_cast<const TWdChar&>(g).Bytes();
      if (g.Kind == GlyphKind::Img && shown) *shown += '*';
      if (g.Kind == GlyphKind::Event && EventsEnabled) {
        const auto& e = static_cast<const TWdOpeEvent&>(g);
        if (!s.PendingEvents.empty()) s.PendingEvents += '\t';
        s.PendingEvents += e.Value;
        s.EventJustShown = true;
        bool nextIsEvent = !PastLastRow(page) &&
                           page.Rows[static_cast<size_t>(s.RevealRow)]->Glyphs[static_cast<size_t>(s.RevealIndex)]->Kind ==
                               GlyphKind::Event;
        if (e.IsEnd || !nextIsEvent) break;
      }
    }
  }
  // Fade: the accumulated time, in ms x 256, becomes alpha steps of FadeTime each.
  int64_t acc = int64_t{s.AlphaAccumulator} + elapsed * 256;
  int64_t step = FadeTime > 0 ? acc / FadeTime : kFullAlpha;
  if (step > 0) {
    acc %= std::max(FadeTime, 1);
    for (size_t i = s.Fading.size(); i-- > 0;) {
      TWdReal* g = s.Fading[i];
      g->SetAlpha(static_cast<int32_t>(std::min<int64_t>(kFullAlpha, g->Alpha + step)));
      DirtyRects.push_back(DestRect(page, *g));
      if (g->Alpha > 254) s.Fading.erase(s.Fading.begin() + static_cast<std::ptrdiff_t>(i));
    }
  }
  s.AlphaAccumulator = static_cast<int32_t>(std::min<int64_t>(acc, INT32_MAX));
  if (!s.PendingEvents.empty() && s.Fading.empty()) {
    std::string events = std::move(s.PendingEvents);
    s.PendingEvents.clear();
    size_t start = 0;
    while (true) {
      size_t tab = events.find('\t', start);
      if (OnEvent) OnEvent(events.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
      if (tab == std::string::npos) break;
      start = tab + 1;
    }
  }
  return finishedNow;
}

}  // namespace kuzo
