// Compiled expressions: the stream form and the evaluator.
//
// Temporaries ("____" names) live in slots owned by the parser instead of the variable table: every
// temporary name is given a slot when the list is read, and one evaluation marks slots live as it
// creates them. Slots and their value objects are reused from run to run, so a steady evaluation
// allocates nothing. An evaluation started while another runs (Calc, text evaluated by a built-in,
// or this very parser re-entered) has slots of its own, so it never meets the outer temporaries.
// Table names are looked up once and the result kept while the table's generation is unchanged.
#include "vars/expression.h"

#include <array>
#include <cmath>
#include <limits>

#include "core/byte_reader.h"
#include "core/errors.h"
#include "vars/builtin_ids.h"
#include "vars/expression_compiler.h"
#include "vars/float80.h"
#include "vars/integer_plan.h"
#include "vars/param_collection.h"
#include "vars/sys_func_man.h"

namespace kuzo {

namespace {

constexpr const char* kNotFound = "\"%s\" 変数がありません";
constexpr const char* kBadSubscripts = "添え字が不正です";
constexpr const char* kBeyondCount = "要素数を超えています";
constexpr const char* kBadGetProp = "GetPropの引数が違います";
constexpr const char* kInvalidExpression = "不正な式\r\n\r\n代入先:";
constexpr const char* kOperationType = "演算タイプ:";
constexpr const char* kDivideByZero = "0で除算しました";
constexpr const char* kFloatError = "浮動小数点演算エラー";
constexpr const char* kIntegerOverflow = "整数演算のオーバーフロー";
constexpr const char* kInternalError = "内部エラー";
constexpr int32_t kMaxPropertyId = 161;

constexpr std::array<std::string_view, 21> kOpNames = {
    "ocNone", "ocTo",    "ocPlus",  "ocMinus", "ocMul",     "ocDiv",   "ocMod",
    "ocOr",   "ocAnd",   "ocXor",   "ocDimTo", "ocFunc",    "ocEqual", "ocBig",
    "ocSmall", "ocEBig", "ocESmall", "ocShiftL", "ocShiftR", "ocComboStr", "ocNEqual"};

bool IsTempName(std::string_view name) { return name.starts_with(kTempPrefix); }

// Float results that overflow or are undefined stop the evaluation, as the arithmetic traps do.
long double Checked(long double x) {
  if (!std::isfinite(x)) throw KuzoError(kFloatError);
  return x;
}

int32_t Wrap(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v))); }

template <typename Cmp>
bool Compare(const TCustomParam& a, const TCustomParam& b, Cmp cmp) {
  switch (a.TypeCode()) {
    case kTypeStr:
      return cmp(a.AsString().compare(b.AsString()), 0);  // byte order, case-sensitive
    case kTypeFloat: {
      long double x = a.AsFloat(), y = b.AsFloat();
      return cmp(x < y ? -1 : (x > y ? 1 : 0), 0);
    }
    case kTypeFlag:
      return cmp(static_cast<int>(a.AsBoolean()), static_cast<int>(b.AsBoolean()));
    default: {
      int32_t x = a.AsInteger(), y = b.AsInteger();
      return cmp(x < y ? -1 : (x > y ? 1 : 0), 0);
    }
  }
}

std::unique_ptr<TCustomParam> CopyOperand(const TCustomParam& operand) {
  if (operand.Class() == ParamClass::Var) {
    return std::make_unique<TParamVar>(static_cast<const TParamVar&>(operand).TargetName);
  }
  return CloneParam(operand);
}

[[noreturn]] void InvalidOperation(const TOpeData& op) {
  std::string message = kInvalidExpression + op.Dest + kOperationType + std::string(OpCodeName(op.OpCode));
  for (const auto& operand : op.Operands) message += "\r\n" + operand->AsString();
  throw KuzoError(message);
}

const TCustomParam& OperandAt(const TOpeData& op, size_t k) {
  if (k >= op.Operands.size()) InvalidOperation(op);
  return *op.Operands[k];
}

