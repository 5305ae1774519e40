// Fuzz harness for the expression compiler: any text either compiles to a stream the evaluator
// reads back completely, or raises the compiler's error.
#include <cstdlib>

#include "core/byte_reader.h"
#include "core/host_state.h"
#include "fuzz/fuzz_input.h"
#include "vars/expression.h"
#include "vars/expression_compiler.h"
#include "vars/param_collection.h"
#include "vars/sys_func_man.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;  // the rewriting compiler is quadratic in the text length
  std::string text(reinterpret_cast<const char*>(data), size);
  std::string encoded;
  try {
    encoded = kuzo::TBuildKuzoParser::Encode(text);
  } catch (const kuzo::KuzoError&) {
    return 0;
  }
  kuzo::TKuzoParser parser;
  kuzo::ByteReader r(encoded, "compiled");
  parser.ReadFrom(r);
  if (!r.AtEnd()) std::abort();
  kuzo::TParamCollection table;
  kuzo::HostState host;
  kuzo::TSysFuncMan functions(table, host);
  bool init = false;
  table.Declare("x", kuzo::kTypeInt, kuzo::vsGlobal, init);
  table.Declare("s", kuzo::kTypeStr, kuzo::vsGlobal, init);
  parser.Execute(table);
  return 0;
}

std::vector<std::string> KuzoFuzzSeeds() {
  return {"x = (x + 1) * IntToStr(x, 2)", "s = \"a\\\"b\" ++ s[0]", "x = -x * --3 % 7 << 2 | 1",
          "Max(Min(1, 2), (3))", "s = Calc(\"x = 1\")", "a[1][2]", "((x)", "\"\x83\x5c\" ++ \x83\x5b"};
}
