// Text layout benchmarks: a whole novel of the corpus (Shift-JIS, Aozora notation) converted to
// tagged text once, then markup conversion and layout at 640 px, against a reference measured in the
// same run: one pass over the same bytes counting characters. Per-1000-character times are reported
// as counters (time_per_1000_chars).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/sjis.h"
#include "text/aozora.h"
#include "text/nk_word.h"

#ifndef KUZO_CORPUS_DIR
#define KUZO_CORPUS_DIR "../shared/corpus"
#endif

namespace {

using namespace kuzo;

struct Novel {
  std::vector<std::string> markup;
  std::string joined;
  size_t chars = 0;
};

const Novel& TheNovel() {
  static Novel novel = [] {
    Novel n;
    std::string path = std::string(KUZO_CORPUS_DIR) + "/text/gingatetsudo_no_yoru_miyazawa.sjis.txt";
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    std::string data = ss.str();
    std::vector<std::string> lines;
    std::string line;
    for (char c : data) {
      if (c == '\n') {
        lines.push_back(line);
        line.clear();
      } else if (c != '\r') {
        line += c;
      }
    }
    n.markup = AozoraToMarkup(lines);
    for (const auto& l : n.markup) n.joined += l + "\r";
    n.chars = sjis::CharCount(data);
    return n;
  }();
  return novel;
}

void SetPerThousand(benchmark::State& state, size_t chars) {
  state.counters["time_per_1000_chars"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * static_cast<double>(chars) / 1000.0,
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Reference: one pass over the same bytes, stepping double-byte characters.
void BM_ReferenceCharacterScan(benchmark::State& state) {
  const Novel& n = TheNovel();
  for (auto _ : state) benchmark::DoNotOptimize(sjis::CharCount(n.joined));
  SetPerThousand(state, n.chars);
}
BENCHMARK(BM_ReferenceCharacterScan)->Unit(benchmark::kMicrosecond);

void BM_MarkupToGlyphs(benchmark::State& state) {
  const Novel& n = TheNovel();
  for (auto _ : state) {
    TNkWord word;
    word.SetText(n.markup);
    benchmark::DoNotOptimize(word.GlyphCount());
  }
  SetPerThousand(state, n.chars);
}
BENCHMARK(BM_MarkupToGlyphs)->Unit(benchmark::kMillisecond);

void BM_LayoutNovelAt640(benchmark::State& state) {
  const Novel& n = TheNovel();
  TNkWord word;
  word.FontSize = 24;
  word.PageHeight = 480;
  word.SetText(n.markup);
  for (auto _ : state) {
    word.AreaWidth = 640;
    std::vector<std::unique_ptr<TWdPage>> pages;
    word.Layout(pages);
    benchmark::DoNotOptimize(pages.size());
  }
  SetPerThousand(state, n.chars);
}
BENCHMARK(BM_LayoutNovelAt640)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