// Operators whose integer form the shortcut computes, with the operand count each takes.
size_t FastOperandCount(uint8_t code) {
  switch (code) {
    case ocTo:
      return 1;
    case ocPlus: case ocMinus: case ocMul: case ocDiv: case ocMod: case ocOr: case ocAnd: case ocXor:
    case ocEqual: case ocBig: case ocSmall: case ocEBig: case ocESmall: case ocShiftL: case ocShiftR:
    case ocNEqual:
      return 2;
    default:
      return 0;
  }
}

bool IsComparison(uint8_t code) {
  return code == ocEqual || code == ocBig || code == ocSmall || code == ocEBig || code == ocESmall ||
         code == ocNEqual;
}

// Decides once per read list whether an operation may take the integer shortcut: the operator has
// an integer form and every operand is a name or an integer or flag constant (exactly as many
// operands as the operator takes, so the general path would bind nothing more).
void PrepareFast(TOpeData& op) {
  op.fastEligible = false;
  const size_t wanted = FastOperandCount(op.OpCode);
  if (wanted == 0 || op.Operands.size() != wanted) return;
  for (size_t k = 0; k < wanted; ++k) {
    const TCustomParam& operand = *op.Operands[k];
    TOpeData::FastOperand& fast = op.fastOperands[k];
    fast = {};
    switch (operand.Class()) {
      case ParamClass::Var:
        break;
      case ParamClass::Int:
        fast.constType = kTypeInt;
        fast.constValue = operand.AsInteger();
        break;
      case ParamClass::Flag:
        fast.constType = kTypeFlag;
        fast.constValue = operand.AsBoolean() ? 1 : 0;
        break;
      default:
        return;
    }
  }
  op.fastEligible = true;
}

// A value the shortcut can read and write: a typed integer or flag object.
bool IsFastClass(const TCustomParam* p) {
  return p && (p->Class() == ParamClass::Int || p->Class() == ParamClass::Flag);
}

// No dimensions and exactly one element (the state of a new or reset value).
bool IsFastScalar(const TCustomParam& p) {
  if (!p.Dims().empty()) return false;
  if (p.Class() == ParamClass::Int) return static_cast<const TParamInt&>(p).Values().size() == 1;
  return static_cast<const TParamFlag&>(p).Values().size() == 1;
}

// Its scalar read (element 0; a flag reads as 0 or 1).
int32_t FastRead(const TCustomParam& p) {
  if (p.Class() == ParamClass::Int) return static_cast<const TParamInt&>(p).Values()[0];
  return static_cast<const TParamFlag&>(p).Values()[0] != 0 ? 1 : 0;
}

// Its scalar integer write, as SetInteger does it: an array becomes a scalar; a flag stores v <> 0.
void FastWrite(TCustomParam& p, int32_t v) {
  if (!p.Dims().empty()) p.MakeScalar();
  if (p.Class() == ParamClass::Int) {
    static_cast<TParamInt&>(p).Values()[0] = v;
  } else {
    static_cast<TParamFlag&>(p).Values()[0] = v != 0 ? 1 : 0;
  }
}

}  // namespace

std::string_view OpCodeName(uint8_t code) { return code <= kLastOpCode ? kOpNames[code] : "ocUnknown"; }

TKuzoParser::TKuzoParser() = default;
TKuzoParser::~TKuzoParser() = default;

// ---- stream form ----

void TKuzoParser::ReadFrom(ByteReader& r) {
  std::vector<std::unique_ptr<TOpeData>> ops;
  uint32_t count = r.Count(1 + 4 + 4, "operation count");
  ops.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    auto op = std::make_unique<TOpeData>();
    op->OpCode = r.U8("operation code");
    op->Dest = r.String("destination");
    uint32_t operands = r.Count(2, "operand count");
    if (op->OpCode == ocFunc) op->FuncId = r.U8("function number");
    op->Operands.reserve(operands);
    for (uint32_t k = 0; k < operands; ++k) {
      uint8_t kind = r.U8("operand kind");
      switch (kind) {
        case okName:
          op->Operands.push_back(std::make_unique<TParamVar>(r.String("operand name")));
          break;
        case okInt:
          op->Operands.push_back(std::make_unique<TParamInt>(r.I32("integer operand")));
          break;
        case okFloat:
          op->Operands.push_back(std::make_unique<TParamFloat>(ReadFloat80(r, "float operand")));
          break;
        case okFlag:
          op->Operands.push_back(std::make_unique<TParamFlag>(r.U8("flag operand") != 0));
          break;
        case okStr:
          op->Operands.push_back(std::make_unique<TParamStr>(r.String("string operand")));
          break;
        default:
          r.Fail("operand kind", Format("kind %u is not an operand kind", kind));
      }
    }
    ops.push_back(std::move(op));
  }
  ops_ = std::move(ops);
  Prepare();
}

