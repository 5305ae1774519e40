// Row lines of laid-out text.
#include "text/row_dump.h"

namespace kuzo {
namespace {
constexpr std::string_view kImageMark = "\x81\xAC";  // "〓"
}

std::string RowText(const TWdRow& row) {
  std::string text;
  for (const TWdGlyph* g : row.Glyphs) {
    if (g->IsChar()) {
      text += static_cast<const TWdChar*>(g)->Bytes();
    } else if (g->Kind == GlyphKind::Img) {
      text += kImageMark;
    }
  }
  return text;
}

std::string RowLine(const TWdRow& row, int pageIndex, int rowIndex, int32_t areaLeft, int32_t areaTop) {
  std::string line = "row\t" + std::to_string(pageIndex) + "\t" + std::to_string(rowIndex) + "\t" +
                     std::to_string(static_cast<int64_t>(areaLeft) + row.Start) + "\t" +
                     std::to_string(static_cast<int64_t>(areaTop) + row.Y) + "\t" + std::to_string(row.RowWidth) + "\t" +
                     std::to_string(row.Height) + "\t";
  line += RowText(row);
  return line;
}

std::string DumpRows(const std::vector<std::unique_ptr<TWdPage>>& pages, int32_t areaLeft, int32_t areaTop,
                     std::string_view prefix) {
  std::string out;
  for (size_t p = 0; p < pages.size(); ++p) {
    const auto& rows = pages[p]->Rows;
    for (size_t r = 0; r < rows.size(); ++r) {
      out += prefix;
      out += RowLine(*rows[r], static_cast<int>(p), static_cast<int>(r), areaLeft, areaTop);
      out += '\n';
    }
  }
  return out;
}

}  // namespace kuzo
