// The screen manager: which display modes are listed and which one is chosen for full screen,
// mode switches with their fall-back, and what each present hands to the window.
#include <gtest/gtest.h>

#include <vector>

#include "host/screen_manager.h"

namespace kuzo::host {
namespace {

using platform::DisplayMode;

struct Recorder {
  std::vector<FrameView> shown;
  std::vector<std::vector<uint32_t>> pixels;
  bool ok = true;
  TScreenManager::Presenter Fn() {
    return [this](const FrameView& f) {
      shown.push_back(f);
      std::vector<uint32_t> copy;
      for (int y = 0; y < f.height; ++y) {
        auto* row = reinterpret_cast<const uint32_t*>(reinterpret_cast<const uint8_t*>(f.pixels) + y * f.pitchBytes);
        copy.insert(copy.end(), row, row + f.width);
      }
      pixels.push_back(copy);
      return ok;
    };
  }
};

TScreenManager Make(int w, int h, int fw, int fh, std::vector<DisplayMode> modes, int depth = 32) {
  return TScreenManager(w, h, fw, fh, modes, depth, nullptr);
}

TEST(ScreenManagerModesTest, WithoutTheWantedSizeTheFirstLargeEnoughModeIsChosen) {
  auto sm = Make(800, 600, 640, 480,
                 {{640, 480, 32, 60}, {800, 600, 16, 60}, {800, 600, 15, 60}, {1024, 768, 32, 60}, {800, 500, 32, 60}});
  ASSERT_EQ(sm.ModeCount(), 2);  // too small, 15 bits and too short are left out
  EXPECT_EQ(sm.GetMode(0).bitsPerPixel, 16);
  EXPECT_EQ(sm.GetMode(1).width, 1024);
  EXPECT_EQ(sm.ChosenMode(), 0);
}

TEST(ScreenManagerModesTest, WantedSizeAtDesktopDepthWithTheLowestRefresh) {
  auto sm = Make(640, 480, 800, 600,
                 {{1024, 768, 32, 60}, {800, 600, 16, 50}, {800, 600, 32, 75}, {800, 600, 32, 60}, {800, 600, 32, 70}});
  EXPECT_EQ(sm.ChosenMode(), 3);  // 800x600, 32 bits, 60 Hz
  // Without the desktop's depth among them, the first of the wanted size stays.
  auto other = Make(640, 480, 800, 600, {{1024, 768, 32, 60}, {800, 600, 16, 75}, {800, 600, 16, 60}}, 32);
  EXPECT_EQ(other.ChosenMode(), 1);
}

TEST(ScreenManagerModesTest, NoModesMeansNoFullScreen) {
  auto sm = Make(320, 240, 320, 240, {});
  EXPECT_EQ(sm.ModeCount(), 0);
  EXPECT_EQ(sm.ChosenMode(), -1);
  EXPECT_EQ(sm.CurrentMode(), TScreenManager::kModeWindow);
  EXPECT_EQ(sm.PreferredDepth(), 32);
  EXPECT_EQ(Make(1, 1, 0, 0, {}, 0).PreferredDepth(), TScreenManager::kDefaultDepth);
}

TEST(ScreenManagerModesTest, FailedFullScreenFallsBackToTheWindow) {
  std::vector<bool> requests;
  bool accept = false;
  TScreenManager sm(320, 240, 640, 480, {{640, 480, 32, 60}}, 32, nullptr, [&](bool on) {
    requests.push_back(on);
    return accept || !on;
  });
  sm.SetMode(sm.ChosenMode());
  EXPECT_FALSE(sm.FullScreen());
  EXPECT_EQ(sm.CurrentMode(), TScreenManager::kModeWindow);
  EXPECT_EQ(requests, (std::vector<bool>{true, false}));
  accept = true;
  sm.SetMode(0);
  EXPECT_TRUE(sm.FullScreen());
  EXPECT_EQ(sm.CurrentMode(), 0);
  sm.SetMode(0);  // same mode: nothing happens
  EXPECT_EQ(requests.size(), 3u);
  sm.SetMode(TScreenManager::kModeWindow);
  EXPECT_FALSE(sm.FullScreen());
  EXPECT_EQ(requests.back(), false);
  sm.SetMode(7);  // not a listed mode: the window
  EXPECT_EQ(sm.CurrentMode(), TScreenManager::kModeWindow);
}

class ScreenPresentTest : public ::testing::Test {
 protected:
  ScreenPresentTest() : sm(4, 2, 0, 0, {}, 32, rec.Fn()) {
    for (uint32_t i = 0; i < 8; ++i) px[i] = i + 1;
  }
  FrameView View(std::vector<SceneRect> rects) {
    dirty = std::move(rects);
    FrameView v;
    v.pixels = px;
    v.width = 4;
    v.height = 2;
    v.pitchBytes = 16;
    v.dirty = dirty;
    return v;
  }
  Recorder rec;
  TScreenManager sm;
  uint32_t px[8];
  std::vector<SceneRect> dirty;
};

TEST_F(ScreenPresentTest, FirstFrameIsWholeThenOnlyDirtyRectangles) {
  sm.Present(View({}));
  ASSERT_EQ(rec.shown.size(), 1u);
  EXPECT_TRUE(rec.shown[0].wholeFrame);
  sm.Present(View({}));  // nothing changed: nothing shown, nothing counted
  sm.Present(View({{2, 2, 2, 5}}));  // empty rectangle
  EXPECT_EQ(rec.shown.size(), 1u);
  EXPECT_EQ(sm.PresentedFrames(), 1);
  sm.Present(View({{1, 0, 2, 1}}));
  ASSERT_EQ(rec.shown.size(), 2u);
  EXPECT_FALSE(rec.shown[1].wholeFrame);
  ASSERT_EQ(rec.shown[1].dirty.size(), 1u);
  EXPECT_EQ(rec.shown[1].dirty[0].left, 1);
  EXPECT_EQ(sm.PresentedFrames(), 2);
  sm.ResetPresentedFrames();
  EXPECT_EQ(sm.PresentedFrames(), 0);
}

TEST_F(ScreenPresentTest, AFailedPresentSendsTheWholeFrameNextTime) {
  sm.Present(View({}));
  rec.ok = false;
  sm.Present(View({{0, 0, 1, 1}}));
  rec.ok = true;
  sm.Present(View({}));  // nothing dirty, but the last one failed
  ASSERT_EQ(rec.shown.size(), 3u);
  EXPECT_TRUE(rec.shown[2].wholeFrame);
  EXPECT_EQ(rec.shown[2].dirty[0].right, 4);
}

TEST_F(ScreenPresentTest, ZoomStretchesTheWholeFrameEveryTime) {
  sm.Present(View({}));
  sm.SetZoom(200);
  sm.Present(View({}));
  sm.Present(View({}));
  ASSERT_EQ(rec.shown.size(), 3u);
  // 200 %: the top-left 2 x 1 pixels fill the 4 x 2 panel.
  EXPECT_EQ(rec.pixels[1], (std::vector<uint32_t>{1, 1, 2, 2, 1, 1, 2, 2}));
  sm.SetZoom(50);  // half size: the rest of the panel is black
  sm.Present(View({}));
  EXPECT_EQ(rec.pixels[3], (std::vector<uint32_t>{1, 3, 0, 0, 0, 0, 0, 0}));
  sm.SetZoom(150);  // x / 1.5 truncated: 0, 0, 1, 2
  sm.Present(View({}));
  EXPECT_EQ(rec.pixels[4], (std::vector<uint32_t>{1, 1, 2, 3, 1, 1, 2, 3}));
  EXPECT_EQ(sm.PresentedFrames(), 5);
  sm.SetZoom(0);  // not a zoom: 100
  EXPECT_EQ(sm.Zoom(), 100);
}

TEST_F(ScreenPresentTest, NoFrameSurfaceShowsNothing) {
  sm.Present(FrameView{});
  EXPECT_TRUE(rec.shown.empty());
  EXPECT_EQ(sm.PresentedFrames(), 0);
}

}  // namespace
}  // namespace kuzo::host
