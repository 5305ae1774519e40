// Conversion between half-width characters (ASCII and half-width katakana) and their full-width
// Shift-JIS forms, with voiced and semi-voiced marks joined to or split from their kana.
#pragma once

#include <string>
#include <string_view>

namespace kuzo {

// Half-width ASCII and katakana to full width; a kana followed by a voiced or semi-voiced mark
// becomes the single voiced kana. Double-byte characters are kept as they are.
std::string HanToZen(std::string_view s);
// Full-width forms to half width where a half-width form exists.
std::string ZenToHan(std::string_view s);

}  // namespace kuzo
