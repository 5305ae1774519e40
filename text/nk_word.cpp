// TNkWord's glyph list: ownership, measuring, counting units and VAR expansion.
#include "text/nk_word.h"

#include <algorithm>
#include <optional>

#include "core/errors.h"
#include "core/sjis.h"
#include "vars/expression.h"
#include "vars/param.h"
#include "vars/param_collection.h"

namespace kuzo {

TWdOpeVar::TWdOpeVar() : TWdGlyph(GlyphKind::Var) {}
TWdOpeVar::~TWdOpeVar() = default;

TNkWord::TNkWord() = default;
TNkWord::~TNkWord() = default;

void TNkWord::Clear() {
  glyphs_.clear();
  styles_.Clear();
}

TWdGlyph* TNkWord::Append(std::unique_ptr<TWdGlyph> glyph) {
  glyphs_.push_back(std::move(glyph));
  return glyphs_.back().get();
}

void TNkWord::ReleaseGlyphStyle(TWdGlyph& g) {
  if (g.IsChar()) {
    styles_.Release(static_cast<TWdChar&>(g).Style);
    static_cast<TWdChar&>(g).Style = nullptr;
  } else if (g.Kind == GlyphKind::Var) {
    styles_.Release(static_cast<TWdOpeVar&>(g).Style);
    static_cast<TWdOpeVar&>(g).Style = nullptr;
  }
}

void TNkWord::RemoveGlyphs(size_t from, size_t count) {
  for (size_t i = from; i < from + count; ++i) ReleaseGlyphStyle(*glyphs_[i]);
  glyphs_.erase(glyphs_.begin() + static_cast<std::ptrdiff_t>(from),
                glyphs_.begin() + static_cast<std::ptrdiff_t>(from + count));
}

namespace {
int32_t ClampExtent(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, 0, kMaxGlyphExtent)); }
}  // namespace

TextSize TNkWord::CellSize(const TWdChar& c) const {
  const TDecorate* s = c.Style;
  int64_t size = ClampExtent((s && s->Size != 0) ? s->Size : FontSize);
  int64_t width = size, height = size;
  if (s && (s->Style & kStyleItalic)) width += size / 5;
  if (s && !s->Ruby.empty()) height += std::max<int64_t>(1, size / 2);
  int64_t border = ClampExtent(BorderWidthOf(s));
  width += 2 * border;
  height += 2 * border;
  int64_t shadow = ClampExtent(ShadowWidthOf(s));
  width += shadow;
  height += shadow;
  return {ClampExtent(width), ClampExtent(height)};
}

void TNkWord::Measure(TWdGlyph& g) const {
  TextSize size;
  if (g.IsChar()) {
    size = CellSize(static_cast<const TWdChar&>(g));
  } else if (g.Kind == GlyphKind::Img && ImageSize) {
    size = ImageSize(static_cast<const TWdImg&>(g).Source);
  }
  g.Width = ClampExtent(size.Width);
  g.Height = ClampExtent(size.Height);
}

int TNkWord::IndexOfUnits(int units) const {
  if (units <= 0) return 0;
  int count = 0;
  for (size_t i = 0; i < glyphs_.size(); ++i) {
    count += glyphs_[i]->Units();
    if (count >= units) return static_cast<int>(i) + 1;
  }
  return -1;
}

int TNkWord::UnitsBefore(const TWdGlyph* glyph) const {
  int count = 0;
  for (const auto& g : glyphs_) {
    if (g.get() == glyph) break;
    count += g->Units();
  }
  return count;
}

namespace {

// The first and the last glyph of the word that a page shows (null for a page without glyphs).
std::pair<const TWdGlyph*, const TWdGlyph*> PageEnds(const TWdPage& page) {
  const TWdGlyph* first = nullptr;
  const TWdGlyph* last = nullptr;
  for (const auto& row : page.Rows) {
    for (const TWdGlyph* g : row->Glyphs) {
      const bool filler = std::any_of(row->Owned.begin(), row->Owned.end(),
                                      [g](const std::unique_ptr<TWdGlyph>& o) { return o.get() == g; });
      if (filler) continue;
      if (!first) first = g;
      last = g;
    }
  }
  return {first, last};
}

}  // namespace

void TNkWord::PageUnitRange(const TWdPage& page, int32_t& firstUnit, int32_t& lastUnit) const {
  const auto [first, last] = PageEnds(page);
  firstUnit = first ? UnitsBefore(first) : 0;
  lastUnit = last ? UnitsBefore(last) + last->Units() : 0;
}

