// Splits tagged text into tokens (tags, text runs and comment/script/style blocks) and parses a tag
// token into its name and attributes. Strings are Shift-JIS; double-byte characters are copied whole.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kuzo {

struct MarkupToken {
  std::string Text;
  bool Block = false;  // a <!-- -->, <SCRIPT> or <STYLE> block: displays nothing
  bool Tag = false;    // a bracketed tag as the scanner closed it (escaped brackets make text)
  // A tag: longer than one byte, starts with "<", ends with ">", and is not a block.
  bool IsTag() const { return Tag && Text.size() > 1 && Text.front() == '<' && Text.back() == '>'; }
};

// The lines are joined with CR before scanning.
std::vector<MarkupToken> ScanMarkup(std::string_view text);

struct MarkupTag {
  std::string Name;  // upper-cased
  // Attribute names upper-cased; a flag attribute has no value (HasValue false).
  struct Attribute {
    std::string Name;
    std::string Value;
    bool HasValue = false;
  };
  std::vector<Attribute> Attributes;
  const Attribute* Find(std::string_view name) const;
};

MarkupTag ParseTag(std::string_view token);

}  // namespace kuzo
