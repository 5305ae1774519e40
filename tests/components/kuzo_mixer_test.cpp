// The volume scale of sound components and the fade arithmetic: the half-range rule of ordinary
// items, the full range of MIDI items, the unsigned end test and when each fade reports its end.
#include "components/kuzo_mixer.h"

#include <gtest/gtest.h>

#include "components/silent_media_item.h"

namespace kuzo {
namespace {

// Records what the fade does to its item.
class RecordingItem : public SilentMediaItem {
 public:
  void SetVolume(int32_t v) override {
    SilentMediaItem::SetVolume(v);
    ++volumeCalls;
  }
  void Play() override { ++plays; }
  int volumeCalls = 0;
  int plays = 0;
};

TEST(EffectiveVolume, ScaleOfOrdinaryAndMidiItems) {
  EXPECT_EQ(EffectiveVolume(0, false), -10000);
  EXPECT_EQ(EffectiveVolume(-5, false), -10000);
  EXPECT_EQ(EffectiveVolume(1, false), -4995);
  EXPECT_EQ(EffectiveVolume(500, false), -2500);
  EXPECT_EQ(EffectiveVolume(1000, false), 0);
  EXPECT_EQ(EffectiveVolume(1500, false), 0);
  EXPECT_EQ(EffectiveVolume(500, true), -5000);
  EXPECT_EQ(EffectiveVolume(0, true), -10000);
  EXPECT_EQ(EffectiveVolume(1000, true), 0);
}

TEST(MixerFade, FadeInOfAWaveSoundStartsAtTheMiddleAndReachesItsTarget) {
  RecordingItem item;
  TKuzoMixerFadein fade(&item, false, 0, 1000);
  EXPECT_FALSE(fade.Step(5000));  // starting: silent, playing
  EXPECT_EQ(item.GetVolume(), -10000);
  EXPECT_EQ(item.plays, 1);
  EXPECT_FALSE(fade.Step(5000));
  EXPECT_EQ(item.GetVolume(), -5000);
  EXPECT_FALSE(fade.Step(5500));
  EXPECT_EQ(item.GetVolume(), -2500);
  EXPECT_FALSE(fade.Step(5999));
  EXPECT_EQ(item.GetVolume(), -5);
  EXPECT_TRUE(fade.Step(6000));
  EXPECT_EQ(item.GetVolume(), 0);
}

TEST(MixerFade, FadeOutCoversTheUpperHalfAndEndsWithoutTouchingTheVolume) {
  RecordingItem item;
  item.SetVolume(0);
  TKuzoMixerFadeout fade(&item, false, 1000);
  EXPECT_FALSE(fade.Step(100));
  EXPECT_EQ(fade.Target(), -10000);
  EXPECT_FALSE(fade.Step(600));
  EXPECT_EQ(item.GetVolume(), -2500);
  EXPECT_FALSE(fade.Step(1099));
  EXPECT_EQ(item.GetVolume(), -4995);
  const int calls = item.volumeCalls;
  EXPECT_TRUE(fade.Step(1100));
  EXPECT_EQ(item.volumeCalls, calls);
}

TEST(MixerFade, MidiItemsFadeOverTheWholeRange) {
  RecordingItem item;
  TKuzoMixerFadein in(&item, true, 0, 1000);
  in.Step(0);
  in.Step(500);
  EXPECT_EQ(item.GetVolume(), -5000);
  item.SetVolume(-2000);
  TKuzoMixerFadeout out(&item, true, 1000);
  out.Step(0);
  out.Step(250);
  EXPECT_EQ(item.GetVolume(), -4000);  // -2000 + 250 * -8000 / 1000
}

TEST(MixerFade, FallingTargetOfAFadeInAndAClockThatWentBack) {
  RecordingItem item;
  TKuzoMixerFadein fade(&item, false, -4000, 1000);
  fade.Step(1000);
  // Rising from -10000 to -4000: half the distance is 3000, starting from -7000.
  fade.Step(1000);
  EXPECT_EQ(item.GetVolume(), -7000);
  // A clock before the start counts as the end (the elapsed time compares unsigned).
  EXPECT_TRUE(fade.Step(900));
  EXPECT_EQ(item.GetVolume(), -4000);
  EXPECT_EQ(fade.LevelAt(-1), -4000);
}

TEST(MixerFade, LongFadesDoNotOverflow) {
  RecordingItem item;
  TKuzoMixerFadein fade(&item, true, 0, 600000);
  fade.Step(0);
  fade.Step(300000);
  EXPECT_EQ(item.GetVolume(), -5000);
}

}  // namespace
}  // namespace kuzo
