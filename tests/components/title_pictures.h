// Pictures of the test titles, written as readable text (pictures.txt) and turned into Drel files
// next to the built title, so the repository holds no picture binaries:
//   picture NAME.drl WIDTH HEIGHT      starts a file
//   frame DELAY [KEY]                  starts a frame filled with 000000; KEY is RRGGBB
//   fill X Y W H RRGGBB                paints a rectangle of the frame
//   mask X Y W H VALUE                 paints the frame's mask (made, all 255, on first use)
// Blank lines and lines starting with '#' are ignored.
#pragma once

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "graphics/image_formats/image_file.h"

namespace kuzo::testing {

// Writes every picture of `text` into `dir`; false with `error` naming the line when one is wrong.
inline bool WriteTitlePictures(const std::string& text, const std::filesystem::path& dir, std::string& error) {
  std::map<std::string, TDrelFrameList> files;
  std::map<std::string, std::pair<int, int>> sizes;
  TDrelFrameList* list = nullptr;
  TDrelFrame* frame = nullptr;
  std::string current;
  std::istringstream lines(text);
  int number = 0;
  for (std::string line; std::getline(lines, line);) {
    ++number;
    std::istringstream w(line);
    std::string word;
    if (!(w >> word) || word[0] == '#') continue;
    auto fail = [&](const char* what) {
      error = "pictures.txt:" + std::to_string(number) + ": " + what;
      return false;
    };
    if (word == "picture") {
      int width = 0, height = 0;
      if (!(w >> current >> width >> height) || width <= 0 || height <= 0) return fail("picture NAME W H");
      list = &files[current];
      sizes[current] = {width, height};
      frame = nullptr;
    } else if (word == "frame") {
      int delay = 0;
      std::string key;
      if (!list || !(w >> delay)) return fail("frame DELAY [KEY] after a picture line");
      frame = &list->Add();
      frame->Image.SetSize(sizes[current].first, sizes[current].second, 24);
      frame->Image.Fill(0);
      frame->DisplayTime = delay;
      if (w >> key) {
        const int32_t rgb = static_cast<int32_t>(std::stoul(key, nullptr, 16));
        frame->ColorKey = rgb;  // native 24-bit pixels are 0xRRGGBB
        frame->ColorKeyRGB = ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
      }
    } else if (word == "fill" || word == "mask") {
      int x = 0, y = 0, fw = 0, fh = 0;
      std::string value;
      if (!frame || !(w >> x >> y >> fw >> fh >> value)) return fail("fill/mask X Y W H VALUE after a frame line");
      const bool isMask = word == "mask";
      TDIBX* target = &frame->Image;
      if (isMask) target = frame->Image.HasMask() ? frame->Image.Mask() : &frame->Image.CreateMask(255);
      const Pixel v = static_cast<Pixel>(std::stoul(value, nullptr, isMask ? 10 : 16));
      for (int yy = y; yy < y + fh; ++yy)
        for (int xx = x; xx < x + fw; ++xx)
          if (xx >= 0 && yy >= 0 && xx < target->Width() && yy < target->Height()) target->SetPixel(xx, yy, v);
    } else {
      return fail("unknown word");
    }
  }
  for (const auto& [name, frames] : files) {
    std::ofstream out(dir / name, std::ios::binary);
    out << SaveDrelImage(frames, DrelKind::kDeflate);
    if (!out) {
      error = "cannot write " + (dir / name).string();
      return false;
    }
  }
  return true;
}

}  // namespace kuzo::testing
