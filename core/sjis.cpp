// Character-aware scans and the case rules for code page 932 strings.
#include "core/sjis.h"

namespace kuzo::sjis {

namespace {

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// The double-byte letters with case, as runs of capitals and the small letters they pair with. The
// small Cyrillic letters skip trail byte 0x7F (never a trail byte), so that alphabet is two runs.
struct CaseRun {
  uint16_t upperFirst, upperLast, lowerFirst;
};
constexpr CaseRun kCaseRuns[] = {
    {0x8260, 0x8279, 0x8281},  // full-width Latin A-Z / a-z
    {0x839F, 0x83B6, 0x83BF},  // Greek Alpha-Omega / alpha-omega
    {0x8440, 0x844E, 0x8470},  // Cyrillic A-N (with Yo) / a-n
    {0x844F, 0x8460, 0x8480},  // Cyrillic O-Ya / o-ya
};

// One string read as a stream of upper-cased bytes, a double-byte character folded as a unit.
class UpperBytes {
 public:
  explicit UpperBytes(std::string_view s) : s_(s) {}
  uint8_t Next() {
    const size_t i = pos_++;
    if (pendingTrail_) {
      pendingTrail_ = false;
      return trail_;
    }
    const uint8_t b = static_cast<uint8_t>(s_[i]);
    if (IsLeadByte(b) && i + 1 < s_.size()) {
      const uint16_t code = UpperDoubleByte(static_cast<uint16_t>(b << 8 | static_cast<uint8_t>(s_[i + 1])));
      pendingTrail_ = true;
      trail_ = static_cast<uint8_t>(code & 0xFF);
      return static_cast<uint8_t>(code >> 8);
    }
    return static_cast<uint8_t>(UpperAscii(static_cast<char>(b)));
  }

 private:
  std::string_view s_;
  size_t pos_ = 0;
  bool pendingTrail_ = false;
  uint8_t trail_ = 0;
};

template <typename FoldAscii, typename FoldDouble>
std::string Map(std::string_view s, FoldAscii fold, FoldDouble foldDouble) {
  std::string out(s);
  for (size_t i = 0; i < out.size();) {
    size_t n = CharLength(out, i);
    if (n == 1) {
      out[i] = fold(out[i]);
    } else {
      const uint16_t code = foldDouble(static_cast<uint16_t>(static_cast<uint8_t>(out[i]) << 8 |
                                                             static_cast<uint8_t>(out[i + 1])));
      out[i] = static_cast<char>(code >> 8);
      out[i + 1] = static_cast<char>(code & 0xFF);
    }
    i += n;
  }
  return out;
}

}  // namespace

uint16_t UpperDoubleByte(uint16_t code) {
  for (const CaseRun& run : kCaseRuns) {
    const uint16_t lowerLast = static_cast<uint16_t>(run.lowerFirst + (run.upperLast - run.upperFirst));
    if (code >= run.lowerFirst && code <= lowerLast) return static_cast<uint16_t>(code - run.lowerFirst + run.upperFirst);
  }
  return code;
}

uint16_t LowerDoubleByte(uint16_t code) {
  for (const CaseRun& run : kCaseRuns) {
    if (code >= run.upperFirst && code <= run.upperLast) return static_cast<uint16_t>(code - run.upperFirst + run.lowerFirst);
  }
  return code;
}

std::string ToLower(std::string_view s) { return Map(s, LowerAscii, LowerDoubleByte); }
std::string ToUpper(std::string_view s) { return Map(s, UpperAscii, UpperDoubleByte); }

int CompareNoCase(std::string_view a, std::string_view b) {
  // Each string folds by its own characters; the folded bytes are compared in order.
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  UpperBytes fa(a), fb(b);
  for (size_t i = 0; i < n; ++i) {
    const uint8_t x = fa.Next(), y = fb.Next();
    if (x != y) return x < y ? -1 : 1;
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
