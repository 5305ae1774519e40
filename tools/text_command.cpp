// kuzotool text layout FILE: lays out a Shift-JIS file of tagged text as a message window of the
// given size would and prints one line per row (page, row, position, size, characters).
#include <cstdio>
#include <string>
#include <vector>

#include "graphics/dibx.h"
#include "graphics/font_pixel.h"
#include "graphics/png_writer.h"
#include "platform/cp932.h"
#include "platform/file_system.h"
#include "text/aozora.h"
#include "text/nk_word.h"
#include "text/row_dump.h"
#include "tools/command.h"

namespace kuzo::tool {
namespace {

// The defaults of a message window's text area.
constexpr int32_t kDefaultWidth = 640;
constexpr int32_t kDefaultHeight = 480;
constexpr int32_t kDefaultFontSize = 12;

constexpr const char* kUsage =
    "usage: kuzotool text layout FILE [--width PX] [--height PX] [--font NAME] [--size PX] [--aozora]\n"
    "       kuzotool text render FILE --png OUT [same options] [--quality 0-3|all]\n";
constexpr int32_t kQualityAll = -1;
constexpr int32_t kWhite = 0xFFFFFF;

std::vector<std::string> SplitLines(const std::string& data) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i < data.size(); ++i) {
    char c = data[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < data.size() && data[i + 1] == '\n') ++i;
      lines.push_back(std::move(line));
      line.clear();
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(std::move(line));
  return lines;
}

bool ParseInt(const std::string& s, int32_t& out) {
  try {
    size_t used = 0;
    long v = std::stol(s, &used);
    if (used != s.size() || v < INT32_MIN || v > INT32_MAX) return false;
    out = static_cast<int32_t>(v);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

int RunText(const std::vector<std::string>& args) {
  if (args.size() < 2 || (args[0] != "layout" && args[0] != "render")) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::string file;
  int32_t width = kDefaultWidth, height = kDefaultHeight, size = kDefaultFontSize;
  std::string font;
  bool aozora = false;
  std::string png;
  int32_t quality = 3;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    bool hasValue = i + 1 < args.size();
    if (a == "--aozora") {
      aozora = true;
    } else if ((a == "--width" || a == "--height" || a == "--size") && hasValue) {
      int32_t& target = a == "--width" ? width : (a == "--height" ? height : size);
      if (!ParseInt(args[++i], target)) {
        std::fprintf(stderr, "kuzotool text: %s needs a whole number\n", a.c_str());
        return 2;
      }
    } else if (a == "--png" && hasValue) {
      png = args[++i];
    } else if (a == "--quality" && hasValue) {
      std::string q = args[++i];
      if (q == "all") {
        quality = kQualityAll;
      } else if (!ParseInt(q, quality) || quality < 0 || quality > 3) {
        std::fputs(kUsage, stderr);
        return 2;
      }
    } else if (a == "--font" && hasValue) {
      font = platform::Utf8ToCp932(args[++i]);
    } else if (file.empty() && !a.starts_with("--")) {
      file = a;
    } else {
      std::fputs(kUsage, stderr);
      return 2;
    }
  }
  if (file.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  auto data = platform::ReadWholeFile(file);
  if (!data) {
    std::fprintf(stderr, "kuzotool text: %s: cannot be read\n", file.c_str());
    return 1;
  }
  std::vector<std::string> lines = SplitLines(*data);
  if (aozora) lines = AozoraToMarkup(lines);

  TNkWord word;
  word.FontSize = size;
  word.FontName = font;
  word.AreaWidth = width;
  word.PageHeight = height;
  std::vector<std::unique_ptr<TWdPage>> pages;
  try {
    word.SetText(lines);
  } catch (const std::exception& e) {
    // The glyphs converted before the error are still laid out, as a window shows them.
    std::fprintf(stderr, "kuzotool text: %s\n", platform::Cp932ToUtf8(e.what()).c_str());
  }
  // A window without area shows nothing.
  if (width > 0 && height > 0) {
    word.ExpandVars(0, -1, nullptr);
    word.Layout(pages);
  }
  if (args[0] == "render") {
    // The first page fully revealed, black on white; with "all" the four quality levels side by side.
    if (png.empty() || pages.empty()) {
      std::fputs(pages.empty() ? "kuzotool text: nothing to render\n" : kUsage, stderr);
      return 2;
    }
    std::vector<int32_t> qualities = quality == kQualityAll ? std::vector<int32_t>{0, 1, 2, 3} : std::vector<int32_t>{quality};
    TDIBX target(width * static_cast<int>(qualities.size()), height, 32);
    target.Fill(static_cast<Pixel>(target.ColorToPixel(kWhite)));
    TFontPixelManager glyphs;
    word.Target = &target;
    for (size_t q = 0; q < qualities.size(); ++q) {
      word.Quality = qualities[q];
      word.AreaLeft = width * static_cast<int32_t>(q);
      word.FadeTime = 0;
      word.Render(*pages[0], glyphs);
      word.ResetReveal(*pages[0]);
      while (word.HasMore(*pages[0])) word.Step(*pages[0], 1000);
      word.Draw(*pages[0]);
    }
    WritePngFile(target, png);
    return 0;
  }
  std::string out = DumpRows(pages, 0, 0);
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}

CommandRegistration reg("text",
                        "text layout|render FILE [--width PX] [--height PX] [--font NAME] [--size PX] [--aozora] "
                        "[--png OUT] [--quality 0-3|all]",
                        &RunText);

}  // namespace
}  // namespace kuzo::tool
