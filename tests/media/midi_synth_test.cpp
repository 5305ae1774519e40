// The synthesiser's idle sleep: it stops running once nothing sounds and its effect tails are
// silent, wakes on the next message, and what it plays is sample for sample what a synthesiser
// that never sleeps plays, before, during and after sleeping.
#include "media/midi_synth.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "media/midi_items.h"
#include "tests/media/midi_bytes.h"

namespace kuzo::media {
namespace {

using namespace testing;

bool HaveSoundFont() { return std::filesystem::exists(kDefaultSoundFont); }

// A short phrase with reverb and chorus sends turned up (the effect units keep running state), a
// pitch bend and a program change, ending 200 ms after its last note.
std::string Phrase() {
  return Smf(480, {Track({Program(0, 0, 48), Control(0, 0, 91, 127), Control(0, 0, 93, 127), NoteOn(0, 0, 60),
                          NoteOn(120, 0, 67), {0, {0xE0, 0x00, 0x50}}, NoteOff(240, 0, 60), NoteOff(0, 0, 67),
                          NoteOn(7, 0, 72, 90), NoteOff(301, 0, 72), End(192)})});
}

// One manager with its own mixer, playing the same script of commands as its twin.
struct Rig {
  AudioMixer mixer;
  std::map<std::string, std::string, std::less<>> content;
  std::unique_ptr<TMidiManager> manager;
  std::vector<int16_t> out;

  explicit Rig(bool sleep) {
    content["phrase.mid"] = Phrase();
    MediaFiles f;
    f.readFile = [this](std::string_view name) { return content.at(std::string(name)); };
    f.exists = [this](std::string_view name) { return content.count(name) > 0; };
    manager = std::make_unique<TMidiManager>(mixer, std::move(f), kDefaultSoundFont);
    if (manager->Synth()) manager->Synth()->SetIdleSleep(sleep);
  }
  // Renders in device-sized slices that do not divide the synthesiser's blocks or the ticks.
  void Render(size_t frames) {
    for (size_t done = 0; done < frames;) {
      const size_t n = std::min<size_t>(frames - done, 1000);
      std::vector<int16_t> block(n * 2);
      mixer.Mix(block.data(), n);
      out.insert(out.end(), block.begin(), block.end());
      done += n;
    }
  }
};

TEST(MidiSynthIdleTest, SleepsAfterTheTailAndPlaysExactlyAsWithoutSleeping) {
  if (!HaveSoundFont()) GTEST_SKIP() << "no soundfont at " << kDefaultSoundFont;
  Rig sleeping(true), awake(false);
  ASSERT_NE(sleeping.manager->Synth(), nullptr);
  FluidSynthPort& synth = *sleeping.manager->Synth();
  // A new synthesiser has nothing to play and does not run.
  for (Rig* r : {&sleeping, &awake}) r->Render(44100 / 3 + 17);
  EXPECT_TRUE(synth.Asleep());
  EXPECT_EQ(synth.SynthFrames(), 0u);

  TDMediaItem* items[2] = {sleeping.manager->Add("phrase.mid"), awake.manager->Add("phrase.mid")};
  for (TDMediaItem* item : items) item->Play();
  for (Rig* r : {&sleeping, &awake}) r->Render(44100);
  EXPECT_FALSE(synth.Asleep()) << "the phrase and its tail still sound";
  // Long after the end the tail has died away and the synthesiser sleeps.
  for (Rig* r : {&sleeping, &awake}) r->Render(44100 * 6);
  EXPECT_TRUE(synth.Asleep());
  const uint64_t ranBefore = synth.SynthFrames();
  for (Rig* r : {&sleeping, &awake}) r->Render(44100 * 2 + 5);
  EXPECT_EQ(synth.SynthFrames(), ranBefore) << "two idle seconds cost no synthesis";
  EXPECT_LT(synth.SynthFrames(), synth.PortFrames());

  // Played again after sleeping, at a point that is no block boundary.
  for (TDMediaItem* item : items) item->Play();
  for (Rig* r : {&sleeping, &awake}) r->Render(44100 * 2);
  EXPECT_FALSE(synth.Asleep());

  ASSERT_EQ(sleeping.out.size(), awake.out.size());
  size_t firstDifference = sleeping.out.size();
  for (size_t i = 0; i < sleeping.out.size(); ++i)
    if (sleeping.out[i] != awake.out[i]) {
      firstDifference = i;
      break;
    }
  EXPECT_EQ(firstDifference, sleeping.out.size()) << "outputs differ from frame " << firstDifference / 2;
  // The comparison means something only if the phrase was heard both times.
  const size_t secondStart = (44100 / 3 + 17 + 44100 + 44100 * 6 + 44100 * 2 + 5) * 2;
  int peakFirst = 0, peakSecond = 0;
  for (size_t i = 0; i < secondStart; ++i) peakFirst = std::max(peakFirst, std::abs(int(sleeping.out[i])));
  for (size_t i = secondStart; i < sleeping.out.size(); ++i) peakSecond = std::max(peakSecond, std::abs(int(sleeping.out[i])));
  EXPECT_GT(peakFirst, 1000);
  EXPECT_GT(peakSecond, 1000);
}

TEST(MidiSynthIdleTest, AMessageWithoutNotesWakesItUntilItIsSilentAgain) {
  if (!HaveSoundFont()) GTEST_SKIP() << "no soundfont";
  Rig rig(true);
  ASSERT_NE(rig.manager->Synth(), nullptr);
  FluidSynthPort& synth = *rig.manager->Synth();
  rig.Render(4410);
  ASSERT_TRUE(synth.Asleep());
  {
    std::lock_guard lock(rig.mixer.Mutex());
    synth.ShortMessage(0xB0, 7, 100);
  }
  EXPECT_FALSE(synth.Asleep());
  rig.Render(44100 / 20);
  EXPECT_FALSE(synth.Asleep()) << "sleeps only after a tenth of a second of silence";
  rig.Render(44100 / 10);
  EXPECT_TRUE(synth.Asleep());
}

TEST(MidiSynthIdleTest, TurningSleepOffRunsTheSynthesiserOnEveryFrame) {
  if (!HaveSoundFont()) GTEST_SKIP() << "no soundfont";
  Rig rig(true);
  ASSERT_NE(rig.manager->Synth(), nullptr);
  FluidSynthPort& synth = *rig.manager->Synth();
  rig.Render(44100 / 2);
  {
    std::lock_guard lock(rig.mixer.Mutex());
    synth.SetIdleSleep(false);
  }
  const uint64_t ran = synth.SynthFrames();
  rig.Render(44100);
  EXPECT_EQ(synth.SynthFrames() - ran, 44100u);
  EXPECT_EQ(synth.SynthFrames() % 64, synth.PortFrames() % 64) << "woken on the block grid of an unbroken run";
}

}  // namespace
}  // namespace kuzo::media
