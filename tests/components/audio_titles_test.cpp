// Titles played by the real player, headless, with their sound written by --audio-out: the test
// makes the title's sounds, runs it, and checks in the wave file that each sound is heard from the
// tick that started it at its level and pan, that fades follow their durations, that a loop
// repeats and a stop silences at once, and that play-end events run tick-exactly; and a movie
// drawn in the scene in step with its sound.
#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "media/media_item.h"
#include "tests/media/pcm_helpers.h"

namespace kuzo {
namespace {

namespace fs = std::filesystem;
using media::testing::MakeWav;

constexpr double kReference = 16000;  // the full-scale value of the test tones
constexpr double kTolerance = 0.5;    // dB

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::string Quote(const fs::path& p) { return "'" + p.string() + "'"; }

void WriteFile(const fs::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary);
  out << bytes;
}

// A stereo tone of constant value: `ms` milliseconds, or two halves of different values.
std::string Tone(int ms, int32_t first, int32_t second) {
  const size_t frames = static_cast<size_t>(ms) * 441 / 10;
  std::vector<int32_t> samples;
  for (size_t i = 0; i < frames; ++i) {
    const int32_t v = i < frames / 2 ? first : second;
    samples.push_back(v);
    samples.push_back(v);
  }
  return MakeWav(44100, 2, 16, samples);
}

// The variables of a --dump-vars file: name, then tab-separated fields, the value last.
std::map<std::string, int> ReadIntVars(const fs::path& file) {
  std::map<std::string, int> vars;
  std::istringstream in(Slurp(file));
  for (std::string line; std::getline(in, line);) {
    const size_t tab = line.find('\t');
    const size_t last = line.rfind('\t');
    if (tab == std::string::npos) continue;
    try {
      vars[line.substr(0, tab)] = std::stoi(line.substr(last + 1));
    } catch (const std::exception&) {
    }
  }
  return vars;
}

// The samples of a 16-bit stereo wave file (chunks walked, so any header layout reads).
std::vector<int16_t> ReadWav(const fs::path& file) {
  const std::string bytes = Slurp(file);
  std::vector<int16_t> out;
  size_t at = 12;
  while (at + 8 <= bytes.size()) {
    const std::string id = bytes.substr(at, 4);
    uint32_t size = 0;
    for (int i = 3; i >= 0; --i) size = size << 8 | static_cast<uint8_t>(bytes[at + 4 + i]);
    at += 8;
    if (id == "data") {
      const size_t n = std::min<size_t>(size, bytes.size() - at) / 2;
      for (size_t i = 0; i < n; ++i)
        out.push_back(static_cast<int16_t>(static_cast<uint8_t>(bytes[at + 2 * i]) |
                                           static_cast<uint8_t>(bytes[at + 2 * i + 1]) << 8));
      break;
    }
    at += size + (size & 1);
  }
  return out;
}

struct Mix {
  std::vector<int16_t> samples;
  // Level of one channel (0 left, 1 right) over [fromMs, toMs) in dB against the test tones.
  double Db(int channel, int fromMs, int toMs) const {
    const size_t from = static_cast<size_t>(media::MsToFrames(fromMs));
    const size_t to = std::min(static_cast<size_t>(media::MsToFrames(toMs)), samples.size() / 2);
    return media::testing::Db(media::testing::Rms(samples, channel, from, to) / kReference);
  }
  // Nothing at all: every sample 0.
  bool Silent(int fromMs, int toMs) const {
    const size_t from = static_cast<size_t>(media::MsToFrames(fromMs));
    const size_t to = std::min(static_cast<size_t>(media::MsToFrames(toMs)), samples.size() / 2);
    for (size_t i = 2 * from; i < 2 * to; ++i)
      if (samples[i] != 0) return false;
    return true;
  }
};

// The pixel at (x, y) of a screenshot as 0xRRGGBB; 0xFFFFFFFF when the file cannot be read.
uint32_t PixelOf(const fs::path& file, int x, int y) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, file.string().c_str())) return 0xFFFFFFFF;
  image.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) {
    png_image_free(&image);
    return 0xFFFFFFFF;
  }
  const size_t i = (static_cast<size_t>(y) * image.width + static_cast<size_t>(x)) * 3;
  return uint32_t{rgb[i]} << 16 | uint32_t{rgb[i + 1]} << 8 | rgb[i + 2];
}

