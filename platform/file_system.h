// File-system layer of the data code: mapping game file names ("\" separators, Shift-JIS bytes,
// compared without case) to real paths, native files with positioned reads and writes, file
// attributes, temporary directories and atomic writes. Only this layer talks to the operating system.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kuzo::platform {

// Finds the real path of the game file `name` below the directory `dir` (a native path). Each
// component of `name` (separated by "\" or "/") is looked up exactly, then without regard to ASCII
// letter case, both as its own bytes and converted from code page 932 to UTF-8. Directory listings
// are cached and re-read when a directory changes. Nullopt when nothing matches.
std::optional<std::filesystem::path> ResolveGamePath(const std::filesystem::path& dir, std::string_view name);
// The same, but the result must be a regular file.
std::optional<std::filesystem::path> ResolveGameFile(const std::filesystem::path& dir, std::string_view name);
// Forgets every cached directory listing.
void ClearDirectoryCache();

// True when `path` names an existing regular file.
bool IsRegularFile(const std::filesystem::path& path);
// Size of a regular file, or nullopt.
std::optional<uint64_t> FileSize(const std::filesystem::path& path);
// Modification time of a file as a packed DOS date/time (local time; 0 when unknown or before 1980).
uint32_t FileDosTime(const std::filesystem::path& path);
// Clears the read-only attribute (gives the owner write permission); false when the file is absent.
bool ClearReadOnly(const std::filesystem::path& path);
// Sets the read-only attribute (removes every write permission).
bool SetReadOnly(const std::filesystem::path& path);

// The system's temporary directory.
std::filesystem::path TempDirectory();
// Creates a fresh private directory "<prefix>-XXXXXX" in the temporary directory.
std::filesystem::path MakePrivateTempDirectory(std::string_view prefix);

// Writes `data` to a temporary file beside `path`, flushes it to the disk and renames it over
// `path`, so a failure never loses the previous file. Throws KuzoError on failure.
// kDurable also flushes the directory, so the new file survives a crash right after the call;
// kKeepPrevious leaves that to the system: after a crash the folder holds the previous file or
// the new one, both whole (the data is flushed before the rename either way), for one flush less.
enum class RenameSync { kDurable, kKeepPrevious };
void WriteFileAtomic(const std::filesystem::path& path, std::string_view data,
                     RenameSync sync = RenameSync::kDurable);
// Reads a whole file; nullopt when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);

// An open native file with positioned reads and writes (safe to share between threads for reads).
class NativeFile {
 public:
  enum class Mode { kRead, kReadWrite, kCreate };  // kCreate truncates or creates
  ~NativeFile();
  NativeFile(const NativeFile&) = delete;
  NativeFile& operator=(const NativeFile&) = delete;

  // Nullptr when the file cannot be opened in that mode.
  static std::unique_ptr<NativeFile> Open(const std::filesystem::path& path, Mode mode);

  uint64_t Size() const;
  // Reads up to `count` bytes at `offset`; returns the count read (short at the end of the file).
  size_t ReadAt(uint64_t offset, void* out, size_t count) const;
  // Writes all `count` bytes at `offset`; false on failure.
  bool WriteAt(uint64_t offset, const void* data, size_t count);
  // Flushes written data to the disk.
  bool Sync();
  const std::filesystem::path& Path() const { return path_; }

 private:
  NativeFile(int fd, std::filesystem::path path) : fd_(fd), path_(std::move(path)) {}
  int fd_;
  std::filesystem::path path_;
};

}  // namespace kuzo::platform
