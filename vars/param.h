// Value objects: integer, 80-bit float, flag and string arrays (a scalar is an array of one element
// without dimensions) and references to one element of another value. Every value converts to every
// other type on each read and write, so scripts never fail on a type mismatch.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "vars/param_convert.h"

namespace kuzo {

class ByteReader;
class ByteWriter;
class TParamCollection;
class TParamCollectionItem;

// Prefix of the expression evaluator's temporaries; scripts never name variables with it.
constexpr std::string_view kTempPrefix = "____";

// Most elements one value may hold; larger arrays are refused with the dimension message.
constexpr int64_t kMaxElementCount = int64_t{1} << 22;

// Which concrete class a value object is, for dispatch without virtual calls.
enum class ParamClass : uint8_t { Int, Float, Flag, Str, Var, System };

class TCustomParam {
 public:
  virtual ~TCustomParam() = default;
  TCustomParam(const TCustomParam&) = delete;
  TCustomParam& operator=(const TCustomParam&) = delete;

  ParamClass Class() const { return class_; }
  const std::vector<int32_t>& Dims() const { return dims_; }

  virtual int32_t Count() const { return 1; }
  virtual void SetCount(int32_t n) {}
  virtual uint8_t TypeCode() const { return kTypeInt; }
  virtual bool AsBoolean() const { return false; }
  virtual long double AsFloat() const { return 0; }
  virtual int32_t AsInteger() const { return 0; }
  virtual std::string AsString() const { return {}; }
  virtual void SetBoolean(bool b) {}
  virtual void SetFloat(long double x) {}
  virtual void SetInteger(int32_t v) {}
  virtual void SetString(std::string_view s) {}
  virtual int32_t IntegerAt(int32_t i) const { return 0; }
  virtual void SetIntegerAt(int32_t i, int32_t v) {}
  virtual long double FloatAt(int32_t i) const { return 0; }
  virtual void SetFloatAt(int32_t i, long double x) {}
  virtual bool BooleanAt(int32_t i) const { return false; }
  virtual void SetBooleanAt(int32_t i, bool b) {}
  virtual std::string StringAt(int32_t i) const { return {}; }
  virtual void SetStringAt(int32_t i, std::string_view s) {}
  virtual int32_t DimCount() const;
  virtual int32_t DimSize(int32_t d) const;
  // Copies dimensions; typed classes also copy their elements (the caller ensures the same class).
  virtual void AssignFrom(const TCustomParam& other);
  // Stores the sizes (each must be > 0, the product at most kMaxElementCount) and resizes.
  virtual void SetDims(std::span<const int32_t> sizes);
  virtual void FillInteger(int32_t v) {}
  virtual void FillFloat(long double x) {}
  virtual void FillBoolean(bool b) {}
  virtual void FillString(std::string_view s) {}
  // Count and dimensions of `other`, then its elements; raises when the classes differ.
  virtual void CopyValues(const TCustomParam& other);
  // Value object stream: dimension count and sizes, then the class's payload.
  virtual void SaveToStream(ByteWriter& w) const;
  // `table` resolves the target of a stored reference (may be null: the reference stays unbound).
  virtual void LoadFromStream(ByteReader& r, TParamCollection* table);
  virtual void MakeScalar() {}
  // First element whose string form matches `text`, or -1.
  virtual int32_t IndexOfText(std::string_view text, bool caseSensitive, bool partial) const;
  // Back to the initial state of the class (scalar, 0 / 0.0 / false / empty; references unbound).
  virtual void Reset() { dims_.clear(); }

  // Takes the other's dimensions, then every element converted to this value's type.
  void AssignConverted(const TCustomParam& other);

 protected:
  explicit TCustomParam(ParamClass c) : class_(c) {}
  // Raises the index message unless 0 <= i < Count().
  void CheckIndex(int32_t i) const;
  [[noreturn]] static void ThrowBadIndex();
  void SaveDims(ByteWriter& w) const;
  void LoadDims(ByteReader& r);

  std::vector<int32_t> dims_;

