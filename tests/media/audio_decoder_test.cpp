// Decoding through FFmpeg: formats converted to the mixer's, exact seeking, and the audio corpus
// (good files play, damaged ones end or are refused without a crash or hang).
#include "media/audio_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/errors.h"
#include "tests/media/pcm_helpers.h"

namespace kuzo::media {
namespace {

using testing::Db;
using testing::MakeWav;
using testing::Rms;
using testing::Sine;
using testing::StreamOver;

std::vector<int16_t> DecodeAll(AudioDecoder& decoder, size_t cap = 44100 * 600) {
  std::vector<int16_t> out;
  std::vector<int16_t> block(4096 * 2);
  size_t n;
  while (out.size() / 2 < cap && (n = decoder.Read(block.data(), 4096)) > 0)
    out.insert(out.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(n * 2));
  return out;
}

TEST(AudioDecoderTest, MixerFormatIsPassedThroughExactly) {
  std::vector<int32_t> ramp;
  for (int i = 0; i < 1000; ++i) ramp.push_back(i * 7 - 3500), ramp.push_back(-(i * 5));
  AudioDecoder decoder(StreamOver(MakeWav(44100, 2, 16, ramp)), "ramp.wav");
  EXPECT_EQ(decoder.Length(), 1000);
  const auto pcm = DecodeAll(decoder);
  ASSERT_EQ(pcm.size(), ramp.size());
  for (size_t i = 0; i < ramp.size(); ++i) ASSERT_EQ(pcm[i], ramp[i]) << i;
  EXPECT_TRUE(decoder.AtEnd());
  EXPECT_EQ(decoder.Read(nullptr, 0), 0u);
}

// A stream that counts the bytes read through it.
class CountingStream : public TRangeStream {
 public:
  explicit CountingStream(std::string bytes)
      : TRangeStream(0, 0, static_cast<int64_t>(bytes.size())), bytes_(std::move(bytes)) {}
  int64_t ReadUnderlying(int64_t position, void* buffer, int64_t count) override {
    const int64_t n = std::clamp<int64_t>(static_cast<int64_t>(bytes_.size()) - position, 0, count);
    std::memcpy(buffer, bytes_.data() + position, static_cast<size_t>(n));
    read += n;
    return n;
  }
  int64_t read = 0;

