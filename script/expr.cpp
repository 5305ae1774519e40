// Expression fields bound to the evaluator.
#include "script/expr.h"

#include "core/sjis.h"
#include "vars/expression.h"
#include "vars/expression_compiler.h"
#include "vars/param.h"
#include "vars/param_collection.h"
#include "vars/sys_func_man.h"

namespace kuzo {
namespace {

bool IsBlankText(std::string_view t) {
  for (char c : t)
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return false;
  return true;
}

const char* OperatorText(uint8_t code) {
  switch (code) {
    case ocPlus: return "+";
    case ocMinus: return "-";
    case ocMul: return "*";
    case ocDiv: return "/";
    case ocMod: return "%";
    case ocOr: return "|";
    case ocAnd: return "&";
    case ocXor: return "^";
    case ocEqual: return "==";
    case ocBig: return ">";
    case ocSmall: return "<";
    case ocEBig: return ">=";
    case ocESmall: return "<=";
    case ocShiftL: return "<<";
    case ocShiftR: return ">>";
    case ocComboStr: return "++";
    case ocNEqual: return "<>";
    default: return nullptr;
  }
}

std::string OperandText(const TCustomParam& p) {
  switch (p.Class()) {
    case ParamClass::Var: return static_cast<const TParamVar&>(p).TargetName;
    case ParamClass::Str: {
      std::string out = "\"";
      for (char c : p.AsString()) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
      }
      return out + "\"";
    }
    default: return p.AsString();
  }
}

}  // namespace

Expr::Expr() = default;
Expr::~Expr() = default;
Expr::Expr(Expr&&) noexcept = default;
Expr& Expr::operator=(Expr&&) noexcept = default;

Expr Expr::Compile(std::string_view text) {
  Expr e;
  if (IsBlankText(text)) return e;
  const std::string bytes = TBuildKuzoParser::Encode(text);
  ByteReader r(bytes, "expression");
  e.parser_ = std::make_unique<TKuzoParser>();
  e.parser_->ReadFrom(r);
  return e;
}

void Expr::Read(ByteReader& r) {
  auto p = std::make_unique<TKuzoParser>();
  p->ReadFrom(r);
  parser_ = p->OpCount() > 0 ? std::move(p) : nullptr;
}

void Expr::Write(ByteWriter& w) const {
  if (parser_)
    parser_->WriteTo(w);
  else
    w.U32(0);
}

bool Expr::Empty() const { return !parser_ || parser_->OpCount() == 0; }

const TCustomParam* Expr::Eval(TParamCollection& vars) {
  if (!parser_) return nullptr;
  parser_->Execute(vars);
  return parser_->Result();
}

std::optional<int32_t> Expr::EvalInt(TParamCollection& vars) {
  const TCustomParam* v = Eval(vars);
  if (!v) return std::nullopt;
  return v->AsInteger();
}

std::optional<bool> Expr::EvalFlag(TParamCollection& vars) {
  if (!parser_) return std::nullopt;
  return parser_->ExecuteFlag(vars);
}

std::optional<std::string> Expr::EvalText(TParamCollection& vars) {
  const TCustomParam* v = Eval(vars);
  if (!v) return std::nullopt;
  return v->AsString();
}

std::optional<long double> Expr::EvalFloat(TParamCollection& vars) {
  const TCustomParam* v = Eval(vars);
  if (!v) return std::nullopt;
  return v->AsFloat();
}

std::string Expr::Describe() const {
  if (!parser_) return {};
  std::string out;
  for (int i = 0; i < parser_->OpCount(); ++i) {
    const TOpeData& op = parser_->Op(i);
    if (!out.empty()) out += "; ";
    out += op.Dest + " = ";
    const auto& ops = op.Operands;
    auto arg = [&](size_t k) { return k < ops.size() && ops[k] ? OperandText(*ops[k]) : std::string("?"); };
    if (op.OpCode == ocTo) {
      out += arg(0);
    } else if (const char* sym = OperatorText(op.OpCode)) {
      out += arg(0) + " " + sym + " " + arg(1);
    } else if (op.OpCode == ocDimTo) {
      out += arg(0) + "[";
      for (size_t k = 1; k < ops.size(); ++k) out += (k > 1 ? "," : "") + arg(k);
      out += "]";
    } else if (op.OpCode == ocFunc) {
      out += std::string(TSysFuncMan::Info(op.FuncId).name) + "(";
      for (size_t k = 0; k < ops.size(); ++k) out += (k > 0 ? ", " : "") + arg(k);
      out += ")";
    } else {
      out += std::string(OpCodeName(op.OpCode)) + "(";
      for (size_t k = 0; k < ops.size(); ++k) out += (k > 0 ? ", " : "") + arg(k);
      out += ")";
    }
  }
  return out;
}

}  // namespace kuzo
