// The idle loop and the frame tick: turns clock readings into frame deltas (dropping stalls),
// runs the tick's steps in their fixed order, draws only every DrawDivisor-th tick and not at
// all on the tick after a game load, and says how long to sleep to keep the frame interval.
#pragma once

#include <cstdint>
#include <functional>

#include "core/host_state.h"

namespace kuzo::host {

// The work of one frame tick, implemented by the Runtime on its subsystems.
class FrameSteps {
 public:
  virtual ~FrameSteps() = default;
  virtual bool HasProject() const = 0;
  virtual bool HasScreen() const = 0;
  virtual bool FrameWait() const = 0;         // the project asks the loop to sleep to the interval
  virtual void AdvanceFileLocks(int32_t deltaMs) = 0;  // lock countdowns, then pending deletions
  virtual void SceneUpdate() = 0;             // input state and events
  virtual void InterpreterStep() = 0;
  virtual void SceneMotion() = 0;             // animations, timers, films, transitions
  virtual bool RunPendingSaveLoad() = 0;      // true when a game was just loaded
  virtual void DrawAndPresent() = 0;          // draw, present, clear both bases' dirty lists
  virtual void ResetPresentedFrames() = 0;
};

struct IdleResult {
  bool done = false;      // nothing to do: wait for the next message
  bool ticked = false;    // a frame tick ran
  uint32_t sleepMs = 0;   // how long to sleep before the next pass (frame wait)
};

class FrameLoop {
 public:
  static constexpr uint32_t kStallMs = 3000;           // longer gaps do not advance game time
  static constexpr uint32_t kFrameRateWindowMs = 2000;
  static constexpr int32_t kMinSleepMs = 2;

  // `clock` reads the millisecond clock (wrapping at 2^32): the system's, or a virtual one.
  FrameLoop(HostState& state, FrameSteps& steps, std::function<uint32_t()> clock);

  // One pass of the idle handler. `terminating`: the application is shutting down.
  IdleResult Idle(bool terminating = false);
  void FrameTick();

  // Focus: the loop runs only while active; regaining focus (or leaving a modal move/size or
  // menu loop) restarts the delta from now so the pause does not count as game time.
  void Activate();
  void Deactivate() { active_ = false; }
  void ResumeClock() { lastTickMs_ = clock_(); }
  bool Active() const { return active_; }

  // A game was loaded outside the tick: the next frame is not drawn.
  void SkipNextDraw() { skipDraw_ = 1; }

 private:
  HostState& state_;
  FrameSteps& steps_;
  std::function<uint32_t()> clock_;
  bool active_ = false;
  uint32_t lastTickMs_ = 0;
  uint32_t frameRateWindowStart_ = 0;
  int32_t drawCounter_ = 0;
  int32_t skipDraw_ = 0;
};

}  // namespace kuzo::host
