// The system variables' view of the scene: clicks, held buttons, keys by code with the two wheel
// entries, cursor moves and the focused component by name.
#include "scene/scene_variables.h"

#include <gtest/gtest.h>

#include "scene_test_util.h"

namespace kuzo {
namespace {

TEST(SceneVariables, MouseAndWheelOfTheFrame) {
  testing::SceneFixture f;
  SceneVariables<SystemVariableHost> v(&f.scene);
  v.SetMouseX(30);
  v.SetMouseY(40);
  EXPECT_EQ(v.MouseX(), 30);
  EXPECT_EQ(v.MouseY(), 40);
  f.scene.MouseDown(MouseButton::kLeft);
  f.scene.Wheel(false);
  f.Frame();
  EXPECT_TRUE(v.LeftClick());
  EXPECT_TRUE(v.LeftPush());
  EXPECT_FALSE(v.RightPush());
  EXPECT_TRUE(v.WheelUp());
  EXPECT_TRUE(v.KeyPush(kKeyIndexWheelUp));
  EXPECT_FALSE(v.KeyPush(kKeyIndexWheelDown));
  EXPECT_FALSE(v.KeyPush(300));
  v.SetLeftClick(false);
  EXPECT_FALSE(f.scene.LeftClick());
}

TEST(SceneVariables, KeysAndFocus) {
  testing::SceneFixture f;
  SceneVariables<SystemVariableHost> v(&f.scene);
  auto* a = f.Add("a", 0, 0, 5, 5);
  auto* b = f.Add("b", 0, 0, 5, 5);
  f.Add("plain", 0, 0, 5, 5);
  a->SetIntProp(PR_HANDLEKEY, 1);
  b->SetIntProp(PR_HANDLEKEY, 1);
  f.Frame();
  EXPECT_EQ(v.ActiveCompo(), "b");
  v.SetActiveCompo("a");
  EXPECT_EQ(v.ActiveCompo(), "a");
  v.SetActiveCompo("plain");  // does not take the keyboard
  v.SetActiveCompo("nobody");
  EXPECT_EQ(v.ActiveCompo(), "a");
  f.scene.SetKeyState(13, true);
  f.scene.SetKeyPressed(13);
  f.Frame();
  EXPECT_TRUE(v.KeyPush(13));
  EXPECT_TRUE(v.KeyClick(13));
  EXPECT_TRUE(v.KeyRepeat(13));
  f.Frame();
  EXPECT_FALSE(v.KeyClick(13));
  v.SetSoundOn(false);
  EXPECT_FALSE(f.scene.SoundOn());
}

}  // namespace
}  // namespace kuzo
