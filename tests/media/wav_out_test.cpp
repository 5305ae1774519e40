// The wave output mixer: block sizes, exact expansion of each source format, volume, saturation,
// back-to-back blocks in the mix, and the finish and position rules that follow its clock.
#include "media/wav_out.h"

#include <gtest/gtest.h>

#include <map>

#include "core/errors.h"
#include "media/sound_items.h"
#include "tests/media/pcm_helpers.h"

namespace kuzo::media {
namespace {

using testing::MakeWav;
using testing::StreamOver;

std::unique_ptr<AudioDecoder> Source(int rate, int channels, int bits, const std::vector<int32_t>& samples) {
  return std::make_unique<AudioDecoder>(StreamOver(MakeWav(rate, channels, bits, samples)), "src.wav", true);
}

TEST(WavOutTest, BlockSizeFollowsTheDelayTime) {
  EXPECT_EQ(TWavOut(500).BlockBytes(), 88200u);
  EXPECT_EQ(TWavOut(100).BlockBytes(), 17640u);
  EXPECT_EQ(TWavOut(250).BlockBytes(), 44100u);
}

TEST(WavOutTest, EachSourceFormatExpandsExactly) {
  struct Case {
    int rate, channels, bits;
    // output values (left, right, left, right…) for the source values 1, 2, 3, 4… (8-bit: 129, 130…)
    std::vector<int16_t> first;
  };
  const Case cases[] = {
      {44100, 2, 16, {1, 2, 3, 4, 5, 6}},
      {44100, 1, 16, {1, 1, 2, 2, 3, 3}},
      {22050, 2, 16, {1, 2, 1, 2, 3, 4, 3, 4}},
      {22050, 1, 16, {1, 1, 1, 1, 2, 2, 2, 2}},
      {44100, 2, 8, {256, 512, 768, 1024}},
      {44100, 1, 8, {256, 256, 512, 512}},
      {22050, 2, 8, {256, 512, 256, 512, 768, 1024}},
      {22050, 1, 8, {256, 256, 256, 256, 512, 512, 512, 512}},
  };
  for (const Case& c : cases) {
    TWavOut out(100);
    out.Open();
    std::vector<int32_t> samples;
    for (int i = 1; i <= 20000 * c.channels; ++i) samples.push_back(c.bits == 8 ? 128 + (i % 100) : i % 20000);
    TWavBuffer* buffer = out.AddBuffer(Source(c.rate, c.channels, c.bits, samples));
    buffer->Play();
    std::vector<int16_t> block(out.BlockBytes() / 2);
    ASSERT_TRUE(out.MixAll(block.data())) << c.rate << "/" << c.channels << "/" << c.bits;
    for (size_t i = 0; i < c.first.size(); ++i)
      EXPECT_EQ(block[i], c.first[i]) << c.rate << "/" << c.channels << "/" << c.bits << " value " << i;
    // A whole block consumes block ÷ 2^k source bytes, k the halvings of channels, rate and depth;
    // just after mixing it that block is still queued, so the position reads 0.
    const int shift = (c.channels == 1) + (c.rate == 22050) + (c.bits == 8);
    EXPECT_NE(block.back(), 0) << "the block is full";
    EXPECT_EQ(buffer->GetPosition(), 0);
    out.MixAll(block.data());
    EXPECT_EQ(buffer->GetPosition(), int64_t(out.BlockBytes() >> shift));
  }
}

TEST(WavOutTest, VolumeAndSaturation) {
  TWavOut out(100);
  out.Open();
  std::vector<int32_t> loud(8820 * 4, 30000), quiet(8820, -1001);
  TWavBuffer* a = out.AddBuffer(Source(44100, 2, 16, loud));
  TWavBuffer* b = out.AddBuffer(Source(44100, 2, 16, loud));
  a->Play();
  b->Play();
  std::vector<int16_t> block(out.BlockBytes() / 2);
  out.MixAll(block.data());
  EXPECT_EQ(block[0], 32767) << "two loud sources clip, never wrap";
  a->SetVolume(255);
  b->SetVolume(0);
  out.MixAll(block.data());
  EXPECT_EQ(block[0], 30000) << "255 counts as full volume";
  TWavOut out2(100);
  out2.Open();
  TWavBuffer* c = out2.AddBuffer(Source(44100, 2, 16, quiet));
  c->SetVolume(128);
  c->Play();
  out2.MixAll(block.data());
  EXPECT_EQ(block[0], (-1001 * 128) >> 8);  // −501: the shift rounds toward minus infinity
  c->SetVolume(999);
  EXPECT_EQ(c->Volume(), 256);
}

TEST(WavOutTest, UnsupportedRatesAreResampledNotSilenced) {
  TWavOut out(100);
  out.Open();
  TWavBuffer* buffer = out.AddBuffer(Source(11025, 1, 16, std::vector<int32_t>(11025, 5000)));
  EXPECT_EQ(buffer->Format().sampleRate, 44100);
  buffer->Play();
  std::vector<int16_t> block(out.BlockBytes() / 2);
  EXPECT_TRUE(out.MixAll(block.data()));
  EXPECT_NEAR(block[2000], 5000, 10);
}

struct Files {
  std::map<std::string, std::string, std::less<>> content;
  MediaFiles Media() {
    MediaFiles f;
    f.openRange = [this](std::string_view name) { return StreamOver(content.at(std::string(name))); };
    return f;
  }
};

TEST(WavOutTest, ItemsPlayInBlocksBackToBackAndFinishAfterTheQueuePlaysOut) {
  AudioMixer mixer;
  Files files;
  files.content["se.wav"] = MakeWav(44100, 2, 16, std::vector<int32_t>(44100 / 4 * 2, 1000));  // 250 ms
  TOggManager manager(mixer, files.Media(), false, 100);
  ASSERT_NE(manager.WaveOutput(), nullptr);
  std::vector<int16_t> pcm(44100 * 2);
  mixer.Mix(pcm.data(), 441 * 3);  // 30 ms of silence: the output idles in steps of 25 ms
  TDMediaItem* item = manager.Add("se.wav");
  EXPECT_EQ(item->GetLength(), 250);
  item->SetVolume(-2500);  // 128 of 256
  item->Play();
  EXPECT_TRUE(item->IsPlaying());
  mixer.Mix(pcm.data(), 44100);
  // The next attempt, after two idle steps of 25 ms (1102 frames each), starts the first block;
  // three blocks hold the sound.
  const size_t start = 2 * (44100 * 25 / 1000) - 441 * 3;
  EXPECT_EQ(pcm[2 * (start - 1)], 0);
  EXPECT_EQ(pcm[2 * start], 500);
  EXPECT_EQ(pcm[2 * (start + 11024)], 500);
  EXPECT_EQ(pcm[2 * (start + 11025)], 0);
  // The sound's last block was mixed at 250 ms; it is finished more than 2 × 100 + 10 ms later.
  EXPECT_TRUE(item->EndReached());
  EXPECT_FALSE(item->EndReached());
  EXPECT_FALSE(item->IsPlaying());
  EXPECT_EQ(item->GetPosition(), 250);
}

TEST(WavOutTest, FinishAndPositionRulesAtDelayTime500) {
  TWavOut out(500);
  out.Open();
  AudioMixer mixer;
  auto* voice = static_cast<TWavOut*>(mixer.Add(std::make_unique<TWavOut>(500)));
  voice->Open();
  TWavBuffer* buffer = voice->AddBuffer(Source(44100, 2, 16, std::vector<int32_t>(2 * 4410, 7)));
  buffer->Play();
  std::vector<int16_t> pcm(2 * 44100);
  mixer.Mix(pcm.data(), 441);  // the first block is mixed at time 0 and holds the whole sound
  EXPECT_TRUE(buffer->ended);
  EXPECT_FALSE(buffer->IsFinished());
  EXPECT_EQ(buffer->GetPosition(), 0) << "read 17640 bytes, less one delay's 88200, plus 10 ms";
  mixer.Mix(pcm.data(), 441 * 100);  // 1010 ms since the last mix
  EXPECT_FALSE(buffer->IsFinished());
  mixer.Mix(pcm.data(), 45);
  EXPECT_TRUE(buffer->IsFinished());
  EXPECT_EQ(buffer->GetPosition(), 17640);
  TWavOut closed(100);
  std::vector<int32_t> one(2, 0);
  TWavBuffer* idle = closed.AddBuffer(Source(44100, 2, 16, one));
  EXPECT_TRUE(idle->IsFinished()) << "a closed output finishes everything at once";
}

}  // namespace
}  // namespace kuzo::media
