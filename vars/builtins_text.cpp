// String built-ins: lengths, copies, deletions and insertions by bytes or characters, searching,
// trimming, case, paths, replacement and width conversion. Every scan steps over double-byte
// characters as units, so a trail byte is never taken for a delimiter or folded.
#include <algorithm>

#include "core/errors.h"
#include "core/sjis.h"
#include "vars/builtins.h"
#include "vars/kana.h"

namespace kuzo::builtins {

namespace {

constexpr const char* kTooLong = "%s:文字列が長すぎます";
constexpr std::string_view kFullWidthBlank = "\x81\x40";
constexpr std::string_view kPathDelimiters = "\\:";
constexpr std::string_view kExtensionDelimiters = ".\\:";

// Byte offsets of every character start, plus the total length at the end.
std::vector<size_t> Offsets(std::string_view s) {
  std::vector<size_t> offsets;
  for (size_t i = 0; i < s.size(); i += sjis::CharLength(s, i)) offsets.push_back(i);
  offsets.push_back(s.size());
  return offsets;
}

bool IsCharStart(std::string_view s, size_t pos) {
  for (size_t i = 0; i < s.size(); i += sjis::CharLength(s, i)) {
    if (i == pos) return true;
    if (i > pos) return false;
  }
  return false;
}

// Byte position of the last single-byte character that is one of `set`, or npos.
size_t LastDelimiter(std::string_view s, std::string_view set) {
  size_t found = std::string_view::npos;
  for (size_t i = 0; i < s.size(); i += sjis::CharLength(s, i)) {
    if (sjis::CharLength(s, i) == 1 && set.find(s[i]) != std::string_view::npos) found = i;
  }
  return found;
}

void CheckLength(const BuiltinCall& call, int64_t bytes) {
  if (bytes > kMaxBuiltinStringBytes) throw KuzoError(Format(kTooLong, call.Name()));
}

// Units of `s` for the byte (J = false) or character (J = true) functions: unit k spans
// [at(k), at(k + 1)).
struct Units {
  Units(std::string_view text, bool chars) : s(text) {
    if (chars) {
      offsets = Offsets(s);
    } else {
      offsets.resize(s.size() + 1);
      for (size_t i = 0; i <= s.size(); ++i) offsets[i] = i;
    }
  }
  int64_t Count() const { return static_cast<int64_t>(offsets.size()) - 1; }
  size_t At(int64_t k) const { return offsets[static_cast<size_t>(k)]; }
  std::string_view s;
  std::vector<size_t> offsets;
};

// Copy: 1-based start (below 1 counts as 1), count units (to the end when absent).
void DoCopy(BuiltinCall& c, bool chars) {
  std::string s = c.Str(1);
  Units u(s, chars);
  int64_t start = std::max<int64_t>(c.Int(2), 1) - 1;
  int64_t count = c.Has(3) ? c.Int(3) : u.Count();
  if (start >= u.Count() || count <= 0) {
    c.Result().SetString("");
    return;
  }
  int64_t end = std::min(u.Count(), start + count);
  c.Result().SetString(std::string_view(s).substr(u.At(start), u.At(end) - u.At(start)));
}

// Delete: nothing when the start is outside 1..count or the count is not positive; the text is
// written back only when argument 1 names a variable.
void DoDelete(BuiltinCall& c, bool chars) {
  TCustomParam* target = c.Variable(1);
  std::string s = c.Str(1);
  Units u(s, chars);
  int64_t start = c.Int(2);
  int64_t count = c.Has(3) ? c.Int(3) : u.Count();
  if (start < 1 || start > u.Count() || count <= 0) return;
  int64_t end = std::min(u.Count(), start - 1 + count);
  std::string out = s.substr(0, u.At(start - 1)) + s.substr(u.At(end));
  if (target) target->SetString(out);
}

// Insert: str(1) into str(2) before position int(3) (clamped to 1..count + 1); writes argument 2.
void DoInsert(BuiltinCall& c, bool chars) {
  TCustomParam* target = c.Variable(2);
  std::string sub = c.Str(1), s = c.Str(2);
  Units u(s, chars);
  int64_t pos = std::clamp<int64_t>(c.Int(3), 1, u.Count() + 1);
  CheckLength(c, static_cast<int64_t>(s.size() + sub.size()));
  std::string out = s.substr(0, u.At(pos - 1)) + sub + s.substr(u.At(pos - 1));
  if (target) target->SetString(out);
}

// Pos: 1-based position (in units) of the first occurrence starting at a character; 0 when absent.
void DoPos(BuiltinCall& c, bool chars) {
  std::string sub = c.Str(1), s = c.Str(2);
  int32_t result = 0;
  if (!sub.empty()) {
    std::vector<size_t> offsets = Offsets(s);
    for (size_t k = 0; k + 1 < offsets.size(); ++k) {
      if (s.compare(offsets[k], sub.size(), sub) == 0) {
        result = static_cast<int32_t>(chars ? k + 1 : offsets[k] + 1);
        break;
      }
    }
  }
  c.Result().SetInteger(result);
}

std::string PadDigits(const BuiltinCall& c, std::string digits, int32_t width, bool negative) {
  if (width > 0) {
    CheckLength(c, width);
    if (static_cast<int32_t>(digits.size()) < width) digits.insert(0, static_cast<size_t>(width) - digits.size(), '0');
  }
  return negative ? "-" + digits : digits;
}

void IntToStr(BuiltinCall& c) {
  int32_t v = c.Int(1);
  if (!c.Has(2)) {
    c.Result().SetString(IntegerToText(v));
    return;
  }
  // At least int(2) digits; the sign comes in front of the padding.
  uint32_t mag = v < 0 ? 0u - static_cast<uint32_t>(v) : static_cast<uint32_t>(v);
  c.Result().SetString(PadDigits(c, std::to_string(mag), c.Int(2), v < 0));
}

void IntToHex(BuiltinCall& c) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%X", static_cast<uint32_t>(c.Int(1)));
  c.Result().SetString(PadDigits(c, buf, c.Int(2), false));
}

void CompareStr(BuiltinCall& c) {
  std::string a = c.Str(1), b = c.Str(2);
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    if (a[i] != b[i]) {
      c.Result().SetInteger(static_cast<uint8_t>(a[i]) - static_cast<uint8_t>(b[i]));
      return;
    }
  }
  c.Result().SetInteger(static_cast<int32_t>(a.size()) - static_cast<int32_t>(b.size()));
}

