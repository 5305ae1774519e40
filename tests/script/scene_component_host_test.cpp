// Component commands run by the interpreter on a real scene: creation with property expressions,
// the creation order, get and set, removal, flips with and without a transition, cabinets, and the
// text commands on message windows.
#include "script/scene_component_host.h"

#include <algorithm>

#include "components/history_store.h"
#include "components/kuzo_mes.h"
#include "scene/kuzo_base_list.h"
#include "script_fixture.h"

namespace kuzo::testing {
namespace {

class PlainControl : public TKuzoControl {
 public:
  explicit PlainControl(int32_t kind) : kind_(kind) {}
  int32_t KindCode() const override { return kind_; }
  int32_t GetIntProp(PropId id) const override { return id == PR_ALPHA ? alpha : TKuzoControl::GetIntProp(id); }
  void SetIntProp(PropId id, int32_t v) override {
    applied.push_back(id);
    if (id == PR_ALPHA) {
      alpha = v;
      return;
    }
    TKuzoControl::SetIntProp(id, v);
  }
  int32_t alpha = 255;
  std::vector<int> applied;  // integer property ids in the order they were set

 private:
  int32_t kind_;
};

// A transition that runs for the requested time and records what the scene asked of it.
class TimedTransition : public SceneTransition {
 public:
  bool Begin(const TransitionRequest& request, TKuzoBase& from, TKuzoBase& to) override {
    requests.push_back(request);
    fromIndex = from.Index();
    toIndex = to.Index();
    left = request.durationMs;
    return request.kind != kRefusedKind;
  }
  bool Advance(int32_t elapsedMs) override {
    left -= elapsedMs;
    return left > 0;
  }
  void Draw(TCustomDIBX&) override {}
  void End() override { ++ended; }

  static constexpr int32_t kRefusedKind = 7;
  std::vector<TransitionRequest> requests;
  int fromIndex = -1, toIndex = -1;
  int32_t left = 0;
  int ended = 0;
};

class SceneCommands : public ScriptTest {
 protected:
  SceneCommands() {
    for (int32_t kind : {LT_BOX, LT_PARTICLE})
      scene.RegisterKind(kind, [kind] { return std::make_unique<PlainControl>(kind); });
    scene.RegisterKind<TKuzoMes>();
  }
  void RunScene(const std::string& source, int ticks = 20) {
    Build({{"main.kss", source}});
    ScriptServices s = Services();
    s.components = &componentHost;
    s.events = &scene.Events();
    s.game = &game;
    cm = std::make_unique<TCallMan>(s);
    sysHost.Bind(cm.get(), nullptr);
    cm->Start("main.ksb");
    for (int i = 0; i < ticks && (cm->page || cm->StackDepth() > 0); ++i) {
      host.gameClockMs += host.frameDeltaMs;
      scene.ProcessInput();
      cm->Step();
      scene.Tick();
    }
  }
  TKuzoControl* Control(const std::string& name) {
    TKuzoObject* o = scene.FindComponent(name);
    return o && o->IsControl() ? static_cast<TKuzoControl*>(o) : nullptr;
  }

  // The game operations the history commands reach.
  struct HistoryGame : GameCommandHost {
    TKuzoNewHistory history;
    TKuzoNewHistory* History() override { return &history; }
    void ClearHistory() override { history.Clear(); }
  };

