// Game names on the file system: letter case, separators, code page 932 names stored as UTF-8 or
// as raw bytes, cached listings that notice changes; attributes, DOS times and atomic writes.
#include "platform/file_system.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "core/errors.h"

namespace kuzo::platform {
namespace {

namespace fs = std::filesystem;

class FileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override { root = MakePrivateTempDirectory("kuzo-fs-test"); }
  void TearDown() override { fs::remove_all(root); }
  fs::path Write(const std::string& relative, const std::string& content) {
    const fs::path p = root / relative;
    fs::create_directories(p.parent_path());
    std::FILE* f = std::fopen(p.c_str(), "wb");
    std::fwrite(content.data(), 1, content.size(), f);
    std::fclose(f);
    return p;
  }
  fs::path root;
};

TEST_F(FileSystemTest, ComponentsResolveWithoutRegardToLetterCase) {
  const fs::path p = Write("Data/Image/BG01.Png", "x");
  EXPECT_EQ(ResolveGameFile(root, "data\\image\\bg01.png"), p);
  EXPECT_EQ(ResolveGameFile(root, "DATA/IMAGE/bg01.PNG"), p);
  EXPECT_EQ(ResolveGameFile(root, "\\data\\\\image\\.\\bg01.png"), p);  // empty and "." parts skipped
  EXPECT_FALSE(ResolveGameFile(root, "data\\image\\bg02.png"));
  EXPECT_FALSE(ResolveGameFile(root, "data\\image"));  // a directory is not a file
  EXPECT_TRUE(ResolveGamePath(root, "data\\image"));
}

TEST_F(FileSystemTest, ShiftJisNamesFindUtf8AndRawByteNamesOnDisk) {
  const fs::path utf8 = Write("\xe9\x9f\xb3\xe6\xa5\xbd/\xef\xbd\x9e" "Bgm.ogg", "utf8");  // 音楽/～Bgm.ogg
  EXPECT_EQ(ResolveGameFile(root, "\x89\xb9\x8a\x79\\\x81\x60" "bgm.OGG"), utf8);
  // A trail byte 0x5C ("表" is 0x95 0x5C) is not a separator.
  const fs::path table = Write("\xe8\xa1\xa8.txt", "hyou");
  EXPECT_EQ(ResolveGameFile(root, "\x95\x5c.txt"), table);
  // Names kept as raw Shift-JIS bytes (copied without conversion) are found as they are.
  const fs::path raw = Write("\x83\x65\x83\x58\x83\x67.TXT", "raw");
  EXPECT_EQ(ResolveGameFile(root, "\x83\x65\x83\x58\x83\x67.txt"), raw);
}

TEST_F(FileSystemTest, CachedListingsNoticeNewFiles) {
  Write("dir/a.txt", "a");
  EXPECT_FALSE(ResolveGameFile(root, "DIR\\B.TXT"));
  const fs::path b = Write("dir/b.txt", "b");
  EXPECT_EQ(ResolveGameFile(root, "DIR\\B.TXT"), b);
  fs::remove(b);
  EXPECT_FALSE(ResolveGameFile(root, "DIR\\B.TXT"));
  ClearDirectoryCache();
  EXPECT_TRUE(ResolveGameFile(root, "dir\\A.TXT"));
}

TEST_F(FileSystemTest, AttributesAndDosTime) {
  const fs::path p = Write("f.bin", "data");
  ASSERT_TRUE(SetReadOnly(p));
  EXPECT_EQ(fs::status(p).permissions() & fs::perms::owner_write, fs::perms::none);
  ASSERT_TRUE(ClearReadOnly(p));
  EXPECT_NE(fs::status(p).permissions() & fs::perms::owner_write, fs::perms::none);
  EXPECT_FALSE(ClearReadOnly(root / "absent"));
  const uint32_t dos = FileDosTime(p);
  const uint32_t year = (dos >> 25) + 1980;
  const uint32_t month = (dos >> 21) & 15;
  const uint32_t day = (dos >> 16) & 31;
  EXPECT_GE(year, 2020u);
  EXPECT_GE(month, 1u);
  EXPECT_LE(month, 12u);
  EXPECT_GE(day, 1u);
  EXPECT_EQ((dos & 31) * 2 <= 58, true);
  EXPECT_EQ(FileDosTime(root / "absent"), 0u);
  EXPECT_EQ(FileSize(p), 4u);
  EXPECT_FALSE(FileSize(root));
}

TEST_F(FileSystemTest, AtomicWriteReplacesAndNeverLeavesTemporaryFiles) {
  const fs::path p = root / "save.dat";
  WriteFileAtomic(p, "first");
  WriteFileAtomic(p, std::string("second\0x", 8));
  EXPECT_EQ(ReadWholeFile(p), std::string("second\0x", 8));
  int files = 0;
  for (const auto& e : fs::directory_iterator(root)) {
    (void)e;
    ++files;
  }
  EXPECT_EQ(files, 1);
  // Without the folder flush the file is replaced all the same.
  WriteFileAtomic(p, "third", RenameSync::kKeepPrevious);
  EXPECT_EQ(ReadWholeFile(p), std::string("third"));
  // A write that cannot happen raises and keeps the old file.
  EXPECT_THROW(WriteFileAtomic(root / "no" / "dir" / "x", "y"), KuzoError);
  EXPECT_THROW(WriteFileAtomic(root / "no" / "dir" / "x", "y", RenameSync::kKeepPrevious), KuzoError);
  EXPECT_FALSE(ReadWholeFile(root / "absent"));
}

TEST_F(FileSystemTest, NativeFilePositionedReadsAndWrites) {
  auto f = NativeFile::Open(root / "n.bin", NativeFile::Mode::kCreate);
  ASSERT_TRUE(f);
  EXPECT_TRUE(f->WriteAt(10, "tail", 4));
  EXPECT_EQ(f->Size(), 14u);
  char buf[8] = {};
  EXPECT_EQ(f->ReadAt(10, buf, 8), 4u);
  EXPECT_EQ(std::string(buf, 4), "tail");
  EXPECT_EQ(f->ReadAt(100, buf, 8), 0u);
  EXPECT_TRUE(f->Sync());
  EXPECT_FALSE(NativeFile::Open(root / "missing", NativeFile::Mode::kRead));
  EXPECT_FALSE(NativeFile::Open(root, NativeFile::Mode::kRead));  // a directory is not a file
  auto ro = NativeFile::Open(root / "n.bin", NativeFile::Mode::kRead);
  EXPECT_FALSE(ro->WriteAt(0, "x", 1));
}

}  // namespace
}  // namespace kuzo::platform
