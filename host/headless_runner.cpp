// The headless run: virtual clock, ticks, hooks, shutdown.
#include "host/headless_runner.h"

#include <utility>

namespace kuzo::host {

namespace {

RuntimeConfig Headless(RuntimeConfig config) {
  config.headless = true;
  return config;
}

}  // namespace

HeadlessRunner::HeadlessRunner(RuntimeConfig config, int64_t ticks, int32_t deltaMs)
    : ticks_(ticks), deltaMs_(deltaMs), runtime_(Headless(std::move(config)), boxes_, [this] { return nowMs_; }) {}

HeadlessResult HeadlessRunner::Run() {
  HeadlessResult result;
  runtime_.Start();
  if (runtime_.State().terminateRequested) {
    result.exitCode = 1;
    result.message = runtime_.StartFailure();
    runtime_.Shutdown();
    return result;
  }
  runtime_.Activate();
  for (int64_t tick = 1; tick <= ticks_; ++tick) {
    nowMs_ += static_cast<uint32_t>(deltaMs_);
    // The sound up to this tick's time is heard before the tick changes what plays.
    runtime_.AdvanceMediaTo(nowMs_);
    for (auto& hook : hooks_.beforeTick) hook(runtime_, tick);
    IdleResult pass = runtime_.Loop().Idle();
    if (pass.ticked) ++result.ticksRun;
    for (auto& hook : hooks_.afterTick) hook(runtime_, tick);
    if (runtime_.State().terminateRequested) break;  // the title ended itself
  }
  for (auto& hook : hooks_.beforeShutdown) hook(runtime_);
  runtime_.Shutdown();
  return result;
}

}  // namespace kuzo::host
