// The speed menu's items change only the value their tag is for.
#include "host/speed_menu.h"

#include <gtest/gtest.h>

namespace kuzo::host {
namespace {

TEST(SpeedMenuTest, IntervalItemsSetTheFrameIntervalAndKeepTheDivisor) {
  const std::pair<const char*, int32_t> cases[] = {{"x1", 16}, {"x4", 64}, {"x8", 128}, {"No Wait", 1}};
  for (const auto& [caption, interval] : cases) {
    HostState state;
    state.frameIntervalMs = 999;
    state.drawDivisor = 7;
    EXPECT_TRUE(ApplySpeedMenuItem(caption, state));
    EXPECT_EQ(state.frameIntervalMs, interval) << caption;
    EXPECT_EQ(state.drawDivisor, 7) << caption;
  }
}

TEST(SpeedMenuTest, FpsItemsSetTheDrawDivisorAndKeepTheInterval) {
  const std::pair<const char*, int32_t> cases[] = {{"FPS 1/1", 1}, {"FPS 1/2", 2}, {"FPS 1/4", 4}, {"FPS 1/10", 10}};
  for (const auto& [caption, divisor] : cases) {
    HostState state;
    state.frameIntervalMs = 33;
    state.drawDivisor = 7;
    EXPECT_TRUE(ApplySpeedMenuItem(caption, state));
    EXPECT_EQ(state.drawDivisor, divisor) << caption;
    EXPECT_EQ(state.frameIntervalMs, 33) << caption;
  }
}

TEST(SpeedMenuTest, AutoChangesNothingAndUnknownCaptionsAreRefused) {
  HostState state;
  state.frameIntervalMs = 33;
  state.drawDivisor = 7;
  EXPECT_TRUE(ApplySpeedMenuItem("FPS AUTO", state));
  EXPECT_FALSE(ApplySpeedMenuItem("x2", state));
  EXPECT_FALSE(ApplySpeedMenuItem("fps 1/2", state));  // captions match exactly
  EXPECT_EQ(state.frameIntervalMs, 33);
  EXPECT_EQ(state.drawDivisor, 7);
}

}  // namespace
}  // namespace kuzo::host
