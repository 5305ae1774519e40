// Mouse and keyboard dispatch: clicks on the background and on controls, hover-only controls,
// capture while dragging, independent buttons, wheel events, key repeat timing and key events.
#include <gtest/gtest.h>

#include "scene/kuzo_base_list.h"
#include "scene_test_util.h"

namespace kuzo {
namespace {

using testing::SceneFixture;

std::vector<std::pair<std::string, uint8_t>> Drain(TKuzoBaseList& scene) {
  std::vector<std::pair<std::string, uint8_t>> out;
  for (int i = 0; i < scene.Events().Count(); ++i) out.emplace_back(scene.Events().At(i).label, scene.Events().At(i).code);
  scene.Events().Clear();
  return out;
}

TEST(MouseDispatch, ClickOnBackgroundStaysVisibleToScripts) {
  SceneFixture f;
  f.Add("c", 100, 100, 10, 10);
  f.scene.UpdateMousePosition(5, 5);
  f.scene.MouseDown(MouseButton::kLeft);
  f.Frame();
  EXPECT_TRUE(f.scene.LeftClick());
  EXPECT_TRUE(f.scene.LeftHeldFree());
  f.scene.MouseUp(MouseButton::kLeft);
  f.Frame();
  EXPECT_FALSE(f.scene.LeftClick());
  EXPECT_FALSE(f.scene.LeftHeldFree());
}

TEST(MouseDispatch, ClickOnControlClearsLeftClickEvenWithoutLabel) {
  SceneFixture f;
  auto* c = f.Add("c", 0, 0, 10, 10);
  f.scene.UpdateMousePosition(5, 5);
  f.scene.MouseDown(MouseButton::kLeft);
  f.Frame();
  EXPECT_FALSE(f.scene.LeftClick());
  c->SetStrProp(PR_ONLBTNDOWN, "p.ksb:down");
  f.scene.MouseUp(MouseButton::kLeft);
  f.Frame();
  f.scene.MouseDown(MouseButton::kLeft);
  f.Frame();
  auto events = Drain(f.scene);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0], std::make_pair(std::string("p.ksb:down"), uint8_t{EV_LBTNDOWN}));
  EXPECT_FALSE(f.scene.LeftHeldFree());  // captured by the control
}

TEST(MouseDispatch, LeftDownArgumentsAreClientCoordinates) {
  SceneFixture f;
  auto* c = f.Add("c", 20, 30, 50, 50);
  c->SetStrProp(PR_ONLBTNDOWN, "p:down");
  f.scene.UpdateMousePosition(27, 41);
  f.scene.MouseDown(MouseButton::kLeft);
  f.Frame();
  ASSERT_EQ(f.scene.Events().Count(), 1);
  EXPECT_EQ(f.scene.Events().At(0).args, (std::vector<std::string>{"7", "11"}));
  EXPECT_EQ(f.scene.Resolve(f.scene.Events().At(0).sender), c);
}

TEST(MouseDispatch, HoverOnlyControlLetsClicksThrough) {
  SceneFixture f;
  auto* below = f.Add("below", 0, 0, 100, 100);
  auto* above = f.Add("above", 0, 0, 50, 50);
  above->SetPriority(1);
  above->SetIntProp(PR_IGNOREMOUSE, 2);
  above->SetStrProp(PR_ONMOUSEIN, "p:in");
  above->SetStrProp(PR_ONMOUSEOUT, "p:out");
  below->SetStrProp(PR_ONLBTNDOWN, "p:belowdown");
  f.scene.UpdateMousePosition(10, 10);
  f.Frame();
  EXPECT_EQ(Drain(f.scene), (std::vector<std::pair<std::string, uint8_t>>{{"p:in", EV_MOUSEIN}}));
  f.scene.MouseDown(MouseButton::kLeft);
  f.Frame();
  auto events = Drain(f.scene);
  // The press goes to the control beneath; the hover-only control loses the mouse for that frame.
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].first, "p:belowdown");
  EXPECT_EQ(events[1].first, "p:out");
}

TEST(MouseDispatch, CapturedControlGetsMovesAndReleaseOutsideIt) {
  SceneFixture f;
  auto* c = f.Add("c", 0, 0, 20, 20);
  c->SetStrProp(PR_ONLBTNDOWN, "p:down");
  c->SetStrProp(PR_ONLBTNUP, "p:up");
  c->SetStrProp(PR_ONMOUSEMOVE, "p:move");
  f.scene.UpdateMousePosition(5, 5);
  f.scene.MouseDown(MouseButton::kLeft);
  f.Frame();
  Drain(f.scene);
  f.scene.UpdateMousePosition(200, 200);  // dragged far off the control
  f.Frame();
  EXPECT_EQ(Drain(f.scene), (std::vector<std::pair<std::string, uint8_t>>{{"p:move", EV_MOUSEMOVE}}));
  f.scene.MouseUp(MouseButton::kLeft);
  f.Frame();
  auto events = Drain(f.scene);
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events[0], std::make_pair(std::string("p:up"), uint8_t{EV_LBTNUP}));
}

