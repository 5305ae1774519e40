// Read-only windows [start, start + length) over a segmented archive file or a resource held in
// memory, handed to media readers that stream an entry without inflating it. Each range stream owns
// its own file handle and serialises its seeks and reads with its own lock, because media threads
// read it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>

#include "data/big_stream.h"

namespace kuzo {

class TRangeStream {
 public:
  enum class Origin { kBegin, kCurrent, kEnd };
  virtual ~TRangeStream() = default;
  TRangeStream(const TRangeStream&) = delete;
  TRangeStream& operator=(const TRangeStream&) = delete;

  // Positions are relative to the window start; a seek never goes below it (clamped to 0) and may go
  // past the end (reads there return 0). Returns the new position.
  int64_t Seek(int64_t offset, Origin origin);
  // Reads up to `count` bytes, cut at the window end; returns the count read.
  int64_t Read(void* buffer, int64_t count);
  // Range streams are read-only: writes do nothing.
  int64_t Write(const void*, int64_t) { return 0; }
  int64_t Position() const;
  // Length of the window.
  int64_t Size() const { return length_; }
  int64_t Start() const { return start_; }

 protected:
  // A `length` of 0 (or one reaching past the end) means up to the end of the underlying data.
  TRangeStream(int64_t start, int64_t length, int64_t underlyingSize);
  // Reads from the underlying data at an absolute position.
  virtual int64_t ReadUnderlying(int64_t position, void* buffer, int64_t count) = 0;

 private:
  mutable std::mutex mutex_;
  int64_t start_;
  int64_t length_;
  int64_t position_ = 0;  // relative to start_
};

// A window over a (possibly segmented) file, opened with its own handle.
class TFileRangeStream : public TRangeStream {
 public:
  // Raises KuzoError when the file cannot be opened.
  TFileRangeStream(const std::filesystem::path& path, int64_t start, int64_t length);

 protected:
  int64_t ReadUnderlying(int64_t position, void* buffer, int64_t count) override;

 private:
  TFileRangeStream(std::unique_ptr<TNkBigFileStream> file, int64_t start, int64_t length);
  std::unique_ptr<TNkBigFileStream> file_;
};

// A window over an archive held in memory (a resource of the executable).
class TResourceRangeStream : public TRangeStream {
 public:
  TResourceRangeStream(std::shared_ptr<const std::string> data, int64_t start, int64_t length);

 protected:
  int64_t ReadUnderlying(int64_t position, void* buffer, int64_t count) override;

 private:
  std::shared_ptr<const std::string> data_;
};

}  // namespace kuzo
