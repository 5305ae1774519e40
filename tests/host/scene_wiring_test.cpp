// The scene behind the host: scripted input files, the scene dump, and whole titles run headless
// whose clicks, screenshots and dumps show what a player would see.
#include "host/scene_wiring.h"

#include <gtest/gtest.h>

#include "authoring/title_builder.h"
#include "core/errors.h"
#include "graphics/png_writer.h"
#include "host/headless_runner.h"
#include "host_test_util.h"
#include "scene/kuzo_base_list.h"
#include "vars/sys_func_man.h"

namespace kuzo::host {
namespace {

using testing::ScratchDir;

TEST(InputScript, ParsesEveryEventKind) {
  auto in = ParseInputScript(
      "# comment\n3 mousemove 10 -4\n4 mousedown left\n5 mousedown right\n6 mouseup right\n7 mouseup\r\n"
      "8 keydown 13\n9 keyup 255\n10 wheel down\n11 wheel up\n",
      "in.txt");
  ASSERT_EQ(in.size(), 9u);
  EXPECT_EQ(in[0].tick, 3);
  EXPECT_EQ(in[0].kind, ScriptedInput::Kind::kMove);
  EXPECT_EQ(in[0].y, -4);
  EXPECT_EQ(in[2].x, 1);   // right button
  EXPECT_EQ(in[3].x, 1);
  EXPECT_EQ(in[4].x, -1);  // no button: both
  EXPECT_EQ(in[6].x, 255);
  EXPECT_EQ(in[7].x, 1);   // wheel down
  EXPECT_EQ(in[8].x, 0);
}

TEST(InputScript, MalformedLinesNameTheLine) {
  const char* bad[] = {"0 mousemove 1 2", "x mousemove 1 2", "3 mousemove 1", "3 mousedown middle",
                       "3 keydown 256", "3 wheel sideways", "3 jump", "3 mouseup left extra", "3"};
  for (const char* line : bad) {
    try {
      ParseInputScript(std::string("1 mouseup\n") + line + "\n", "in.txt");
      ADD_FAILURE() << "accepted: " << line;
    } catch (const KuzoError& e) {
      EXPECT_EQ(std::string(e.what()).rfind("in.txt:2: ", 0), 0u) << e.what();
    }
  }
}

TEST(SceneDump, OneLinePerComponentWithEscapedSystemNames) {
  HostState host;
  TKuzoBaseList scene(&host, 100, 80);
  auto* c = scene.CreateObject<TKuzoCabinet>();
  c->SetName("cab");
  c->SetParent(scene.ActiveBase());
  c->SetBounds(1, 2, 3, 4);
  EXPECT_EQ(DumpScene(scene), "cab\t27\t\\x01BASE0\t1\t2\t3\t4\t0\t255\n");
}

// A title with a button-like box; the input script clicks it and the handler recolours it.
class HeadlessTitle : public ::testing::Test {
 protected:
  void SetUp() override {
    src_.Write("kuzo.kpt", "title \"t\"\nsize 64 48\nstart main.kss\n");
    src_.Write("main.kss",
               "var int clicks = 0\n"
               "box name = \"bg\", width = 64, height = 48, color = $404040\n"
               "box name = \"btn\", left = 8, top = 8, width = 20, height = 10, color = 255, "
               "onlbtnup = \"main.ksb:clicked\"\n"
               "box name = \"glass\", parent = \"btn\", left = 4, top = 4, width = 40, height = 4, "
               "color = $00FF00, alpha = 128\n"
               "wait 100000\n"
               "exit\n"
               "label clicked\n"
               "clicks = clicks + 1\n"
               "SetProp(\"btn\", 8, GetProp(\"btn\", 8) * $10000)\n");
    BuildTitle(src_.path(), out_.path());
    out_.Write("input.txt", "3 mousemove 9 9\n4 mousedown left\n6 mouseup left\n");
  }

  // Runs the title; returns the frame after the given tick as RGB triples.
  std::vector<uint8_t> Run(int64_t ticks, int64_t shotTick, const std::string& dumpVars) {
    RuntimeConfig config;
    config.title = LocateTitle({out_.path().string()}, out_.path() / "player");
    config.headless = true;
    config.seed = 1;
    config.dumpVarsFile = dumpVars;
    HeadlessRunner runner(std::move(config), ticks, 16);
    SceneOptions options;
    options.inputFile = (out_.path() / "input.txt").string();
    options.dumpSceneFile = (out_.path() / "scene.txt").string();
    options.screenshots.emplace_back(shotTick, (out_.path() / "shot.png").string());
    AttachSceneHooks(runner.Hooks(), options);
    std::vector<uint8_t> frame;
    runner.Hooks().afterTick.push_back([&](Runtime& rt, int64_t tick) {
      if (tick == shotTick) frame = SurfaceToRgb(*rt.GetScene()->Model().SceneSurface());
    });
    EXPECT_EQ(runner.Run().exitCode, 0);
    return frame;
  }

