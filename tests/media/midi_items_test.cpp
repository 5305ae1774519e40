// MIDI items through the synthesiser voice: audible output, timing from the audio clock, play-end
// once, pausing and resuming, two items sharing the one sequencer, and a missing soundfont.
#include "media/midi_items.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "tests/media/midi_bytes.h"
#include "tests/media/pcm_helpers.h"

namespace kuzo::media {
namespace {

using namespace testing;

struct MidiFiles {
  std::map<std::string, std::string, std::less<>> content;
  MediaFiles Media() {
    MediaFiles f;
    f.readFile = [this](std::string_view name) { return content.at(std::string(name)); };
    f.exists = [this](std::string_view name) { return content.count(name) > 0; };
    return f;
  }
};

// One second of a held chord, then 500 ms of rest up to the end of the track.
std::string Chord() {
  return Smf(480, {Track({Program(0, 0, 0), NoteOn(0, 0, 60), NoteOn(0, 0, 64), NoteOn(0, 0, 67), NoteOff(960, 0, 60),
                          NoteOff(0, 0, 64), NoteOff(0, 0, 67), End(480)})});
}

std::vector<int16_t> Render(AudioMixer& mixer, size_t frames) {
  std::vector<int16_t> out(frames * 2);
  mixer.Mix(out.data(), frames);
  return out;
}

bool HaveSoundFont() { return std::filesystem::exists(kDefaultSoundFont); }

TEST(MidiItemTest, PlaysAudiblyAndEndsOnceOnTheTickAfterItsLastNote) {
  if (!HaveSoundFont()) GTEST_SKIP() << "no soundfont at " << kDefaultSoundFont;
  AudioMixer mixer;
  MidiFiles files;
  files.content["chord.mid"] = Chord();
  TMidiManager manager(mixer, files.Media(), kDefaultSoundFont);
  ASSERT_EQ(manager.SynthProblem(), "");
  TDMediaItem* item = manager.Add("chord.mid");
  EXPECT_EQ(item->GetLength(), 1500);
  EXPECT_FALSE(item->IsPlaying());
  item->Play();
  EXPECT_TRUE(item->IsPlaying());
  const auto sound = Render(mixer, 44100 * 9 / 10);
  EXPECT_GT(Rms(sound, 0, 4410, 39690), 300.0);
  EXPECT_GT(Rms(sound, 1, 4410, 39690), 300.0);
  EXPECT_FALSE(item->EndReached());
  EXPECT_NEAR(item->GetPosition(), 900, 10);
  // The last note off is due at 1000 ms and goes out on the tick after it.
  Render(mixer, 44100 / 10 + 441);
  EXPECT_TRUE(item->EndReached());
  for (int i = 0; i < 3; ++i) {
    Render(mixer, 441);
    EXPECT_FALSE(item->EndReached());
  }
  // The release fades; seconds later the synthesiser is quiet.
  Render(mixer, 44100 * 3);
  EXPECT_LT(Rms(Render(mixer, 4410), 0, 0, 4410), 5.0);
}

TEST(MidiItemTest, VolumeScalesTheChannelsAndSilenceIsSilent) {
  if (!HaveSoundFont()) GTEST_SKIP() << "no soundfont";
  AudioMixer mixer;
  MidiFiles files;
  files.content["chord.mid"] = Chord();
  TMidiManager manager(mixer, files.Media(), kDefaultSoundFont);
  TDMediaItem* item = manager.Add("chord.mid");
  item->Play();
  const double full = Rms(Render(mixer, 22050), 0, 4410, 22050);
  item->SetVolume(-5000);  // half of controller 7
  Render(mixer, 4410);
  const double half = Rms(Render(mixer, 8820), 0, 0, 8820);
  EXPECT_LT(half, full * 0.6);
  EXPECT_GT(half, 0.0);
  EXPECT_EQ(item->GetVolume(), -5000);
}

TEST(MidiItemTest, PauseRemembersThePositionAndASecondItemTakesTheSequencerOver) {
  if (!HaveSoundFont()) GTEST_SKIP() << "no soundfont";
  AudioMixer mixer;
  MidiFiles files;
  files.content["a.mid"] = Chord();
  files.content["b.mid"] = Smf(96, {Track({NoteOn(0, 0, 50), NoteOff(960, 0, 50), End(0)})});
  TMidiManager manager(mixer, files.Media(), kDefaultSoundFont);
  TDMediaItem* a = manager.Add("a.mid");
  TDMediaItem* b = manager.Add("b.mid");
  a->SetLoop(true);
  a->Play();
  Render(mixer, 44100 * 3 / 10);
  a->Pause();
  EXPECT_TRUE(a->IsPaused());
  EXPECT_FALSE(a->IsPlaying());
  EXPECT_EQ(a->GetPosition(), 300);
  Render(mixer, 44100);
  EXPECT_EQ(a->GetPosition(), 300) << "time does not pass for a paused piece";
  EXPECT_FALSE(a->EndReached());
  b->Play();
  EXPECT_TRUE(b->IsPlaying());
  EXPECT_FALSE(b->GetLoop());
  EXPECT_EQ(b->GetLength(), 5000);
  Render(mixer, 44100 / 2);
  a->Play();  // takes the sequencer back and resumes at its place, still looping
  EXPECT_FALSE(b->IsPlaying());
  EXPECT_TRUE(a->GetLoop());
  EXPECT_EQ(a->GetPosition(), 300);
  Render(mixer, 44100 * 3);
  EXPECT_TRUE(a->IsPlaying()) << "a looping piece plays on";
  EXPECT_FALSE(a->EndReached());
  manager.Remove(a);
  EXPECT_EQ(manager.Owner(), nullptr);
}

TEST(MidiItemTest, WithoutASoundFontPiecesStaySilentButStillEnd) {
  AudioMixer mixer;
  MidiFiles files;
  files.content["chord.mid"] = Chord();
  TMidiManager manager(mixer, files.Media(), "/nonexistent/font.sf2");
  EXPECT_NE(manager.SynthProblem(), "");
  TDMediaItem* item = manager.Add("chord.mid");
  item->Play();
  const auto out = Render(mixer, 44100 + 882);
  EXPECT_EQ(Rms(out, 0, 0, 44100), 0.0);
  EXPECT_TRUE(item->EndReached());
}

TEST(MidiItemTest, PortListStartsWithTheMapper) {
  AudioMixer mixer;
  MidiFiles files;
  TMidiManager manager(mixer, files.Media(), "/nonexistent/font.sf2");
  const auto names = manager.PortNames();
  ASSERT_GE(names.size(), 2u);
  EXPECT_EQ(names[0], "MIDIマッパー");
  EXPECT_EQ(manager.PortName(99), "MIDIマッパー");
  manager.SelectPort(names[1]);
  EXPECT_EQ(manager.SelectedPort(), 1);
  manager.SelectPort("no such port");
  EXPECT_EQ(manager.SelectedPort(), 0);
}

}  // namespace
}  // namespace kuzo::media
