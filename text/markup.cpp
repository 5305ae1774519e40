// Conversion of tagged text into glyphs: the tag table and the markup state stacks.
#include <array>
#include <cstdlib>
#include <optional>

#include "core/errors.h"
#include "core/sjis.h"
#include "text/markup_scanner.h"
#include "text/nk_word.h"

namespace kuzo {
namespace {

enum class Tag {
  A, EndA, B, EndB, I, EndI, U, EndU, S, EndS, Font, EndFont, NoBr, EndNoBr, Ruby, EndRuby,
  Div, EndDiv, Indent, Undent, Br, Clear, Event, Wait, EndWait, Var, Img,
};

struct TagEntry {
  std::string_view name;
  Tag tag;
};

constexpr TagEntry kTags[] = {
    {"A", Tag::A},           {"/A", Tag::EndA},       {"B", Tag::B},           {"/B", Tag::EndB},
    {"I", Tag::I},           {"/I", Tag::EndI},       {"U", Tag::U},           {"/U", Tag::EndU},
    {"S", Tag::S},           {"/S", Tag::EndS},       {"FONT", Tag::Font},     {"/FONT", Tag::EndFont},
    {"NOBR", Tag::NoBr},     {"/NOBR", Tag::EndNoBr}, {"RUBY", Tag::Ruby},     {"/RUBY", Tag::EndRuby},
    {"DIV", Tag::Div},       {"/DIV", Tag::EndDiv},   {"INDENT", Tag::Indent}, {"UNDENT", Tag::Undent},
    {"BR", Tag::Br},         {"CLEAR", Tag::Clear},   {"EVENT", Tag::Event},   {"WAIT", Tag::Wait},
    {"/WAIT", Tag::EndWait}, {"VAR", Tag::Var},       {"IMG", Tag::Img},
};

// The ALIGN keyword table; index = alignment code.
constexpr std::array<std::string_view, 6> kAlignNames = {"", "LEFT", "RIGHT", "CENTER", "TOP", "BOTTOM"};

constexpr std::string_view kMissingHref = "<A>タグにHREF値がありません";

int AlignCodeOf(std::string_view value) {
  for (size_t i = 1; i < kAlignNames.size(); ++i) {
    if (sjis::EqualsNoCase(value, kAlignNames[i])) return static_cast<int>(i);
  }
  return 0;
}

// An integer: optional sign, then decimal digits or "$" and hexadecimal digits; nullopt otherwise.
std::optional<int32_t> ParseInteger(std::string_view s) {
  bool negative = false;
  size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  int base = 10;
  if (i < s.size() && s[i] == '$') {
    base = 16;
    ++i;
  }
  if (i >= s.size()) return std::nullopt;
  uint32_t value = 0;
  for (; i < s.size(); ++i) {
    int d;
    char c = s[i];
    if (c >= '0' && c <= '9') {
      d = c - '0';
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      d = c - 'a' + 10;
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      d = c - 'A' + 10;
    } else {
      return std::nullopt;
    }
    uint64_t next = static_cast<uint64_t>(value) * static_cast<uint32_t>(base) + static_cast<uint32_t>(d);
    if (next > 0xFFFFFFFFull) return std::nullopt;
    value = static_cast<uint32_t>(next);
  }
  return static_cast<int32_t>(negative ? 0u - value : value);
}

// "#RRGGBB" as 0x00BBGGRR.
std::optional<int32_t> ParseColor(std::string_view s) {
  if (s.size() != 7 || s[0] != '#') return std::nullopt;
  auto hex = ParseInteger(std::string("$") + std::string(s.substr(1)));
  if (!hex) return std::nullopt;
  uint32_t rgb = static_cast<uint32_t>(*hex);
  return static_cast<int32_t>(((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF));
}

// Replaces \\, \" and \n (CR LF) in HREF and EVENT values.
std::string Unescape(std::string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size();) {
    size_t len = sjis::CharLength(s, i);
    if (len == 1 && s[i] == '\\' && i + 1 < s.size()) {
      char n = s[i + 1];
      if (n == '\\' || n == '"') {
        out += n;
        i += 2;
        continue;
      }
      if (n == 'n') {
        out += "\r\n";
        i += 2;
        continue;
      }
    }
    out.append(s.substr(i, len));
    i += len;
  }
  return out;
}

// One value stack of the markup state: reading an empty stack gives its bottom value, popping it
// does nothing. Pushes past the nesting cap are only counted, so pops stay paired.
class ValueStack {
 public:
  explicit ValueStack(int32_t bottom) : bottom_(bottom) {}
  int32_t Top() const { return values_.empty() ? bottom_ : values_.back(); }
  void Push(int32_t v) {
    if (values_.size() >= kMaxTagNesting) {
      ++overflow_;
    } else {
      values_.push_back(v);
    }
  }
  void Pop() {
    if (overflow_ > 0) {
      --overflow_;
    } else if (!values_.empty()) {
      values_.pop_back();
    }
  }