  static std::array<uint8_t, 3> Pixel(const std::vector<uint8_t>& rgb, int x, int y) {
    size_t i = (static_cast<size_t>(y) * 64 + x) * 3;
    return {rgb[i], rgb[i + 1], rgb[i + 2]};
  }

  ScratchDir src_, out_;
};

TEST_F(HeadlessTitle, BoxesPlacedClippedAndBlended) {
  auto frame = Run(3, 2, "");
  ASSERT_EQ(frame.size(), 64u * 48 * 3);
  EXPECT_EQ(Pixel(frame, 0, 0), (std::array<uint8_t, 3>{64, 64, 64}));
  EXPECT_EQ(Pixel(frame, 9, 9), (std::array<uint8_t, 3>{255, 0, 0}));
  // Green at 128 over red: (255 * 127) >> 8 = 126, (255 * 128) >> 8 = 127.
  EXPECT_EQ(Pixel(frame, 12, 12), (std::array<uint8_t, 3>{126, 127, 0}));
  // The glass reaches past its parent's right edge (x 28) but is clipped to it.
  EXPECT_EQ(Pixel(frame, 27, 12), (std::array<uint8_t, 3>{126, 127, 0}));
  EXPECT_EQ(Pixel(frame, 28, 12), (std::array<uint8_t, 3>{64, 64, 64}));
  EXPECT_FALSE(out_.Read("shot.png").empty());
  EXPECT_EQ(out_.Read("scene.txt"),
            "bg\t2\t\\x01BASE0\t0\t0\t64\t48\t1\t255\n"
            "btn\t2\t\\x01BASE0\t8\t8\t20\t10\t1\t255\n"
            "glass\t2\tbtn\t12\t12\t40\t4\t1\t128\n");
}

TEST_F(HeadlessTitle, ScriptedClickRunsTheHandler) {
  const std::string vars = (out_.path() / "vars.txt").string();
  auto frame = Run(10, 9, vars);
  EXPECT_EQ(Pixel(frame, 9, 9), (std::array<uint8_t, 3>{0, 0, 255}));  // red 255 moved to blue by the built-ins
  EXPECT_NE(out_.Read("vars.txt").find("clicks\t1\t-\t1\n"), std::string::npos) << out_.Read("vars.txt");
}

TEST(PlayerBuiltins, EveryBuiltInFunctionHasAHandlerInThePlayer) {
  // A page calling each of the 143 built-ins once with its least number of arguments. Wrong kinds
  // of argument may raise their own errors; none may be missing from the player.
  ScratchDir src, out;
  src.Write("kuzo.kpt", "title \"t\"\nsize 32 24\nstart main.kss\n");
  std::string page = "box name = \"bg\", parent = \"\", width = 32, height = 24\n";
  for (int n = 0; n < kSysFuncCount; ++n) {
    const TSysFuncInfo& info = TSysFuncMan::Info(n);
    page += info.name;
    page += "(";
    for (int a = 0; a < info.minArgs; ++a) page += a == 0 ? "\"0\"" : ", \"0\"";
    page += ")\n";
  }
  page += "var int reached = 1\n";
  src.Write("main.kss", page);
  BuildTitle(src.path(), out.path());
  RuntimeConfig config;
  config.title = LocateTitle({out.path().string()}, out.path() / "player");
  config.headless = true;
  config.seed = 1;
  config.dumpVarsFile = (out.path() / "vars.txt").string();
  HeadlessRunner runner(std::move(config), 2, 16);
  std::vector<std::string> lines;
  runner.Hooks().beforeTick.push_back([&](Runtime& rt, int64_t tick) {
    if (tick == 1) rt.State().log = [&](const std::string& line) { lines.push_back(line); };
  });
  EXPECT_EQ(runner.Run().exitCode, 0);
  for (const std::string& line : lines) EXPECT_EQ(line.find("not available"), std::string::npos) << line;
  EXPECT_NE(out.Read("vars.txt").find("reached\t1\t-\t1"), std::string::npos);
}

}  // namespace
}  // namespace kuzo::host
