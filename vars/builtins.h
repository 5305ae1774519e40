// Registration of the built-in function groups into the dispatcher's handler table (internal to
// the built-in function files).
#pragma once

#include <vector>

#include "vars/sys_func_man.h"

namespace kuzo::builtins {

using HandlerTable = std::vector<BuiltinHandler>;

// String, path and kana functions.
void RegisterText(HandlerTable& table);
// Arrays, numbers, dates and times, variables and Calc.
void RegisterValues(HandlerTable& table);

// The value a reference finally stands for (the value itself when it is not a reference).
TCustomParam& Underlying(TCustomParam& value);

}  // namespace kuzo::builtins
