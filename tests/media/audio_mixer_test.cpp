// The mixer's levels, pans, saturation and end handling on rendered PCM.
#include "media/audio_mixer.h"

#include <gtest/gtest.h>

#include "tests/media/pcm_helpers.h"

namespace kuzo::media {
namespace {

using testing::Db;
using testing::Rms;

// A voice of a 1 kHz sine on both channels, ending after `length` frames.
class SineVoice : public MixerVoice {
 public:
  explicit SineVoice(size_t length, double amp = 16000) : length_(length), amp_(amp) {}
  size_t Render(int16_t* out, size_t frames) override {
    size_t n = 0;
    for (; n < frames && pos_ < length_; ++n, ++pos_) {
      const auto v = static_cast<int16_t>(std::lround(amp_ * std::sin(2 * M_PI * 1000.0 * double(pos_) / kMixRate)));
      out[2 * n] = out[2 * n + 1] = v;
    }
    return n;
  }

 private:
  size_t length_, pos_ = 0;
  double amp_;
};

std::vector<int16_t> MixFrames(AudioMixer& mixer, size_t frames) {
  std::vector<int16_t> out(frames * 2);
  mixer.Mix(out.data(), frames);
  return out;
}

TEST(AudioMixerTest, VolumeAndPanLevelsInHundredthsOfDecibels) {
  struct Case {
    int32_t volume, pan;
    double leftDb, rightDb;
  };
  const Case cases[] = {{0, 0, 0, 0},           {-600, 0, -6, -6},       {-2000, 0, -20, -20},
                        {0, -1000, 0, -10},     {0, 1000, -10, 0},       {-300, 2500, -28, -3},
                        {-500, -10000, -5, -200}, {0, 10000, -200, 0}};
  for (const Case& c : cases) {
    AudioMixer reference, mixer;
    reference.Add(std::make_unique<SineVoice>(44100))->playing = true;
    MixerVoice* voice = mixer.Add(std::make_unique<SineVoice>(44100));
    voice->playing = true;
    voice->SetLevels(c.volume, c.pan);
    const auto ref = MixFrames(reference, 4410);
    const auto got = MixFrames(mixer, 4410);
    const double refRms = Rms(ref, 0, 0, 4410);
    for (int ch = 0; ch < 2; ++ch) {
      const double want = ch == 0 ? c.leftDb : c.rightDb;
      const double rms = Rms(got, ch, 0, 4410);
      if (want <= -100) {
        EXPECT_EQ(rms, 0.0) << c.volume << "/" << c.pan << " channel " << ch;
      } else {
        EXPECT_NEAR(Db(rms / refRms), want, 0.5) << c.volume << "/" << c.pan << " channel " << ch;
      }
    }
  }
}

TEST(AudioMixerTest, GainsAtTheEndsOfTheRange) {
  EXPECT_EQ(GainForLevel(0), 65536);
  EXPECT_EQ(GainForLevel(100), 65536);  // levels above full are full
  EXPECT_EQ(GainForLevel(-10000), 0);
  EXPECT_EQ(GainForLevel(INT32_MIN), 0);
  EXPECT_EQ(GainForLevel(-600), 32846);  // 10^(-0.3) × 65536 = 32845.8
  const StereoGain extreme = GainForVolumePan(INT32_MIN, INT32_MAX);
  EXPECT_EQ(extreme.left, 0);
  EXPECT_EQ(extreme.right, 0);
}

TEST(AudioMixerTest, SumsSaturateInsteadOfWrapping) {
  AudioMixer mixer;
  for (int i = 0; i < 2; ++i) mixer.Add(std::make_unique<SineVoice>(44100, 30000))->playing = true;
  const auto out = MixFrames(mixer, 441);
  // The sine peaks a quarter period (11.025 frames) in: 2 × 30000 clips at 32767, the trough at −32768.
  int16_t hi = 0, lo = 0;
  for (int16_t s : out) hi = std::max(hi, s), lo = std::min(lo, s);
  EXPECT_EQ(hi, 32767);
  EXPECT_EQ(lo, -32768);
}

TEST(AudioMixerTest, VoicesEndWhenShortAndStopBeingPulled) {
  AudioMixer mixer;
  MixerVoice* voice = mixer.Add(std::make_unique<SineVoice>(100));
  auto silent = MixFrames(mixer, 50);
  EXPECT_EQ(Rms(silent, 0, 0, 50), 0.0) << "a voice that is not playing is not heard";
  voice->playing = true;
  const auto out = MixFrames(mixer, 441);
  EXPECT_TRUE(voice->ended);
  EXPECT_NE(Rms(out, 0, 0, 100), 0.0);
  EXPECT_EQ(Rms(out, 0, 100, 441), 0.0) << "the rest of the slice is silence";
  EXPECT_EQ(mixer.MixedFrames(), 491u);
  mixer.Remove(voice);
  EXPECT_EQ(mixer.VoiceCount(), 0u);
}

}  // namespace
}  // namespace kuzo::media
