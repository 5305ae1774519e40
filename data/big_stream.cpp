// Segmented files, memory streams and the buffered reader of the big-stream family.
#include "data/big_stream.h"

#include <algorithm>
#include <cstring>
#include <system_error>

#include "core/errors.h"
#include "platform/file_system.h"

namespace kuzo {

void TNkBigStream::CopyFromBig(TNkBigStream& source, int64_t count) {
  if (count <= 0) return;
  std::vector<char> block(static_cast<size_t>(std::min(count, kCopyBlockSize)));
  int64_t left = count;
  while (left > 0) {
    const int64_t n = std::min<int64_t>(left, static_cast<int64_t>(block.size()));
    const int64_t start = source.Position();
    const int64_t got = source.Read(block.data(), n);
    if (got != n) {
      throw FormatError(Format("%s: data: length %lld at offset 0x%llx exceeds %lld bytes left",
                               source.Name().c_str(), static_cast<long long>(n), static_cast<long long>(start),
                               static_cast<long long>(got)));
    }
    if (Write(block.data(), n) != n) throw KuzoError(Format("%s: write failed", name_.c_str()));
    left -= n;
  }
}

void TNkBigStream::CopyFrom(TNkBigStream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  CopyFromBig(source, count);
}

void TNkBigStream::ReadExact(void* buffer, int64_t count, const char* field) {
  const int64_t start = Position();
  const int64_t size = Size();
  const int64_t left = start >= size ? 0 : size - start;
  if (count < 0 || count > left || Read(buffer, count) != count) {
    throw FormatError(Format("%s: %s: length %lld at offset 0x%llx exceeds %lld bytes left", name_.c_str(), field,
                             static_cast<long long>(count), static_cast<long long>(start),
                             static_cast<long long>(left)));
  }
}

std::string TNkBigStream::ReadString(int64_t count, const char* field) {
  const int64_t left = std::max<int64_t>(0, Size() - Position());
  if (count < 0 || count > left) {
    throw FormatError(Format("%s: %s: length %lld at offset 0x%llx exceeds %lld bytes left", name_.c_str(), field,
                             static_cast<long long>(count), static_cast<long long>(Position()),
                             static_cast<long long>(left)));
  }
  std::string out(static_cast<size_t>(count), '\0');
  ReadExact(out.data(), count, field);
  return out;
}

// ---- memory stream ----

int64_t TNkBigMemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  const auto pos = static_cast<size_t>(position_);
  const auto n = static_cast<size_t>(count);
  if (pos > data_.size()) data_.resize(pos, '\0');
  if (pos == data_.size()) {
    data_.append(static_cast<const char*>(buffer), n);
  } else {
    if (pos + n > data_.size()) data_.resize(pos + n);
    std::memcpy(data_.data() + pos, buffer, n);
  }
  position_ += count;
  return count;
}

