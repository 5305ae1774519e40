// A compiled expression field of a command record: read from and written to the page stream, run
// against the variable table, and read through the value conversions. Commands never see the
// evaluator's classes directly; this is the one place that binds them.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/byte_reader.h"

namespace kuzo {

class TKuzoParser;
class TCustomParam;
class TParamCollection;

class Expr {
 public:
  Expr();
  ~Expr();
  Expr(Expr&&) noexcept;
  Expr& operator=(Expr&&) noexcept;

  // Compiles expression text (Shift-JIS). Empty or blank text gives the empty expression (no
  // operations, which yields no value). Raises KuzoError with the compiler's message.
  static Expr Compile(std::string_view text);

  void Read(ByteReader& r);
  void Write(ByteWriter& w) const;
  // No operations: evaluating yields nothing.
  bool Empty() const;

  // Runs the expression. The value (or nullptr when it yields nothing) stays valid until the next
  // Eval of this expression.
  const TCustomParam* Eval(TParamCollection& vars);
  std::optional<int32_t> EvalInt(TParamCollection& vars);
  std::optional<bool> EvalFlag(TParamCollection& vars);
  std::optional<std::string> EvalText(TParamCollection& vars);
  std::optional<long double> EvalFloat(TParamCollection& vars);

  // The operations in readable three-address form ("x = ____0; ____0 = a + 1"); "" when empty.
  std::string Describe() const;

 private:
  std::unique_ptr<TKuzoParser> parser_;
};

}  // namespace kuzo
