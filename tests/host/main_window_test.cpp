// The main window with a real SDL window (the dummy video driver, or a display when there is one):
// layout of toolbar and scene, presentation of dirty rectangles, input forwarding rules and the
// toolbar's exit button.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/errors.h"
#include "host/main_window.h"
#include "host_test_util.h"

namespace kuzo::host {
namespace {

using platform::InputEvent;
using T = platform::InputEvent::Type;

class InputScene : public Scene {
 public:
  explicit InputScene(std::vector<std::string>& log) : log_(log) { pixels_.assign(320 * 240, 0); }
  void SetSize(int32_t, int32_t) override {}
  void Update() override {}
  void Motion() override {}
  void Draw() override {}
  FrameView Frame() const override {
    FrameView v;
    v.pixels = pixels_.data();
    v.width = 320;
    v.height = 240;
    v.pitchBytes = 320 * 4;
    v.dirty = dirty;
    return v;
  }
  void ClearDirty() override {}
  void FocusLost() override { log_.push_back("focus lost"); }
  void KeyDown(int vk) override { log_.push_back("down " + std::to_string(vk)); }
  void KeyPress(int vk) override { log_.push_back("press " + std::to_string(vk)); }
  void KeyUp(int vk) override { log_.push_back("up " + std::to_string(vk)); }
  void MouseDown(bool l, bool r) override { log_.push_back(std::string("mousedown ") + (l ? "L" : "") + (r ? "R" : "")); }
  void MouseUp(bool l, bool r) override { log_.push_back(std::string("mouseup ") + (l ? "L" : "") + (r ? "R" : "")); }
  void MouseMove(int32_t x, int32_t y) override { log_.push_back("move " + std::to_string(x) + "," + std::to_string(y)); }
  void Wheel(bool up) override { log_.push_back(up ? "wheel up" : "wheel down"); }
  void Close() override {}

  std::vector<uint32_t> pixels_;
  std::vector<SceneRect> dirty;

 private:
  std::vector<std::string>& log_;
};

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    try {
      window = std::make_unique<MainWindow>();
    } catch (const KuzoError& e) {
      GTEST_SKIP() << "no video driver: " << e.what();
    }
    boxes.SetQuiet(true);
    dir.Write("kuzo.kpb", testing::ProjectFile({}));
    dir.Write("start.ksb", "page");
    RuntimeConfig c;
    c.title.baseDir = dir.path();
    c.title.namedOnCommandLine = true;
    c.seed = 1;
    c.tempDir = dir.path();
    RuntimeFactories f = DefaultFactories();
    f.scene = [this](Runtime&) {
      auto s = std::make_unique<InputScene>(log);
      scene = s.get();
      return s;
    };
    f.screen = [this](Runtime&, int32_t w, int32_t h) { return window->CreateScreen(w, h); };
    runtime = std::make_unique<Runtime>(c, f, boxes, [this] { return now; });
    window->Attach(*runtime);
    runtime->Start();
    ASSERT_FALSE(runtime->State().terminateRequested) << runtime->StartFailure();
    runtime->Loop().Activate();
  }
  void TearDown() override {
    if (runtime) runtime->Shutdown();
  }
  void Send(InputEvent ev) { window->HandleEvent(ev); }
  static InputEvent Key(T type, int vk, bool repeat = false) {
    InputEvent ev;
    ev.type = type;
    ev.virtualKey = vk;
    ev.repeat = repeat;
    return ev;
  }
  static InputEvent Mouse(T type, int x, int y, platform::MouseButton b = platform::MouseButton::kLeft) {
    InputEvent ev;
    ev.type = type;
    ev.x = x;
    ev.y = y;
    ev.button = b;
    return ev;
  }

  testing::ScratchDir dir;
  platform::HeadlessMessageBoxes boxes;
  std::unique_ptr<MainWindow> window;
  std::unique_ptr<Runtime> runtime;
  InputScene* scene = nullptr;
  std::vector<std::string> log;
  uint32_t now = 0;
};

TEST_F(MainWindowTest, FrameHoldsTheToolbarAboveTheScene) {
  EXPECT_EQ(window->GetWindow().FrameWidth(), 320);
  EXPECT_EQ(window->GetWindow().FrameHeight(), 240 + Toolbar::kDockHeight);
  EXPECT_EQ(window->PanelY(), Toolbar::kDockHeight);
  EXPECT_TRUE(window->ToolbarVisible());
  EXPECT_EQ(window->FramePixels()[319], chrome::kFace);  // the strip spans the width
}

