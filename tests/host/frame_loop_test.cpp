// The idle handler and frame tick: stall rule, step order, DrawDivisor, skip-draw after a load,
// terminate after the interpreter step, focus, frame-wait sleeping, 32-bit wrap-around.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "host/frame_loop.h"

namespace kuzo::host {
namespace {

class RecordingSteps : public FrameSteps {
 public:
  bool project = true, screen = true, frameWait = false, loadNext = false;
  bool terminateInStep = false;
  HostState* state = nullptr;
  uint32_t* clock = nullptr;
  uint32_t stepCostMs = 0;  // the interpreter step advances the clock by this much
  std::vector<std::string> calls;
  std::vector<int32_t> lockDeltas;
  int draws = 0, resets = 0;

  bool HasProject() const override { return project; }
  bool HasScreen() const override { return screen; }
  bool FrameWait() const override { return frameWait; }
  void AdvanceFileLocks(int32_t d) override {
    calls.push_back("locks");
    lockDeltas.push_back(d);
  }
  void SceneUpdate() override { calls.push_back("update"); }
  void InterpreterStep() override {
    calls.push_back("interpreter");
    if (clock) *clock += stepCostMs;
    if (terminateInStep) state->terminateRequested = true;
  }
  void SceneMotion() override { calls.push_back("motion"); }
  bool RunPendingSaveLoad() override {
    calls.push_back("pending");
    bool loaded = loadNext;
    loadNext = false;
    return loaded;
  }
  void DrawAndPresent() override {
    calls.push_back("draw");
    ++draws;
  }
  void ResetPresentedFrames() override { ++resets; }
};

class FrameLoopTest : public ::testing::Test {
 protected:
  FrameLoopTest() : loop(state, steps, [this] { return now; }) {
    steps.state = &state;
    steps.clock = &now;
  }
  IdleResult Pass(uint32_t advance) {
    now += advance;
    return loop.Idle();
  }
  HostState state;
  RecordingSteps steps;
  uint32_t now = 1000;
  FrameLoop loop;
};

TEST_F(FrameLoopTest, TickRunsTheStepsInOrder) {
  loop.Activate();
  IdleResult r = Pass(16);
  EXPECT_TRUE(r.ticked);
  EXPECT_EQ(steps.calls, (std::vector<std::string>{"locks", "update", "interpreter", "motion", "pending", "draw"}));
  EXPECT_EQ(steps.lockDeltas, std::vector<int32_t>{16});
  EXPECT_EQ(state.gameClockMs, 16);
  EXPECT_EQ(state.frameDeltaMs, 16);
  EXPECT_EQ(state.updateCount, 1);
}

TEST_F(FrameLoopTest, StallLongerThan3000MsDoesNotTickOrAdvanceGameTime) {
  loop.Activate();
  Pass(16);
  IdleResult stalled = Pass(3001);
  EXPECT_FALSE(stalled.done);
  EXPECT_FALSE(stalled.ticked);
  EXPECT_EQ(state.gameClockMs, 16);
  EXPECT_EQ(state.updateCount, 1);
  // The next pass measures from the stalled pass, not from the last tick.
  EXPECT_TRUE(Pass(20).ticked);
  EXPECT_EQ(state.gameClockMs, 36);
  EXPECT_EQ(state.frameDeltaMs, 20);
  // Exactly 3000 ms is still a tick.
  EXPECT_TRUE(Pass(3000).ticked);
  EXPECT_EQ(state.gameClockMs, 3036);
}

TEST_F(FrameLoopTest, DrawDivisorDrawsEveryNthTickButStepsEveryTick) {
  state.drawDivisor = 4;
  loop.Activate();
  std::vector<int> drawnTicks;
  for (int tick = 1; tick <= 12; ++tick) {
    int before = steps.draws;
    Pass(16);
    if (steps.draws > before) drawnTicks.push_back(tick);
  }
  EXPECT_EQ(drawnTicks, (std::vector<int>{4, 8, 12}));
  EXPECT_EQ(state.updateCount, 12);
  EXPECT_EQ(std::count(steps.calls.begin(), steps.calls.end(), "interpreter"), 12);
}

TEST_F(FrameLoopTest, DivisorBelowOneDrawsEveryTick) {
  state.drawDivisor = 0;
  loop.Activate();
  Pass(16);
  state.drawDivisor = -3;
  Pass(16);
  EXPECT_EQ(steps.draws, 2);
}

TEST_F(FrameLoopTest, TheTickAfterAGameLoadIsNotDrawn) {
  loop.Activate();
  Pass(16);
  EXPECT_EQ(steps.draws, 1);
  steps.loadNext = true;
  Pass(16);  // the load happens in this tick: its frame is skipped
  EXPECT_EQ(steps.draws, 1);
  Pass(16);
  EXPECT_EQ(steps.draws, 2);
  EXPECT_EQ(state.updateCount, 3);
}

TEST_F(FrameLoopTest, SkippedDrawDoesNotShiftTheDivisorPhase) {
  state.drawDivisor = 2;
  loop.Activate();
  Pass(16);            // counter 1
  steps.loadNext = true;
  Pass(16);            // skipped before the counter moves
  Pass(16);            // counter 0: drawn
  EXPECT_EQ(steps.draws, 1);
}

TEST_F(FrameLoopTest, TerminateDuringTheInterpreterStepEndsTheTick) {
  loop.Activate();
  steps.terminateInStep = true;
  Pass(16);
  EXPECT_EQ(steps.calls, (std::vector<std::string>{"locks", "update", "interpreter"}));
  EXPECT_EQ(state.updateCount, 0);
  EXPECT_TRUE(Pass(16).done);
}

TEST_F(FrameLoopTest, NoProjectTicksNothingButTimeRuns) {
  steps.project = false;
  loop.Activate();
  EXPECT_TRUE(Pass(16).ticked);
  EXPECT_TRUE(steps.calls.empty());
  EXPECT_EQ(state.gameClockMs, 16);
}

TEST_F(FrameLoopTest, DoneWhenInactiveTerminatingOrWithoutScreen) {
  EXPECT_TRUE(Pass(16).done);  // inactive until the first activation
  loop.Activate();
  EXPECT_FALSE(Pass(16).done);
  steps.screen = false;
  EXPECT_TRUE(Pass(16).done);
  steps.screen = true;
  EXPECT_TRUE(loop.Idle(/*terminating=*/true).done);
  state.terminateRequested = true;
  EXPECT_TRUE(Pass(16).done);
  EXPECT_EQ(state.updateCount, 1);
}

TEST_F(FrameLoopTest, FocusLossPausesGameTime) {
  loop.Activate();
  Pass(16);
  loop.Deactivate();
  now += 2500;  // away for a while (less than a stall)
  EXPECT_TRUE(loop.Idle().done);
  loop.Activate();
  Pass(10);
  EXPECT_EQ(state.gameClockMs, 26);
}

TEST_F(FrameLoopTest, FrameWaitSleepsTheRestOfTheIntervalAtLeastTwoMs) {
  loop.Activate();
  EXPECT_EQ(Pass(16).sleepMs, 0u);  // no frame wait: no sleeping
  steps.frameWait = true;
  steps.stepCostMs = 5;
  EXPECT_EQ(Pass(16).sleepMs, 11u);  // 16 - 5
  steps.stepCostMs = 15;
  EXPECT_EQ(Pass(16).sleepMs, 2u);   // 16 - 15 = 1, raised to 2
  steps.stepCostMs = 40;
  EXPECT_EQ(Pass(16).sleepMs, 2u);
  state.frameIntervalMs = 64;
  steps.stepCostMs = 4;
  EXPECT_EQ(Pass(16).sleepMs, 60u);
}

TEST_F(FrameLoopTest, TimerWrapAroundStillGivesTheTrueDelta) {
  now = 0xFFFFFFF0u;
  loop.Activate();
  IdleResult r = Pass(0x20);  // wraps past zero
  EXPECT_TRUE(r.ticked);
  EXPECT_EQ(state.frameDeltaMs, 0x20);
}

TEST_F(FrameLoopTest, GameClockWrapsInsteadOfOverflowing) {
  state.gameClockMs = 2147483647 - 5;
  state.updateCount = 2147483647;
  loop.Activate();
  Pass(16);
  EXPECT_EQ(state.gameClockMs, -2147483648 + 10);
  EXPECT_EQ(state.updateCount, -2147483647 - 1);
}

TEST_F(FrameLoopTest, PresentedCounterResetsEveryTwoSeconds) {
  now = 0;
  loop.Activate();
  for (int i = 0; i < 10; ++i) Pass(1000);  // ticks at 1000 .. 10000
  // The window starts at 0: resets at 2000, 4000, 6000, 8000 and 10000.
  EXPECT_EQ(steps.resets, 5);
}

TEST_F(FrameLoopTest, SkipNextDrawFromOutsideTheTick) {
  loop.Activate();
  loop.SkipNextDraw();
  Pass(16);
  EXPECT_EQ(steps.draws, 0);
  Pass(16);
  EXPECT_EQ(steps.draws, 1);
}

}  // namespace
}  // namespace kuzo::host
