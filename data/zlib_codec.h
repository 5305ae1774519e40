// Whole-buffer zlib inflate (libdeflate; zlib's streaming inflate kept as the reference), deflate at
// the archive writer's level, and CRC-32. Inflated sizes are bounded so a hostile stream cannot
// demand an absurd allocation.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kuzo {

// Largest content an archive entry may inflate to.
constexpr int64_t kMaxInflatedSize = int64_t{1} << 31;

// Inflates a complete zlib stream (header, deflate data, Adler-32). Bytes after the stream are
// ignored. Raises FormatError naming `source` for corrupt, truncated or oversized data.
std::string InflateZlib(std::span<const uint8_t> compressed, std::string_view source);
std::string InflateZlib(std::string_view compressed, std::string_view source);
// The same through zlib's streaming inflate in 1 MiB steps (reference and benchmark baseline).
std::string InflateZlibStreaming(std::span<const uint8_t> compressed, std::string_view source);

// A zlib stream of `content` at compression level `level` (the archive writer uses 1).
std::string DeflateZlib(std::string_view content, int level = 1);

// CRC-32 (reflected polynomial 0xEDB88320, initial 0xFFFFFFFF, final inversion); `crc` continues a
// previous value.
uint32_t Crc32(std::string_view data, uint32_t crc = 0);

}  // namespace kuzo