TEST_F(MainWindowTest, DirtyRectanglesReachTheWindowFrameBelowTheStrip) {
  now += 16;
  runtime->Loop().Idle();  // the first frame goes whole
  int before = runtime->GetScreen()->PresentedFrames();
  scene->pixels_[10 * 320 + 20] = 0xABCDEF;
  scene->pixels_[100 * 320 + 200] = 0x111111;  // outside the dirty rectangle: not copied
  scene->dirty = {{20, 10, 21, 11}, {-50, -50, 0, 0}, {400, 0, 500, 10}};
  now += 16;
  runtime->Loop().Idle();  // draws and presents
  const auto& px = window->FramePixels();
  EXPECT_EQ(px[(10 + Toolbar::kDockHeight) * 320 + 20], 0xABCDEFu);
  EXPECT_EQ(px[(100 + Toolbar::kDockHeight) * 320 + 200], 0u);
  EXPECT_EQ(runtime->GetScreen()->PresentedFrames(), before + 1);
  // Nothing dirty: nothing presented.
  scene->dirty.clear();
  now += 16;
  runtime->Loop().Idle();
  EXPECT_EQ(runtime->GetScreen()->PresentedFrames(), before + 1);
}

TEST_F(MainWindowTest, KeysAreForwardedWithoutRepeatsOrLargeCodes) {
  Send(Key(T::kKeyDown, 0x25));
  Send(Key(T::kKeyDown, 0x25, true));  // auto-repeat
  Send(Key(T::kKeyDown, 0));           // no Windows code
  Send(Key(T::kKeyUp, 0x25));
  EXPECT_EQ(log, (std::vector<std::string>{"down 37", "press 37", "up 37"}));
  log.clear();
  runtime->Loop().Deactivate();
  Send(Key(T::kKeyDown, 0x41));  // ignored while inactive
  Send(Key(T::kKeyUp, 0x41));    // key-up still arrives
  EXPECT_EQ(log, std::vector<std::string>{"up 65"});
}

TEST_F(MainWindowTest, MouseInPanelCoordinatesAndButtonsKeptApart) {
  Send(Mouse(T::kMouseMove, 30, 40));
  Send(Mouse(T::kMouseDown, 30, 40, platform::MouseButton::kRight));
  Send(Mouse(T::kMouseUp, 30, 40, platform::MouseButton::kRight));
  InputEvent wheel;
  wheel.type = T::kWheel;
  wheel.wheel = -1;
  Send(wheel);
  EXPECT_EQ(log, (std::vector<std::string>{"move 30,18", "move 30,18", "mousedown R", "mouseup R", "wheel down"}));
  log.clear();
  Send(Mouse(T::kMouseMove, 30, 5));  // over the strip: the scene does not see it
  EXPECT_TRUE(log.empty());
}

TEST_F(MainWindowTest, FocusLossPausesAndTellsTheScene) {
  InputEvent lost;
  lost.type = T::kFocusLost;
  Send(lost);
  EXPECT_FALSE(runtime->Loop().Active());
  EXPECT_EQ(log, std::vector<std::string>{"focus lost"});
  now += 16;
  EXPECT_TRUE(runtime->Loop().Idle().done);
  InputEvent gained;
  gained.type = T::kFocusGained;
  Send(gained);
  EXPECT_TRUE(runtime->Loop().Active());
}

TEST_F(MainWindowTest, ExitButtonAsksAndCloses) {
  ChromeRect exit = Toolbar::ButtonRect(0);
  Send(Mouse(T::kMouseDown, exit.x + 5, exit.y + 5));
  EXPECT_FALSE(window->CloseRequested());
  Send(Mouse(T::kMouseUp, exit.x + 5, exit.y + 5));
  ASSERT_EQ(boxes.History().size(), 1u);
  EXPECT_EQ(boxes.History()[0].text, "「Title」を終了しますか？");
  EXPECT_TRUE(window->CloseRequested());
  EXPECT_TRUE(log.empty());  // the scene never saw the toolbar click
}

}  // namespace
}  // namespace kuzo::host
