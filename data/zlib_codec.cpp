// zlib streams of archive entries: libdeflate for whole-buffer inflate (several times zlib's speed),
// zlib for deflate, CRC-32 and the streaming reference inflate.
#include "data/zlib_codec.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "core/errors.h"

namespace kuzo {
namespace {

// Deflate cannot expand data by more than this factor; a larger claimed output is corrupt.
constexpr int64_t kMaxDeflateRatio = 1032;
constexpr int64_t kInitialOutputFactor = 16;  // archive content inflates 2 to 10 times, text more
constexpr int64_t kMinInitialOutput = 64 * 1024;

int64_t OutputLimit(size_t inputSize) {
  const int64_t bound = static_cast<int64_t>(inputSize) * kMaxDeflateRatio + kMinInitialOutput;
  return std::min(bound, kMaxInflatedSize);
}

[[noreturn]] void Corrupt(std::string_view source, size_t size, const char* why) {
  throw FormatError(Format("%.*s: zlib data: %s (%zu stored bytes)", static_cast<int>(source.size()), source.data(),
                           why, size));
}

struct DecompressorDeleter {
  void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

libdeflate_decompressor* Decompressor() {
  thread_local std::unique_ptr<libdeflate_decompressor, DecompressorDeleter> d(libdeflate_alloc_decompressor());
  return d.get();
}

// Inflated output goes into scratch room that is not zero-filled: room the stream does not need
// costs no memory traffic (its pages are never touched). The result is then copied once into a
// string of the exact size, so a cached entry holds no slack.
class Scratch {
 public:
  explicit Scratch(int64_t capacity) { Allocate(capacity); }
  char* Data() { return data_.get(); }
  int64_t Capacity() const { return capacity_; }
  // Starts over with more room (the content is dropped).
  void Reallocate(int64_t capacity) {
    data_.reset();
    Allocate(capacity);
  }
  // More room keeping the first `keep` bytes.
  void Grow(int64_t capacity, int64_t keep) {
    auto bigger = std::make_unique_for_overwrite<char[]>(static_cast<size_t>(capacity));
    std::memcpy(bigger.get(), data_.get(), static_cast<size_t>(keep));
    data_ = std::move(bigger);
    capacity_ = capacity;
  }
  std::string Result(int64_t size) const { return std::string(data_.get(), static_cast<size_t>(size)); }

 private:
  void Allocate(int64_t capacity) {
    data_ = std::make_unique_for_overwrite<char[]>(static_cast<size_t>(capacity));
    capacity_ = capacity;
  }
  std::unique_ptr<char[]> data_;
  int64_t capacity_ = 0;
};

int64_t InitialCapacity(size_t inputSize, int64_t limit) {
  return std::min(limit, std::max<int64_t>(kMinInitialOutput, static_cast<int64_t>(inputSize) * kInitialOutputFactor));
}

}  // namespace

std::string InflateZlib(std::span<const uint8_t> compressed, std::string_view source) {
  libdeflate_decompressor* d = Decompressor();
  if (d == nullptr) throw KuzoError("out of memory for the inflater");
  const int64_t limit = OutputLimit(compressed.size());
  // The stream does not store its inflated size: guess generously (untouched room is free), and
  // start over with twice the room when it was short.
  Scratch out(InitialCapacity(compressed.size(), limit));
  for (;;) {
    size_t inUsed = 0;
    size_t outSize = 0;
    const libdeflate_result r = libdeflate_zlib_decompress_ex(d, compressed.data(), compressed.size(), out.Data(),
                                                              static_cast<size_t>(out.Capacity()), &inUsed, &outSize);
    if (r == LIBDEFLATE_SUCCESS) return out.Result(static_cast<int64_t>(outSize));
    if (r != LIBDEFLATE_INSUFFICIENT_SPACE) Corrupt(source, compressed.size(), "corrupt or truncated stream");
    if (out.Capacity() >= limit) Corrupt(source, compressed.size(), "inflated size exceeds the limit");
    out.Reallocate(std::min(limit, out.Capacity() * 2));
  }
}

std::string InflateZlib(std::string_view compressed, std::string_view source) {
  return InflateZlib(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(compressed.data()), compressed.size()),
                     source);
}

std::string InflateZlibStreaming(std::span<const uint8_t> compressed, std::string_view source) {
  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) throw KuzoError("out of memory for the inflater");
  const int64_t limit = OutputLimit(compressed.size());
  // The same scratch and first guess as above; zlib continues where it stopped instead of
  // starting over, so growing keeps what was inflated.
  Scratch out(InitialCapacity(compressed.size(), limit));
  int64_t produced = 0;
  zs.next_in = const_cast<Bytef*>(compressed.data());
  size_t inLeft = compressed.size();
  for (;;) {
    if (zs.avail_in == 0 && inLeft > 0) {
      const auto n = static_cast<uInt>(std::min<size_t>(inLeft, 1u << 30));
      zs.avail_in = n;
      inLeft -= n;
    }
    if (produced == out.Capacity()) {
      if (out.Capacity() >= limit) {
        inflateEnd(&zs);
        Corrupt(source, compressed.size(), "inflated size exceeds the limit");
      }
      out.Grow(std::min(limit, out.Capacity() * 2), produced);
    }
    const auto room = static_cast<uInt>(std::min<int64_t>(out.Capacity() - produced, 1 << 30));
    zs.next_out = reinterpret_cast<Bytef*>(out.Data() + produced);
    zs.avail_out = room;
    const int rc = inflate(&zs, Z_NO_FLUSH);
    produced += room - zs.avail_out;
    if (rc == Z_STREAM_END) break;
    if (rc != Z_OK || (zs.avail_in == 0 && inLeft == 0 && zs.avail_out != 0)) {
      inflateEnd(&zs);
      Corrupt(source, compressed.size(), "corrupt or truncated stream");
    }
  }
  inflateEnd(&zs);
  return out.Result(produced);
}

std::string DeflateZlib(std::string_view content, int level) {
  uLongf bound = compressBound(static_cast<uLong>(content.size()));
  std::string out(bound, '\0');
  const int rc = compress2(reinterpret_cast<Bytef*>(out.data()), &bound,
                           reinterpret_cast<const Bytef*>(content.data()), static_cast<uLong>(content.size()), level);
  if (rc != Z_OK) throw KuzoError("deflate failed");
  out.resize(bound);
  return out;
}

uint32_t Crc32(std::string_view data, uint32_t crc) {
  const auto* p = reinterpret_cast<const Bytef*>(data.data());
  size_t left = data.size();
  uLong value = crc;
  while (left > 0) {
    const auto n = static_cast<uInt>(std::min<size_t>(left, 1u << 30));
    value = crc32(value, p, n);
    p += n;
    left -= n;
  }
  return static_cast<uint32_t>(value);
}

}  // namespace kuzo
