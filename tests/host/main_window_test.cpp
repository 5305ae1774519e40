// The main window with a real SDL window (the dummy video driver, or a display when there is one):
// layout of toolbar and scene, presentation of dirty rectangles, input forwarding rules and the
// toolbar's exit button.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/errors.h"
#include "host/main_window.h"
#include "scene/kuzo_base_list.h"
#include "host_test_util.h"

namespace kuzo::host {
namespace {

using platform::InputEvent;
using T = platform::InputEvent::Type;

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
    dir.Write("start.ksb", testing::WaitingPage());
    RuntimeConfig c;
    c.title.baseDir = dir.path();
    c.title.namedOnCommandLine = true;
    c.seed = 1;
    c.tempDir = dir.path();
    runtime = std::make_unique<Runtime>(c, boxes, [this] { return now; });
    window->Attach(*runtime);
    runtime->Start();
    ASSERT_FALSE(runtime->State().terminateRequested) << runtime->StartFailure();
    runtime->Activate();
    scene = &runtime->GetScene()->Model();
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
  TKuzoBaseList* scene = nullptr;
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
  EXPECT_EQ(runtime->GetScreen()->PresentedFrames(), 1);
  std::vector<uint32_t> pixels(320 * 240, 0);
  pixels[10 * 320 + 20] = 0xABCDEF;
  pixels[100 * 320 + 200] = 0x111111;  // outside the dirty rectangle: not copied
  const std::vector<SceneRect> dirty = {{20, 10, 21, 11}, {-50, -50, 0, 0}, {400, 0, 500, 10}};
  FrameView view;
  view.pixels = pixels.data();
  view.width = 320;
  view.height = 240;
  view.pitchBytes = 320 * 4;
  view.dirty = dirty;
  EXPECT_TRUE(window->PresentScene(view));
  const auto& px = window->FramePixels();
  EXPECT_EQ(px[(10 + Toolbar::kDockHeight) * 320 + 20], 0xABCDEFu);
  EXPECT_EQ(px[(100 + Toolbar::kDockHeight) * 320 + 200], 0u);
  // A frame of another size is not copied.
  view.width = 100;
  pixels[10 * 320 + 20] = 0x222222;
  window->PresentScene(view);
  EXPECT_EQ(px[(10 + Toolbar::kDockHeight) * 320 + 20], 0xABCDEFu);
}

TEST_F(MainWindowTest, KeysAreForwardedWithoutRepeatsOrLargeCodes) {
  Send(Key(T::kKeyDown, 0x25));
  EXPECT_TRUE(scene->IsKeyDown(0x25));
  scene->ProcessInput();
  EXPECT_TRUE(scene->WasKeyPressed(0x25));
  Send(Key(T::kKeyDown, 0x25, true));  // auto-repeat: no second press
  scene->ProcessInput();
  EXPECT_FALSE(scene->WasKeyPressed(0x25));
  Send(Key(T::kKeyDown, 0));  // no Windows code
  EXPECT_FALSE(scene->IsKeyDown(0));
  Send(Key(T::kKeyUp, 0x25));
  EXPECT_FALSE(scene->IsKeyDown(0x25));
  Send(Key(T::kKeyDown, 0x41));
  runtime->Loop().Deactivate();
  Send(Key(T::kKeyDown, 0x42));  // ignored while inactive
  EXPECT_FALSE(scene->IsKeyDown(0x42));
  Send(Key(T::kKeyUp, 0x41));  // key-up still arrives
  EXPECT_FALSE(scene->IsKeyDown(0x41));
}

TEST_F(MainWindowTest, MouseInPanelCoordinatesAndButtonsKeptApart) {
  Send(Mouse(T::kMouseMove, 30, 40));
  EXPECT_EQ(scene->MouseX(), 30);
  EXPECT_EQ(scene->MouseY(), 40 - Toolbar::kDockHeight);
  Send(Mouse(T::kMouseDown, 31, 41, platform::MouseButton::kRight));
  EXPECT_EQ(scene->MouseX(), 31) << "a press moves the pointer first";
  EXPECT_TRUE(scene->ActiveBase()->rightHeld);
  EXPECT_FALSE(scene->ActiveBase()->leftHeld);
  Send(Mouse(T::kMouseUp, 31, 41, platform::MouseButton::kRight));
  EXPECT_FALSE(scene->ActiveBase()->rightHeld);
  Send(Mouse(T::kMouseDown, 31, 41, platform::MouseButton::kMiddle));
  EXPECT_FALSE(scene->ActiveBase()->leftHeld);
  EXPECT_FALSE(scene->ActiveBase()->rightHeld);
  InputEvent wheel;
  wheel.type = T::kWheel;
  wheel.wheel = -1;
  Send(wheel);
  EXPECT_TRUE(scene->ActiveBase()->wheelDownLatch);
  EXPECT_FALSE(scene->ActiveBase()->wheelUpLatch);
  Send(Mouse(T::kMouseMove, 60, 5));  // over the strip: the scene does not see it
  EXPECT_EQ(scene->MouseX(), 31);
}

TEST_F(MainWindowTest, FocusLossPausesAndTellsTheScene) {
  Send(Key(T::kKeyDown, 0x41));
  InputEvent lost;
  lost.type = T::kFocusLost;
  Send(lost);
  EXPECT_FALSE(runtime->Loop().Active());
  EXPECT_FALSE(scene->IsKeyDown(0x41));
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
  EXPECT_FALSE(scene->ActiveBase()->leftHeld);  // the scene never saw the toolbar click
}

}  // namespace
}  // namespace kuzo::host
