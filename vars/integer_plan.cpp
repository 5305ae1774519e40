// Integer-only expression programs: built from a read operation list and the variables it names,
// run over typed integer slots.
#include "vars/integer_plan.h"

#include <limits>

#include "core/errors.h"
#include "vars/expression.h"
#include "vars/param_collection.h"

namespace kuzo {

namespace {
constexpr const char* kDivideByZero = "0で除算しました";
constexpr const char* kIntegerOverflow = "整数演算のオーバーフロー";

int32_t Wrap(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v))); }

bool IsComparisonCode(uint8_t code) {
  return code == ocEqual || code == ocBig || code == ocSmall || code == ocEBig || code == ocESmall ||
         code == ocNEqual;
}
}  // namespace

namespace {
// Raised out of line, so that the arithmetic around it keeps its registers.
[[noreturn]] [[gnu::noinline]] [[gnu::cold]] void Fail(const char* message) { throw KuzoError(message); }

inline int32_t Operate(uint8_t code, int32_t a, int32_t b, bool flagCompare) {
  const int64_t x = a;
  if (flagCompare) b = b != 0 ? 1 : 0;  // set for comparisons only
  const int64_t y = b;
  switch (code) {
    case ocTo:
      return a;
    case ocPlus:
      return Wrap(x + y);
    case ocMinus:
      return Wrap(x - y);
    case ocMul:
      return Wrap(x * y);
    case ocDiv:
    case ocMod:
      if (y == 0) Fail(kDivideByZero);
      if (x == std::numeric_limits<int32_t>::min() && y == -1) Fail(kIntegerOverflow);
      return static_cast<int32_t>(code == ocDiv ? x / y : x % y);  // toward zero; sign of the dividend
    case ocOr:
      return a | b;
    case ocAnd:
      return a & b;
    case ocXor:
      return a ^ b;
    case ocShiftL:
      return static_cast<int32_t>(static_cast<uint32_t>(a) << (b & 31));
    case ocShiftR:
      return static_cast<int32_t>(static_cast<uint32_t>(a) >> (b & 31));
    case ocEqual:
      return a == b;
    case ocBig:
      return a > b;
    case ocSmall:
      return a < b;
    case ocEBig:
      return a >= b;
    case ocESmall:
      return a <= b;
    default:
      return a != b;
  }
}
}  // namespace

int32_t IntegerOperation(uint8_t code, int32_t a, int32_t b, bool flagCompare) {
  return Operate(code, a, b, flagCompare);
}

void TIntegerPlan::Build(const std::vector<std::unique_ptr<TOpeData>>& ops, TParamCollection& table, size_t tempCount,
                         int32_t argSlot) {
  table_ = &table;
  tableGeneration_ = table.GenerationPtr();
  generation_ = table.Generation();
  usable_ = false;
  steps_.clear();
  slots_.assign(tempCount, 0);
  tempTypes_.assign(tempCount, kTypeNone);  // none: not assigned yet in a run
  argSlot_ = -1;

  // A variable the plan may read and write directly: a typed integer or flag value.
  auto variable = [&table](std::string_view name, Operand& o, uint8_t& type) {
    TParamCollectionItem* item = table.Find(name);
    TCustomParam* p = item ? item->Param() : nullptr;
    if (!p || (p->Class() != ParamClass::Int && p->Class() != ParamClass::Flag)) return false;
    o.var = p;
    o.source = p->Class() == ParamClass::Int ? Source::IntVar : Source::FlagVar;
    type = p->Class() == ParamClass::Int ? kTypeInt : kTypeFlag;
    return true;
  };

  for (size_t i = 0; i < ops.size(); ++i) {
    const TOpeData& op = *ops[i];
    if (!op.fastEligible) return;
    Step step;
    step.code = op.OpCode;
    uint8_t types[2] = {kTypeInt, kTypeInt};
    const size_t count = op.OpCode == ocTo ? 1 : 2;
    for (size_t k = 0; k < count; ++k) {
      Operand& o = k == 0 ? step.a : step.b;
      const TOpeData::FastOperand& fast = op.fastOperands[k];
      const int32_t temp = op.operandSlots[k].temp;
      if (fast.constType != kTypeNone) {
        o.slot = ConstantSlot(fast.constValue);
        types[k] = fast.constType;
      } else if (temp >= 0) {
        // Read before any operation assigned it: the general path raises the missing name.
        if (tempTypes_[static_cast<size_t>(temp)] == kTypeNone) return;
        o.slot = temp;
        types[k] = tempTypes_[static_cast<size_t>(temp)];
      } else if (!variable(static_cast<const TParamVar&>(*op.Operands[k]).TargetName, o, types[k])) {
        return;
      }
    }
    const bool comparison = IsComparisonCode(op.OpCode);
    const int32_t destTemp = op.destSlot.temp;
    if (destTemp >= 0) {
      // The value of the expression is set by the last operation only, so that a run that stops
      // early never leaves one.
      if (destTemp == argSlot && i + 1 != ops.size()) return;
      uint8_t& type = tempTypes_[static_cast<size_t>(destTemp)];
      // A new temporary: an assignment takes its operand's type, a comparison gives a flag, the
      // other operators here an integer. A temporary assigned again keeps its first type.
      if (type == kTypeNone) type = op.OpCode == ocTo ? types[0] : comparison ? kTypeFlag : kTypeInt;
      step.dest.source = type == kTypeFlag ? Source::FlagSlot : Source::Slot;
      step.dest.slot = destTemp;
    } else {
      uint8_t ignored;
      if (!variable(op.Dest, step.dest, ignored)) return;
    }
    step.flagCompare = comparison && types[0] == kTypeFlag;
    steps_.push_back(step);
  }
  argSlot_ = argSlot;
  FuseCopies(tempCount);
  usable_ = true;
}

