// The Runtime: start-up and shutdown order, the project's start-up failures, errors raised during
// initialisation, ConfirmExit, the exit delete list, and headless runs end to end.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "host/headless_runner.h"
#include "host/runtime.h"
#include "core/errors.h"
#include "scene/kuzo_base_list.h"
#include "host_test_util.h"
#include "tests/data/archive_bytes.h"
#include "tests/data/pe_bytes.h"
#include "tests/media/pcm_helpers.h"

namespace kuzo::host {
namespace {

using testing::ProjectFields;
using testing::ProjectFile;
using testing::ScratchDir;

struct Fixture {
  ScratchDir dir;
  std::vector<std::string> log;
  platform::HeadlessMessageBoxes boxes;
  uint32_t now = 0;

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

  std::unique_ptr<Runtime> Make(RuntimeConfig c) {
    auto rt = std::make_unique<Runtime>(std::move(c), boxes, [this] { return now; });
    rt->SetLogStep([this](std::string_view step, bool completed) {
      if (!completed) log.push_back(std::string(step));
    });
    return rt;
  }
  std::unique_ptr<Runtime> Make() { return Make(Config()); }
  // A title that starts and keeps running.
  void WriteTitle(const ProjectFields& f = {}) {
    dir.Write("kuzo.kpb", ProjectFile(f));
    dir.Write("start.ksb", testing::WaitingPage());
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
  std::unique_ptr<Screen> CreateScreen(int32_t, int32_t) override { return std::make_unique<HeadlessScreen>(); }
  void MovePointer(int32_t x, int32_t y) override { pointer.emplace_back(x, y); }
  std::vector<std::pair<int32_t, int32_t>> pointer;
};

// A title executable carrying its archive as the "DUMMY" resource (its last bytes are "vf") and
// the tiny icon.
std::string ResourceTitleExecutable() {
  const std::string archive = kuzo::testing::BuildArchive(
      102, {{"kuzo.kpb", ProjectFile({}), true}, {"start.ksb", testing::WaitingPage(), true}, {"zz.pad", "vf", true}});
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
  fx.WriteTitle();
  const auto log = fx.dir.Write("KuzoPlay.LOG", "old trace");  // found without regard to letter case
  auto rt = fx.Make();
  rt->Start();
  EXPECT_FALSE(std::filesystem::exists(log));
  rt->Shutdown();
  // A directory of that name is left alone.
  Fixture other;
  other.WriteTitle();
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
  Runtime rt(c, fx.boxes, [] { return 0u; });
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
  EXPECT_EQ(rt.Files()->ReadFile("start.ksb"), testing::WaitingPage());
}

TEST(RuntimeTest, DamagedOrMissingIconKeepsTheDefaultAndTheTitleStarts) {
  for (const std::string& exeBytes : {std::string("MZ but nothing else"), std::string()}) {
    Fixture fx;
    fx.WriteTitle();
    RuntimeConfig c = fx.Config();
    if (!exeBytes.empty()) c.title.executable = fx.dir.Write("bad.exe", exeBytes);
    RecordingFrontend frontend;
    Runtime rt(c, fx.boxes, [] { return 0u; });
    rt.SetFrontend(&frontend);
    rt.Start();
    EXPECT_FALSE(rt.State().terminateRequested) << rt.StartFailure();
    EXPECT_TRUE(frontend.icons.empty());
  }
  // A group listing a picture whose bitmap is cut short.
  Fixture fx;
  fx.WriteTitle();
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
  Runtime rt(c, fx.boxes, [] { return 0u; });
  rt.SetFrontend(&frontend);
  rt.Start();
  EXPECT_FALSE(rt.State().terminateRequested) << rt.StartFailure();
  EXPECT_TRUE(frontend.icons.empty());
}

TEST(RuntimeTest, StartAndShutdownRunInTheirOrder) {
  Fixture fx;
  fx.WriteTitle();
  auto rt = fx.Make();
  rt->Start();
  EXPECT_FALSE(rt->State().terminateRequested) << rt->StartFailure();
  EXPECT_EQ(rt->State().random.SeedValue(), 1234u);
  // Every subsystem exists once the start-up is through.
  EXPECT_NE(rt->Variables(), nullptr);
  EXPECT_NE(rt->Variables()->Functions(), nullptr);
  EXPECT_NE(rt->GetScene(), nullptr);
  EXPECT_NE(rt->GetProject(), nullptr);
  EXPECT_NE(rt->Media(), nullptr);
  ASSERT_NE(rt->GetScreen(), nullptr);
  EXPECT_EQ(rt->GetScene()->Model().Width(), 320);
  rt->Shutdown();
  EXPECT_EQ(fx.log, (std::vector<std::string>{
                        "InitDll", "FormCreate", "TBasePanel.Create", "DXSound.Initialize", "KuzoInitialize",
                        "TProject.Create", "MediaInit", "KuzoInitColor",
                        // shutdown
                        "Project.Free", "SysFuncMan.Free", "ParamMan.Free", "KuzoFinalize", "MediaFinal",
                        "ScreenMan.Free", "kuzoFinal", "FormClose"}));
  EXPECT_TRUE(rt->ShutDown());
  EXPECT_EQ(rt->Files(), nullptr);
  EXPECT_EQ(rt->Variables(), nullptr);
  EXPECT_EQ(rt->GetScene(), nullptr);
  EXPECT_EQ(rt->GetProject(), nullptr);
  EXPECT_EQ(rt->Media(), nullptr);
  EXPECT_EQ(rt->GetScreen(), nullptr);
  size_t before = fx.log.size();
  rt->Shutdown();  // once only
  EXPECT_EQ(fx.log.size(), before);
}

TEST(RuntimeTest, TheSceneReachesEverySubsystemThroughItsServiceSlots) {
  Fixture fx;
  fx.WriteTitle();
  auto rt = fx.Make();
  rt->Start();
  ASSERT_FALSE(rt->State().terminateRequested) << rt->StartFailure();
  const TKuzoBaseList& scene = rt->GetScene()->Model();
  EXPECT_NE(scene.Images(), nullptr);
  EXPECT_EQ(scene.Files(), rt->Files());
  EXPECT_NE(scene.Glyphs(), nullptr);
  EXPECT_EQ(scene.Media(), rt->Media());
  EXPECT_EQ(scene.Clock(), &rt->State());
}

TEST(RuntimeTest, TheVariableDumpShowsTheVariablesAfterTheExitPage) {
  Fixture fx;
  fx.dir.Write("kuzo.kpb", ProjectFile({}));
  fx.dir.Write("start.ksb", testing::Page("var int seen = 1\nwait 100000\n"));
  fx.dir.Write("exit.ksb", testing::Page("seen = seen + 10\n"));
  RuntimeConfig c = fx.Config();
  c.dumpVarsFile = fx.dir.path() / "vars.txt";
  HeadlessRunner runner(c, 3, 16);
  ASSERT_EQ(runner.Run().exitCode, 0);
  EXPECT_NE(fx.dir.Read("vars.txt").find("seen\t1\t-\t11\n"), std::string::npos) << fx.dir.Read("vars.txt");
  // An unwritable dump is reported and the shutdown goes on.
  Fixture other;
  other.WriteTitle();
  RuntimeConfig bad = other.Config();
  bad.dumpVarsFile = other.dir.path() / "no-such-dir" / "vars.txt";
  HeadlessRunner badRunner(bad, 1, 16);
  EXPECT_EQ(badRunner.Run().exitCode, 0);
  EXPECT_TRUE(badRunner.GetRuntime().ShutDown());
}

TEST(RuntimeTest, AnUnwritableTraceFileIsRefusedBeforeTheStart) {
  Fixture fx;
  RuntimeConfig c = fx.Config();
  c.traceFile = fx.dir.path() / "no-such-dir" / "trace.txt";
  EXPECT_THROW(fx.Make(c), KuzoError);
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
  fx.dir.Write("start.ksb", testing::WaitingPage());
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
    fx.dir.Write("start.ksb", testing::WaitingPage());
    auto rt = fx.Make();
    rt->Start();
    ASSERT_FALSE(rt->State().terminateRequested) << rt->StartFailure();
    const auto& settings = rt->GetProject()->Settings();
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
  fx.WriteTitle();
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
  Runtime other(fx.Config(), no, [] { return 0u; });
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
  auto good = fx.dir.Write("game.dat", testing::Archive({{"kuzo.kpb", ProjectFile({})}, {"start.ksb", testing::WaitingPage()}}));
  RuntimeConfig c = fx.Config();
  c.title.archives = {bad, good};
  Runtime rt(c, fx.boxes, [] { return 0u; });
  rt.Start();
  EXPECT_FALSE(rt.State().terminateRequested) << rt.StartFailure();
  EXPECT_TRUE(fx.boxes.History().empty());
  ASSERT_EQ(rt.Files()->ArchiveCount(), 1);
  EXPECT_TRUE(rt.Files()->Exists("kuzo.kpb"));
}

TEST(HeadlessRunnerTest, RunsTicksOnAVirtualClockAndExitsZero) {
  Fixture fx;
  fx.WriteTitle();
  HeadlessRunner runner(fx.Config(), 50, 20);
  std::vector<int64_t> seen;
  runner.Hooks().afterTick.push_back([&](Runtime& rt, int64_t tick) {
    if (tick == 50) seen.push_back(rt.State().gameClockMs);
  });
  HeadlessResult r = runner.Run();
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.ticksRun, 50);
  EXPECT_EQ(seen, std::vector<int64_t>{1000});
  EXPECT_EQ(runner.NowMs(), 1000u);
  EXPECT_EQ(runner.GetRuntime().State().updateCount, 50);
  EXPECT_TRUE(runner.GetRuntime().ShutDown());
}

// A reload saves and loads in memory at the end of its tick: the scene is rebuilt from the record
// (a new object of the same name and place), that tick's frame is not drawn, and save.dat is not
// touched.
TEST(HeadlessRunnerTest, ReloadRebuildsTheGameInMemoryAndSkipsThatTicksFrame) {
  Fixture fx;
  fx.WriteTitle();
  HeadlessRunner runner(fx.Config(), 5, 16);
  TKuzoObject* before = nullptr;
  TKuzoObject* after = nullptr;
  std::vector<int64_t> presents;
  runner.Hooks().beforeTick.push_back([&](Runtime& rt, int64_t tick) {
    TKuzoBaseList& scene = rt.GetScene()->Model();
    if (tick == 1) {
      auto* box = static_cast<TKuzoControl*>(scene.CreateByKind(LT_BOX));
      box->SetName("b");
      box->SetParent(scene.ActiveBase());
      box->SetBounds(3, 4, 5, 6);
    }
    if (tick == 3) {
      before = scene.FindComponent("b");
      rt.RequestReload();
    }
    scene.InvalidateAll();  // every drawn tick presents a frame
  });
  runner.Hooks().afterTick.push_back([&](Runtime& rt, int64_t tick) {
    presents.push_back(static_cast<HeadlessScreen*>(rt.GetScreen())->TotalPresents());
    if (tick == 3) {
      after = rt.GetScene()->Model().FindComponent("b");
      EXPECT_EQ(after->GetScreenRect(), (TRect{3, 4, 8, 10}));
      EXPECT_FALSE(std::filesystem::exists(fx.dir.path() / "save.dat"));
    }
  });
  EXPECT_EQ(runner.Run().exitCode, 0);
  ASSERT_NE(before, nullptr);
  ASSERT_NE(after, nullptr);
  EXPECT_NE(before, after);
  EXPECT_EQ(presents, (std::vector<int64_t>{1, 2, 2, 3, 4}));
}

TEST(HeadlessRunnerTest, TitleThatCannotStartExitsNonZeroWithOneLine) {
  Fixture fx;
  HeadlessRunner runner(fx.Config(), 10, 16);
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
  fx.dir.Write("start.ksb", testing::WaitingPage());
  HeadlessRunner runner(fx.Config(), 10, 16);
  HeadlessResult r = runner.Run();
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.ticksRun, 0);
}

TEST(HeadlessRunnerTest, ProjectInsideATitleExecutable) {
  Fixture fx;
  auto exe = fx.dir.Write("TITLE.EXE", testing::ExecutableWithArchive(
                                           {{"kuzo.kpb", ProjectFile({})}, {"start.ksb", testing::WaitingPage()}}));
  RuntimeConfig c = fx.Config();
  c.title.archives.push_back(exe);
  HeadlessRunner runner(c, 3, 16);
  HeadlessResult r = runner.Run();
  EXPECT_EQ(r.exitCode, 0) << r.message;
  EXPECT_EQ(r.ticksRun, 3);
}

TEST(HeadlessRunnerTest, ThePlayersOwnExecutableCarryingTheTitle) {
  Fixture fx;
  auto own = fx.dir.Write("kuzoplayer", testing::ExecutableWithArchive(
                                            {{"kuzo.kpb", ProjectFile({})}, {"start.ksb", testing::WaitingPage()}}));
  RuntimeConfig c = fx.Config();
  c.title.executable = own;  // no ".exe": read through its trailer because it is the title's executable
  c.title.archives.push_back(own);
  HeadlessRunner runner(c, 2, 16);
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
  auto dat = fx.dir.Write("game.dat", testing::Archive({{"kuzo.kpb", ProjectFile({})}, {"start.ksb", testing::WaitingPage()}}) +
                                          tail.Str());
  RuntimeConfig c = fx.Config();
  c.title.archives.push_back(dat);
  HeadlessRunner runner(c, 2, 16);
  HeadlessResult r = runner.Run();
  EXPECT_EQ(r.exitCode, 0) << r.message;
  EXPECT_EQ(r.ticksRun, 2);
}

// A 16-bit stereo tone of `ms` milliseconds at a constant level.
std::string Tone(int ms, int32_t level) {
  return media::testing::MakeWav(44100, 2, 16, std::vector<int32_t>(static_cast<size_t>(ms) * 441 / 10 * 2, level));
}

// The 16-bit stereo samples of a wave file written by the audio output (header of 44 bytes).
std::vector<int16_t> WaveSamples(const std::string& bytes, int* rate, int* channels) {
  EXPECT_GE(bytes.size(), 44u);
  if (bytes.size() < 44) return {};
  ByteReader r(bytes, "out.wav");
  EXPECT_EQ(r.Bytes(4, "riff"), "RIFF");
  r.Seek(22);
  *channels = r.U16("channels");
  *rate = static_cast<int>(r.U32("rate"));
  r.Seek(40);
  const uint32_t size = r.U32("data size");
  EXPECT_EQ(size, bytes.size() - 44);
  std::vector<int16_t> out(size / 2);
  std::memcpy(out.data(), bytes.data() + 44, out.size() * 2);
  return out;
}

TEST(HeadlessRunnerTest, AudioOutHoldsTheWholeRunsMixFromTimeZero) {
  Fixture fx;
  fx.WriteTitle();
  fx.dir.Write("tone.wav", Tone(300, 8000));
  RuntimeConfig c = fx.Config();
  c.audioOut = fx.dir.path() / "out.wav";
  HeadlessRunner runner(c, 10, 20);
  // Started before the tick at 100 ms, whose mix up to that time is already rendered.
  runner.Hooks().beforeTick.push_back([](Runtime& rt, int64_t tick) {
    if (tick == 5) rt.Media()->AddSound("tone.wav")->Play();
  });
  ASSERT_EQ(runner.Run().exitCode, 0);
  int rate = 0, channels = 0;
  const std::vector<int16_t> samples = WaveSamples(fx.dir.Read("out.wav"), &rate, &channels);
  EXPECT_EQ(rate, 44100);
  EXPECT_EQ(channels, 2);
  ASSERT_EQ(samples.size(), 200u * 441 / 10 * 2) << "10 ticks of 20 ms";
  const size_t start = 100 * 441 / 10 * 2;
  // Before the sound starts the mix is silent but for the synthesiser's dither (one step at most).
  for (size_t i = 0; i < start; ++i) ASSERT_LE(std::abs(samples[i]), 1) << "silence before the sound, at " << i;
  size_t heard = 0;
  for (size_t i = start; i < samples.size(); ++i) heard += std::abs(samples[i]) > 1000;
  EXPECT_GT(heard, (samples.size() - start) * 9 / 10);
}

TEST(HeadlessRunnerTest, WithoutAudioOutNoFileAndAnUnwritableOneStopsTheStart) {
  Fixture fx;
  fx.WriteTitle();
  RuntimeConfig c = fx.Config();
  c.audioOut = fx.dir.path() / "no-such-dir" / "out.wav";
  HeadlessRunner runner(c, 2, 16);
  HeadlessResult r = runner.Run();
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.message.find("out.wav"), std::string::npos) << r.message;
}

