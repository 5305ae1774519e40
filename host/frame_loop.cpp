// Idle handler and frame tick in their fixed step order.
#include "host/frame_loop.h"

#include <algorithm>
#include <utility>

namespace kuzo::host {
namespace {

// Game counters wrap like the 32-bit values they are instead of overflowing.
int32_t WrappingAdd(int32_t a, int64_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

}  // namespace

FrameLoop::FrameLoop(HostState& state, FrameSteps& steps, std::function<uint32_t()> clock)
    : state_(state), steps_(steps), clock_(std::move(clock)) {}

void FrameLoop::Activate() {
  active_ = true;
  lastTickMs_ = clock_();
}

IdleResult FrameLoop::Idle(bool terminating) {
  IdleResult result;
  result.done = state_.terminateRequested || !active_ || terminating || !steps_.HasScreen();
  if (result.done) return result;

  uint32_t t = clock_();
  uint32_t d = t - lastTickMs_;  // unsigned: a wrapped timer still gives the true distance
  if (d > kStallMs) {
    lastTickMs_ = t;
    return result;
  }
  state_.gameClockMs = WrappingAdd(state_.gameClockMs, d);
  state_.frameDeltaMs = static_cast<int32_t>(d);
  lastTickMs_ = t;

  FrameTick();
  result.ticked = true;

  if (t - frameRateWindowStart_ >= kFrameRateWindowMs) {
    steps_.ResetPresentedFrames();
    frameRateWindowStart_ = t;
  }
  if (steps_.FrameWait()) {
    int64_t spent = static_cast<uint32_t>(clock_() - t);
    int64_t wait = static_cast<int64_t>(state_.frameIntervalMs) - spent;
    result.sleepMs = static_cast<uint32_t>(std::max<int64_t>(kMinSleepMs, wait));
  }
  return result;
}

void FrameLoop::FrameTick() {
  if (!steps_.HasProject()) return;
  steps_.AdvanceFileLocks(state_.frameDeltaMs);
  steps_.SceneUpdate();
  steps_.InterpreterStep();
  if (state_.terminateRequested) return;
  steps_.SceneMotion();
  state_.updateCount = WrappingAdd(state_.updateCount, 1);
  if (steps_.RunPendingSaveLoad()) skipDraw_ = 1;
  if (skipDraw_ > 0) {
    --skipDraw_;
    return;
  }
  // A divisor below 1 (set by a script) draws every tick instead of dividing by zero.
  int32_t divisor = std::max<int32_t>(1, state_.drawDivisor);
  drawCounter_ = (drawCounter_ + 1) % divisor;
  if (drawCounter_ != 0) return;
  steps_.DrawAndPresent();
}

}  // namespace kuzo::host
