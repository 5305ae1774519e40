// Conversion between the player's Shift-JIS (Windows code page 932) byte strings and UTF-8, used
// only at the platform edge: file-system names, window titles, terminal output and message boxes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kuzo::platform {

// Code page 932 bytes to UTF-8 with the Windows mapping (0x8160 is U+FF5E, 0x815F is U+FF3C).
// Nullopt when the bytes are not valid code page 932 (a lone lead byte, an unmapped pair).
std::optional<std::string> Cp932ToUtf8Strict(std::string_view sjis);
// The same, replacing every byte that cannot be converted by U+FFFD; never fails.
std::string Cp932ToUtf8(std::string_view sjis);

// UTF-8 to code page 932; nullopt when the text is not valid UTF-8 or holds a character the code
// page lacks.
std::optional<std::string> Utf8ToCp932Strict(std::string_view utf8);
// The same, replacing what cannot be converted by "?"; never fails.
std::string Utf8ToCp932(std::string_view utf8);

// Text for the terminal from a message that may carry the player's Shift-JIS text or file-system
// names that are already UTF-8 (paths given on the command line): valid UTF-8 stays as it is
// (Shift-JIS text with kana or kanji never is: its lead bytes are UTF-8 continuation bytes), any
// other text is converted from code page 932.
std::string TerminalText(std::string_view text);

}  // namespace kuzo::platform