 private:
  ParamClass class_;
};

// Shared body of the four typed classes: a flat row-major element array, never empty.
template <typename T>
class TTypedParam : public TCustomParam {
 public:
  int32_t Count() const override { return static_cast<int32_t>(values_.size()); }
  void SetCount(int32_t n) override;
  void MakeScalar() override;
  void AssignFrom(const TCustomParam& other) override;
  void CopyValues(const TCustomParam& other) override;
  void Reset() override {
    dims_.clear();
    values_.assign(1, T{});
  }

  const std::vector<T>& Values() const { return values_; }
  std::vector<T>& Values() { return values_; }

 protected:
  explicit TTypedParam(ParamClass c) : TCustomParam(c), values_(1) {}
  // Checked element access (the count is the element array's size, no virtual call).
  T& Elem(int32_t i) {
    if (static_cast<uint32_t>(i) >= values_.size()) ThrowBadIndex();
    return values_[static_cast<size_t>(i)];
  }
  const T& Elem(int32_t i) const {
    if (static_cast<uint32_t>(i) >= values_.size()) ThrowBadIndex();
    return values_[static_cast<size_t>(i)];
  }
  std::vector<T> values_;
};

class TParamInt final : public TTypedParam<int32_t> {
 public:
  TParamInt() : TTypedParam(ParamClass::Int) {}
  explicit TParamInt(int32_t v) : TParamInt() { values_[0] = v; }
  uint8_t TypeCode() const override { return kTypeInt; }
  bool AsBoolean() const override { return values_[0] != 0; }
  long double AsFloat() const override { return values_[0]; }
  int32_t AsInteger() const override { return values_[0]; }
  std::string AsString() const override { return IntegerToText(values_[0]); }
  void SetBoolean(bool b) override { SetInteger(b ? 1 : 0); }
  void SetFloat(long double x) override;
  void SetInteger(int32_t v) override {
    if (!dims_.empty()) MakeScalar();
    values_[0] = v;
  }
  void SetString(std::string_view s) override { SetInteger(TextToInteger(s)); }
  int32_t IntegerAt(int32_t i) const override { return Elem(i); }
  void SetIntegerAt(int32_t i, int32_t v) override { Elem(i) = v; }
  long double FloatAt(int32_t i) const override { return Elem(i); }
  void SetFloatAt(int32_t i, long double x) override;
  bool BooleanAt(int32_t i) const override { return Elem(i) != 0; }
  void SetBooleanAt(int32_t i, bool b) override { Elem(i) = b ? 1 : 0; }
  std::string StringAt(int32_t i) const override { return IntegerToText(Elem(i)); }
  void SetStringAt(int32_t i, std::string_view s) override { Elem(i) = TextToInteger(s); }
  void FillInteger(int32_t v) override;
  void SaveToStream(ByteWriter& w) const override;
  void LoadFromStream(ByteReader& r, TParamCollection* table) override;
};

class TParamFloat final : public TTypedParam<long double> {
 public:
  TParamFloat() : TTypedParam(ParamClass::Float) {}
  explicit TParamFloat(long double v) : TParamFloat() { values_[0] = v; }
  uint8_t TypeCode() const override { return kTypeFloat; }
  bool AsBoolean() const override { return values_[0] != 0; }
  long double AsFloat() const override { return values_[0]; }
  int32_t AsInteger() const override;
  std::string AsString() const override { return FloatToText(values_[0]); }
  void SetBoolean(bool b) override { SetFloat(b ? 1 : 0); }
  void SetFloat(long double x) override {
    if (!dims_.empty()) MakeScalar();
    values_[0] = x;
  }
  void SetInteger(int32_t v) override { SetFloat(v); }
  void SetString(std::string_view s) override { SetFloat(TextToFloat(s)); }
  int32_t IntegerAt(int32_t i) const override;
  void SetIntegerAt(int32_t i, int32_t v) override { Elem(i) = v; }
  long double FloatAt(int32_t i) const override { return Elem(i); }
  void SetFloatAt(int32_t i, long double x) override { Elem(i) = x; }
  bool BooleanAt(int32_t i) const override { return Elem(i) != 0; }
  void SetBooleanAt(int32_t i, bool b) override { Elem(i) = b ? 1 : 0; }
  std::string StringAt(int32_t i) const override { return FloatToText(Elem(i)); }
  void SetStringAt(int32_t i, std::string_view s) override { Elem(i) = TextToFloat(s); }
  void FillFloat(long double x) override;
  void SaveToStream(ByteWriter& w) const override;
  void LoadFromStream(ByteReader& r, TParamCollection* table) override;
};

class TParamFlag final : public TTypedParam<uint8_t> {
 public:
  TParamFlag() : TTypedParam(ParamClass::Flag) {}
  explicit TParamFlag(bool b) : TParamFlag() { values_[0] = b ? 1 : 0; }
  uint8_t TypeCode() const override { return kTypeFlag; }
  bool AsBoolean() const override { return values_[0] != 0; }
  long double AsFloat() const override { return values_[0] != 0 ? 1 : 0; }
  int32_t AsInteger() const override { return values_[0] != 0 ? 1 : 0; }
  std::string AsString() const override { return FlagToText(values_[0] != 0); }
  void SetBoolean(bool b) override {
    if (!dims_.empty()) MakeScalar();
    values_[0] = b ? 1 : 0;
  }
  void SetFloat(long double x) override { SetBoolean(x != 0); }
  void SetInteger(int32_t v) override { SetBoolean(v != 0); }
  void SetString(std::string_view s) override { SetBoolean(TextToFlag(s)); }
  int32_t IntegerAt(int32_t i) const override { return Elem(i) != 0 ? 1 : 0; }
  void SetIntegerAt(int32_t i, int32_t v) override { Elem(i) = v != 0 ? 1 : 0; }
  long double FloatAt(int32_t i) const override { return Elem(i) != 0 ? 1 : 0; }
  void SetFloatAt(int32_t i, long double x) override { Elem(i) = x != 0 ? 1 : 0; }
  bool BooleanAt(int32_t i) const override { return Elem(i) != 0; }
  void SetBooleanAt(int32_t i, bool b) override { Elem(i) = b ? 1 : 0; }
  std::string StringAt(int32_t i) const override { return FlagToText(Elem(i) != 0); }
  void SetStringAt(int32_t i, std::string_view s) override { Elem(i) = TextToFlag(s) ? 1 : 0; }
  void FillBoolean(bool b) override;
  void SaveToStream(ByteWriter& w) const override;
  void LoadFromStream(ByteReader& r, TParamCollection* table) override;
};

class TParamStr final : public TTypedParam<std::string> {
 public:
  TParamStr() : TTypedParam(ParamClass::Str) {}
  explicit TParamStr(std::string_view s) : TParamStr() { values_[0] = std::string(s); }
  uint8_t TypeCode() const override { return kTypeStr; }
  bool AsBoolean() const override { return TextToFlag(values_[0]); }
  long double AsFloat() const override { return TextToFloat(values_[0]); }
  int32_t AsInteger() const override { return TextToInteger(values_[0]); }
  std::string AsString() const override { return values_[0]; }
  void SetBoolean(bool b) override { SetString(b ? kTrueText : kFalseText); }
  void SetFloat(long double x) override { SetString(FloatToText(x)); }
  void SetInteger(int32_t v) override { SetString(IntegerToText(v)); }
  void SetString(std::string_view s) override {
    if (!dims_.empty()) MakeScalar();
    values_[0].assign(s);
  }
  int32_t IntegerAt(int32_t i) const override { return TextToInteger(Elem(i)); }
  void SetIntegerAt(int32_t i, int32_t v) override { Elem(i) = IntegerToText(v); }
  long double FloatAt(int32_t i) const override { return TextToFloat(Elem(i)); }
  void SetFloatAt(int32_t i, long double x) override { Elem(i) = FloatToText(x); }
  bool BooleanAt(int32_t i) const override { return TextToFlag(Elem(i)); }
  void SetBooleanAt(int32_t i, bool b) override { Elem(i) = FlagToText(b); }
  std::string StringAt(int32_t i) const override { return Elem(i); }
  void SetStringAt(int32_t i, std::string_view s) override { Elem(i).assign(s); }
  void FillString(std::string_view s) override;
  void SaveToStream(ByteWriter& w) const override;
  void LoadFromStream(ByteReader& r, TParamCollection* table) override;
};

// A reference to one element of another value. Scalar reads and writes become element operations at
// `ElementIndex`; element, dimension, fill, search and copy operations go to the target unchanged.
// Unbound, it reads as 0 / 0.0 / false / empty, counts 0 and ignores writes.
//
// A reference bound to a table variable remembers the table's generation: when variables were added,
// deleted or renamed since, it looks its target up again by name before the next access, so it never
// reaches a freed variable.
class TParamVar final : public TCustomParam {
 public:
  TParamVar() : TCustomParam(ParamClass::Var) {}
  explicit TParamVar(std::string targetName) : TParamVar() { TargetName = std::move(targetName); }

