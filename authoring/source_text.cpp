// Title-source text helpers.
#include "authoring/source_text.h"

#include <cctype>
#include <cstdlib>
#include <stdexcept>

#include "core/sjis.h"

namespace kuzo::source {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Calls `fn(pos)` at every byte position that lies outside literals and brackets, with the
// current nesting; returns false from fn to stop.
template <typename Fn>
void ScanTopLevel(std::string_view s, Fn fn) {
  int nest = 0;
  bool inString = false;
  for (size_t i = 0; i < s.size();) {
    const size_t len = sjis::CharLength(s, i);
    const char c = s[i];
    if (len == 1) {
      if (inString) {
        if (c == '\\' && i + 1 < s.size()) {
          i += 1 + sjis::CharLength(s, i + 1);
          continue;
        }
        if (c == '"') inString = false;
      } else if (c == '"') {
        inString = true;
      } else if (c == '(' || c == '[') {
        ++nest;
      } else if (c == ')' || c == ']') {
        if (nest > 0) --nest;
      } else if (nest == 0 && !fn(i)) {
        return;
      }
    }
    i += len;
  }
}

}  // namespace

std::string Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && (IsBlank(s[e - 1]) || s[e - 1] == '\r' || s[e - 1] == '\n')) --e;
  return std::string(s.substr(b, e - b));
}

std::string Lower(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return r;
}

Clauses SplitClauses(std::string_view text, std::initializer_list<const char*> words) {
  struct Cut {
    size_t at, end;
    std::string word;
  };
  std::vector<Cut> cuts;
  ScanTopLevel(text, [&](size_t i) {
    if (i > 0 && !IsBlank(text[i - 1])) return true;
    for (const char* w : words) {
      const size_t n = std::char_traits<char>::length(w);
      if (i + n > text.size()) continue;
      if (Lower(text.substr(i, n)) != w) continue;
      if (i + n < text.size() && !IsBlank(text[i + n])) continue;
      cuts.push_back({i, i + n, w});
      return true;
    }
    return true;
  });
  Clauses out;
  out.main = Trim(text.substr(0, cuts.empty() ? text.size() : cuts[0].at));
  for (size_t k = 0; k < cuts.size(); ++k) {
    const size_t stop = k + 1 < cuts.size() ? cuts[k + 1].at : text.size();
    if (out.by.count(cuts[k].word)) throw std::invalid_argument("clause '" + cuts[k].word + "' given twice");
    out.by[cuts[k].word] = Trim(text.substr(cuts[k].end, stop - cuts[k].end));
  }
  return out;
}

std::vector<std::string> SplitList(std::string_view text) {
  std::vector<std::string> items;
  if (Trim(text).empty()) return items;
  size_t start = 0;
  ScanTopLevel(text, [&](size_t i) {
    if (text[i] == ',') {
      items.push_back(Trim(text.substr(start, i - start)));
      start = i + 1;
    }
    return true;
  });
  items.push_back(Trim(text.substr(start)));
  return items;
}

std::pair<std::string, std::string> FirstWord(std::string_view text) {
  const std::string t = Trim(text);
  size_t i = 0;
  while (i < t.size() && !IsBlank(t[i])) i += sjis::CharLength(t, i);
  return {t.substr(0, i), Trim(std::string_view(t).substr(i))};
}

std::string ParseString(std::string_view raw) {
  const std::string t = Trim(raw);
  if (t.empty() || t[0] != '"') return t;
  std::string out;
  size_t i = 1;
  while (i < t.size()) {
    const size_t len = sjis::CharLength(t, i);
    if (len == 2) {
      out.append(t, i, 2);
      i += 2;
      continue;
    }
    const char c = t[i];
    if (c == '"') {
      if (!Trim(std::string_view(t).substr(i + 1)).empty())
        throw std::invalid_argument("text after the closing quote");
      return out;
    }
    if (c == '\\' && i + 1 < t.size()) {
      const char n = t[i + 1];
      i += 2;
      switch (n) {
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case 'x': {
          if (i + 2 > t.size() || !std::isxdigit(static_cast<unsigned char>(t[i])) ||
              !std::isxdigit(static_cast<unsigned char>(t[i + 1])))
            throw std::invalid_argument("\\x needs two hexadecimal digits");
          out += static_cast<char>(std::strtol(t.substr(i, 2).c_str(), nullptr, 16));
          i += 2;
          break;
        }
        default: throw std::invalid_argument(std::string("unknown escape \\") + n);
      }
      continue;
    }
    out += c;
    ++i;
  }
  throw std::invalid_argument("string without closing quote");
}

std::optional<int32_t> ParseNumber(std::string_view text) {
  const std::string t = Trim(text);
  if (t.empty()) return std::nullopt;
  size_t i = 0;
  bool neg = false;
  if (t[i] == '-' || t[i] == '+') neg = t[i++] == '-';
  int base = 10;
  if (t.size() > i + 2 && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= t.size()) return std::nullopt;
  int64_t v = 0;
  for (; i < t.size(); ++i) {
    const char c = t[i];
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else return std::nullopt;
    v = v * base + d;
    if (v > 0xFFFFFFFFLL) return std::nullopt;
  }
  if (neg) v = -v;
  if (base == 10 && (v > INT32_MAX || v < INT32_MIN)) return std::nullopt;
  if (base == 16 && v > INT32_MAX) v -= 0x100000000LL;  // hexadecimal gives the 32-bit pattern
  if (v < INT32_MIN) return std::nullopt;
  return static_cast<int32_t>(v);
}

}  // namespace kuzo::source
