// Text drawing benchmarks: a page of 400 full-width characters at 24 px with a 2-pixel border,
// rendered into the glyph surfaces with the glyph cache warm (also with a shadow), and drawn onto a
// 32-bit target; the cost of a glyph cache miss per character (every request a new glyph). The
// reference, measured in the same run, is a memcpy of the page's colour surface.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "graphics/font_pixel.h"
#include "text/nk_word.h"

namespace {

using namespace kuzo;

constexpr int kPageSide = 560;  // 20 x 20 cells of 28 px (24 px characters, 2 px of border each side)

std::string PageMarkup(int distinct, const char* font = "<FONT BORDER=2>") {
  std::string text = font;
  for (int i = 0; i < 400; ++i) {
    uint16_t code = static_cast<uint16_t>(0x889F + (i % distinct));  // level-1 kanji
    text += static_cast<char>(code >> 8);
    text += static_cast<char>(code & 0xFF);
  }
  return text + "</FONT>";
}

struct Setup {
  TNkWord word;
  std::vector<std::unique_ptr<TWdPage>> pages;
  explicit Setup(int distinct, const char* font = "<FONT BORDER=2>") {
    word.FontSize = 24;
    word.AreaWidth = kPageSide;
    word.PageHeight = kPageSide;
    word.FadeTime = 0;
    word.SetText(PageMarkup(distinct, font));
    word.Layout(pages);
  }
};

void BM_ReferenceMemcpyPage(benchmark::State& state) {
  std::vector<uint32_t> a(kPageSide * kPageSide, 1), b(kPageSide * kPageSide);
  for (auto _ : state) {
    std::memcpy(b.data(), a.data(), a.size() * 4);
    benchmark::DoNotOptimize(b.data());
  }
}
BENCHMARK(BM_ReferenceMemcpyPage)->Unit(benchmark::kMicrosecond);

void BM_RenderPageWarmCache(benchmark::State& state) {
  Setup s(100);
  TFontPixelManager glyphs;
  s.word.Render(*s.pages[0], glyphs);  // warm
  for (auto _ : state) s.word.Render(*s.pages[0], glyphs);
  state.counters["cache_misses"] = static_cast<double>(glyphs.CreatedCount());
}
BENCHMARK(BM_RenderPageWarmCache)->Unit(benchmark::kMicrosecond);

// Border and shadow: every glyph is outlined twice, in two colours.
void BM_RenderPageBorderAndShadowWarmCache(benchmark::State& state) {
  Setup s(100, "<FONT BORDER=2 SHADOW=2>");
  TFontPixelManager glyphs;
  s.word.Render(*s.pages[0], glyphs);  // warm
  for (auto _ : state) s.word.Render(*s.pages[0], glyphs);
}
BENCHMARK(BM_RenderPageBorderAndShadowWarmCache)->Unit(benchmark::kMicrosecond);

void BM_DrawRevealedPage(benchmark::State& state) {
  Setup s(100);
  TFontPixelManager glyphs;
  s.word.Render(*s.pages[0], glyphs);
  s.word.ResetReveal(*s.pages[0]);
  s.word.Step(*s.pages[0], 16);
  TDIBX target(kPageSide, kPageSide, 32);
  s.word.Target = &target;
  for (auto _ : state) s.word.Draw(*s.pages[0]);
}
BENCHMARK(BM_DrawRevealedPage)->Unit(benchmark::kMicrosecond);

// 400 distinct characters per page: the 256-entry cache misses on every request.
void BM_RenderPageEveryGlyphAMiss(benchmark::State& state) {
  Setup s(400);
  TFontPixelManager glyphs;
  s.word.Render(*s.pages[0], glyphs);
  uint64_t before = glyphs.CreatedCount();
  for (auto _ : state) s.word.Render(*s.pages[0], glyphs);
  state.counters["misses_per_page"] =
      static_cast<double>(glyphs.CreatedCount() - before) / static_cast<double>(state.iterations());
  state.counters["time_per_char"] = benchmark::Counter(static_cast<double>(state.iterations()) * 400.0,
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_RenderPageEveryGlyphAMiss)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
