// The project's load sequence: version gates of "kuzo.kpb", status variables that keep their
// restored values, the companion folder-disk file, the failure messages, the exit page.
#include <gtest/gtest.h>

#include "script/project.h"
#include "tests/script/script_fixture.h"

namespace kuzo::testing {
namespace {

class Project : public ScriptTest {
 protected:
  std::string Kpb(const ProjectFile& f) {
    ByteWriter w;
    f.Write(w);
    return w.Take();
  }
  std::unique_ptr<TProject> Create() {
    ProjectHooks hooks;
    hooks.warn = [this](const std::string& t) { warnings.push_back(t); };
    hooks.saveStatus = [this] { ++statusSaves; };
    auto p = std::make_unique<TProject>(Services(), hooks);
    p->Create();
    if (p->CallMan()) sysHost.Bind(p->CallMan(), p.get());
    return p;
  }
  ProjectFile Basic(uint32_t version) {
    ProjectFile f;
    f.version = version;
    f.title = "T";
    f.width = 320;
    f.height = 200;
    f.startPage = "main.ksb";
    f.exitPage = "bye.ksb";
    return f;
  }
  std::vector<std::string> warnings;
  int statusSaves = 0;
};

TEST_F(Project, Version105HasNoExitPageNoFrameWaitAndTheOldSoundExtensions) {
  Build({{"main.kss", "var int r = 1\n"}});
  ProjectFile f = Basic(105);
  f.saveStatusOnExit = 0;
  files.files["kuzo.kpb"] = Kpb(f);
  auto p = Create();
  EXPECT_FALSE(host.terminateRequested);
  EXPECT_EQ(p->Settings().frameWait, 0);
  EXPECT_EQ(p->Settings().exitPage, "");
  EXPECT_EQ(p->Settings().soundExts, ".wav.wma.ogg.mid");
  EXPECT_EQ(p->Settings().saveStatusOnExit, 0);
  p->Tick();
  EXPECT_EQ(Var("r"), "1");
  EXPECT_EQ(Var("@ScrWidth"), "320");
}

TEST_F(Project, Version103KeepsSaveStatusOnExit) {
  Build({{"main.kss", ""}});
  ProjectFile f = Basic(103);
  f.saveStatusOnExit = 0;  // not written at this version
  files.files["kuzo.kpb"] = Kpb(f);
  auto p = Create();
  EXPECT_EQ(p->Settings().saveStatusOnExit, 1);
}

TEST_F(Project, DeclaredVariablesAreStatusVariablesAndRestoredOnesKeepTheirValue) {
  Build({{"main.kss", ""}});
  ProjectFile f = Basic(110);
  f.variables.push_back({1, "score", 7});
  f.variables.push_back({4, "who", 0, 0, false, "decl"});
  f.variables.push_back({9, "odd"});
  files.files["kuzo.kpb"] = Kpb(f);
  TParamCollectionItem& restored = vars.AddVariable(1);
  restored.SetName("SCORE");
  restored.Param()->SetInteger(99);
  auto p = Create();
  EXPECT_EQ(Var("score"), "99");
  EXPECT_EQ(Var("who"), "decl");
  EXPECT_TRUE(vars.Find("who")->IsStatus());
  ASSERT_NE(vars.Find("odd"), nullptr);
  EXPECT_EQ(vars.Find("odd")->Param(), nullptr);
}

TEST_F(Project, OriginalProjectReplacesTheFolderDisks) {
  Build({{"main.kss", ""}});
  ProjectFile f = Basic(110);
  f.folderDisks = {{"a", 1}};
  files.files["kuzo.kpb"] = Kpb(f);
  ProjectFile o = Basic(108);
  o.variables.push_back({2, "x", 0, 2.5L});
  o.folderDisks = {{"movie", 2}, {"voice", 3}};
  files.files["/original_kuzo.kpb"] = Kpb(o);
  auto p = Create();
  ASSERT_EQ(p->Settings().folderDisks.size(), 2u);
  EXPECT_EQ(p->Settings().folderDisks[1].first, "voice");

  ProjectFile newer = Basic(111);
  newer.folderDisks = {{"z", 9}};
  files.files["/original_kuzo.kpb"] = Kpb(newer);
  files.files["/original_kuzo.kpb"][0] = 111;
  auto q = Create();
  EXPECT_TRUE(q->Settings().folderDisks.empty());
}

TEST_F(Project, FailuresEndThePlayer) {
  auto missing = Create();
  EXPECT_TRUE(host.terminateRequested);
  EXPECT_TRUE(warnings.empty());

  files.files["kuzo.kpb"] = "";
  auto empty = Create();
  EXPECT_TRUE(host.terminateRequested);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0], "プロジェクトがありません");

  ProjectFile f = Basic(110);
  files.files["kuzo.kpb"] = Kpb(f);
  files.files["kuzo.kpb"][0] = 111;
  auto newer = Create();
  EXPECT_TRUE(host.terminateRequested);
  EXPECT_EQ(warnings.size(), 1u);

  files.files["kuzo.kpb"] = Kpb(f);
  auto noStart = Create();
  EXPECT_TRUE(host.terminateRequested);
  ASSERT_EQ(warnings.size(), 2u);
  EXPECT_EQ(warnings[1], "スタートページがありません");

  files.files["kuzo.kpb"] = Kpb(f).substr(0, 30);
  auto truncated = Create();
  EXPECT_TRUE(host.terminateRequested);
}

TEST_F(Project, ExitPageGetsOneStepThenStatusIsSaved) {
  Build({{"main.kss", "var int r = 0\n"}, {"bye.kss", "var int bye = 1\n!stop bye = 2\nbye = 3\n"}});
  files.files["kuzo.kpb"] = Kpb(Basic(110));
  auto p = Create();
  p->Tick();
  p->Destroy();
  EXPECT_EQ(Var("bye"), "2");
  EXPECT_TRUE(host.terminateRequested);
  EXPECT_EQ(statusSaves, 1);
  p->Destroy();
  EXPECT_EQ(statusSaves, 1);
}

TEST_F(Project, PendingLoadRunsBeforePendingSave) {
  Build({{"main.kss", "gamesave 2 caption \"c\"\ngameload 5\n"}});
  files.files["kuzo.kpb"] = Kpb(Basic(110));
  std::vector<std::string> order;
  ProjectHooks hooks;
  hooks.loadGame = [&](int32_t s) { order.push_back("load" + std::to_string(s)); };
  hooks.saveGame = [&](int32_t s, const std::string& c, int32_t, const std::string&) {
    order.push_back("save" + std::to_string(s) + c);
  };
  TProject p(Services(), hooks);
  p.Create();
  p.Tick();
  EXPECT_FALSE(p.RunPending());
  p.Tick();
  EXPECT_TRUE(p.RunPending());
  ASSERT_EQ(order.size(), 2u);
  EXPECT_EQ(order[0], "save2c");
  EXPECT_EQ(order[1], "load5");
}

}  // namespace
}  // namespace kuzo::testing
