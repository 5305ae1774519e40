// Buttons driven by the scene's mouse routing: hover, press, click with its notify event and clicked
// pictures, dragging off, states without pictures, auto-scrap, groups, pausing and the saved record.
#include "components/kuzo_button.h"

#include <gtest/gtest.h>

#include "picture_scene.h"

namespace kuzo {
namespace {

using testing::DrelOf;
using testing::PictureScene;
using testing::TestFrame;

constexpr int32_t kNormalColour = 0x10, kHoverColour = 0x20, kPressedColour = 0x30;

struct ButtonScene : PictureScene {
  ButtonScene() {
    files["n.drl"] = DrelOf({TestFrame{{{kNormalColour, kNormalColour}}, 100, -1, {}}});
    files["h.drl"] = DrelOf({TestFrame{{{kHoverColour, kHoverColour}}, 100, -1, {}}});
    files["p.drl"] = DrelOf({TestFrame{{{kPressedColour, kPressedColour}}, 100, -1, {}}});
    files["c.drl"] = DrelOf({TestFrame{{{0x40, 0x40}}, 10, -1, {}}, TestFrame{{{0x50, 0x50}}, 10, -1, {}}});
  }
  TKuzoButton* Button(const std::string& name, int32_t left, int32_t top, bool pressed = true, bool clicked = true) {
    auto* b = Create<TKuzoButton>(LT_BUTTON, name, "n.drl", left, top);
    b->SetStrProp(PR_HOVERSOURCE, "h.drl");
    if (pressed) b->SetStrProp(PR_PRESSEDSOURCE, "p.drl");
    if (clicked) b->SetStrProp(PR_CLICKEDSOURCE, "c.drl");
    b->SetStrProp(PR_ONNOTIFY, "p.kss:click");
    b->SetStrProp(PR_ONPLAYEND, "p.kss:end");
    return b;
  }
  void MoveTo(int32_t x, int32_t y) {
    scene.UpdateMousePosition(x, y);
    Frame();
  }
  void Press() {
    scene.MouseDown(MouseButton::kLeft);
    Frame();
  }
  void Release() {
    scene.MouseUp(MouseButton::kLeft);
    Frame();
  }
};

TEST(ButtonMouse, HoverPressAndClickPlayTheStatePictures) {
  ButtonScene s;
  TKuzoButton* b = s.Button("ok", 2, 2);
  s.Draw();
  EXPECT_EQ(b->GetState(), TKuzoButton::kNormal);
  EXPECT_EQ(s.At(2, 2), kNormalColour);
  s.MoveTo(3, 2);
  EXPECT_EQ(b->GetState(), TKuzoButton::kHover);
  EXPECT_EQ(s.At(2, 2), kHoverColour);
  s.Press();
  EXPECT_EQ(b->GetState(), TKuzoButton::kPressed);
  EXPECT_EQ(s.At(3, 2), kPressedColour);
  EXPECT_TRUE(s.Events(EV_LBTNDOWN).empty());  // a button takes the press without the event
  s.Release();  // the click: notify, then the clicked pictures (frame 0's 10 ms pass in the same frame)
  EXPECT_EQ(s.Events(EV_NOTIFY), std::vector<std::string>{"p.kss:click"});
  EXPECT_EQ(b->GetState(), TKuzoButton::kClicked);
  EXPECT_EQ(s.At(2, 2), 0x50);
  EXPECT_TRUE(s.Events(EV_PLAYEND).empty());
  s.Frame();  // the clicked pictures end: play end, back to the pending state
  EXPECT_EQ(s.Events(EV_PLAYEND), std::vector<std::string>{"p.kss:end"});
  EXPECT_EQ(b->GetState(), TKuzoButton::kNormal);
  EXPECT_EQ(s.At(2, 2), kNormalColour);
  s.MoveTo(2, 2);
  EXPECT_EQ(b->GetState(), TKuzoButton::kHover);
}

TEST(ButtonMouse, DraggingOffCancelsTheClick) {
  ButtonScene s;
  TKuzoButton* b = s.Button("ok", 2, 2);
  s.MoveTo(2, 2);
  s.Press();
  s.MoveTo(9, 9);
  EXPECT_EQ(b->GetState(), TKuzoButton::kNormal);
  s.MoveTo(3, 2);  // back on it while still held
  EXPECT_EQ(b->GetState(), TKuzoButton::kPressed);
  s.MoveTo(9, 9);
  s.Release();
  EXPECT_TRUE(s.Events(EV_NOTIFY).empty());
  EXPECT_EQ(b->GetState(), TKuzoButton::kNormal);
}

TEST(ButtonMouse, StatesWithoutPicturesAreSkipped) {
  ButtonScene s;
  TKuzoButton* b = s.Button("ok", 2, 2, /*pressed=*/false, /*clicked=*/false);
  s.MoveTo(2, 2);
  s.Press();
  EXPECT_EQ(b->GetState(), TKuzoButton::kHover);  // stays in hover while held
  s.Release();
  EXPECT_EQ(s.Events(EV_NOTIFY).size(), 1u);
  EXPECT_EQ(b->GetState(), TKuzoButton::kNormal);
}

TEST(ButtonMouse, AutoScrapWithoutClickedPicturesEndsTheButton) {
  ButtonScene s;
  TKuzoButton* b = s.Button("ok", 2, 2, true, /*clicked=*/false);
  b->SetBoolProp(PR_AUTOSCRAP, true);
  s.MoveTo(2, 2);
  s.Press();
  ASSERT_NE(s.scene.FindComponent("ok"), nullptr);
  s.Release();
  EXPECT_EQ(s.scene.FindComponent("ok"), nullptr);
}

TEST(ButtonMouse, APausedButtonShowsPressedOnHoverAndTakesNoPress) {
  ButtonScene s;
  TKuzoButton* b = s.Button("ok", 2, 2);
  b->SetBoolProp(PR_PAUSED, true);
  s.MoveTo(2, 2);
  EXPECT_EQ(b->GetState(), TKuzoButton::kPressed);
  s.Press();
  s.Release();
  EXPECT_TRUE(s.Events(EV_NOTIFY).empty());
  b->SetBoolProp(PR_PAUSED, false);
  EXPECT_EQ(b->GetState(), TKuzoButton::kNormal);
}

TEST(ButtonKeys, EnterOrSpaceRepeatingOnTheFocusedButtonClicksIt) {
  ButtonScene s;
  TKuzoButton* b = s.Button("ok", 2, 2);
  b->SetIntProp(PR_HANDLEKEY, 1);
  b->SetStrProp(PR_ONKEYREPEAT, "p.kss:repeat");
  s.Frame();  // the focus goes to the button
  s.scene.SetKeyState(0x41, true);  // another key: only the key-repeat event
  s.scene.SetKeyPressed(0x41);
  s.Frame();
  s.scene.SetKeyState(0x41, false);
  EXPECT_TRUE(s.Events(EV_NOTIFY).empty());
  EXPECT_EQ(s.Events(EV_KEYREPEAT).size(), 1u);
  s.scene.Events().Clear();
  s.Frame();
  s.scene.SetKeyState(13, true);
  s.scene.SetKeyPressed(13);
  s.Frame();
  EXPECT_EQ(s.Events(EV_NOTIFY), std::vector<std::string>{"p.kss:click"});
  EXPECT_EQ(s.Events(EV_KEYREPEAT).size(), 1u);  // then the key-repeat event as usual
  EXPECT_EQ(b->GetState(), TKuzoButton::kClicked);
}

TEST(ButtonGroup, OneSelectedMemberAndAllowAllUp) {
  ButtonScene s;
  TKuzoButton* b1 = s.Button("b1", 0, 0);
  TKuzoButton* b2 = s.Button("b2", 4, 0);
  TKuzoButton* b3 = s.Button("b3", 8, 0);
  b1->SetBoolProp(PR_SELECTED, true);
  EXPECT_FALSE(b1->Selected());  // refused without a group
  for (TKuzoButton* b : {b1, b2, b3}) b->SetIntProp(PR_GROUPINDEX, 1);
  EXPECT_TRUE(b1->Selected());  // the rule picks the first member
  EXPECT_EQ(b1->GetState(), TKuzoButton::kPressed);
  b2->SetBoolProp(PR_SELECTED, true);
  EXPECT_FALSE(b1->Selected());
  EXPECT_EQ(b1->GetState(), TKuzoButton::kNormal);
  EXPECT_TRUE(b2->Selected());
  b2->Click();  // pressed again while selected: stays selected
  EXPECT_TRUE(b2->Selected());
  b2->SetBoolProp(PR_SELECTED, false);  // nobody selected is not allowed: the first member takes it
  EXPECT_TRUE(b1->Selected());
  EXPECT_FALSE(b2->Selected());
  b3->SetBoolProp(PR_ALLOWALLUP, true);
  EXPECT_TRUE(b1->GetBoolProp(PR_ALLOWALLUP));  // copied to the whole group
  b1->Click();
  EXPECT_FALSE(b1->Selected());
  EXPECT_FALSE(b2->Selected());
  EXPECT_FALSE(b3->Selected());
  EXPECT_EQ(s.Events(EV_NOTIFY).size(), 2u);
}

TEST(ButtonGroup, ClickingAGroupMemberWithTheMouseSelectsIt) {
  ButtonScene s;
  TKuzoButton* b1 = s.Button("b1", 0, 0);
  TKuzoButton* b2 = s.Button("b2", 4, 0);
  b1->SetIntProp(PR_GROUPINDEX, 2);
  b2->SetIntProp(PR_GROUPINDEX, 2);
  s.MoveTo(4, 0);
  s.Press();
  s.Release();
  EXPECT_TRUE(b2->Selected());
  EXPECT_FALSE(b1->Selected());
  EXPECT_EQ(b2->GetState(), TKuzoButton::kPressed);  // a selected member stays pressed
  s.MoveTo(9, 9);
  EXPECT_EQ(b2->GetState(), TKuzoButton::kPressed);
}

TEST(ButtonRecord, RoundTripKeepsSourcesGroupAndSelection) {
  ButtonScene s;
  TKuzoButton* b1 = s.Button("b1", 0, 0);
  TKuzoButton* b2 = s.Button("b2", 4, 0);
  b1->SetIntProp(PR_GROUPINDEX, 3);
  b2->SetIntProp(PR_GROUPINDEX, 3);
  b2->SetBoolProp(PR_SELECTED, true);
  b2->SetStrProp(PR_ONIDLE, "p.kss:idle");
  ByteWriter w;
  s.scene.SaveToStream(w);

  ButtonScene t;
  ByteReader r(w.Str(), "save.dat");
  t.scene.LoadFromStream(r, kSaveVersionCurrent);
  auto* c1 = dynamic_cast<TKuzoButton*>(t.scene.FindComponent("b1"));
  auto* c2 = dynamic_cast<TKuzoButton*>(t.scene.FindComponent("b2"));
  ASSERT_NE(c1, nullptr);
  ASSERT_NE(c2, nullptr);
  EXPECT_EQ(c2->StateSource(TKuzoButton::kHover), "h.drl");
  EXPECT_EQ(c2->StateSource(TKuzoButton::kPressed), "p.drl");
  EXPECT_EQ(c2->StateSource(TKuzoButton::kClicked), "c.drl");
  EXPECT_EQ(c2->GetStrProp(PR_ONNOTIFY), "p.kss:click");
  EXPECT_EQ(c2->GetStrProp(PR_ONIDLE), "p.kss:idle");
  EXPECT_EQ(c2->GroupIndex(), 3);
  EXPECT_TRUE(c2->Selected());
  EXPECT_FALSE(c1->Selected());
  EXPECT_EQ(c2->GetState(), TKuzoButton::kPressed);
  t.Draw();
  EXPECT_EQ(t.At(4, 0), kPressedColour);
  EXPECT_EQ(t.At(0, 0), kNormalColour);
}

// A game loaded while the pointer rests on a button, or holds a press on it: the restored button
// shows its hover or pressed pictures again, and the press still clicks on its release.
TEST(ButtonRecord, ALoadUnderThePointerKeepsTheHoverAndTheHeldPress) {
  ButtonScene s;
  s.Button("ok", 2, 2);
  s.MoveTo(3, 2);
  auto reload = [&s] {
    ByteWriter w;
    s.scene.SaveToStream(w);
    ByteReader r(w.Str(), "save.dat");
    s.scene.LoadFromStream(r, kSaveVersionCurrent);
    return dynamic_cast<TKuzoButton*>(s.scene.FindComponent("ok"));
  };
  TKuzoButton* b = reload();
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->GetState(), TKuzoButton::kHover);
  s.Press();
  b = reload();
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->GetState(), TKuzoButton::kPressed);
  s.Draw();
  EXPECT_EQ(s.At(2, 2), kPressedColour);
  s.Release();
  EXPECT_EQ(s.Events(EV_NOTIFY), std::vector<std::string>{"p.kss:click"});
  EXPECT_EQ(b->GetState(), TKuzoButton::kClicked);
  // Loaded while the pointer is elsewhere, it rests in its normal state.
  s.MoveTo(20, 20);
  s.Frame();
  b = reload();
  EXPECT_EQ(b->GetState(), TKuzoButton::kNormal);
}

}  // namespace
}  // namespace kuzo
