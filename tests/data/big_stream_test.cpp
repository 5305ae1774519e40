// Segmented files, memory streams and the buffered reader.
#include "data/big_stream.h"

#include <gtest/gtest.h>

#include "core/errors.h"
#include "tests/data/archive_bytes.h"

namespace kuzo {
namespace {

using testing::ScratchDir;

TEST(TNkBigFileStreamTest, SegmentNamesReplaceTheExtension) {
  EXPECT_EQ(TNkBigFileStream::SegmentPath("/g/game.dat", 0), "/g/game.dat");
  EXPECT_EQ(TNkBigFileStream::SegmentPath("/g/game.dat", 1), "/g/game.001");
  EXPECT_EQ(TNkBigFileStream::SegmentPath("/g/game.dat", 12), "/g/game.012");
  EXPECT_EQ(TNkBigFileStream::SegmentPath("/g/noext", 2), "/g/noext.002");
}

TEST(TNkBigFileStreamTest, WritesAndReadsSplitAtSegmentBoundaries) {
  ScratchDir dir;
  const auto path = dir.path() / "data.dat";
  const std::string content = testing::RandomBytes(2500, 1);
  {
    TNkBigFileStream out(path, TNkBigFileStream::Mode::kCreate, 1000);
    ASSERT_EQ(out.Write(content.data(), 2500), 2500);
    EXPECT_EQ(out.SegmentCount(), 3u);
    EXPECT_EQ(out.Size(), 2500);
  }
  EXPECT_EQ(std::filesystem::file_size(path), 1000u);
  EXPECT_EQ(std::filesystem::file_size(dir.path() / "data.001"), 1000u);
  EXPECT_EQ(std::filesystem::file_size(dir.path() / "data.002"), 500u);
  TNkBigFileStream in(path, TNkBigFileStream::Mode::kRead, 1000);
  EXPECT_EQ(in.Size(), 2500);
  in.SetPosition(990);
  std::string part(30, '\0');
  ASSERT_EQ(in.Read(part.data(), 30), 30);
  EXPECT_EQ(part, content.substr(990, 30));
  in.SetPosition(1995);
  ASSERT_EQ(in.Read(part.data(), 30), 30);
  EXPECT_EQ(part, content.substr(1995, 30));
  // Reads stop at the end; positions are clamped to the size.
  in.SetPosition(2490);
  EXPECT_EQ(in.Read(part.data(), 30), 10);
  in.SetPosition(99999);
  EXPECT_EQ(in.Position(), 2500);
  in.SetPosition(-5);
  EXPECT_EQ(in.Position(), 0);
  EXPECT_EQ(in.Write("x", 1), 0);  // read-only
}

TEST(TNkBigFileStreamTest, CreateDeletesEveryOldSegment) {
  ScratchDir dir;
  const auto path = dir.path() / "s.dat";
  {
    TNkBigFileStream out(path, TNkBigFileStream::Mode::kCreate, 100);
    const std::string big(350, 'a');
    out.Write(big.data(), 350);
  }
  {
    TNkBigFileStream out(path, TNkBigFileStream::Mode::kCreate, 100);
    out.Write("short", 5);
  }
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "s.001"));
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "s.003"));
  TNkBigFileStream in(path, TNkBigFileStream::Mode::kRead, 100);
  EXPECT_EQ(in.Size(), 5);
  EXPECT_THROW(TNkBigFileStream(dir.path() / "missing.dat", TNkBigFileStream::Mode::kRead), KuzoError);
}

TEST(TNkBigFileStreamTest, SegmentsAreFoundWhateverTheirLetterCase) {
  ScratchDir dir;
  const std::string content = testing::RandomBytes(250, 2);
  {
    TNkBigFileStream out(dir.path() / "game.dat", TNkBigFileStream::Mode::kCreate, 100);
    out.Write(content.data(), 250);
  }
  std::filesystem::rename(dir.path() / "game.dat", dir.path() / "GAME.DAT");
  std::filesystem::rename(dir.path() / "game.002", dir.path() / "Game.002");
  TNkBigFileStream in(dir.path() / "GAME.DAT", TNkBigFileStream::Mode::kRead, 100);
  EXPECT_EQ(in.SegmentCount(), 3u);
  ASSERT_EQ(in.Size(), 250);
  std::string back(250, '\0');
  ASSERT_EQ(in.Read(back.data(), 250), 250);
  EXPECT_EQ(back, content);
}

