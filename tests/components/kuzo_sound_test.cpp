// Sound components on a media system rendering headless: levels and pans in the mix, the play-end
// event once at the end, loops, pausing, fades through the play states, a fading sound giving its
// name up, sources that cannot play, the component without a media system, and the saved record.
#include "components/kuzo_sound.h"

#include <gtest/gtest.h>

#include "tests/components/media_test_scene.h"
#include "tests/media/midi_bytes.h"

namespace kuzo {
namespace {

using testing::MediaScene;

TKuzoSound* StartSound(MediaScene& s, const std::string& name, const std::string& source, int32_t volume = 1000,
                       int32_t state = kMediaPlaying) {
  auto* sound = s.Create<TKuzoSound>(name);
  sound->SetStrProp(PR_SOURCE, source);
  sound->SetIntProp(PR_VOLUME, volume);
  sound->SetPlayState(state);
  return sound;
}

TEST(SoundComponent, VolumeAndBalanceSetTheLevelsOfBothChannels) {
  MediaScene s;
  s.AddTone("tone.wav", 1000);
  auto* sound = s.Create<TKuzoSound>("se");
  sound->SetStrProp(PR_SOURCE, "tone.wav");
  sound->SetIntProp(PR_VOLUME, 500);     // -25 dB
  sound->SetIntProp(PR_BALANCE, -1000);  // the right channel 10 dB lower
  sound->SetPlayState(kMediaPlaying);
  ASSERT_NE(sound->Item(), nullptr);
  for (int i = 0; i < 30; ++i) s.Step(20);
  EXPECT_NEAR(s.LevelDb(0, 0, 500), -25.0, 0.5);
  EXPECT_NEAR(s.LevelDb(1, 0, 500), -35.0, 0.5);
  // A balance beyond the range is clamped: the right channel goes silent.
  sound->SetIntProp(PR_BALANCE, -30000);
  EXPECT_EQ(sound->GetIntProp(PR_BALANCE), -10000);
}

TEST(SoundComponent, PlayEndFiresOnceAtTheTickTheSoundEnds) {
  MediaScene s;
  s.AddTone("tone.wav", 500);
  auto* sound = StartSound(s, "se", "tone.wav");
  sound->SetStrProp(PR_ONPLAYEND, "main.kss:ended");
  int firstTick = -1;
  for (int t = 1; t <= 60; ++t) {
    s.Step(20);
    if (firstTick < 0 && s.EventsOf(sound, EV_PLAYEND) > 0) firstTick = s.host.gameClockMs;
  }
  EXPECT_EQ(firstTick, 500);
  EXPECT_EQ(s.EventsOf(sound, EV_PLAYEND), 1);
  EXPECT_TRUE(sound->Ended());
  EXPECT_FALSE(sound->GetBoolProp(PR_PLAYING));
  // The sound was audible until its end and silent afterwards.
  EXPECT_NEAR(s.LevelDb(0, 0, 500), 0.0, 0.5);
  EXPECT_LT(s.LevelDb(0, 520, 1000), -90.0);
}

TEST(SoundComponent, RepeatingSoundLoopsWithoutEnding) {
  MediaScene s;
  s.AddTone("loop.wav", 200);
  auto* sound = s.Create<TKuzoSound>("bgm");
  sound->SetStrProp(PR_SOURCE, "loop.wav");
  sound->SetBoolProp(PR_REPEAT, true);
  sound->SetStrProp(PR_ONPLAYEND, "main.kss:ended");
  sound->SetPlayState(kMediaPlaying);
  for (int i = 0; i < 50; ++i) s.Step(20);
  EXPECT_EQ(s.EventsOf(sound, EV_PLAYEND), 0);
  EXPECT_NEAR(s.LevelDb(0, 100, 1000), 0.0, 0.5);
  // Turning repeat off lets it end at the end of the pass it is in.
  sound->SetBoolProp(PR_REPEAT, false);
  for (int i = 0; i < 20; ++i) s.Step(20);
  EXPECT_EQ(s.EventsOf(sound, EV_PLAYEND), 1);
}

TEST(SoundComponent, AutoScrapSoundRemovesItselfAtItsEnd) {
  MediaScene s;
  s.AddTone("tone.wav", 100);
  auto* sound = s.Create<TKuzoSound>("se");
  sound->SetBoolProp(PR_AUTOSCRAP, true);
  sound->SetStrProp(PR_SOURCE, "tone.wav");
  sound->SetPlayState(kMediaPlaying);
  for (int i = 0; i < 10; ++i) s.Step(20);
  EXPECT_EQ(s.scene.FindComponent("se"), nullptr);
  EXPECT_EQ(s.media->Ogg().Count(), 0u);  // the item went back to its manager
}

TEST(SoundComponent, PausingSilencesAndResumingContinuesFromThePosition) {
  MediaScene s;
  s.AddTone("tone.wav", 1000);
  auto* sound = StartSound(s, "se", "tone.wav");
  for (int i = 0; i < 10; ++i) s.Step(20);  // 200 ms played
  sound->SetBoolProp(PR_PAUSED, true);
  EXPECT_TRUE(sound->Item()->IsPaused());
  for (int i = 0; i < 10; ++i) s.Step(20);
  EXPECT_LT(s.LevelDb(0, 210, 400), -90.0);
  EXPECT_NEAR(sound->GetIntProp(PR_INDEX), 200, 25);
  sound->SetBoolProp(PR_PAUSED, false);
  for (int i = 0; i < 10; ++i) s.Step(20);
  EXPECT_NEAR(s.LevelDb(0, 410, 600), 0.0, 0.5);
  EXPECT_NEAR(sound->GetIntProp(PR_INDEX), 400, 25);
  // The animation pause flag pauses too.
  sound->SetBoolProp(PR_ANIPAUSED, true);
  EXPECT_TRUE(sound->Item()->IsPaused());
}

TEST(SoundComponent, PositionLengthAndPlayingAnswerFromTheItem) {
  MediaScene s;
  s.AddTone("tone.wav", 1500);
  auto* idle = s.Create<TKuzoSound>("idle");
  idle->SetStrProp(PR_SOURCE, "tone.wav");
  // The length of a sound that has not started comes from a temporary item.
  EXPECT_EQ(idle->GetIntProp(PR_COUNT), 1500);
  EXPECT_EQ(s.media->Ogg().Count(), 0u);
  EXPECT_EQ(idle->GetIntProp(PR_INDEX), 0);
  auto* sound = StartSound(s, "se", "tone.wav");
  EXPECT_TRUE(sound->GetBoolProp(PR_PLAYING));
  sound->SetIntProp(PR_INDEX, 1200);
  for (int i = 0; i < 5; ++i) s.Step(20);
  EXPECT_NEAR(sound->GetIntProp(PR_INDEX), 1300, 25);
}

TEST(SoundComponent, FadeInThroughThePlayStateRisesOverTheDelay) {
  MediaScene s;
  s.AddTone("tone.wav", 2000);
  auto* sound = s.Create<TKuzoSound>("bgm");
  sound->SetStrProp(PR_SOURCE, "tone.wav");
  sound->SetIntProp(PR_DELAY, 1000);
  sound->SetPlayState(kMediaFadingIn);
  EXPECT_EQ(sound->GetPlayState(), kMediaFadingIn);
  for (int i = 0; i < 75; ++i) s.Step(20);
  // The first tick (at 20 ms) starts the fade silent; 20 ms later it is at -50 + 1 dB...
  EXPECT_LT(s.LevelDb(0, 20, 40), -90.0);
  EXPECT_NEAR(s.LevelDb(0, 40, 60), -49.0, 0.5);
  // ...halfway it is at -25 dB, and after the delay at full level.
  EXPECT_NEAR(s.LevelDb(0, 520, 540), -25.0, 0.5);
  EXPECT_NEAR(s.LevelDb(0, 1100, 1400), 0.0, 0.5);
  // A fade-in with no delay plays at once at full level.
  auto* quick = s.Create<TKuzoSound>("quick");
  quick->SetStrProp(PR_SOURCE, "tone.wav");
  quick->SetPlayState(kMediaFadingIn);
  EXPECT_EQ(quick->GetPlayState(), kMediaPlaying);
}

TEST(SoundComponent, FadingOutGivesTheNameUpAndEndsTheSound) {
  MediaScene s;
  s.AddTone("tone.wav", 3000);
  auto* old = StartSound(s, "bgm", "tone.wav");
  const ComponentHandle oldHandle = old->Handle();
  old->SetIntProp(PR_DELAY, 500);
  old->SetPlayState(kMediaFadingOut);
  EXPECT_EQ(s.scene.FindComponent("bgm"), nullptr);
  EXPECT_EQ(old->GetName(), std::string("\x01SCRAP_bgm"));
  // A new sound of the same name starts while the old one fades.
  auto* fresh = StartSound(s, "bgm", "tone.wav", 0);
  EXPECT_EQ(s.scene.FindComponent("bgm"), fresh);
  EXPECT_TRUE(s.scene.IsAlive(oldHandle));
  for (int i = 0; i < 30; ++i) s.Step(20);
  EXPECT_FALSE(s.scene.IsAlive(oldHandle));
  EXPECT_EQ(s.media->Ogg().Count(), 1u);
  // The fade covered the upper 50 dB over its delay.
  EXPECT_NEAR(s.LevelDb(0, 270, 290), -25.0, 0.5);
}

TEST(SoundComponent, StoppingHandsTheItemBackAndDeletesTheSound) {
  MediaScene s;
  s.AddTone("tone.wav", 1000);
  auto* sound = StartSound(s, "se", "tone.wav");
  sound->SetPlayState(kMediaStopped);
  EXPECT_TRUE(sound->IsDeleted());
  EXPECT_EQ(s.media->Ogg().Count(), 0u);
}

TEST(SoundComponent, SourcesThatCannotPlay) {
  MediaScene s;
  // A missing file plays nothing; with auto scrap the sound deletes itself.
  auto* missing = StartSound(s, "a", "missing.wav");
  EXPECT_EQ(missing->Item(), nullptr);
  EXPECT_FALSE(missing->IsDeleted());
  auto* scrap = s.Create<TKuzoSound>("b");
  scrap->SetBoolProp(PR_AUTOSCRAP, true);
  scrap->SetStrProp(PR_SOURCE, "missing.wav");
  scrap->SetPlayState(kMediaPlaying);
  EXPECT_TRUE(scrap->IsDeleted());
  // Undecodable data and a kind no manager plays end at once with their play-end event.
  s.files["broken.ogg"] = std::string(3000, '\x5A');
  s.files["song.mp3"] = "ID3";
  auto* broken = StartSound(s, "c", "broken.ogg");
  broken->SetStrProp(PR_ONPLAYEND, "main.kss:end");
  auto* unknown = StartSound(s, "d", "song.mp3");
  unknown->SetStrProp(PR_ONPLAYEND, "main.kss:end");
  s.Step(20);
  s.Step(20);
  EXPECT_EQ(s.EventsOf(broken, EV_PLAYEND), 1);
  EXPECT_EQ(s.EventsOf(unknown, EV_PLAYEND), 1);
  // A CD track without a ripped file plays without a file and ends too.
  auto* cd = StartSound(s, "e", "CD_2");
  cd->SetStrProp(PR_ONPLAYEND, "main.kss:end");
  ASSERT_NE(cd->Item(), nullptr);
  s.Step(20);
  EXPECT_EQ(s.EventsOf(cd, EV_PLAYEND), 1);
}

TEST(SoundComponent, WithoutAMediaSystemASoundIsSilentAndStillEnds) {
  MediaScene s(false);
  auto* sound = StartSound(s, "se", "voice.ogg");
  sound->SetStrProp(PR_ONPLAYEND, "main.kss:end");
  ASSERT_NE(sound->Item(), nullptr);
  s.Step(20);
  s.Step(20);
  EXPECT_EQ(s.EventsOf(sound, EV_PLAYEND), 1);
  // A fade-out without media still ends and removes the sound.
  auto* bgm = StartSound(s, "bgm", "music.ogg");
  bgm->SetBoolProp(PR_REPEAT, true);
  bgm->SetIntProp(PR_DELAY, 100);
  bgm->SetPlayState(kMediaFadingOut);
  const ComponentHandle h = bgm->Handle();
  for (int i = 0; i < 10; ++i) s.Step(20);
  EXPECT_FALSE(s.scene.IsAlive(h));
}

TEST(SoundComponent, PlayRestartsFromTheBeginning) {
  MediaScene s;
  s.AddTone("tone.wav", 400);
  auto* sound = StartSound(s, "se", "tone.wav");
  sound->SetStrProp(PR_ONPLAYEND, "main.kss:end");
  for (int i = 0; i < 25; ++i) s.Step(20);
  EXPECT_EQ(s.EventsOf(sound, EV_PLAYEND), 1);
  s.scene.Events().Clear();
  sound->Play();
  EXPECT_FALSE(sound->Ended());
  for (int i = 0; i < 10; ++i) s.Step(20);
  EXPECT_NEAR(s.LevelDb(0, 510, 690), 0.0, 0.5);
  for (int i = 0; i < 20; ++i) s.Step(20);
  EXPECT_EQ(s.EventsOf(sound, EV_PLAYEND), 1);
}

TEST(SoundComponent, MidiSoundsUseTheFullVolumeRangeAndEndOnTheSequencersClock) {
  using namespace media::testing;
  MediaScene s;
  // One quarter note at 120 beats a minute (division 480): 500 ms.
  s.files["song.mid"] = Smf(480, {Track({Tempo(0, 500000), NoteOn(0, 0, 60), NoteOff(480, 0, 60), End(0)})});
  auto* sound = StartSound(s, "bgm", "song.mid", 500);
  sound->SetStrProp(PR_ONPLAYEND, "main.kss:end");
  ASSERT_NE(sound->Item(), nullptr);
  EXPECT_EQ(s.media->KindOf(sound->Item()), media::SoundKind::kMidi);
  EXPECT_EQ(sound->Item()->GetVolume(), -5000);  // volume x 10 - 10000
  EXPECT_EQ(sound->GetIntProp(PR_COUNT), 500);
  int endedAt = -1;
  for (int i = 0; i < 40 && endedAt < 0; ++i) {
    s.Step(20);
    if (s.EventsOf(sound, EV_PLAYEND) > 0) endedAt = s.host.gameClockMs;
  }
  EXPECT_GE(endedAt, 500);
  EXPECT_LE(endedAt, 540);
}

// Saves a sound and loads the record into a new sound of a fresh scene.
TKuzoSound* RoundTrip(MediaScene& from, TKuzoSound& sound, MediaScene& to) {
  ByteWriter w;
  sound.SaveToStream(w);
  const std::string bytes = w.Take();
  ByteReader r(bytes, "save");
  auto* loaded = to.Create<TKuzoSound>("tmp");
  loaded->LoadFromStream(r, kSaveVersionCurrent);
  EXPECT_TRUE(r.AtEnd());
  return loaded;
}

TEST(SoundRecord, ShortPlayingSoundsComeBackStoppedLongOrRepeatingOnesPlaying) {
  MediaScene s, t;
  for (MediaScene* m : {&s, &t}) {
    m->AddTone("short.wav", 2000);
    m->AddTone("long.wav", 3000);
  }
  auto* shortSound = StartSound(s, "short", "short.wav");
  auto* longSound = StartSound(s, "long", "long.wav");
  auto* looping = StartSound(s, "loop", "short.wav");
  looping->SetBoolProp(PR_REPEAT, true);
  s.Step(20);
  TKuzoSound* a = RoundTrip(s, *shortSound, t);
  EXPECT_EQ(a->GetName(), "short");
  EXPECT_EQ(a->Item(), nullptr);
  EXPECT_EQ(a->GetPlayState(), kMediaStopped);
  TKuzoSound* b = RoundTrip(s, *longSound, t);
  ASSERT_NE(b->Item(), nullptr);
  EXPECT_EQ(b->GetPlayState(), kMediaPlaying);
  EXPECT_TRUE(b->GetBoolProp(PR_PLAYING));
  TKuzoSound* c = RoundTrip(s, *looping, t);
  ASSERT_NE(c->Item(), nullptr);
  EXPECT_TRUE(c->GetBoolProp(PR_REPEAT));
}

TEST(SoundRecord, ShortAutoScrapSoundSavedWhilePlayingGoesAtTheFirstTickAfterTheLoad) {
  MediaScene s, t;
  for (MediaScene* m : {&s, &t}) m->AddTone("click.wav", 300);
  auto* click = s.Create<TKuzoSound>("click");
  click->SetBoolProp(PR_AUTOSCRAP, true);
  click->SetStrProp(PR_SOURCE, "click.wav");
  click->SetPlayState(kMediaPlaying);
  auto* voice = StartSound(s, "voice", "click.wav");
  s.Step(20);
  TKuzoSound* a = RoundTrip(s, *click, t);
  TKuzoSound* b = RoundTrip(s, *voice, t);
  EXPECT_EQ(a->GetPlayState(), kMediaStopped);
  EXPECT_EQ(b->GetPlayState(), kMediaStopped);
  ASSERT_NE(t.scene.FindComponent("click"), nullptr);  // still there until the scene ticks
  t.Step(20);
  EXPECT_EQ(t.scene.FindComponent("click"), nullptr);
  // Without auto scrap the stopped sound stays for the script to delete, as it did before.
  for (int i = 0; i < 5; ++i) t.Step(20);
  EXPECT_NE(t.scene.FindComponent("voice"), nullptr);
  EXPECT_EQ(t.EventsOf(b, EV_PLAYEND), 0);
}

TEST(SoundRecord, RewindMuteAndFieldsSurvive) {
  MediaScene s, t;
  for (MediaScene* m : {&s, &t}) m->AddTone("long.wav", 5000);
  auto* sound = StartSound(s, "bgm", "long.wav", 700);
  sound->SetIntProp(PR_BALANCE, 1234);
  sound->SetIntProp(PR_DELAY, 300);
  sound->SetStrProp(PR_ONPLAYEND, "main.kss:end");
  sound->SetBoolProp(PR_REWINDONLOAD, false);
  sound->SetIntProp(PR_INDEX, 1000);
  TKuzoSound* kept = RoundTrip(s, *sound, t);
  EXPECT_EQ(kept->GetIntProp(PR_VOLUME), 700);
  EXPECT_EQ(kept->GetIntProp(PR_BALANCE), 1234);
  EXPECT_EQ(kept->GetIntProp(PR_DELAY), 300);
  EXPECT_EQ(kept->GetStrProp(PR_ONPLAYEND), "main.kss:end");
  ASSERT_NE(kept->Item(), nullptr);
  EXPECT_NEAR(kept->GetIntProp(PR_INDEX), 1000, 25);
  EXPECT_EQ(kept->Item()->GetVolume(), EffectiveVolume(700, false));  // restored without a fade
  sound->SetBoolProp(PR_REWINDONLOAD, true);
  sound->SetBoolProp(PR_MUTEONLOAD, true);
  TKuzoSound* muted = RoundTrip(s, *sound, t);
  EXPECT_EQ(muted->GetIntProp(PR_VOLUME), 0);
  EXPECT_EQ(muted->GetIntProp(PR_INDEX), 0);
}

TEST(SoundRecord, OlderVersionsAndTruncatedRecords) {
  MediaScene s, t;
  for (MediaScene* m : {&s, &t}) m->AddTone("long.wav", 5000);
  auto* sound = StartSound(s, "bgm", "long.wav");
  ByteWriter w;
  sound->SaveToStream(w);
  std::string bytes = w.Take();
  // Version 107 has neither the rewind nor the mute byte, and the common part has no tag.
  {
    const size_t tagAt = 4 + 3 + 4 + 4;  // name "bgm", priority, priority offset
    const std::string older = bytes.substr(0, tagAt) + bytes.substr(tagAt + 4, bytes.size() - 2 - tagAt - 4);
    ByteReader r(older, "save");
    auto* loaded = t.Create<TKuzoSound>("x");
    loaded->LoadFromStream(r, 107);
    EXPECT_TRUE(r.AtEnd());
    EXPECT_FALSE(loaded->GetBoolProp(PR_MUTEONLOAD));
  }
  const std::string cut = bytes.substr(0, bytes.size() - 9);
  ByteReader r(cut, "save");
  auto* broken = t.Create<TKuzoSound>("y");
  EXPECT_THROW(broken->LoadFromStream(r, kSaveVersionCurrent), FormatError);
}

}  // namespace
}  // namespace kuzo