bool Reddish(uint32_t p) { return (p >> 16) > 200 && ((p >> 8) & 0xFF) < 60 && (p & 0xFF) < 60; }
bool Bluish(uint32_t p) { return (p & 0xFF) > 200 && (p >> 16) < 60 && ((p >> 8) & 0xFF) < 60; }

// A 64 × 48 movie at 10 frames a second, red for 0.5 s and blue for 0.5 s, with a 440 Hz tone
// (amplitude 1/8 of full scale); empty without the ffmpeg program.
std::string RedBlueMovie() {
  const fs::path path = fs::path(KUZO_BINARY_DIR) / "titles" / "rb.avi";
  fs::create_directories(path.parent_path());
  const std::string cmd =
      "ffmpeg -v error -y -f lavfi -i color=c=red:s=64x48:r=10:d=0.5 -f lavfi -i color=c=blue:s=64x48:r=10:d=0.5 "
      "-f lavfi -i sine=f=440:d=1:sample_rate=44100 -filter_complex \"[0][1]concat=n=2:v=1:a=0[v]\" -map \"[v]\" "
      "-map 2 -c:a pcm_s16le -c:v mpeg4 -q:v 2 -g 5 " +
      Quote(path) + " 2>/dev/null";
  if (std::system(cmd.c_str()) != 0) return {};
  return Slurp(path);
}

class AudioTitle : public ::testing::Test {
 protected:
  // Builds the title of tests/titles/NAME with the given generated files and runs it headless,
  // with screenshots after the given ticks (work/shotTICK.png).
  void Play(const std::string& name, const std::map<std::string, std::string>& sounds, int ticks, int delta,
            const std::vector<int>& shots = {}) {
    const fs::path src = fs::path(KUZO_SOURCE_DIR) / "tests" / "titles" / name;
    const fs::path work = fs::path(KUZO_BINARY_DIR) / "titles" / name;
    const fs::path bin(KUZO_BINARY_DIR);
    ASSERT_TRUE(fs::exists(bin / "kuzoplayer") && fs::exists(bin / "kuzotool")) << "build kuzoplayer and kuzotool first";
    fs::remove_all(work);
    fs::create_directories(work / "source");
    for (const auto& entry : fs::directory_iterator(src)) fs::copy(entry.path(), work / "source" / entry.path().filename());
    for (const auto& [file, bytes] : sounds) WriteFile(work / "source" / file, bytes);
    const std::string build = Quote(bin / "kuzotool") + " build " + Quote(work / "source") + " " + Quote(work / "title") +
                              " > " + Quote(work / "build.log") + " 2>&1";
    ASSERT_EQ(std::system(build.c_str()), 0) << Slurp(work / "build.log");
    std::string shotArgs;
    for (int tick : shots)
      shotArgs += " --screenshot " + std::to_string(tick) + ":" + Quote(work / ("shot" + std::to_string(tick) + ".png"));
    const std::string run = Quote(bin / "kuzoplayer") + " --headless --ticks " + std::to_string(ticks) + " --delta " +
                            std::to_string(delta) + " --audio-out " + Quote(work / "mix.wav") + " --dump-vars " +
                            Quote(work / "vars.txt") + shotArgs + " " + Quote(work / "title") + " > " +
                            Quote(work / "run.log") + " 2>&1";
    this->work = work;
    ASSERT_EQ(std::system(run.c_str()), 0) << Slurp(work / "run.log");
    vars = ReadIntVars(work / "vars.txt");
    mix.samples = ReadWav(work / "mix.wav");
  }

  uint32_t Shot(int tick, int x, int y) const { return PixelOf(work / ("shot" + std::to_string(tick) + ".png"), x, y); }

  fs::path work;
  std::map<std::string, int> vars;
  Mix mix;
};

