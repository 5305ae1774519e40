// Installed fonts through fontconfig: a face file by exact family name, the Japanese fallback face,
// and the list of outline families that cover Japanese (for the font-name system values).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kuzo::platform {

struct FontFace {
  std::string file;  // path of the font file
  int index = 0;     // face index inside the file
  std::string family;
};

// The outline face whose family name (any of its names) equals `familyUtf8` exactly; nullopt when
// none is installed.
std::optional<FontFace> FindFontFace(std::string_view familyUtf8);
// The face fontconfig picks for Japanese sans-serif text; nullopt when no Japanese face exists.
std::optional<FontFace> FindJapaneseFace();
// Family names (UTF-8, first name of each face) of outline fonts covering Japanese, sorted and
// without duplicates; `fixedOnly` keeps monospaced and dual-width faces.
std::vector<std::string> ListFontFamilies(bool fixedOnly);

}  // namespace kuzo::platform
