// Page listing for `kuzotool page dump`.
#include "authoring/page_dump.h"

#include <cstdio>

#include "core/byte_reader.h"
#include "core/errors.h"
#include "platform/cp932.h"
#include "scene/property_table.h"
#include "script/page.h"
#include "script/scene_commands.h"
#include "text/glyph_markup.h"
#include "text/nk_word.h"
#include "vars/param_collection.h"

namespace kuzo {
namespace {

std::string Quote(const std::string& sjis) {
  std::string out = "\"";
  for (char c : platform::Cp932ToUtf8(sjis)) {
    if (c == '"' || c == '\\') out += '\\';
    if (c == '\n') { out += "\\n"; continue; }
    if (c == '\r') { out += "\\r"; continue; }
    out += c;
  }
  return out + "\"";
}

std::string Hex(const std::string& bytes) {
  std::string out;
  char hex[3];
  for (unsigned char b : bytes) {
    std::snprintf(hex, sizeof hex, "%02x", b);
    out += hex;
  }
  return out;
}

// A stored glyph list as the markup that gives it (delays other than the builder's default shown
// as WAIT tags); bytes that do not read as a glyph list stay hexadecimal.
std::string GlyphListText(const std::string& bytes) {
  if (bytes.empty()) return "";
  try {
    TNkWord word;
    ByteReader r(bytes, "glyph list");
    word.LoadGlyphs(r);
    return Quote(GlyphsToMarkup(word, kInitialTextDelay));
  } catch (const KuzoError& e) {
    return Hex(bytes) + " (" + platform::Cp932ToUtf8(e.what()) + ")";
  }
}

std::string ExprText(const Expr& e) { return e.Empty() ? "{}" : "{" + platform::Cp932ToUtf8(e.Describe()) + "}"; }

}  // namespace

std::string DumpPage(TPage& page) {
  std::string out = "page " + Quote(page.Name()) + " version " + std::to_string(page.Version()) + " result " +
                    std::to_string(page.ResultType()) + " commands " + std::to_string(page.Count()) + "\n";
  for (int type = 0; type < kCommandTypeCount; ++type) {
    std::string props;
    for (int p = 0; p < kPropertyCount; ++p)
      if (page.MaskBit(static_cast<uint8_t>(type), p)) props += std::string(" ") + PropertyInfoOf(p).name;
    if (!props.empty()) out += std::string("mask ") + CommandInfoOf(static_cast<uint8_t>(type)).keyword + ":" + props + "\n";
  }
  for (int i = 0; i < page.Count(); ++i) {
    TCommand& c = page.At(i);
    char head[96];
    std::snprintf(head, sizeof head, "%4d  depth %d line %d%s%s  ", i, c.depth, c.line, c.skip ? " skip" : "",
                  c.runOn ? "" : " stop");
    out += head;
    out += c.Info().keyword;
    if (auto* sc = dynamic_cast<TComSceneCommand*>(&c)) {
      for (auto& [id, e] : sc->props) out += std::string(" ") + PropertyInfoOf(id).name + "=" + ExprText(e);
    }
    const auto& specs = c.Info().fields;
    for (size_t k = 0; k < specs.size(); ++k) {
      if (page.Version() <= specs[k].presentAbove) continue;
      const Field& f = c.fields[k];
      out += std::string(" ") + specs[k].name + "=";
      switch (specs[k].kind) {
        case FieldKind::Expr: out += ExprText(f.expr); break;
        case FieldKind::String: out += Quote(f.text); break;
        case FieldKind::S32:
        case FieldKind::Byte: out += std::to_string(f.number); break;
        case FieldKind::ExprList: {
          out += "[";
          for (size_t j = 0; j < f.list.size(); ++j) out += (j ? ", " : "") + ExprText(f.list[j]);
          out += "]";
          break;
        }
        case FieldKind::Blob: out += GlyphListText(f.text); break;
      }
    }
    out += "\n";
  }
  return out;
}

}  // namespace kuzo
