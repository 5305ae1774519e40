// Timers: one event at a time, catching up one interval per tick after falling behind, every tick
// for interval 0, never when paused or negative, resetting, auto scrap, and the timer record.
#include "components/kuzo_timer.h"

#include <gtest/gtest.h>

#include "tests/components/media_test_scene.h"

namespace kuzo {
namespace {

using testing::MediaScene;

TKuzoTimer* NewTimer(MediaScene& s, int32_t interval) {
  auto* timer = s.Create<TKuzoTimer>("t");
  timer->SetStrProp(PR_ONNOTIFY, "main.kss:tick");
  timer->SetIntProp(PR_DELAY, interval);
  return timer;
}

TEST(TimerComponent, FiresEveryIntervalOfGameTime) {
  MediaScene s(false);
  auto* timer = NewTimer(s, 100);
  std::vector<int> fired;
  for (int i = 0; i < 20; ++i) {
    s.Step(20);
    if (s.EventsOf(timer, EV_NOTIFY)) {
      fired.push_back(s.host.gameClockMs);
      s.scene.Events().Clear();  // the handler ran
    }
  }
  EXPECT_EQ(fired, (std::vector<int>{100, 200, 300, 400}));
  EXPECT_TRUE(timer->Fired());
}

TEST(TimerComponent, CatchesUpOneIntervalPerTickQueuingOnlyWhenTheLastEventHasGone) {
  MediaScene s(false);
  auto* timer = NewTimer(s, 100);
  s.Step(350);  // 350 ms behind: last time goes 0 -> 100
  EXPECT_EQ(s.EventsOf(timer, EV_NOTIFY), 1);
  s.Step(0);    // 200: the previous event still waits, nothing new is queued
  EXPECT_EQ(s.EventsOf(timer, EV_NOTIFY), 1);
  s.scene.Events().Clear();
  s.Step(0);    // 300: queued again
  EXPECT_EQ(s.EventsOf(timer, EV_NOTIFY), 1);
  s.scene.Events().Clear();
  s.Step(0);    // caught up: 350 - 300 < 100
  EXPECT_EQ(s.EventsOf(timer, EV_NOTIFY), 0);
  s.Step(50);   // 400
  EXPECT_EQ(s.EventsOf(timer, EV_NOTIFY), 1);
}

TEST(TimerComponent, IntervalZeroNegativeAndPaused) {
  MediaScene s(false);
  auto* every = NewTimer(s, 0);
  s.Step(16);
  s.Step(16);
  EXPECT_EQ(s.EventsOf(every, EV_NOTIFY), 1);  // one pending at a time
  s.scene.Events().Clear();
  s.Step(16);
  EXPECT_EQ(s.EventsOf(every, EV_NOTIFY), 1);
  s.scene.Events().Clear();
  every->SetIntProp(PR_DELAY, -1);
  for (int i = 0; i < 5; ++i) s.Step(100);
  EXPECT_EQ(s.EventsOf(every, EV_NOTIFY), 0);
  every->SetIntProp(PR_DELAY, 50);
  every->SetBoolProp(PR_PAUSED, true);
  for (int i = 0; i < 5; ++i) s.Step(100);
  EXPECT_EQ(s.EventsOf(every, EV_NOTIFY), 0);
  // Resuming starts a fresh interval from now rather than firing for the paused time.
  every->SetBoolProp(PR_PAUSED, false);
  s.Step(40);
  EXPECT_EQ(s.EventsOf(every, EV_NOTIFY), 0);
  s.Step(10);
  EXPECT_EQ(s.EventsOf(every, EV_NOTIFY), 1);
}

TEST(TimerComponent, ChangingTheLabelOrIntervalDropsWaitingEvents) {
  MediaScene s(false);
  auto* timer = NewTimer(s, 100);
  s.Step(100);
  ASSERT_EQ(s.EventsOf(timer, EV_NOTIFY), 1);
  timer->SetStrProp(PR_ONNOTIFY, "main.kss:other");
  EXPECT_EQ(s.EventsOf(timer, EV_NOTIFY), 0);
  s.Step(100);
  ASSERT_EQ(s.EventsOf(timer, EV_NOTIFY), 1);
  EXPECT_EQ(s.scene.Events().At(0).label, "main.kss:other");
  // Setting the same value again is no change.
  timer->SetIntProp(PR_DELAY, 100);
  EXPECT_EQ(s.EventsOf(timer, EV_NOTIFY), 1);
}

TEST(TimerComponent, AutoScrapRemovesTheTimerOnceItsEventWasHandled) {
  MediaScene s(false);
  auto* timer = NewTimer(s, 100);
  timer->SetBoolProp(PR_AUTOSCRAP, true);
  s.Step(100);
  EXPECT_EQ(s.EventsOf(timer, EV_NOTIFY), 1);
  s.Step(20);
  EXPECT_NE(s.scene.FindComponent("t"), nullptr);
  s.scene.Events().Clear();
  s.Step(20);
  EXPECT_EQ(s.scene.FindComponent("t"), nullptr);
}

TEST(TimerRecord, RoundTripAndOlderVersion) {
  MediaScene s(false);
  auto* timer = NewTimer(s, 250);
  timer->SetBoolProp(PR_AUTOSCRAP, true);
  s.Step(250);
  ASSERT_TRUE(timer->Fired());
  ByteWriter w;
  timer->SaveToStream(w);
  const std::string bytes = w.Take();
  MediaScene t(false);
  t.host.gameClockMs = 5000;
  auto* loaded = t.Create<TKuzoTimer>("x");
  ByteReader r(bytes, "save");
  loaded->LoadFromStream(r, kSaveVersionCurrent);
  EXPECT_TRUE(r.AtEnd());
  EXPECT_EQ(loaded->GetName(), "t");
  EXPECT_EQ(loaded->GetIntProp(PR_DELAY), 250);
  EXPECT_EQ(loaded->GetStrProp(PR_ONNOTIFY), "main.kss:tick");
  EXPECT_TRUE(loaded->GetBoolProp(PR_AUTOSCRAP));
  EXPECT_TRUE(loaded->Fired());
  // Version 103 stops after the paused byte and its common part has neither the priority offset
  // nor the tag; the interval counts from the load.
  auto* old = t.Create<TKuzoTimer>("y");
  const size_t offsetAt = 4 + 1 + 4;  // name "t", priority
  const std::string older = bytes.substr(0, offsetAt) + bytes.substr(offsetAt + 8, bytes.size() - 2 - offsetAt - 8);
  ByteReader r2(older, "save");
  old->LoadFromStream(r2, 103);
  EXPECT_TRUE(r2.AtEnd());
  EXPECT_FALSE(old->Fired());
  t.Step(249);
  EXPECT_EQ(t.EventsOf(old, EV_NOTIFY), 0);
  t.Step(1);
  EXPECT_EQ(t.EventsOf(old, EV_NOTIFY), 1);
}

}  // namespace
}  // namespace kuzo