void TKuzoParser::WriteTo(ByteWriter& w) const {
  w.U32(static_cast<uint32_t>(ops_.size()));
  for (const auto& op : ops_) {
    w.U8(op->OpCode);
    w.String(op->Dest);
    w.U32(static_cast<uint32_t>(op->Operands.size()));
    if (op->OpCode == ocFunc) w.U8(op->FuncId);
    for (const auto& operand : op->Operands) {
      switch (operand->Class()) {
        case ParamClass::Var:
          w.U8(okName);
          w.String(static_cast<const TParamVar&>(*operand).TargetName);
          break;
        case ParamClass::Int:
          w.U8(okInt);
          w.I32(operand->AsInteger());
          break;
        case ParamClass::Float:
          w.U8(okFloat);
          WriteFloat80(w, operand->AsFloat());
          break;
        case ParamClass::Flag:
          w.U8(okFlag);
          w.U8(operand->AsBoolean() ? 1 : 0);
          break;
        default:
          w.U8(okStr);
          w.String(operand->AsString());
          break;
      }
    }
  }
}

void TKuzoParser::Assign(const TKuzoParser& other) {
  if (&other == this) return;
  std::vector<std::unique_ptr<TOpeData>> ops;
  for (const auto& src : other.ops_) {
    auto op = std::make_unique<TOpeData>();
    op->OpCode = src->OpCode;
    op->Dest = src->Dest;
    op->FuncId = src->FuncId;
    for (const auto& operand : src->Operands) op->Operands.push_back(CopyOperand(*operand));
    ops.push_back(std::move(op));
  }
  ops_ = std::move(ops);
  Prepare();
}

void TKuzoParser::CompileText(std::string_view text) {
  std::string encoded = TBuildKuzoParser::Encode(text);
  ByteReader r(encoded, "expression");
  ReadFrom(r);
}

void TKuzoParser::Prepare() {
  tempNames_.clear();
  auto slotOf = [this](const std::string& name) -> int32_t {
    if (!IsTempName(name)) return -1;
    for (size_t i = 0; i < tempNames_.size(); ++i) {
      if (tempNames_[i] == name) return static_cast<int32_t>(i);
    }
    tempNames_.push_back(name);
    return static_cast<int32_t>(tempNames_.size() - 1);
  };
  for (auto& op : ops_) {
    op->destSlot = {};
    op->destSlot.temp = slotOf(op->Dest);
    op->operandSlots.assign(op->Operands.size(), {});
    op->operandPointers.clear();
    for (size_t k = 0; k < op->Operands.size(); ++k) {
      TCustomParam& operand = *op->Operands[k];
      if (operand.Class() == ParamClass::Var) {
        op->operandSlots[k].temp = slotOf(static_cast<TParamVar&>(operand).TargetName);
      }
      op->operandPointers.push_back(&operand);
    }
  }
  for (auto& op : ops_) PrepareFast(*op);
  argSlot_ = -1;
  if (!ops_.empty() && ops_.back()->OpCode == ocTo && ops_.back()->Dest == kArgTemp) {
    argSlot_ = ops_.back()->destSlot.temp;
  }
  temps_.clear();
  temps_.resize(tempNames_.size());
  plan_.Forget();
  result_.reset();
  hasResult_ = false;
  resultPending_ = false;
}

// ---- evaluation ----