 private:
  int32_t bottom_;
  std::vector<int32_t> values_;
  size_t overflow_ = 0;
};

class StringStack {
 public:
  const std::string& Top() const { return values_.empty() ? bottom_ : values_.back(); }
  void Push(std::string v) {
    if (values_.size() >= kMaxTagNesting) {
      ++overflow_;
    } else {
      values_.push_back(std::move(v));
    }
  }
  void Pop() {
    if (overflow_ > 0) {
      --overflow_;
    } else if (!values_.empty()) {
      values_.pop_back();
    }
  }

 private:
  std::string bottom_;
  std::vector<std::string> values_;
  size_t overflow_ = 0;
};

}  // namespace

// The markup state (the tag value list) and the conversion of tokens into glyphs.
class MarkupConverter {
 public:
  MarkupConverter(TNkWord& word) : word_(word), wait_(word.TextDelay) {}

  void Convert(const std::vector<MarkupToken>& tokens) {
    for (const auto& t : tokens) {
      if (t.Block) continue;
      if (t.IsTag()) {
        ApplyTag(ParseTag(t.Text));
      } else {
        AddText(t.Text);
      }
    }
  }

 private:
  TDecorate CurrentStyle() const {
    TDecorate d;
    d.Color = color_.Top();
    d.BorderColor = borderColor_.Top();
    d.ShadowColor = shadowColor_.Top();
    d.Size = size_.Top();
    d.Style = style_;
    d.FontName = fontName_.Top();
    d.NoBreak = noBreak_;
    d.Ruby = ruby_;
    d.BorderWidth = borderWidth_.Top();
    d.ShadowWidth = shadowWidth_.Top();
    return d;
  }

  void AddText(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
      size_t len = sjis::CharLength(text, i);
      auto c = std::make_unique<TWdChar>();
      c->Code = len == 2 ? static_cast<uint16_t>((static_cast<uint8_t>(text[i]) << 8) | static_cast<uint8_t>(text[i + 1]))
                         : static_cast<uint8_t>(text[i]);
      c->Style = word_.styles_.Acquire(CurrentStyle());
      c->Link = link_;
      c->Wait = wait_.Top();
      word_.Append(std::move(c));
      i += len;
    }
  }

  static int32_t NumberOr(const MarkupTag& tag, std::string_view name, int32_t current) {
    const auto* a = tag.Find(name);
    if (!a) return current;
    return ParseInteger(a->Value).value_or(current);
  }
  static int32_t ColorOr(const MarkupTag& tag, std::string_view name, int32_t current) {
    const auto* a = tag.Find(name);
    if (!a) return current;
    return ParseColor(a->Value).value_or(current);
  }
  // BORDER and SHADOW: present without a usable number count as 1, negative values as 0.
  static int32_t WidthOr(const MarkupTag& tag, std::string_view name, int32_t current) {
    const auto* a = tag.Find(name);
    if (!a) return current;
    int32_t v = ParseInteger(a->Value).value_or(1);
    return v < 0 ? 0 : v;
  }

