// Writes a word's glyph list back as tagged text: the markup that converts into the same glyphs,
// so stored glyph lists can be listed and edited in readable form.
#pragma once

#include <cstdint>
#include <string>

namespace kuzo {

class TNkWord;

// The markup of every stored glyph of `word` (Shift-JIS). `baseWait` is the typing delay the
// markup is meant to be converted with ("@TextDelay"); glyphs with other delays get WAIT tags.
// Converting the result with that delay gives the same glyphs, styles, links and delays, except
// where the markup cannot say it: a double quote in the text starts a run that is copied as it
// stands, and colours outside #RRGGBB, control characters and a lone lead byte come out as near
// as the markup allows.
std::string GlyphsToMarkup(const TNkWord& word, int32_t baseWait);

}  // namespace kuzo
