// Shift-JIS (code page 932) helpers. Strings inside the player are the titles' own bytes; every scan
// of text steps over double-byte characters as units, so a trail byte (which may be 0x5C "\" or an
// ASCII letter) is never taken for a separator or case-folded.
//
// Case rules, the same on every machine, as a Japanese Windows system folds: the ASCII letters and,
// among the double-byte characters, the full-width Latin, Greek and Cyrillic letters have case. Every
// other character (kana, kanji, single-byte katakana) compares as its bytes. Ordering without case
// compares byte by byte after upper-casing both strings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kuzo::sjis {

// A lead byte of a double-byte character in code page 932.
constexpr bool IsLeadByte(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// Length in bytes (1 or 2) of the character starting at `pos`; a lead byte at the end counts as 1.
inline size_t CharLength(std::string_view s, size_t pos) {
  return (IsLeadByte(static_cast<uint8_t>(s[pos])) && pos + 1 < s.size()) ? 2 : 1;
}

// The other case of a double-byte character (lead byte << 8 | trail byte); others unchanged.
uint16_t UpperDoubleByte(uint16_t code);
uint16_t LowerDoubleByte(uint16_t code);

std::string ToLower(std::string_view s);
std::string ToUpper(std::string_view s);

// Equality without regard to letter case.
bool EqualsNoCase(std::string_view a, std::string_view b);
// <0, 0, >0 comparing byte by byte after upper-casing both.
int CompareNoCase(std::string_view a, std::string_view b);

// Byte position of the last `ch` (an ASCII byte) that is a character of its own, or npos.
size_t FindLastChar(std::string_view s, char ch);
// Byte position of the first `ch` (an ASCII byte) at or after `from` that is a character of its own.
size_t FindChar(std::string_view s, char ch, size_t from = 0);

// Number of characters (a double-byte character counts once).
size_t CharCount(std::string_view s);

}  // namespace kuzo::sjis
