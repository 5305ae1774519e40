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
  // Images take a size from their name, so floating and inline images take space.
  word.ImageSize = [](const std::string& source) {
    const int32_t n = static_cast<int32_t>(source.size());
    return kuzo::TextSize{n * 7 % 61, n * 13 % 71};
  };
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
      "<IMG SRC=leftimage>ab cd ef<IMG SRC=rightpicture>gh<BR>ij<IMG SRC=tallfloat>kl mn op qr st",
  };
  for (const char* t : texts) {
    kuzo::TNkWord w;
    w.SetText(t);
    // Stored lists may hold floating images (LEFT and RIGHT), which markup cannot write.
    uint8_t align = kuzo::kAlignLeft;
    for (size_t i = 0; i < w.GlyphCount(); ++i) {
      if (w.Glyph(i)->Kind != kuzo::GlyphKind::Img) continue;
      auto& img = static_cast<kuzo::TWdImg&>(*w.Glyph(i));
      if (img.Source.size() > 3) img.VAlign = align++;
    }
    kuzo::ByteWriter out;
    w.WriteGlyphs(out);
    seeds.push_back(out.Take());
  }
  return seeds;
}
