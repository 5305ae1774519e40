// Locked read-only windows over archive files and in-memory archives.
#include "data/range_stream.h"

#include <algorithm>
#include <cstring>

#include "core/errors.h"

namespace kuzo {

TRangeStream::TRangeStream(int64_t start, int64_t length, int64_t underlyingSize) {
  start_ = std::clamp<int64_t>(start, 0, underlyingSize);
  const int64_t available = underlyingSize - start_;
  length_ = (length <= 0 || length > available) ? available : length;
}

int64_t TRangeStream::Seek(int64_t offset, Origin origin) {
  std::lock_guard<std::mutex> lock(mutex_);
  int64_t base = 0;
  switch (origin) {
    case Origin::kBegin: base = 0; break;
    case Origin::kCurrent: base = position_; break;
    case Origin::kEnd: base = length_; break;
  }
  // Check before adding so a hostile offset cannot overflow.
  int64_t target;
  if (__builtin_add_overflow(base, offset, &target)) target = offset < 0 ? 0 : INT64_MAX - start_;
  position_ = std::clamp<int64_t>(target, 0, INT64_MAX - start_);
  return position_;
}

int64_t TRangeStream::Read(void* buffer, int64_t count) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (count <= 0 || position_ >= length_) return 0;
  const int64_t n = std::min(count, length_ - position_);
  const int64_t got = ReadUnderlying(start_ + position_, buffer, n);
  position_ += std::max<int64_t>(got, 0);
  return std::max<int64_t>(got, 0);
}

int64_t TRangeStream::Position() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return position_;
}

TFileRangeStream::TFileRangeStream(const std::filesystem::path& path, int64_t start, int64_t length)
    : TFileRangeStream(std::make_unique<TNkBigFileStream>(path, TNkBigFileStream::Mode::kRead), start, length) {}

TFileRangeStream::TFileRangeStream(std::unique_ptr<TNkBigFileStream> file, int64_t start, int64_t length)
    : TRangeStream(start, length, file->Size()), file_(std::move(file)) {}

int64_t TFileRangeStream::ReadUnderlying(int64_t position, void* buffer, int64_t count) {
  return file_->ReadAt(position, buffer, count);
}

TResourceRangeStream::TResourceRangeStream(std::shared_ptr<const std::string> data, int64_t start, int64_t length)
    : TRangeStream(start, length, data ? static_cast<int64_t>(data->size()) : 0), data_(std::move(data)) {}

int64_t TResourceRangeStream::ReadUnderlying(int64_t position, void* buffer, int64_t count) {
  const auto size = static_cast<int64_t>(data_->size());
  if (position >= size) return 0;
  const int64_t n = std::min(count, size - position);
  std::memcpy(buffer, data_->data() + position, static_cast<size_t>(n));
  return n;
}

}  // namespace kuzo
