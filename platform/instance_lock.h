// One player per game directory: an exclusive advisory lock on a file named after the directory,
// held for the life of the object and dropped by the system if the process dies.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace kuzo::platform {

class InstanceLock {
 public:
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // The lock's name for a directory: upper-cased (ASCII letters), with a trailing separator,
  // every "\" or "/" replaced by "-", so "/games/Title" and "/GAMES/title/" share one lock.
  static std::string NameForDirectory(std::string_view dir);

  // Takes the lock `name` in `lockDir` (default: the temporary directory). Nullptr when another
  // process holds it. Raises KuzoError when the lock file cannot be created.
  static std::unique_ptr<InstanceLock> Acquire(std::string_view name, const std::filesystem::path& lockDir = {});

  const std::filesystem::path& Path() const { return path_; }

 private:
  InstanceLock(int fd, std::filesystem::path path) : fd_(fd), path_(std::move(path)) {}
  int fd_;
  std::filesystem::path path_;
};

}  // namespace kuzo::platform
