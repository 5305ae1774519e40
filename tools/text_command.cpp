// kuzotool text layout FILE: lays out a Shift-JIS file of tagged text as a message window of the
// given size would and prints one line per row (page, row, position, size, characters).
#include <cstdio>
#include <string>
#include <vector>

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
    "usage: kuzotool text layout FILE [--width PX] [--height PX] [--font NAME] [--size PX] [--aozora]\n";

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
  if (args.size() < 2 || args[0] != "layout") {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::string file;
  int32_t width = kDefaultWidth, height = kDefaultHeight, size = kDefaultFontSize;
  std::string font;
  bool aozora = false;
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
  std::string out = DumpRows(pages, 0, 0);
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}

CommandRegistration reg("text", "text layout FILE [--width PX] [--height PX] [--font NAME] [--size PX] [--aozora]",
                        &RunText);

}  // namespace
}  // namespace kuzo::tool
