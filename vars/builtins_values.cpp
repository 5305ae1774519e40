// Built-ins on values: array shape and contents, numbers and trigonometry, dates and times (days
// since 1899-12-30 with the time of day as the fraction), variable queries, display modes, links
// and Calc.
#include <algorithm>
#include <array>
#include <cmath>

#include "core/errors.h"
#include "core/host_state.h"
#include "core/sjis.h"
#include "vars/builtins.h"
#include "vars/expression.h"
#include "vars/float80.h"
#include "vars/param_collection.h"

namespace kuzo {

// Counts the nesting of Calc for as long as one Calc call runs.
struct CalcGuard {
  explicit CalcGuard(TSysFuncMan& man) : man_(man) {
    if (man_.calcDepth_ >= kMaxCalcDepth) throw KuzoError("Calc:入れ子が深すぎます");
    ++man_.calcDepth_;
  }
  ~CalcGuard() { --man_.calcDepth_; }
  TSysFuncMan& man_;
};

namespace builtins {

namespace {

constexpr int64_t kMsPerDay = 86400000;
// Days from 0001-01-01 to 1899-12-30, the day numbered 0.
constexpr int64_t kDateDelta = 693594;
constexpr int64_t kMaxDay = 2958465;  // 9999-12-31
constexpr std::array<const char*, 7> kWeekNames = {"Sunday", "Monday", "Tuesday", "Wednesday",
                                                   "Thursday", "Friday", "Saturday"};
constexpr std::array<const char*, 7> kWeekJNames = {"日", "月", "火", "水", "木", "金", "土"};

long double Checked(long double x) {
  if (!std::isfinite(x)) throw KuzoError("浮動小数点演算エラー");
  return x;
}

// Copies element si of src into element di of dst, converted to dst's type.
void CopyElement(TCustomParam& dst, int32_t di, const TCustomParam& src, int32_t si) {
  switch (dst.TypeCode()) {
    case kTypeInt:
      dst.SetIntegerAt(di, src.IntegerAt(si));
      break;
    case kTypeFloat:
      dst.SetFloatAt(di, src.FloatAt(si));
      break;
    case kTypeFlag:
      dst.SetBooleanAt(di, src.BooleanAt(si));
      break;
    case kTypeStr:
      dst.SetStringAt(di, src.StringAt(si));
      break;
    default:
      break;
  }
}

// A typed copy of `src` converted to `type` (arrays are read before they are rewritten).
std::unique_ptr<TCustomParam> Snapshot(uint8_t type, const TCustomParam& src) {
  auto copy = NewParam(type);
  copy->AssignConverted(src);
  return copy;
}

bool IsPlainType(uint8_t type) { return type >= kTypeInt && type <= kTypeStr; }

// ---- arrays ----

void GetArraySize(BuiltinCall& c) {
  TCustomParam& v = c.RequireVariable(1, "GetArraySize:変数が見つかりません");
  if (!c.Has(2)) {
    c.Result().SetInteger(v.Count());
    return;
  }
  // Dimension numbers count from the last dimension.
  c.Result().SetInteger(v.DimSize(v.DimCount() - 1 - c.Int(2)));
}

void SetArray(BuiltinCall& c) {
  TCustomParam& v = c.RequireVariable(1, "SetArray:変数が見つかりません");
  std::vector<int32_t> sizes;
  for (int n = 2; n <= c.ArgCount(); ++n) sizes.push_back(c.Int(n));
  v.SetDims(sizes);
}

void FillMem(BuiltinCall& c) {
  TCustomParam& v = Underlying(c.RequireVariable(1, "FillMem:変数が見つかりません"));
  switch (v.TypeCode()) {
    case kTypeInt:
      v.FillInteger(c.Int(2));
      break;
    case kTypeFloat:
      v.FillFloat(c.Flt(2));
      break;
    case kTypeFlag:
      v.FillBoolean(c.Flag(2));
      break;
    case kTypeStr:
      v.FillString(c.Str(2));
      break;
    default:
      break;
  }
}

void CopyMem(BuiltinCall& c) {
  TCustomParam& dst = Underlying(c.RequireVariable(1, "CopyMem:変数が見つかりません"));
  TCustomParam& src = Underlying(c.RequireVariable(2, "CopyMem:変数が見つかりません"));
  dst.CopyValues(src);
}

void ArrayToString(BuiltinCall& c) {
  const TCustomParam& v = c.Arg(1);
  std::string separator = c.Has(2) ? c.Str(2) : std::string("\r\n");
  std::string out;
  int32_t n = v.Count();
  for (int32_t i = 0; i < n; ++i) {
    if (i) out += separator;
    out += v.StringAt(i);
    if (static_cast<int64_t>(out.size()) > kMaxBuiltinStringBytes) throw KuzoError("ArrayToString:文字列が長すぎます");
  }
  c.Result().SetString(out);
}

// Lines split at CR LF, CR or LF, or parts split at any character of `separators`; a separator at
// the very end adds no empty part.
std::vector<std::string> SplitText(std::string_view s, const std::string* separators) {
  std::vector<std::string> parts;
  std::string current;
  bool pending = false;
  for (size_t i = 0; i < s.size();) {
    size_t n = sjis::CharLength(s, i);
    std::string_view ch = s.substr(i, n);
    bool cut;
    if (separators) {
      cut = false;
      for (size_t k = 0; k < separators->size(); k += sjis::CharLength(*separators, k)) {
        if (std::string_view(*separators).substr(k, sjis::CharLength(*separators, k)) == ch) cut = true;
      }
    } else {
      cut = ch == "\r" || ch == "\n";
      if (ch == "\r" && i + 1 < s.size() && s[i + 1] == '\n') n = 2;
    }
    if (cut) {
      parts.push_back(std::move(current));
      current.clear();
      pending = false;
    } else {
      current.append(ch);
      pending = true;
    }
    i += n;
  }
  if (pending) parts.push_back(std::move(current));
  return parts;
}

void StringToArray(BuiltinCall& c) {
  std::string text = c.Str(1);
  std::string separators = c.Has(3) ? c.Str(3) : std::string();
  std::vector<std::string> parts = SplitText(text, c.Has(3) ? &separators : nullptr);
  TCustomParam* target = c.Variable(2);
  if (!target) return;
  if (parts.empty()) {
    target->SetString("");
    return;
  }
  TCustomParam& v = Underlying(*target);
  std::array<int32_t, 1> size{static_cast<int32_t>(std::min<size_t>(parts.size(), kMaxElementCount + 1))};
  v.SetDims(size);
  for (size_t i = 0; i < parts.size(); ++i) v.SetStringAt(static_cast<int32_t>(i), parts[i]);
}

void SortStr(BuiltinCall& c) {
  TCustomParam* target = c.Variable(1);
  if (!target) return;
  TCustomParam& v = Underlying(*target);
  std::vector<std::string> items;
  for (int32_t i = 0; i < v.Count(); ++i) items.push_back(v.StringAt(i));
  std::stable_sort(items.begin(), items.end(),
                   [](const std::string& a, const std::string& b) { return sjis::CompareNoCase(a, b) < 0; });
  for (size_t i = 0; i < items.size(); ++i) v.SetStringAt(static_cast<int32_t>(i), items[i]);
}

// Array edits need argument 1 to name a one-dimensional variable; anything else changes nothing.
TCustomParam* OneDimensional(BuiltinCall& c, int n) {
  TCustomParam* target = c.Variable(n);
  if (!target) return nullptr;
  TCustomParam& v = Underlying(*target);
  return (v.DimCount() == 1 && IsPlainType(v.TypeCode())) ? &v : nullptr;
}

void Resize1D(TCustomParam& v, int64_t count) {
  std::array<int32_t, 1> size{static_cast<int32_t>(std::clamp<int64_t>(count, 0, kMaxElementCount + 1))};
  v.SetDims(size);
}

void AddArray(BuiltinCall& c) {
  TCustomParam* a = OneDimensional(c, 1);
  const TCustomParam& b = Underlying(c.Arg(2));
  if (a && b.DimCount() == 1) {
    auto add = Snapshot(a->TypeCode(), b);
    int32_t start = a->Count();
    Resize1D(*a, int64_t{start} + add->Count());
    for (int32_t i = 0; i < add->Count(); ++i) CopyElement(*a, start + i, *add, i);
  }
  c.Result().SetInteger(Underlying(c.Arg(1)).Count());
}

void InsertArray(BuiltinCall& c) {
  TCustomParam* a = OneDimensional(c, 1);
  const TCustomParam& b = Underlying(c.Arg(3));
  if (a && b.DimCount() == 1) {
    auto old = Snapshot(a->TypeCode(), *a);
    auto add = Snapshot(a->TypeCode(), b);
    int32_t at = std::clamp(c.Int(2), 0, old->Count());
    Resize1D(*a, int64_t{old->Count()} + add->Count());
    int32_t k = at;
    for (int32_t i = 0; i < add->Count(); ++i) CopyElement(*a, k++, *add, i);
    for (int32_t i = at; i < old->Count(); ++i) CopyElement(*a, k++, *old, i);
  }
  c.Result().SetInteger(Underlying(c.Arg(1)).Count());
}

void DeleteArray(BuiltinCall& c) {
  TCustomParam* a = OneDimensional(c, 1);
  if (a) {
    int32_t count = a->Count();
    int32_t at = std::clamp(c.Int(2), 0, count - 1);
    int32_t n = std::clamp(c.Int(3), 0, count - at);
    if (n > 0) {
      auto old = Snapshot(a->TypeCode(), *a);
      Resize1D(*a, count - n);  // removing every element is refused like a zero dimension
      for (int32_t i = at + n, k = at; i < count; ++i) CopyElement(*a, k++, *old, i);
    }
  }
  c.Result().SetInteger(Underlying(c.Arg(1)).Count());
}

void CopyArray(BuiltinCall& c) {
  if (TCustomParam* target = c.Variable(1)) Underlying(*target).AssignConverted(Underlying(c.Arg(2)));
  c.Result().SetBoolean(true);
}

// ---- dates and times ----

bool IsLeap(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
int DaysInMonth(int64_t y, int64_t m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// Days since 0001-01-01 (day 1) for a valid date.
int64_t DayNumber(int64_t y, int64_t m, int64_t d) {
  int64_t days = d;
  for (int64_t i = 1; i < m; ++i) days += DaysInMonth(y, i);
  int64_t p = y - 1;
  return days + p * 365 + p / 4 - p / 100 + p / 400;
}

struct Stamp {
  int64_t date = 0;  // days since 0001-01-01 (day 1), 0 or less when out of range
  int64_t time = 0;  // milliseconds of the day
};

// The date value rounded to milliseconds (to nearest, ties to even); the fraction's magnitude is
// the time of day also for dates before the epoch.
Stamp ToStamp(long double value) {
  if (!std::isfinite(value) || std::fabs(value) > kMaxDay + 1) return {};
  auto ms = static_cast<int64_t>(std::nearbyint(value * kMsPerDay));
  Stamp s;
  s.date = kDateDelta + ms / kMsPerDay;
  s.time = std::llabs(ms % kMsPerDay);
  return s;
}

struct Civil {
  int32_t year = 0, month = 0, day = 0;
};

Civil ToCivil(int64_t date) {
  Civil c;
  if (date <= 0 || date > kDateDelta + kMaxDay) return c;  // outside 0001..9999: all zero
  int64_t lo = 1, hi = 9999;
  while (lo < hi) {  // the last year starting on or before `date`
    int64_t mid = (lo + hi + 1) / 2;
    if (DayNumber(mid, 1, 1) <= date) lo = mid; else hi = mid - 1;
  }
  int64_t rest = date - DayNumber(lo, 1, 1) + 1;
  int64_t m = 1;
  while (rest > DaysInMonth(lo, m)) rest -= DaysInMonth(lo, m++);
  c.year = static_cast<int32_t>(lo);
  c.month = static_cast<int32_t>(m);
  c.day = static_cast<int32_t>(rest);
  return c;
}

int32_t WeekDay(const Stamp& s) { return static_cast<int32_t>(((s.date % 7) + 7) % 7 + 1); }

void EncodeDate(BuiltinCall& c) {
  int32_t y = c.Int(1), m = c.Int(2), d = c.Int(3);
  if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 || d > DaysInMonth(y, m)) {
    throw KuzoError("EncodeDate:日付が不正です");
  }
  c.Result().SetFloat(static_cast<long double>(DayNumber(y, m, d) - kDateDelta));
}

void EncodeTime(BuiltinCall& c) {
  int32_t h = c.Int(1), m = c.Int(2), s = c.Int(3);
  if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59) throw KuzoError("EncodeTime:時刻が不正です");
  int64_t ms = (int64_t{h} * 3600 + m * 60 + s) * 1000;
  c.Result().SetFloat(static_cast<long double>(ms) / kMsPerDay);
}

void WriteParts(BuiltinCall& c, int32_t a, int32_t b, int32_t d) {
  if (TCustomParam* v = c.Variable(2)) v->SetInteger(a);
  if (TCustomParam* v = c.Variable(3)) v->SetInteger(b);
  if (TCustomParam* v = c.Variable(4)) v->SetInteger(d);
}

int32_t Part(long double value, int which) {
  Stamp s = ToStamp(value);
  Civil civil = ToCivil(s.date);
  switch (which) {
    case 0: return civil.year;
    case 1: return civil.month;
    case 2: return civil.day;
    case 3: return static_cast<int32_t>(s.time / 3600000);
    case 4: return static_cast<int32_t>(s.time / 60000 % 60);
    case 5: return static_cast<int32_t>(s.time / 1000 % 60);
    default: return WeekDay(s);
  }
}

// ---- other ----

void GetDisplayMode(BuiltinCall& c) {
  SystemVariableHost& host = c.Table().Host();
  int32_t index = c.Int(1);
  std::array<int32_t, 4> mode{};
  if (index < 0 || index >= host.DisplayModeCount() || !host.DisplayMode(index, mode)) {
    c.Result().SetBoolean(false);
    return;
  }
  for (int k = 0; k < 4; ++k) {
    if (TCustomParam* v = c.Variable(k + 2)) v->SetInteger(mode[static_cast<size_t>(k)]);
  }
  c.Result().SetBoolean(true);
}

void Calc(BuiltinCall& c) {
  std::string text = c.Str(1);
  size_t b = 0, e = text.size();
  while (b < e && static_cast<uint8_t>(text[b]) <= ' ') ++b;
  while (e > b && static_cast<uint8_t>(text[e - 1]) <= ' ') --e;
  if (b == e) return;
  CalcGuard guard(c.Man());
  // A fresh compiled expression with temporaries of its own; its failures stay inside it, but a
  // compilation error ends the calling evaluation.
  TKuzoParser inner;
  inner.CompileText(std::string_view(text).substr(b, e - b));
  inner.Execute(c.Table());
  c.Result().SetBoolean(true);
}

}  // namespace

void RegisterValues(HandlerTable& t) {
  t[Builtin::GetArraySize] = GetArraySize;
  t[Builtin::Not] = [](BuiltinCall& c) { c.Result().SetBoolean(!c.Flag(1)); };
  t[Builtin::SetArray] = SetArray;
  t[Builtin::FillMem] = FillMem;
  t[Builtin::CopyMem] = CopyMem;
  t[Builtin::Random] = [](BuiltinCall& c) { c.Result().SetInteger(c.Man().Host().random.Next(c.Int(1))); };
  t[Builtin::ArrayToString] = ArrayToString;
  t[Builtin::StringToArray] = StringToArray;
  t[Builtin::IndexOfStr] = [](BuiltinCall& c) {
    bool caseSensitive = c.Has(3) ? c.Flag(3) : true;
    bool partial = c.Has(4) && c.Flag(4);
    c.Result().SetInteger(c.Arg(1).IndexOfText(c.Str(2), caseSensitive, partial));
  };
  t[Builtin::SortStr] = SortStr;
  t[Builtin::Int] = [](BuiltinCall& c) { c.Result().SetInteger(FloatToInt32(c.Flt(1))); };
  t[Builtin::Float] = [](BuiltinCall& c) { c.Result().SetFloat(c.Flt(1)); };
  t[Builtin::Sin] = [](BuiltinCall& c) { c.Result().SetFloat(Checked(std::sin(c.Flt(1)))); };
  t[Builtin::Cos] = [](BuiltinCall& c) { c.Result().SetFloat(Checked(std::cos(c.Flt(1)))); };
  t[Builtin::Tan] = [](BuiltinCall& c) { c.Result().SetFloat(Checked(std::tan(c.Flt(1)))); };
  t[Builtin::ArcSin] = [](BuiltinCall& c) { c.Result().SetFloat(Checked(std::asin(c.Flt(1)))); };
  t[Builtin::ArcCos] = [](BuiltinCall& c) { c.Result().SetFloat(Checked(std::acos(c.Flt(1)))); };
  t[Builtin::ArcTan] = [](BuiltinCall& c) { c.Result().SetFloat(Checked(std::atan(c.Flt(1)))); };
  t[Builtin::ArcTan2] = [](BuiltinCall& c) { c.Result().SetFloat(Checked(std::atan2(c.Flt(1), c.Flt(2)))); };
  t[Builtin::Hypot] = [](BuiltinCall& c) { c.Result().SetFloat(Checked(std::hypot(c.Flt(1), c.Flt(2)))); };
  t[Builtin::Abs] = [](BuiltinCall& c) {
    int32_t v = c.Int(1);  // the lowest integer wraps to itself
    c.Result().SetInteger(v < 0 ? static_cast<int32_t>(0u - static_cast<uint32_t>(v)) : v);
  };
  t[Builtin::Fabs] = [](BuiltinCall& c) { c.Result().SetFloat(std::fabs(c.Flt(1))); };
  t[Builtin::VarExists] = [](BuiltinCall& c) { c.Result().SetBoolean(c.Table().Find(c.Str(1)) != nullptr); };
  t[Builtin::EncodeDate] = EncodeDate;
  t[Builtin::EncodeTime] = EncodeTime;
  t[Builtin::DecodeDate] = [](BuiltinCall& c) {
    long double v = c.Flt(1);
    WriteParts(c, Part(v, 0), Part(v, 1), Part(v, 2));
  };
  t[Builtin::DecodeTime] = [](BuiltinCall& c) {
    long double v = c.Flt(1);
    WriteParts(c, Part(v, 3), Part(v, 4), Part(v, 5));
  };
  for (int k = 0; k < 7; ++k) {
    t[static_cast<Builtin>(BuiltinNumber(Builtin::GetYear) + k)] = [k](BuiltinCall& c) { c.Result().SetInteger(Part(c.Flt(1), k)); };
  }
  t[Builtin::GetWeekStr] = [](BuiltinCall& c) {
    c.Result().SetString(kWeekNames[static_cast<size_t>(Part(c.Flt(1), 6) - 1)]);
  };
  t[Builtin::GetWeekJStr] = [](BuiltinCall& c) {
    c.Result().SetString(kWeekJNames[static_cast<size_t>(Part(c.Flt(1), 6) - 1)]);
  };
  t[Builtin::GetDisplayMode] = GetDisplayMode;
  t[Builtin::AddArray] = AddArray;
  t[Builtin::InsertArray] = InsertArray;
  t[Builtin::DeleteArray] = DeleteArray;
  t[Builtin::CopyArray] = CopyArray;
  t[Builtin::AssignTemp] = [](BuiltinCall& c) {
    std::string name = c.Str(1);
    bool found = c.Table().Find(name) != nullptr;
    if (found) c.Table().TempTarget = name;
    c.Result().SetBoolean(found);
  };
  // SetWallPaper: the desktop offers no safe, portable way to replace the user's wallpaper, so the
  // player leaves it alone and answers false, as when setting it fails.
  t[Builtin::SetWallPaper] = [](BuiltinCall& c) { c.Result().SetBoolean(false); };
  t[Builtin::Min] = [](BuiltinCall& c) { c.Result().SetInteger(std::min(c.Int(1), c.Int(2))); };
  t[Builtin::Max] = [](BuiltinCall& c) { c.Result().SetInteger(std::max(c.Int(1), c.Int(2))); };
  t[Builtin::Fmin] = [](BuiltinCall& c) { c.Result().SetFloat(std::min(c.Flt(1), c.Flt(2))); };
  t[Builtin::Fmax] = [](BuiltinCall& c) { c.Result().SetFloat(std::max(c.Flt(1), c.Flt(2))); };
  t[Builtin::GetVarType] = [](BuiltinCall& c) { c.Result().SetInteger(c.Arg(1).TypeCode()); };
  t[Builtin::OpenUrl] = [](BuiltinCall& c) {
    std::string url = c.Str(1);
    if (url.starts_with("http") || url.starts_with("ftp")) c.Table().Host().OpenUrl(url);
  };
  t[Builtin::Calc] = Calc;
}

}  // namespace builtins
}  // namespace kuzo
