// The executable's path from /proc, the local time of day, and starting other programs.
#include "platform/process.h"

#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <ctime>
#include <thread>

extern char** environ;

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

bool StartDetached(const std::vector<std::string>& argv) {
  if (argv.empty()) return false;
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return false;
  // Nobody waits for the opener to finish; a thread collects its exit status so it leaves no zombie.
  std::thread([pid] {
    int status = 0;
    waitpid(pid, &status, 0);
  }).detach();
  return true;
}

bool OpenWithDesktop(const std::string& utf8Link) { return StartDetached({"xdg-open", utf8Link}); }

}  // namespace kuzo::platform
