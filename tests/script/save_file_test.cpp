// The save file container: section order, slots replaced in place, captions, old and damaged
// data, the snapshot put back after a failed load, atomic rewriting and the status fallback.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/byte_reader.h"
#include "core/errors.h"
#include "data/archive.h"
#include "data/big_stream.h"
#include "platform/file_system.h"
#include "script/save_file.h"

namespace kuzo {
namespace {

namespace fs = std::filesystem;

// A stand-in for the player's state: one string per section, the order of calls recorded.
class FakeSections : public SaveSections {
 public:
  std::string scene = "scene", history = "history", interp = "interp", vars = "vars", tables = "tables";
  std::string statusVars = "svars", marks = "marks", statusTables = "stables";
  bool dither = false;
  std::string afterLoad;  // "page@index" of the last after-load call
  std::string log;
  uint32_t lastVersion = 0;
  bool failVariables = false;  // the next variable load raises after the scene was replaced
  uint32_t marksVersion = 0;

  void SaveScene(ByteWriter& w) override { w.String(scene); }
  void LoadScene(ByteReader& r, uint32_t v) override { scene = Read(r, "scene", v); }
  void SaveHistory(ByteWriter& w) override { w.String(history); }
  void LoadHistory(ByteReader& r, uint32_t v) override { history = Read(r, "history", v); }
  void SaveInterpreter(ByteWriter& w) override { w.String(interp); }
  void LoadInterpreter(ByteReader& r, uint32_t v) override { interp = Read(r, "interp", v); }
  void SaveVariables(ByteWriter& w) override { w.String(vars); }
  void LoadVariables(ByteReader& r, uint32_t v) override {
    if (failVariables) {  // once: the snapshot going back in must load
      failVariables = false;
      throw FormatError("damaged variables");
    }
    vars = Read(r, "vars", v);
  }
  void SaveGameTables(ByteWriter& w) override { w.String(tables); }
  void LoadGameTables(ByteReader& r) override { tables = Read(r, "tables", 0); }
  void EnterAfterLoadPage(const std::string& page, int32_t index) override {
    afterLoad = page + "@" + std::to_string(index);
    log += "after ";
  }
  void SaveStatusVariables(ByteWriter& w) override { w.String(statusVars); }
  void LoadStatusVariables(ByteReader& r) override { statusVars = Read(r, "svars", 0); }
  void SaveReadMarks(ByteWriter& w) override { w.String(marks); }
  void LoadReadMarks(ByteReader& r, uint32_t v) override {
    marks = Read(r, "marks", v);
    marksVersion = v;
  }
  bool CGDither() override { return dither; }
  void SetCGDither(bool on) override { dither = on; }
  void SaveStatusTables(ByteWriter& w) override { w.String(statusTables); }
  void LoadStatusTables(ByteReader& r) override { statusTables = Read(r, "stables", 0); }
  void ClearStatus() override {
    statusVars = marks = statusTables = "";
    dither = false;
  }

 private:
  std::string Read(ByteReader& r, const char* what, uint32_t version) {
    log += std::string(what) + " ";
    lastVersion = version;
    return r.String(what);
  }
};

class SaveFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = platform::MakePrivateTempDirectory("kuzo-save-test");
    path = dir / "save.dat";
  }
  void TearDown() override { fs::remove_all(dir); }
  TSaveFile Make(FakeSections& s) {
    return TSaveFile(path, s, [this](const std::string& line) { logged += line + "\n"; }, [] { return "STAMP"; });
  }
  std::vector<std::string> EntryNames() {
    TVrFileCollection files;
    files.Open(path);
    std::vector<std::string> names;
    for (int i = 0; i < files.EntryCount(); ++i) names.push_back(files.Entry(i).Name());
    return names;
  }
  // Writes a save.dat whose entries hold exactly these bytes.
  void WriteArchive(const std::vector<std::pair<std::string, std::string>>& entries) {
    TVrFileCollection files;
    files.SetDirectory(dir);
    for (const auto& [name, content] : entries) files.AddMemory(name).data->SetData(content);
    TNkBigMemoryStream out;
    files.Write(out);
    out.SaveToFile(path);
  }

  fs::path dir, path;
  std::string logged;
};

