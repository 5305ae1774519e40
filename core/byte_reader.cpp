// Bounded reading and little-endian writing of the player's binary formats.
#include "core/byte_reader.h"

#include <cstring>

namespace kuzo {

ByteReader::ByteReader(std::span<const uint8_t> data, std::string source)
    : data_(data), source_(std::move(source)) {}

ByteReader::ByteReader(std::string_view data, std::string source)
    : data_(reinterpret_cast<const uint8_t*>(data.data()), data.size()), source_(std::move(source)) {}

void ByteReader::Fail(const char* field, const std::string& reason) const {
  throw FormatError(Format("%s: %s at offset 0x%zx: %s", source_.c_str(), field, pos_, reason.c_str()));
}

void ByteReader::Need(size_t count, const char* field) const {
  if (count > Remaining()) {
    throw FormatError(Format("%s: %s: length %zu at offset 0x%zx exceeds %zu bytes left", source_.c_str(),
                             field, count, pos_, Remaining()));
  }
}

void ByteReader::Seek(size_t pos, const char* field) {
  if (pos > data_.size()) {
    throw FormatError(Format("%s: %s: offset 0x%zx is beyond the end (%zu bytes)", source_.c_str(), field, pos,
                             data_.size()));
  }
  pos_ = pos;
}

void ByteReader::Skip(size_t count, const char* field) {
  Need(count, field);
  pos_ += count;
}

uint8_t ByteReader::U8(const char* field) {
  Need(1, field);
  return data_[pos_++];
}

uint16_t ByteReader::U16(const char* field) {
  Need(2, field);
  uint16_t v = static_cast<uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
  pos_ += 2;
  return v;
}

uint32_t ByteReader::U32(const char* field) {
  Need(4, field);
  const uint8_t* p = data_.data() + pos_;
  uint32_t v = uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
  pos_ += 4;
  return v;
}

uint64_t ByteReader::U64(const char* field) {
  Need(8, field);
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | data_[pos_ + static_cast<size_t>(i)];
  pos_ += 8;
  return v;
}

std::string ByteReader::Bytes(size_t count, const char* field) {
  Need(count, field);
  std::string out(reinterpret_cast<const char*>(data_.data() + pos_), count);
  pos_ += count;
  return out;
}

std::span<const uint8_t> ByteReader::View(size_t count, const char* field) {
  Need(count, field);
  auto out = data_.subspan(pos_, count);
  pos_ += count;
  return out;
}

void ByteReader::Read(void* out, size_t count, const char* field) {
  Need(count, field);
  if (count) std::memcpy(out, data_.data() + pos_, count);
  pos_ += count;
}

std::string ByteReader::String(const char* field) {
  int32_t len = I32(field);
  if (len <= 0) return {};
  return Bytes(static_cast<size_t>(len), field);
}

uint32_t ByteReader::Count(size_t minItemBytes, const char* field) {
  uint32_t n = U32(field);
  if (minItemBytes > 0 && n > Remaining() / minItemBytes) {
    pos_ -= 4;
    throw FormatError(Format("%s: %s: count %u at offset 0x%zx needs at least %zu bytes, %zu left", source_.c_str(),
                             field, n, pos_, static_cast<size_t>(n) * minItemBytes, Remaining() - 4));
  }
  return n;
}

void ByteWriter::U16(uint16_t v) {
  U8(static_cast<uint8_t>(v));
  U8(static_cast<uint8_t>(v >> 8));
}

void ByteWriter::U32(uint32_t v) {
  for (int i = 0; i < 4; ++i) U8(static_cast<uint8_t>(v >> (8 * i)));
}

void ByteWriter::U64(uint64_t v) {
  for (int i = 0; i < 8; ++i) U8(static_cast<uint8_t>(v >> (8 * i)));
}

void ByteWriter::String(std::string_view s) {
  U32(static_cast<uint32_t>(s.size()));
  Bytes(s);
}

void ByteWriter::PatchU32(size_t offset, uint32_t v) {
  for (int i = 0; i < 4; ++i) out_[offset + static_cast<size_t>(i)] = static_cast<char>(v >> (8 * i));
}

}  // namespace kuzo
