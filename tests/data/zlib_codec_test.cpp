// Inflate (both implementations agree), deflate, CRC-32 and the limits against hostile streams.
#include "data/zlib_codec.h"

#include <gtest/gtest.h>

#include "core/errors.h"
#include "tests/data/archive_bytes.h"

namespace kuzo {
namespace {

std::span<const uint8_t> Span(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

TEST(ZlibCodecTest, Crc32CheckValueAndContinuation) {
  EXPECT_EQ(Crc32("123456789"), 0xCBF43926u);
  EXPECT_EQ(Crc32(""), 0u);
  EXPECT_EQ(Crc32("6789", Crc32("12345")), 0xCBF43926u);
}

TEST(ZlibCodecTest, BothInflatersAgreeOnSmallLargeAndEmptyContent) {
  for (size_t size : {size_t{0}, size_t{1}, size_t{70000}, size_t{3000000}}) {
    const std::string content = testing::TextBytes(size, static_cast<uint32_t>(size));
    const std::string packed = DeflateZlib(content, 1);
    EXPECT_EQ(static_cast<uint8_t>(packed[0]), 0x78);  // zlib header
    EXPECT_EQ(InflateZlib(packed, "t"), content) << size;
    EXPECT_EQ(InflateZlibStreaming(Span(packed), "t"), content) << size;
  }
  // Highly compressible content needs several output growths.
  const std::string zeros(20000000, '\0');
  EXPECT_EQ(InflateZlib(DeflateZlib(zeros, 9), "t"), zeros);
}

// The first output guess is at least 64 KiB: content of exactly that size must fit without a retry
// and one byte more must grow, in both inflaters.
TEST(ZlibCodecTest, OutputExactlyAtAndJustPastTheFirstGuess) {
  for (size_t size : {size_t{65535}, size_t{65536}, size_t{65537}, size_t{131072}, size_t{131073}}) {
    const std::string content(size, 'k');
    const std::string packed = DeflateZlib(content, 9);
    EXPECT_EQ(InflateZlib(packed, "t"), content) << size;
    EXPECT_EQ(InflateZlibStreaming(Span(packed), "t"), content) << size;
  }
}

TEST(ZlibCodecTest, ResultHoldsNoSlackFromTheGuess) {
  // Poorly compressible bytes: the guess is many times the content.
  std::string content = testing::TextBytes(300000, 8);
  for (size_t i = 0; i < content.size(); i += 3) content[i] = static_cast<char>(i * 2654435761u >> 13);
  const std::string packed = DeflateZlib(content, 1);
  for (const std::string& got : {InflateZlib(packed, "t"), InflateZlibStreaming(Span(packed), "t")}) {
    EXPECT_EQ(got, content);
    EXPECT_LT(got.capacity(), content.size() + 4096);
  }
}

TEST(ZlibCodecTest, TrailingBytesAfterTheStreamAreIgnored) {
  const std::string packed = DeflateZlib("payload") + "garbage after";
  EXPECT_EQ(InflateZlib(packed, "t"), "payload");
  EXPECT_EQ(InflateZlibStreaming(Span(packed), "t"), "payload");
}

TEST(ZlibCodecTest, CorruptTruncatedAndBadChecksumStreamsAreFormatErrors) {
  const std::string packed = DeflateZlib(testing::TextBytes(5000, 4));
  for (size_t cut : {size_t{0}, size_t{1}, size_t{2}, packed.size() / 2, packed.size() - 1}) {
    EXPECT_THROW(InflateZlib(packed.substr(0, cut), "t"), FormatError) << cut;
    EXPECT_THROW(InflateZlibStreaming(Span(packed.substr(0, cut)), "t"), FormatError) << cut;
  }
  std::string badAdler = packed;
  badAdler.back() = static_cast<char>(badAdler.back() ^ 1);
  EXPECT_THROW(InflateZlib(badAdler, "t"), FormatError);
  EXPECT_THROW(InflateZlibStreaming(Span(badAdler), "t"), FormatError);
  try {
    InflateZlib(std::string("\x78\x01junk", 6), "game.dat: a.txt");
    FAIL();
  } catch (const FormatError& e) {
    EXPECT_NE(std::string(e.what()).find("game.dat: a.txt"), std::string::npos);
  }
}

}  // namespace
}  // namespace kuzo
