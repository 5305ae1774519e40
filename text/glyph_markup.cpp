// Glyph list to markup: walks the glyphs keeping the markup state the text written so far leaves,
// and writes the tags that move it to each glyph's style, link, ruby and delay before the glyph.
#include "text/glyph_markup.h"

#include <cstdio>
#include <tuple>

#include "text/nk_word.h"

namespace kuzo {
namespace {

constexpr std::string_view kAlignWords[] = {"", "LEFT", "RIGHT", "CENTER", "TOP", "BOTTOM"};
// An unknown tag: converts into nothing but ends the text run, so a following blank is kept.
constexpr std::string_view kRunBreak = "<>";

bool IsEscapable(char c) { return c == '%' || c == '<' || c == '>' || c == '\\' || c == '{' || c == '}'; }

// The bytes of a value as the scanner must see them to give `value` (its backslash escapes undone).
std::string ScannerEscaped(std::string_view value) {
  std::string out;
  for (size_t i = 0; i < value.size(); ++i) {
    const auto b = static_cast<uint8_t>(value[i]);
    if ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) {  // lead byte: copy the pair whole
      out += value[i];
      if (i + 1 < value.size()) out += value[++i];
      continue;
    }
    if (IsEscapable(value[i])) out += '\\';
    out += value[i];
  }
  return out;
}

// HREF and EVENT values are unescaped once more after scanning (\\, \" and \n for CR LF).
std::string ValueEscaped(std::string_view value) {
  std::string out;
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\r' && i + 1 < value.size() && value[i + 1] == '\n') {
      out += "\\n";
      ++i;
    } else if (value[i] == '\\') {
      out += "\\\\";
    } else {
      out += value[i];
    }
  }
  return out;
}

// An attribute value in quotes. Inside a tag a double-quoted run is copied as it stands, so such a
// value needs no scanner escapes; a value holding a double quote is single-quoted and escaped.
std::string Quoted(const std::string& value) {
  if (value.find('"') == std::string::npos) return '"' + value + '"';
  return '\'' + ScannerEscaped(value) + '\'';
}

std::string ColorValue(int32_t c) {
  const auto v = static_cast<uint32_t>(c);
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%02X%02X%02X", v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
  return buf;
}

// The attributes one FONT tag sets.
struct FontState {
  int32_t size = 0, color = -1, borderColor = -1, shadowColor = -1;
  std::string name;
  int32_t border = -1, shadow = -1;

  static FontState Of(const TDecorate& d) {
    return {d.Size, d.Color, d.BorderColor, d.ShadowColor, d.FontName, d.BorderWidth, d.ShadowWidth};
  }
  auto Tie() const { return std::tie(size, color, borderColor, shadowColor, name, border, shadow); }
  bool operator==(const FontState& o) const { return Tie() == o.Tie(); }
  bool IsDefault() const { return *this == FontState{}; }

  // A FONT tag sets every attribute it leaves out to the current (here: default) value, so only
  // the attributes that differ from the defaults are written.
  std::string Tag() const {
    std::string t = "<FONT";
    if (size != 0) t += " SIZE=" + std::to_string(size);
    if (color != -1) t += " COLOR=" + ColorValue(color);
    if (borderColor != -1) t += " BCOLOR=" + ColorValue(borderColor);
    if (shadowColor != -1) t += " SCOLOR=" + ColorValue(shadowColor);
    if (!name.empty()) t += " NAME=" + Quoted(name);
    if (border != -1) t += " BORDER=" + std::to_string(border);
    if (shadow != -1) t += " SHADOW=" + std::to_string(shadow);
    return t + ">";
  }
};

class MarkupWriter {
 public:
  explicit MarkupWriter(int32_t baseWait) : baseWait_(baseWait), wait_(baseWait) {}

  std::string Run(const TNkWord& word) {
    for (size_t i = 0; i < word.GlyphCount(); ++i) {
      const TWdGlyph& g = *word.Glyph(i);
      // Operations carry no style: the tags that close what the next character no longer has are
      // written before them, so a line break follows the closing tags of the line it ends.
      if (!g.IsReal() && g.Kind != GlyphKind::Var) CloseFor(NextStyled(word, i + 1));
      Glyph(g);
    }
    CloseAll();
    return std::move(out_);
  }

