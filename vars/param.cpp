// Value classes: element storage, arrays, conversions, references and their stream forms.
#include "vars/param.h"

#include <algorithm>

#include "core/byte_reader.h"
#include "core/errors.h"
#include "core/sjis.h"
#include "vars/float80.h"
#include "vars/param_collection.h"

namespace kuzo {

namespace {
constexpr const char* kIndexMessage = "配列の添字が不正です";
constexpr const char* kDimsMessage = "配列の要素数[%s]が不正です";
constexpr const char* kCopyTypeMessage = "CopyMem:変数の型があいません";

std::string JoinSizes(std::span<const int32_t> sizes) {
  std::string joined;
  for (size_t i = 0; i < sizes.size(); ++i) {
    if (i) joined += ',';
    joined += IntegerToText(sizes[i]);
  }
  return joined;
}
}  // namespace

// ---- TCustomParam ----

int32_t TCustomParam::DimCount() const { return dims_.empty() ? 1 : static_cast<int32_t>(dims_.size()); }

int32_t TCustomParam::DimSize(int32_t d) const {
  if (d >= 0 && d < static_cast<int32_t>(dims_.size())) return dims_[static_cast<size_t>(d)];
  return 1;
}

void TCustomParam::CheckIndex(int32_t i) const {
  if (i < 0 || i >= Count()) ThrowBadIndex();
}

void TCustomParam::ThrowBadIndex() { throw KuzoError(kIndexMessage); }

void TCustomParam::AssignFrom(const TCustomParam& other) { dims_ = other.Dims(); }

void TCustomParam::SetDims(std::span<const int32_t> sizes) {
  // The product is formed in 64 bits and capped, so a huge request is refused, not allocated.
  int64_t count = 1;
  bool bad = false;
  for (int32_t s : sizes) {
    if (s <= 0) {
      bad = true;
      break;
    }
    count *= s;
    if (count > kMaxElementCount) {
      bad = true;
      break;
    }
  }
  if (bad) throw KuzoError(Format(kDimsMessage, JoinSizes(sizes).c_str()));
  dims_.assign(sizes.begin(), sizes.end());
  SetCount(static_cast<int32_t>(count));
}

void TCustomParam::CopyValues(const TCustomParam& other) {
  SetCount(other.Count());
  dims_ = other.Dims();
}

void TCustomParam::SaveDims(ByteWriter& w) const {
  w.U32(static_cast<uint32_t>(dims_.size()));
  for (int32_t d : dims_) w.I32(d);
}

void TCustomParam::LoadDims(ByteReader& r) {
  uint32_t n = r.Count(4, "dimension count");
  dims_.resize(n);
  for (auto& d : dims_) d = r.I32("dimension size");
}

void TCustomParam::SaveToStream(ByteWriter& w) const { SaveDims(w); }
void TCustomParam::LoadFromStream(ByteReader& r, TParamCollection*) { LoadDims(r); }

int32_t TCustomParam::IndexOfText(std::string_view text, bool caseSensitive, bool partial) const {
  int32_t n = Count();
  std::string needle = (partial && !caseSensitive) ? sjis::ToLower(text) : std::string(text);
  for (int32_t i = 0; i < n; ++i) {
    std::string s = StringAt(i);
    bool match;
    if (partial) {
      if (!caseSensitive) s = sjis::ToLower(s);
      match = s.find(needle) != std::string::npos;
    } else if (caseSensitive) {
      match = s == text;
    } else {
      match = sjis::EqualsNoCase(s, text);
    }
    if (match) return i;
  }
  return -1;
}

void TCustomParam::AssignConverted(const TCustomParam& other) {
  if (&other == this) return;
  std::vector<int32_t> sizes;
  int32_t dc = other.DimCount();
  for (int32_t d = 0; d < dc; ++d) sizes.push_back(other.DimSize(d));
  SetDims(sizes);
  int32_t n = std::min(Count(), other.Count());
  switch (TypeCode()) {
    case kTypeInt:
      for (int32_t i = 0; i < n; ++i) SetIntegerAt(i, other.IntegerAt(i));
      break;
    case kTypeFloat:
      for (int32_t i = 0; i < n; ++i) SetFloatAt(i, other.FloatAt(i));
      break;
    case kTypeFlag:
      for (int32_t i = 0; i < n; ++i) SetBooleanAt(i, other.BooleanAt(i));
      break;
    case kTypeStr:
      for (int32_t i = 0; i < n; ++i) SetStringAt(i, other.StringAt(i));
      break;
    default:
      break;
  }
}

// ---- typed classes ----

template <typename T>
void TTypedParam<T>::SetCount(int32_t n) {
  if (n < 1) n = 1;  // never less than one element
  if (n > kMaxElementCount) throw KuzoError(Format(kDimsMessage, IntegerToText(n).c_str()));
  values_.resize(static_cast<size_t>(n));
}

template <typename T>
void TTypedParam<T>::MakeScalar() {
  if (dims_.empty()) return;
  dims_.clear();
  values_.resize(1);
}

template <typename T>
void TTypedParam<T>::AssignFrom(const TCustomParam& other) {
  dims_ = other.Dims();
  if (other.Class() == Class()) values_ = static_cast<const TTypedParam<T>&>(other).values_;
}

template <typename T>
void TTypedParam<T>::CopyValues(const TCustomParam& other) {
  if (other.Class() != Class()) throw KuzoError(kCopyTypeMessage);
  if (&other == this) return;
  values_ = static_cast<const TTypedParam<T>&>(other).values_;
  dims_ = other.Dims();
}

template class TTypedParam<int32_t>;
template class TTypedParam<long double>;
template class TTypedParam<uint8_t>;
template class TTypedParam<std::string>;

void TParamInt::SetFloat(long double x) { SetInteger(FloatToInt32(x)); }
void TParamInt::SetFloatAt(int32_t i, long double x) { Elem(i) = FloatToInt32(x); }
void TParamInt::FillInteger(int32_t v) { std::fill(values_.begin(), values_.end(), v); }

void TParamInt::SaveToStream(ByteWriter& w) const {
  SaveDims(w);
  w.U32(static_cast<uint32_t>(values_.size()));
  for (int32_t v : values_) w.I32(v);
}

void TParamInt::LoadFromStream(ByteReader& r, TParamCollection*) {
  LoadDims(r);
  uint32_t n = r.Count(4, "integer element count");
  values_.resize(std::max<uint32_t>(n, 1));
  values_[0] = 0;
  for (uint32_t i = 0; i < n; ++i) values_[i] = r.I32("integer element");
}

int32_t TParamFloat::AsInteger() const { return FloatToInt32(values_[0]); }
int32_t TParamFloat::IntegerAt(int32_t i) const { return FloatToInt32(Elem(i)); }
void TParamFloat::FillFloat(long double x) { std::fill(values_.begin(), values_.end(), x); }

void TParamFloat::SaveToStream(ByteWriter& w) const {
  SaveDims(w);
  w.U32(static_cast<uint32_t>(values_.size()));
  for (long double v : values_) WriteFloat80(w, v);
}

void TParamFloat::LoadFromStream(ByteReader& r, TParamCollection*) {
  LoadDims(r);
  uint32_t n = r.Count(kFloat80Bytes, "float element count");
  values_.resize(std::max<uint32_t>(n, 1));
  values_[0] = 0;
  for (uint32_t i = 0; i < n; ++i) values_[i] = ReadFloat80(r, "float element");
}

void TParamFlag::FillBoolean(bool b) { std::fill(values_.begin(), values_.end(), b ? 1 : 0); }

void TParamFlag::SaveToStream(ByteWriter& w) const {
  SaveDims(w);
  w.U32(static_cast<uint32_t>(values_.size()));
  for (uint8_t v : values_) w.U8(v);
}

void TParamFlag::LoadFromStream(ByteReader& r, TParamCollection*) {
  LoadDims(r);
  uint32_t n = r.Count(1, "flag element count");
  values_.resize(std::max<uint32_t>(n, 1));
  values_[0] = 0;
  for (uint32_t i = 0; i < n; ++i) values_[i] = r.U8("flag element") != 0 ? 1 : 0;
}

void TParamStr::FillString(std::string_view s) {
  for (auto& v : values_) v.assign(s);
}

void TParamStr::SaveToStream(ByteWriter& w) const {
  SaveDims(w);
  w.U32(static_cast<uint32_t>(values_.size()));
  for (const auto& v : values_) w.String(v);
}

void TParamStr::LoadFromStream(ByteReader& r, TParamCollection*) {
  LoadDims(r);
  uint32_t n = r.Count(4, "string element count");
  values_.resize(std::max<uint32_t>(n, 1));
  values_[0].clear();
  for (uint32_t i = 0; i < n; ++i) values_[i] = r.String("string element");
}

// ---- TParamVar ----

bool TParamVar::LeadsBackHere(const TCustomParam* target) const {
  const TCustomParam* p = target;
  for (int step = 0; p != nullptr; ++step) {
    if (p == this || step >= kMaxReferenceChain) return true;
    if (p->Class() != ParamClass::Var) return false;
    p = static_cast<const TParamVar*>(p)->Resolve();
  }
  return false;
}

void TParamVar::Bind(TCustomParam* target, TParamCollectionItem* item, int32_t elementIndex) {
  if (LeadsBackHere(target)) target = nullptr;
  if (item && item == item_ && target && generation_ == *tableGeneration_) {
    // Same variable as last time and the table unchanged: the remembered name still holds.
    target_ = target;
    ElementIndex = elementIndex;
    return;
  }
  target_ = target;
  item_ = target ? item : nullptr;
  ElementIndex = elementIndex;
  if (item_) {
    table_ = &item_->Table();
    tableGeneration_ = table_->GenerationPtr();
    generation_ = *tableGeneration_;
    boundName_.assign(item_->Name());
  } else {
    table_ = nullptr;
    tableGeneration_ = nullptr;
    boundName_.clear();
  }
}

void TParamVar::Rebind() const {
  // The table changed since binding: find the variable again by name; gone means unbound.
  TParamCollectionItem* found = table_->Find(boundName_);
  generation_ = *tableGeneration_;
  // While the new target is checked this reference reads as unbound, so a chain of references that
  // leads back here ends instead of following itself.
  target_ = nullptr;
  TCustomParam* candidate = found ? found->Param() : nullptr;
  if (candidate && !LeadsBackHere(candidate)) {
    // The old item may have been freed: only the name is used from here on.
    item_ = found;
    target_ = candidate;
  } else {
    item_ = nullptr;
  }
}

int32_t TParamVar::Count() const {
  TCustomParam* t = Resolve();
  return t ? t->Count() : 0;
}
void TParamVar::SetCount(int32_t n) {
  if (TCustomParam* t = Resolve()) t->SetCount(n);
}
uint8_t TParamVar::TypeCode() const {
  TCustomParam* t = Resolve();
  return t ? t->TypeCode() : kTypeNone;
}
bool TParamVar::AsBoolean() const {
  TCustomParam* t = Resolve();
  return t ? t->BooleanAt(ElementIndex) : false;
}
long double TParamVar::AsFloat() const {
  TCustomParam* t = Resolve();
  return t ? t->FloatAt(ElementIndex) : 0;
}
int32_t TParamVar::AsInteger() const {
  TCustomParam* t = Resolve();
  return t ? t->IntegerAt(ElementIndex) : 0;
}
std::string TParamVar::AsString() const {
  TCustomParam* t = Resolve();
  return t ? t->StringAt(ElementIndex) : std::string();
}
void TParamVar::SetBoolean(bool b) {
  if (TCustomParam* t = Resolve()) t->SetBooleanAt(ElementIndex, b);
}
void TParamVar::SetFloat(long double x) {
  if (TCustomParam* t = Resolve()) t->SetFloatAt(ElementIndex, x);
}
void TParamVar::SetInteger(int32_t v) {
  if (TCustomParam* t = Resolve()) t->SetIntegerAt(ElementIndex, v);
}
void TParamVar::SetString(std::string_view s) {
  if (TCustomParam* t = Resolve()) t->SetStringAt(ElementIndex, s);
}
int32_t TParamVar::IntegerAt(int32_t i) const {
  TCustomParam* t = Resolve();
  return t ? t->IntegerAt(i) : 0;
}
void TParamVar::SetIntegerAt(int32_t i, int32_t v) {
  if (TCustomParam* t = Resolve()) t->SetIntegerAt(i, v);
}
long double TParamVar::FloatAt(int32_t i) const {
  TCustomParam* t = Resolve();
  return t ? t->FloatAt(i) : 0;
}
void TParamVar::SetFloatAt(int32_t i, long double x) {
  if (TCustomParam* t = Resolve()) t->SetFloatAt(i, x);
}
bool TParamVar::BooleanAt(int32_t i) const {
  TCustomParam* t = Resolve();
  return t ? t->BooleanAt(i) : false;
}
void TParamVar::SetBooleanAt(int32_t i, bool b) {
  if (TCustomParam* t = Resolve()) t->SetBooleanAt(i, b);
}
std::string TParamVar::StringAt(int32_t i) const {
  TCustomParam* t = Resolve();
  return t ? t->StringAt(i) : std::string();
}
void TParamVar::SetStringAt(int32_t i, std::string_view s) {
  if (TCustomParam* t = Resolve()) t->SetStringAt(i, s);
}
int32_t TParamVar::DimCount() const {
  TCustomParam* t = Resolve();
  return t ? t->DimCount() : TCustomParam::DimCount();
}
int32_t TParamVar::DimSize(int32_t d) const {
  TCustomParam* t = Resolve();
  return t ? t->DimSize(d) : TCustomParam::DimSize(d);
}
void TParamVar::AssignFrom(const TCustomParam& other) {
  if (TCustomParam* t = Resolve()) t->AssignFrom(other);
}
void TParamVar::SetDims(std::span<const int32_t> sizes) {
  if (TCustomParam* t = Resolve()) t->SetDims(sizes);
}
void TParamVar::FillInteger(int32_t v) {
  if (TCustomParam* t = Resolve()) t->FillInteger(v);
}
void TParamVar::FillFloat(long double x) {
  if (TCustomParam* t = Resolve()) t->FillFloat(x);
}
void TParamVar::FillBoolean(bool b) {
  if (TCustomParam* t = Resolve()) t->FillBoolean(b);
}
void TParamVar::FillString(std::string_view s) {
  if (TCustomParam* t = Resolve()) t->FillString(s);
}
void TParamVar::CopyValues(const TCustomParam& other) {
  if (TCustomParam* t = Resolve()) t->CopyValues(other);
}
void TParamVar::MakeScalar() {
  if (TCustomParam* t = Resolve()) t->MakeScalar();
}
int32_t TParamVar::IndexOfText(std::string_view text, bool caseSensitive, bool partial) const {
  TCustomParam* t = Resolve();
  return t ? t->IndexOfText(text, caseSensitive, partial) : -1;
}
void TParamVar::Reset() {
  dims_.clear();
  Unbind();
}

void TParamVar::SaveToStream(ByteWriter& w) const {
  SaveDims(w);
  w.String(TargetName);
  TParamCollectionItem* item = TargetItem();
  w.String(item ? std::string_view(item->Name()) : std::string_view());
  w.U8(reserved);
  w.I32(ElementIndex);
}

void TParamVar::LoadFromStream(ByteReader& r, TParamCollection* table) {
  LoadDims(r);
  TargetName = r.String("reference name");
  std::string bound = r.String("reference target");
  reserved = r.U8("reference reserved");
  int32_t index = r.I32("reference element");
  TParamCollectionItem* item = (table && !bound.empty()) ? table->Find(bound) : nullptr;
  if (item && item->Param() && LeadsBackHere(item->Param()))
    r.Fail("reference target", Format("\"%s\" refers back to the reference itself", bound.c_str()));
  if (item && item->Param()) {
    Bind(item->Param(), item, index);
  } else {
    Unbind();
    ElementIndex = index;
  }
}

// ---- helpers ----

std::unique_ptr<TCustomParam> NewParam(uint8_t typeCode) {
  switch (typeCode & 0x7F) {
    case kTypeNone:
      return std::make_unique<TParamVar>();
    case kTypeInt:
      return std::make_unique<TParamInt>();
    case kTypeFloat:
      return std::make_unique<TParamFloat>();
    case kTypeFlag:
      return std::make_unique<TParamFlag>();
    case kTypeStr:
      return std::make_unique<TParamStr>();
    default:
      return nullptr;
  }
}

std::unique_ptr<TCustomParam> CloneParam(const TCustomParam& value) {
  switch (value.Class()) {
    case ParamClass::Int:
    case ParamClass::Float:
    case ParamClass::Flag:
    case ParamClass::Str: {
      auto copy = NewParam(value.TypeCode());
      copy->AssignFrom(value);
      return copy;
    }
    default:
      return nullptr;
  }
}

void AssignByType(TCustomParam& dest, uint8_t typeCode, const TCustomParam& value) {
  switch (typeCode) {
    case kTypeInt:
      dest.SetInteger(value.AsInteger());
      break;
    case kTypeFloat:
      dest.SetFloat(value.AsFloat());
      break;
    case kTypeFlag:
      dest.SetBoolean(value.AsBoolean());
      break;
    case kTypeStr:
      dest.SetString(value.AsString());
      break;
    default:
      break;
  }
}

}  // namespace kuzo