void TKuzoParser::ExecuteGeneral(TParamCollection& table) {
  hasResult_ = false;
  resultPending_ = false;
  if (running_ > 0) {
    // Re-entered while running: the outer run's operand bindings and temporaries must survive, so
    // the inner run works on a copy of the list.
    TKuzoParser inner;
    inner.Assign(*this);
    inner.fastPath_ = fastPath_;
    inner.Execute(table);
    lastError_ = inner.lastError_;
    if (inner.Result()) {
      result_ = std::move(inner.result_);
      hasResult_ = true;
    }
    return;
  }
  if (fastPath_ && !plan_.BuiltFor(table)) {
    plan_.Build(ops_, table, tempNames_.size(), argSlot_);
    if (plan_.Usable()) {
      RunPlan();
      return;
    }
  }
  // Operands bound by one operation stay valid through the built-in it calls.
  TParamCollection::Hold hold(table);
  ++running_;
  struct Leave {
    int& depth;
    ~Leave() { --depth; }
  } leave{running_};
  ExecuteWith(table, temps_);
}

// An integer-only list calls nothing outside, so it is never re-entered while it runs.
void TKuzoParser::RunPlan() {
  hasResult_ = false;
  resultPending_ = false;
  lastError_.clear();
  try {
    plan_.Run();
  } catch (const std::exception& e) {
    lastError_ = e.what();  // the first error ends the run; it is not passed on
    return;
  }
  hasResult_ = resultPending_ = plan_.HasResult();
}

void TKuzoParser::MaterializeResult() const {
  resultPending_ = false;
  // The same value object the general path leaves: a scalar of the value's class.
  const uint8_t type = plan_.ResultType();
  const ParamClass wanted = type == kTypeInt ? ParamClass::Int : ParamClass::Flag;
  if (!result_ || result_->Class() != wanted) {
    result_ = NewParam(type);
  } else if (!IsFastScalar(*result_)) {
    result_->Reset();
  }
  FastWrite(*result_, plan_.ResultValue());
}

void TKuzoParser::ExecuteWith(TParamCollection& table, std::vector<TempSlot>& temps) {
  for (auto& slot : temps) slot.live = false;
  lastError_.clear();
  try {
    for (auto& op : ops_) ExecuteOp(table, temps, *op);
  } catch (const std::exception& e) {
    lastError_ = e.what();  // the first error ends the run; it is not passed on
  } catch (...) {
    lastError_ = kInternalError;
  }
  if (argSlot_ < 0 || !temps[static_cast<size_t>(argSlot_)].live) return;
  StoreResult(*temps[static_cast<size_t>(argSlot_)].value);
}

void TKuzoParser::StoreResult(const TCustomParam& value) {
  if (fastPath_ && IsFastClass(&value) && result_ && result_->Class() == value.Class() && IsFastScalar(value) &&
      IsFastScalar(*result_)) {
    // Same class, both plain scalars: copying element 0 is the whole copy.
    if (value.Class() == ParamClass::Int) {
      static_cast<TParamInt&>(*result_).Values()[0] = static_cast<const TParamInt&>(value).Values()[0];
    } else {
      static_cast<TParamFlag&>(*result_).Values()[0] = static_cast<const TParamFlag&>(value).Values()[0];
    }
    hasResult_ = true;
    return;
  }
  uint8_t type = value.TypeCode();
  if (type < kTypeInt || type > kTypeStr) return;  // not a plain value: no result
  if (!result_ || result_->TypeCode() != type || result_->Class() == ParamClass::Var) result_ = NewParam(type);
  if (value.Class() == result_->Class()) {
    result_->AssignFrom(value);
  } else {
    result_->Reset();
    AssignByType(*result_, type, value);
  }
  hasResult_ = true;
}

void TKuzoParser::BindOperand(TParamCollection& table, std::vector<TempSlot>& temps, TOpeData::NameSlot& slot,
                              TParamVar& operand) {
  TCustomParam* target;
  TParamCollectionItem* item = nullptr;
  if (slot.temp >= 0) {
    TempSlot& temp = temps[static_cast<size_t>(slot.temp)];
    if (!temp.live) throw KuzoError(Format(kNotFound, operand.TargetName.c_str()));
    target = temp.value.get();
  } else {
    if (slot.cachedGeneration != table.Generation()) {
      slot.cachedItem = table.Find(operand.TargetName);
      slot.cachedGeneration = table.Generation();
    }
    item = slot.cachedItem;
    if (!item) throw KuzoError(Format(kNotFound, operand.TargetName.c_str()));
    target = item->Param();
  }
  // A name that holds an element reference reaches that element.
  int32_t index = 0;
  if (target && target->Class() == ParamClass::Var) index = static_cast<TParamVar*>(target)->ElementIndex;
  operand.Bind(target, item, index);
}

