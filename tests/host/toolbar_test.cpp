// The toolbar strip: button layout, click semantics, drawing of pressed and hot states.
#include <gtest/gtest.h>

#include <vector>

#include "host/pixel_canvas.h"
#include "host/toolbar.h"

namespace kuzo::host {
namespace {

TEST(ToolbarTest, LayoutFollowsTheButtonSizes) {
  EXPECT_EQ(Toolbar::kDockHeight, 22);
  ChromeRect exit = Toolbar::ButtonRect(0);
  ChromeRect toggle = Toolbar::ButtonRect(1);
  EXPECT_EQ(exit.x, 0);
  EXPECT_EQ(exit.width, 67);
  EXPECT_EQ(exit.height, 18);
  EXPECT_EQ(toggle.x, 67);
  EXPECT_EQ(exit.y, 2);
  EXPECT_STREQ(Toolbar::Caption(0), "終了");
  EXPECT_STREQ(Toolbar::Caption(1), "画面切替");
}

TEST(ToolbarTest, ClickNeedsPressAndReleaseOnTheSameButton) {
  Toolbar bar;
  EXPECT_TRUE(bar.MouseDown(10, 10));
  EXPECT_EQ(bar.MouseUp(12, 11), Toolbar::Action::kExit);
  bar.MouseDown(70, 10);
  EXPECT_EQ(bar.MouseUp(70, 10), Toolbar::Action::kToggleFullScreen);
  bar.MouseDown(10, 10);
  EXPECT_EQ(bar.MouseUp(70, 10), std::nullopt);  // released over the other button
  EXPECT_EQ(bar.MouseUp(10, 10), std::nullopt);  // a release without a press
  bar.MouseDown(200, 10);                         // beside the buttons
  EXPECT_EQ(bar.MouseUp(200, 10), std::nullopt);
  bar.MouseDown(10, 10);
  bar.MouseLeft();
  EXPECT_EQ(bar.MouseUp(10, 10), std::nullopt);  // leaving the window drops the press
}

TEST(ToolbarTest, HotButtonIsFramedAndPressedOneSunken) {
  std::vector<uint32_t> px(200 * 22, 0x123456);
  PixelCanvas canvas(px.data(), 200, 22, 200);
  Toolbar bar;
  bar.Draw(canvas, 0, nullptr);
  EXPECT_EQ(canvas.Pixel(0, 2), chrome::kFace);  // flat while the pointer is elsewhere
  EXPECT_EQ(canvas.Pixel(199, 21), chrome::kFace);
  EXPECT_TRUE(bar.MouseMove(5, 5));
  EXPECT_FALSE(bar.MouseMove(6, 5));  // same button: nothing to redraw
  bar.Draw(canvas, 0, nullptr);
  EXPECT_EQ(canvas.Pixel(0, 2), chrome::kLight);  // raised frame
  EXPECT_EQ(canvas.Pixel(66, 19), chrome::kShadow);
  EXPECT_EQ(canvas.Pixel(67, 2), chrome::kFace);  // the other button stays flat
  bar.MouseDown(5, 5);
  bar.Draw(canvas, 0, nullptr);
  EXPECT_EQ(canvas.Pixel(0, 2), chrome::kShadow);  // sunken
}

TEST(PixelCanvasTest, DrawingIsClippedAndTextBlendsByCoverage) {
  std::vector<uint32_t> px(4 * 3, 0);
  PixelCanvas canvas(px.data(), 4, 3, 4);
  canvas.Fill({-5, -5, 7, 7}, 0xFFFFFF);
  EXPECT_EQ(canvas.Pixel(1, 1), 0xFFFFFFu);
  EXPECT_EQ(canvas.Pixel(2, 1), 0u);
  canvas.Fill({3, 2, 100, 100}, 0x0000FF);
  EXPECT_EQ(canvas.Pixel(3, 2), 0x0000FFu);
  platform::TextBitmap t;
  t.width = 2;
  t.height = 1;
  t.coverage = {255, 128};
  canvas.Text(t, 2, 0, 0xFF0000);
  EXPECT_EQ(canvas.Pixel(2, 0), 0xFF0000u);
  EXPECT_EQ(canvas.Pixel(3, 0), 0x800000u);  // (0 * 127 + 255 * 128 + 127) / 255 = 128
  canvas.Text(t, 3, -1, 0x00FF00);            // mostly outside: no crash, no change
  EXPECT_EQ(canvas.Pixel(3, 0), 0x800000u);
}

}  // namespace
}  // namespace kuzo::host
