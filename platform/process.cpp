// The executable's path from /proc, and the local time of day.
#include "platform/process.h"

#include <chrono>
#include <ctime>

namespace kuzo::platform {

std::filesystem::path ExecutablePath() {
  std::error_code ec;
  std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::path() : path;
}

uint32_t LocalTimeOfDayMs() {
  using namespace std::chrono;
  auto now = system_clock::now();
  std::time_t seconds = system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&seconds, &local);
  auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
  return static_cast<uint32_t>(((local.tm_hour * 60 + local.tm_min) * 60 + local.tm_sec) * 1000 + ms);
}

}  // namespace kuzo::platform
