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

  // Where locks live by default: the user's runtime directory ($XDG_RUNTIME_DIR, when it is a
  // directory of this user that nobody else may write), else a directory of this user's own under
  // the temporary directory ("kuzoplayer-UID", mode 0700, created when missing). Never a directory
  // others can write into. Raises KuzoError when no such directory can be had.
  static std::filesystem::path DefaultDirectory(const char* runtimeDir, const std::filesystem::path& tempDir);

  // Takes the lock `name` in `lockDir` (default: DefaultDirectory of the environment). Nullptr when
  // another process holds it. Raises KuzoError when the lock file cannot be created.
  static std::unique_ptr<InstanceLock> Acquire(std::string_view name, const std::filesystem::path& lockDir = {});

  const std::filesystem::path& Path() const { return path_; }

 private:
  InstanceLock(int fd, std::filesystem::path path) : fd_(fd), path_(std::move(path)) {}
  int fd_;
  std::filesystem::path path_;
};

}  // namespace kuzo::platform
