// The scene's transition seam: a base switch hands its request to the installed transition, which
// runs over the following ticks and composes the drawn frames; without one a switch is instant.
#include "scene/scene_transition.h"

#include <gtest/gtest.h>

#include "scene_test_util.h"

namespace kuzo::testing {
namespace {

class RecordingTransition : public SceneTransition {
 public:
  bool Begin(const TransitionRequest& request, TKuzoBase& from, TKuzoBase& to) override {
    ++begun;
    last = request;
    fromBase = &from;
    toBase = &to;
    left = request.durationMs;
    return request.durationMs > 0;
  }
  bool Advance(int32_t elapsedMs) override {
    advanced.push_back(elapsedMs);
    left -= elapsedMs;
    return left > 0;
  }
  void Draw(TCustomDIBX& target) override { drawnInto.push_back(&target); }
  void End() override { ++ended; }

  int begun = 0, ended = 0;
  TransitionRequest last;
  TKuzoBase* fromBase = nullptr;
  TKuzoBase* toBase = nullptr;
  int32_t left = 0;
  std::vector<int32_t> advanced;
  std::vector<TCustomDIBX*> drawnInto;
};

TEST(SceneTransition, WithoutATransitionInstalledEverySwitchIsInstant) {
  SceneFixture f;
  f.scene.SetActiveBase(1, TransitionRequest{5, true, 300});
  EXPECT_EQ(f.scene.ActiveIndex(), 1);
  EXPECT_FALSE(f.scene.TransitionRunning());
  EXPECT_EQ(f.scene.ActiveBase()->GetDrawSurface(), f.scene.SceneSurface());
}

TEST(SceneTransition, KindZeroAndUnchangedBasesNeverReachTheTransition) {
  SceneFixture f;
  RecordingTransition t;
  f.scene.SetTransition(&t);
  f.scene.SetActiveBase(1, TransitionRequest{0, false, 300});
  f.scene.SetActiveBase(1, TransitionRequest{4, false, 300});  // already shown
  EXPECT_EQ(t.begun, 0);
  EXPECT_FALSE(f.scene.TransitionRunning());
  // A request the transition refuses is instant too.
  f.scene.SetActiveBase(0, TransitionRequest{4, false, 0});
  EXPECT_EQ(t.begun, 1);
  EXPECT_FALSE(f.scene.TransitionRunning());
  EXPECT_EQ(f.scene.ActiveIndex(), 0);
}

TEST(SceneTransition, RunsOverTicksDrawsThroughTheTransitionAndRepaintsAtTheEnd) {
  SceneFixture f;  // 16 ms per tick
  RecordingTransition t;
  f.scene.SetTransition(&t);
  f.scene.Draw();
  f.scene.ClearDirty();

  f.scene.SetActiveBase(1, TransitionRequest{9, true, 40});
  ASSERT_TRUE(f.scene.TransitionRunning());
  EXPECT_EQ(t.last.kind, 9);
  EXPECT_TRUE(t.last.flag);
  EXPECT_EQ(t.fromBase, f.scene.GetBaseAt(0));
  EXPECT_EQ(t.toBase, f.scene.GetBaseAt(1));
  // Both bases draw into their own surfaces; the transition composes the scene surface.
  EXPECT_EQ(f.scene.GetBaseAt(1)->GetDrawSurface(), f.scene.GetBaseAt(1)->OwnSurface());
  f.scene.Draw();
  ASSERT_EQ(t.drawnInto.size(), 1u);
  EXPECT_EQ(t.drawnInto[0], f.scene.SceneSurface());
  f.scene.ClearDirty();

  f.Frame();
  f.Frame();
  EXPECT_TRUE(f.scene.TransitionRunning());
  f.Frame();  // 48 ms >= 40
  EXPECT_FALSE(f.scene.TransitionRunning());
  EXPECT_EQ(t.advanced, (std::vector<int32_t>{16, 16, 16}));
  EXPECT_EQ(t.ended, 1);
  EXPECT_EQ(f.scene.ActiveBase()->GetDrawSurface(), f.scene.SceneSurface());
  ASSERT_FALSE(f.scene.ActiveBase()->DirtyList().Empty());
  EXPECT_EQ(f.scene.ActiveBase()->DirtyList().Rects()[0], (TRect{0, 0, 320, 240}));
  f.scene.Draw();
  EXPECT_EQ(t.drawnInto.size(), 1u);  // no longer composed by the transition
}

TEST(SceneTransition, ASecondSwitchResetAndLostSurfacesEndTheRunningTransition) {
  SceneFixture f;
  RecordingTransition t;
  f.scene.SetTransition(&t);
  f.scene.SetActiveBase(1, TransitionRequest{2, false, 1000});
  f.scene.SetActiveBase(0, TransitionRequest{2, false, 1000});
  EXPECT_EQ(t.ended, 1);
  EXPECT_EQ(t.begun, 2);
  EXPECT_EQ(t.fromBase, f.scene.GetBaseAt(1));
  f.scene.Reset();
  EXPECT_EQ(t.ended, 2);
  EXPECT_FALSE(f.scene.TransitionRunning());
  f.scene.SetActiveBase(1, TransitionRequest{2, false, 1000});
  f.scene.ReleaseSurfaces();
  EXPECT_EQ(t.ended, 3);
  EXPECT_FALSE(f.scene.TransitionRunning());
  f.scene.SetTransition(nullptr);
  f.scene.RestoreSurfaces();
  f.scene.SetActiveBase(0, TransitionRequest{2, false, 1000});
  EXPECT_FALSE(f.scene.TransitionRunning());
}

}  // namespace
}  // namespace kuzo::testing
