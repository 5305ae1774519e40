// Character-aware scans and the ASCII-only case rules for code page 932 strings.
#include "core/sjis.h"

namespace kuzo::sjis {

namespace {

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

template <typename Fold>
std::string Map(std::string_view s, Fold fold) {
  std::string out(s);
  for (size_t i = 0; i < out.size();) {
    size_t n = CharLength(out, i);
    if (n == 1) out[i] = fold(out[i]);
    i += n;
  }
  return out;
}

}  // namespace

std::string ToLower(std::string_view s) { return Map(s, LowerAscii); }
std::string ToUpper(std::string_view s) { return Map(s, UpperAscii); }

int CompareNoCase(std::string_view a, std::string_view b) {
  // Walk both strings by characters of `a`; a trail byte is compared as it is.
  size_t n = a.size() < b.size() ? a.size() : b.size();
  bool trailA = false, trailB = false;
  for (size_t i = 0; i < n; ++i) {
    uint8_t ca = static_cast<uint8_t>(a[i]), cb = static_cast<uint8_t>(b[i]);
    uint8_t fa = trailA ? ca : static_cast<uint8_t>(UpperAscii(static_cast<char>(ca)));
    uint8_t fb = trailB ? cb : static_cast<uint8_t>(UpperAscii(static_cast<char>(cb)));
    if (fa != fb) return fa < fb ? -1 : 1;
    trailA = !trailA && IsLeadByte(ca);
    trailB = !trailB && IsLeadByte(cb);
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareNoCase(a, b) == 0;
}

size_t FindLastChar(std::string_view s, char ch) {
  size_t found = std::string_view::npos;
  for (size_t i = 0; i < s.size(); i += CharLength(s, i)) {
    if (s[i] == ch) found = i;
  }
  return found;
}

size_t FindChar(std::string_view s, char ch, size_t from) {
  for (size_t i = 0; i < s.size(); i += CharLength(s, i)) {
    if (i >= from && s[i] == ch) return i;
  }
  return std::string_view::npos;
}

size_t CharCount(std::string_view s) {
  size_t n = 0;
  for (size_t i = 0; i < s.size(); i += CharLength(s, i)) ++n;
  return n;
}

}  // namespace kuzo::sjis
