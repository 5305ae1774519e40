// The 10-byte extended float form (golden bytes, round trips, special values) and the
// float-to-integer rule.
#include "vars/float80.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/byte_reader.h"

namespace kuzo {
namespace {

std::string Hex(long double v) {
  uint8_t b[kFloat80Bytes];
  EncodeFloat80(v, b);
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  for (uint8_t x : b) {
    out += kHex[x >> 4];
    out += kHex[x & 15];
  }
  return out;
}

long double FromHex(const char* hex) {
  uint8_t b[kFloat80Bytes];
  for (int i = 0; i < kFloat80Bytes; ++i) b[i] = static_cast<uint8_t>(std::stoi(std::string(hex + 2 * i, 2), nullptr, 16));
  return DecodeFloat80(b);
}

TEST(Float80, GoldenEncodings) {
  EXPECT_EQ(Hex(0.0L), "00000000000000000000");
  EXPECT_EQ(Hex(-0.0L), "00000000000000000080");
  EXPECT_EQ(Hex(1.0L), "0000000000000080ff3f");
  EXPECT_EQ(Hex(-2.0L), "000000000000008000c0");
  EXPECT_EQ(Hex(1.5L), "00000000000000c0ff3f");
  EXPECT_EQ(Hex(0.1L), "cdccccccccccccccfb3f");
  EXPECT_EQ(Hex(1e4000L), "618c55fe2383bad1e673");  // only the x87 format reaches this far
  EXPECT_EQ(Hex(std::numeric_limits<long double>::infinity()), "0000000000000080ff7f");
  EXPECT_EQ(Hex(-std::numeric_limits<long double>::infinity()), "0000000000000080ffff");
  EXPECT_EQ(Hex(std::numeric_limits<long double>::quiet_NaN()).substr(14), "c0ff7f");
  // Smallest denormal: significand 1, exponent field 0.
  EXPECT_EQ(Hex(std::numeric_limits<long double>::denorm_min()), "01000000000000000000");
}

TEST(Float80, DecodesWhatItEncodes) {
  for (long double v : {1.0L, -3.25L, 0.1L, 1e-300L, 123456789.123456789L, 1e300L, 1e-4940L,
                        std::numeric_limits<long double>::max(), std::numeric_limits<long double>::min()}) {
    uint8_t b[kFloat80Bytes];
    EncodeFloat80(v, b);
    EXPECT_EQ(DecodeFloat80(b), v);
  }
  EXPECT_EQ(FromHex("0000000000000080ff3f"), 1.0L);
  EXPECT_EQ(FromHex("cdccccccccccccccfb3f"), 0.1L);
  EXPECT_TRUE(std::isinf(FromHex("0000000000000080ff7f")));
  EXPECT_TRUE(std::isnan(FromHex("0000000000000040ff7f")));  // no integer bit: invalid
  EXPECT_TRUE(std::signbit(FromHex("00000000000000000080")));
}

TEST(Float80, StreamHelpersUseTenBytes) {
  ByteWriter w;
  WriteFloat80(w, 2.5L);
  ASSERT_EQ(w.Size(), 10u);
  ByteReader r(w.Str(), "test");
  EXPECT_EQ(ReadFloat80(r, "value"), 2.5L);
  ByteReader shortReader(std::string_view(w.Str()).substr(0, 9), "test");
  EXPECT_THROW(ReadFloat80(shortReader, "value"), FormatError);
}

TEST(Float80, FloatToIntegerTruncatesThrough64BitsAndKeepsTheLow32) {
  EXPECT_EQ(FloatToInt32(2.9L), 2);
  EXPECT_EQ(FloatToInt32(-2.9L), -2);
  EXPECT_EQ(FloatToInt32(2147483648.0L), -2147483647 - 1);
  EXPECT_EQ(FloatToInt32(4294967297.5L), 1);
  EXPECT_EQ(FloatToInt32(-4294967297.0L), -1);
  EXPECT_EQ(FloatToInt32(9223372036854775807.0L), -1);  // 2^63 - 1 is exact in 64 bits
  EXPECT_EQ(FloatToInt32(9223372036854775808.0L), 0);   // 2^63: integer indefinite
  EXPECT_EQ(FloatToInt32(-9223372036854775808.0L), 0);  // -2^63 fits: low 32 bits are 0
  EXPECT_EQ(FloatToInt32(-9223372036854771712.0L), 4096);
  EXPECT_EQ(FloatToInt32(1e30L), 0);
  EXPECT_EQ(FloatToInt32(std::numeric_limits<long double>::quiet_NaN()), 0);
  EXPECT_EQ(FloatToInt32(-std::numeric_limits<long double>::infinity()), 0);
}

}  // namespace
}  // namespace kuzo
