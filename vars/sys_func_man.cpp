// Dispatcher of the built-in functions: argument access, the "not available yet" default for
// functions of later subsystems, and handler installation.
#include "vars/sys_func_man.h"

#include "core/errors.h"
#include "core/host_state.h"
#include "vars/builtins.h"
#include "vars/param_collection.h"

namespace kuzo {

TParamCollection& BuiltinCall::Table() const { return man_.Table(); }
const char* BuiltinCall::Name() const { return TSysFuncMan::Info(number_).name; }

TCustomParam& BuiltinCall::Arg(int n) const {
  if (!Has(n)) throw KuzoError(Format("%s 引数の数が不正です", Name()));
  return *args_[static_cast<size_t>(n - 1)];
}

TCustomParam* BuiltinCall::Variable(int n) const {
  if (!Has(n)) return nullptr;
  TCustomParam* arg = args_[static_cast<size_t>(n - 1)];
  if (arg->Class() != ParamClass::Var) return nullptr;  // a literal, not a variable
  return static_cast<TParamVar*>(arg)->IsBound() ? arg : nullptr;
}

TCustomParam& BuiltinCall::RequireVariable(int n, const char* message) const {
  TCustomParam* v = Variable(n);
  if (!v) throw KuzoError(message);
  return *v;
}

namespace builtins {
TCustomParam& Underlying(TCustomParam& value) {
  TCustomParam* v = &value;
  // References to references end at a typed or system value; the depth guard stops a cycle.
  for (int depth = 0; depth < 64 && v->Class() == ParamClass::Var; ++depth) {
    TCustomParam* t = static_cast<TParamVar*>(v)->Target();
    if (!t) break;
    v = t;
  }
  return *v;
}
}  // namespace builtins

TSysFuncMan::TSysFuncMan(TParamCollection& table, HostState& host) : table_(table), host_(host) {
  handlers_.resize(kSysFuncCount);
  builtins::HandlerTable handlers(handlers_);
  builtins::RegisterText(handlers);
  builtins::RegisterValues(handlers);
  table_.SetFunctions(this);
}

TSysFuncMan::~TSysFuncMan() {
  if (table_.Functions() == this) table_.SetFunctions(nullptr);
}

void TSysFuncMan::Call(TCustomParam& result, int number, std::span<TCustomParam* const> args) {
  if (number < 0 || number >= kSysFuncCount) return;
  BuiltinCall call(*this, number, result, args);
  const BuiltinHandler& handler = handlers_[static_cast<size_t>(number)];
  if (!handler) {
    host_.ReportMissing(std::string("built-in function ") + Info(number).name);
    throw KuzoError(Format("%s: not available yet", Info(number).name));
  }
  handler(call);
}

void TSysFuncMan::SetHandler(int number, BuiltinHandler handler) {
  if (number < 0 || number >= kSysFuncCount) throw KuzoError("内部エラー");
  handlers_[static_cast<size_t>(number)] = std::move(handler);
}

bool TSysFuncMan::Available(int number) const {
  return number >= 0 && number < kSysFuncCount && static_cast<bool>(handlers_[static_cast<size_t>(number)]);
}

}  // namespace kuzo