TEST(MouseDispatch, ReleasingOneButtonKeepsTheOtherHeld) {
  SceneFixture f;
  f.scene.UpdateMousePosition(5, 5);
  f.scene.MouseDown(MouseButton::kLeft);
  f.scene.MouseDown(MouseButton::kRight);
  f.Frame();
  EXPECT_TRUE(f.scene.LeftClick());
  EXPECT_TRUE(f.scene.RightClick());
  f.scene.MouseUp(MouseButton::kRight);
  f.Frame();
  EXPECT_TRUE(f.scene.LeftHeldFree());
  EXPECT_FALSE(f.scene.RightHeldFree());
}

TEST(MouseDispatch, WheelEventsAreNotDuplicated) {
  SceneFixture f;
  auto* c = f.Add("c", 0, 0, 20, 20);
  c->SetStrProp(PR_ONWHEELDOWN, "p:wd");
  f.scene.UpdateMousePosition(5, 5);
  f.scene.Wheel(true);
  f.Frame();
  EXPECT_TRUE(f.scene.WheelDown());
  f.scene.Wheel(true);
  f.Frame();
  EXPECT_EQ(f.scene.Events().Count(), 1);  // one waiting wheel event per control
  f.Frame();
  EXPECT_FALSE(f.scene.WheelDown());
}

TEST(MouseDispatch, MouseOutOfADeletedHoverIsNotSent) {
  SceneFixture f;
  auto* c = f.Add("c", 0, 0, 20, 20);
  c->SetStrProp(PR_ONMOUSEOUT, "p:out");
  f.scene.UpdateMousePosition(5, 5);
  f.Frame();
  c->Delete();
  f.scene.Tick();  // freed; a new control may take its memory
  f.Add("n", 100, 100, 5, 5);
  f.scene.UpdateMousePosition(6, 6);
  f.Frame();
  EXPECT_EQ(f.scene.Events().Count(), 0);
}

TEST(KeyDispatch, RepeatTimingAndEventsToTheFocusedControl) {
  SceneFixture f;
  auto* c = f.Add("c", 0, 0, 20, 20);
  c->SetIntProp(PR_HANDLEKEY, 1);
  c->SetStrProp(PR_ONKEYDOWN, "p:kd");
  c->SetStrProp(PR_ONKEYREPEAT, "p:kr");
  c->SetStrProp(PR_ONKEYUP, "p:ku");
  f.host.frameDeltaMs = 100;
  f.Frame();  // focus search
  constexpr int kKey = 0x41;
  f.scene.SetKeyState(kKey, true);
  f.scene.SetKeyPressed(kKey);
  std::vector<int> repeats;
  for (int frame = 0; frame < 8; ++frame) {
    f.Frame();
    if (frame == 0) {
      EXPECT_TRUE(f.scene.WasKeyPressed(kKey));
    }
    if (frame == 1) {
      EXPECT_FALSE(f.scene.WasKeyPressed(kKey));
    }
    if (f.scene.WasKeyRepeated(kKey)) repeats.push_back(frame);
    EXPECT_TRUE(f.scene.IsKeyDown(kKey));
  }
  // First frame, then 300 ms later (frame 3), then every frame since 100 ms > 50 ms.
  EXPECT_EQ(repeats, (std::vector<int>{0, 3, 4, 5, 6, 7}));
  auto events = Drain(f.scene);
  ASSERT_GE(events.size(), 2u);
  EXPECT_EQ(events[0].first, "p:kd");
  EXPECT_EQ(events[1].first, "p:kr");
  f.scene.SetKeyState(kKey, false);
  f.Frame();
  events = Drain(f.scene);
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back().first, "p:ku");
  EXPECT_FALSE(f.scene.WasKeyPressed(-1));
  EXPECT_FALSE(f.scene.IsKeyDown(256));
}

TEST(KeyDispatch, ClickGivesTheFocusToAKeyHandlingControl) {
  SceneFixture f;
  auto* a = f.Add("a", 0, 0, 20, 20);
  auto* b = f.Add("b", 50, 0, 20, 20);
  a->SetIntProp(PR_HANDLEKEY, 1);
  b->SetIntProp(PR_HANDLEKEY, 1);
  b->SetStrProp(PR_ONFOCUSOUT, "p:bout");
  a->SetStrProp(PR_ONFOCUSIN, "p:ain");
  f.Frame();
  ASSERT_EQ(f.scene.GetFocus(), b);
  f.scene.UpdateMousePosition(5, 5);
  f.scene.MouseDown(MouseButton::kLeft);
  f.Frame();
  EXPECT_EQ(f.scene.GetFocus(), a);
  auto events = Drain(f.scene);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].first, "p:bout");
  EXPECT_EQ(events[1].first, "p:ain");
}

}  // namespace
}  // namespace kuzo
