// Titles played by the real player, headless, with their sound written by --audio-out: the test
// makes the title's sounds, runs it, and checks in the wave file that each sound is heard from the
// tick that started it at its level and pan, that fades follow their durations, that a loop
// repeats and a stop silences at once, and that play-end events run tick-exactly.
#include <gtest/gtest.h>

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
  // Nothing above the lowest bit of the 16-bit mix (-84 dB against the test tones).
  bool Silent(int fromMs, int toMs) const { return Db(0, fromMs, toMs) < -80 && Db(1, fromMs, toMs) < -80; }
};

class AudioTitle : public ::testing::Test {
 protected:
  // Builds the title of tests/titles/NAME with the given generated files and runs it headless.
  void Play(const std::string& name, const std::map<std::string, std::string>& sounds, int ticks, int delta) {
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
    const std::string run = Quote(bin / "kuzoplayer") + " --headless --ticks " + std::to_string(ticks) + " --delta " +
                            std::to_string(delta) + " --audio-out " + Quote(work / "mix.wav") + " --dump-vars " +
                            Quote(work / "vars.txt") + " " + Quote(work / "title") + " > " + Quote(work / "run.log") +
                            " 2>&1";
    ASSERT_EQ(std::system(run.c_str()), 0) << Slurp(work / "run.log");
    vars = ReadIntVars(work / "vars.txt");
    mix.samples = ReadWav(work / "mix.wav");
  }

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

}  // namespace
}  // namespace kuzo