  TKuzoBaseList scene{&host, 320, 240};
  SceneComponentHost componentHost{scene};
  HistoryGame game;
};

TEST_F(SceneCommands, CreationAppliesPropertiesAndParent) {
  RunScene(
      "box name = \"p\", left = 10, top = 20, width = 100, height = 50, color = 255\n"
      "box name = \"c\", parent = \"p\", left = 3, top = 4, width = 5, height = 6\n"
      "box name = \"lost\", parent = \"nobody\"\n");
  TKuzoControl* p = Control("p");
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->GetScreenRect(), (TRect{10, 20, 110, 70}));
  EXPECT_EQ(p->Color(), 255);
  EXPECT_EQ(p->Parent(), scene.ActiveBase());
  ASSERT_NE(Control("c"), nullptr);
  EXPECT_EQ(Control("c")->Parent(), p);
  EXPECT_EQ(Control("c")->GetAbsLeft(), 13);
  EXPECT_EQ(Control("lost")->Parent(), scene.ActiveBase());
}

TEST_F(SceneCommands, ARecordWithoutAParentExpressionLeavesTheControlWithoutAParent) {
  // No box line of the page names a parent: the records hold no parent expression.
  RunScene(
      "box name = \"orphan\", left = 1\n"
      "var flag vis = TRUE\n"
      "getprop \"orphan\", PR_VISIBLE into vis\n"
      "setprop \"orphan\", PR_PARENT, \"\"\n"
      "var flag vis2 = FALSE\n"
      "getprop \"orphan\", PR_VISIBLE into vis2\n");
  EXPECT_EQ(Var("vis"), "FALSE");
  EXPECT_EQ(Var("vis2"), "TRUE");
  EXPECT_EQ(Control("orphan")->Parent(), scene.ActiveBase());
  RunScene("box name = \"still\"\n");
  EXPECT_EQ(Control("still")->Parent(), nullptr);
  EXPECT_EQ(scene.ActiveBase()->GetChildCount(), 1);
}

TEST_F(SceneCommands, AKindThisBuildLacksIsNamedOnceInTheLog) {
  std::vector<std::string> lines;
  host.log = [&](const std::string& line) { lines.push_back(line); };
  RunScene("sound name = \"s1\"\nsound name = \"s2\"\nvar int after = 1\n");
  EXPECT_EQ(Var("after"), "1");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("LT_SOUND"), std::string::npos) << lines[0];
}

TEST_F(SceneCommands, SiblingOrderFollowsTheNameGivenAtCreation) {
  // Equal priorities draw in name order: "b" is created first but "a" must end below it; the
  // name is given before the control joins its parent, so no generated name decides the place.
  RunScene("box name = \"b\"\nbox name = \"a\", parent = \"\"\n");
  const auto& kids = scene.ActiveBase()->Children();
  ASSERT_EQ(kids.size(), 2u);
  EXPECT_EQ(kids[0]->GetName(), "a");
  EXPECT_EQ(kids[1]->GetName(), "b");
}

TEST_F(SceneCommands, AControlNamedAsItsOwnParentLandsOnTheActiveBase) {
  RunScene("box name = \"x\", parent = \"x\"\n");
  ASSERT_NE(Control("x"), nullptr);
  EXPECT_EQ(Control("x")->Parent(), scene.ActiveBase());
}

TEST_F(SceneCommands, AnEmptyNameExpressionLeavesNoGhost) {
  RunScene("box name = \"\", left = 1\nbox name = \"kept\", parent = \"\"\n");
  EXPECT_EQ(scene.GetObjectCount(), 1);
  EXPECT_NE(Control("kept"), nullptr);
  EXPECT_EQ(scene.ActiveBase()->GetChildCount(), 1);
}

TEST_F(SceneCommands, SizeBeforePositionAndPlusAfterOffset) {
  RunScene("box name = \"b\", plusx = 1, offsety = 2, left = 3, top = 4, width = 5, alpha = 6, color = 7\n");
  auto* b = dynamic_cast<PlainControl*>(Control("b"));
  ASSERT_NE(b, nullptr);
  const std::vector<int> expected = {PR_WIDTH, PR_LEFT, PR_TOP, PR_COLOR, PR_ALPHA, PR_OFFSETY, PR_PLUSX};
  EXPECT_EQ(b->applied, expected);
}

TEST_F(SceneCommands, RaisingAppearPropertiesDoNotStopTheOthers) {
  RunScene("particle name = \"fx\", appearx = 5, appeary = 6, left = 7, alpha = 99\n");
  TKuzoControl* fx = Control("fx");
  ASSERT_NE(fx, nullptr);
  EXPECT_EQ(fx->Left(), 7);
  EXPECT_EQ(fx->GetIntProp(PR_ALPHA), 99);
}