TEST(RuntimeTest, FocusLossPausesWhatPlaysAndRegainingItResumesOnlyThat) {
  Fixture fx;
  fx.WriteTitle();
  fx.dir.Write("a.wav", Tone(2000, 1000));
  fx.dir.Write("b.wav", Tone(2000, 1000));
  auto rt = fx.Make();
  rt->Start();
  ASSERT_FALSE(rt->State().terminateRequested) << rt->StartFailure();
  rt->Activate();
  media::TDMediaItem* playing = rt->Media()->AddSound("a.wav");
  media::TDMediaItem* paused = rt->Media()->AddSound("b.wav");
  playing->Play();
  paused->Play();
  paused->Pause();
  rt->GetScene()->KeyDown(0x41);
  rt->Deactivate();
  EXPECT_FALSE(rt->Loop().Active());
  EXPECT_TRUE(playing->IsPaused());
  EXPECT_FALSE(rt->GetScene()->Model().IsKeyDown(0x41)) << "the scene was told that focus went";
  rt->Activate();
  EXPECT_TRUE(rt->Loop().Active());
  EXPECT_TRUE(playing->IsPlaying());
  EXPECT_FALSE(playing->IsPaused());
  EXPECT_TRUE(paused->IsPaused()) << "a sound paused before stays paused";
}

