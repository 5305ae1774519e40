// Game saves of the interpreter, the variables and the data tables through the save file: a save
// taken mid-run and loaded after the run went on gives back the state of the save point, the
// after-load page runs on top of the restored state and returns into it, and a damaged slot
// leaves the running game untouched.
#include <cstdlib>
#include <filesystem>

#include "components/history_store.h"
#include "data/archive.h"
#include "data/big_stream.h"
#include "components/read_marks.h"
#include "platform/file_system.h"
#include "scene/kuzo_base_list.h"
#include "script/save_sections.h"
#include "script/variable_access.h"
#include "script_fixture.h"
#include "vars/db_manager.h"

namespace kuzo {
namespace {

namespace fs = std::filesystem;

class SaveSectionsTest : public testing::ScriptTest {
 protected:
  void SetUp() override {
    dir = platform::MakePrivateTempDirectory("kuzo-save-sections");
    Build({{"main.kss",
            "var int n = 0\n"
            "label top\n"
            "n = n + 1\n"
            "wait 16\n"
            "jump :top\n"},
           {"after.kss", "var int afterRuns = afterRuns + 1\n"}});
    Start();
  }
  void TearDown() override { fs::remove_all(dir); }
  TSaveFile File() {
    sections = std::make_unique<PlayerSaveSections>(
        SaveSubsystems{&scene, &history, &marks, cm.get(), &vars, &tables});
    return TSaveFile(dir / "save.dat", *sections);
  }

