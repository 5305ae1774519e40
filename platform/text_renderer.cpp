// SDL_ttf text rendering with a font chosen by fontconfig for the Japanese language.
#include "platform/text_renderer.h"

#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include "core/errors.h"
#include "platform/cp932.h"

namespace kuzo::platform {

std::string FindJapaneseFontFile() {
  // A private configuration, destroyed afterwards, so nothing of fontconfig stays allocated.
  std::string file;
  FcConfig* config = FcInitLoadConfigAndFonts();
  if (!config) return file;
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif:lang=ja"));
  if (pattern) {
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config, pattern, &result);
    if (match) {
      FcChar8* path = nullptr;
      FcLangSet* langs = nullptr;
      bool japanese = FcPatternGetLangSet(match, FC_LANG, 0, &langs) == FcResultMatch &&
                      FcLangSetHasLang(langs, reinterpret_cast<const FcChar8*>("ja")) != FcLangDifferentLang;
      if (japanese && FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch) {
        file = reinterpret_cast<const char*>(path);
      }
      FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
  }
  FcConfigDestroy(config);
  return file;
}

namespace {

class TtfTextRenderer : public TextRenderer {
 public:
  TtfTextRenderer(const std::string& file, int pixelHeight) {
    if (TTF_Init() != 0) throw KuzoError(Format("cannot start font rendering: %s", TTF_GetError()));
    started_ = true;
    font_ = TTF_OpenFont(file.c_str(), pixelHeight);
    if (!font_) {
      std::string error = TTF_GetError();
      TTF_Quit();
      throw KuzoError(Format("%s: cannot open font: %s", file.c_str(), error.c_str()));
    }
  }
  ~TtfTextRenderer() override {
    TTF_CloseFont(font_);
    if (started_) TTF_Quit();
  }

  TextBitmap Render(std::string_view sjisText) override {
    TextBitmap out;
    std::string utf8 = Cp932ToUtf8(sjisText);
    if (utf8.empty()) return out;
    SDL_Color white{255, 255, 255, 255};
    SDL_Surface* surface = TTF_RenderUTF8_Blended(font_, utf8.c_str(), white);
    if (!surface) return out;
    SDL_Surface* argb = SDL_ConvertSurfaceFormat(surface, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(surface);
    if (!argb) return out;
    out.width = argb->w;
    out.height = argb->h;
    out.coverage.resize(static_cast<size_t>(out.width) * static_cast<size_t>(out.height));
    SDL_LockSurface(argb);
    for (int y = 0; y < out.height; ++y) {
      const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(argb->pixels) + y * argb->pitch);
      for (int x = 0; x < out.width; ++x) out.coverage[static_cast<size_t>(y) * out.width + x] = row[x] >> 24;
    }
    SDL_UnlockSurface(argb);
    SDL_FreeSurface(argb);
    return out;
  }

  int LineHeight() const override { return TTF_FontLineSkip(font_); }

 private:
  TTF_Font* font_ = nullptr;
  bool started_ = false;
};

}  // namespace

std::unique_ptr<TextRenderer> CreateTextRenderer(int pixelHeight) {
  std::string file = FindJapaneseFontFile();
  if (file.empty()) throw KuzoError("no Japanese font found (install fonts-ipafont-gothic)");
  return std::make_unique<TtfTextRenderer>(file, pixelHeight);
}

}  // namespace kuzo::platform
