// fontconfig queries for the glyph cache. Each call uses a private configuration that is destroyed
// afterwards, so nothing of fontconfig stays allocated between calls.
#include "platform/font_lookup.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>

namespace kuzo::platform {
namespace {

const FcChar8* U8(const char* s) { return reinterpret_cast<const FcChar8*>(s); }

std::optional<FontFace> FaceOf(FcPattern* p) {
  FcChar8* file = nullptr;
  FcChar8* family = nullptr;
  int index = 0;
  if (FcPatternGetString(p, FC_FILE, 0, &file) != FcResultMatch) return std::nullopt;
  FcPatternGetInteger(p, FC_INDEX, 0, &index);
  FontFace face;
  face.file = reinterpret_cast<const char*>(file);
  face.index = index;
  if (FcPatternGetString(p, FC_FAMILY, 0, &family) == FcResultMatch) face.family = reinterpret_cast<const char*>(family);
  return face;
}

// Runs `fn` over every installed outline face matching `pattern`.
template <typename Fn>
void ForEachFace(FcPattern* pattern, Fn fn) {
  FcConfig* config = FcInitLoadConfigAndFonts();
  if (!config) return;
  FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, FC_FILE, FC_INDEX, FC_SPACING, FC_OUTLINE, FC_LANG, nullptr);
  FcFontSet* set = FcFontList(config, pattern, objects);
  if (set) {
    for (int i = 0; i < set->nfont; ++i) {
      FcBool outline = FcFalse;
      if (FcPatternGetBool(set->fonts[i], FC_OUTLINE, 0, &outline) == FcResultMatch && !outline) continue;
      if (!fn(set->fonts[i])) break;
    }
    FcFontSetDestroy(set);
  }
  FcObjectSetDestroy(objects);
  FcConfigDestroy(config);
}

}  // namespace

std::optional<FontFace> FindFontFace(std::string_view familyUtf8) {
  std::optional<FontFace> found;
  std::string name(familyUtf8);
  if (name.empty()) return found;
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, U8(name.c_str()));
  std::vector<FontFace> candidates;
  ForEachFace(pattern, [&](FcPattern* p) {
    if (auto face = FaceOf(p)) candidates.push_back(*face);
    return true;
  });
  FcPatternDestroy(pattern);
  // The same face may be installed twice (a file and a link to it): the first path in name order.
  std::sort(candidates.begin(), candidates.end(), [](const FontFace& a, const FontFace& b) { return a.file < b.file; });
  if (!candidates.empty()) found = candidates.front();
  return found;
}

std::optional<FontFace> FindJapaneseFace() {
  std::optional<FontFace> found;
  FcConfig* config = FcInitLoadConfigAndFonts();
  if (!config) return found;
  FcPattern* pattern = FcNameParse(U8("sans-serif:lang=ja"));
  if (pattern) {
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config, pattern, &result);
    if (match) {
      FcLangSet* langs = nullptr;
      bool japanese = FcPatternGetLangSet(match, FC_LANG, 0, &langs) == FcResultMatch &&
                      FcLangSetHasLang(langs, U8("ja")) != FcLangDifferentLang;
      if (japanese) found = FaceOf(match);
      FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
  }
  FcConfigDestroy(config);
  return found;
}

std::vector<std::string> ListFontFamilies(bool fixedOnly) {
  std::vector<std::string> names;
  FcPattern* pattern = FcNameParse(U8(":lang=ja"));
  ForEachFace(pattern, [&](FcPattern* p) {
    int spacing = FC_PROPORTIONAL;
    FcPatternGetInteger(p, FC_SPACING, 0, &spacing);
    if (fixedOnly && spacing != FC_MONO && spacing != FC_DUAL) return true;
    FcChar8* family = nullptr;
    if (FcPatternGetString(p, FC_FAMILY, 0, &family) == FcResultMatch) names.emplace_back(reinterpret_cast<const char*>(family));
    return true;
  });
  if (pattern) FcPatternDestroy(pattern);
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  return names;
}

}  // namespace kuzo::platform
