// Motions attached to controls: frame stepping in 1/60 s frames, the start countdown, completion
// reported once, auto-scrap destroying the control without its play-end event, repeats with a loop
// start, and relative films following a control that was moved.
#include "scene/kuzo_motion.h"

#include <gtest/gtest.h>

#include "scene_test_util.h"

namespace kuzo {
namespace {

using testing::SceneFixture;

class FakeFilm : public KeyframeFilm {
 public:
  FakeFilm(int32_t frames, int32_t loopStart, bool relative) : frames_(frames), loop_(loopStart), relative_(relative) {}
  int32_t FrameCount() const override { return frames_; }
  int32_t LoopStart() const override { return loop_; }
  bool IsRelative() const override { return relative_; }
  void SetStartPoint(int32_t x, int32_t y) override { start = ScenePoint{x, y}; }
  void SetBasePriority(int32_t p) override { basePriority = p; }
  int32_t CurrentFrame() const override { return current; }
  void ApplyFrame(int32_t index) override {
    current = index;
    applied.push_back(index);
  }
  ScenePoint start{-1, -1};
  int32_t basePriority = -1;
  int32_t current = -1;
  std::vector<int32_t> applied;

 private:
  int32_t frames_, loop_;
  bool relative_;
};

// A control whose repeat and auto-scrap switches are plain fields.
class MovingControl : public testing::TestControl {
 public:
  bool repeat = false, autoScrap = false;
  bool GetBoolProp(PropId id) const override {
    if (id == PR_REPEAT) return repeat;
    if (id == PR_AUTOSCRAP) return autoScrap;
    return TestControl::GetBoolProp(id);
  }
  std::string GetStrProp(PropId id) const override {
    return id == PR_ONPLAYEND ? std::string("p:end") : TestControl::GetStrProp(id);
  }
};

struct MotionFixture : SceneFixture {
  MovingControl* control = nullptr;
  FakeFilm* film = nullptr;
  void Attach(int32_t frames, int32_t loopStart, bool relative) {
    control = scene.CreateObject<MovingControl>();
    control->SetName("m");
    control->SetParent(scene.ActiveBase());
    control->SetBounds(10, 20, 5, 5);
    control->SetPriority(7);
    auto f = std::make_unique<FakeFilm>(frames, loopStart, relative);
    film = f.get();
    control->AttachMotion(std::make_unique<TKuzoMotion>(std::move(f)));
  }
};

TEST(Motion, CountdownThenSixtyFramesPerSecond) {
  MotionFixture f;
  f.host.frameDeltaMs = 50;
  f.Attach(10, 0, true);
  f.scene.Tick();  // countdown 2: frame 0 applied, start point and base priority taken
  EXPECT_EQ(f.film->start, (ScenePoint{10, 20}));
  EXPECT_EQ(f.film->basePriority, 7);
  f.scene.Tick();  // countdown 1: time does not run yet
  EXPECT_EQ(f.control->GetMotion()->Elapsed(), 0);
  f.scene.Tick();  // 50 ms: frame round(3.0) = 3
  f.scene.Tick();  // 100 ms: frame 6
  EXPECT_EQ(f.film->applied, (std::vector<int32_t>{0, 3, 6}));
  EXPECT_TRUE(f.control->GetBoolProp(PR_PLAYING));
}

TEST(Motion, CompletionOnceAndPlayEndEvent) {
  MotionFixture f;
  f.host.frameDeltaMs = 100;
  f.Attach(4, 0, false);
  EXPECT_EQ(f.film->start, (ScenePoint{-1, -1}));
  for (int i = 0; i < 6; ++i) f.scene.Tick();
  ASSERT_EQ(f.scene.Events().Count(), 1);
  EXPECT_EQ(f.scene.Events().At(0).code, EV_PLAYEND);
  EXPECT_EQ(f.film->current, 3);  // rests on the last frame
  EXPECT_TRUE(f.control->GetMotion()->Finished());
  EXPECT_FALSE(f.control->GetBoolProp(PR_PLAYING));
  EXPECT_EQ(f.film->start, (ScenePoint{0, 0}));  // absolute film
}

TEST(Motion, AutoScrapDestroysWithoutPlayEnd) {
  MotionFixture f;
  f.host.frameDeltaMs = 100;
  f.Attach(4, 0, false);
  f.control->autoScrap = true;
  for (int i = 0; i < 6; ++i) f.scene.Tick();
  EXPECT_EQ(f.scene.FindComponent("m"), nullptr);
  EXPECT_EQ(f.scene.Events().Count(), 0);
}

TEST(Motion, RepeatContinuesAtTheLoopStartWithinTheFrames) {
  MotionFixture f;
  f.host.frameDeltaMs = 100;  // six frames a tick
  f.Attach(10, 8, true);
  f.control->repeat = true;
  for (int i = 0; i < 6; ++i) f.scene.Tick();
  // Frames 0, 6, then 12 -> 12 mod 10 + 8 = 10, clamped to 9; time follows the frame.
  for (int32_t frame : f.film->applied) EXPECT_LT(frame, 10);
  EXPECT_EQ(f.film->applied[2], 9);
  EXPECT_EQ(f.scene.Events().Count(), 0);
  EXPECT_FALSE(f.control->GetMotion()->Finished());
}

TEST(Motion, MovingARelativeControlRestartsFromTheNewPlace) {
  MotionFixture f;
  f.host.frameDeltaMs = 100;
  f.Attach(3, 0, true);
  for (int i = 0; i < 5; ++i) f.scene.Tick();
  ASSERT_TRUE(f.control->GetMotion()->Finished());
  ASSERT_EQ(f.scene.Events().Count(), 1);
  const size_t appliedBefore = f.film->applied.size();
  f.control->SetMotionX(55);
  f.control->SetIntProp(PR_LEFT, 40);
  EXPECT_EQ(f.control->GetMotionX(), 0);  // a new left resets the motion position
  f.scene.Tick();
  EXPECT_EQ(f.film->start, (ScenePoint{40, 20}));
  // The finished film was woken up by the move: its last frame is applied from the new start
  // and its completion is reported again.
  EXPECT_EQ(f.film->applied.size(), appliedBefore + 1);
  EXPECT_EQ(f.scene.Events().Count(), 2);
}

TEST(Motion, FreeingTheMotionResetsPositionAndOffset) {
  MotionFixture f;
  f.Attach(3, 0, true);
  f.control->SetMotionX(5);
  f.control->SetPriorityOffset(9);
  f.control->FreeMotion();
  EXPECT_EQ(f.control->GetMotion(), nullptr);
  EXPECT_EQ(f.control->GetMotionX(), 0);
  EXPECT_EQ(f.control->PriorityOffset(), 0);
  EXPECT_EQ(f.control->GetAbsLeft(), 10);
}

}  // namespace
}  // namespace kuzo