TEST_F(AudioTitle, LevelsPansFadesLoopsStopsAndPlayEndsInTheMix) {
  Play("audio_mix",
       {{"tone.wav", Tone(500, 16000, 16000)}, {"long.wav", Tone(2000, 16000, 16000)},
        {"loop.wav", Tone(100, 16000, 8000)}},
       220, 20);
  ASSERT_FALSE(::testing::Test::HasFatalFailure());
  // The whole run is in the file: 220 ticks of 20 ms from time 0.
  EXPECT_EQ(mix.samples.size() / 2, static_cast<size_t>(media::MsToFrames(220 * 20)));

  // Sound a: heard from the tick that created it, -25 dB left and -35 dB right, for 500 ms.
  const int a = vars["aStart"];
  ASSERT_GT(a, 0);
  EXPECT_TRUE(mix.Silent(0, a));
  EXPECT_NEAR(mix.Db(0, a, a + 500), -25.0, kTolerance);
  EXPECT_NEAR(mix.Db(1, a, a + 500), -35.0, kTolerance);
  EXPECT_TRUE(mix.Silent(a + 500, vars["bStart"]));
  // Its end is seen by the tick at a + 500; the handler runs on the next tick.
  EXPECT_EQ(vars["aEnd"], a + 500 + 20);

  // Sound b: the fade-in starts silent on its first tick, is at -25 dB halfway and full after the
  // delay; its pan keeps the left channel 30 dB below the right.
  const int b = vars["bStart"];
  EXPECT_TRUE(mix.Silent(b, b + 20));
  EXPECT_NEAR(mix.Db(1, b + 500, b + 520), -25.0, kTolerance);
  EXPECT_NEAR(mix.Db(0, b + 500, b + 520), -55.0, kTolerance);
  EXPECT_NEAR(mix.Db(1, b + 1000, b + 1400), 0.0, kTolerance);
  EXPECT_NEAR(mix.Db(0, b + 1000, b + 1400), -30.0, kTolerance);

  // The fade-out covers the upper 50 dB over 400 ms, then the sound is gone; the waiting command
  // goes on at the tick after, and the faded sound never reports an end.
  const int f = vars["fadeStart"];
  EXPECT_NEAR(mix.Db(1, f, f + 20), 0.0, kTolerance);
  EXPECT_NEAR(mix.Db(1, f + 200, f + 220), -25.0, kTolerance);
  EXPECT_NEAR(mix.Db(1, f + 380, f + 400), -47.5, kTolerance);
  EXPECT_TRUE(mix.Silent(f + 400, vars["cStart"]));
  EXPECT_EQ(vars["fadeDone"], f + 420);
  EXPECT_EQ(vars["bEnd"], 0);

  // Sound c: five passes of the 100 ms loop at -10 dB (its second half 6 dB lower), then silence
  // from the tick that stopped it; a stopped loop reports no end.
  const int c = vars["cStart"];
  for (int pass = 0; pass < 5; ++pass) {
    const int at = c + pass * 100;
    EXPECT_NEAR(mix.Db(0, at + 5, at + 45), -10.0, kTolerance) << "pass " << pass;
    EXPECT_NEAR(mix.Db(0, at + 55, at + 95), -10.0 - 6.02, kTolerance) << "pass " << pass;
  }
  const int stop = vars["cStop"];
  EXPECT_GE(stop, c + 500);
  EXPECT_TRUE(mix.Silent(stop, 220 * 20));
  EXPECT_EQ(vars["ends"], 1);
}

TEST_F(AudioTitle, MovieFramesFollowItsSoundAndItsEndRunsTheHandler) {
  const std::string movie = RedBlueMovie();
  if (movie.empty()) GTEST_SKIP() << "ffmpeg is not available";
  Play("media_movie", {{"rb.avi", movie}}, 80, 20, {10, 45, 70});
  ASSERT_FALSE(::testing::Test::HasFatalFailure());
  const int start = vars["start"];
  EXPECT_EQ(start, 20);  // created on the first tick
  // Red in the first half second, blue in the second, at the movie's place (16, 12) on black.
  EXPECT_TRUE(Reddish(Shot(10, 16 + 32, 12 + 24))) << std::hex << Shot(10, 48, 36);
  EXPECT_TRUE(Bluish(Shot(45, 16 + 32, 12 + 24))) << std::hex << Shot(45, 48, 36);
  EXPECT_EQ(Shot(10, 4, 4), 0u);
  // The end is seen on the tick at start + 1000 ms, the handler runs on the next one; then the
  // script stops the movie and its picture is gone.
  EXPECT_EQ(vars["endAt"], start + 1000 + 20);
  EXPECT_EQ(vars["ends"], 1);
  EXPECT_EQ(Shot(70, 16 + 32, 12 + 24), 0u);
  // The tone is heard while the movie plays and not after it.
  EXPECT_NEAR(mix.Db(0, start + 100, start + 900) + 20 * std::log10(kReference / 32768), -21.07, kTolerance);
  EXPECT_TRUE(mix.Silent(start + 1000, 80 * 20));
  // The timer beside it fired every 100 ms of game time until the movie ended.
  EXPECT_EQ(vars["ticksAtEnd"], 10);
}

}  // namespace
}  // namespace kuzo