void TKuzoParser::CreateTemp(TOpeData& op, TempSlot& slot) {
  uint8_t type = kTypeInt;
  switch (op.OpCode) {
    case ocTo:
      type = OperandAt(op, 0).TypeCode();
      break;
    case ocPlus: {
      uint8_t a = OperandAt(op, 0).TypeCode(), b = OperandAt(op, 1).TypeCode();
      type = a == kTypeStr ? kTypeStr : (a == kTypeFloat || b == kTypeFloat) ? kTypeFloat : kTypeInt;
      break;
    }
    case ocMinus:
    case ocMul:
    case ocDiv: {
      uint8_t a = OperandAt(op, 0).TypeCode(), b = OperandAt(op, 1).TypeCode();
      type = (a == kTypeFloat || b == kTypeFloat) ? kTypeFloat : kTypeInt;
      break;
    }
    case ocDimTo:
      type = kTypeNone;
      break;
    case ocFunc:
      if (op.FuncId == BuiltinNumber(Builtin::GetProp)) {
        int32_t property = OperandAt(op, 1).AsInteger();
        if (property < 0 || property > kMaxPropertyId) throw KuzoError(kBadGetProp);
        type = TSysFuncMan::PropertyType(property);
      } else if (op.FuncId < kSysFuncCount) {
        type = TSysFuncMan::Info(op.FuncId).resultType;
      }
      break;
    case ocEqual:
    case ocBig:
    case ocSmall:
    case ocEBig:
    case ocESmall:
    case ocNEqual:
      type = kTypeFlag;
      break;
    case ocComboStr:
      type = kTypeStr;
      break;
    default:
      type = kTypeInt;
      break;
  }
  ParamClass wanted = type == kTypeNone ? ParamClass::Var : static_cast<ParamClass>(type - 1);
  if (slot.value && slot.value->Class() == wanted) {
    slot.value->Reset();
  } else {
    slot.value = NewParam(type);
  }

  if (op.OpCode == ocDimTo) {
    // Bind the new reference to one element: exactly one index per dimension, row-major.
    const TCustomParam& arrayOperand = OperandAt(op, 0);
    if (arrayOperand.Class() != ParamClass::Var) InvalidOperation(op);
    const auto& arrayRef = static_cast<const TParamVar&>(arrayOperand);
    TCustomParam* array = arrayRef.Target();
    if (!array) throw KuzoError(Format(kNotFound, arrayRef.TargetName.c_str()));
    // Index values are read once; they are read again only to word an error.
    size_t indexCount = op.Operands.size() - 1;
    auto fail = [&](const char* message) {
      std::string text = arrayRef.TargetName + "[";
      for (size_t k = 0; k < indexCount; ++k) {
        if (k) text += ',';
        text += IntegerToText(op.Operands[k + 1]->AsInteger());
      }
      throw KuzoError(text + "]\r\n" + message);
    };
    int32_t dims = array->DimCount();
    if (static_cast<int32_t>(indexCount) != dims) fail(kBadSubscripts);
    int64_t flat = 0;
    for (int32_t d = 0; d < dims; ++d) {
      flat = flat * array->DimSize(d) + op.Operands[static_cast<size_t>(d) + 1]->AsInteger();
      if (flat > std::numeric_limits<int32_t>::max() || flat < std::numeric_limits<int32_t>::min()) {
        fail(kBeyondCount);
      }
    }
    if (flat < 0 || flat >= array->Count()) fail(kBeyondCount);
    static_cast<TParamVar&>(*slot.value).Bind(array, arrayRef.TargetItem(), static_cast<int32_t>(flat));
  }
  slot.live = true;
}