// "T = a op b" followed by "D = T", where the temporary T is read nowhere else, becomes one step
// "D = a op b": T's value is invisible outside the run, so only its conversion to a flag remains.
void TIntegerPlan::FuseCopies(size_t tempCount) {
  std::vector<int> reads(tempCount, 0);
  auto countRead = [&](const Operand& o) {
    if (o.source == Source::Slot && static_cast<size_t>(o.slot) < tempCount) ++reads[static_cast<size_t>(o.slot)];
  };
  for (const Step& step : steps_) {
    countRead(step.a);
    if (step.code != ocTo) countRead(step.b);
  }
  std::vector<Step> fused;
  fused.reserve(steps_.size());
  for (size_t i = 0; i < steps_.size(); ++i) {
    Step step = steps_[i];
    const bool toTemp = step.dest.source == Source::Slot || step.dest.source == Source::FlagSlot;
    if (toTemp && i + 1 < steps_.size() && step.dest.slot != argSlot_ &&
        reads[static_cast<size_t>(step.dest.slot)] == 1) {
      const Step& next = steps_[i + 1];
      if (next.code == ocTo && next.a.source == Source::Slot && next.a.slot == step.dest.slot) {
        step.viaFlag = step.dest.source == Source::FlagSlot;
        step.dest = next.dest;
        ++i;
      }
    }
    fused.push_back(step);
  }
  steps_ = std::move(fused);
}

int32_t TIntegerPlan::ConstantSlot(int32_t value) {
  slots_.push_back(value);
  return static_cast<int32_t>(slots_.size() - 1);
}

inline int32_t TIntegerPlan::Read(const Operand& o) const {
  if (o.source == Source::Slot) return slots_[static_cast<size_t>(o.slot)];
  if (o.source == Source::IntVar) {
    return static_cast<const TParamInt*>(o.var)->Values()[0];  // a scalar read of an array: element 0
  }
  return static_cast<const TParamFlag*>(o.var)->Values()[0] != 0 ? 1 : 0;
}

inline void TIntegerPlan::Write(const Operand& o, int32_t v) {
  switch (o.source) {
    case Source::Slot:
      slots_[static_cast<size_t>(o.slot)] = v;
      return;
    case Source::FlagSlot:
      slots_[static_cast<size_t>(o.slot)] = v != 0 ? 1 : 0;
      return;
    case Source::IntVar:
      // A scalar write turns an array back into a scalar, as SetInteger does.
      if (!o.var->Dims().empty()) o.var->MakeScalar();
      static_cast<TParamInt*>(o.var)->Values()[0] = v;
      return;
    default:
      if (!o.var->Dims().empty()) o.var->MakeScalar();
      static_cast<TParamFlag*>(o.var)->Values()[0] = v != 0 ? 1 : 0;
      return;
  }
}

void TIntegerPlan::Run() {
  for (const Step& step : steps_) {
    const int32_t a = Read(step.a);
    const int32_t b = step.code == ocTo ? 0 : Read(step.b);
    const int32_t r = Operate(step.code, a, b, step.flagCompare);
    Write(step.dest, step.viaFlag ? (r != 0 ? 1 : 0) : r);
  }
}

}  // namespace kuzo