// Trim: control characters and blanks (bytes up to 0x20) at both ends; no trail byte is that low.
void Trim(BuiltinCall& c) {
  std::string s = c.Str(1);
  size_t b = 0, e = s.size();
  while (b < e && static_cast<uint8_t>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<uint8_t>(s[e - 1]) <= ' ') --e;
  c.Result().SetString(std::string_view(s).substr(b, e - b));
}

// JTrim: half-width and full-width blanks at both ends, found as whole characters.
void JTrim(BuiltinCall& c) {
  std::string s = c.Str(1);
  std::vector<size_t> offsets = Offsets(s);
  auto isBlank = [&](size_t k) {
    std::string_view ch = std::string_view(s).substr(offsets[k], offsets[k + 1] - offsets[k]);
    return ch == " " || ch == kFullWidthBlank;
  };
  size_t units = offsets.size() - 1, first = 0, last = units;
  while (first < last && isBlank(first)) ++first;
  while (last > first && isBlank(last - 1)) --last;
  c.Result().SetString(std::string_view(s).substr(offsets[first], offsets[last] - offsets[first]));
}

void FixStr(BuiltinCall& c) {
  std::string s = c.Str(1);
  size_t last = 0;
  bool any = false;
  for (size_t i = 0; i < s.size(); i += sjis::CharLength(s, i)) {
    last = i;
    any = true;
  }
  // A lead byte as the final character is half of a double-byte character: drop it.
  if (any && sjis::IsLeadByte(static_cast<uint8_t>(s[last])) && last + 1 == s.size()) s.pop_back();
  c.Result().SetString(s);
}

void ExtractFilePath(BuiltinCall& c) {
  std::string s = c.Str(1);
  size_t p = LastDelimiter(s, kPathDelimiters);
  c.Result().SetString(p == std::string::npos ? std::string() : s.substr(0, p + 1));
}

void ExtractFileName(BuiltinCall& c) {
  std::string s = c.Str(1);
  size_t p = LastDelimiter(s, kPathDelimiters);
  c.Result().SetString(p == std::string::npos ? s : s.substr(p + 1));
}

void ExtractFileExt(BuiltinCall& c) {
  std::string s = c.Str(1);
  size_t p = LastDelimiter(s, kExtensionDelimiters);
  c.Result().SetString(p != std::string::npos && s[p] == '.' ? s.substr(p) : std::string());
}

void ChangeFileExt(BuiltinCall& c) {
  std::string s = c.Str(1);
  size_t p = LastDelimiter(s, kExtensionDelimiters);
  if (p != std::string::npos && s[p] == '.') s.resize(p);
  c.Result().SetString(s + c.Str(2));
}

// The single-byte character at 1-based byte position `index` is one of `set`.
bool DelimiterAt(std::string_view s, int32_t index, std::string_view set) {
  if (index < 1 || static_cast<size_t>(index) > s.size()) return false;
  size_t pos = static_cast<size_t>(index) - 1;
  if (!IsCharStart(s, pos) || sjis::CharLength(s, pos) != 1) return false;
  return set.find(s[pos]) != std::string_view::npos;
}

void AddBackSlash(BuiltinCall& c) {
  std::string s = c.Str(1);
  size_t p = LastDelimiter(s, "\\");
  if (s.empty() || p != s.size() - 1) s += '\\';
  c.Result().SetString(s);
}

void StringOfChar(BuiltinCall& c) {
  std::string s = c.Str(1);
  int32_t n = c.Int(2);
  if (n <= 0 || s.empty()) {
    c.Result().SetString("");
    return;
  }
  CheckLength(c, static_cast<int64_t>(s.size()) * n);
  std::string out;
  out.reserve(s.size() * static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) out += s;
  c.Result().SetString(out);
}