TCustomParam* TKuzoParser::ResolveDest(TParamCollection& table, std::vector<TempSlot>& temps, TOpeData& op) {
  TOpeData::NameSlot& slot = op.destSlot;
  if (slot.temp >= 0) {
    TempSlot& temp = temps[static_cast<size_t>(slot.temp)];
    if (!temp.live) CreateTemp(op, temp);
    return temp.value.get();
  }
  if (slot.cachedGeneration != table.Generation()) {
    slot.cachedItem = table.Find(op.Dest);
    slot.cachedGeneration = table.Generation();
  }
  if (!slot.cachedItem || !slot.cachedItem->Param()) throw KuzoError(Format(kNotFound, op.Dest.c_str()));
  return slot.cachedItem->Param();
}

// The general path below, specialised to integer and flag values: the same lookups, the same
// temporary creation (type and order), the same arithmetic and errors, without binding operands or
// calling through the value classes. Answers false, having changed nothing, when a value turns out
// to be of another kind (float, string, reference, system variable) or a name is missing, so that
// the general path runs and raises what it raises.
bool TKuzoParser::TryFastOp(TParamCollection& table, std::vector<TempSlot>& temps, TOpeData& op) {
  int32_t value[2] = {0, 0};
  uint8_t type[2] = {kTypeInt, kTypeInt};
  const size_t count = op.OpCode == ocTo ? 1 : 2;
  for (size_t k = 0; k < count; ++k) {
    const TOpeData::FastOperand& fast = op.fastOperands[k];
    if (fast.constType != 0) {
      value[k] = fast.constValue;
      type[k] = fast.constType;
      continue;
    }
    TOpeData::NameSlot& slot = op.operandSlots[k];
    const TCustomParam* p;
    if (slot.temp >= 0) {
      const TempSlot& temp = temps[static_cast<size_t>(slot.temp)];
      if (!temp.live) return false;
      p = temp.value.get();
    } else {
      if (slot.cachedGeneration != table.Generation()) {
        slot.cachedItem = table.Find(static_cast<const TParamVar&>(*op.Operands[k]).TargetName);
        slot.cachedGeneration = table.Generation();
      }
      if (!slot.cachedItem) return false;
      p = slot.cachedItem->Param();
    }
    if (!IsFastClass(p)) return false;
    value[k] = FastRead(*p);
    type[k] = p->Class() == ParamClass::Int ? kTypeInt : kTypeFlag;
  }

  TCustomParam* d;
  TOpeData::NameSlot& destSlot = op.destSlot;
  if (destSlot.temp >= 0) {
    TempSlot& temp = temps[static_cast<size_t>(destSlot.temp)];
    if (temp.live) {
      d = temp.value.get();
      if (!IsFastClass(d)) return false;
    } else {
      // A new temporary: an assignment takes its operand's type, a comparison gives a flag, every
      // other operator here an integer (no operand is a float or a string).
      const uint8_t wanted = op.OpCode == ocTo ? type[0] : IsComparison(op.OpCode) ? kTypeFlag : kTypeInt;
      const ParamClass wantedClass = wanted == kTypeInt ? ParamClass::Int : ParamClass::Flag;
      if (temp.value && temp.value->Class() == wantedClass) {
        if (IsFastScalar(*temp.value)) {
          FastWrite(*temp.value, 0);
        } else {
          temp.value->Reset();
        }
      } else {
        temp.value = NewParam(wanted);
      }
      temp.live = true;
      d = temp.value.get();
    }
  } else {
    if (destSlot.cachedGeneration != table.Generation()) {
      destSlot.cachedItem = table.Find(op.Dest);
      destSlot.cachedGeneration = table.Generation();
    }
    if (!destSlot.cachedItem) return false;
    d = destSlot.cachedItem->Param();
    if (!IsFastClass(d)) return false;
  }

  const bool flagCompare = IsComparison(op.OpCode) && type[0] == kTypeFlag;
  FastWrite(*d, IntegerOperation(op.OpCode, value[0], value[1], flagCompare));
  return true;
}