TEST_F(SceneCommands, GetAndSetProperties) {
  RunScene(
      "box name = \"b\", parent = \"\", width = 30\n"
      "var int w = 0\n"
      "var str parent = \"\"\n"
      "var flag vis = FALSE\n"
      "getprop \"b\", PR_WIDTH into w\n"
      "getprop \"b\", PR_PARENT into parent\n"
      "getprop \"b\", PR_VISIBLE into vis\n"
      "setprop \"b\", PR_LEFT, 2.9\n"
      "setprop \"b\", PR_TOP, \"17\"\n"
      "setprop \"nobody\", PR_LEFT, 5\n"
      "var int after = 1\n");
  EXPECT_EQ(Var("w"), "30");
  EXPECT_EQ(Var("parent"), std::string("\x01" "BASE0"));
  EXPECT_EQ(Var("vis"), "TRUE");
  EXPECT_EQ(Control("b")->Left(), 2);
  EXPECT_EQ(Control("b")->Top(), 17);
  EXPECT_EQ(Var("after"), "1");
}

TEST_F(SceneCommands, BadPropertyIdsRaiseAndTheScriptGoesOn) {
  RunScene(
      "box name = \"b\"\n"
      "var int v = 5\n"
      "getprop \"b\", 200 into v\n"
      "setprop \"b\", nosuchvar, 3\n"
      "var int after = 1\n");
  EXPECT_EQ(Var("v"), "5");
  EXPECT_EQ(Var("after"), "1");
}

TEST_F(SceneCommands, DeleteRemovesAtTheEndOfTheTick) {
  RunScene("box name = \"b\"\ndelete \"b\"\ndelete \"\"\n");
  EXPECT_EQ(scene.FindComponent("b"), nullptr);
  EXPECT_EQ(scene.GetObjectCount(), 0);
  EXPECT_EQ(scene.ActiveBase()->GetName(), std::string("\x01" "BASE0"));  // "" is the base: kept
}

TEST_F(SceneCommands, FlipMovesUnlistedChildrenAndSwapsTheBases) {
  RunScene(
      "box name = \"keep\", parent = \"\"\n"
      "box name = \"go1\"\n"
      "box name = \"go2\"\n"
      "flip mode 0 time 0 names \"keep\"\n");
  EXPECT_EQ(scene.ActiveIndex(), 1);
  EXPECT_EQ(Control("go1")->Parent(), scene.GetBaseAt(1));
  EXPECT_EQ(Control("go2")->Parent(), scene.GetBaseAt(1));
  EXPECT_EQ(Control("keep")->Parent(), scene.GetBaseAt(0));
}

TEST_F(SceneCommands, FlipWithClearRemovesWhatStayedBehind) {
  RunScene(
      "box name = \"old\", parent = \"\"\n"
      "box name = \"new\"\n"
      "flip mode 1 names \"new\" clear TRUE\n");
  EXPECT_EQ(scene.ActiveIndex(), 1);
  EXPECT_NE(Control("new"), nullptr);
  EXPECT_EQ(scene.FindComponent("old"), nullptr);
}

