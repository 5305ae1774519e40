// Stored glyph lists: the styles and glyphs of a text-insertion command, as pages hold them.
#include <string>
#include <unordered_map>

#include "core/byte_reader.h"
#include "core/errors.h"
#include "text/nk_word.h"
#include "vars/expression.h"

namespace kuzo {
namespace {

constexpr std::string_view kHeaderMagic = "NkWord";
constexpr size_t kHeaderSize = 9;  // "NkWord" and three decimal digits
constexpr int32_t kVersionWideBorders = 100;  // 32-bit border width and the shadow fields
constexpr int32_t kVersionVarWaitLink = 100;  // VAR glyphs carry wait and link after this version
constexpr int32_t kVersionVarText = 102;      // VAR glyphs carry expression text from this version
// Smallest style record: four 32-bit values, style and no-break bytes, the border byte and two
// empty strings.
constexpr size_t kMinStyleBytes = 4 * 4 + 3 + 2 * 4;
constexpr uint8_t kEventEndMark = 0x01;

int32_t ReadVersion(ByteReader& r) {
  if (r.Remaining() < kHeaderSize) return 0;
  auto head = r.Data().subspan(r.Position(), kHeaderSize);
  if (std::string_view(reinterpret_cast<const char*>(head.data()), kHeaderMagic.size()) != kHeaderMagic) return 0;
  r.Skip(kHeaderMagic.size(), "header");
  int32_t version = 0;
  for (int i = 0; i < 3; ++i) {
    uint8_t d = r.U8("header version");
    if (d < '0' || d > '9') r.Fail("header version", "digit expected, found byte " + std::to_string(d));
    version = version * 10 + (d - '0');
  }
  return version;
}

}  // namespace

void TNkWord::LoadGlyphs(ByteReader& r) {
  int32_t version = ReadVersion(r);
  uint32_t styleCount = r.Count(kMinStyleBytes, "style count");
  std::vector<TDecorate*> loaded;
  loaded.reserve(styleCount);
  for (uint32_t i = 0; i < styleCount; ++i) {
    TDecorate d;
    r.I32("style reference count");
    d.Color = r.I32("style colour");
    d.BorderColor = r.I32("style border colour");
    d.Size = r.I32("style size");
    d.Style = r.U8("style bits");
    d.NoBreak = r.U8("style no-break") != 0;
    if (version >= kVersionWideBorders) {
      d.BorderWidth = r.I32("style border width");
    } else {
      d.BorderWidth = r.U8("style border flag") != 0 ? 1 : 0;
    }
    d.FontName = r.String("style font name");
    d.Ruby = r.String("style ruby");
    if (version >= kVersionWideBorders) {
      d.ShadowWidth = r.I32("style shadow width");
      d.ShadowColor = r.I32("style shadow colour");
    }
    d.RefCount = 0;  // counted again from the glyphs that use it
    loaded.push_back(styles_.AddStored(d));
  }
  auto styleAt = [&](const char* field) -> TDecorate* {
    int32_t index = r.I32(field);
    if (index < 0 || static_cast<uint32_t>(index) >= loaded.size()) {
      r.Fail(field, "style index " + std::to_string(index) + " outside the " + std::to_string(loaded.size()) + " styles");
    }
    TDecorate* s = loaded[static_cast<size_t>(index)];
    ++s->RefCount;
    return s;
  };

  uint32_t glyphCount = r.Count(1, "glyph count");
  for (uint32_t i = 0; i < glyphCount; ++i) {
    uint8_t type = r.U8("glyph type");
    switch (static_cast<GlyphKind>(type)) {
      case GlyphKind::Char: {
        auto c = std::make_unique<TWdChar>();
        c->Link = r.String("character link");
        c->Wait = r.I32("character wait");
        c->Code = r.U16("character code");
        c->Style = styleAt("character style index");
        Append(std::move(c));
        break;
      }
      case GlyphKind::Align: {
        auto a = std::make_unique<TWdOpeAlign>();
        a->Align = r.U8("alignment");
        Append(std::move(a));
        break;
      }
      case GlyphKind::Return: {
        auto b = std::make_unique<TWdOpeReturn>();
        b->NewPage = r.U8("line break new page") != 0;
        Append(std::move(b));
        break;
      }
      case GlyphKind::Indent: Append(std::make_unique<TWdOpeIndent>()); break;
      case GlyphKind::Undent: Append(std::make_unique<TWdOpeUndent>()); break;
      case GlyphKind::Event: {
        auto e = std::make_unique<TWdOpeEvent>();
        e->Value = r.String("event value");
        if (!e->Value.empty() && static_cast<uint8_t>(e->Value[0]) == kEventEndMark) {
          e->Value.erase(0, 1);
          e->IsEnd = true;
        }
        Append(std::move(e));
        break;
      }
      case GlyphKind::Var: {
        auto v = std::make_unique<TWdOpeVar>();
        v->Style = styleAt("variable style index");
        if (version > kVersionVarWaitLink) {
          v->Wait = r.I32("variable wait");
          v->Link = r.String("variable link");
        }
        if (version < kVersionVarText) {
          v->Compiled = std::make_shared<TKuzoParser>();
          v->Compiled->ReadFrom(r);
        } else {
          v->Expr = r.String("variable expression");
        }
        Append(std::move(v));
        break;
      }
      case GlyphKind::Img: {
        auto img = std::make_unique<TWdImg>();
        img->Link = r.String("image link");
        img->Wait = r.I32("image wait");
        img->Source = r.String("image source");
        img->VAlign = r.U8("image alignment");
        Append(std::move(img));
        break;
      }
      default:
        r.Fail("glyph type", "unknown glyph type " + std::to_string(type) + " (glyph " + std::to_string(i) + " of " +
                                 std::to_string(glyphCount) + ")");
    }
  }
}

void TNkWord::WriteGlyphs(ByteWriter& w) const {
  w.Bytes(kHeaderMagic);
  w.Bytes(std::to_string(kGlyphStreamVersion));
  w.U32(static_cast<uint32_t>(styles_.Count()));
  for (size_t i = 0; i < styles_.Count(); ++i) {
    const TDecorate& d = *styles_.At(i);
    w.I32(d.RefCount);
    w.I32(d.Color);
    w.I32(d.BorderColor);
    w.I32(d.Size);
    w.U8(d.Style);
    w.Bool(d.NoBreak);
    w.I32(d.BorderWidth);
    w.String(d.FontName);
    w.String(d.Ruby);
    w.I32(d.ShadowWidth);
    w.I32(d.ShadowColor);
  }
  std::unordered_map<const TDecorate*, int32_t> styleIndex;
  for (size_t i = 0; i < styles_.Count(); ++i) styleIndex[styles_.At(i)] = static_cast<int32_t>(i);
  auto indexOf = [&](const TDecorate* s) {
    auto it = styleIndex.find(s);
    return it == styleIndex.end() ? -1 : it->second;
  };
  // Glyphs made by layout or by VAR expansion are not part of the stored list.
  uint32_t count = 0;
  for (const auto& g : glyphs_) {
    if (static_cast<uint8_t>(g->Kind) < static_cast<uint8_t>(GlyphKind::VarChar)) ++count;
  }
  w.U32(count);
  for (const auto& g : glyphs_) {
    switch (g->Kind) {
      case GlyphKind::Char: {
        const auto& c = static_cast<const TWdChar&>(*g);
        w.U8(static_cast<uint8_t>(GlyphKind::Char));
        w.String(c.Link);
        w.I32(c.Wait);
        w.U16(c.Code);
        w.I32(indexOf(c.Style));
        break;
      }
      case GlyphKind::Align:
        w.U8(static_cast<uint8_t>(GlyphKind::Align));
        w.U8(static_cast<const TWdOpeAlign&>(*g).Align);
        break;
      case GlyphKind::Return:
        w.U8(static_cast<uint8_t>(GlyphKind::Return));
        w.Bool(static_cast<const TWdOpeReturn&>(*g).NewPage);
        break;
      case GlyphKind::Indent:
      case GlyphKind::Undent: w.U8(static_cast<uint8_t>(g->Kind)); break;
      case GlyphKind::Event: {
        const auto& e = static_cast<const TWdOpeEvent&>(*g);
        w.U8(static_cast<uint8_t>(GlyphKind::Event));
        w.String(e.IsEnd ? std::string(1, static_cast<char>(kEventEndMark)) + e.Value : e.Value);
        break;
      }
      case GlyphKind::Var: {
        const auto& v = static_cast<const TWdOpeVar&>(*g);
        w.U8(static_cast<uint8_t>(GlyphKind::Var));
        w.I32(indexOf(v.Style));
        w.I32(v.Wait);
        w.String(v.Link);
        w.String(v.Expr);
        break;
      }
      case GlyphKind::Img: {
        const auto& img = static_cast<const TWdImg&>(*g);
        w.U8(static_cast<uint8_t>(GlyphKind::Img));
        w.String(img.Link);
        w.I32(img.Wait);
        w.String(img.Source);
        w.U8(img.VAlign);
        break;
      }
      default: break;
    }
  }
}

}  // namespace kuzo
