// Conversions between the four value types: integer and float text forms, the strict parsers that
// give 0 on any other text, and the flag words. Every value class and built-in uses these, so a
// conversion reads the same wherever it happens.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kuzo {

// Type codes of values, variables, built-in results and property values.
constexpr uint8_t kTypeNone = 0;   // reference (unbound) or no value
constexpr uint8_t kTypeInt = 1;    // 32-bit signed
constexpr uint8_t kTypeFloat = 2;  // 80-bit extended
constexpr uint8_t kTypeFlag = 3;
constexpr uint8_t kTypeStr = 4;

constexpr std::string_view kTrueText = "TRUE";
constexpr std::string_view kFalseText = "FALSE";

// Integer text: leading blanks, an optional sign, then decimal digits or "$" and hexadecimal
// digits; nothing after. Decimal values must fit 32 signed bits, hexadecimal ones 32 bits.
bool ParseInteger(std::string_view text, int32_t& out);
// Float text: blanks around, optional sign, digits with an optional "." fraction (at least one
// digit), optional exponent "e"/"E" with optional sign. Values beyond the float range fail.
bool ParseFloat(std::string_view text, long double& out);

inline int32_t TextToInteger(std::string_view text) {
  int32_t v = 0;
  return ParseInteger(text, v) ? v : 0;
}
inline long double TextToFloat(std::string_view text) {
  long double v = 0;
  return ParseFloat(text, v) ? v : 0;
}
inline bool TextToFlag(std::string_view text) { return text == kTrueText; }
inline std::string FlagToText(bool b) { return std::string(b ? kTrueText : kFalseText); }

std::string IntegerToText(int32_t v);
// General form with up to 15 significant digits, no trailing zeros, exponent as "E" + digits
// ("1E20", "1.5E-7"); "NAN", "INF", "-INF" for the non-finite values.
std::string FloatToText(long double v);

}  // namespace kuzo