TEST(RuntimeTest, SoundSettingsFromGameIniReachTheMediaSystem) {
  Fixture fx;
  fx.WriteTitle();
  fx.dir.Write("game.ini", "[Sound]\r\nDirectSound=0\r\nDelayTime=250\r\n");
  auto rt = fx.Make();
  rt->Start();
  ASSERT_FALSE(rt->State().terminateRequested) << rt->StartFailure();
  EXPECT_FALSE(rt->Settings().directSound);
  EXPECT_EQ(rt->Settings().delayTimeMs, 200);
  // Without DirectSound the Ogg manager plays through the wave output in blocks of DelayTime.
  ASSERT_NE(rt->Media()->Ogg().WaveOutput(), nullptr);
  EXPECT_EQ(rt->Media()->Ogg().WaveOutput()->DelayTime(), 200);
}

TEST(RuntimeTest, WrittenPointerVariablesMoveTheWindowsPointerOrTheScriptedOne) {
  const std::string page = "@MouseX = 40\n@MouseY = 30\nwait 100000\n";
  {  // A window: the pointer moves there, and the scene knows the new place at once.
    Fixture fx;
    fx.dir.Write("kuzo.kpb", ProjectFile({}));
    fx.dir.Write("start.ksb", testing::Page(page));
    RecordingFrontend frontend;
    auto rt = fx.Make();
    rt->SetFrontend(&frontend);
    rt->Start();
    ASSERT_FALSE(rt->State().terminateRequested) << rt->StartFailure();
    rt->Activate();
    fx.now += 16;
    rt->Loop().Idle();
    EXPECT_EQ(frontend.pointer, (std::vector<std::pair<int32_t, int32_t>>{{40, 0}, {40, 30}}));
    EXPECT_EQ(rt->GetScene()->Model().MouseX(), 40);
    EXPECT_EQ(rt->GetScene()->Model().MouseY(), 30);
  }
  {  // Headless: the scripted pointer is the scene's own.
    Fixture fx;
    fx.dir.Write("kuzo.kpb", ProjectFile({}));
    fx.dir.Write("start.ksb", testing::Page(page));
    HeadlessRunner runner(fx.Config(), 2, 16);
    int32_t x = -1, y = -1;
    runner.Hooks().afterTick.push_back([&](Runtime& rt, int64_t) {
      x = rt.GetScene()->Model().MouseX();
      y = rt.GetScene()->Model().MouseY();
    });
    ASSERT_EQ(runner.Run().exitCode, 0);
    EXPECT_EQ(x, 40);
    EXPECT_EQ(y, 30);
  }
}

}  // namespace
}  // namespace kuzo::host
