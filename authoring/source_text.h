// Text helpers of the title-source language: splitting a command line into its main part and
// keyword clauses, splitting lists at top-level commas, quoted strings with escapes, numbers.
// Every scan steps over Shift-JIS double-byte characters and over string literals and brackets.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kuzo::source {

std::string Trim(std::string_view s);

// The main part of `text` and the clauses introduced by any of `words` (whole words, ASCII case
// ignored, outside string literals, parentheses and brackets). A clause runs to the next clause.
struct Clauses {
  std::string main;
  std::map<std::string, std::string> by;  // clause word (lower case) -> its text, trimmed
  bool Has(const std::string& w) const { return by.count(w) != 0; }
  std::string Get(const std::string& w) const {
    auto it = by.find(w);
    return it == by.end() ? std::string() : it->second;
  }
};
// Raises std::invalid_argument naming a repeated clause.
Clauses SplitClauses(std::string_view text, std::initializer_list<const char*> words);

// Splits at commas outside string literals, parentheses and brackets; items trimmed. Empty text
// gives no items.
std::vector<std::string> SplitList(std::string_view text);

// The first whitespace-separated word and the trimmed rest.
std::pair<std::string, std::string> FirstWord(std::string_view text);

// A string argument: a double-quoted literal (escapes \" \\ \n \r \t \xHH) or the text as it is.
// Raises std::invalid_argument for an unterminated literal or trailing text after it.
std::string ParseString(std::string_view text);

// A signed 32-bit decimal or 0x-hexadecimal number; nullopt when the text is not one.
std::optional<int32_t> ParseNumber(std::string_view text);

// Lower-cases ASCII letters.
std::string Lower(std::string_view s);

}  // namespace kuzo::source
