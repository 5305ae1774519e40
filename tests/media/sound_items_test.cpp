// Ogg/wave and CD items over the mixer: play-end exactly once, loops at their points, positions,
// pausing, the managers' focus handling, and CD tracks from files.
#include "media/sound_items.h"

#include <gtest/gtest.h>

#include <map>

#include "core/errors.h"
#include "media/audio_engine.h"
#include "tests/media/pcm_helpers.h"

namespace kuzo::media {
namespace {

using testing::MakeWav;
using testing::Rms;
using testing::StreamOver;

// A title's files in memory.
struct Files {
  std::map<std::string, std::string, std::less<>> content;
  MediaFiles Media() {
    MediaFiles f;
    f.openRange = [this](std::string_view name) -> std::unique_ptr<TRangeStream> {
      auto it = content.find(name);
      if (it == content.end()) throw KuzoError(std::string(name) + ":ファイルがありません");
      return StreamOver(it->second);
    };
    f.readFile = [this](std::string_view name) { return content.at(std::string(name)); };
    f.exists = [this](std::string_view name) { return content.count(name) > 0; };
    return f;
  }
};

// A stereo ramp whose frame i holds (i mod 20000, −(i mod 20000)): every frame says where it came from.
std::string Ramp(int frames) {
  std::vector<int32_t> s;
  for (int i = 0; i < frames; ++i) s.push_back(i % 20000), s.push_back(-(i % 20000));
  return MakeWav(44100, 2, 16, s);
}

std::vector<int16_t> Render(AudioMixer& mixer, size_t frames) {
  std::vector<int16_t> out(frames * 2);
  mixer.Mix(out.data(), frames);
  return out;
}

TEST(OggItemTest, PlayEndFiresExactlyOnceAndAgainAfterARewind) {
  AudioMixer mixer;
  Files files;
  files.content["se.wav"] = Ramp(4410);  // 100 ms
  TOggManager manager(mixer, files.Media());
  TDMediaItem* item = manager.Add("se.wav");
  EXPECT_EQ(item->GetLength(), 100);
  EXPECT_FALSE(item->IsPlaying());
  item->Play();
  EXPECT_TRUE(item->IsPlaying());
  Render(mixer, 4000);
  EXPECT_FALSE(item->EndReached());
  EXPECT_EQ(item->GetPosition(), 90);
  Render(mixer, 441);
  EXPECT_TRUE(item->EndReached());
  EXPECT_FALSE(item->IsPlaying());
  for (int tick = 0; tick < 5; ++tick) {
    Render(mixer, 441);
    EXPECT_FALSE(item->EndReached()) << "the end is reported once, not on every tick";
  }
  item->SetPosition(50);
  item->Play();
  EXPECT_EQ(item->GetPosition(), 50);
  Render(mixer, 2205);
  EXPECT_TRUE(item->EndReached());
}

TEST(OggItemTest, LoopsWrapAtTheExactSample) {
  AudioMixer mixer;
  Files files;
  files.content["bgm.wav"] = Ramp(1000);
  TOggManager manager(mixer, files.Media());
  TDMediaItem* item = manager.Add("bgm.wav");
  item->SetLoop(true);
  item->Play();
  const auto out = Render(mixer, 3500);
  for (size_t i = 0; i < 3500; ++i) ASSERT_EQ(out[2 * i], int16_t(i % 1000)) << "frame " << i;
  EXPECT_FALSE(item->EndReached());
  EXPECT_TRUE(item->IsPlaying());
}

TEST(OggItemTest, VolumeAndPanReachTheMix) {
  AudioMixer mixer;
  Files files;
  files.content["v.wav"] = MakeWav(44100, 2, 16, testing::Sine(44100, 2, 4410, 1000, 16000));
  TOggManager manager(mixer, files.Media());
  TDMediaItem* item = manager.Add("v.wav");
  item->SetVolume(-1200);
  item->SetPan(600);
  EXPECT_EQ(item->GetVolume(), -1200);
  EXPECT_EQ(item->GetPan(), 600);
  item->Play();
  const auto out = Render(mixer, 4410);
  const double full = 16000 / std::sqrt(2.0);
  EXPECT_NEAR(testing::Db(Rms(out, 0, 0, 4410) / full), -18.0, 0.5);
  EXPECT_NEAR(testing::Db(Rms(out, 1, 0, 4410) / full), -12.0, 0.5);
}

TEST(OggItemTest, PausedItemsHoldTheirPlaceAndUnplayableFilesAreRefused) {
  AudioMixer mixer;
  Files files;
  files.content["a.wav"] = Ramp(44100);
  files.content["junk.ogg"] = std::string(3000, 'x');
  TOggManager manager(mixer, files.Media());
  TDMediaItem* item = manager.Add("a.wav");
  item->Play();
  Render(mixer, 4410);
  item->Pause();
  EXPECT_TRUE(item->IsPaused());
  EXPECT_FALSE(item->IsPlaying());
  const auto silent = Render(mixer, 4410);
  EXPECT_EQ(Rms(silent, 0, 0, 4410), 0.0);
  EXPECT_EQ(item->GetPosition(), 100);
  item->Play();
  const auto resumed = Render(mixer, 1);
  EXPECT_EQ(resumed[0], 4410);
  EXPECT_THROW(manager.Add("junk.ogg"), KuzoError);
  EXPECT_THROW(manager.Add("missing.ogg"), KuzoError);
  EXPECT_EQ(manager.Count(), 1u);
}

TEST(MediaManagerTest, FocusLossResumesOnlyWhatWasPlaying) {
  AudioMixer mixer;
  Files files;
  files.content["a.wav"] = Ramp(44100);
  files.content["b.wav"] = Ramp(44100);
  TOggManager manager(mixer, files.Media());
  TDMediaItem* playing = manager.Add("a.wav");
  TDMediaItem* paused = manager.Add("b.wav");
  playing->Play();
  paused->Play();
  paused->Pause();
  manager.SetEnabled(false);
  EXPECT_FALSE(playing->IsPlaying());
  playing->Play();  // remembered only: the manager is disabled
  EXPECT_FALSE(playing->IsPlaying());
  manager.SetEnabled(true);
  EXPECT_TRUE(playing->IsPlaying());
  EXPECT_FALSE(paused->IsPlaying());
  EXPECT_TRUE(paused->IsPaused());
  manager.PauseAll();
  manager.PauseAll();  // twice changes nothing
  manager.ResumeAll();
  EXPECT_TRUE(playing->IsPlaying());
  manager.Remove(playing);
  EXPECT_EQ(manager.Count(), 1u);
  EXPECT_EQ(mixer.VoiceCount(), 1u);
}

TEST(CddaItemTest, TrackNumbers) {
  EXPECT_EQ(CdTrackNumber("CD_3"), 3);
  EXPECT_EQ(CdTrackNumber("CD_12"), 12);
  EXPECT_EQ(CdTrackNumber("CD_"), -1);
  EXPECT_EQ(CdTrackNumber("CD_x"), -1);
  EXPECT_EQ(CdTrackNumber("CD_3a"), -1);
  EXPECT_EQ(CdTrackNumber("CD_-1"), -1);
}

TEST(CddaItemTest, TracksPlayFromFilesAndPauseResumesASecondEarlier) {
  AudioMixer mixer;
  Files files;
  files.content["cd\\track02.wav"] = Ramp(44100 * 8);
  TCddaManager manager(mixer, files.Media());
  TDMediaItem* track = manager.Add("CD_2");
  EXPECT_EQ(track->GetLength(), 8000);
  track->Play();
  Render(mixer, 44100 * 5 + 100);
  EXPECT_EQ(track->GetPosition(), 5000);
  track->Pause();
  Render(mixer, 44100);
  EXPECT_FALSE(track->EndReached()) << "pausing is not an end";
  track->Play();
  EXPECT_EQ(track->GetPosition(), 4000);
  const auto out = Render(mixer, 1);
  EXPECT_EQ(out[0], int16_t((44100 * 4) % 20000));
}

TEST(CddaItemTest, VolumeScalesTheLineLinearly) {
  AudioMixer mixer;
  Files files;
  files.content["cd\\track01.wav"] = MakeWav(44100, 2, 16, std::vector<int32_t>(2000, 10000));
  TCddaManager manager(mixer, files.Media());
  TDMediaItem* track = manager.Add("CD_1");
  track->Play();
  for (const auto& [volume, level] : {std::pair{0, 10000}, {-2500, 5000}, {-5000, 0}, {-9000, 0}}) {
    track->SetVolume(volume);
    EXPECT_EQ(Render(mixer, 1)[0], level) << volume;
  }
}

TEST(CddaItemTest, MissingTracksAreSilentButStillEnd) {
  AudioMixer mixer;
  Files files;
  TCddaManager manager(mixer, files.Media());
  TDMediaItem* track = manager.Add("CD_5");
  EXPECT_EQ(track->GetLength(), 0);
  EXPECT_FALSE(track->EndReached());
  track->Play();
  EXPECT_TRUE(track->EndReached());
  EXPECT_FALSE(track->EndReached());
  TDMediaItem* nameless = manager.Add("CD_");
  nameless->Play();
  EXPECT_FALSE(nameless->EndReached()) << "a name without a track number never plays";
}

TEST(CddaItemTest, OneTrackAtATime) {
  AudioMixer mixer;
  Files files;
  files.content["cd\\track01.wav"] = Ramp(44100);
  files.content["cd\\track02.wav"] = Ramp(44100);
  TCddaManager manager(mixer, files.Media());
  TDMediaItem* first = manager.Add("CD_1");
  TDMediaItem* second = manager.Add("CD_2");
  first->Play();
  second->Play();
  EXPECT_FALSE(first->IsPlaying());
  EXPECT_TRUE(second->IsPlaying());
  manager.Remove(second);
  EXPECT_EQ(manager.Owner(), nullptr);
}

TEST(AudioEngineTest, HeadlessRenderFollowsTheVirtualClockIntoAWaveFile) {
  const auto path = std::filesystem::temp_directory_path() / "kuzo_engine_test.wav";
  Files files;
  files.content["se.wav"] = Ramp(4410);
  {
    AudioEngine engine;
    TOggManager manager(engine.Mixer(), files.Media());
    engine.WriteOutputTo(path);
    engine.RenderUntil(50);
    manager.Add("se.wav")->Play();
    engine.RenderUntil(40);  // time never runs backwards
    engine.RenderUntil(1000);
    EXPECT_EQ(engine.RenderedFrames(), 44100);
    engine.CloseOutput();
  }
  AudioDecoder back(std::make_unique<TFileRangeStream>(path, 0, 0), "out.wav");
  EXPECT_EQ(back.Length(), 44100);
  std::vector<int16_t> pcm(44100 * 2);
  ASSERT_EQ(back.Read(pcm.data(), 44100), 44100u);
  EXPECT_EQ(Rms(pcm, 0, 0, 2205), 0.0) << "silence until the sound started at 50 ms";
  EXPECT_EQ(pcm[2 * 2205 + 0], 0);
  EXPECT_EQ(pcm[2 * 2206 + 0], 1);
  EXPECT_EQ(pcm[2 * 2206 + 1], -1);
  EXPECT_EQ(Rms(pcm, 0, 2205 + 4410, 44100), 0.0);
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace kuzo::media
