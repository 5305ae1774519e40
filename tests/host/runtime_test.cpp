// The Runtime: start-up and shutdown order, the project's start-up failures, errors raised during
// initialisation, ConfirmExit, the exit delete list, and headless runs end to end.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/headless_runner.h"
#include "host/project_header.h"
#include "host/runtime.h"
#include "host_test_util.h"
#include "tests/data/archive_bytes.h"
#include "tests/data/pe_bytes.h"

namespace kuzo::host {
namespace {

using testing::ProjectFields;
using testing::ProjectFile;
using testing::ScratchDir;

// A scene that records what reaches it.
struct SceneCounts {
  int updates = 0, draws = 0, clears = 0;
};

class FakeScene : public Scene {
 public:
  FakeScene(std::vector<std::string>& log, SceneCounts& counts) : log_(log), counts_(counts) {}
  void SetSize(int32_t w, int32_t h) override { log_.push_back("scene size " + std::to_string(w) + "x" + std::to_string(h)); }
  void Update() override { ++counts_.updates; }
  void Motion() override {}
  void Draw() override { ++counts_.draws; }
  FrameView Frame() const override {
    FrameView v;
    v.pixels = pixels;
    v.width = v.height = 1;
    v.pitchBytes = 4;
    v.wholeFrame = true;
    return v;
  }
  void ClearDirty() override { ++counts_.clears; }
  void FocusLost() override {}
  void KeyDown(int) override {}
  void KeyPress(int) override {}
  void KeyUp(int) override {}
  void MouseDown(bool, bool) override {}
  void MouseUp(bool, bool) override {}
  void MouseMove(int32_t, int32_t) override {}
  void Wheel(bool) override {}
  void Close() override { log_.push_back("scene close"); }
  uint32_t pixels[1] = {0};

 private:
  std::vector<std::string>& log_;
  SceneCounts& counts_;
};

class Marker : public OwnedSubsystem {
 public:
  Marker(std::vector<std::string>& log, std::string name) : log_(log), name_(std::move(name)) {}
  ~Marker() override { log_.push_back(name_ + " freed"); }

 private:
  std::vector<std::string>& log_;
  std::string name_;
};

struct Fixture {
  ScratchDir dir;
  std::vector<std::string> log;
  platform::HeadlessMessageBoxes boxes;
  uint32_t now = 0;
  SceneCounts counts;

  Fixture() { boxes.SetQuiet(true); }

  RuntimeConfig Config() {
    RuntimeConfig c;
    c.title.baseDir = dir.path();
    c.title.namedOnCommandLine = true;
    c.headless = true;
    c.seed = 1234;
    c.tempDir = dir.path() / "tmp";
    std::filesystem::create_directories(c.tempDir);
    return c;
  }

  RuntimeFactories Factories() {
    RuntimeFactories f = DefaultFactories();
    auto inner = f.project;
    f.paramMan = [this](Runtime&) {
      log.push_back("params");
      return std::make_unique<Marker>(log, "params");
    };
    f.sysFuncMan = [this](Runtime&) {
      log.push_back("sysfuncs");
      return std::make_unique<Marker>(log, "sysfuncs");
    };
    f.scene = [this](Runtime&) {
      log.push_back("scene");
      return std::make_unique<FakeScene>(log, counts);
    };
    f.project = [this, inner](Runtime& rt) {
      log.push_back("project");
      return inner(rt);
    };
    f.screen = [this](Runtime&, int32_t w, int32_t h) -> std::unique_ptr<Screen> {
      log.push_back("screen " + std::to_string(w) + "x" + std::to_string(h));
      return std::make_unique<HeadlessScreen>();
    };
    return f;
  }

