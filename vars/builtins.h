// Registration of the built-in function groups into the dispatcher's handler table (internal to
// the built-in function files).
#pragma once

#include <vector>

#include "vars/builtin_ids.h"
#include "vars/sys_func_man.h"

namespace kuzo::builtins {

// The dispatcher's handlers, one slot per built-in.
class HandlerTable {
 public:
  explicit HandlerTable(std::vector<BuiltinHandler>& handlers) : handlers_(handlers) {}
  BuiltinHandler& operator[](Builtin b) { return handlers_.at(static_cast<size_t>(BuiltinNumber(b))); }

 private:
  std::vector<BuiltinHandler>& handlers_;
};

// String, path and kana functions.
void RegisterText(HandlerTable& table);
// Arrays, numbers, dates and times, variables and Calc.
void RegisterValues(HandlerTable& table);

// The value a reference finally stands for (the value itself when it is not a reference).
TCustomParam& Underlying(TCustomParam& value);

}  // namespace kuzo::builtins
