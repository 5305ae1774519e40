// The archive writer: round trips through the reader, the storage rules (raw, deflated, the
// nine-tenths test, media extensions, Drel headers), checksums, progress and cancelling.
#include <gtest/gtest.h>

#include "core/errors.h"
#include "data/archive.h"
#include "data/zlib_codec.h"
#include "platform/file_system.h"
#include "tests/data/archive_bytes.h"

namespace kuzo {
namespace {

using testing::ScratchDir;

// The directory of written bytes (entries' fields only; the stream is not kept).
std::unique_ptr<TVrFileCollection> ReadBack(const std::string& bytes) {
  auto c = std::make_unique<TVrFileCollection>();
  TNkBigMemoryStream s(bytes, "written.dat");
  c->LoadDirectory(s);
  return c;
}

// Reads the archive written into `out` (memory) into a collection that owns its stream.
std::unique_ptr<TVrFileCollection> Reopen(const ScratchDir& dir, const TNkBigMemoryStream& out) {
  auto c = std::make_unique<TVrFileCollection>();
  c->Open(dir.Write("out.dat", out.Data()));
  return c;
}

TEST(ArchiveWriterTest, MemoryEntriesRoundTripWithScrambledDirectory) {
  ScratchDir dir;
  TVrFileCollection w;
  const std::string small = testing::TextBytes(5000, 1);
  const std::string large = testing::RandomBytes(0x500000, 2);  // exactly the raw threshold
  w.AddMemory("save\\game01.dat").data->SetData(small);
  w.AddMemory("LARGE.BIN").data->SetData(large);
  TVrFile& flagged = w.AddMemory("\x83\x65.txt");
  flagged.data->SetData("content");
  flagged.checksumOfContent = true;
  TNkBigMemoryStream out;
  ASSERT_TRUE(w.Write(out));
  EXPECT_EQ(out.Data().substr(0, 2), "vf");
  EXPECT_EQ(out.Data().find("game01"), std::string::npos);

  auto c = Reopen(dir, out);
  EXPECT_EQ(c->Version(), 102u);
  ASSERT_EQ(c->EntryCount(), 3);
  EXPECT_EQ(c->Entry(0).Name(), "save\\game01.dat");
  EXPECT_FALSE(c->Entry(0).storedRaw);
  EXPECT_LT(c->Entry(0).size, 5000);
  EXPECT_EQ(c->ExtractToString("SAVE\\GAME01.DAT"), small);
  // The checksum covers the stored (compressed) bytes unless the flag asks for the content.
  auto range = c->OpenRange("save\\game01.dat");
  std::string stored(static_cast<size_t>(range->Size()), '\0');
  range->Read(stored.data(), range->Size());
  EXPECT_EQ(c->Entry(0).checksum, Crc32(stored));
  EXPECT_TRUE(c->Entry(1).storedRaw);
  EXPECT_EQ(c->Entry(1).size, 0x500000);
  EXPECT_EQ(c->Entry(1).checksum, Crc32(large));
  EXPECT_EQ(c->ExtractToString("large.bin"), large);
  EXPECT_TRUE(c->Entry(2).checksumOfContent);
  EXPECT_EQ(c->Entry(2).checksum, Crc32("content"));
  EXPECT_EQ(c->ExtractToString("\x83\x65.TXT"), "content");
}

TEST(ArchiveWriterTest, LooseFilesFollowTheStorageRules) {
  ScratchDir src;
  const std::string text = testing::TextBytes(20000, 3);
  const std::string noise = testing::RandomBytes(20000, 4);
  src.Write("script/start.ksb", text);
  src.Write("bgm.WAV", text);             // media: raw even though it would deflate well
  src.Write("noise.bin", noise);          // deflates badly: the nine-tenths test keeps it raw
  src.Write("big.txt", testing::TextBytes(0x500000, 5));  // too large to deflate
  src.Write("flat", text);                // no extension: "" occurs in the media list, raw
  // Drel images deflate only when their header asks: "Drel" + version digits, header length, flag.
  auto drel = [&](const char* version, uint8_t flag) {
    ByteWriter w;
    w.Bytes(version);
    w.U32(32);
    std::string header(32, '\0');
    header[22] = static_cast<char>(flag);
    w.Bytes(header);
    w.Bytes(testing::TextBytes(10000, 6));
    return w.Take();
  };
  src.Write("a.drl", drel("Drel106", 1));
  src.Write("b.DRL", drel("Drel106", 0));
  src.Write("c.drl", drel("Drel102", 1));  // old versions never ask

  TVrFileCollection w;
  w.SetDirectory(src.path());
  for (const char* name : {"script\\start.ksb", "bgm.WAV", "noise.bin", "big.txt", "flat", "a.drl", "b.DRL", "c.drl"}) {
    w.Add(name);
  }
  static_cast<TVrFile*>(w.Find("script\\start.ksb"))->checksumOfContent = true;
  TNkBigMemoryStream out;
  ASSERT_TRUE(w.Write(out));
  ScratchDir dst;
  auto c = Reopen(dst, out);
  auto raw = [&](const char* name) { return c->FindFile(name)->storedRaw; };
  EXPECT_FALSE(raw("script\\start.ksb"));
  EXPECT_TRUE(raw("bgm.wav"));
  EXPECT_TRUE(raw("noise.bin"));
  EXPECT_TRUE(raw("big.txt"));
  EXPECT_TRUE(raw("flat"));
  EXPECT_FALSE(raw("a.drl"));
  EXPECT_TRUE(raw("b.drl"));
  EXPECT_TRUE(raw("c.drl"));
  EXPECT_EQ(c->ExtractToString("script\\start.ksb"), text);
  EXPECT_EQ(c->FindFile("script\\start.ksb")->checksum, Crc32(text));
  EXPECT_EQ(c->FindFile("noise.bin")->checksum, Crc32(noise));
  EXPECT_EQ(c->ExtractToString("noise.bin"), noise);
  EXPECT_EQ(c->ExtractToString("a.drl"), drel("Drel106", 1));
  EXPECT_EQ(c->FindFile("bgm.wav")->timeStamp, platform::FileDosTime(src.path() / "bgm.WAV"));
  EXPECT_NE(c->FindFile("bgm.wav")->timeStamp, 0u);
}

TEST(ArchiveWriterTest, EntriesOfAnOpenedArchiveAreCopiedAcross) {
  ScratchDir dir;
  const std::string content = testing::TextBytes(3000, 7);
  const std::string archive = testing::BuildArchive(
      101, {{"keep.txt", DeflateZlib(content), false, 1234, 0, false}, {"raw.ogg", "OggS-raw", true, 99, 0, false}});
  TVrFileCollection c;
  c.Open(dir.Write("old.dat", archive));
  c.AddMemory("new.txt").data->SetData("new entry");
  ASSERT_TRUE(c.Delete("RAW.OGG"));
  EXPECT_FALSE(c.Delete("raw.ogg"));
  TNkBigMemoryStream out;
  ASSERT_TRUE(c.Write(out));
  // The source collection still reads its own archive afterwards.
  EXPECT_EQ(c.ExtractToString("keep.txt"), content);
  auto back = ReadBack(out.Data());
  ASSERT_EQ(back->EntryCount(), 2);
  EXPECT_EQ(back->Entry(0).Name(), "keep.txt");
  EXPECT_EQ(back->Entry(0).timeStamp, 1234u);
  EXPECT_EQ(back->Entry(1).Name(), "new.txt");
  auto reopened = Reopen(dir, out);
  EXPECT_EQ(reopened->ExtractToString("keep.txt"), content);
  EXPECT_EQ(reopened->ExtractToString("new.txt"), "new entry");
}

TEST(ArchiveWriterTest, WritingAfterOtherBytesKeepsOffsetsRelativeToTheArchive) {
  ScratchDir dir;
  TVrFileCollection w;
  w.AddMemory("a.txt").data->SetData("alpha");
  TNkBigMemoryStream out(std::string(1000, 'S'));
  out.SetPosition(1000);
  ASSERT_TRUE(w.Write(out));
  ByteWriter trailer;
  trailer.U32(1000);
  trailer.Bytes("kz");
  const auto exe = dir.Write("t.exe", out.Data() + trailer.Str());
  TVrFileCollection c;
  c.Open(exe);
  EXPECT_EQ(c.ExtractToString("a.txt"), "alpha");
}

TEST(ArchiveWriterTest, ProgressReportsEveryEntryAndCancelFails) {
  TVrFileCollection w;
  w.AddMemory("one").data->SetData("1");
  w.AddMemory("two").data->SetData("22");
  std::vector<std::pair<int, int64_t>> calls;
  w.SetProgress([&](TVrFileCollection&, TVrFile&, bool&, int count, int index, int64_t bytes) {
    EXPECT_EQ(count, 2);
    calls.emplace_back(index, bytes);
  });
  TNkBigMemoryStream out;
  ASSERT_TRUE(w.Write(out));
  EXPECT_TRUE(calls.empty());  // reporting is off until enabled
  w.EnableProgress(true);
  out.Clear();
  ASSERT_TRUE(w.Write(out));
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[0], std::make_pair(0, int64_t{0}));
  EXPECT_GT(calls[1].second, 0);
  EXPECT_EQ(calls[2].first, 1);
  w.SetProgress([](TVrFileCollection&, TVrFile& f, bool& cancel, int, int, int64_t) { cancel = f.Name() == "two"; });
  out.Clear();
  EXPECT_FALSE(w.Write(out));
}

TEST(ArchiveWriterTest, EmptyArchiveAndSentinelAreNotWrittenAsEntries) {
  TVrFileCollection w;
  TNkBigMemoryStream out;
  ASSERT_TRUE(w.Write(out));
  EXPECT_EQ(ReadBack(out.Data())->EntryCount(), 0);
  // Re-writing a read collection leaves its sentinel out of the count and the names.
  ScratchDir dir;
  TVrFileCollection src;
  src.AddMemory("x").data->SetData("x");
  TNkBigMemoryStream first;
  ASSERT_TRUE(src.Write(first));
  auto loaded = Reopen(dir, first);
  EXPECT_EQ(loaded->Count(), 2);
  TNkBigMemoryStream second;
  ASSERT_TRUE(loaded->Write(second));
  ByteReader r(second.Data(), "t");
  r.Skip(6);
  EXPECT_EQ(r.U32(), 1u);
  EXPECT_EQ(ReadBack(second.Data())->Entry(0).Name(), "x");
}

TEST(ArchiveWriterTest, MissingSourceFailsWithTheMissingFileMessage) {
  TVrFileCollection w;
  w.Add("ghost.txt");
  TNkBigMemoryStream out;
  EXPECT_THROW(w.Write(out), KuzoError);
}

}  // namespace
}  // namespace kuzo