  std::unique_ptr<Runtime> Make() {
    auto rt = std::make_unique<Runtime>(Config(), Factories(), boxes, [this] { return now; });
    rt->SetLogStep([this](std::string_view step, bool completed) {
      if (!completed) log.push_back(std::string(step));
    });
    return rt;
  }
};

// A main window that records what the Runtime tells it.
class RecordingFrontend : public Frontend {
 public:
  void SetTitle(const std::string& title) override { titles.push_back(title); }
  void SizeToScene(int32_t, int32_t) override {}
  void RequestClose() override { closeRequested = true; }
  void SetIcon(const IconImage& icon) override { icons.push_back(icon); }
  std::vector<std::string> titles;
  std::vector<IconImage> icons;
  bool closeRequested = false;
};

// A title executable carrying its archive as the "DUMMY" resource (its last bytes are "vf") and
// the tiny icon.
std::string ResourceTitleExecutable() {
  const std::string archive = kuzo::testing::BuildArchive(
      102, {{"kuzo.kpb", ProjectFile({}), true}, {"start.ksb", "page", true}, {"zz.pad", "vf", true}});
  ByteWriter groupBytes;
  groupBytes.U16(0);
  groupBytes.U16(1);
  groupBytes.U16(1);
  groupBytes.Bytes(std::string("\x02\x02\x00\x00\x01\x00\x08\x00\x00\x00\x00\x00\x01\x00", 14));
  return kuzo::testing::BuildPeResources({
      {kuzo::testing::PeKey{14, ""}, kuzo::testing::PeKey{1, ""}, groupBytes.Take()},
      {kuzo::testing::PeKey{3, ""}, kuzo::testing::PeKey{1, ""}, kuzo::testing::TinyIconBitmap()},
      {kuzo::testing::PeKey{0, "BINTYPE"}, kuzo::testing::PeKey{0, "DUMMY"}, archive},
  });
}

TEST(RuntimeTest, OldLogInTheTitleDirectoryIsDeletedAtStart) {
  Fixture fx;
  fx.dir.Write("kuzo.kpb", ProjectFile({}));
  fx.dir.Write("start.ksb", "page");
  const auto log = fx.dir.Write("KuzoPlay.LOG", "old trace");  // found without regard to letter case
  auto rt = fx.Make();
  rt->Start();
  EXPECT_FALSE(std::filesystem::exists(log));
  rt->Shutdown();
  // A directory of that name is left alone.
  Fixture other;
  other.dir.Write("kuzo.kpb", ProjectFile({}));
  other.dir.Write("start.ksb", "page");
  other.dir.Write("kuzoplay.log/keep.txt", "x");
  auto rt2 = other.Make();
  rt2->Start();
  EXPECT_TRUE(std::filesystem::exists(other.dir.path() / "kuzoplay.log" / "keep.txt"));
}

TEST(RuntimeTest, WindowIconAndResourceArchiveComeFromTheTitleExecutable) {
  Fixture fx;
  const auto exe = fx.dir.Write("TITLE.EXE", ResourceTitleExecutable());
  RuntimeConfig c = fx.Config();
  c.title.executable = exe;
  RecordingFrontend frontend;
  Runtime rt(c, fx.Factories(), fx.boxes, [] { return 0u; });
  rt.SetFrontend(&frontend);
  rt.Start();
  EXPECT_FALSE(rt.State().terminateRequested) << rt.StartFailure();
  ASSERT_EQ(frontend.icons.size(), 1u);
  EXPECT_EQ(frontend.icons[0].width, 2);
  EXPECT_EQ(frontend.icons[0].height, 2);
  EXPECT_EQ(frontend.icons[0].rgba[3], 0xFF);
  EXPECT_EQ(frontend.icons[0].rgba[(1 * 2 + 0) * 4 + 3], 0) << "the masked bottom-left pixel is transparent";
  ASSERT_GE(rt.Files()->ArchiveCount(), 1);
  EXPECT_TRUE(rt.Files()->Archive(0).IsResource());
  EXPECT_EQ(rt.Files()->ReadFile("start.ksb"), "page");
}

TEST(RuntimeTest, DamagedOrMissingIconKeepsTheDefaultAndTheTitleStarts) {
  for (const std::string& exeBytes : {std::string("MZ but nothing else"), std::string()}) {
    Fixture fx;
    fx.dir.Write("kuzo.kpb", ProjectFile({}));
    fx.dir.Write("start.ksb", "page");
    RuntimeConfig c = fx.Config();
    if (!exeBytes.empty()) c.title.executable = fx.dir.Write("bad.exe", exeBytes);
    RecordingFrontend frontend;
    Runtime rt(c, fx.Factories(), fx.boxes, [] { return 0u; });
    rt.SetFrontend(&frontend);
    rt.Start();
    EXPECT_FALSE(rt.State().terminateRequested) << rt.StartFailure();
    EXPECT_TRUE(frontend.icons.empty());
  }
  // A group listing a picture whose bitmap is cut short.
  Fixture fx;
  fx.dir.Write("kuzo.kpb", ProjectFile({}));
  fx.dir.Write("start.ksb", "page");
  ByteWriter group;
  group.U16(0);
  group.U16(1);
  group.U16(1);
  group.Bytes(std::string("\x02\x02\x00\x00\x01\x00\x08\x00\x00\x00\x00\x00\x01\x00", 14));
  RuntimeConfig c = fx.Config();
  c.title.executable = fx.dir.Write("broken.exe", kuzo::testing::BuildPeResources({
      {kuzo::testing::PeKey{14, ""}, kuzo::testing::PeKey{1, ""}, group.Take()},
      {kuzo::testing::PeKey{3, ""}, kuzo::testing::PeKey{1, ""}, kuzo::testing::TinyIconBitmap().substr(0, 30)},
  }));
  RecordingFrontend frontend;
  Runtime rt(c, fx.Factories(), fx.boxes, [] { return 0u; });
  rt.SetFrontend(&frontend);
  rt.Start();
  EXPECT_FALSE(rt.State().terminateRequested) << rt.StartFailure();
  EXPECT_TRUE(frontend.icons.empty());
}

TEST(RuntimeTest, StartAndShutdownRunInTheirOrder) {
  Fixture fx;
  fx.dir.Write("kuzo.kpb", ProjectFile({}));
  fx.dir.Write("start.ksb", "page");
  auto rt = fx.Make();
  rt->Start();
  EXPECT_FALSE(rt->State().terminateRequested) << rt->StartFailure();
  EXPECT_EQ(rt->State().random.SeedValue(), 1234u);
  rt->Shutdown();
  EXPECT_EQ(fx.log, (std::vector<std::string>{
                        "InitDll", "FormCreate", "TBasePanel.Create", "params", "sysfuncs", "DXSound.Initialize",
                        "KuzoInitialize", "scene", "TProject.Create", "project", "MediaInit", "screen 320x240",
                        "KuzoInitColor", "scene size 320x240",
                        // shutdown
                        "Project.Free", "SysFuncMan.Free", "sysfuncs freed", "ParamMan.Free", "params freed",
                        "KuzoFinalize", "scene close", "MediaFinal", "ScreenMan.Free", "kuzoFinal", "FormClose"}));
  EXPECT_TRUE(rt->ShutDown());
  EXPECT_EQ(rt->Files(), nullptr);
  size_t before = fx.log.size();
  rt->Shutdown();  // once only
  EXPECT_EQ(fx.log.size(), before);
}

TEST(RuntimeTest, MissingProjectFileEndsTheStartWithoutAMessageBox) {
  Fixture fx;
  auto rt = fx.Make();
  rt->Start();
  EXPECT_TRUE(rt->State().terminateRequested);
  EXPECT_NE(rt->StartFailure().find("kuzo.kpb"), std::string::npos);
  EXPECT_TRUE(fx.boxes.History().empty());
  // Without a scene size there is no screen manager.
  EXPECT_EQ(rt->GetScreen(), nullptr);
}

TEST(RuntimeTest, EmptyProjectFileShowsItsWarning) {
  Fixture fx;
  fx.dir.Write("kuzo.kpb", "");
  auto rt = fx.Make();
  rt->Start();
  EXPECT_TRUE(rt->State().terminateRequested);
  ASSERT_EQ(fx.boxes.History().size(), 1u);
  EXPECT_EQ(fx.boxes.History()[0].text, "プロジェクトがありません");
  EXPECT_EQ(fx.boxes.History()[0].caption, "警告");
}

TEST(RuntimeTest, NewerProjectVersionAndMissingStartPage) {
  {
    Fixture fx;
    ProjectFields f;
    f.version = 111;
    fx.dir.Write("kuzo.kpb", ProjectFile(f));
    auto rt = fx.Make();
    rt->Start();
    EXPECT_TRUE(rt->State().terminateRequested);
    EXPECT_TRUE(fx.boxes.History().empty());  // stops silently
    EXPECT_NE(rt->StartFailure().find("111"), std::string::npos);
  }
  {
    Fixture fx;
    fx.dir.Write("kuzo.kpb", ProjectFile({}));
    auto rt = fx.Make();
    rt->Start();
    EXPECT_TRUE(rt->State().terminateRequested);
    ASSERT_EQ(fx.boxes.History().size(), 1u);
    EXPECT_EQ(fx.boxes.History()[0].text, "スタートページがありません");
  }
}

TEST(RuntimeTest, TruncatedProjectFileIsAStartFailureNotACrash) {
  Fixture fx;
  std::string bytes = ProjectFile({});
  fx.dir.Write("kuzo.kpb", bytes.substr(0, 9));
  auto rt = fx.Make();
  rt->Start();
  EXPECT_TRUE(rt->State().terminateRequested);
  EXPECT_NE(rt->StartFailure().find("cannot be read"), std::string::npos);
}

TEST(RuntimeTest, HugeSceneSizeIsRefusedWithAWarning) {
  Fixture fx;
  ProjectFields f;
  f.width = 100000;
  fx.dir.Write("kuzo.kpb", ProjectFile(f));
  fx.dir.Write("start.ksb", "page");
  auto rt = fx.Make();
  rt->Start();
  EXPECT_TRUE(rt->State().terminateRequested);
  ASSERT_EQ(fx.boxes.History().size(), 1u);
  EXPECT_EQ(fx.boxes.History()[0].caption, "警告");
  EXPECT_EQ(rt->GetScreen(), nullptr);
}

TEST(RuntimeTest, ProjectSettingsFollowVersionGates) {
  for (uint32_t version : {105u, 110u}) {
    Fixture fx;
    ProjectFields f;
    f.version = version;
    f.frameWait = true;
    fx.dir.Write("kuzo.kpb", ProjectFile(f));
    fx.dir.Write("start.ksb", "page");
    auto rt = fx.Make();
    rt->Start();
    ASSERT_FALSE(rt->State().terminateRequested) << rt->StartFailure();
    const auto& settings = dynamic_cast<ProjectHeaderProject&>(*rt->GetProject()).Settings();
    EXPECT_EQ(settings.frameWait != 0, version >= 106) << version;  // absent before 106
    EXPECT_EQ(settings.exitPage, version > 109 ? "exit.ksb" : "") << version;
    EXPECT_EQ(settings.title, "Title");
    EXPECT_EQ(settings.startPage, "start.ksb");
    EXPECT_EQ(rt->GetProject()->Width(), 320);
    EXPECT_EQ(rt->GetProject()->FullHeight(), 480);
    EXPECT_EQ(rt->Files()->Project().title, "Title");
  }
}

TEST(RuntimeTest, ConfirmExitYesClosesNoRestoresTheFlag) {
  Fixture fx;
  fx.dir.Write("kuzo.kpb", ProjectFile({}));
  fx.dir.Write("start.ksb", "page");
  auto rt = fx.Make();
  rt->Start();
  ASSERT_FALSE(rt->State().terminateRequested);
  EXPECT_TRUE(rt->ConfirmExit());  // headless boxes answer the default: Yes
  EXPECT_TRUE(rt->State().terminateRequested);
  ASSERT_EQ(fx.boxes.History().size(), 1u);
  EXPECT_EQ(fx.boxes.History()[0].text, "「Title」を終了しますか？");
  EXPECT_EQ(fx.boxes.History()[0].caption, "Title");
  EXPECT_EQ(fx.boxes.History()[0].buttons, platform::MessageButtons::kYesNo);

  class NoBoxes : public platform::MessageBoxes {
   public:
    platform::MessageResult Show(std::string_view, std::string_view, platform::MessageButtons, platform::MessageIcon,
                                 platform::MessageResult) override {
      return platform::MessageResult::kNo;
    }
  } no;
  Runtime other(fx.Config(), fx.Factories(), no, [] { return 0u; });
  other.Start();
  ASSERT_FALSE(other.State().terminateRequested);
  EXPECT_FALSE(other.ConfirmExit());
  EXPECT_FALSE(other.State().terminateRequested);
}

TEST(RuntimeTest, ShutdownDeletesTheExitListAndTemporaryFiles) {
  Fixture fx;
  auto doomed = fx.dir.Write("doomed.txt", "x");
  auto rt = fx.Make();
  rt->Start();
  rt->State().exitDeleteList.push_back(doomed.string());
  rt->Shutdown();
  EXPECT_FALSE(std::filesystem::exists(doomed));
}

TEST(RuntimeTest, ADamagedArchiveIsSkippedAndTheTitlePlaysFromTheOthers) {
  Fixture fx;
  // The trailer points past a directory that is not there.
  auto bad = fx.dir.Write("broken.exe", std::string(64, 'x') + std::string("\x10\x00\x00\x00kz", 6));
  auto good = fx.dir.Write("game.dat", testing::Archive({{"kuzo.kpb", ProjectFile({})}, {"start.ksb", "page"}}));
  RuntimeConfig c = fx.Config();
  c.title.archives = {bad, good};
  Runtime rt(c, fx.Factories(), fx.boxes, [] { return 0u; });
  rt.Start();
  EXPECT_FALSE(rt.State().terminateRequested) << rt.StartFailure();
  EXPECT_TRUE(fx.boxes.History().empty());
  ASSERT_EQ(rt.Files()->ArchiveCount(), 1);
  EXPECT_TRUE(rt.Files()->Exists("kuzo.kpb"));
}

TEST(HeadlessRunnerTest, RunsTicksOnAVirtualClockAndExitsZero) {
  Fixture fx;
  fx.dir.Write("kuzo.kpb", ProjectFile({}));
  fx.dir.Write("start.ksb", "page");
  HeadlessRunner runner(fx.Config(), fx.Factories(), 50, 20);
  std::vector<int64_t> seen;
  runner.Hooks().afterTick.push_back([&](Runtime& rt, int64_t tick) {
    if (tick == 50) seen.push_back(rt.State().gameClockMs);
  });
  HeadlessResult r = runner.Run();
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.ticksRun, 50);
  EXPECT_EQ(seen, std::vector<int64_t>{1000});
  EXPECT_EQ(runner.NowMs(), 1000u);
  EXPECT_EQ(fx.counts.updates, 50);
  EXPECT_EQ(fx.counts.draws, 50);
  EXPECT_EQ(fx.counts.clears, 50);
  EXPECT_TRUE(runner.GetRuntime().ShutDown());
}

TEST(HeadlessRunnerTest, TitleThatCannotStartExitsNonZeroWithOneLine) {
  Fixture fx;
  HeadlessRunner runner(fx.Config(), fx.Factories(), 10, 16);
  HeadlessResult r = runner.Run();
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.ticksRun, 0);
  EXPECT_FALSE(r.message.empty());
  EXPECT_EQ(r.message.find('\n'), std::string::npos);
  EXPECT_TRUE(runner.GetRuntime().ShutDown());
}

