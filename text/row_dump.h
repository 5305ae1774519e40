// Text form of laid-out rows, one tab-separated line per row, for checking layout without pixels:
// "row" PAGE ROW LEFT TOP WIDTH HEIGHT TEXT, TEXT being the row's characters as Shift-JIS bytes
// (ruby left out, an inline image written as "〓").
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "text/glyphs.h"

namespace kuzo {

// The characters of a row as stored bytes.
std::string RowText(const TWdRow& row);

// One line for one row; `pageIndex` and `rowIndex` count from 0, positions are offset by the
// text area's position.
std::string RowLine(const TWdRow& row, int pageIndex, int rowIndex, int32_t areaLeft, int32_t areaTop);

// Lines for every row of the pages, each preceded by `prefix`.
std::string DumpRows(const std::vector<std::unique_ptr<TWdPage>>& pages, int32_t areaLeft, int32_t areaTop,
                     std::string_view prefix = {});

}  // namespace kuzo
