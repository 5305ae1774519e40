// Fuzz harness: script pages (header, property masks, every command record).
#include <string>
#include <string_view>

#include "authoring/title_builder.h"
#include "core/errors.h"
#include "fuzz/fuzz_input.h"
#include "script/page.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kuzo::TPage page;
  try {
    page.Parse("fuzz.ksb", std::string_view(reinterpret_cast<const char*>(data), size));
    kuzo::ByteWriter w;
    page.Write(w);  // whatever loaded must write back
  } catch (const kuzo::KuzoError&) {
  }
  return 0;
}

std::vector<std::string> KuzoFuzzSeeds() {
  std::vector<std::string> seeds;
  const char* sources[] = {
      "var int i = 0\nwhile i < 3 init i = 0 step i = i + 1\n  if i == 1\n    continue\nwait 10 block TRUE\n",
      "box name = \"b\", left = 1 + 2\ncall other.kss@1 into r with 1, \"x\"\nflip type 3 time 100 names \"a\"\n",
      "%version 104\ngamesave 1 caption \"c\" flag 2\ntext w glyphs 0102\npropmotion \"m\", \"b\", PR_LEFT, 1, 2, 3\n",
      "cabinetsave name = \"c\" invert TRUE names \"a\", \"b\"\nreset main.kss@0 full\nlabel x\n"};
  for (const char* s : sources) {
    auto pages = kuzo::CompilePages({{"main.kss", s}});
    kuzo::ByteWriter w;
    pages[0]->Write(w);
    seeds.push_back(w.Take());
  }
  return seeds;
}