TEST_F(SceneCommands, FlipWaitsForTheScenesTransitionOverTheFollowingTicks) {
  TimedTransition transition;
  scene.SetTransition(&transition);
  host.frameDeltaMs = 10;
  Build({{"main.kss",
          "box name = \"old\", parent = \"\"\n"
          "flip type 3 time 50 flag TRUE mode 1 names \"\" clear TRUE\n"
          "var int after = 1\n"}});
  ScriptServices s = Services();
  s.components = &componentHost;
  s.events = &scene.Events();
  cm = std::make_unique<TCallMan>(s);
  sysHost.Bind(cm.get(), nullptr);
  cm->Start("main.ksb");
  int ticksWhileRunning = 0;
  for (int i = 0; i < 40 && (cm->page || cm->StackDepth() > 0); ++i) {
    host.gameClockMs += host.frameDeltaMs;
    scene.ProcessInput();
    cm->Step();
    if (scene.TransitionRunning()) {
      ++ticksWhileRunning;
      // The old base keeps its children until the transition has ended.
      EXPECT_NE(scene.FindComponent("old"), nullptr);
      EXPECT_FALSE(Has("after"));
    }
    scene.Tick();
  }
  ASSERT_EQ(transition.requests.size(), 1u);
  EXPECT_EQ(transition.requests[0].kind, 3);
  EXPECT_TRUE(transition.requests[0].flag);
  EXPECT_EQ(transition.requests[0].durationMs, 50);
  EXPECT_EQ(transition.fromIndex, 0);
  EXPECT_EQ(transition.toIndex, 1);
  EXPECT_EQ(ticksWhileRunning, 5);  // 50 ms at 10 ms per tick
  EXPECT_EQ(transition.ended, 1);
  EXPECT_FALSE(scene.TransitionRunning());
  EXPECT_EQ(scene.ActiveIndex(), 1);
  EXPECT_EQ(scene.FindComponent("old"), nullptr);
  EXPECT_EQ(Var("after"), "1");
}

TEST_F(SceneCommands, FlipHandsItsParametersAndRuleNameToTheTransition) {
  TimedTransition transition;
  scene.SetTransition(&transition);
  RunScene("var int p = 40\n"
           "flip type 19 time 30 mode 0 param0 p + 2 param1 -3 text \"rule\" ++ \".png\"\n"
           "flip type 19 time 30 mode 0\n",
           20);
  ASSERT_EQ(transition.requests.size(), 2u);
  EXPECT_EQ(transition.requests[0].param0, std::optional<int32_t>(42));
  EXPECT_EQ(transition.requests[0].param1, std::optional<int32_t>(-3));  // the transition clamps it
  EXPECT_EQ(transition.requests[0].text, std::optional<std::string>("rule.png"));
  // A record without them leaves the kind's defaults.
  EXPECT_FALSE(transition.requests[1].param0.has_value());
  EXPECT_FALSE(transition.requests[1].param1.has_value());
  EXPECT_FALSE(transition.requests[1].text.has_value());
}

// A game saved while a flip waits on its transition: the flip moved "moved" to base 1 and is to
// clear what stayed on base 0. The saved scene shows base 0 as before the flip; restoring it and
// the flip's state, the flip switches at once, clears the old screen and the script goes on.
class SavedFlip : public SceneCommands {
 protected:
  // Runs `ticks` ticks of 10 ms (the transition takes 50 ms: it runs in ticks 1 to 5), saves the
  // scene and the flip's state, resets the scene, restores both and runs ten ticks more.
  void SaveAndRestoreAfter(int ticks) {
    scene.SetTransition(&transition);
    host.frameDeltaMs = 10;
    Build({{"main.kss",
            "box name = \"keep\", parent = \"\"\n"
            "box name = \"moved\", parent = \"\"\n"
            "flip type 3 time 50 mode 0 names \"keep\" clear TRUE\n"
            "var int after = 1\n"}});
    ScriptServices s = Services();
    s.components = &componentHost;
    s.events = &scene.Events();
    cm = std::make_unique<TCallMan>(s);
    sysHost.Bind(cm.get(), nullptr);
    cm->Start("main.ksb");
    for (int i = 0; i < ticks; ++i) Tick();
    ASSERT_EQ(cm->pc, 2) << "the flip is waiting";
    ASSERT_EQ(scene.ActiveIndex(), 1);  // switched when the transition began
    ByteWriter w;
    scene.SaveToStream(w);
    record = w.Take();
    ByteWriter state;
    cm->page->At(2).SaveState(state);

    scene.Reset();
    ByteReader r(record, "save.dat");
    scene.LoadFromStream(r, kSaveVersionCurrent);
    restoredActive = scene.ActiveIndex();
    const std::string stateBytes = state.Take();
    ByteReader sr(stateBytes, "save.dat: flip");
    cm->page->At(2).LoadState(sr);
    for (int i = 0; i < 10 && !Has("after"); ++i) Tick();
  }
  void Tick() {
    host.gameClockMs += host.frameDeltaMs;
    scene.ProcessInput();
    cm->Step();
    scene.Tick();
  }
  void ExpectTheFlipFinished() {
    EXPECT_EQ(restoredActive, 0) << "the save shows the screen before the flip";
    EXPECT_EQ(Var("after"), "1");
    EXPECT_EQ(scene.ActiveIndex(), 1);
    EXPECT_FALSE(scene.TransitionRunning());
    TKuzoControl* moved = Control("moved");
    ASSERT_NE(moved, nullptr);
    EXPECT_EQ(moved->GetBase(), scene.GetBaseAt(1));
    EXPECT_EQ(scene.FindComponent("keep"), nullptr);  // cleared with the old screen
    EXPECT_EQ(transition.requests.size(), 1u) << "the restored flip plays no transition";
  }