  void ApplyTag(const MarkupTag& tag) {
    const TagEntry* entry = nullptr;
    for (const auto& e : kTags) {
      if (tag.Name == e.name) entry = &e;
    }
    if (!entry) return;
    switch (entry->tag) {
      case Tag::A: {
        const auto* href = tag.Find("HREF");
        if (!href) throw KuzoError(std::string(kMissingHref));
        link_ = Unescape(href->Value);
        break;
      }
      case Tag::EndA: link_.clear(); break;
      case Tag::B: style_ |= kStyleBold; break;
      case Tag::EndB: style_ &= static_cast<uint8_t>(~kStyleBold); break;
      case Tag::I: style_ |= kStyleItalic; break;
      case Tag::EndI: style_ &= static_cast<uint8_t>(~kStyleItalic); break;
      case Tag::U: style_ |= kStyleUnderline; break;
      case Tag::EndU: style_ &= static_cast<uint8_t>(~kStyleUnderline); break;
      case Tag::S: style_ |= kStyleStrikeOut; break;
      case Tag::EndS: style_ &= static_cast<uint8_t>(~kStyleStrikeOut); break;
      case Tag::Font: {
        int32_t size = NumberOr(tag, "SIZE", size_.Top());
        int32_t color = ColorOr(tag, "COLOR", color_.Top());
        int32_t bcolor = ColorOr(tag, "BCOLOR", borderColor_.Top());
        int32_t scolor = ColorOr(tag, "SCOLOR", shadowColor_.Top());
        const auto* name = tag.Find("NAME");
        int32_t border = WidthOr(tag, "BORDER", borderWidth_.Top());
        int32_t shadow = WidthOr(tag, "SHADOW", shadowWidth_.Top());
        size_.Push(size);
        color_.Push(color);
        borderColor_.Push(bcolor);
        shadowColor_.Push(scolor);
        fontName_.Push(name ? name->Value : fontName_.Top());
        borderWidth_.Push(border);
        shadowWidth_.Push(shadow);
        break;
      }
      case Tag::EndFont:
        size_.Pop();
        color_.Pop();
        borderColor_.Pop();
        shadowColor_.Pop();
        fontName_.Pop();
        borderWidth_.Pop();
        shadowWidth_.Pop();
        break;
      case Tag::NoBr: noBreak_ = true; break;
      case Tag::EndNoBr: noBreak_ = false; break;
      case Tag::Ruby: {
        const auto* v = tag.Find("VALUE");
        ruby_ = v ? v->Value : std::string();
        break;
      }
      case Tag::EndRuby: ruby_.clear(); break;
      case Tag::Div: {
        const auto* a = tag.Find("ALIGN");
        int code = a ? AlignCodeOf(a->Value) : kAlignLeft;
        if (code != kAlignLeft && code != kAlignRight && code != kAlignCenter) code = kAlignLeft;
        align_.Push(code);
        AddAlign(static_cast<uint8_t>(code));
        break;
      }
      case Tag::EndDiv:
        align_.Pop();
        AddAlign(static_cast<uint8_t>(align_.Top()));
        break;
      case Tag::Indent: word_.Append(std::make_unique<TWdOpeIndent>()); break;
      case Tag::Undent: word_.Append(std::make_unique<TWdOpeUndent>()); break;
      case Tag::Br: AddReturn(tag.Find("CLEAR") != nullptr); break;
      case Tag::Clear: AddReturn(true); break;
      case Tag::Event: {
        auto e = std::make_unique<TWdOpeEvent>();
        const auto* v = tag.Find("VALUE");
        if (v) e->Value = Unescape(v->Value);
        e->IsEnd = tag.Find("END") != nullptr;
        word_.Append(std::move(e));
        break;
      }
      case Tag::Wait: wait_.Push(NumberOr(tag, "VALUE", wait_.Top())); break;
      case Tag::EndWait: wait_.Pop(); break;
      case Tag::Var: {
        const auto* name = tag.Find("NAME");
        if (!name) break;
        auto v = std::make_unique<TWdOpeVar>();
        v->Expr = name->Value;
        v->Style = word_.styles_.Acquire(CurrentStyle());
        v->Wait = wait_.Top();
        v->Link = link_;
        word_.Append(std::move(v));
        break;
      }
      case Tag::Img: {
        const auto* src = tag.Find("SRC");
        if (!src) break;
        auto img = std::make_unique<TWdImg>();
        img->Source = src->Value;
        const auto* a = tag.Find("ALIGN");
        int code = a ? AlignCodeOf(a->Value) : kAlignBottom;
        if (code != kAlignCenter && code != kAlignTop && code != kAlignBottom) code = kAlignBottom;
        img->VAlign = static_cast<uint8_t>(code);
        img->NoBreak = noBreak_;
        img->Ruby = ruby_;
        img->Link = link_;
        img->Wait = wait_.Top();
        word_.Append(std::move(img));
        break;
      }
    }
  }

  void AddAlign(uint8_t code) {
    auto a = std::make_unique<TWdOpeAlign>();
    a->Align = code;
    word_.Append(std::move(a));
  }
  void AddReturn(bool newPage) {
    auto r = std::make_unique<TWdOpeReturn>();
    r->NewPage = newPage;
    word_.Append(std::move(r));
  }

  TNkWord& word_;
  ValueStack size_{0}, color_{-1}, borderColor_{-1}, shadowColor_{-1};
  StringStack fontName_;
  ValueStack borderWidth_{-1}, shadowWidth_{-1}, align_{kAlignLeft};
  ValueStack wait_;
  uint8_t style_ = 0;
  bool noBreak_ = false;
  std::string ruby_;
  std::string link_;
};

void TNkWord::SetText(std::string_view text) {
  Clear();
  MarkupConverter(*this).Convert(ScanMarkup(text));
}

void TNkWord::SetText(const std::vector<std::string>& lines) {
  std::string joined;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) joined += '\r';
    joined += lines[i];
  }
  SetText(joined);
}

}  // namespace kuzo