 private:
  std::string bytes_;
};

TEST(AudioDecoderTest, OpeningAWaveReadsOnlyItsHead) {
  // Five seconds of PCM (882 000 bytes): starting a sound must not read and probe most of it.
  std::vector<int32_t> tone;
  for (int i = 0; i < 44100 * 5; ++i) tone.push_back((i % 100) * 300 - 15000), tone.push_back(i % 7);
  auto stream = std::make_unique<CountingStream>(MakeWav(44100, 2, 16, tone));
  CountingStream* counter = stream.get();
  AudioDecoder decoder(std::move(stream), "long.wav");
  EXPECT_EQ(decoder.Length(), 44100 * 5);
  EXPECT_LE(counter->read, 160000) << "bytes read before the first sample";
  std::vector<int16_t> first(4);
  ASSERT_EQ(decoder.Read(first.data(), 2), 2u);
  EXPECT_EQ(first[0], -15000);
  EXPECT_EQ(first[2], -14700);
}

TEST(AudioDecoderTest, SeeksAreFrameExact) {
  std::vector<int32_t> ramp;
  for (int i = 0; i < 30000; ++i) ramp.push_back(i % 30000 - 15000), ramp.push_back(i % 1000);
  AudioDecoder decoder(StreamOver(MakeWav(44100, 2, 16, ramp)), "ramp.wav");
  for (int64_t target : {12345, 0, 29999, 7}) {
    decoder.Seek(target);
    int16_t frame[2];
    ASSERT_EQ(decoder.Read(frame, 1), 1u);
    EXPECT_EQ(frame[0], ramp[size_t(target) * 2]) << target;
    EXPECT_EQ(decoder.Position(), target + 1);
  }
  decoder.Seek(40000);  // beyond the end: nothing more to read
  int16_t frame[2];
  EXPECT_EQ(decoder.Read(frame, 1), 0u);
}

TEST(AudioDecoderTest, OtherRatesAndDepthsAreResampledToTheMixFormatAtTheSameLevel) {
  struct Case {
    int rate, channels, bits;
  };
  for (const Case c : {Case{22050, 1, 16}, Case{11025, 1, 8}, Case{48000, 2, 16}, Case{22050, 2, 8}}) {
    auto samples = Sine(c.rate, c.channels, c.rate / 2, 440, c.bits == 8 ? 100 : 20000);
    if (c.bits == 8)
      for (auto& s : samples) s += 128;
    AudioDecoder decoder(StreamOver(MakeWav(c.rate, c.channels, c.bits, samples)), "tone.wav");
    EXPECT_EQ(decoder.Format().sampleRate, 44100);
    EXPECT_EQ(decoder.Format().channels, 2);
    // The container's duration, rounded at its own rate.
    EXPECT_NEAR(double(decoder.Length()), 22050.0, 4.0) << c.rate;
    const auto pcm = DecodeAll(decoder);
    EXPECT_NEAR(double(pcm.size() / 2), 22050.0, 64.0) << c.rate;
    // A full-scale sine's RMS is amp / √2; both channels carry it.
    const double amp = c.bits == 8 ? 100.0 * 256 : 20000.0;
    for (int ch = 0; ch < 2; ++ch)
      EXPECT_NEAR(Db(Rms(pcm, ch, 2000, 20000) / (amp / std::sqrt(2.0))), 0.0, 0.5) << c.rate << " ch " << ch;
  }
}

TEST(AudioDecoderTest, NativeFormatKeepsRateChannelsAndDepth) {
  auto samples = Sine(22050, 1, 2205, 440, 100);
  for (auto& s : samples) s += 128;
  AudioDecoder decoder(StreamOver(MakeWav(22050, 1, 8, samples)), "tone.wav", true);
  EXPECT_EQ(decoder.Format().sampleRate, 22050);
  EXPECT_EQ(decoder.Format().channels, 1);
  EXPECT_EQ(decoder.Format().bitsPerSample, 8);
  std::vector<uint8_t> bytes(2205);
  ASSERT_EQ(decoder.Read(bytes.data(), 2205), 2205u);
  for (size_t i = 0; i < bytes.size(); ++i) ASSERT_EQ(bytes[i], samples[i]) << i;
}

TEST(AudioDecoderTest, GarbageIsRefusedWithTheBadDataMessage) {
  for (std::string bytes : {std::string(), std::string("RIFF"), std::string(5000, '\x55'),
                            MakeWav(44100, 2, 16, {}).substr(0, 30)}) {
    try {
      AudioDecoder decoder(StreamOver(bytes), "bad.wav");
      // A header without samples may open; it then plays nothing.
      std::vector<int16_t> block(1024);
      EXPECT_EQ(decoder.Read(block.data(), 512), 0u);
    } catch (const KuzoError& e) {
      EXPECT_STREQ(e.what(), kBadSoundDataMessage);
    }
  }
}

std::string ReadWhole(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

TEST(AudioDecoderTest, CorpusFilesPlayOrEndCleanly) {
  const std::filesystem::path root = std::filesystem::path(KUZO_CORPUS_DIR) / "audio";
  if (!std::filesystem::exists(root)) GTEST_SKIP() << "no corpus at " << root;
  int opened = 0, refused = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    try {
      AudioDecoder decoder(StreamOver(ReadWhole(entry.path())), entry.path().filename().string());
      DecodeAll(decoder, 44100 * 120);
      ++opened;
    } catch (const KuzoError& e) {
      EXPECT_STREQ(e.what(), kBadSoundDataMessage) << entry.path();
      ++refused;
    }
  }
  EXPECT_GT(opened, 50);
  // Known-good files decode to their full length at their level.
  AudioDecoder tone(StreamOver(ReadWhole(root / "wav/monogame/tone_stereo_44khz_16bit.wav")), "tone");
  const auto pcm = DecodeAll(tone);
  EXPECT_EQ(int64_t(pcm.size() / 2), tone.Length());
  EXPECT_GT(Rms(pcm, 0, 0, pcm.size() / 2), 1000.0);
  AudioDecoder ogg(StreamOver(ReadWhole(root / "ogg/sglib/looptrack.ogg")), "looptrack.ogg");
  EXPECT_GT(ogg.Length(), 44100);
  const auto oggPcm = DecodeAll(ogg);
  EXPECT_NEAR(double(oggPcm.size() / 2), double(ogg.Length()), 2048.0);
}

}  // namespace
}  // namespace kuzo::media
