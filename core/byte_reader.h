// Bounded little-endian reader over untrusted bytes. Every read checks what is left and raises a
// FormatError naming the source, the field, the offset and the sizes; nothing reads past the span.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "core/errors.h"

namespace kuzo {

class ByteReader {
 public:
  // `source` names the file or record in error messages ("kuzo.kpb", "save.dat: game 3").
  ByteReader(std::span<const uint8_t> data, std::string source);
  ByteReader(std::string_view data, std::string source);

  size_t Position() const { return pos_; }
  size_t Size() const { return data_.size(); }
  size_t Remaining() const { return data_.size() - pos_; }
  bool AtEnd() const { return pos_ == data_.size(); }
  const std::string& Source() const { return source_; }
  std::span<const uint8_t> Data() const { return data_; }

  void Seek(size_t pos, const char* field = "position");
  void Skip(size_t count, const char* field = "bytes");

  uint8_t U8(const char* field = "byte");
  uint16_t U16(const char* field = "u16");
  uint32_t U32(const char* field = "u32");
  int32_t I32(const char* field = "i32") { return static_cast<int32_t>(U32(field)); }
  uint64_t U64(const char* field = "u64");
  int64_t I64(const char* field = "i64") { return static_cast<int64_t>(U64(field)); }
  bool Bool(const char* field = "flag") { return U8(field) != 0; }

  // Raw bytes, copied out or viewed in place.
  std::string Bytes(size_t count, const char* field = "bytes");
  std::span<const uint8_t> View(size_t count, const char* field = "bytes");
  void Read(void* out, size_t count, const char* field = "bytes");

  // A string as the player's binary formats store it: a 32-bit little-endian byte count, then the
  // bytes. A count of zero or less (as a signed value) is the empty string.
  std::string String(const char* field = "string");

  // A 32-bit count of items that each take at least `minItemBytes` bytes: rejected when the rest of
  // the data could not hold that many, so callers may reserve the count safely.
  uint32_t Count(size_t minItemBytes, const char* field = "count");

  // Raises the format error for `field` at the current offset with a free-form reason.
  [[noreturn]] void Fail(const char* field, const std::string& reason) const;

 private:
  void Need(size_t count, const char* field) const;

  std::span<const uint8_t> data_;
  size_t pos_ = 0;
  std::string source_;
};

// Appends little-endian values to a byte string; the writing twin of ByteReader.
class ByteWriter {
 public:
  void U8(uint8_t v) { out_.push_back(static_cast<char>(v)); }
  void U16(uint16_t v);
  void U32(uint32_t v);
  void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
  void U64(uint64_t v);
  void I64(int64_t v) { U64(static_cast<uint64_t>(v)); }
  void Bool(bool v) { U8(v ? 1 : 0); }
  void Bytes(std::string_view bytes) { out_.append(bytes); }
  void Bytes(const void* data, size_t count) { out_.append(static_cast<const char*>(data), count); }
  void String(std::string_view s);  // u32 length + bytes

  size_t Size() const { return out_.size(); }
  const std::string& Str() const { return out_; }
  std::string& Str() { return out_; }
  std::string Take() { return std::move(out_); }
  // Overwrites a u32 written earlier (sizes and offsets known only later).
  void PatchU32(size_t offset, uint32_t v);

 private:
  std::string out_;
};

}  // namespace kuzo
