// The scene playing catalogue transitions through its seam: the outgoing picture is the screen as
// it was at the switch, each tick advances the time, each drawn frame is the transition's frame,
// and the transition ends exactly when its duration has passed.
#include "transitions/wipe_scene_player.h"

#include <gtest/gtest.h>

#include "tests/scene/scene_test_util.h"
#include "transitions/wipe_catalogue.h"

namespace kuzo {
namespace {

using testing::SceneFixture;

// Blue value of the scene surface's pixel (x, y).
int BlueAt(TKuzoBaseList& scene, int x, int y) { return static_cast<int>(scene.SceneSurface()->GetPixel(x, y) & 0xFF); }

struct PlayerFixture : SceneFixture {
  RuntimeRandom random;
  WipeScenePlayer player{WipeServices{{}, &random, std::nullopt}};
  PlayerFixture() {
    scene.SetTransition(&player);
    scene.GetBaseAt(0)->SetIntProp(PR_COLOR, 0x0A0A0A);  // grey 10
    scene.GetBaseAt(1)->SetIntProp(PR_COLOR, 0xC8C8C8);  // grey 200
    scene.Draw();
    scene.ClearDirty();
  }
};

TEST(WipeScenePlayerTest, FadePlaysOverTicksOnTheVirtualClock) {
  PlayerFixture f;  // 16 ms per tick
  ASSERT_EQ(BlueAt(f.scene, 5, 5), 10);
  f.scene.SetActiveBase(1, TransitionRequest{static_cast<int32_t>(WipeKind::kFade), false, 64});
  ASSERT_TRUE(f.scene.TransitionRunning());
  f.scene.Draw();  // elapsed 0: the outgoing picture
  EXPECT_EQ(BlueAt(f.scene, 5, 5), 10);
  f.Frame();
  f.scene.Draw();  // 16 ms: alpha 64, (10 * 191 + 200 * 64) >> 8 = 57
  EXPECT_EQ(BlueAt(f.scene, 5, 5), 57);
  f.Frame();
  f.scene.Draw();  // 32 ms: alpha 128, (10 * 127 + 200 * 128) >> 8 = 104
  EXPECT_EQ(BlueAt(f.scene, 5, 5), 104);
  f.Frame();
  EXPECT_TRUE(f.scene.TransitionRunning());
  f.Frame();  // 64 ms: the duration has passed
  EXPECT_FALSE(f.scene.TransitionRunning());
  EXPECT_FALSE(f.player.Running());
  f.scene.Draw();
  EXPECT_EQ(BlueAt(f.scene, 5, 5), 200);
}

TEST(WipeScenePlayerTest, UnknownKindsAndZeroDurationsSwitchAtOnce) {
  PlayerFixture f;
  f.scene.SetActiveBase(1, TransitionRequest{39, false, 500});
  EXPECT_FALSE(f.scene.TransitionRunning());
  f.scene.SetActiveBase(0, TransitionRequest{1, false, 0});
  EXPECT_FALSE(f.scene.TransitionRunning());
  EXPECT_EQ(f.scene.ActiveIndex(), 0);
}

TEST(WipeScenePlayerTest, FlagReversesAndEndStopsAtOnce) {
  PlayerFixture f;
  // Scroll reversed: the incoming picture enters from the left.
  f.scene.SetActiveBase(1, TransitionRequest{static_cast<int32_t>(WipeKind::kScrollH), true, 320});
  f.Frame();
  f.scene.Draw();  // 16 ms: o = 320 * 16 / 320 = 16 pixels of the incoming picture at the left
  EXPECT_EQ(BlueAt(f.scene, 15, 5), 200);
  EXPECT_EQ(BlueAt(f.scene, 16, 5), 10);
  ASSERT_NE(f.player.Current(), nullptr);
  f.scene.EndTransition();
  EXPECT_FALSE(f.player.Running());
  EXPECT_EQ(f.player.Current(), nullptr);
}

TEST(WipeScenePlayerTest, TheRequestsParametersReplaceTheDefaults) {
  PlayerFixture f;
  // Fade sliding in from the right: offset round(100 * (64 - 16 - 1) / 64) = 73 after 16 ms.
  TransitionRequest request{static_cast<int32_t>(WipeKind::kFade), false, 64};
  request.param0 = 100;
  f.scene.SetActiveBase(1, request);
  f.Frame();
  f.scene.Draw();
  ASSERT_NE(f.player.Current(), nullptr);
  EXPECT_EQ(f.player.Current()->GetParam(0), 100);
  EXPECT_EQ(f.player.Current()->GetParam(1), 0);
  EXPECT_EQ(BlueAt(f.scene, 72, 5), 10);  // left of the incoming picture
  EXPECT_EQ(BlueAt(f.scene, 73, 5), 57);  // (10 * 191 + 200 * 64) >> 8
  f.scene.EndTransition();

  // Blinds keep their own floor: parameter 0 below 2 is stored as 2, parameter 1 below 1 as 1.
  request = TransitionRequest{static_cast<int32_t>(WipeKind::kBlindH), false, 64, -5, 0, std::nullopt};
  f.scene.SetActiveBase(0, request);
  f.Frame();
  f.scene.Draw();
  ASSERT_NE(f.player.Current(), nullptr);
  EXPECT_EQ(f.player.Current()->GetParam(0), 2);
  EXPECT_EQ(f.player.Current()->GetParam(1), 1);
  // The rule name reaches the transition even for kinds that do not use it.
  f.scene.EndTransition();
  request = TransitionRequest{static_cast<int32_t>(WipeKind::kWhite), false, 64, std::nullopt, std::nullopt, "r.bmp"};
  f.scene.SetActiveBase(1, request);
  f.Frame();
  f.scene.Draw();
  ASSERT_NE(f.player.Current(), nullptr);
  EXPECT_EQ(f.player.Current()->RuleName, "r.bmp");
}

TEST(WipeScenePlayerTest, TheZoomAimsAtTheScreensCentreByDefault) {
  PlayerFixture f;  // 320 x 240
  f.scene.SetActiveBase(1, TransitionRequest{static_cast<int32_t>(WipeKind::kZoomin), false, 64});
  f.Frame();
  f.scene.Draw();
  ASSERT_NE(f.player.Current(), nullptr);
  EXPECT_EQ(f.player.Current()->GetParam(0), 160);
  EXPECT_EQ(f.player.Current()->GetParam(1), 120);
}

}  // namespace
}  // namespace kuzo
