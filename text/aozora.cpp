// Aozora Bunko ruby and note notation to tagged text.
#include "text/aozora.h"

#include <cstdint>

#include "core/sjis.h"

namespace kuzo {
namespace {

constexpr uint16_t kRubyBar = 0x8162;     // "｜" marks where a ruby base begins
constexpr uint16_t kRubyOpen = 0x8173;    // "《"
constexpr uint16_t kRubyClose = 0x8174;   // "》"
constexpr uint16_t kBracketOpen = 0x816D;   // "［"
constexpr uint16_t kBracketClose = 0x816E;  // "］"
constexpr uint16_t kNoteMark = 0x8194;      // "＃" right after "［" makes a note

struct Char {
  uint16_t code;
  std::string bytes;
};

std::vector<Char> Split(const std::string& s) {
  std::vector<Char> out;
  for (size_t i = 0; i < s.size();) {
    size_t len = sjis::CharLength(s, i);
    uint16_t code = len == 2 ? static_cast<uint16_t>((static_cast<uint8_t>(s[i]) << 8) | static_cast<uint8_t>(s[i + 1]))
                             : static_cast<uint8_t>(s[i]);
    out.push_back({code, s.substr(i, len)});
    i += len;
  }
  return out;
}

// Kanji as ruby bases without a bar: the two JIS kanji levels and the iteration and kanji-like marks
// "々〆〇ヶ" plus "※" (which stands for a kanji outside the character set).
bool IsKanji(uint16_t c) {
  return (c >= 0x889F && c <= 0x9872) || (c >= 0x989F && c <= 0xEAA4) || c == 0x8158 || c == 0x8159 || c == 0x815A ||
         c == 0x8396 || c == 0x81A6;
}

// Characters the markup reads as syntax are written with a backslash.
std::string Escape(const Char& c) {
  if (c.code == '<' || c.code == '>' || c.code == '\\' || c.code == '%' || c.code == '{' || c.code == '}') {
    return "\\" + c.bytes;
  }
  return c.bytes;
}

std::string ConvertLine(const std::string& line) {
  std::vector<Char> chars = Split(line);
  // Drop notes first; they may sit between a base and its ruby.
  std::vector<Char> kept;
  for (size_t i = 0; i < chars.size(); ++i) {
    if (chars[i].code == kBracketOpen && i + 1 < chars.size() && chars[i + 1].code == kNoteMark) {
      int depth = 0;
      size_t j = i;
      for (; j < chars.size(); ++j) {
        if (chars[j].code == kBracketOpen) ++depth;
        if (chars[j].code == kBracketClose && --depth == 0) break;
      }
      i = j;  // an unclosed note runs to the end of the line
      continue;
    }
    kept.push_back(chars[i]);
  }

  // Each output piece is either plain characters or a ruby group.
  struct Piece {
    std::vector<Char> base;
    std::string ruby;
    bool isRuby = false;
  };
  std::vector<Piece> out;
  auto plain = [&]() -> std::vector<Char>& {
    if (out.empty() || out.back().isRuby) out.push_back({});
    return out.back().base;
  };
  size_t barAt = SIZE_MAX;  // position in the current plain piece after a "｜"
  for (size_t i = 0; i < kept.size(); ++i) {
    const Char& c = kept[i];
    if (c.code == kRubyBar) {
      plain();
      barAt = out.back().base.size();
      out.back().base.push_back(c);  // kept until a ruby confirms it
      continue;
    }
    if (c.code == kRubyOpen) {
      size_t close = i + 1;
      while (close < kept.size() && kept[close].code != kRubyClose) ++close;
      std::vector<Char>& base = plain();
      size_t from = base.size();
      if (barAt != SIZE_MAX && barAt < base.size()) {
        from = barAt + 1;
      } else {
        while (from > 0 && IsKanji(base[from - 1].code)) --from;
      }
      if (close >= kept.size() || from == base.size()) {
        base.push_back(c);  // not a ruby: keep the bracket as text
        continue;
      }
      Piece group;
      group.isRuby = true;
      group.base.assign(base.begin() + static_cast<std::ptrdiff_t>(from), base.end());
      for (size_t k = i + 1; k < close; ++k) group.ruby += kept[k].bytes;
      size_t cut = (barAt != SIZE_MAX && barAt < base.size()) ? barAt : from;
      base.resize(cut);
      out.push_back(std::move(group));
      barAt = SIZE_MAX;
      i = close;
      continue;
    }
    plain().push_back(c);
  }

  std::string markup;
  for (const Piece& p : out) {
    if (p.isRuby) {
      std::string ruby;
      for (char ch : p.ruby) {
        if (ch != '"') ruby += ch;
      }
      markup += "<RUBY VALUE=\"" + ruby + "\">";
      for (const Char& c : p.base) markup += Escape(c);
      markup += "</RUBY>";
    } else {
      for (const Char& c : p.base) markup += Escape(c);
    }
  }
  markup += "<BR>";
  return markup;
}

}  // namespace

std::vector<std::string> AozoraToMarkup(const std::vector<std::string>& lines) {
  std::vector<std::string> out;
  out.reserve(lines.size());
  for (const auto& line : lines) out.push_back(ConvertLine(line));
  return out;
}

}  // namespace kuzo
