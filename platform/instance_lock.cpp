// Per-directory single-instance lock on flock(2).
#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include <cerrno>
#include <cstring>
#include <functional>

#include "core/errors.h"

namespace kuzo::platform {
namespace {

constexpr size_t kMaxFileNameBytes = 200;  // below NAME_MAX with room for the prefix

std::string LockFileName(std::string_view name) {
  std::string safe;
  for (char c : name) {
    bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                 c == '_' || c == '.';
    safe += plain ? c : '_';
  }
  // The readable part may be cut or lose bytes; a hash of the whole name keeps names apart.
  if (safe.size() > kMaxFileNameBytes) safe = safe.substr(safe.size() - kMaxFileNameBytes);
  size_t hash = std::hash<std::string_view>{}(name);
  return "kuzoplayer" + safe + Format("-%016zx.lock", hash);
}

// A real directory (not a link) owned by this user that no one else may write into.
bool IsPrivateDirectory(const std::filesystem::path& dir) {
  struct stat st {};
  if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  return st.st_uid == ::getuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

}  // namespace

std::filesystem::path InstanceLock::DefaultDirectory(const char* runtimeDir, const std::filesystem::path& tempDir) {
  if (runtimeDir != nullptr && runtimeDir[0] == '/' && IsPrivateDirectory(runtimeDir)) return runtimeDir;
  const std::filesystem::path own = (tempDir.empty() ? std::filesystem::path("/tmp") : tempDir) /
                                    Format("kuzoplayer-%u", static_cast<unsigned>(::getuid()));
  if (::mkdir(own.c_str(), 0700) != 0 && errno != EEXIST) {
    throw KuzoError(Format("%s: cannot create the lock directory (%s)", own.c_str(), std::strerror(errno)));
  }
  // Someone else may have made it first, or made it a link: then it is not ours to use.
  if (!IsPrivateDirectory(own)) throw KuzoError(Format("%s: not a private directory of this user", own.c_str()));
  return own;
}

std::string InstanceLock::NameForDirectory(std::string_view dir) {
  std::string name(dir);
  for (char& c : name) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  if (name.empty() || (name.back() != '\\' && name.back() != '/')) name += '\\';
  for (char& c : name) {
    if (c == '\\' || c == '/') c = '-';
  }
  return name;
}

std::unique_ptr<InstanceLock> InstanceLock::Acquire(std::string_view name, const std::filesystem::path& lockDir) {
  std::filesystem::path dir = lockDir;
  if (dir.empty()) {
    std::error_code ec;
    std::filesystem::path temp = std::filesystem::temp_directory_path(ec);
    if (ec) temp = "/tmp";
    dir = DefaultDirectory(std::getenv("XDG_RUNTIME_DIR"), temp);
  }
  std::filesystem::path path = dir / LockFileName(name);
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) throw KuzoError(Format("%s: cannot create lock file (%s)", path.c_str(), std::strerror(errno)));
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    int err = errno;
    ::close(fd);
    if (err == EWOULDBLOCK) return nullptr;
    throw KuzoError(Format("%s: cannot lock (%s)", path.c_str(), std::strerror(err)));
  }
  return std::unique_ptr<InstanceLock>(new InstanceLock(fd, std::move(path)));
}

InstanceLock::~InstanceLock() {
  // The file stays: removing it would let a third process lock a new file while a second one
  // still waits on the old one.
  ::flock(fd_, LOCK_UN);
  ::close(fd_);
}

}  // namespace kuzo::platform
