// Headless runs for tests and machines without a display: N frame ticks on a virtual clock that
// advances by a fixed delta, no window, no audio device (the mix is rendered in step with the
// virtual clock), no sleeping, then the normal shutdown.
// Test options of other layers attach as hooks around each tick and at the end.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "host/headless_screen.h"
#include "host/runtime.h"

namespace kuzo::host {

struct HeadlessHooks {
  // Before the idle pass of tick `tick` (1-based): scripted input.
  std::vector<std::function<void(Runtime&, int64_t tick)>> beforeTick;
  // After the idle pass of tick `tick`: screenshots, traces.
  std::vector<std::function<void(Runtime&, int64_t tick)>> afterTick;
  // After the last tick, before the shutdown: dumps of state.
  std::vector<std::function<void(Runtime&)>> beforeShutdown;
};

struct HeadlessResult {
  int exitCode = 0;
  std::string message;  // one line for stderr when the title could not start (UTF-8)
  int64_t ticksRun = 0;  // idle passes that ran a frame tick
};

class HeadlessRunner {
 public:
  HeadlessRunner(RuntimeConfig config, int64_t ticks, int32_t deltaMs);

  Runtime& GetRuntime() { return runtime_; }
  platform::HeadlessMessageBoxes& Boxes() { return boxes_; }
  HeadlessHooks& Hooks() { return hooks_; }
  uint32_t NowMs() const { return nowMs_; }

  // Starts the title, runs the ticks and shuts down. Exit status 0 after a normal run (also when
  // the title ends itself before the last tick), 1 when it could not start.
  HeadlessResult Run();

 private:
  platform::HeadlessMessageBoxes boxes_;
  uint32_t nowMs_ = 0;
  int64_t ticks_;
  int32_t deltaMs_;
  HeadlessHooks hooks_;
  Runtime runtime_;
};

}  // namespace kuzo::host
