// Controls: placement (anchor, zoom, flips, plus, scroll, zoomed pictures), visibility through the
// parents, the sibling order, naming collisions, cycles, hit tests, invalidation and focus search.
#include "scene/kuzo_control.h"

#include <gtest/gtest.h>

#include "scene_test_util.h"

namespace kuzo {
namespace {

using testing::SceneFixture;
using testing::TestControl;
using testing::TestPicture;

TEST(ControlGeometry, AnchorOffsetZoomAndFlip) {
  SceneFixture f;
  auto* p = f.scene.CreateObject<TestPicture>();
  p->SetParent(f.scene.ActiveBase());
  p->SetBounds(100, 50, 40, 20);
  p->SetIntProp(PR_OFFSETX, 10);
  p->SetIntProp(PR_OFFSETY, 4);
  EXPECT_EQ(p->GetAbsLeft(), 90);
  EXPECT_EQ(p->GetAbsTop(), 46);
  p->zoomX = 512;  // offset scaled: 512 * 10 / 256 = 20
  EXPECT_EQ(p->GetAbsLeft(), 80);
  p->flipH = true;  // width - 20 - 1 = 19
  EXPECT_EQ(p->GetAbsLeft(), 81);
  p->zoomX = 256;  // width - offset - 1 = 29
  EXPECT_EQ(p->GetAbsLeft(), 71);
  p->SetBoolProp(PR_POSZOOMED, true);
  p->zoomY = 128;  // top scaled to 25, offset scaled to 2
  EXPECT_EQ(p->GetAbsTop(), 23);
  p->SetIntProp(PR_PLUSX, 3);
  EXPECT_EQ(p->GetAbsLeft(), 74);
  EXPECT_EQ(p->GetLocalLeft(), 74);
  EXPECT_EQ(p->GetAnchorPosition(), (ScenePoint{103, 25}));
}

TEST(ControlGeometry, ChildrenAreRelativeToTheParentCorner) {
  SceneFixture f;
  auto* parent = f.Add("parent", 30, 40, 100, 100);
  parent->SetIntProp(PR_OFFSETX, 10);
  auto* child = f.Add("child", 5, 6, 10, 10, parent);
  EXPECT_EQ(child->GetAbsLeft(), 25);
  EXPECT_EQ(child->GetAbsTop(), 46);
  EXPECT_EQ(child->GetLocalLeft(), 5);
  EXPECT_EQ(child->GetScreenRect(), (TRect{25, 46, 35, 56}));
  EXPECT_EQ(child->ScreenToClient(ScenePoint{30, 50}), (ScenePoint{5, 4}));
  child->SetIntProp(PR_CLIPLEFT, 2);
  child->SetIntProp(PR_CLIPWIDTH, 3);
  EXPECT_TRUE(child->GetClipScreenRect().IsEmpty());  // clip height still 0: no clipping
  child->SetIntProp(PR_CLIPHEIGHT, 4);
  EXPECT_EQ(child->GetClipScreenRect(), (TRect{27, 46, 30, 50}));
}

TEST(ControlGeometry, ExtremeValuesDoNotOverflow) {
  SceneFixture f;
  auto* c = f.Add("c", INT32_MAX, INT32_MIN, INT32_MAX, 10);
  c->SetIntProp(PR_PLUSX, INT32_MAX);
  c->SetIntProp(PR_OFFSETY, INT32_MAX);
  EXPECT_EQ(c->GetAbsLeft(), INT32_MAX);
  EXPECT_EQ(c->GetAbsTop(), INT32_MIN);
  EXPECT_TRUE(c->GetScreenRect().IsEmpty());
  c->Invalidate();  // must not overflow while clamping to the base
}

TEST(ControlGeometry, PlacementInsideAZoomedPicture) {
  SceneFixture f;
  auto* parent = f.scene.CreateObject<TestPicture>();
  parent->SetParent(f.scene.ActiveBase());
  parent->SetBounds(100, 0, 200, 100);  // shows a 100-pixel picture at 200 %
  parent->pictureW = 100;
  parent->pictureH = 50;
  parent->zoomX = parent->zoomY = 512;
  auto* child = f.scene.CreateObject<TestPicture>();
  child->SetParent(parent);
  child->pictureW = child->pictureH = 10;
  child->zoomX = child->zoomY = 512;
  child->SetBounds(25, 0, 20, 20);
  child->SetBoolProp(PR_POSZOOMED, true);
  // R = round(65536 * 100 / 200) = 32768; e = 25 * 65536 / 32768 = 50.
  EXPECT_EQ(child->GetAbsLeft(), 150);
  // A parent of width 0 would divide by zero: ordinary placement applies instead.
  parent->SetBounds(100, 0, 0, 100);
  EXPECT_EQ(child->GetAbsLeft(), 100 + 512 * 25 / 256);
}

TEST(ControlVisibility, NeedsEveryParentVisible) {
  SceneFixture f;
  auto* orphan = f.scene.CreateObject<TestControl>();
  EXPECT_TRUE(orphan->OwnVisible());
  EXPECT_FALSE(orphan->GetBoolProp(PR_VISIBLE));
  auto* parent = f.Add("p", 0, 0, 50, 50);
  auto* child = f.Add("c", 0, 0, 5, 5, parent);
  EXPECT_TRUE(child->GetBoolProp(PR_VISIBLE));
  parent->SetVisible(false);
  EXPECT_FALSE(child->GetBoolProp(PR_VISIBLE));
  EXPECT_TRUE(child->OwnVisible());
  EXPECT_EQ(f.scene.ActiveBase()->HitTest(ScenePoint{1, 1}, kModesHover), f.scene.ActiveBase());
}

TEST(ControlTree, ParentChangesRefuseCycles) {
  SceneFixture f;
  auto* a = f.Add("a", 0, 0, 50, 50);
  auto* b = f.Add("b", 0, 0, 50, 50, a);
  auto* c = f.Add("c", 0, 0, 50, 50, b);
  a->SetStrProp(PR_PARENT, "c");
  EXPECT_EQ(a->Parent(), f.scene.ActiveBase());
  a->SetStrProp(PR_PARENT, "a");
  EXPECT_EQ(a->Parent(), f.scene.ActiveBase());
  c->SetStrProp(PR_PARENT, "nobody");
  EXPECT_EQ(c->Parent(), b);
  c->SetStrProp(PR_PARENT, "");
  EXPECT_EQ(c->Parent(), f.scene.ActiveBase());
  EXPECT_EQ(c->GetStrProp(PR_PARENT), std::string("\x01" "BASE0"));
  c->SetStrProp(PR_PARENT, std::string("\x01"));
  EXPECT_EQ(c->Parent(), f.scene.InactiveBase());
  // A base ignores parent changes.
  f.scene.ActiveBase()->SetStrProp(PR_PARENT, "a");
  EXPECT_EQ(f.scene.ActiveBase()->Parent(), nullptr);
}

TEST(ControlTree, SiblingOrder) {
  SceneFixture f;
  TKuzoControl* base = f.scene.ActiveBase();
  auto* snapshot = f.Add("x", 0, 0, 1, 1);
  snapshot->SetNameField(std::string("\x01\x01", 2));
  auto* sys = f.Add("y", 0, 0, 1, 1);
  sys->SetNameField("\x01sys");
  auto* high = f.Add("high", 0, 0, 1, 1);
  high->SetPriority(10);
  auto* b = f.Add("b", 0, 0, 1, 1);
  auto* a = f.Add("a", 0, 0, 1, 1);
  sys->SetPriority(100);
  snapshot->SetPriority(-100);
  base->SortChildren();
  std::vector<TKuzoControl*> expected = {sys, a, b, high, snapshot};
  EXPECT_EQ(base->Children(), expected);
  // The offset counts in the sum and is reset by a new priority.
  a->SetPriorityOffset(20);
  EXPECT_EQ(base->Children()[3], a);
  a->SetPriority(1);
  EXPECT_EQ(a->PriorityOffset(), 0);
  EXPECT_EQ(base->Children()[3], high);
}

TEST(ControlNaming, ControlsRenameTheirNamesakes) {
  SceneFixture f;
  auto* first = f.Add("btn", 0, 0, 1, 1);
  auto* second = f.Add("x", 0, 0, 1, 1);
  second->SetName("btn");
  EXPECT_EQ(first->GetName(), "btn_2");
  EXPECT_EQ(second->GetName(), "btn");
  auto* third = f.Add("btn_3", 0, 0, 1, 1);
  auto* fourth = f.Add("y", 0, 0, 1, 1);
  fourth->SetName("btn_3");
  EXPECT_EQ(third->GetName(), "btn_4");
  auto* a1 = f.Add("a_1", 0, 0, 1, 1);
  f.Add("z", 0, 0, 1, 1)->SetName("a_1");
  EXPECT_EQ(a1->GetName(), "a_1_2");
}

TEST(ControlNaming, SuffixScanStepsOverDoubleByteCharacters) {
  SceneFixture f;
  // 0x83 0x5F is one double-byte character whose trail byte is "_"; "5" after it is no suffix.
  const std::string name("\x83\x5F" "5");
  auto* first = f.Add(name, 0, 0, 1, 1);
  f.Add("q", 0, 0, 1, 1)->SetName(name);
  EXPECT_EQ(first->GetName(), name + "_2");
}

TEST(ControlNaming, NonVisualNamesakeIsDeletedAndEmptyNameDeletes) {
  SceneFixture f;
  auto* s1 = f.scene.CreateObject<testing::TestSound>();
  s1->SetName("snd");
  auto* s2 = f.scene.CreateObject<testing::TestSound>();
  s2->SetName("snd");
  EXPECT_TRUE(s1->IsDeleted());
  EXPECT_EQ(f.scene.FindComponent("snd"), s2);
  // An empty name marks deletion: the object must then really go, not linger unfreeable.
  SetPropertyValue(*s2, PR_NAME, std::string());
  EXPECT_TRUE(s2->IsDeleted());
  EXPECT_EQ(f.scene.FindComponent("snd"), nullptr);
  const ComponentHandle h = s2->Handle();
  f.scene.Tick();
  EXPECT_FALSE(f.scene.IsAlive(h));
}

TEST(ControlNaming, EmptyNameTakesAControlOffTheScreenAndFreesIt) {
  SceneFixture f;
  auto* parent = f.Add("parent", 0, 0, 10, 10);
  auto* child = f.Add("child", 1, 1, 2, 2);
  child->SetParent(parent);
  f.scene.ClearDirty();
  const ComponentHandle ph = parent->Handle(), ch = child->Handle();
  parent->SetStrProp(PR_NAME, "");
  // Its area is repainted in this frame, it no longer takes the mouse or answers to its name.
  EXPECT_FALSE(f.scene.ActiveBase()->DirtyList().Empty());
  EXPECT_EQ(f.scene.ActiveBase()->HitTest(ScenePoint{1, 1}, kModesHover), f.scene.ActiveBase());
  EXPECT_EQ(f.scene.FindComponent("parent"), nullptr);
  f.scene.Tick();
  EXPECT_FALSE(f.scene.IsAlive(ph));
  EXPECT_FALSE(f.scene.IsAlive(ch));  // freeing a control frees its children
  EXPECT_EQ(f.scene.GetObjectCount(), 0);
}

TEST(ControlHitTest, MouseModesAndChildrenOrder) {
  SceneFixture f;
  auto* below = f.Add("below", 0, 0, 100, 100);
  auto* above = f.Add("above", 10, 10, 50, 50);
  above->SetPriority(1);
  const ScenePoint p{20, 20};
  EXPECT_EQ(f.scene.ActiveBase()->HitTest(p, kModesLeftPress), above);
  above->SetIntProp(PR_IGNOREMOUSE, 2);  // hover only
  EXPECT_EQ(f.scene.ActiveBase()->HitTest(p, kModesLeftPress), below);
  EXPECT_EQ(f.scene.ActiveBase()->HitTest(p, kModesHover), above);
  above->SetIntProp(PR_IGNOREMOUSE, 1);  // transparent
  EXPECT_EQ(f.scene.ActiveBase()->HitTest(p, kModesHover), below);
  above->SetIntProp(PR_IGNOREMOUSE, 3);
  EXPECT_EQ(f.scene.ActiveBase()->HitTest(p, kModesRightPress), above);
  above->SetIntProp(PR_IGNOREMOUSE, 9);  // above 7: never matches
  EXPECT_EQ(f.scene.ActiveBase()->HitTest(p, 0xFF), below);
}

TEST(ControlInvalidate, DirtyAreaIsClippedToParentAndClip) {
  SceneFixture f;
  auto* parent = f.Add("p", 10, 10, 50, 50);
  auto* child = f.Add("c", 40, 40, 50, 50, parent);
  f.scene.ClearDirty();
  child->Invalidate();
  ASSERT_EQ(f.scene.ActiveBase()->DirtyList().Rects().size(), 1u);
  EXPECT_EQ(f.scene.ActiveBase()->DirtyList().Rects()[0], (TRect{50, 50, 60, 60}));
  f.scene.ClearDirty();
  child->SetIntProp(PR_LEFT, 41);  // old and new area
  EXPECT_EQ(f.scene.ActiveBase()->DirtyList().Rects()[0], (TRect{50, 50, 60, 60}));
  f.scene.ClearDirty();
  parent->SetVisible(false);
  f.scene.ClearDirty();
  child->Invalidate();  // hidden: nothing to repaint
  EXPECT_TRUE(f.scene.ActiveBase()->DirtyList().Empty());
}

TEST(ControlFocus, LastKeyHandlingControlOfTheActiveBase) {
  SceneFixture f;
  auto* a = f.Add("a", 0, 0, 10, 10);
  auto* b = f.Add("b", 0, 0, 10, 10);
  a->SetIntProp(PR_HANDLEKEY, 1);
  f.scene.ProcessInput();
  EXPECT_EQ(f.scene.GetFocus(), a);
  b->SetIntProp(PR_HANDLEKEY, 1);
  EXPECT_EQ(f.scene.GetFocus(), a);  // a focus exists: no search
  a->SetIntProp(PR_HANDLEKEY, 0);
  f.scene.ProcessInput();
  EXPECT_EQ(f.scene.GetFocus(), b);
  b->SetVisible(false);
  EXPECT_EQ(f.scene.GetFocus(), nullptr);
  f.scene.ProcessInput();
  EXPECT_EQ(f.scene.GetFocus(), nullptr);
}

}  // namespace
}  // namespace kuzo