  fs::path dir;
  TKuzoBaseList scene{&host, 64, 48};
  TKuzoNewHistory history;
  TKuzoReadList marks;
  TDBManager tables;
  std::unique_ptr<PlayerSaveSections> sections;
};

TEST_F(SaveSectionsTest, LoadGivesBackTheSavePointAndTheRunRepeats) {
  TSaveFile file = File();
  Tick(5);
  tables.CreateTable("items", false);
  tables.ActiveTable()->AddField("v", kDBInt, 0);
  history.RecordPending("mes", "main.ksb", "", 0, -1, 0, 1, 10, 10, {});
  history.CommitPending("mes");
  file.SaveGame(2, "five", "", 0, true);
  const std::string atSave = DumpVariables(vars);
  Tick(3);
  const std::string laterUninterrupted = DumpVariables(vars);
  ASSERT_NE(laterUninterrupted, atSave);
  tables.Clear();
  history.Clear();
  Tick(4);
  ASSERT_EQ(file.LoadGame(2), TSaveFile::LoadResult::kLoaded);
  EXPECT_EQ(DumpVariables(vars), atSave);
  EXPECT_NE(tables.FindTable("items"), nullptr);
  EXPECT_EQ(history.Count(), 1);
  // Running on from the loaded point repeats what the uninterrupted run did.
  Tick(3);
  EXPECT_EQ(DumpVariables(vars), laterUninterrupted);
}

TEST_F(SaveSectionsTest, AfterLoadPageRunsOnTopAndReturns) {
  TSaveFile file = File();
  Tick(2);
  file.SaveGame(1, "with page", "after.ksb", 0, false);
  const std::string n = Var("n");
  ASSERT_EQ(file.LoadGame(1), TSaveFile::LoadResult::kLoaded);
  EXPECT_EQ(cm->StackDepth(), 1);
  Tick(2);
  EXPECT_EQ(Var("afterRuns"), "1");
  EXPECT_EQ(cm->StackDepth(), 0);  // returned into the restored game
  EXPECT_NE(Var("n"), n);          // which goes on counting
}

TEST_F(SaveSectionsTest, DamagedSlotLeavesTheGameRunning) {
  TSaveFile file = File();
  Tick(2);
  file.SaveGame(1, "good", "", 0, false);
  // Cut the variable section short by saving under a version whose records differ, then
  // overwrite the slot with a truncated copy.
  std::string entry = file.BuildGameEntry("bad", "", 0);
  entry.resize(entry.size() - 10);
  {
    TVrFileCollection files;
    files.Open(dir / "save.dat");
    files.Delete("GAMESAVEDATA1");
    files.AddMemory("GAMESAVEDATA1").data->SetData(entry);
    TNkBigMemoryStream out;
    files.Write(out);
    files.ClearArchive();
    out.SaveToFile(dir / "save.dat");
  }
  Tick(3);
  const std::string running = DumpVariables(vars);
  std::string error;
  EXPECT_EQ(file.LoadGame(1, &error), TSaveFile::LoadResult::kFailed);
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(DumpVariables(vars), running);
  Tick(1);
  EXPECT_NE(DumpVariables(vars), running);  // and it still runs
}

TEST_F(SaveSectionsTest, StatusDataSurvivesARestart) {
  TSaveFile file = File();
  tables.CreateTable("stats", true);
  marks.SetPending("mes", "main.ksb", 0, 3);
  marks.CommitPending("mes");
  file.SaveStatus();
  TDBManager otherTables;
  TKuzoReadList otherMarks;
  PlayerSaveSections fresh(SaveSubsystems{nullptr, nullptr, &otherMarks, nullptr, nullptr, &otherTables});
  TSaveFile restart(dir / "save.dat", fresh);
  ASSERT_TRUE(restart.LoadStatus());
  EXPECT_NE(otherTables.FindTable("stats"), nullptr);
  EXPECT_TRUE(otherMarks.IsRead("MAIN.KSB", 3, 0));
}

// kuzotool save list and dump on a real save (the tool is built with the player; skipped when not).
TEST_F(SaveSectionsTest, ToolListsAndDumpsSlots) {
  const fs::path tool = fs::path(KUZO_BINARY_DIR) / "kuzotool";
  if (!fs::exists(tool)) GTEST_SKIP() << "kuzotool not built";
  TSaveFile file = File();
  Tick(3);
  tables.CreateTable("items", false);
  tables.ActiveTable()->AddField("v", kDBInt, 0);
  file.SaveGame(7, "seven", "", 0, true);
  // The pages the interpreter record names, as a built title directory holds them.
  for (const auto& [name, bytes] : files.files) {
    platform::WriteFileAtomic(dir / name, bytes);
  }
  auto run = [&](const std::string& args) {
    const fs::path out = dir / "tool.out";
    const std::string cmd = tool.string() + " save " + args + " > " + out.string() + " 2>&1";
    const int status = std::system(cmd.c_str());
    return std::pair{status, platform::ReadWholeFile(out).value_or("")};
  };
  const std::string save = (dir / "save.dat").string();
  auto [listStatus, list] = run("list " + save);
  EXPECT_EQ(listStatus, 0);
  EXPECT_NE(list.find("7\t"), std::string::npos) << list;
  EXPECT_NE(list.find("seven"), std::string::npos) << list;
  auto [dumpStatus, dump] = run("dump " + save + " 7 --title " + dir.string());
  EXPECT_EQ(dumpStatus, 0) << dump;
  EXPECT_NE(dump.find("caption\tseven"), std::string::npos) << dump;
  EXPECT_NE(dump.find("[variables]\n" + DumpVariables(vars)), std::string::npos) << dump;
  EXPECT_NE(dump.find("table\titems"), std::string::npos) << dump;
  auto [noTitle, partial] = run("dump " + save + " 7");
  EXPECT_NE(noTitle, 0);  // the interpreter needs the pages
  EXPECT_NE(partial.find("[history]"), std::string::npos) << partial;
  auto [statusStatus, status] = run("dump " + save + " status");
  EXPECT_EQ(statusStatus, 0) << status;
  EXPECT_NE(status.find("version\t103"), std::string::npos) << status;
  EXPECT_NE(run("dump " + save + " 07").first, 0);  // slot names are canonical decimals
}

}  // namespace
}  // namespace kuzo
