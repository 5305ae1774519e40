// Game file names on a POSIX file system: case-insensitive and code-page-932-aware lookup with
// cached directory listings, positioned file access, attributes, temporary directories and
// atomic writes.
#include "platform/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <map>
#include <mutex>
#include <vector>

#include "core/errors.h"
#include "core/sjis.h"
#include "platform/cp932.h"

namespace kuzo::platform {
namespace fs = std::filesystem;

namespace {

// A directory entry unpacked as a UTF-8 name, compared in code page 932 with the game's own case rules.
bool Utf8EntryEqualsNoCase(const std::string& entry, std::string_view sjisName) {
  const std::optional<std::string> asSjis = Utf8ToCp932Strict(entry);
  return asSjis && sjis::EqualsNoCase(*asSjis, sjisName);
}

struct Listing {
  struct timespec mtime{};
  ino_t inode = 0;
  // Listed within a second of the directory's last change: a later change may keep the same
  // (coarse) modification time, so a miss in this listing is checked against the disk again.
  bool unsettled = true;
  std::vector<std::string> names;  // sorted, so a choice among same-letter names is stable
};

std::mutex gCacheMutex;
std::map<std::string, Listing> gListings;

// The names in `dir`, re-read when the directory's modification time or inode changed, or always
// when `fresh` is set and the cached listing may be stale.
std::vector<std::string> ListDirectory(const fs::path& dir, bool fresh, bool* wasCached) {
  *wasCached = false;
  struct stat st{};
  if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return {};
  std::lock_guard<std::mutex> lock(gCacheMutex);
  auto it = gListings.find(dir.native());
  if (it != gListings.end() && it->second.inode == st.st_ino && it->second.mtime.tv_sec == st.st_mtim.tv_sec &&
      it->second.mtime.tv_nsec == st.st_mtim.tv_nsec && !(fresh && it->second.unsettled)) {
    *wasCached = it->second.unsettled;
    return it->second.names;
  }
  Listing listing;
  listing.mtime = st.st_mtim;
  listing.inode = st.st_ino;
  struct timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  listing.unsettled = now.tv_sec - st.st_mtim.tv_sec <= 1;
  if (DIR* d = ::opendir(dir.c_str())) {
    while (const dirent* e = ::readdir(d)) {
      if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
      listing.names.emplace_back(e->d_name);
    }
    ::closedir(d);
  }
  std::sort(listing.names.begin(), listing.names.end());
  auto& slot = gListings[dir.native()];
  slot = std::move(listing);
  return slot.names;
}

bool PathExists(const fs::path& p) {
  struct stat st{};
  return ::stat(p.c_str(), &st) == 0;
}

// Splits a game name at "\" and "/" that are characters of their own (a trail byte may be 0x5C).
std::vector<std::string_view> SplitComponents(std::string_view name) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  size_t pos = 0;
  while (pos < name.size()) {
    const char c = name[pos];
    const size_t len = sjis::CharLength(name, pos);
    if (len == 1 && (c == '\\' || c == '/')) {
      parts.push_back(name.substr(start, pos - start));
      start = pos + 1;
    }
    pos += len;
  }
  parts.push_back(name.substr(start));
  return parts;
}

}  // namespace

std::optional<fs::path> ResolveGamePath(const fs::path& dir, std::string_view name) {
  fs::path current = dir.empty() ? fs::path(".") : dir;
  bool any = false;
  for (std::string_view part : SplitComponents(name)) {
    if (part.empty() || part == ".") continue;
    any = true;
    if (part == "..") {
      current /= "..";
      continue;
    }
    const std::string raw(part);
    const std::optional<std::string> utf8 = Cp932ToUtf8Strict(part);
    if (PathExists(current / raw)) {
      current /= raw;
      continue;
    }
    if (utf8 && *utf8 != raw && PathExists(current / *utf8)) {
      current /= *utf8;
      continue;
    }
    auto search = [&](const std::vector<std::string>& names) -> std::optional<std::string> {
      for (const std::string& entry : names) {
        if (sjis::EqualsNoCase(entry, raw) || (utf8 && Utf8EntryEqualsNoCase(entry, raw))) return entry;
      }
      return std::nullopt;
    };
    bool maybeStale = false;
    std::optional<std::string> found = search(ListDirectory(current, false, &maybeStale));
    if (!found && maybeStale) found = search(ListDirectory(current, true, &maybeStale));
    if (!found) return std::nullopt;
    current /= *found;
  }
  if (!any) return PathExists(current) ? std::optional<fs::path>(current) : std::nullopt;
  return current;
}

std::optional<fs::path> ResolveGameFile(const fs::path& dir, std::string_view name) {
  auto path = ResolveGamePath(dir, name);
  if (path && IsRegularFile(*path)) return path;
  return std::nullopt;
}

void ClearDirectoryCache() {
  std::lock_guard<std::mutex> lock(gCacheMutex);
  gListings.clear();
}

