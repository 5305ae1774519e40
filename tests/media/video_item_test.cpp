// Movies: frames follow the sound's clock, seeking and pausing move the picture with it, a movie
// without sound keeps time on a silent clock, and data without video is refused. The test movies
// are made by the ffmpeg program when it is installed.
#include "media/video_item.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "core/errors.h"
#include "tests/media/pcm_helpers.h"

namespace kuzo::media {
namespace {

namespace fs = std::filesystem;

// A 64 × 48 movie at 10 frames per second: red for 0.5 s, then blue for 0.5 s, with a 440 Hz tone
// when `sound` is set. Empty when ffmpeg is not available.
std::string MakeMovie(bool sound) {
  const fs::path path = fs::temp_directory_path() / (sound ? "kuzo_movie_sound.avi" : "kuzo_movie_mute.avi");
  std::string cmd =
      "ffmpeg -v error -y -f lavfi -i color=c=red:s=64x48:r=10:d=0.5 -f lavfi -i color=c=blue:s=64x48:r=10:d=0.5 ";
  if (sound) cmd += "-f lavfi -i sine=f=440:d=1:sample_rate=44100 ";
  cmd += "-filter_complex \"[0][1]concat=n=2:v=1:a=0[v]\" -map \"[v]\" ";
  if (sound) cmd += "-map 2 -c:a pcm_s16le ";
  cmd += "-c:v mpeg4 -q:v 2 -g 5 \"" + path.string() + "\" 2>/dev/null";
  if (std::system(cmd.c_str()) != 0) return {};
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  fs::remove(path);
  return ss.str();
}

struct Files {
  std::map<std::string, std::string, std::less<>> content;
  MediaFiles Media() {
    MediaFiles f;
    f.openRange = [this](std::string_view name) { return testing::StreamOver(content.at(std::string(name))); };
    return f;
  }
};

// Colour of the frame's centre as (red, green, blue).
std::array<int, 3> Centre(const TVideoItem& item) {
  const uint32_t p = item.Frame()[size_t(24 * 64 + 32)];
  return {int(p >> 16 & 0xFF), int(p >> 8 & 0xFF), int(p & 0xFF)};
}

bool IsRed(const std::array<int, 3>& c) { return c[0] > 200 && c[1] < 60 && c[2] < 60; }
bool IsBlue(const std::array<int, 3>& c) { return c[2] > 200 && c[0] < 60 && c[1] < 60; }

TEST(VideoItemTest, FramesFollowTheSoundClock) {
  Files files;
  files.content["movie.avi"] = MakeMovie(true);
  if (files.content["movie.avi"].empty()) GTEST_SKIP() << "no ffmpeg program to make the test movie";
  AudioMixer mixer;
  TVideoManager manager(mixer, files.Media());
  TVideoItem* item = manager.Add("movie.avi");
  EXPECT_TRUE(item->HasSound());
  EXPECT_EQ(item->SourceWidth(), 64);
  EXPECT_EQ(item->SourceHeight(), 48);
  EXPECT_NEAR(item->GetLength(), 1000, 30);
  EXPECT_TRUE(item->NeedPaint()) << "the first frame";
  EXPECT_TRUE(IsRed(Centre(*item)));
  EXPECT_FALSE(item->NeedPaint()) << "nothing new before time moves";
  item->Play();
  std::vector<int16_t> pcm(44100 * 2);
  mixer.Mix(pcm.data(), 44100 * 3 / 10);
  EXPECT_GT(testing::Rms(pcm, 0, 0, 13230), 1000.0) << "the movie's sound plays";
  EXPECT_TRUE(item->NeedPaint());
  EXPECT_TRUE(IsRed(Centre(*item)));
  mixer.Mix(pcm.data(), 44100 * 4 / 10);  // 700 ms
  EXPECT_TRUE(item->NeedPaint());
  EXPECT_TRUE(IsBlue(Centre(*item)));
  // Seeking back shows the earlier picture; pausing holds it.
  item->SetPosition(100);
  EXPECT_TRUE(item->NeedPaint());
  EXPECT_TRUE(IsRed(Centre(*item)));
  item->Pause();
  mixer.Mix(pcm.data(), 44100);
  EXPECT_FALSE(item->NeedPaint());
  EXPECT_FALSE(item->EndReached());
  item->Play();
  mixer.Mix(pcm.data(), 44100);
  EXPECT_TRUE(item->EndReached());
  EXPECT_FALSE(item->EndReached());
}

TEST(VideoItemTest, ASilentMovieKeepsTimeOnItsOwnClock) {
  Files files;
  files.content["mute.avi"] = MakeMovie(false);
  if (files.content["mute.avi"].empty()) GTEST_SKIP() << "no ffmpeg program";
  AudioMixer mixer;
  TVideoManager manager(mixer, files.Media());
  TVideoItem* item = manager.Add("mute.avi");
  EXPECT_FALSE(item->HasSound());
  EXPECT_NEAR(item->GetLength(), 1000, 30);
  item->Play();
  std::vector<int16_t> pcm(44100 * 2);
  mixer.Mix(pcm.data(), 44100 * 6 / 10);
  EXPECT_EQ(testing::Rms(pcm, 0, 0, 26460), 0.0);
  EXPECT_TRUE(item->NeedPaint());
  EXPECT_TRUE(IsBlue(Centre(*item)));
  mixer.Mix(pcm.data(), 44100 / 2);
  EXPECT_TRUE(item->EndReached());
}

TEST(VideoItemTest, DataWithoutPicturesIsRefused) {
  Files files;
  files.content["tone.wav"] = testing::MakeWav(44100, 1, 16, std::vector<int32_t>(100, 0));
  files.content["junk.avi"] = std::string(10000, '\x42');
  AudioMixer mixer;
  TVideoManager manager(mixer, files.Media());
  for (const char* name : {"tone.wav", "junk.avi"}) {
    try {
      manager.Add(name);
      ADD_FAILURE() << name << " opened as a movie";
    } catch (const KuzoError& e) {
      EXPECT_STREQ(e.what(), kBadMovieDataMessage);
    }
  }
  EXPECT_EQ(manager.Count(), 0u);
  EXPECT_EQ(mixer.VoiceCount(), 0u);
}

}  // namespace
}  // namespace kuzo::media