TEST(TNkBigMemoryStreamTest, GrowsOnWriteAndCopiesBetweenStreams) {
  TNkBigMemoryStream m;
  m.SetPosition(4);
  m.Write("ab", 2);
  EXPECT_EQ(m.Data(), std::string("\0\0\0\0ab", 6));
  m.SetPosition(1);
  m.Write("XYZWVU", 6);
  EXPECT_EQ(m.Data(), std::string("\0XYZWVU", 7));
  TNkBigMemoryStream src(std::string("0123456789"));
  TNkBigMemoryStream dst;
  src.SetPosition(7);
  dst.CopyFrom(src, 0);  // 0: the whole source from its start
  EXPECT_EQ(dst.Data(), "0123456789");
  src.SetPosition(8);
  TNkBigMemoryStream short_dst;
  EXPECT_THROW(short_dst.CopyFromBig(src, 5), FormatError);
}

TEST(TNkBigMemoryStreamTest, ReadExactNamesFieldOffsetAndSizes) {
  TNkBigMemoryStream m(std::string("abc"), "save.dat");
  char buf[8];
  m.SetPosition(1);
  try {
    m.ReadExact(buf, 8, "header");
    FAIL();
  } catch (const FormatError& e) {
    EXPECT_EQ(std::string(e.what()), "save.dat: header: length 8 at offset 0x1 exceeds 2 bytes left");
  }
  EXPECT_THROW(m.ReadString(-1, "x"), FormatError);
}

TEST(TNkBigMemoryStreamTest, SaveAndLoadThroughAFile) {
  ScratchDir dir;
  TNkBigMemoryStream m(std::string("persisted"));
  m.SaveToFile(dir.path() / "m.bin");
  TNkBigMemoryStream back;
  back.LoadFromFile(dir.path() / "m.bin");
  EXPECT_EQ(back.Data(), "persisted");
  EXPECT_THROW(back.LoadFromFile(dir.path() / "none.bin"), KuzoError);
}

TEST(TNkBuffBigStreamTest, ReleaseGivesUnreadBytesBack) {
  const std::string content = testing::RandomBytes(300000, 3);
  TNkBigMemoryStream source(content);
  source.SetPosition(10);
  {
    TNkBuffBigStream buffered(source);
    char buf[100];
    ASSERT_EQ(buffered.Read(buf, 100), 100);
    EXPECT_EQ(std::string(buf, 100), content.substr(10, 100));
    EXPECT_EQ(buffered.Position(), 110);
    EXPECT_EQ(buffered.ReadU32("value"), uint32_t(uint8_t(content[110])) | uint32_t(uint8_t(content[111])) << 8 |
                                              uint32_t(uint8_t(content[112])) << 16 |
                                              uint32_t(uint8_t(content[113])) << 24);
    EXPECT_GT(source.Position(), 114);  // the buffer read ahead
  }
  EXPECT_EQ(source.Position(), 114);
  // Reads larger than the buffer and reads that cross refills.
  TNkBuffBigStream again(source);
  std::string big(200000, '\0');
  ASSERT_EQ(again.Read(big.data(), 200000), 200000);
  EXPECT_EQ(big, content.substr(114, 200000));
  std::string tail(200000, '\0');
  EXPECT_EQ(again.Read(tail.data(), 200000), static_cast<int64_t>(content.size() - 200114));
  EXPECT_THROW(again.ReadU32("past end"), FormatError);
  again.Release();
  EXPECT_EQ(source.Position(), static_cast<int64_t>(content.size()));
}

}  // namespace
}  // namespace kuzo