void TKuzoParser::ExecuteOp(TParamCollection& table, std::vector<TempSlot>& temps, TOpeData& op) {
  if (op.fastEligible && fastPath_ && TryFastOp(table, temps, op)) return;
  if (op.OpCode == ocNone || op.OpCode > kLastOpCode) InvalidOperation(op);
  for (size_t k = 0; k < op.Operands.size(); ++k) {
    TCustomParam& operand = *op.Operands[k];
    if (operand.Class() == ParamClass::Var) {
      BindOperand(table, temps, op.operandSlots[k], static_cast<TParamVar&>(operand));
    }
  }
  TCustomParam& d = *ResolveDest(table, temps, op);

  switch (op.OpCode) {
    case ocTo:
      AssignByType(d, d.TypeCode(), OperandAt(op, 0));
      return;
    case ocDimTo:
      return;  // the reference was bound when it was created
    case ocFunc: {
      TSysFuncMan* functions = table.Functions();
      if (!functions) throw KuzoError(kInternalError);
      functions->Call(d, op.FuncId, op.operandPointers);
      return;
    }
    case ocComboStr:
      d.SetString(OperandAt(op, 0).AsString() + OperandAt(op, 1).AsString());
      return;
    default:
      break;
  }

  const TCustomParam& a = OperandAt(op, 0);
  const TCustomParam& b = OperandAt(op, 1);
  switch (op.OpCode) {
    case ocPlus:
    case ocMinus:
    case ocMul:
    case ocDiv:
      if (d.TypeCode() == kTypeFloat) {
        long double x = a.AsFloat(), y = b.AsFloat();
        if (op.OpCode == ocDiv && y == 0) throw KuzoError(kDivideByZero);
        long double r = op.OpCode == ocPlus ? x + y : op.OpCode == ocMinus ? x - y : op.OpCode == ocMul ? x * y : x / y;
        d.SetFloat(Checked(r));
      } else {
        int64_t x = a.AsInteger(), y = b.AsInteger();
        if (op.OpCode == ocDiv) {
          if (y == 0) throw KuzoError(kDivideByZero);
          if (x == std::numeric_limits<int32_t>::min() && y == -1) throw KuzoError(kIntegerOverflow);
          d.SetInteger(static_cast<int32_t>(x / y));  // truncates toward zero
        } else {
          d.SetInteger(Wrap(op.OpCode == ocPlus ? x + y : op.OpCode == ocMinus ? x - y : x * y));
        }
      }
      return;
    case ocMod: {
      int32_t x = a.AsInteger(), y = b.AsInteger();
      if (y == 0) throw KuzoError(kDivideByZero);
      if (x == std::numeric_limits<int32_t>::min() && y == -1) throw KuzoError(kIntegerOverflow);
      d.SetInteger(x % y);  // sign of the dividend
      return;
    }
    case ocOr:
      d.SetInteger(a.AsInteger() | b.AsInteger());
      return;
    case ocAnd:
      d.SetInteger(a.AsInteger() & b.AsInteger());
      return;
    case ocXor:
      d.SetInteger(a.AsInteger() ^ b.AsInteger());
      return;
    case ocShiftL:
      d.SetInteger(static_cast<int32_t>(static_cast<uint32_t>(a.AsInteger()) << (b.AsInteger() & 31)));
      return;
    case ocShiftR:
      d.SetInteger(static_cast<int32_t>(static_cast<uint32_t>(a.AsInteger()) >> (b.AsInteger() & 31)));
      return;
    case ocEqual:
      d.SetBoolean(Compare(a, b, [](int x, int y) { return x == y; }));
      return;
    case ocBig:
      d.SetBoolean(Compare(a, b, [](int x, int y) { return x > y; }));
      return;
    case ocSmall:
      d.SetBoolean(Compare(a, b, [](int x, int y) { return x < y; }));
      return;
    case ocEBig:
      d.SetBoolean(Compare(a, b, [](int x, int y) { return x >= y; }));
      return;
    case ocESmall:
      d.SetBoolean(Compare(a, b, [](int x, int y) { return x <= y; }));
      return;
    case ocNEqual:
      d.SetBoolean(Compare(a, b, [](int x, int y) { return x != y; }));
      return;
    default:
      InvalidOperation(op);
  }
}

}  // namespace kuzo