std::vector<std::pair<std::string, std::string>> TNkWord::PageVarValues(const TWdPage& page) const {
  std::vector<std::pair<std::string, std::string>> values;
  const auto [first, last] = PageEnds(page);
  if (!first) return values;
  size_t i = 0;
  while (i < glyphs_.size() && glyphs_[i].get() != first) ++i;
  // VAR glyphs take no place in rows of their own: the one right before the first glyph of the page
  // belongs to it as well when its insertion starts the page.
  if (i > 0 && glyphs_[i]->Kind == GlyphKind::VarChar) {
    while (i > 0 && glyphs_[i]->Kind != GlyphKind::Var) --i;
  }
  for (; i < glyphs_.size(); ++i) {
    const TWdGlyph& g = *glyphs_[i];
    if (g.Kind == GlyphKind::Var) {
      const auto& var = static_cast<const TWdOpeVar&>(g);
      if (!var.Expr.empty() && var.Inserted > 0) {
        std::string value;
        const size_t end = std::min(glyphs_.size(), i + 1 + static_cast<size_t>(var.Inserted));
        for (size_t k = i + 1; k < end; ++k) {
          if (glyphs_[k]->IsChar()) value += static_cast<const TWdChar&>(*glyphs_[k]).Bytes();
          else if (glyphs_[k]->IsReturn()) value += '\x01';
        }
        const bool known = std::any_of(values.begin(), values.end(), [&](const auto& v) { return v.first == var.Expr; });
        if (!known) values.emplace_back(var.Expr, std::move(value));
      }
    }
    if (&g == last) break;
  }
  return values;
}

namespace {

// The value a VAR glyph shows: a frozen value (0x01 bytes standing for line breaks) or the result
// of its expression. Nullopt inserts nothing.
std::optional<std::string> VarValue(const TWdOpeVar& var, const std::vector<std::pair<std::string, std::string>>& frozen,
                                    TParamCollection* table) {
  for (const auto& [name, value] : frozen) {
    if (name == var.Expr) {
      std::string v = value;
      std::replace(v.begin(), v.end(), '\x01', '\r');
      return v;
    }
  }
  if (!table) return std::nullopt;
  try {
    if (var.Compiled) {
      var.Compiled->Execute(*table);
      if (const TCustomParam* r = var.Compiled->Result()) return r->AsString();
      return std::nullopt;
    }
    std::string_view expr = var.Expr;
    while (!expr.empty() && static_cast<uint8_t>(expr.front()) <= ' ') expr.remove_prefix(1);
    while (!expr.empty() && static_cast<uint8_t>(expr.back()) <= ' ') expr.remove_suffix(1);
    if (expr.empty()) return std::nullopt;
    TKuzoParser parser;
    parser.CompileText(expr);
    parser.Execute(*table);
    if (const TCustomParam* r = parser.Result()) return r->AsString();
  } catch (const KuzoError&) {
  }
  return std::nullopt;
}

}  // namespace

void TNkWord::ExpandVars(int first, int last, TParamCollection* table) {
  if (first < 0) first = 0;
  size_t end = last < 0 ? glyphs_.size() : std::min(glyphs_.size(), static_cast<size_t>(last) + 1);
  for (size_t i = static_cast<size_t>(first); i < end; ++i) {
    if (glyphs_[i]->Kind != GlyphKind::Var) continue;
    auto& var = static_cast<TWdOpeVar&>(*glyphs_[i]);
    if (var.Inserted > 0) continue;  // already expanded
    std::optional<std::string> value = VarValue(var, VarValues, table);
    if (!value) continue;
    std::vector<std::unique_ptr<TWdGlyph>> made;
    size_t chars = 0;
    const std::string& v = *value;
    for (size_t p = 0; p < v.size() && chars < kMaxVarExpansion; ++chars) {
      size_t len = sjis::CharLength(v, p);
      uint16_t code = len == 2 ? static_cast<uint16_t>((static_cast<uint8_t>(v[p]) << 8) | static_cast<uint8_t>(v[p + 1]))
                               : static_cast<uint8_t>(v[p]);
      p += len;
      if (code == '\r') {
        made.push_back(std::make_unique<TWdOpeReturn>(GlyphKind::VarReturn));
      } else if (code >= 32) {
        auto c = std::make_unique<TWdChar>(GlyphKind::VarChar);
        c->Code = code;
        c->Wait = var.Wait;
        c->Link = var.Link;
        if (var.Style) {
          ++var.Style->RefCount;
          c->Style = var.Style;
        }
        made.push_back(std::move(c));
      }
    }
    var.Inserted = static_cast<int32_t>(made.size());
    glyphs_.insert(glyphs_.begin() + static_cast<std::ptrdiff_t>(i) + 1, std::make_move_iterator(made.begin()),
                   std::make_move_iterator(made.end()));
    i += made.size();
    end += made.size();
  }
}

void TNkWord::CollapseVars(int first, int last) {
  if (first < 0) first = 0;
  size_t end = last < 0 ? glyphs_.size() : std::min(glyphs_.size(), static_cast<size_t>(last) + 1);
  for (size_t i = static_cast<size_t>(first); i < end && i < glyphs_.size(); ++i) {
    if (glyphs_[i]->Kind != GlyphKind::Var) continue;
    auto& var = static_cast<TWdOpeVar&>(*glyphs_[i]);
    size_t count = std::min(static_cast<size_t>(var.Inserted), glyphs_.size() - i - 1);
    RemoveGlyphs(i + 1, count);
    var.Inserted = 0;
    end = end > count ? end - count : 0;
  }
}

}  // namespace kuzo