void StringReplace(BuiltinCall& c) {
  std::string s = c.Str(1), from = c.Str(2), to = c.Str(3);
  bool all = c.Has(4) && c.Flag(4);
  bool ignoreCase = c.Has(5) && c.Flag(5);
  if (from.empty()) {
    c.Result().SetString(s);
    return;
  }
  std::string out;
  size_t i = 0;
  bool replaced = false;
  while (i < s.size()) {
    if (!(replaced && !all) && i + from.size() <= s.size()) {
      std::string_view candidate = std::string_view(s).substr(i, from.size());
      bool match = ignoreCase ? sjis::EqualsNoCase(candidate, from) : candidate == from;
      if (match) {
        out += to;
        CheckLength(c, static_cast<int64_t>(out.size()));
        i += from.size();
        replaced = true;
        continue;
      }
    }
    size_t n = sjis::CharLength(s, i);
    out.append(s, i, n);
    i += n;
  }
  c.Result().SetString(out);
}

}  // namespace

void RegisterText(HandlerTable& t) {
  t[Builtin::IntToStr] = IntToStr;
  t[Builtin::IntToHex] = IntToHex;
  t[Builtin::Length] = [](BuiltinCall& c) { c.Result().SetInteger(static_cast<int32_t>(c.Str(1).size())); };
  t[Builtin::JLength] = [](BuiltinCall& c) { c.Result().SetInteger(static_cast<int32_t>(sjis::CharCount(c.Str(1)))); };
  t[Builtin::Copy] = [](BuiltinCall& c) { DoCopy(c, false); };
  t[Builtin::JCopy] = [](BuiltinCall& c) { DoCopy(c, true); };
  t[Builtin::Delete] = [](BuiltinCall& c) { DoDelete(c, false); };
  t[Builtin::JDelete] = [](BuiltinCall& c) { DoDelete(c, true); };
  t[Builtin::Insert] = [](BuiltinCall& c) { DoInsert(c, false); };
  t[Builtin::JInsert] = [](BuiltinCall& c) { DoInsert(c, true); };
  t[Builtin::CompareStr] = CompareStr;
  t[Builtin::CompareText] = [](BuiltinCall& c) { c.Result().SetInteger(sjis::CompareNoCase(c.Str(1), c.Str(2))); };
  t[Builtin::Pos] = [](BuiltinCall& c) { DoPos(c, false); };
  t[Builtin::JPos] = [](BuiltinCall& c) { DoPos(c, true); };
  t[Builtin::Trim] = Trim;
  t[Builtin::JTrim] = JTrim;
  t[Builtin::FixStr] = FixStr;
  t[Builtin::LowerCase] = [](BuiltinCall& c) { c.Result().SetString(sjis::ToLower(c.Str(1))); };
  t[Builtin::UpperCase] = [](BuiltinCall& c) { c.Result().SetString(sjis::ToUpper(c.Str(1))); };
  t[Builtin::ExtractFilePath] = ExtractFilePath;
  t[Builtin::ExtractFileName] = ExtractFileName;
  t[Builtin::ExtractFileExt] = ExtractFileExt;
  t[Builtin::IsPathDelimiter] = [](BuiltinCall& c) { c.Result().SetBoolean(DelimiterAt(c.Str(1), c.Int(2), "\\")); };
  t[Builtin::AddBackSlash] = AddBackSlash;
  t[Builtin::ChangeFileExt] = ChangeFileExt;
  t[Builtin::IsDelimiter] = [](BuiltinCall& c) {
    // Only the single-byte characters of the delimiter list count; trail bytes are not delimiters.
    std::string list = c.Str(1), set;
    for (size_t i = 0; i < list.size(); i += sjis::CharLength(list, i)) {
      if (sjis::CharLength(list, i) == 1 && !sjis::IsLeadByte(static_cast<uint8_t>(list[i]))) set += list[i];
    }
    c.Result().SetBoolean(DelimiterAt(c.Str(2), c.Int(3), set));
  };
  t[Builtin::StringOfChar] = StringOfChar;
  t[Builtin::StringReplace] = StringReplace;
  t[Builtin::HanToZen] = [](BuiltinCall& c) { c.Result().SetString(HanToZen(c.Str(1))); };
  t[Builtin::ZenToHan] = [](BuiltinCall& c) { c.Result().SetString(ZenToHan(c.Str(1))); };
  t[Builtin::AddDelimiter] = [](BuiltinCall& c) {
    std::string delimiter = c.Str(2);
    c.Result().SetString(delimiter.empty() ? std::string() : delimiter + c.Str(1));
  };
  t[Builtin::StrToIntDef] = [](BuiltinCall& c) {
    int32_t v = 0;
    c.Result().SetInteger(ParseInteger(c.Str(1), v) ? v : c.Int(2));
  };
  t[Builtin::StrToFloatDef] = [](BuiltinCall& c) {
    long double v = 0;
    c.Result().SetFloat(ParseFloat(c.Str(1), v) ? v : c.Flt(2));
  };
}

}  // namespace kuzo::builtins
