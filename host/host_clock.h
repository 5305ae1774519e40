// The clocks the "@PCTickCount", "@Year" ... "@Sec" and "@Week" variables read. A window run reads the
// machine's; a headless run derives both from its virtual clock, starting at a fixed local date
// (2000-01-01 00:00:00 unless --date says otherwise), so every run of a title repeats exactly.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "vars/system_variable_host.h"

namespace kuzo::host {

// Seconds since 1970-01-01 00:00:00 of a calendar date and time taken as it stands (no time zone).
int64_t CivilSeconds(int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute, int32_t second);
// The calendar date and time `seconds` after 1970-01-01 00:00:00 (the inverse of CivilSeconds).
LocalDateTime CivilFromSeconds(int64_t seconds);

// Parses "YYYY-MM-DD HH:MM:SS" (years 1601-9999, a real calendar day); nothing for anything else.
std::optional<int64_t> ParseCivilDateTime(const std::string& text);

constexpr int64_t kDefaultVirtualStart = 946684800;  // 2000-01-01 00:00:00

class HostClock {
 public:
  // The machine's clocks.
  HostClock() = default;
  // A virtual clock: `elapsedMs` milliseconds have passed since the local date `startSeconds`.
  HostClock(int64_t startSeconds, std::function<uint32_t()> elapsedMs)
      : virtual_(true), startSeconds_(startSeconds), elapsedMs_(std::move(elapsedMs)) {}

  // Milliseconds since the machine started (the virtual clock's milliseconds when headless).
  uint32_t SystemMilliseconds() const;
  LocalDateTime Now() const;

 private:
  bool virtual_ = false;
  int64_t startSeconds_ = kDefaultVirtualStart;
  std::function<uint32_t()> elapsedMs_;
};

}  // namespace kuzo::host
