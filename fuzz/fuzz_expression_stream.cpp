// Fuzz harness for the compiled expression stream: read it, evaluate it against a table with a few
// variables, and check that writing it back and reading that again gives the same bytes.
#include <cstdlib>

#include "core/byte_reader.h"
#include "core/host_state.h"
#include "fuzz/fuzz_input.h"
#include "vars/expression.h"
#include "vars/expression_compiler.h"
#include "vars/param_collection.h"
#include "vars/sys_func_man.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kuzo::TKuzoParser parser;
  try {
    kuzo::ByteReader r(std::span<const uint8_t>(data, size), "fuzz");
    parser.ReadFrom(r);
  } catch (const kuzo::KuzoError&) {
    return 0;
  }
  kuzo::ByteWriter first;
  parser.WriteTo(first);
  kuzo::TKuzoParser again;
  kuzo::ByteReader r2(first.Str(), "rewrite");
  again.ReadFrom(r2);
  kuzo::ByteWriter second;
  again.WriteTo(second);
  if (first.Str() != second.Str()) std::abort();

  kuzo::TParamCollection table;
  kuzo::HostState host;
  kuzo::TSysFuncMan functions(table, host);
  bool init = false;
  kuzo::TCustomParam* a = table.Declare("a", kuzo::kTypeInt, kuzo::vsGlobal, init).Param();
  int32_t sizes[] = {2, 3};
  a->SetDims(sizes);
  table.Declare("s", kuzo::kTypeStr, kuzo::vsGlobal, init);
  table.Declare("f", kuzo::kTypeFloat, kuzo::vsGlobal, init);
  parser.Execute(table);
  parser.Execute(table);  // a second run reuses the temporaries
  return 0;
}

std::vector<std::string> KuzoFuzzSeeds() {
  std::vector<std::string> seeds;
  for (const char* text : {"a[1, 2] = a[0, 1] + 3 * -2", "s = \"x\" ++ IntToStr(a[1, 0], 3)",
                           "f = 1.5 / 0.25 >= 2 <> FALSE", "s = Copy(\"abcde\", 2, 3) ++ Calc(\"a = 4\")",
                           "SetArray(s, 2, 2)", "StringToArray(\"p,q\", s, \",\")"}) {
    seeds.push_back(kuzo::TBuildKuzoParser::Encode(text));
  }
  return seeds;
}
