// A small scene for the picture component tests: the standard kinds, an image cache over files
// built in memory (Drel files of hand-made frames), a clock of 16 ms per frame, and helpers to
// create pictures, draw, and read pixels and queued events.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "components/drel_collection.h"
#include "components/standard_components.h"
#include "graphics/image_formats/image_file.h"
#include "scene/kuzo_base_list.h"

namespace kuzo::testing {

// One frame of a test picture: rows of 24-bit colours (0xRRGGBB), an optional key and mask rows.
struct TestFrame {
  std::vector<std::vector<int32_t>> rows;
  int32_t delay = 100;
  int32_t key = -1;
  std::vector<std::vector<uint8_t>> mask;
};

inline std::string DrelOf(const std::vector<TestFrame>& frames) {
  TDrelFrameList list;
  for (const TestFrame& tf : frames) {
    TDrelFrame& f = list.Add();
    const int h = static_cast<int>(tf.rows.size()), w = static_cast<int>(tf.rows[0].size());
    f.Image.SetSize(w, h, 24);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        // Native 24-bit pixels are 0xRRGGBB (blue in the low byte).
        f.Image.SetPixel(x, y, static_cast<Pixel>(tf.rows[static_cast<size_t>(y)][static_cast<size_t>(x)]));
      }
    if (tf.key >= 0) {
      f.ColorKey = tf.key;
      // The colour value form holds red in the low byte.
      f.ColorKeyRGB = ((tf.key & 0xFF) << 16) | (tf.key & 0xFF00) | ((tf.key >> 16) & 0xFF);
    }
    if (!tf.mask.empty()) {
      TDIBSurface& m = f.Image.CreateMask();
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) m.SetPixel(x, y, tf.mask[static_cast<size_t>(y)][static_cast<size_t>(x)]);
    }
    f.DisplayTime = tf.delay;
  }
  return SaveDrelImage(list, DrelKind::kDeflate);
}

struct PictureScene {
  HostState host;
  std::map<std::string, std::string> files;
  TDrelCollection cache{[this](std::string_view name) -> std::optional<std::string> {
    auto it = files.find(std::string(name));
    if (it == files.end()) return std::nullopt;
    return it->second;
  }};
  TKuzoBaseList scene;

  explicit PictureScene(int32_t w = 16, int32_t h = 12) : scene(&host, w, h) {
    host.frameDeltaMs = 16;
    RegisterStandardComponents(scene);
    ServiceSlots slots = scene.Slots();
    slots.images = &cache;
    slots.clock = &host;
    scene.SetSlots(slots);
  }

  template <typename T>
  T* Create(int32_t kind, const std::string& name, const std::string& source, int32_t left = 0, int32_t top = 0,
            TKuzoControl* parent = nullptr) {
    auto* c = static_cast<T*>(scene.CreateByKind(kind));
    c->SetName(name);
    c->SetParent(parent ? parent : scene.ActiveBase());
    c->SetStrProp(PR_SOURCE, source);
    c->SetIntProp(PR_LEFT, left);
    c->SetIntProp(PR_TOP, top);
    return c;
  }
  void Draw() {
    scene.Draw();
    scene.ClearDirty();
  }
  // One frame as the player runs it: input, ticks, drawing.
  void Frame() {
    scene.ProcessInput();
    scene.Tick();
    Draw();
  }
  // The scene pixel as 0xRRGGBB (the native 32-bit form).
  int32_t At(int x, int y) const { return static_cast<int32_t>(scene.SceneSurface()->GetPixel(x, y) & 0xFFFFFF); }
  // Labels of the queued events raised with `code`.
  std::vector<std::string> Events(uint8_t code) const {
    std::vector<std::string> out;
    for (int i = 0; i < scene.Events().Count(); ++i)
      if (scene.Events().At(i).code == code) out.push_back(scene.Events().At(i).label);
    return out;
  }
};

}  // namespace kuzo::testing
