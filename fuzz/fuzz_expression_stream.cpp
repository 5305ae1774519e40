// Fuzz harness for the compiled expression stream: read it, check that writing it back and reading
// that again gives the same bytes, and evaluate it with and without the integer shortcut.
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

  // The same list evaluated twice over, on two equal tables: once with the integer shortcut and
  // once through the general evaluator only. Without built-in calls and system variables (which
  // may read the clock or the random generator) both must leave the same values, results and errors.
  bool calls = false;
  for (int i = 0; i < parser.OpCount(); ++i) {
    const kuzo::TOpeData& op = parser.Op(i);
    calls = calls || op.OpCode == kuzo::ocFunc || op.Dest.starts_with('@');
    for (const auto& operand : op.Operands) {
      if (operand->Class() == kuzo::ParamClass::Var &&
          static_cast<const kuzo::TParamVar&>(*operand).TargetName.starts_with('@')) {
        calls = true;
      }
    }
  }
  std::string outcome[2];
  for (int fastPath = 0; fastPath < 2; ++fastPath) {
    kuzo::TParamCollection table;
    kuzo::HostState host;
    kuzo::TSysFuncMan functions(table, host);
    bool init = false;
    kuzo::TCustomParam* a = table.Declare("a", kuzo::kTypeInt, kuzo::vsGlobal, init).Param();
    int32_t sizes[] = {2, 3};
    a->SetDims(sizes);
    table.Declare("s", kuzo::kTypeStr, kuzo::vsGlobal, init);
    table.Declare("f", kuzo::kTypeFloat, kuzo::vsGlobal, init);
    table.Declare("i", kuzo::kTypeInt, kuzo::vsGlobal, init).Param()->SetInteger(7);
    table.Declare("g", kuzo::kTypeFlag, kuzo::vsGlobal, init);
    kuzo::TKuzoParser& run = fastPath ? parser : again;
    run.SetFastPath(fastPath != 0);
    for (int k = 0; k < 2; ++k) {  // a second run reuses the temporaries and the integer program
      run.Execute(table);
      const kuzo::TCustomParam* r = run.Result();
      outcome[fastPath] += (r ? r->AsString() : std::string("<none>")) + "|" + run.LastError() + "|";
    }
    for (const char* name : {"a", "s", "f", "i", "g"}) {
      const kuzo::TCustomParam& v = *table.Find(name)->Param();
      for (int32_t e = 0; e < v.Count(); ++e) outcome[fastPath] += v.StringAt(e) + ",";
    }
  }
  if (!calls && outcome[0] != outcome[1]) std::abort();
  return 0;
}

std::vector<std::string> KuzoFuzzSeeds() {
  std::vector<std::string> seeds;
  for (const char* text : {"a[1, 2] = a[0, 1] + 3 * -2", "s = \"x\" ++ IntToStr(a[1, 0], 3)",
                           "f = 1.5 / 0.25 >= 2 <> FALSE", "s = Copy(\"abcde\", 2, 3) ++ Calc(\"a = 4\")",
                           "SetArray(s, 2, 2)", "StringToArray(\"p,q\", s, \",\")", "i = i * 3 % 5 - (g <> 0)",
                           "i < 10 == g", "g = (i > 1) == i", "g = i << 31 >> 30 & 7 <= 2"}) {
    seeds.push_back(kuzo::TBuildKuzoParser::Encode(text));
  }
  return seeds;
}
