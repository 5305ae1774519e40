// The SDL audio device on the dummy driver: it opens in the mixer's format and its thread pulls
// frames from the render function until it is paused and closed.
#include "platform/audio_device.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace kuzo::platform {
namespace {

TEST(AudioDeviceTest, TheDeviceThreadPullsFramesUntilClosed) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  std::atomic<size_t> frames{0};
  std::string error;
  auto device = AudioDevice::Open(
      [&](int16_t* out, size_t n) {
        for (size_t i = 0; i < n * 2; ++i) out[i] = 0;
        frames.fetch_add(n);
      },
      20, &error);
  ASSERT_NE(device, nullptr) << error;
  EXPECT_GT(device->BufferFrames(), 0);
  EXPECT_LE(device->BufferFrames(), 1024) << "about 20 ms, so a sound starts within a block plus 20 ms";
  EXPECT_EQ(frames.load(), 0u) << "a new device waits paused";
  device->Resume();
  for (int i = 0; i < 200 && frames.load() == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_GT(frames.load(), 0u);
  device->Pause();
  device.reset();
  const size_t after = frames.load();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(frames.load(), after) << "no callback after closing";
}

}  // namespace
}  // namespace kuzo::platform
