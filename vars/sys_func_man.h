// The built-in function table (143 functions numbered 0..142: names, argument bounds, result types)
// and the dispatcher that runs a call. Functions that need later subsystems (scene, media, save
// files, data tables) raise a "not available yet" error until their subsystem installs a handler.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "vars/param.h"

namespace kuzo {

struct HostState;
class TParamCollection;
class TSysFuncMan;

constexpr int kSysFuncCount = 143;
constexpr int kNoMaxArgs = -1;
// Deepest nesting of Calc evaluating text that calls Calc again.
constexpr int kMaxCalcDepth = 16;
// Longest string a built-in builds (repetition, padding); longer requests raise an error.
constexpr int64_t kMaxBuiltinStringBytes = int64_t{1} << 24;

struct TSysFuncInfo {
  const char* name;
  int8_t minArgs;
  int8_t maxArgs;  // kNoMaxArgs: no maximum
  uint8_t resultType;
};

// One call in progress: the result variable and the argument operands (constants, or references
// bound to the named variables). Argument numbers are 1-based.
class BuiltinCall {
 public:
  BuiltinCall(TSysFuncMan& man, int number, TCustomParam& result, std::span<TCustomParam* const> args)
      : man_(man), number_(number), result_(result), args_(args) {}

  TSysFuncMan& Man() const { return man_; }
  TParamCollection& Table() const;
  int Number() const { return number_; }
  const char* Name() const;
  TCustomParam& Result() const { return result_; }
  int ArgCount() const { return static_cast<int>(args_.size()); }
  bool Has(int n) const { return n >= 1 && n <= ArgCount(); }
  TCustomParam& Arg(int n) const;  // raises when absent
  int32_t Int(int n) const { return Arg(n).AsInteger(); }
  long double Flt(int n) const { return Arg(n).AsFloat(); }
  bool Flag(int n) const { return Arg(n).AsBoolean(); }
  std::string Str(int n) const { return Arg(n).AsString(); }
  // The argument when it names a variable (a bound reference), else null.
  TCustomParam* Variable(int n) const;
  // As Variable, but raises `message` when the argument does not name a variable.
  TCustomParam& RequireVariable(int n, const char* message) const;

 private:
  TSysFuncMan& man_;
  int number_;
  TCustomParam& result_;
  std::span<TCustomParam* const> args_;
};

using BuiltinHandler = std::function<void(BuiltinCall&)>;

class TSysFuncMan {
 public:
  // Registers itself with the table, so that expressions evaluated against it can call built-ins.
  TSysFuncMan(TParamCollection& table, HostState& host);
  ~TSysFuncMan();
  TSysFuncMan(const TSysFuncMan&) = delete;
  TSysFuncMan& operator=(const TSysFuncMan&) = delete;

  static const TSysFuncInfo& Info(int number);
  // Number of the function with that exact (case-sensitive) name, or -1.
  static int FindFunction(std::string_view name);
  // Type code of a property value by property number (0..161); 0 for other numbers.
  static uint8_t PropertyType(int32_t property);

  // Runs function `number` (numbers >= 143 do nothing). Errors are raised as exceptions.
  void Call(TCustomParam& result, int number, std::span<TCustomParam* const> args);
  // Installs the implementation of a function (later subsystems: scene, data tables, saves).
  void SetHandler(int number, BuiltinHandler handler);
  // Whether function `number` has a working implementation.
  bool Available(int number) const;

  TParamCollection& Table() const { return table_; }
  HostState& Host() const { return host_; }
  int CalcDepth() const { return calcDepth_; }

 private:
  friend struct CalcGuard;
  TParamCollection& table_;
  HostState& host_;
  std::vector<BuiltinHandler> handlers_;
  int calcDepth_ = 0;
};

}  // namespace kuzo
