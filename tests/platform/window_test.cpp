// A real SDL window (the dummy driver, or X11 under Xvfb): a resized window scales the frame with
// its aspect kept and maps mouse positions back to frame pixels; keys arrive as Windows codes.
#include <gtest/gtest.h>

#include <SDL.h>

#include <utility>
#include <vector>

#include "core/errors.h"
#include "platform/window.h"

namespace kuzo::platform {
namespace {

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    try {
      window = CreateWindow("test", 320, 240);
    } catch (const KuzoError& e) {
      GTEST_SKIP() << e.what();
    }
    frame.assign(320 * 240, 0x336699);
    ASSERT_TRUE(window->Present(frame.data(), 320 * 4, {}));
  }
  // Drains pending events (resizes reach the renderer through them).
  void Drain() {
    InputEvent ev;
    while (window->PollEvent(ev)) {
    }
  }
  // The test's window is the only one alive; ids grow with every window created.
  static Uint32 LiveWindowId() {
    for (Uint32 id = 1; id < 10000; ++id) {
      if (SDL_GetWindowFromID(id)) return id;
    }
    return 0;
  }
  InputEvent MoveAt(int x, int y) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = LiveWindowId();
    e.motion.x = x;
    e.motion.y = y;
    SDL_PushEvent(&e);
    InputEvent ev;
    while (window->PollEvent(ev)) {
      if (ev.type == InputEvent::Type::kMouseMove) return ev;
    }
    return InputEvent{};
  }
  std::unique_ptr<Window> window;
  std::vector<uint32_t> frame;
};

TEST_F(WindowTest, MouseMapsBackToFramePixelsWhenScaled) {
  EXPECT_EQ(window->FrameWidth(), 320);
  InputEvent ev = MoveAt(100, 50);
  EXPECT_EQ(ev.type, InputEvent::Type::kMouseMove);
  EXPECT_EQ(ev.x, 100);
  EXPECT_EQ(ev.y, 50);

  window->SetWindowSize(640, 480);  // twice the frame
  Drain();
  ASSERT_TRUE(window->Present(frame.data(), 320 * 4, {}));
  ev = MoveAt(200, 100);
  EXPECT_EQ(ev.x, 100);
  EXPECT_EQ(ev.y, 50);

  window->SetWindowSize(800, 480);  // wider: scale 2, bars of 80 left and right
  Drain();
  ASSERT_TRUE(window->Present(frame.data(), 320 * 4, {}));
  ev = MoveAt(80 + 200, 100);
  EXPECT_EQ(ev.x, 100);
  EXPECT_EQ(ev.y, 50);
  int w = 0, h = 0;
  window->OutputSize(w, h);
  EXPECT_GE(w, 800);  // HiDPI displays give more device pixels, never fewer
}

TEST_F(WindowTest, WarpedPointerLandsOnTheFramePixelWhenScaled) {
  // Where the pointer is afterwards, in window coordinates: the centre of the frame pixel after
  // letterboxing and scaling. A display server reports the move a little later: the events are
  // drained until the expected place is reached or a second has passed.
  auto warpedTo = [&](int x, int y, std::pair<int, int> expected) {
    window->WarpPointer(x, y);
    std::pair<int, int> at(-1, -1);
    for (int waited = 0; waited < 1000 && at != expected; waited += 10) {
      Drain();
      SDL_GetMouseState(&at.first, &at.second);
      if (at != expected) SDL_Delay(10);
    }
    return at;
  };
  EXPECT_EQ(warpedTo(100, 50, {100, 50}), (std::pair<int, int>(100, 50)));
  window->SetWindowSize(800, 480);  // scale 2, bars of 80 left and right
  Drain();
  ASSERT_TRUE(window->Present(frame.data(), 320 * 4, {}));
  EXPECT_EQ(warpedTo(100, 50, {80 + 201, 101}), (std::pair<int, int>(80 + 201, 101)));
  EXPECT_EQ(warpedTo(-20, 999, {80 + 1, 479}), (std::pair<int, int>(80 + 1, 479))) << "kept inside the frame";
}

TEST_F(WindowTest, KeysArriveAsVirtualKeyCodesWithRepeatFlag) {
  SDL_Event e{};
  e.type = SDL_KEYDOWN;
  e.key.windowID = LiveWindowId();
  e.key.keysym.scancode = SDL_SCANCODE_LEFT;
  e.key.repeat = 1;
  Drain();  // window-system events of the new window first
  ASSERT_EQ(SDL_PushEvent(&e), 1);
  InputEvent ev;
  bool found = false;
  for (int i = 0; i < 20 && !found; ++i) {
    while (!found && window->WaitEvent(ev, 50)) {
      if (ev.type != InputEvent::Type::kKeyDown) continue;
      found = true;
      EXPECT_EQ(ev.virtualKey, 0x25);
      EXPECT_TRUE(ev.repeat);
    }
  }
  EXPECT_TRUE(found);
}

TEST_F(WindowTest, DirtyRectanglesOutsideTheFrameAreClipped) {
  std::vector<PixelRect> rects = {{-10, -10, 5, 5}, {300, 200, 400, 300}, {10, 10, 10, 20}};
  EXPECT_TRUE(window->Present(frame.data(), 320 * 4, rects));
  window->SetFrameSize(64, 32);
  EXPECT_EQ(window->FrameWidth(), 64);
  std::vector<uint32_t> small(64 * 32, 0);
  EXPECT_TRUE(window->Present(small.data(), 64 * 4, {}));
}

}  // namespace
}  // namespace kuzo::platform