 private:
  void Glyph(const TWdGlyph& g) {
    switch (g.Kind) {
      case GlyphKind::Char: {
        const auto& c = static_cast<const TWdChar&>(g);
        SyncStyle(c.Style);
        SyncLink(c.Link);
        SyncWait(c.Wait);
        Character(c.Code);
        break;
      }
      case GlyphKind::Img: {
        const auto& img = static_cast<const TWdImg&>(g);
        SyncNoBreak(img.NoBreak);
        SyncRuby(img.Ruby);
        SyncLink(img.Link);
        SyncWait(img.Wait);
        std::string t = "<IMG SRC=" + Quoted(img.Source);
        if (img.VAlign != kAlignBottom && img.VAlign < std::size(kAlignWords) && img.VAlign != kAlignNone)
          t += " ALIGN=" + std::string(kAlignWords[img.VAlign]);
        Tag(t + ">");
        break;
      }
      case GlyphKind::Var: {
        const auto& v = static_cast<const TWdOpeVar&>(g);
        SyncStyle(v.Style);
        SyncLink(v.Link);
        SyncWait(v.Wait);
        Tag("<VAR NAME=" + Quoted(v.Expr) + ">");
        break;
      }
      case GlyphKind::Align: {
        const auto a = static_cast<const TWdOpeAlign&>(g).Align;
        const bool named = a < std::size(kAlignWords) && a != kAlignNone;
        Tag("<DIV ALIGN=" + std::string(named ? kAlignWords[a] : kAlignWords[kAlignLeft]) + ">");
        break;
      }
      case GlyphKind::Return: Tag(static_cast<const TWdOpeReturn&>(g).NewPage ? "<CLEAR>" : "<BR>"); break;
      case GlyphKind::Indent: Tag("<INDENT>"); break;
      case GlyphKind::Undent: Tag("<UNDENT>"); break;
      case GlyphKind::Event: {
        const auto& e = static_cast<const TWdOpeEvent&>(g);
        Tag("<EVENT VALUE=" + Quoted(ValueEscaped(e.Value)) + (e.IsEnd ? " END>" : ">"));
        break;
      }
      default: break;  // layout fillers and VAR insertions are not part of the list
    }
  }

  void Character(uint16_t code) {
    if (code > 0xFF) {
      out_ += static_cast<char>(code >> 8);
      out_ += static_cast<char>(code & 0xFF);
      lastBlank_ = false;
      return;
    }
    const char ch = static_cast<char>(code);
    if (inQuote_) {
      // Inside a quoted run every byte stands as it is, blanks included.
      out_ += ch;
      if (ch == '"') inQuote_ = false;
      lastBlank_ = false;
      return;
    }
    if (ch == ' ') {
      if (lastBlank_) out_ += kRunBreak;  // a second blank in one run would collapse
      out_ += ch;
      lastBlank_ = true;
      return;
    }
    if (ch == '"') inQuote_ = true;
    if (IsEscapable(ch)) out_ += '\\';
    out_ += ch;
    lastBlank_ = false;
  }

  void Tag(const std::string& t) {
    out_ += t;
    lastBlank_ = false;  // a tag ends the text run
  }

