// Fuzz harness: tagged text (scanner, tags, state stacks), VAR expansion with frozen values, and
// layout of whatever converted at a width taken from the input.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/byte_reader.h"
#include "core/errors.h"
#include "fuzz/fuzz_input.h"
#include "text/aozora.h"
#include "text/nk_word.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  int32_t width = size > 0 ? static_cast<int32_t>(data[0]) - 16 : 0;  // negative, zero and narrow areas too
  kuzo::TNkWord word;
  word.FontSize = 12;
  word.AreaWidth = width;
  word.PageHeight = 64;
  word.VarValues = {{"v", std::string(text.substr(0, 64))}};
  try {
    word.SetText(size > 1 && data[1] == '@' ? kuzo::AozoraToMarkup({std::string(text)}).front() : std::string(text));
  } catch (const kuzo::KuzoError&) {
  }
  word.ExpandVars(0, -1, nullptr);
  std::vector<std::unique_ptr<kuzo::TWdPage>> pages;
  word.Layout(pages);
  pages.clear();
  word.CollapseVars(0, -1);
  kuzo::ByteWriter w;
  word.WriteGlyphs(w);
  kuzo::TNkWord back;
  kuzo::ByteReader r(w.Str(), "fuzz");
  back.LoadGlyphs(r);  // whatever converted stores and loads again
  return 0;
}

std::vector<std::string> KuzoFuzzSeeds() {
  return {
      "P<FONT SIZE=20 COLOR=#FF0000 BORDER=2>red</FONT> <B><I>bi</I></B><BR CLEAR>",
      "(<RUBY VALUE=\"kan\">AB</RUBY><NOBR>no break</NOBR><A HREF=\"x\\ny\">link</A><VAR NAME=v>",
      "\x40@<PRE>\r a\tb\r</PRE><!-- c <!-- d --> --><DIV ALIGN=RIGHT>r</DIV><INDENT>i<UNDENT>",
      "\x20<EVENT VALUE=e END><WAIT VALUE=-5>w</WAIT><IMG SRC=a.drl ALIGN=TOP>\\<x\\>\"q>\"",
  };
}