  TimedTransition transition;
  std::string record;
  int restoredActive = -1;
};

TEST_F(SavedFlip, WhileTheTransitionRuns) {
  SaveAndRestoreAfter(3);
  ExpectTheFlipFinished();
}

TEST_F(SavedFlip, InTheTickTheTransitionEnded) {
  SaveAndRestoreAfter(5);  // the transition has ended; the flip goes on in the next tick
  EXPECT_FALSE(transition.requests.empty());
  ExpectTheFlipFinished();
}

TEST_F(SavedFlip, AfterTheFlipWentOnTheSaveShowsTheNewScreen) {
  SaveAndRestoreAfter(3);
  ByteWriter w;
  scene.SaveToStream(w);
  const std::string after = w.Take();
  ByteReader r(after, "save.dat");
  r.I32("width");
  r.I32("height");
  EXPECT_EQ(r.I32("active base"), 1);
}

TEST_F(SceneCommands, FlipOfKindZeroOrARefusedKindSwitchesAtOnce) {
  TimedTransition transition;
  scene.SetTransition(&transition);
  RunScene("flip type 0 time 500 mode 0\nvar int first = 1\nflip type 7 time 500 mode 0\nvar int second = 1\n", 8);
  EXPECT_EQ(Var("second"), "1");
  EXPECT_EQ(scene.ActiveIndex(), 0);
  ASSERT_EQ(transition.requests.size(), 1u);  // kind 0 never reaches the transition
  EXPECT_EQ(transition.requests[0].kind, TimedTransition::kRefusedKind);
  EXPECT_FALSE(scene.TransitionRunning());
}

TEST_F(SceneCommands, CabinetsStoreAndRestoreComponentsOfTheInactiveBase) {
  RunScene(
      "box name = \"a\", parent = \"\x01\"\n"
      "box name = \"b\", parent = \"\x01\"\n"
      "cabinetsave name = \"cab\" names \"a\"\n"
      "var flag visible = TRUE\n"
      "getprop \"a\", PR_VISIBLE into visible\n");
  TKuzoControl* cab = Control("cab");
  ASSERT_NE(cab, nullptr);
  EXPECT_TRUE(cab->IsCabinet());
  EXPECT_EQ(Control("a")->Parent(), cab);
  EXPECT_EQ(Control("b")->Parent(), scene.InactiveBase());
  EXPECT_EQ(Var("visible"), "FALSE");
  RunScene("cabinetload name = \"cab\" names \"a\"\n");
  EXPECT_EQ(Control("a")->Parent(), scene.InactiveBase());
  EXPECT_EQ(scene.FindComponent("cab"), nullptr);  // emptied cabinets are removed
}


// "<WAIT VALUE=32>AB<BR>CD</WAIT>" as a stored glyph list.
constexpr const char* kTextGlyphs =
    "4E6B576F72643131300100000004000000FFFFFFFFFFFFFFFF000000000000FFFFFFFF0000000000000000FFFFFFFFFFFFFFFF05000000"
    "0100000000200000004100000000000100000000200000004200000000000300010000000020000000430000000000010000000020000000"
    "440000000000";

