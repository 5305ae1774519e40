// The media system as the player uses it: manager choice, unplayable sounds that still end,
// focus pausing across managers, headless rendering with the wave output, and the device thread
// mixing while the main thread works the items, also through the real sound card thread (run under
// ThreadSanitizer too).
#include "media/media_system.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <thread>

#include "core/errors.h"
#include "tests/media/midi_bytes.h"
#include "tests/media/pcm_helpers.h"

namespace kuzo::media {
namespace {

using testing::MakeWav;
using testing::Rms;
using testing::StreamOver;

struct Title {
  std::map<std::string, std::string, std::less<>> content;
  std::vector<std::string> log;
  MediaFiles Media() {
    MediaFiles f;
    f.openRange = [this](std::string_view name) -> std::unique_ptr<TRangeStream> {
      auto it = content.find(name);
      if (it == content.end()) throw KuzoError(std::string(name) + ":ファイルがありません");
      return StreamOver(it->second);
    };
    f.readFile = [this](std::string_view name) {
      auto it = content.find(name);
      if (it == content.end()) throw KuzoError(std::string(name) + ":ファイルがありません");
      return it->second;
    };
    f.exists = [this](std::string_view name) { return content.count(name) > 0; };
    return f;
  }
  MediaSystem::Log Log() {
    return [this](const std::string& line) { log.push_back(line); };
  }
};

std::string Tone(int ms, int32_t value) { return MakeWav(44100, 2, 16, std::vector<int32_t>(size_t(ms) * 441 / 10 * 2, value)); }

TEST(MediaSystemTest, SoundNamesChooseTheirManagers) {
  EXPECT_EQ(KindForSoundName("bgm\\Theme.MID"), SoundKind::kMidi);
  EXPECT_EQ(KindForSoundName("a.sgt"), SoundKind::kMidi);
  EXPECT_EQ(KindForSoundName("voice.WMA"), SoundKind::kWindowsMedia);
  EXPECT_EQ(KindForSoundName("x.asf"), SoundKind::kWindowsMedia);
  EXPECT_EQ(KindForSoundName("se.Ogg"), SoundKind::kOgg);
  EXPECT_EQ(KindForSoundName("se.wav"), SoundKind::kOgg);
  EXPECT_EQ(KindForSoundName("CD_3"), SoundKind::kCd);
  EXPECT_EQ(KindForSoundName("CD_3.wav"), SoundKind::kOgg);
  EXPECT_EQ(KindForSoundName("cd_3"), SoundKind::kNone);
  EXPECT_EQ(KindForSoundName("dir.ogg\\file"), SoundKind::kNone);
  EXPECT_EQ(KindForSoundName("music.mp3"), SoundKind::kNone);
}

TEST(MediaSystemTest, UnplayableSoundsEndAtOnceWithALoggedReasonAndMissingFilesRaise) {
  Title title;
  title.content["broken.ogg"] = std::string(2000, '\x11');
  title.content["song.mp3"] = "ID3";
  MediaSystem media(title.Media(), MediaSettings{true, 500, "/nonexistent.sf2"}, title.Log());
  for (const char* name : {"broken.ogg", "song.mp3"}) {
    TDMediaItem* item = media.AddSound(name);
    ASSERT_NE(item, nullptr) << name;
    EXPECT_EQ(media.KindOf(item), SoundKind::kNone);
    item->Play();
    EXPECT_TRUE(item->EndReached()) << name;
    EXPECT_FALSE(item->EndReached()) << name;
    media.RemoveSound(item);
  }
  ASSERT_GE(title.log.size(), 3u);  // the silent MIDI synthesiser, then the two sounds
  EXPECT_NE(title.log[1].find("broken.ogg"), std::string::npos);
  EXPECT_NE(title.log[2].find("song.mp3"), std::string::npos);
  EXPECT_THROW(media.AddSound("missing.ogg"), KuzoError);
  EXPECT_THROW(media.AddSound("missing.mid")->Play(), KuzoError);
}

TEST(MediaSystemTest, FocusLossPausesEveryManagerAndResumesOnlyWhatPlayed) {
  Title title;
  title.content["bgm.ogg.wav"] = Tone(2000, 1000);
  title.content["voice.wav"] = Tone(2000, 100);
  title.content["cd\\track01.wav"] = Tone(2000, 10);
  title.content["theme.mid"] =
      testing::Smf(96, {testing::Track({testing::NoteOn(0, 0, 60), testing::NoteOff(960, 0, 60), testing::End(960)})});
  MediaSystem media(title.Media(), MediaSettings{true, 500, "/nonexistent.sf2"});
  TDMediaItem* bgm = media.AddSound("bgm.ogg.wav");
  TDMediaItem* voice = media.AddSound("voice.wav");
  TDMediaItem* cd = media.AddSound("CD_1");
  TDMediaItem* midi = media.AddSound("theme.mid");
  for (TDMediaItem* item : {bgm, voice, cd, midi}) item->Play();
  voice->Pause();
  media.AdvanceTo(100);
  media.PauseAll();
  for (TDMediaItem* item : {bgm, voice, cd, midi}) EXPECT_FALSE(item->IsPlaying());
  media.AdvanceTo(600);
  EXPECT_EQ(bgm->GetPosition(), 100) << "time stands still while in the background";
  media.ResumeAll();
  EXPECT_TRUE(bgm->IsPlaying());
  EXPECT_TRUE(cd->IsPlaying());
  EXPECT_TRUE(midi->IsPlaying());
  EXPECT_FALSE(voice->IsPlaying());
}

TEST(MediaSystemTest, HeadlessMixWithTheWaveOutputSoundsWithTheOtherSources) {
  Title title;
  title.content["se.wav"] = Tone(200, 2000);
  title.content["CD_2"] = "";
  title.content["cd\\track02.wav"] = Tone(1000, 300);
  const auto path = std::filesystem::temp_directory_path() / "kuzo_media_system.wav";
  {
    MediaSystem media(title.Media(), MediaSettings{false, 100, "/nonexistent.sf2"});
    media.Engine().WriteOutputTo(path);
    media.AddSound("CD_2")->Play();
    TDMediaItem* se = media.AddSound("se.wav");
    se->Play();
    int64_t endedAt = -1;
    for (int64_t t = 16; t <= 1000; t += 16) {
      media.AdvanceTo(t);
      if (se->EndReached()) {
        EXPECT_EQ(endedAt, -1) << "one end event";
        endedAt = t;
      }
    }
    // Mixed at 0 ms in two blocks of 100 ms, the last at 100 ms; finished 210 ms after it.
    EXPECT_EQ(endedAt, 320);
  }
  AudioDecoder back(std::make_unique<TFileRangeStream>(path, 0, 0), "out.wav");
  std::vector<int16_t> pcm(size_t(back.Length()) * 2);
  back.Read(pcm.data(), size_t(back.Length()));
  EXPECT_EQ(pcm[0], 2300);
  EXPECT_EQ(pcm[2 * 8819], 2300);
  EXPECT_EQ(pcm[2 * 8820], 300);
  std::filesystem::remove(path);
}

TEST(MediaSystemTest, DeviceThreadMixesWhileTheMainThreadWorksTheItems) {
  Title title;
  title.content["a.wav"] = Tone(300, 1000);
  title.content["b.wav"] = Tone(50, 2000);
  title.content["cd\\track01.wav"] = Tone(300, 5);
  title.content["m.mid"] = testing::Smf(96, {testing::Track({testing::NoteOn(0, 0, 60), testing::Control(10, 0, 7, 90),
                                                            testing::NoteOff(96, 0, 60), testing::End(96)})});
  for (bool directSound : {true, false}) {
    MediaSystem media(title.Media(), MediaSettings{directSound, 100, "/nonexistent.sf2"});
    std::atomic<bool> stop{false};
    std::atomic<int64_t> mixed{0};
    std::thread device([&] {
      std::vector<int16_t> block(512 * 2);
      while (!stop.load()) {
        media.Engine().Mixer().Mix(block.data(), 512);
        mixed.fetch_add(512);
        // A device asks again when its buffer has drained; never spin on the lock.
        std::this_thread::sleep_for(std::chrono::microseconds(200));
      }
    });
    int ends = 0;
    for (int round = 0; round < 25; ++round) {
      TDMediaItem* a = media.AddSound("a.wav");
      TDMediaItem* b = media.AddSound(round % 2 ? "b.wav" : "CD_1");
      TDMediaItem* m = media.AddSound("m.mid");
      a->SetLoop(true);
      a->SetVolume(-(round * 100));
      a->SetPan(round * 50 - 1500);
      for (TDMediaItem* item : {a, b, m}) item->Play();
      for (int i = 0; i < 20; ++i) {
        ends += b->EndReached();
        a->GetPosition();
        m->GetPosition();
        if (i == 10) {
          media.PauseAll();
          media.ResumeAll();
          a->SetPosition(round);
          m->SetPosition(50);
        }
        std::this_thread::yield();
      }
      for (TDMediaItem* item : {a, b, m}) media.RemoveSound(item);
    }
    stop = true;
    device.join();
    EXPECT_GT(mixed.load(), 0);
    EXPECT_LE(ends, 25) << "each item's end is reported once at most";
    EXPECT_EQ(media.Engine().Mixer().VoiceCount(), directSound ? 1u : 2u) << "only the MIDI voice and the wave output stay";
  }
}

// The sound card's own thread (SDL's dummy driver) pulling the mix while the main thread starts and
// stops sounds and a MIDI piece, and the synthesiser falls asleep and wakes between them.
TEST(MediaSystemTest, TheSoundCardThreadPlaysWhatTheMainThreadStartsAndStops) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  Title title;
  title.content["a.wav"] = Tone(200, 12000);
  title.content["m.mid"] = testing::Smf(96, {testing::Track({testing::NoteOn(0, 0, 60), testing::NoteOff(48, 0, 60),
                                                            testing::End(0)})});
  const bool soundFont = std::filesystem::exists(kDefaultSoundFont);
  MediaSystem media(title.Media(), MediaSettings{true, 100, soundFont ? kDefaultSoundFont : "/nonexistent.sf2"});
  std::atomic<int64_t> handed{0}, loud{0};
  std::string error;
  ASSERT_TRUE(media.Engine().OpenDevice(kDeviceBufferMs, &error, [&](const int16_t* frames, size_t count) {
    handed.fetch_add(static_cast<int64_t>(count));
    for (size_t i = 0; i < count * 2; ++i)
      if (std::abs(frames[i]) > 1000) {
        loud.fetch_add(1);
        break;
      }
  })) << error;
  EXPECT_GT(media.Engine().DeviceBufferFrames(), 0);
  EXPECT_LE(media.Engine().DeviceBufferFrames(), 1024) << "about 20 ms";
  auto waitFor = [](auto&& done) {
    for (int i = 0; i < 300 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return done();
  };
  for (int round = 0; round < 4; ++round) {
    TDMediaItem* a = media.AddSound("a.wav");
    TDMediaItem* m = media.AddSound("m.mid");
    const int64_t loudBefore = loud.load();
    a->Play();
    m->Play();
    EXPECT_TRUE(waitFor([&] { return loud.load() > loudBefore; })) << "round " << round;
    a->SetVolume(-round * 500);
    m->SetPosition(10);
    media.RemoveSound(a);
    media.RemoveSound(m);
  }
  if (soundFont) {
    FluidSynthPort* synth = media.Midi().Synth();
    ASSERT_NE(synth, nullptr);
    EXPECT_TRUE(waitFor([&] {
      std::lock_guard lock(media.Engine().Mixer().Mutex());
      return synth->Asleep();
    })) << "with nothing left to play the synthesiser sleeps";
  }
  media.Engine().CloseDevice();
  const int64_t after = handed.load();
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(handed.load(), after) << "nothing is handed once the device is closed";
  EXPECT_GT(after, 0);
}

}  // namespace
}  // namespace kuzo::media
