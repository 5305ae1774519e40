// Fuzz harness: stored glyph lists (header, style records, every glyph type, old compiled VAR
// expressions), then layout of what loaded, and the loaded list written back as markup and
// converted again.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/byte_reader.h"
#include "core/errors.h"
#include "fuzz/fuzz_input.h"
#include "text/glyph_markup.h"
#include "text/nk_word.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kuzo::TNkWord word;
  word.AreaWidth = 100;
  word.PageHeight = 50;
  try {
    kuzo::ByteReader r(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.ksb: text");
    word.LoadGlyphs(r);
  } catch (const kuzo::KuzoError&) {
  }
  try {
    kuzo::TNkWord again;
    again.SetText(kuzo::GlyphsToMarkup(word, 0));
  } catch (const kuzo::KuzoError&) {
  }
  word.ExpandVars(0, -1, nullptr);
  std::vector<std::unique_ptr<kuzo::TWdPage>> pages;
  word.Layout(pages);
  return 0;
}

std::vector<std::string> KuzoFuzzSeeds() {
  std::vector<std::string> seeds;
  const char* texts[] = {
      "<FONT SIZE=20 COLOR=#FF0000 SHADOW=1>a</FONT><RUBY VALUE=r>bc</RUBY><BR CLEAR>",
      "<DIV ALIGN=CENTER>x</DIV><INDENT>y<UNDENT><EVENT VALUE=e END><VAR NAME=n><IMG SRC=i ALIGN=CENTER>",
  };
  for (const char* t : texts) {
    kuzo::TNkWord w;
    w.SetText(t);
    kuzo::ByteWriter out;
    w.WriteGlyphs(out);
    seeds.push_back(out.Take());
  }
  return seeds;
}