std::string TextScript(const std::string& flags) {
  return std::string("message name = \"mes\", width = 100, height = 40, onplaystart = \"main.kss:ps\"\n") +
         "text \"mes\" " + flags + " glyphs " + kTextGlyphs + "\n"
         "var int after = 1\n"
         "wait 100000\n"
         "exit\n"
         "label ps\n"
         "var int started = 1\n"
         "exit\n";
}

class TextCommands : public SceneCommands {
 protected:
  void Start(const std::string& source) {
    Build({{"main.kss", source}});
    ScriptServices s = Services();
    s.components = &componentHost;
    s.events = &scene.Events();
    cm = std::make_unique<TCallMan>(s);
    sysHost.Bind(cm.get(), nullptr);
    cm->Start("main.ksb");
  }
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) {
      host.gameClockMs += host.frameDeltaMs;
      scene.ProcessInput();
      cm->Step();
      scene.Tick();
    }
  }
  TKuzoMes* Mes() { return dynamic_cast<TKuzoMes*>(scene.FindComponent("mes")); }
};

TEST_F(TextCommands, WaitingTextRunsEventsAndGoesOnOnceTheWindowIsEmptied) {
  Start(TextScript("wait TRUE keepread FALSE"));
  Ticks(5);
  ASSERT_NE(Mes(), nullptr);
  EXPECT_EQ(Mes()->GetCount(), 1);
  EXPECT_EQ(Mes()->GetIndex(), 0);
  EXPECT_EQ(Mes()->SourceFile(), "");  // no keep-read: nothing tracked
  EXPECT_TRUE(Has("started")) << "a waiting text command lets events run";
  EXPECT_FALSE(Has("after"));
  Mes()->ClearText();
  Ticks(1);
  EXPECT_EQ(Var("after"), "1");
}

TEST_F(TextCommands, BlockingTextHoldsEventsUntilItEnds) {
  Start(TextScript("wait TRUE block TRUE"));
  Ticks(5);
  EXPECT_FALSE(Has("started"));
  EXPECT_FALSE(Has("after"));
  Mes()->ClearText();
  Ticks(2);
  EXPECT_EQ(Var("after"), "1");
  EXPECT_TRUE(Has("started"));
}

TEST_F(TextCommands, WithoutWaitTheScriptGoesOnAndKeepReadNamesTheSource) {
  Start(TextScript("keepread TRUE wait FALSE"));
  Ticks(2);
  EXPECT_EQ(Var("after"), "1");
  ASSERT_NE(Mes(), nullptr);
  EXPECT_EQ(Mes()->ReadMarkMode(), 1);
  EXPECT_EQ(Mes()->SourceIndex(), 1);
  EXPECT_FALSE(Mes()->SourceFile().empty());
}

TEST_F(TextCommands, TextClearEmptiesTheWindowAndUnknownWindowsAreIgnored) {
  // The window is filled, a waiting text for a window that does not exist goes on at once, and the
  // text clear empties the filled window.
  Start(std::string("message name = \"mes\", width = 100, height = 40\n") + "text \"mes\" wait FALSE glyphs " + kTextGlyphs +
        "\ntext \"nobody\" wait TRUE glyphs " + kTextGlyphs + "\nvar int passed = 1\nvar int cleared = 0\n" +
        "wait while cleared == 0\ntextclear \"mes\"\nvar int end = 1\n");
  Ticks(6);
  EXPECT_EQ(Var("passed"), "1");
  ASSERT_NE(Mes(), nullptr);
  EXPECT_EQ(Mes()->GetCount(), 1);
  vars.Find("cleared")->Param()->SetInteger(1);
  Ticks(3);
  EXPECT_EQ(Var("end"), "1");
  EXPECT_EQ(Mes()->GetCount(), 0);
  EXPECT_EQ(Mes()->GetIndex(), -1);
}