int64_t TNkBigMemoryStream::Read(void* buffer, int64_t count) {
  if (count <= 0 || position_ >= Size()) return 0;
  const int64_t n = std::min(count, Size() - position_);
  std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

void TNkBigMemoryStream::LoadFromFile(const std::filesystem::path& path) {
  auto content = platform::ReadWholeFile(path);
  if (!content) throw KuzoError(Format("%s: cannot be read", path.c_str()));
  SetData(std::move(*content));
}

void TNkBigMemoryStream::SaveToFile(const std::filesystem::path& path, platform::RenameSync sync) const {
  platform::WriteFileAtomic(path, data_, sync);
}

// ---- segmented file ----

std::filesystem::path TNkBigFileStream::SegmentPath(const std::filesystem::path& path, int index) {
  if (index == 0) return path;
  std::filesystem::path out = path;
  out.replace_extension(Format(".%.3d", index));
  return out;
}

TNkBigFileStream::TNkBigFileStream(const std::filesystem::path& path, Mode mode, int64_t segmentSize)
    : path_(path), mode_(mode), segmentSize_(segmentSize > 0 ? segmentSize : kSegmentSize) {
  name_ = path.filename().string();
  if (mode == Mode::kCreate) {
    // Leftover segments of an earlier, longer file would otherwise extend this one.
    for (int k = 1; k < 1000; ++k) {
      std::error_code ec;
      if (!std::filesystem::remove(SegmentPath(path, k), ec)) break;
    }
    auto first = platform::NativeFile::Open(path, platform::NativeFile::Mode::kCreate);
    if (!first) throw KuzoError(Format("%s: cannot be created", path.c_str()));
    segments_.push_back(std::move(first));
    return;
  }
  const auto fileMode =
      mode == Mode::kRead ? platform::NativeFile::Mode::kRead : platform::NativeFile::Mode::kReadWrite;
  auto first = platform::NativeFile::Open(path, fileMode);
  if (!first) throw KuzoError(Format("%s: cannot be opened", path.c_str()));
  segments_.push_back(std::move(first));
  for (int k = 1; k < 1000; ++k) {
    const std::filesystem::path segment = SegmentPath(path, k);
    auto next = platform::NativeFile::Open(segment, fileMode);
    if (!next) {
      // Copied from a disc or another system, "GAME.DAT" may come with "game.001".
      const std::filesystem::path dir = path.parent_path().empty() ? std::filesystem::path(".") : path.parent_path();
      if (auto other = platform::ResolveGameFile(dir, segment.filename().string())) next = platform::NativeFile::Open(*other, fileMode);
    }
    if (!next) break;
    segments_.push_back(std::move(next));
  }
}

TNkBigFileStream::~TNkBigFileStream() {
  if (mode_ != Mode::kRead) Flush();
}

int64_t TNkBigFileStream::Size() const {
  int64_t total = 0;
  for (const auto& s : segments_) total += static_cast<int64_t>(s->Size());
  return total;
}

void TNkBigFileStream::SetPosition(int64_t position) { position_ = std::clamp<int64_t>(position, 0, Size()); }

int64_t TNkBigFileStream::ReadAt(int64_t position, void* buffer, int64_t count) const {
  if (position < 0 || count <= 0) return 0;
  auto* out = static_cast<char*>(buffer);
  int64_t done = 0;
  while (done < count) {
    const int64_t pos = position + done;
    const int64_t index = pos / segmentSize_;
    if (index >= static_cast<int64_t>(segments_.size())) break;
    const int64_t inSegment = pos % segmentSize_;
    const int64_t n = std::min(count - done, segmentSize_ - inSegment);
    const size_t got = segments_[static_cast<size_t>(index)]->ReadAt(static_cast<uint64_t>(inSegment), out + done,
                                                                     static_cast<size_t>(n));
    done += static_cast<int64_t>(got);
    if (static_cast<int64_t>(got) < n) break;
  }
  return done;
}

int64_t TNkBigFileStream::Read(void* buffer, int64_t count) {
  const int64_t got = ReadAt(position_, buffer, count);
  position_ += got;
  return got;
}

int64_t TNkBigFileStream::Write(const void* buffer, int64_t count) {
  if (mode_ == Mode::kRead || count <= 0) return 0;
  const auto* in = static_cast<const char*>(buffer);
  int64_t done = 0;
  while (done < count) {
    const int64_t index = position_ / segmentSize_;
    const int64_t inSegment = position_ % segmentSize_;
    while (static_cast<int64_t>(segments_.size()) <= index) {
      // A write passing a segment boundary starts the next segment.
      auto next = platform::NativeFile::Open(SegmentPath(path_, static_cast<int>(segments_.size())),
                                             platform::NativeFile::Mode::kCreate);
      if (!next) return done;
      segments_.push_back(std::move(next));
    }
    const int64_t n = std::min(count - done, segmentSize_ - inSegment);
    if (!segments_[static_cast<size_t>(index)]->WriteAt(static_cast<uint64_t>(inSegment), in + done,
                                                         static_cast<size_t>(n))) {
      return done;
    }
    done += n;
    position_ += n;
  }
  return done;
}

bool TNkBigFileStream::Flush() {
  bool ok = true;
  for (auto& s : segments_) ok = s->Sync() && ok;
  return ok;
}

// ---- buffered reader ----

TNkBuffBigStream::TNkBuffBigStream(TNkBigStream& source) : source_(&source) {
  name_ = source.Name();
  buffer_.resize(static_cast<size_t>(kBufferSize));
}

int64_t TNkBuffBigStream::Read(void* buffer, int64_t count) {
  if (count <= 0 || released_) return 0;
  auto* out = static_cast<char*>(buffer);
  int64_t done = 0;
  while (done < count) {
    if (used_ == filled_) {
      if (count - done >= kBufferSize) {
        // Large reads bypass the buffer.
        const int64_t got = source_->Read(out + done, count - done);
        return done + got;
      }
      filled_ = source_->Read(buffer_.data(), kBufferSize);
      used_ = 0;
      if (filled_ <= 0) {
        filled_ = 0;
        break;
      }
    }
    const int64_t n = std::min(count - done, filled_ - used_);
    std::memcpy(out + done, buffer_.data() + used_, static_cast<size_t>(n));
    used_ += n;
    done += n;
  }
  return done;
}

uint32_t TNkBuffBigStream::ReadU32(const char* field) {
  uint8_t b[4];
  const int64_t at = Position();
  const int64_t got = Read(b, 4);
  if (got != 4) {
    throw FormatError(Format("%s: %s: length 4 at offset 0x%llx exceeds %lld bytes left", name_.c_str(), field,
                             static_cast<long long>(at), static_cast<long long>(got)));
  }
  return uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24);
}

void TNkBuffBigStream::SetPosition(int64_t position) {
  const int64_t bufferStart = source_->Position() - filled_;
  if (position >= bufferStart && position <= source_->Position()) {
    used_ = position - bufferStart;
    return;
  }
  source_->SetPosition(position);
  filled_ = used_ = 0;
}

void TNkBuffBigStream::Release() {
  if (released_) return;
  released_ = true;
  if (filled_ > used_) source_->SetPosition(source_->Position() - (filled_ - used_));
  filled_ = used_ = 0;
}

}  // namespace kuzo