  void SyncStyle(const TDecorate* style) {
    const TDecorate d = style ? *style : TDecorate{};
    SyncRuby(d.Ruby);
    SyncNoBreak(d.NoBreak);
    static constexpr std::pair<uint8_t, std::string_view> kBits[] = {
        {kStyleBold, "B"}, {kStyleItalic, "I"}, {kStyleUnderline, "U"}, {kStyleStrikeOut, "S"}};
    for (const auto& [bit, name] : kBits) {
      if ((bits_ & bit) == (d.Style & bit)) continue;
      Tag((d.Style & bit) ? "<" + std::string(name) + ">" : "</" + std::string(name) + ">");
    }
    bits_ = d.Style;
    const FontState f = FontState::Of(d);
    if (!(f == font_)) {
      if (fontOpen_) Tag("</FONT>");
      fontOpen_ = !f.IsDefault();
      if (fontOpen_) Tag(f.Tag());
      font_ = f;
    }
  }
  void SyncRuby(const std::string& ruby) {
    if (ruby == ruby_) return;
    Tag(ruby.empty() ? "</RUBY>" : "<RUBY VALUE=" + Quoted(ruby) + ">");
    ruby_ = ruby;
  }
  void SyncNoBreak(bool on) {
    if (on == noBreak_) return;
    Tag(on ? "<NOBR>" : "</NOBR>");
    noBreak_ = on;
  }
  void SyncLink(const std::string& link) {
    if (link == link_) return;
    Tag(link.empty() ? "</A>" : "<A HREF=" + Quoted(ValueEscaped(link)) + ">");
    link_ = link;
  }
  void SyncWait(int32_t wait) {
    if (wait == wait_) return;
    if (waitOpen_) Tag("</WAIT>");
    waitOpen_ = wait != baseWait_;
    if (waitOpen_) Tag("<WAIT VALUE=" + std::to_string(wait) + ">");
    wait_ = wait;
  }

  static const TWdGlyph* NextStyled(const TNkWord& word, size_t from) {
    for (size_t i = from; i < word.GlyphCount(); ++i) {
      const TWdGlyph* g = word.Glyph(i);
      if (g->Kind == GlyphKind::Char || g->Kind == GlyphKind::Var) return g;
    }
    return nullptr;
  }
  // Writes the closing tags for what the glyph `next` (null: the end) no longer has; what it adds
  // is opened in front of it.
  void CloseFor(const TWdGlyph* next) {
    TDecorate d;
    std::string link;
    int32_t wait = baseWait_;
    if (next && next->Kind == GlyphKind::Char) {
      const auto& c = static_cast<const TWdChar&>(*next);
      if (c.Style) d = *c.Style;
      link = c.Link;
      wait = c.Wait;
    } else if (next) {
      const auto& v = static_cast<const TWdOpeVar&>(*next);
      if (v.Style) d = *v.Style;
      link = v.Link;
      wait = v.Wait;
    }
    if (!ruby_.empty() && ruby_ != d.Ruby) SyncRuby({});
    if (noBreak_ && !d.NoBreak) SyncNoBreak(false);
    TDecorate kept = d;
    kept.Style = bits_ & d.Style;
    kept.Ruby = ruby_;
    kept.NoBreak = noBreak_;
    if (!(FontState::Of(d) == font_)) {
      const FontState f = FontState{};
      kept.Size = f.size, kept.Color = f.color, kept.BorderColor = f.borderColor, kept.ShadowColor = f.shadowColor;
      kept.FontName = f.name, kept.BorderWidth = f.border, kept.ShadowWidth = f.shadow;
    } else {
      kept.Size = font_.size, kept.Color = font_.color, kept.BorderColor = font_.borderColor;
      kept.ShadowColor = font_.shadowColor, kept.FontName = font_.name, kept.BorderWidth = font_.border;
      kept.ShadowWidth = font_.shadow;
    }
    SyncStyle(&kept);
    if (!link_.empty() && link_ != link) SyncLink({});
    if (waitOpen_ && wait_ != wait) SyncWait(baseWait_);
  }

  void CloseAll() {
    SyncStyle(nullptr);
    SyncLink({});
    SyncWait(baseWait_);
  }

  std::string out_;
  int32_t baseWait_;
  int32_t wait_;
  bool waitOpen_ = false;
  FontState font_;
  bool fontOpen_ = false;
  uint8_t bits_ = 0;
  bool noBreak_ = false;
  std::string ruby_, link_;
  bool lastBlank_ = false;
  bool inQuote_ = false;
};

}  // namespace

std::string GlyphsToMarkup(const TNkWord& word, int32_t baseWait) { return MarkupWriter(baseWait).Run(word); }

}  // namespace kuzo