  std::string TargetName;
  uint8_t reserved = 0;
  int32_t ElementIndex = 0;

  // Binds to a table variable (its value object) or, with `item` null, to a free-standing value
  // such as an evaluation temporary. `target` null unbinds.
  void Bind(TCustomParam* target, TParamCollectionItem* item, int32_t elementIndex);
  void Unbind() { Bind(nullptr, nullptr, 0); }
  bool IsBound() const { return Resolve() != nullptr; }
  TCustomParam* Target() const { return Resolve(); }
  TParamCollectionItem* TargetItem() const {
    Resolve();
    return item_;
  }

  int32_t Count() const override;
  void SetCount(int32_t n) override;
  uint8_t TypeCode() const override;
  bool AsBoolean() const override;
  long double AsFloat() const override;
  int32_t AsInteger() const override;
  std::string AsString() const override;
  void SetBoolean(bool b) override;
  void SetFloat(long double x) override;
  void SetInteger(int32_t v) override;
  void SetString(std::string_view s) override;
  int32_t IntegerAt(int32_t i) const override;
  void SetIntegerAt(int32_t i, int32_t v) override;
  long double FloatAt(int32_t i) const override;
  void SetFloatAt(int32_t i, long double x) override;
  bool BooleanAt(int32_t i) const override;
  void SetBooleanAt(int32_t i, bool b) override;
  std::string StringAt(int32_t i) const override;
  void SetStringAt(int32_t i, std::string_view s) override;
  int32_t DimCount() const override;
  int32_t DimSize(int32_t d) const override;
  void AssignFrom(const TCustomParam& other) override;
  void SetDims(std::span<const int32_t> sizes) override;
  void FillInteger(int32_t v) override;
  void FillFloat(long double x) override;
  void FillBoolean(bool b) override;
  void FillString(std::string_view s) override;
  void CopyValues(const TCustomParam& other) override;
  void SaveToStream(ByteWriter& w) const override;
  void LoadFromStream(ByteReader& r, TParamCollection* table) override;
  void MakeScalar() override;
  int32_t IndexOfText(std::string_view text, bool caseSensitive, bool partial) const override;
  void Reset() override;