TEST(SaveEntryNamesTest, CanonicalDecimalSlots) {
  EXPECT_EQ(GameEntryName(3), "GAMESAVEDATA3");
  EXPECT_EQ(SlotOfEntryName("GAMESAVEDATA12"), 12);
  EXPECT_EQ(SlotOfEntryName("gamesavedata0"), 0);
  EXPECT_EQ(SlotOfEntryName("GAMESAVEDATA2147483647"), INT32_MAX);
  for (const char* bad : {"GAMESAVEDATA", "GAMESAVEDATA03", "GAMESAVEDATA-1", "GAMESAVEDATA+1",
                          "GAMESAVEDATA2147483648", "GAMESAVEDATA1x", "STATUSSAVEDATA"}) {
    EXPECT_FALSE(SlotOfEntryName(bad).has_value()) << bad;
  }
}

TEST(SaveEntryNamesTest, StatusSignature) {
  EXPECT_EQ(ReadStatusSignature("Status103rest"), (std::pair<uint32_t, size_t>{103, 9}));
  EXPECT_EQ(ReadStatusSignature("Statu"), (std::pair<uint32_t, size_t>{0, 0}));
  EXPECT_EQ(ReadStatusSignature("\x05\0\0\0svars"), (std::pair<uint32_t, size_t>{0, 0}));
  EXPECT_THROW(ReadStatusSignature("Status1x3"), FormatError);
}

TEST_F(SaveFileTest, SaveTwiceKeepsOneEntryAndRoundTrips) {
  FakeSections s;
  TSaveFile file = Make(s);
  file.SaveGame(3, "first", "", 0, true);
  s.scene = "scene2";
  s.vars = "vars2";
  file.SaveGame(3, "second", "after.ksb", 4, true);
  file.SaveGame(1, "other", "", 0, false);
  EXPECT_EQ(EntryNames(), (std::vector<std::string>{"GAMESAVEDATA3", "STATUSSAVEDATA", "GAMESAVEDATA1"}));
  auto slots = file.ListSlots();
  ASSERT_EQ(slots.size(), 2u);
  EXPECT_EQ(slots[0].slot, 1);
  EXPECT_EQ(slots[1].caption, "second");
  EXPECT_EQ(slots[1].version, kGameSaveVersion);

  FakeSections t;
  TSaveFile other = Make(t);
  ASSERT_EQ(other.LoadGame(3), TSaveFile::LoadResult::kLoaded);
  EXPECT_EQ(t.scene, "scene2");
  EXPECT_EQ(t.vars, "vars2");
  // Sections in order; the after-load page enters after the interpreter, before the variables.
  EXPECT_EQ(t.log, "scene history interp after vars tables ");
  EXPECT_EQ(t.afterLoad, "after.ksb@4");
  EXPECT_EQ(other.LoadGame(7), TSaveFile::LoadResult::kNoEntry);
}

TEST_F(SaveFileTest, EmptyCaptionWritesNothing) {
  FakeSections s;
  TSaveFile file = Make(s);
  file.SaveGame(2, "", "", 0, true);
  EXPECT_FALSE(fs::exists(path));
}

TEST_F(SaveFileTest, StatusWrittenOnlyWhenAskedAndReadBack) {
  FakeSections s;
  s.dither = true;
  TSaveFile file = Make(s);
  file.SaveGame(0, "c", "", 0, false);
  EXPECT_EQ(EntryNames(), (std::vector<std::string>{"GAMESAVEDATA0"}));
  file.SaveStatus();
  FakeSections t;
  TSaveFile again = Make(t);
  ASSERT_TRUE(again.LoadStatus());
  EXPECT_EQ(t.statusVars, "svars");
  EXPECT_EQ(t.marks, "marks");
  EXPECT_TRUE(t.dither);
  EXPECT_EQ(t.statusTables, "stables");
  EXPECT_EQ(t.marksVersion, kStatusVersion);
}

TEST_F(SaveFileTest, OldStatusVersionsReadFewerParts) {
  ByteWriter v0;  // no signature: version 0, read from the first byte, no dither, no tables
  v0.String("old vars");
  v0.String("old marks");
  ByteWriter v101;
  v101.Bytes("Status101");
  v101.String("v");
  v101.String("m");
  v101.U8(1);
  WriteArchive({{"STATUSSAVEDATA", v0.Str()}});
  FakeSections s;
  ASSERT_TRUE(Make(s).LoadStatus());
  EXPECT_EQ(s.statusVars, "old vars");
  EXPECT_EQ(s.marksVersion, 0u);
  EXPECT_EQ(s.statusTables, "stables");  // untouched
  WriteArchive({{"STATUSSAVEDATA", v101.Str()}});
  FakeSections t;
  ASSERT_TRUE(Make(t).LoadStatus());
  EXPECT_TRUE(t.dither);
  EXPECT_EQ(t.statusTables, "stables");
}

