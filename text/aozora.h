// Conversion of Aozora Bunko prose (Shift-JIS) into tagged text: "｜base《ruby》" and
// "kanji《ruby》" become ruby, "［＃…］" notes are dropped, characters the markup would read as
// syntax are escaped, and every source line ends with a line break.
#pragma once

#include <string>
#include <vector>

namespace kuzo {

std::vector<std::string> AozoraToMarkup(const std::vector<std::string>& lines);

}  // namespace kuzo