TEST_F(TextCommands, FontVariablesListInstalledFamiliesFixedOnesAmongThem) {
  RunScene("var str all = @Fonts\nvar str fixed = @FixedFonts\n", 2);
  auto lines = [](const std::string& text) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find("\r\n", start);
      if (end == std::string::npos) end = text.size();
      out.push_back(text.substr(start, end - start));
      start = end + 2;
    }
    return out;
  };
  const std::vector<std::string> all = lines(Var("all"));
  const std::vector<std::string> fixed = lines(Var("fixed"));
  ASSERT_FALSE(all.empty()) << "the Japanese fonts the build installs are listed";
  EXPECT_LE(fixed.size(), all.size());
  for (const std::string& f : fixed) EXPECT_NE(std::find(all.begin(), all.end(), f), all.end()) << f;
  for (const std::string& f : all) EXPECT_TRUE(!f.empty() && f.front() != ' ' && f.back() != ' ') << f;
}

TEST_F(SceneCommands, EntryHistoryCopiesTheWindowsLayoutIntoTheHistorySettings) {
  RunScene(
      "message name = \"mes\", parent = \"\", width = 300, height = 200, fontheight = 18\n"
      "setprop \"mes\", PR_LINESPACE, 6\n"
      "entryhistory \"mes\"\n"
      "entryhistory \"nobody\"\n");
  TKuzoObject* mes = scene.FindComponent("mes");
  ASSERT_NE(mes, nullptr);
  const int ids[] = {PR_FONTHEIGHT, PR_FONTBORDER, PR_FONTSHADOW, PR_WIDTH, PR_HEIGHT, PR_LINESPACE};
  for (int i = 0; i < kHistorySettingCount; ++i)
    EXPECT_EQ(vars.HistorySettings[static_cast<size_t>(i)], std::get<int32_t>(GetPropertyValue(*mes, ids[i]))) << i;
  EXPECT_EQ(vars.HistorySettings[0], 18);
  EXPECT_EQ(vars.HistorySettings[3], 300);
  EXPECT_EQ(vars.HistorySettings[5], 6);
}

TEST_F(SceneCommands, CallHistoryShowsOnlyWhatTheHistoryHolds) {
  std::vector<std::string> lines;
  host.log = [&](const std::string& line) { lines.push_back(line); };
  for (int i = 0; i < 3; ++i) {
    game.history.RecordPending("mes", "a.ksb", "", i, -1, 0, 1, 100, 50, {});
    game.history.CommitPending("mes");
  }
  sysHost.BindHistory(&game.history);
  // Past the end, no first entry, and no message window of that name: nothing to show.
  RunScene(
      "message name = \"mes\", parent = \"\", width = 100, height = 50\n"
      "callhistory \"mes\" first 3 count 2\n"
      "callhistory \"mes\" count 2\n"
      "callhistory \"nobody\" first 0\n"
      "var int n = @HistoryCount\n"
      "@HistoryMaxCount = 2\n"
      "var int trimmed = @HistoryCount\n"
      "var int most = @HistoryMaxCount\n");
  EXPECT_TRUE(lines.empty());
  EXPECT_EQ(Var("n"), "3");
  EXPECT_EQ(Var("trimmed"), "2");  // a lower maximum drops the oldest entries at once
  EXPECT_EQ(Var("most"), "2");
  // A range inside the history reaches the window: clamped to the two kept entries, shown as one
  // long page (empty here: the scene has no script text), with nothing logged.
  RunScene("message name = \"mes\", parent = \"\"\ncallhistory \"mes\" first -4 count 9\n");
  EXPECT_TRUE(lines.empty());
  auto* window = dynamic_cast<TKuzoMes*>(scene.FindComponent("mes"));
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->ReadMarkMode(), 2);
  EXPECT_EQ(window->GetCount(), 1);
  EXPECT_EQ(window->GetIndex(), 0);
}

}  // namespace
}  // namespace kuzo::testing
