// Sound, timer and movie commands run by the interpreter on a scene without a media system (the
// components play silent items): creation and its play state, media play, the play-end handler,
// movie stop at once and with a fade it may wait for, and timers created by a command.
#include <gtest/gtest.h>

#include "components/kuzo_sound.h"
#include "components/kuzo_timer.h"
#include "scene/kuzo_base_list.h"
#include "script/scene_component_host.h"
#include "script_fixture.h"

namespace kuzo::testing {
namespace {

class MediaCommands : public ScriptTest {
 protected:
  MediaCommands() {
    scene.RegisterKind<TKuzoSound>();
    scene.RegisterKind<TKuzoTimer>();
    files.files["bgm.ogg"] = "sound data";
    files.files["se.wav"] = "sound data";
  }
  void Begin(const std::string& source) {
    Build({{"main.kss", source}});
    ScriptServices s = Services();
    s.components = &componentHost;
    s.events = &scene.Events();
    cm = std::make_unique<TCallMan>(s);
    sysHost.Bind(cm.get(), nullptr);
    cm->Start("main.ksb");
  }
  void Ticks(int n) {
    for (int i = 0; i < n && (cm->page || cm->StackDepth() > 0); ++i) {
      host.gameClockMs += host.frameDeltaMs;
      scene.ProcessInput();
      cm->Step();
      scene.Tick();
    }
  }
  TKuzoSound* Sound(const std::string& name) { return dynamic_cast<TKuzoSound*>(scene.FindComponent(name)); }

  TKuzoBaseList scene{&host, 320, 240};
  SceneComponentHost componentHost{scene};
};

TEST_F(MediaCommands, CreationStartsTheSoundWithOrWithoutAFade) {
  Begin(
      "sound name = \"a\", source = \"bgm.ogg\", repeat = TRUE\n"
      "sound name = \"b\", source = \"bgm.ogg\", repeat = TRUE, delay = 500\n"
      "wait while TRUE\n");
  Ticks(2);
  ASSERT_NE(Sound("a"), nullptr);
  ASSERT_NE(Sound("b"), nullptr);
  EXPECT_EQ(Sound("a")->GetPlayState(), kMediaPlaying);
  EXPECT_EQ(Sound("b")->GetPlayState(), kMediaFadingIn);
  EXPECT_NE(Sound("a")->Item(), nullptr);
  EXPECT_EQ(Sound("a")->GetIntProp(PR_VOLUME), 1000);  // an unset volume plays at full level
}

TEST_F(MediaCommands, PlayEndRunsItsHandlerOnceAndMediaPlayStartsAgain) {
  Begin(
      "var int ends = 0\n"
      "sound name = \"se\", source = \"se.wav\", onplayend = \"main.kss:ended\"\n"
      "wait 200\n"
      "mediaplay \"se\"\n"
      "wait 200\n"
      "exit\n"
      "label ended\n"
      "ends = ends + 1\n");
  Ticks(60);
  EXPECT_EQ(Var("ends"), "2");
}

TEST_F(MediaCommands, MovieStopWithoutFadeRemovesAtOnceAndDoesNotWait) {
  Begin(
      "var int before = -1\n"
      "var int after = -1\n"
      "sound name = \"bgm\", source = \"bgm.ogg\", repeat = TRUE\n"
      "before = @TickCount\n"
      "moviestop \"bgm\" wait TRUE\n"
      "after = @TickCount\n"
      "wait while TRUE\n");
  Ticks(3);
  EXPECT_EQ(scene.FindComponent("bgm"), nullptr);
  EXPECT_NE(Var("before"), "-1");
  EXPECT_EQ(Var("after"), Var("before"));  // the same tick: the interpreter ran on
}

TEST_F(MediaCommands, MovieStopWithAFadeWaitsUntilTheSoundIsGone) {
  Begin(
      "var int before = 0\n"
      "var int after = 0\n"
      "sound name = \"bgm\", source = \"bgm.ogg\", repeat = TRUE\n"
      "before = @TickCount\n"
      "moviestop \"bgm\" fade 300 wait TRUE\n"
      "after = @TickCount\n"
      "wait while TRUE\n");
  Ticks(5);
  // The fading sound gave its name up at once.
  EXPECT_EQ(scene.FindComponent("bgm"), nullptr);
  EXPECT_EQ(Var("after"), "0");
  Ticks(30);
  const int before = std::stoi(Var("before"));
  const int after = std::stoi(Var("after"));
  EXPECT_GE(after - before, 300);
  EXPECT_LE(after - before, 300 + 3 * 16);
}

TEST_F(MediaCommands, AWaitingMovieStopKeepsWaitingAfterItsStateIsSavedAndRestored) {
  Begin(
      "var int after = 0\n"
      "sound name = \"bgm\", source = \"bgm.ogg\", repeat = TRUE\n"
      "moviestop \"bgm\" fade 300 wait TRUE block TRUE\n"
      "after = @TickCount\n"
      "wait while TRUE\n");
  Ticks(3);
  ByteWriter w;
  cm->SaveState(w);
  ScriptServices services = Services();
  services.components = &componentHost;
  services.events = &scene.Events();
  auto restored = std::make_unique<TCallMan>(services);
  ByteReader r(w.Str(), "state");
  restored->LoadState(r, 134);
  EXPECT_TRUE(r.AtEnd());
  cm = std::move(restored);
  sysHost.Bind(cm.get(), nullptr);
  Ticks(5);
  EXPECT_EQ(Var("after"), "0");  // still waiting for the fading sound
  Ticks(30);
  EXPECT_GE(std::stoi(Var("after")), 300);
}

TEST_F(MediaCommands, MovieStopLeavesWhatCannotFade) {
  // A missing file, or a sound that is not playing, is not faded and nothing is waited for.
  Begin(
      "var int done = 0\n"
      "sound name = \"ghost\", source = \"missing.ogg\"\n"
      "moviestop \"ghost\" fade 500 wait TRUE\n"
      "sound name = \"idle\", source = \"se.wav\"\n"
      "setprop \"idle\", PR_SOURCE, \"se.wav\"\n"
      "moviestop \"idle\" fade 500 wait TRUE\n"
      "moviestop \"nobody\" fade 500 wait TRUE\n"
      "done = 1\n"
      "wait while TRUE\n");
  Ticks(2);
  EXPECT_EQ(Var("done"), "1");
  ASSERT_NE(Sound("idle"), nullptr);
  EXPECT_EQ(Sound("idle")->GetPlayState(), kMediaStopped);
}

TEST_F(MediaCommands, TimerCommandQueuesItsEventEveryInterval) {
  host.frameDeltaMs = 10;
  Begin(
      "var int count = 0\n"
      "timer name = \"t\", delay = 100, onnotify = \"main.kss:tick\"\n"
      "wait 1000\n"
      "exit\n"
      "label tick\n"
      "count = count + 1\n");
  Ticks(60);
  EXPECT_EQ(Var("count"), "5");
}

}  // namespace
}  // namespace kuzo::testing
