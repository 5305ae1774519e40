// The 64-bit stream family archives are read and written through: segmented files (a file of
// 2^30-byte segments "name.dat", "name.001", ...), memory streams, and a forward-only buffered
// reader that gives unread bytes back to its source when released.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace kuzo {

namespace platform {
class NativeFile;
}

class TNkBigStream {
 public:
  virtual ~TNkBigStream() = default;

  virtual int64_t Size() const = 0;
  virtual int64_t Position() const = 0;
  // Moves the position; a file stream clamps it to [0, Size].
  virtual void SetPosition(int64_t position) = 0;
  // Both return the count done (short at the end of the data or on failure, never negative).
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  virtual int64_t Read(void* buffer, int64_t count) = 0;

  // Copies `count` bytes from `source`'s position into this stream, in blocks of up to 10 MiB.
  // Raises a FormatError when the source ends early and a KuzoError when a write fails.
  void CopyFromBig(TNkBigStream& source, int64_t count);
  // The same; a count of 0 copies the whole source from its start.
  void CopyFrom(TNkBigStream& source, int64_t count);
  // Copies `count` bytes from this stream's position into `target`.
  void CopyTo(TNkBigStream& target, int64_t count) { target.CopyFromBig(*this, count); }

  // Reads exactly `count` bytes or raises a FormatError naming the stream, `field`, the offset and
  // the sizes.
  void ReadExact(void* buffer, int64_t count, const char* field);
  // Reads `count` bytes into a string (count checked against what is left first).
  std::string ReadString(int64_t count, const char* field);

  // Name used in error messages (the file name, or a description).
  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }

 protected:
  std::string name_;
};

// Copies between streams use blocks of up to this many bytes.
constexpr int64_t kCopyBlockSize = 0xA00000;

// A growable byte buffer with the big-stream interface.
class TNkBigMemoryStream : public TNkBigStream {
 public:
  TNkBigMemoryStream() { name_ = "memory"; }
  explicit TNkBigMemoryStream(std::string data, std::string name = "memory") : data_(std::move(data)) {
    name_ = std::move(name);
  }

  int64_t Size() const override { return static_cast<int64_t>(data_.size()); }
  int64_t Position() const override { return position_; }
  void SetPosition(int64_t position) override { position_ = position < 0 ? 0 : position; }
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Read(void* buffer, int64_t count) override;

  void Clear() {
    data_.clear();
    position_ = 0;
  }
  const std::string& Data() const { return data_; }
  std::string& MutableData() { return data_; }
  std::string TakeData() {
    position_ = 0;
    return std::move(data_);
  }
  void SetData(std::string data) {
    data_ = std::move(data);
    position_ = 0;
  }
  // Replaces the content with a whole file; raises KuzoError when it cannot be read.
  void LoadFromFile(const std::filesystem::path& path);
  // Writes the content to a file atomically (temporary file, flush, rename).
  // Replaces the file whole (see platform::WriteFileAtomic for `sync`).
  void SaveToFile(const std::filesystem::path& path,
                  platform::RenameSync sync = platform::RenameSync::kDurable) const;

 private:
  std::string data_;
  int64_t position_ = 0;
};

// A file split into segments of `segmentSize` bytes (2^30): segment 0 is the path itself, segment
// k >= 1 the path with its extension replaced by ".%03d" (game.dat, game.001, game.002, ...).
class TNkBigFileStream : public TNkBigStream {
 public:
  static constexpr int64_t kSegmentSize = int64_t{1} << 30;
  enum class Mode {
    kRead,       // opens every consecutive segment that exists
    kReadWrite,  // the same, writable
    kCreate,     // deletes every existing segment first
  };

  // Raises KuzoError when the first segment cannot be opened or created.
  TNkBigFileStream(const std::filesystem::path& path, Mode mode, int64_t segmentSize = kSegmentSize);
  ~TNkBigFileStream() override;

  int64_t Size() const override;
  int64_t Position() const override { return position_; }
  void SetPosition(int64_t position) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Read(void* buffer, int64_t count) override;

  // Reads at an absolute position without moving the stream's position (safe from several threads).
  int64_t ReadAt(int64_t position, void* buffer, int64_t count) const;
  // Flushes every segment to the disk.
  bool Flush();

  const std::filesystem::path& Path() const { return path_; }
  size_t SegmentCount() const { return segments_.size(); }
  static std::filesystem::path SegmentPath(const std::filesystem::path& path, int index);

 private:
  std::filesystem::path path_;
  Mode mode_;
  int64_t segmentSize_;
  int64_t position_ = 0;
  std::vector<std::unique_ptr<platform::NativeFile>> segments_;
};

// Forward-only buffered reader over a big stream (102400-byte buffer). Release() (also run by the
// destructor) moves the source back by the buffered bytes not yet consumed, so the source stands
// right after the last byte read through the buffer.
class TNkBuffBigStream : public TNkBigStream {
 public:
  static constexpr int64_t kBufferSize = 102400;
  explicit TNkBuffBigStream(TNkBigStream& source);
  ~TNkBuffBigStream() override { Release(); }

  int64_t Size() const override { return source_->Size(); }
  int64_t Position() const override { return source_->Position() - (filled_ - used_); }
  // Forward-only: a position inside the buffer is reached directly; others refill from the source.
  void SetPosition(int64_t position) override;
  int64_t Write(const void*, int64_t) override { return 0; }
  int64_t Read(void* buffer, int64_t count) override;
  // Little-endian u32, or a FormatError naming `field` when the source ends.
  uint32_t ReadU32(const char* field);
  void Release();

 private:
  TNkBigStream* source_;
  std::vector<char> buffer_;
  int64_t filled_ = 0;
  int64_t used_ = 0;
  bool released_ = false;
};

}  // namespace kuzo
