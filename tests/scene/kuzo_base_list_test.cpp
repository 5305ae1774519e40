// The scene: lookups, generated names, deletion and destruction, ticks, events of freed senders,
// active base switches and the focus.
#include "scene/kuzo_base_list.h"

#include <gtest/gtest.h>

#include "scene_test_util.h"

namespace kuzo {
namespace {

using testing::SceneFixture;
using testing::TestControl;
using testing::TestSound;

TEST(SceneLookup, BaseNamesAndRegisteredNames) {
  SceneFixture f;
  auto* c = f.Add("c", 0, 0, 1, 1);
  EXPECT_EQ(f.scene.FindComponent(""), f.scene.ActiveBase());
  EXPECT_EQ(f.scene.FindComponent("\x01" "BASE0"), f.scene.ActiveBase());
  EXPECT_EQ(f.scene.FindComponent("\x01"), f.scene.InactiveBase());
  EXPECT_EQ(f.scene.FindComponent("\x01" "BASE1"), f.scene.InactiveBase());
  EXPECT_EQ(f.scene.FindComponent("c"), c);
  EXPECT_EQ(f.scene.FindComponent("C"), nullptr);  // names are case-sensitive
  f.scene.SetActiveBase(1);
  EXPECT_EQ(f.scene.FindComponent("\x01" "BASE0"), f.scene.GetBaseAt(1));
  EXPECT_EQ(f.scene.FindParent("\x01" "BASE0"), f.scene.GetBaseAt(0));
  EXPECT_EQ(f.scene.FindParent(""), f.scene.GetBaseAt(1));
  auto* snd = f.scene.CreateObject<TestSound>();
  snd->SetName("snd");
  EXPECT_EQ(f.scene.FindComponent("snd"), snd);
  EXPECT_EQ(f.scene.FindParent("snd"), nullptr);  // only controls can be parents
}

TEST(SceneLookup, GeneratedNamesTakeTheSmallestFreeNumber) {
  SceneFixture f;
  auto* a = f.scene.CreateObject<TestControl>();
  auto* b = f.scene.CreateObject<TestControl>();
  EXPECT_EQ(a->GetName(), "object0");
  EXPECT_EQ(b->GetName(), "object1");
  a->SetName("renamed");
  EXPECT_EQ(f.scene.CreateObject<TestControl>()->GetName(), "object0");
  EXPECT_EQ(f.scene.MakeUniqueName("object"), "object2");
}

TEST(SceneLifecycle, DeletedObjectVanishesAtOnceAndIsFreedAtTickEnd) {
  SceneFixture f;
  auto* parent = f.Add("p", 0, 0, 50, 50);
  auto* child = f.Add("kid", 0, 0, 5, 5, parent);
  const ComponentHandle ph = parent->Handle(), ch = child->Handle();
  f.scene.QueueEvent(parent, "page.ksb:label", nullptr, EV_LBTNDOWN);
  parent->Delete();
  EXPECT_EQ(f.scene.FindComponent("p"), nullptr);
  EXPECT_TRUE(parent->IsDeleted());
  EXPECT_TRUE(f.scene.IsAlive(ph));
  f.scene.Tick();
  EXPECT_FALSE(f.scene.IsAlive(ph));
  EXPECT_FALSE(f.scene.IsAlive(ch));  // children go with their parent
  EXPECT_EQ(f.scene.Events().Count(), 0);
  EXPECT_TRUE(f.scene.ActiveBase()->Children().empty());
  EXPECT_EQ(f.scene.GetObjectCount(), 0);
}

TEST(SceneLifecycle, RunningEventsSurviveTheirSender) {
  SceneFixture f;
  auto* c = f.Add("c", 0, 0, 5, 5);
  f.scene.QueueEvent(c, "a.ksb:x", nullptr, EV_MOUSEMOVE);
  f.scene.Events().At(0).level = 1;
  f.scene.QueueEvent(c, "a.ksb:y", nullptr, EV_MOUSEMOVE);
  f.scene.DestroyObject(c);
  ASSERT_EQ(f.scene.Events().Count(), 1);
  EXPECT_EQ(f.scene.Events().At(0).label, "a.ksb:x");
  EXPECT_EQ(f.scene.Resolve(f.scene.Events().At(0).sender), nullptr);
}

TEST(SceneLifecycle, ReusedSlotsDoNotReviveOldHandles) {
  SceneFixture f;
  auto* a = f.Add("a", 0, 0, 5, 5);
  const ComponentHandle old = a->Handle();
  f.scene.DestroyObject(a);
  auto* b = f.Add("b", 0, 0, 5, 5);
  EXPECT_EQ(b->Handle().slot, old.slot);
  EXPECT_FALSE(f.scene.IsAlive(old));
  EXPECT_EQ(f.scene.Resolve(old), nullptr);
  EXPECT_EQ(f.scene.Resolve(b->Handle()), b);
}

TEST(SceneTick, DestroysOnRequestAndTicksObjectsCreatedDuringTheWalk) {
  SceneFixture f;
  auto* a = f.Add("a", 0, 0, 5, 5);
  auto* doomed = f.Add("doomed", 0, 0, 5, 5);
  auto* c = f.Add("c", 0, 0, 5, 5);
  doomed->destroyOnTick = true;
  f.scene.Tick();
  EXPECT_EQ(a->ticks, 1);
  EXPECT_EQ(c->ticks, 1);  // the object after the destroyed one is not skipped
  EXPECT_EQ(f.scene.FindComponent("doomed"), nullptr);
  EXPECT_EQ(f.scene.GetObjectCount(), 2);
  c->SetBoolProp(PR_PAUSED, true);  // test controls have no pause: still ticked
  f.scene.Tick();
  EXPECT_EQ(c->ticks, 2);
}

TEST(SceneTick, CabinetsSuspendTheirChildren) {
  SceneFixture f;
  TKuzoObject* cab = f.scene.CreateByKind(LT_CABINET | 0x80);  // the kind byte is masked
  ASSERT_NE(cab, nullptr);
  auto* cabinet = static_cast<TKuzoControl*>(cab);
  cabinet->SetParent(f.scene.GetBaseAt(0));
  auto* c = f.Add("c", 0, 0, 5, 5, cabinet);
  c->SetStrProp(PR_ONMOUSEMOVE, "x");
  EXPECT_TRUE(c->IsInCabinet());
  EXPECT_FALSE(c->GetBoolProp(PR_VISIBLE));
  f.scene.Tick();
  EXPECT_EQ(c->ticks, 0);
  EXPECT_EQ(f.scene.CreateByKind(0), nullptr);
  EXPECT_EQ(f.scene.CreateByKind(10), nullptr);
  EXPECT_EQ(f.scene.CreateByKind(99), nullptr);
}

TEST(SceneBases, SwitchWithoutTransitionRepaintsAndMovesTheFocus) {
  SceneFixture f;
  auto* a = f.Add("a", 0, 0, 10, 10);
  a->SetIntProp(PR_HANDLEKEY, 1);
  a->SetStrProp(PR_ONFOCUSOUT, "x.ksb:out");
  f.scene.ProcessInput();
  ASSERT_EQ(f.scene.GetFocus(), a);
  auto* b = f.Add("b", 0, 0, 10, 10, f.scene.InactiveBase());
  b->SetIntProp(PR_HANDLEKEY, 1);
  f.scene.ClearDirty();
  f.scene.SetActiveBase(1);
  EXPECT_EQ(f.scene.GetFocus(), nullptr);
  EXPECT_EQ(f.scene.Events().Count(), 0);  // cleared without a focus-out event
  EXPECT_FALSE(f.scene.GetBaseAt(1)->DirtyList().Empty());
  f.scene.ProcessInput();
  EXPECT_EQ(f.scene.GetFocus(), b);
}

TEST(SceneBases, ListComponentNames) {
  SceneFixture f;
  auto* p = f.Add("p", 0, 0, 10, 10);
  f.Add("c1", 0, 0, 1, 1, p);
  f.Add("c2", 0, 0, 1, 1, p);
  f.scene.CreateObject<TestSound>()->SetName("s");
  std::vector<std::string> names;
  EXPECT_EQ(f.scene.ListComponentNames(names, 0, p), 2);
  EXPECT_EQ(names, (std::vector<std::string>{"c1", "c2"}));
  names.clear();
  EXPECT_EQ(f.scene.ListComponentNames(names, LT_SOUND, &f.scene), 1);
  EXPECT_EQ(f.scene.ListComponentNames(names, 0, nullptr), 0);
}

TEST(SceneReset, EmptiesEverythingAndKeepsTheSize) {
  SceneFixture f;
  f.Add("a", 0, 0, 10, 10);
  f.scene.QueueEvent(nullptr, "x", nullptr, EV_IDLE);
  f.scene.UpdateMousePosition(12, 34);
  f.scene.Reset();
  EXPECT_EQ(f.scene.GetObjectCount(), 0);
  EXPECT_EQ(f.scene.Events().Count(), 0);
  EXPECT_EQ(f.scene.Width(), 320);
  EXPECT_EQ(f.scene.ActiveBase()->Width(), 320);
  EXPECT_EQ(f.scene.MouseX(), 12);
  EXPECT_EQ(f.scene.FindComponent("a"), nullptr);
}

}  // namespace
}  // namespace kuzo
