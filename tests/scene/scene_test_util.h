// Small components for the scene tests: a plain control kind, a non-visual kind, and a control
// with zoom, flips and a picture size so that placement rules can be exercised without images.
#pragma once

#include <memory>

#include "scene/kuzo_base_list.h"

namespace kuzo::testing {

constexpr int32_t kTestControlKind = LT_LABEL;  // any creatable code not used by the scene itself
constexpr int32_t kTestSoundKind = LT_SOUND;

class TestControl : public TKuzoControl {
 public:
  int32_t KindCode() const override { return kTestControlKind; }
  int ticks = 0;
  bool destroyOnTick = false;
  bool Tick() override {
    ++ticks;
    return destroyOnTick || TKuzoControl::Tick();
  }
};

class TestSound : public TKuzoComponent {
 public:
  int32_t KindCode() const override { return kTestSoundKind; }
};

// Zoom, flips and a picture: what images answer, enough for the placement rules.
class TestPicture : public TKuzoControl {
 public:
  int32_t zoomX = 256, zoomY = 256;
  bool flipH = false, flipV = false;
  int32_t pictureW = 0, pictureH = 0;
  int32_t GetIntProp(PropId id) const override {
    if (id == PR_ZOOMX) return zoomX;
    if (id == PR_ZOOMY) return zoomY;
    return TKuzoControl::GetIntProp(id);
  }
  bool GetBoolProp(PropId id) const override {
    if (id == PR_FLIPH) return flipH;
    if (id == PR_FLIPV) return flipV;
    return TKuzoControl::GetBoolProp(id);
  }
  bool PictureSize(int32_t& w, int32_t& h) const override {
    if (pictureW <= 0) return false;
    w = pictureW;
    h = pictureH;
    return true;
  }
};

// A scene with the test kinds registered and a host clock of 16 ms per frame.
struct SceneFixture {
  HostState host;
  TKuzoBaseList scene{&host, 320, 240};
  SceneFixture() {
    host.frameDeltaMs = 16;
    scene.RegisterKind(kTestControlKind, [] { return std::make_unique<TestControl>(); });
    scene.RegisterKind(kTestSoundKind, [] { return std::make_unique<TestSound>(); });
  }
  // A control on the active base with a name and bounds.
  TestControl* Add(const std::string& name, int32_t l, int32_t t, int32_t w, int32_t h, TKuzoControl* parent = nullptr) {
    auto* c = scene.CreateObject<TestControl>();
    c->SetName(name);
    c->SetParent(parent ? parent : scene.ActiveBase());
    c->SetBounds(l, t, w, h);
    return c;
  }
  // One frame of input routing and ticking.
  void Frame() {
    scene.ProcessInput();
    scene.Tick();
  }
};

}  // namespace kuzo::testing
