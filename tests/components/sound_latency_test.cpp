// From a sound command to the mix: with DirectSound on, a sound is heard from the tick that
// started it; with it off, the wave output's blocks delay it by at most one DelayTime block plus
// 20 ms. Measured in the headless mix, so the figures are exact frame counts.
#include <gtest/gtest.h>

#include "components/kuzo_sound.h"
#include "tests/components/media_test_scene.h"

namespace kuzo {
namespace {

// First frame at or after `fromFrame` whose left sample is not silent; -1 when none.
int64_t Onset(const std::vector<int16_t>& mix, int64_t fromFrame) {
  for (size_t i = static_cast<size_t>(fromFrame); i < mix.size() / 2; ++i)
    if (std::abs(mix[2 * i]) > 100) return static_cast<int64_t>(i);
  return -1;
}

// Starts a sound at a tick 300 ms into the run and answers the milliseconds until it is heard.
double LatencyMs(bool directSound, int32_t delayTimeMs) {
  testing::MediaScene s(false);
  s.media = std::make_unique<media::MediaSystem>(s.Files(), media::MediaSettings{directSound, delayTimeMs, "/nonexistent.sf2"});
  ServiceSlots slots = s.scene.Slots();
  slots.media = s.media.get();
  s.scene.SetSlots(slots);
  s.AddTone("tone.wav", 1000);
  for (int i = 0; i < 15; ++i) s.Step(20);
  const int64_t commandFrame = media::MsToFrames(s.host.gameClockMs);
  auto* sound = s.Create<TKuzoSound>("se");
  sound->SetStrProp(PR_SOURCE, "tone.wav");
  sound->SetPlayState(kMediaPlaying);
  for (int i = 0; i < 60; ++i) s.Step(20);
  const int64_t onset = Onset(s.mix, commandFrame);
  EXPECT_GE(onset, commandFrame);
  return onset < 0 ? 1e9 : static_cast<double>(onset - commandFrame) * 1000.0 / media::kMixRate;
}

TEST(SoundLatency, DirectSoundSoundsStartAtTheirTick) { EXPECT_EQ(LatencyMs(true, 500), 0.0); }

TEST(SoundLatency, WaveOutputDelaysByAtMostOneBlockAndTwentyMilliseconds) {
  for (int32_t delay : {100, 300, 500}) {
    const double ms = LatencyMs(false, delay);
    EXPECT_LE(ms, delay + 20.0) << "DelayTime " << delay;
    std::printf("DelayTime %d: a sound command is heard after %.1f ms\n", delay, ms);
  }
}

}  // namespace
}  // namespace kuzo
