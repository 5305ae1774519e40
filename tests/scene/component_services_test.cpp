// What components reach through the services interface: lookup, the event queue, invalidation,
// the subsystem slots (none until installed), and kinds registered by their class alone.
#include "scene/component_services.h"

#include <gtest/gtest.h>

#include "data/file_manager.h"
#include "scene_test_util.h"

namespace kuzo::testing {
namespace {

// A component kind registered by its class: the kind code is the class's own constant.
class Gauge : public TKuzoControl {
 public:
  static constexpr int32_t kKindCode = LT_GAUGE;
  int32_t KindCode() const override { return kKindCode; }
  // What a component does with its services: find a sibling and raise an event through them.
  bool Poke(const std::string& other) {
    ComponentServices* s = Services();
    if (!s || !s->FindComponent(other)) return false;
    s->QueueEvent(this, "poked", nullptr, EV_NOTIFY);
    return true;
  }
};

TEST(ComponentServices, AnUnregisteredComponentHasNone) {
  Gauge g;
  EXPECT_EQ(g.Services(), nullptr);
  EXPECT_FALSE(g.Poke("anything"));
}

TEST(ComponentServices, LookupAndEventsReachTheScene) {
  SceneFixture f;
  f.scene.RegisterKind<Gauge>();
  auto* g = static_cast<Gauge*>(f.scene.CreateByKind(LT_GAUGE | 0x80));
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->KindCode(), LT_GAUGE);
  g->SetName("g");
  g->SetParent(f.scene.ActiveBase());
  f.Add("other", 0, 0, 10, 10);
  ComponentServices* s = g->Services();
  ASSERT_EQ(s, static_cast<ComponentServices*>(&f.scene));
  EXPECT_EQ(s->FindComponent("other"), f.scene.FindComponent("other"));
  EXPECT_EQ(s->FindComponent("nobody"), nullptr);
  EXPECT_EQ(s->FindParent(""), f.scene.ActiveBase());
  EXPECT_EQ(s->Resolve(g->Handle()), g);
  EXPECT_FALSE(g->Poke("missing"));
  EXPECT_TRUE(g->Poke("other"));
  ASSERT_EQ(f.scene.Events().Count(), 1);
  EXPECT_EQ(s->FindPendingEvent(g, EV_NOTIFY), 0);
  EXPECT_EQ(s->FindPendingEvent(g, EV_IDLE), -1);
  ComponentHandle h = g->Handle();
  f.scene.DestroyObject(g);
  EXPECT_EQ(s->Resolve(h), nullptr);
}

TEST(ComponentServices, InvalidationMarksTheShownBaseOrBoth) {
  SceneFixture f;
  f.scene.ClearDirty();
  f.scene.InvalidateRect(TRect{-5, 10, 20, 30});
  ASSERT_EQ(f.scene.ActiveBase()->DirtyList().Rects().size(), 1u);
  EXPECT_EQ(f.scene.ActiveBase()->DirtyList().Rects()[0], (TRect{0, 10, 20, 30}));  // clamped to the base
  EXPECT_TRUE(f.scene.InactiveBase()->DirtyList().Empty());
  f.scene.InvalidateAll();
  EXPECT_EQ(f.scene.InactiveBase()->DirtyList().Rects()[0], (TRect{0, 0, 320, 240}));
}

TEST(ComponentServices, SlotsAnswerNoneUntilInstalledAndTheClockIsTheHosts) {
  SceneFixture f;
  ComponentServices& s = f.scene;
  EXPECT_EQ(s.Images(), nullptr);
  EXPECT_EQ(s.Files(), nullptr);
  EXPECT_EQ(s.Glyphs(), nullptr);
  EXPECT_EQ(s.Media(), nullptr);
  EXPECT_EQ(s.Clock(), &f.host);
  f.host.gameClockMs = 1234;
  EXPECT_EQ(s.FrameDeltaMs(), 16);
  EXPECT_EQ(s.GameClockMs(), 1234);

  TKuzoBaseList clockless;
  EXPECT_EQ(clockless.Clock(), nullptr);
  EXPECT_EQ(clockless.FrameDeltaMs(), 0);
  EXPECT_EQ(clockless.GameClockMs(), 0);

  TVrFileManager files;
  ServiceSlots slots = s.Slots();
  slots.files = &files;
  s.SetSlots(slots);
  EXPECT_EQ(s.Files(), &files);
  EXPECT_EQ(s.Clock(), &f.host);
  EXPECT_EQ(s.Images(), nullptr);
}

}  // namespace
}  // namespace kuzo::testing