bool IsRegularFile(const fs::path& path) {
  struct stat st{};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::optional<uint64_t> FileSize(const fs::path& path) {
  struct stat st{};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return static_cast<uint64_t>(st.st_size);
}

uint32_t FileDosTime(const fs::path& path) {
  struct stat st{};
  if (::stat(path.c_str(), &st) != 0) return 0;
  struct tm t{};
  const time_t seconds = st.st_mtim.tv_sec;
  if (::localtime_r(&seconds, &t) == nullptr) return 0;
  const int year = t.tm_year + 1900;
  if (year < 1980 || year > 2107) return 0;
  // DOS packing: date in the high half (year-1980:7, month:4, day:5), time in the low half
  // (hour:5, minute:6, seconds/2:5).
  const uint32_t date = (static_cast<uint32_t>(year - 1980) << 9) | (static_cast<uint32_t>(t.tm_mon + 1) << 5) |
                        static_cast<uint32_t>(t.tm_mday);
  const uint32_t time = (static_cast<uint32_t>(t.tm_hour) << 11) | (static_cast<uint32_t>(t.tm_min) << 5) |
                        static_cast<uint32_t>(t.tm_sec / 2);
  return (date << 16) | time;
}

bool ClearReadOnly(const fs::path& path) {
  struct stat st{};
  if (::stat(path.c_str(), &st) != 0) return false;
  return ::chmod(path.c_str(), (st.st_mode & 07777) | S_IWUSR) == 0;
}

bool SetReadOnly(const fs::path& path) {
  struct stat st{};
  if (::stat(path.c_str(), &st) != 0) return false;
  return ::chmod(path.c_str(), (st.st_mode & 07777) & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

fs::path TempDirectory() {
  std::error_code ec;
  fs::path dir = fs::temp_directory_path(ec);
  return ec ? fs::path("/tmp") : dir;
}

fs::path MakePrivateTempDirectory(std::string_view prefix) {
  std::string pattern = (TempDirectory() / (std::string(prefix) + "-XXXXXX")).native();
  if (::mkdtemp(pattern.data()) == nullptr) {
    throw KuzoError(Format("cannot create a temporary directory in %s: %s", TempDirectory().c_str(),
                           std::strerror(errno)));
  }
  return fs::path(pattern);
}

void WriteFileAtomic(const fs::path& path, std::string_view data, RenameSync sync) {
  const fs::path dir = path.has_parent_path() ? path.parent_path() : fs::path(".");
  std::string temp = (dir / ("." + path.filename().native() + ".tmp-XXXXXX")).native();
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) throw KuzoError(Format("cannot write %s: %s", path.c_str(), std::strerror(errno)));
  bool ok = true;
  size_t done = 0;
  while (ok && done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) ok = false;
    else done += static_cast<size_t>(n);
  }
  const int savedErrno = errno;
  ok = ok && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = ::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) {
    const int err = errno ? errno : savedErrno;
    ::unlink(temp.c_str());
    throw KuzoError(Format("cannot write %s: %s", path.c_str(), std::strerror(err)));
  }
  if (sync == RenameSync::kKeepPrevious) return;
  // Make the rename itself durable.
  const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
}

std::optional<std::string> ReadWholeFile(const fs::path& path) {
  auto file = NativeFile::Open(path, NativeFile::Mode::kRead);
  if (!file) return std::nullopt;
  const uint64_t size = file->Size();
  std::string out;
  out.resize(static_cast<size_t>(size));
  if (file->ReadAt(0, out.data(), out.size()) != out.size()) return std::nullopt;
  return out;
}

NativeFile::~NativeFile() {
  if (fd_ >= 0) ::close(fd_);
}

std::unique_ptr<NativeFile> NativeFile::Open(const fs::path& path, Mode mode) {
  int flags = O_CLOEXEC;
  switch (mode) {
    case Mode::kRead: flags |= O_RDONLY; break;
    case Mode::kReadWrite: flags |= O_RDWR; break;
    case Mode::kCreate: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
  }
  const int fd = ::open(path.c_str(), flags, 0644);
  if (fd < 0) return nullptr;
  struct stat st{};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  return std::unique_ptr<NativeFile>(new NativeFile(fd, path));
}

uint64_t NativeFile::Size() const {
  struct stat st{};
  return ::fstat(fd_, &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
}

size_t NativeFile::ReadAt(uint64_t offset, void* out, size_t count) const {
  size_t done = 0;
  auto* p = static_cast<char*>(out);
  while (done < count) {
    const ssize_t n = ::pread(fd_, p + done, count - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

bool NativeFile::WriteAt(uint64_t offset, const void* data, size_t count) {
  size_t done = 0;
  const auto* p = static_cast<const char*>(data);
  while (done < count) {
    const ssize_t n = ::pwrite(fd_, p + done, count - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

bool NativeFile::Sync() { return ::fsync(fd_) == 0; }

}  // namespace kuzo::platform
