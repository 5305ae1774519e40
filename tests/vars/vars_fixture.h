// A variable table with its built-in functions for tests, and helpers that compile and evaluate.
#pragma once

#include <string>
#include <string_view>

#include "core/host_state.h"
#include "vars/expression.h"
#include "vars/param_collection.h"
#include "vars/sys_func_man.h"

namespace kuzo::testing {

class VarsFixture {
 public:
  VarsFixture() : functions(table, host) {}

  // Declares a variable of `type` in `scope` and stores `value` (converted by the type).
  TParamCollectionItem& Declare(std::string_view name, uint8_t type, std::string_view value = {},
                                uint8_t scope = vsGlobal) {
    bool initialise = false;
    TParamCollectionItem& item = table.Declare(name, type, scope, initialise);
    if (initialise && !value.empty()) item.Param()->SetString(value);
    return item;
  }
  TCustomParam& Var(std::string_view name) { return *table.Find(name)->Param(); }

  // Compiles and runs `text`; the result as text, or "<none>" when the expression gave no value.
  std::string Eval(std::string_view text) {
    parser.CompileText(text);
    parser.Execute(table);
    const TCustomParam* r = parser.Result();
    return r ? r->AsString() : "<none>";
  }
  // The type code of the last result (0 when none).
  uint8_t ResultType() const { return parser.Result() ? parser.Result()->TypeCode() : 0; }

  TParamCollection table;
  HostState host;
  TSysFuncMan functions;
  TKuzoParser parser;
};

}  // namespace kuzo::testing
