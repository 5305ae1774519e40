// Bounds, counts and little-endian layout of the reader and writer every parser is built on.
#include "core/byte_reader.h"

#include <gtest/gtest.h>

namespace kuzo {
namespace {

TEST(ByteReaderTest, ReadsLittleEndianValuesAndStrings) {
  ByteWriter w;
  w.U8(0xAB);
  w.U16(0x1234);
  w.U32(0xDEADBEEF);
  w.I64(-2);
  w.String("abc");
  w.I32(-5);  // a negative string length reads as empty
  ByteReader r(w.Str(), "test");
  EXPECT_EQ(r.U8(), 0xAB);
  EXPECT_EQ(r.U16(), 0x1234);
  EXPECT_EQ(r.U32(), 0xDEADBEEFu);
  EXPECT_EQ(r.I64(), -2);
  EXPECT_EQ(r.String(), "abc");
  EXPECT_EQ(r.String(), "");
  EXPECT_TRUE(r.AtEnd());
}

TEST(ByteReaderTest, ShortReadNamesSourceFieldOffsetAndSizes) {
  std::string data("\x10\x00\x00\x00xy", 6);
  ByteReader r(data, "archive.dat");
  try {
    r.String("name 3");
    FAIL() << "expected a format error";
  } catch (const FormatError& e) {
    EXPECT_STREQ(e.what(), "archive.dat: name 3: length 16 at offset 0x4 exceeds 2 bytes left");
  }
}

TEST(ByteReaderTest, CountRejectsMoreItemsThanBytesLeft) {
  ByteWriter w;
  w.U32(0x7FFFFFFF);
  w.U32(0);
  ByteReader r(w.Str(), "t");
  EXPECT_THROW(r.Count(4, "entries"), FormatError);
  EXPECT_EQ(r.Position(), 0u);
  ByteWriter ok;
  ok.U32(2);
  ok.U64(0);
  ByteReader r2(ok.Str(), "t");
  EXPECT_EQ(r2.Count(4, "entries"), 2u);
}

TEST(ByteReaderTest, SeekAndSkipStayInside) {
  std::string data(8, '\0');
  ByteReader r(data, "t");
  r.Seek(8);
  EXPECT_TRUE(r.AtEnd());
  EXPECT_THROW(r.Seek(9), FormatError);
  r.Seek(2);
  EXPECT_THROW(r.Skip(7), FormatError);
  EXPECT_THROW(r.U64(), FormatError);
  EXPECT_EQ(r.U32(), 0u);
}

TEST(ByteWriterTest, PatchesAnEarlierValue) {
  ByteWriter w;
  w.U32(0);
  w.U8(7);
  w.PatchU32(0, 0x01020304);
  EXPECT_EQ(w.Str(), std::string("\x04\x03\x02\x01\x07", 5));
}

}  // namespace
}  // namespace kuzo