TEST_F(SaveFileTest, DamagedStatusIsKeptAsideAndStartGoesOn) {
  WriteArchive({{"STATUSSAVEDATA", "Status103\xff\xff"}, {"GAMESAVEDATA1", "x"}});
  FakeSections s;
  TSaveFile file = Make(s);
  EXPECT_FALSE(file.LoadStatus());
  EXPECT_EQ(s.statusVars, "");  // cleared
  EXPECT_TRUE(fs::exists(dir / "save.dat.bad-STAMP"));
  EXPECT_NE(logged.find("damaged status data"), std::string::npos);
  // An unreadable archive is kept aside too, and the next save starts a fresh file.
  { std::ofstream(path, std::ios::binary | std::ios::trunc) << "not an archive at all"; }
  fs::remove(dir / "save.dat.bad-STAMP");
  FakeSections t;
  TSaveFile broken = Make(t);
  EXPECT_FALSE(broken.LoadStatus());
  broken.SaveGame(4, "fresh", "", 0, true);
  EXPECT_TRUE(fs::exists(dir / "save.dat.bad-STAMP"));
  EXPECT_EQ(EntryNames(), (std::vector<std::string>{"GAMESAVEDATA4", "STATUSSAVEDATA"}));
}

TEST_F(SaveFileTest, FailedLoadPutsTheRunningStateBack) {
  FakeSections s;
  TSaveFile file = Make(s);
  s.scene = "saved scene";
  file.SaveGame(5, "slot", "", 0, false);
  FakeSections t;
  t.failVariables = true;
  t.scene = "running scene";
  std::string error;
  EXPECT_EQ(Make(t).LoadGame(5, &error), TSaveFile::LoadResult::kFailed);
  EXPECT_EQ(error, "damaged variables");
  EXPECT_EQ(t.scene, "running scene");  // the snapshot went back in
  EXPECT_EQ(t.vars, "vars");
}

TEST_F(SaveFileTest, OldAndTruncatedGameEntriesAreRefused) {
  auto entry = [](uint32_t version) {
    ByteWriter w;
    w.U32(version);
    w.String("cap");
    w.String("");
    w.I32(0);
    for (const char* s : {"a", "b", "c", "d"}) w.String(s);
    return w.Take();
  };
  std::string full = entry(kGameSaveVersion);
  WriteArchive({{"GAMESAVEDATA1", entry(106)},
                {"GAMESAVEDATA2", entry(107)},
                {"GAMESAVEDATA3", full.substr(0, full.size() - 3)}});
  FakeSections s;
  TSaveFile file = Make(s);
  EXPECT_EQ(file.LoadGame(1), TSaveFile::LoadResult::kFailed);
  EXPECT_EQ(s.scene, "scene");
  // Version 107 has no table part (tables from 123 on).
  EXPECT_EQ(file.LoadGame(2), TSaveFile::LoadResult::kLoaded);
  EXPECT_EQ(s.lastVersion, 107u);
  EXPECT_EQ(s.vars, "d");
  EXPECT_EQ(s.tables, "tables");
  FakeSections t;
  EXPECT_EQ(Make(t).LoadGame(3), TSaveFile::LoadResult::kFailed);
  EXPECT_EQ(t.scene, "scene");
  EXPECT_EQ(Make(t).BuildCaptionList().size(), 3u);  // the truncated entry still has its caption
}

TEST_F(SaveFileTest, UnwritableFileKeepsTheOldOne) {
  FakeSections s;
  TSaveFile file = Make(s);
  file.SaveGame(1, "one", "", 0, true);
  const std::string before = platform::ReadWholeFile(path).value();
  TSaveFile elsewhere(dir / "missing-dir" / "save.dat", s);
  EXPECT_THROW(elsewhere.SaveGame(1, "two", "", 0, true), KuzoError);
  elsewhere.SaveStatus();  // status errors are ignored
  EXPECT_EQ(platform::ReadWholeFile(path).value(), before);
}

}  // namespace
}  // namespace kuzo
