// Process-wide values the host owns and every layer reads: game time, the frame counters, the
// terminate request, and the run-time random generator the scripts draw from. The host advances
// them; lower layers receive a reference instead of reading globals or the system clock.
#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace kuzo {

// The scripts' random generator: a 32-bit linear congruential sequence (x = x * 134775813 + 1) whose
// high bits scale to a range. Seeded by the host from the time of day, or by --seed for repeatable runs.
class RuntimeRandom {
 public:
  void Seed(uint32_t seed) { state_ = seed; }
  uint32_t SeedValue() const { return state_; }
  // A value in [0, range) for range > 0; 0 otherwise.
  int32_t Next(int32_t range) {
    Step();
    if (range <= 0) return 0;
    return static_cast<int32_t>((static_cast<uint64_t>(state_) * static_cast<uint32_t>(range)) >> 32);
  }
  // A value in [0, 1).
  double NextReal() {
    Step();
    return static_cast<double>(state_) / 4294967296.0;
  }

 private:
  void Step() { state_ = state_ * 134775813u + 1u; }
  uint32_t state_ = 0;
};

struct HostState {
  bool terminateRequested = false;  // set by fatal conditions, the terminate command and closing
  int32_t gameClockMs = 0;          // sum of accepted frame deltas ("@TickCount")
  int32_t updateCount = 0;          // frame ticks that reached the motion step ("@UpdateCount")
  int32_t frameDeltaMs = 0;         // milliseconds between the last two idle passes
  int32_t frameIntervalMs = 16;     // target frame duration
  int32_t drawDivisor = 1;          // the scene is drawn on every drawDivisor-th tick
  bool headless = false;            // no window, no audio device, virtual clock
  RuntimeRandom random;
  std::vector<std::string> exitDeleteList;  // files deleted when the program ends

  // Where the player's own log lines go (Shift-JIS text); null: nowhere.
  std::function<void(const std::string& line)> log;
  // Says once per run that a title used something this build does not have (a built-in function,
  // a component kind), so whoever plays a title sees what is missing instead of silence.
  void ReportMissing(const std::string& what) {
    if (reportedMissing_.insert(what).second && log) log(what + ": not available in this build");
  }

 private:
  std::set<std::string> reportedMissing_;
};

}  // namespace kuzo