  // References that lead back to this one (directly or through other references), or through more
  // than this many references, are never bound: every access would forward without end.
  static constexpr int kMaxReferenceChain = 64;
  bool LeadsBackHere(const TCustomParam* target) const;

 private:
  TCustomParam* Resolve() const {
    if (item_ && *tableGeneration_ != generation_) Rebind();
    return target_;
  }
  void Rebind() const;

  mutable TCustomParam* target_ = nullptr;
  mutable TParamCollectionItem* item_ = nullptr;
  mutable TParamCollection* table_ = nullptr;
  mutable const uint64_t* tableGeneration_ = nullptr;
  mutable uint64_t generation_ = 0;
  mutable std::string boundName_;  // the target variable's name, to find it again
};

// A fresh value object of the class for a type code (0 reference, 1..4 typed; only the low 7 bits
// count); null for any other code.
std::unique_ptr<TCustomParam> NewParam(uint8_t typeCode);
// A free-standing copy (dimensions and elements) of a typed value; null for other classes.
std::unique_ptr<TCustomParam> CloneParam(const TCustomParam& value);
// Stores `value` through the scalar setter chosen by `typeCode` (integer, float, flag or string).
void AssignByType(TCustomParam& dest, uint8_t typeCode, const TCustomParam& value);

}  // namespace kuzo