TEST(HeadlessRunnerTest, ProjectWithoutSceneSizeNeverTicks) {
  Fixture fx;
  ProjectFields f;
  f.width = 0;
  fx.dir.Write("kuzo.kpb", ProjectFile(f));
  fx.dir.Write("start.ksb", "page");
  HeadlessRunner runner(fx.Config(), fx.Factories(), 10, 16);
  HeadlessResult r = runner.Run();
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.ticksRun, 0);
}

TEST(HeadlessRunnerTest, ProjectInsideATitleExecutable) {
  Fixture fx;
  auto exe = fx.dir.Write("TITLE.EXE", testing::ExecutableWithArchive(
                                           {{"kuzo.kpb", ProjectFile({})}, {"start.ksb", "page"}}));
  RuntimeConfig c = fx.Config();
  c.title.archives.push_back(exe);
  HeadlessRunner runner(c, fx.Factories(), 3, 16);
  HeadlessResult r = runner.Run();
  EXPECT_EQ(r.exitCode, 0) << r.message;
  EXPECT_EQ(r.ticksRun, 3);
}

TEST(HeadlessRunnerTest, ThePlayersOwnExecutableCarryingTheTitle) {
  Fixture fx;
  auto own = fx.dir.Write("kuzoplayer", testing::ExecutableWithArchive(
                                            {{"kuzo.kpb", ProjectFile({})}, {"start.ksb", "page"}}));
  RuntimeConfig c = fx.Config();
  c.title.executable = own;  // no ".exe": read through its trailer because it is the title's executable
  c.title.archives.push_back(own);
  HeadlessRunner runner(c, fx.Factories(), 2, 16);
  HeadlessResult r = runner.Run();
  EXPECT_EQ(r.exitCode, 0) << r.message;
  EXPECT_EQ(r.ticksRun, 2);
}

TEST(HeadlessRunnerTest, AGameDatEndingLikeATrailerIsReadAsAPlainArchive) {
  Fixture fx;
  // The last six bytes look like a trailer pointing at offset 1; only executables have trailers.
  ByteWriter tail;
  tail.U32(1);
  tail.Bytes("kz");
  auto dat = fx.dir.Write("game.dat", testing::Archive({{"kuzo.kpb", ProjectFile({})}, {"start.ksb", "page"}}) +
                                          tail.Str());
  RuntimeConfig c = fx.Config();
  c.title.archives.push_back(dat);
  HeadlessRunner runner(c, fx.Factories(), 2, 16);
  HeadlessResult r = runner.Run();
  EXPECT_EQ(r.exitCode, 0) << r.message;
  EXPECT_EQ(r.ticksRun, 2);
}

}  // namespace
}  // namespace kuzo::host
