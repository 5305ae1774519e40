// kuzotool demo-pictures OUTDIR: draws the demo title's pictures from code and writes them as Drel
// files, so the repository holds no picture binaries. The build runs it; the pictures are a
// background, a character with a soft-edged mask, an animated picture, a button with normal, hover
// and pressed frames, and a picture with a colour key for turning and zooming; then the demo
// novel's backgrounds and character (tools/demo_novel_pictures.cpp).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "core/errors.h"
#include "graphics/image_formats/image_file.h"
#include "platform/file_system.h"
#include "tools/command.h"
#include "tools/demo_novel_pictures.h"

namespace {

using namespace kuzo;

// Native 24-bit pixel of an RGB triple (red in the high byte).
Pixel Rgb(int r, int g, int b) {
  auto c = [](int v) { return static_cast<Pixel>(v < 0 ? 0 : v > 255 ? 255 : v); };
  return c(r) << 16 | c(g) << 8 | c(b);
}

TDrelFrame& NewFrame(TDrelFrameList& list, int w, int h, int delay) {
  TDrelFrame& f = list.Add();
  f.Image.SetSize(w, h, 24);
  f.DisplayTime = delay;
  return f;
}

void Paint(TDrelFrame& f, const std::function<Pixel(int x, int y)>& colour) {
  for (int y = 0; y < f.Height(); ++y)
    for (int x = 0; x < f.Width(); ++x) f.Image.SetPixel(x, y, colour(x, y));
}

// Sky to ground gradient with a sun and rolling hills.
TDrelFrameList Background() {
  TDrelFrameList list;
  TDrelFrame& f = NewFrame(list, 640, 480, 0);
  Paint(f, [](int x, int y) {
    const double hill = 330 + 30 * std::sin(x / 70.0) + 15 * std::sin(x / 23.0 + 1.0);
    if (y > hill) return Rgb(40 + y / 12, 120 + (480 - y) / 4, 50);
    const double dx = x - 500, dy = y - 90;
    if (dx * dx + dy * dy < 45 * 45) return Rgb(255, 220, 90);
    return Rgb(90 + y / 4, 150 + y / 5, 255 - y / 8);
  });
  return list;
}

// A round figure whose mask fades out over its last four pixels.
TDrelFrameList Character() {
  TDrelFrameList list;
  TDrelFrame& f = NewFrame(list, 160, 240, 0);
  Paint(f, [](int x, int y) {
    if (y < 90) return Rgb(250, 210, 180);  // head
    return Rgb(60 + x / 4, 80, 170 + y / 6);  // coat
  });
  TDIBSurface& mask = f.Image.CreateMask(0);
  for (int y = 0; y < 240; ++y) {
    for (int x = 0; x < 160; ++x) {
      const double head = 40 - std::hypot(x - 80.0, y - 50.0);
      const double body = 1 - std::hypot((x - 80.0) / 70.0, (y - 170.0) / 80.0);
      const double inside = std::max(head, body * 70);
      mask.SetPixel(x, y, static_cast<Pixel>(std::clamp(inside * 64, 0.0, 255.0)));
    }
  }
  return list;
}

// Eight frames of a turning spoke wheel, 80 ms each, keyed on magenta.
TDrelFrameList Animation() {
  TDrelFrameList list;
  for (int i = 0; i < 8; ++i) {
    TDrelFrame& f = NewFrame(list, 96, 96, 80);
    const double turn = i * std::numbers::pi / 16;
    Paint(f, [turn](int x, int y) {
      const double dx = x - 47.5, dy = y - 47.5, r = std::hypot(dx, dy);
      if (r > 46) return Rgb(255, 0, 255);
      const double a = std::atan2(dy, dx) + turn;
      const bool spoke = std::fabs(std::sin(a * 4)) < 0.25 || r > 40 || r < 8;
      return spoke ? Rgb(230, 180, 40) : Rgb(40, 40, 60);
    });
    f.ColorKey = static_cast<int32_t>(Rgb(255, 0, 255));
    f.ColorKeyRGB = 0xFF00FF;
  }
  return list;
}

// A rounded button in three states: normal, hover (lighter), pressed (darker, moved down a pixel).
TDrelFrameList Button() {
  TDrelFrameList list;
  const int shades[3] = {150, 200, 100};
  for (int state = 0; state < 3; ++state) {
    TDrelFrame& f = NewFrame(list, 160, 48, 0);
    const int shade = shades[state], shift = state == 2 ? 1 : 0;
    Paint(f, [shade, shift](int x, int y) {
      const int yy = y - shift;
      const double cx = std::clamp(x, 24, 135), cy = 24;
      const double r = std::hypot(x - cx, yy - cy);
      if (r > 22) return Rgb(0, 255, 0);  // key: outside the rounded shape
      if (r > 19) return Rgb(shade / 3, shade / 3, shade / 2);
      return Rgb(shade / 2, shade * 2 / 3, shade + (48 - yy));
    });
    f.ColorKey = static_cast<int32_t>(Rgb(0, 255, 0));
    f.ColorKeyRGB = 0x00FF00;
  }
  return list;
}

// An arrow on a checkerboard, for turning and zooming (asymmetric, so a wrong turn shows).
TDrelFrameList Spinner() {
  TDrelFrameList list;
  TDrelFrame& f = NewFrame(list, 128, 64, 0);
  Paint(f, [](int x, int y) {
    const bool arrow = (x < 90 && y > 26 && y < 38) || (x >= 90 && std::abs(y - 32) < (127 - x) * 0.8);
    if (arrow) return Rgb(220, 30, 30);
    return ((x / 16 + y / 16) % 2) != 0 ? Rgb(240, 240, 240) : Rgb(60, 60, 200);
  });
  return list;
}

int Run(const std::vector<std::string>& args) {
  if (args.size() != 1) {
    std::fprintf(stderr, "usage: kuzotool demo-pictures OUTDIR\n");
    return 1;
  }
  const std::string dir = args[0];
  const std::pair<const char*, TDrelFrameList (*)()> pictures[] = {
      {"back.drl", Background}, {"chara.drl", Character}, {"wheel.drl", Animation},
      {"button.drl", Button},   {"spin.drl", Spinner},
  };
  try {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) throw KuzoError("cannot create the directory: " + ec.message());
    // The button's states also as one file each, the way a button takes its normal, hover and
    // pressed pictures.
    const char* const stateFiles[] = {"button_n.drl", "button_h.drl", "button_p.drl"};
    for (int state = 0; state < 3; ++state) {
      TDrelFrameList faces = Button();
      TDrelFrameList one;
      one.Frames.push_back(std::move(faces.Frames[static_cast<size_t>(state)]));
      platform::WriteFileAtomic(std::filesystem::path(dir) / stateFiles[state], SaveDrelImage(one, DrelKind::kDeflate));
    }

    for (const auto& [name, draw] : pictures) {
      platform::WriteFileAtomic(std::filesystem::path(dir) / name, SaveDrelImage(draw(), DrelKind::kDeflate));
    }
    for (const auto& [name, picture] : tool::DrawNovelPictures()) {
      platform::WriteFileAtomic(std::filesystem::path(dir) / name, SaveDrelImage(picture, DrelKind::kDeflate));
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", dir.c_str(), e.what());
    return 1;
  }
  return 0;
}

const kuzo::tool::CommandRegistration kRegistration("demo-pictures", "demo-pictures OUTDIR", Run);

}  // namespace
