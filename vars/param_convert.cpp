// Text forms of integers and floats and the strict parsers behind every string conversion.
#include "vars/param_convert.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace kuzo {

namespace {
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
}  // namespace

bool ParseInteger(std::string_view text, int32_t& out) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i >= text.size()) return false;
  uint64_t value = 0;
  if (text[i] == '$') {
    ++i;
    if (i >= text.size()) return false;
    for (; i < text.size(); ++i) {
      int h = HexValue(text[i]);
      if (h < 0) return false;
      value = value * 16 + static_cast<uint64_t>(h);
      if (value > 0xFFFFFFFFull) return false;
    }
    uint32_t bits = static_cast<uint32_t>(value);
    if (negative) bits = 0u - bits;
    out = static_cast<int32_t>(bits);
    return true;
  }
  for (; i < text.size(); ++i) {
    if (!IsDigit(text[i])) return false;
    value = value * 10 + static_cast<uint64_t>(text[i] - '0');
    if (value > 2147483648ull) return false;
  }
  if (!negative && value > 2147483647ull) return false;
  out = negative ? static_cast<int32_t>(0u - static_cast<uint32_t>(value)) : static_cast<int32_t>(value);
  return true;
}

bool ParseFloat(std::string_view text, long double& out) {
  size_t b = 0, e = text.size();
  while (b < e && IsBlank(text[b])) ++b;
  while (e > b && IsBlank(text[e - 1])) --e;
  std::string_view t = text.substr(b, e - b);
  size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  size_t digits = 0;
  while (i < t.size() && IsDigit(t[i])) ++i, ++digits;
  if (i < t.size() && t[i] == '.') {
    ++i;
    while (i < t.size() && IsDigit(t[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    size_t expDigits = 0;
    while (i < t.size() && IsDigit(t[i])) ++i, ++expDigits;
    if (expDigits == 0) return false;
  }
  if (i != t.size()) return false;
  // The grammar is checked above; strtold only converts the validated, locale-neutral text.
  std::string copy(t);
  char* end = nullptr;
  long double v = std::strtold(copy.c_str(), &end);
  if (std::isinf(v)) return false;
  out = v;
  return true;
}

std::string IntegerToText(int32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%d", v);
  return buf;
}

std::string FloatToText(long double v) {
  if (std::isnan(v)) return "NAN";
  if (std::isinf(v)) return v < 0 ? "-INF" : "INF";
  if (v == 0) return "0";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15Lg", v);
  std::string s(buf);
  size_t e = s.find('e');
  if (e == std::string::npos) return s;
  // "1.5e-07" -> "1.5E-7", "1e+20" -> "1E20".
  std::string mantissa = s.substr(0, e);
  size_t i = e + 1;
  bool negExp = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negExp = s[i++] == '-';
  while (i + 1 < s.size() && s[i] == '0') ++i;
  return mantissa + "E" + (negExp ? "-" : "") + s.substr(i);
}

}  // namespace kuzo
