// The interpreter running titles built from sources: control flow, loops, waits to the tick,
// calls with arguments, results and scopes, event handlers and their nesting, traces, the page
// cache, and the saved interpreter record.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "script/flow_commands.h"
#include "tests/script/script_fixture.h"

namespace kuzo::testing {
namespace {

using Interpreter = ScriptTest;

TEST_F(Interpreter, IfElseifChainTakesOnlyTheFirstTrueBranch) {
  Run(R"(var int a = 2
var int r = 0
if a == 1
  r = 10
elseif a == 2
  r = 20
elseif a == 2
  r = 30
else
  r = 40
r = r + 1
)");
  EXPECT_EQ(Var("r"), "21");
}

TEST_F(Interpreter, FalseIfFollowedByShallowerCommandContinuesThere) {
  Run(R"(var int r = 0
if r == 0
  if FALSE
    r = 1
  r = r + 5
r = r + 100
)");
  EXPECT_EQ(Var("r"), "105");
}

TEST_F(Interpreter, ElseTakenWhenEveryConditionIsFalseAndMissingConditionIsFalse) {
  Run(R"(var int r = 0
if nosuchvariable
  r = 1
elseif 1 == 2
  r = 2
else
  r = 3
)");
  EXPECT_EQ(Var("r"), "3");
}

TEST_F(Interpreter, CountedLoopWithBreakAndContinue) {
  Run(R"(var int i = 0
var int s = 0
while i < 10 init i = 0 step i = i + 1
  if i == 3
    continue
  if i == 7
    break
  s = s + i
var int after = 1
)");
  EXPECT_EQ(Var("s"), "18");
  EXPECT_EQ(Var("i"), "7");
  EXPECT_EQ(Var("after"), "1");
}

TEST_F(Interpreter, NestedLoopsBreakOnlyTheInnerOne) {
  Run(R"(var int n = 0
var int i = 0
var int j = 0
while i < 3 init i = 0 step i = i + 1
  while j < 100 init j = 0 step j = j + 1
    if j == 2
      break
    n = n + 1
)");
  EXPECT_EQ(Var("n"), "6");
  EXPECT_EQ(Var("i"), "3");
}

TEST_F(Interpreter, BreakOutsideAnyLoopEndsThePage) {
  Run(R"(var int r = 1
break if r == 1
r = 2
)");
  EXPECT_EQ(Var("r"), "1");
}

TEST_F(Interpreter, WaitCountsFromTheSecondVisitToTheTick) {
  host.frameDeltaMs = 30;
  Build({{"main.kss", "var int t = 0\nwait 100\nt = 1\n"}});
  Start();
  for (int tick = 1; tick <= 4; ++tick) {
    Tick();
    EXPECT_EQ(Var("t"), "0") << "tick " << tick;
  }
  Tick();
  EXPECT_EQ(Var("t"), "1");  // 100 -> 70, 40, 10, -20: the fifth visit ends it
}

TEST_F(Interpreter, WaitWithFalseConditionEndsAtOnceAndMissingConditionWaitsTheTime) {
  host.frameDeltaMs = 10;
  Build({{"main.kss", "var int t = 0\nwait 1000 while FALSE\nt = 1\nwait 20 while nosuchvariable\nt = 2\n"}});
  Start();
  Tick();
  EXPECT_EQ(Var("t"), "1");
  Tick();
  EXPECT_EQ(Var("t"), "1");  // 20 -> 10
  Tick();
  EXPECT_EQ(Var("t"), "2");  // 10 -> 0
}

TEST_F(Interpreter, ZeroDurationWaitsUntilTheConditionTurnsFalse) {
  host.frameDeltaMs = 16;
  Build({{"main.kss", "var int t = 0\nwait while @TickCount < 80\nt = 1\n"}});
  Start();
  Tick(4);
  EXPECT_EQ(Var("t"), "0");
  Tick();
  EXPECT_EQ(Var("t"), "1");
}

TEST_F(Interpreter, StopFlagEndsTheTickAfterTheCommand) {
  Build({{"main.kss", "var int n = 0\n!stop n = n + 1\n!stop n = n + 1\nn = n + 1\n"}});
  Start();
  Tick();
  EXPECT_EQ(Var("n"), "1");
  Tick();
  EXPECT_EQ(Var("n"), "2");
  Tick();
  EXPECT_EQ(Var("n"), "3");
}

TEST_F(Interpreter, SkippedCommandIsPassedOver) {
  Run("var int r = 1\n!skip r = 2\ncomment r = 3\n");
  EXPECT_EQ(Var("r"), "1");
}

TEST_F(Interpreter, CallPassesArgumentsAndStoresTheResult) {
  Build({{"main.kss", "var int r = 0\nvar int n = 0\ncall sub.kss into r with 2, 3 + 4, nosuchvar\nr = r * 10\n"},
         {"sub.kss", "%result int\nn = @ParamCount\n@Result = @ParamStr[0] + @ParamStr[1]\n"}});
  Start();
  Tick();
  EXPECT_EQ(Var("n"), "2");  // an argument that yields nothing is left out
  EXPECT_EQ(Var("r"), "90");
  EXPECT_TRUE(vars.Find("r")->Param()->Dims().empty());  // a scalar result keeps the variable scalar
  EXPECT_EQ(cm->StackDepth(), 0);
}

TEST_F(Interpreter, LocalsLiveOnlyAtTheirDepthAndDieOnReturn) {
  Build({{"main.kss", "var int x = 1\nvar int seen = 0\ncall sub.kss:entry\nvar int back = x\n"},
         {"sub.kss", "label entry\nvar local int x = 5\nseen = x\nvar frame int owned = 3\n"}});
  Start();
  Tick();
  EXPECT_EQ(Var("seen"), "5");
  EXPECT_EQ(Var("back"), "1");
  EXPECT_FALSE(Has("owned"));
}

TEST_F(Interpreter, JumpToALabelOfAnotherPageAndExitReturns) {
  Build({{"main.kss", "var int r = 0\ncall other.kss\nr = r + 1\n"},
         {"other.kss", "r = 100\njump other.kss:skip\nr = 5\nlabel skip\nexit if r == 100\nr = 7\n"}});
  Start();
  Tick();
  EXPECT_EQ(Var("r"), "101");
}

TEST_F(Interpreter, LabelSearchIsCaseSensitive) {
  Build({{"main.kss", "var int r = 0\ncall sub.kss@0\nr = 1\n"}, {"sub.kss", "label start\nr = 2\n"}});
  Start();
  TPage* p = cm->GetPage("sub.ksb");
  EXPECT_EQ(p->FindLabel("start"), 0);
  EXPECT_EQ(p->FindLabel("Start"), -1);
}

TEST_F(Interpreter, EmptyPageReturnsAtOnceAndTheMainFlowIdles) {
  Build({{"main.kss", "var int r = 0\ncall empty.kss\nr = 1\n"}, {"empty.kss", "# nothing\n"}});
  Start();
  Tick();
  EXPECT_EQ(Var("r"), "1");
  EXPECT_EQ(cm->page, nullptr);
  EXPECT_FALSE(cm->run);
  Tick(3);  // idling does nothing and does not hang
}

TEST_F(Interpreter, TraceLinesNameClockPageAndLine) {
  host.frameDeltaMs = 26;
  Build({{"main.kss", "var int r = 0\n\n!stop r = 1\nr = 2\n"}});
  Start();
  Tick();
  ASSERT_EQ(trace.size(), 2u);
  EXPECT_EQ(trace[0], "0000001a : main.ksb(1)");
  EXPECT_EQ(trace[1], "0000001a : main.ksb(3)");
  Tick();
  EXPECT_EQ(trace[2], "00000034 : main.ksb(4)");
}

TEST_F(Interpreter, WaitIsTracedOnceWhileItWaits) {
  Build({{"main.kss", "wait 100\n"}});
  Start();
  Tick(4);
  EXPECT_EQ(trace.size(), 1u);
}

TEST_F(Interpreter, EventHandlerRunsBetweenCommandsWithArgumentsAndSender) {
  Build({{"main.kss", "var int h = 0\nvar str a = \"\"\nwait 1000\n"},
         {"handler.kss", "h = 1\nlabel onClick\nh = h + 10\na = @ParamStr[0]\n"}});
  Start();
  Tick();
  std::vector<std::string> args = {"x1"};
  events.QueueEvent(ComponentHandle{}, "handler.kss:onClick", &args, 33);
  Tick();
  EXPECT_EQ(Var("h"), "10");
  EXPECT_EQ(Var("a"), "x1");
  EXPECT_EQ(events.Count(), 0);  // the finished handler's entry is gone
  EXPECT_EQ(cm->mode, 0);
  bool traced = false;
  for (const auto& l : trace) traced = traced || l.find(" : <Event>handler.ksb(2)") != std::string::npos;
  EXPECT_TRUE(traced);
}

TEST_F(Interpreter, EventLabelWithoutColonStartsAtTheFirstCommand) {
  Build({{"main.kss", "var int h = 0\nwait 1000\n"}, {"handler.kss", "h = 1\nlabel onClick\nh = h + 10\n"}});
  Start();
  Tick();
  events.QueueEvent(ComponentHandle{}, "handler.kss", nullptr, 33);
  Tick();
  EXPECT_EQ(Var("h"), "11");
}

TEST_F(Interpreter, EventLabelSplitStepsOverDoubleByteCharacters) {
  // The label's second byte is 0x5C ("\" as a single byte): it must not hide the label part.
  Build({{"main.kss", "var int h = 0\nwait 1000\n"},
         {"handler.kss", "h = 1\nlabel \xE8\xA1\xA8\nh = h + 10\n"}});
  Start();
  Tick();
  events.QueueEvent(ComponentHandle{}, "handler.kss:\x95\x5C", nullptr, 33);
  Tick();
  EXPECT_EQ(Var("h"), "10");
}

TEST_F(Interpreter, EventWaitsWhileABlockingWaitRuns) {
  host.frameDeltaMs = 10;
  Build({{"main.kss", "var int h = 0\nwait 30 block TRUE\nwait 1000\n"}, {"handler.kss", "h = h + 1\n"}});
  Start();
  Tick();
  events.QueueEvent(ComponentHandle{}, "handler.kss", nullptr, 33);
  Tick(2);
  EXPECT_EQ(Var("h"), "0");
  Tick(2);
  EXPECT_EQ(Var("h"), "1");
}

TEST_F(Interpreter, EventOfAMissingPageStaysPending) {
  Build({{"main.kss", "wait 1000\n"}});
  Start();
  events.QueueEvent(ComponentHandle{}, "nowhere.kss:x", nullptr, 33);
  Tick(2);
  ASSERT_EQ(events.Count(), 1);
  EXPECT_EQ(events.At(0).level, 0);
}

TEST_F(Interpreter, HandlerReturningIntoAnEndedMainFlowEndsTheTick) {
  Build({{"main.kss", "var int h = 0\n"}, {"handler.kss", "h = h + 1\n"}});
  Start();
  Tick();
  ASSERT_EQ(cm->page, nullptr);
  events.QueueEvent(ComponentHandle{}, "handler.kss", nullptr, 33);
  Tick();  // must return
  EXPECT_EQ(Var("h"), "1");
  EXPECT_EQ(cm->mode, 0);
  EXPECT_FALSE(cm->run);
  events.QueueEvent(ComponentHandle{}, "handler.kss", nullptr, 33);
  Tick();
  EXPECT_EQ(Var("h"), "2");
}

TEST_F(Interpreter, WaitingHandlerLetsANewerEventNestOneLevelDeeper) {
  host.frameDeltaMs = 10;
  Build({{"main.kss", "var int order = 0\nwait 10000\n"},
         {"slow.kss", "order = order * 10 + 1\nwait 50\norder = order * 10 + 3\n"},
         {"fast.kss", "order = order * 10 + 2\n"}});
  Start();
  Tick();
  events.QueueEvent(ComponentHandle{}, "slow.kss", nullptr, 33);
  Tick();
  EXPECT_EQ(Var("order"), "1");
  EXPECT_EQ(cm->mode, 2);
  events.QueueEvent(ComponentHandle{}, "fast.kss", nullptr, 33);
  Tick();
  EXPECT_EQ(Var("order"), "12");
  Tick(10);
  EXPECT_EQ(Var("order"), "123");
  EXPECT_EQ(cm->mode, 0);
  EXPECT_EQ(events.Count(), 0);
}

TEST_F(Interpreter, DoEventEndsTheTickAndLetsHandlersRun) {
  Build({{"main.kss", "var int n = 0\ndoevent\nn = 1\n"}});
  Start();
  Tick();
  EXPECT_EQ(Var("n"), "0");
  Tick();
  EXPECT_EQ(Var("n"), "1");
}

TEST_F(Interpreter, EleventhPageEvictsTheLeastRecentlyUsedButNeverTheCurrent) {
  std::vector<std::pair<std::string, std::string>> src = {{"main.kss", ""}};
  std::string mainText;
  for (int i = 0; i < 11; ++i) {
    src.push_back({"p" + std::to_string(i) + ".kss", "var int v" + std::to_string(i) + " = 1\n"});
    mainText += "call p" + std::to_string(i) + ".kss\n";
  }
  src[0].second = mainText;
  Build(src);
  Start();
  Tick();
  EXPECT_EQ(cm->CachedPageCount(), 10u);
  EXPECT_TRUE(cm->IsCached("main.ksb"));  // current page, although least recently looked up
  EXPECT_FALSE(cm->IsCached("p0.ksb"));
  EXPECT_TRUE(cm->IsCached("p10.ksb"));
}

TEST_F(Interpreter, AFailingCommandIsSwallowedAndTheScriptGoesOn) {
  Run("var int before = 1\nvar int \"\" = 5\nvar int \"9lives\" = 9\nvar int after = 2\nvardel before\n");
  EXPECT_FALSE(Has("before"));
  EXPECT_EQ(Var("after"), "2");
  EXPECT_FALSE(Has("9lives"));
}

TEST_F(Interpreter, ACommentWithALabelsTextIsNotALabel) {
  Build({{"main.kss", "var int r = 0\ncall sub.kss:here\n"}, {"sub.kss", "comment here\nr = 1\nlabel here\nr = r + 10\n"}});
  Start();
  Tick();
  EXPECT_EQ(Var("r"), "10");
}

// Clears the run-on byte of every command of `type` in a stored page.
void ClearRunOn(MemoryFiles& files, const std::string& name, uint8_t type) {
  TPage p;
  p.Parse(name, files.files[name]);
  for (int i = 0; i < p.Count(); ++i)
    if (p.At(i).TypeCode() == type) p.At(i).runOn = 0;
  ByteWriter w;
  p.Write(w);
  files.files[name] = w.Take();
}

TEST_F(Interpreter, LoopInitialisationAndStepRunOnWhateverTheirHeaderSays) {
  Build({{"main.kss", "var int i = 0\nwhile i < 3 init i = 0 step i = i + 1\n  i = i + 0\nvar int t = @TickCount\n"}});
  ClearRunOn(files, "main.ksb", 32);
  ClearRunOn(files, "main.ksb", 33);
  Start();
  Tick();
  EXPECT_EQ(Var("i"), "3");
  EXPECT_EQ(Var("t"), "16");  // every iteration ran in the first tick
  // The loop test itself obeys its byte: one iteration per tick.
  ClearRunOn(files, "main.ksb", 31);
  vars.Clear();
  host.gameClockMs = 0;
  Start();
  Tick();
  EXPECT_EQ(Var("i"), "0");
  Tick(3);
  EXPECT_EQ(Var("i"), "3");
  EXPECT_FALSE(Has("t"));  // the test that ended the loop also ended the tick
  Tick();
  EXPECT_EQ(Var("t"), "80");
}

TEST_F(Interpreter, EventsPendingAfterAHandlerReturnsIntoAnEndedMainFlowRunInTheSameTick) {
  Build({{"main.kss", "var str log = \"\"\n"}, {"a.kss", "log = log ++ \"a\" ++ @TickCount\n"},
         {"b.kss", "log = log ++ \"b\" ++ @TickCount\n"}});
  Start();
  Tick();
  ASSERT_EQ(cm->page, nullptr);
  const ComponentHandle sender{1, 1};
  events.QueueEvent(sender, "a.kss", nullptr, 33);
  events.QueueEvent(sender, "b.kss", nullptr, 33);
  Tick();
  EXPECT_EQ(Var("log"), "a32b32");
  EXPECT_EQ(events.Count(), 0);
  EXPECT_FALSE(cm->run);  // and the tick did end
  EXPECT_EQ(cm->mode, 0);
  Tick();
  EXPECT_EQ(Var("log"), "a32b32");
}

TEST_F(Interpreter, ACommandThatFailsBeforeMovingOnEndsTheTickInsteadOfSpinning) {
  // The restart target cannot be loaded: the command raises without moving the program counter.
  Build({{"main.kss", "var int n = 0\nn = n + 1\npcreset gone.kss\nn = 100\n"}});
  Start();
  Tick();
  EXPECT_EQ(Var("n"), "1");
  EXPECT_EQ(cm->pc, 2);
  EXPECT_FALSE(cm->run);
  Tick(3);  // retried once per tick, never passed over
  EXPECT_EQ(Var("n"), "1");
  EXPECT_EQ(cm->pc, 2);
}

TEST_F(Interpreter, DeleteStackRemovesAFrameAndItsContextsVariables) {
  Build({{"main.kss", "var frame int low = 1\ncall a.kss\nvar int back = 1\n"},
         {"a.kss", "var frame int mid = 2\ncall b.kss\nvar int backInA = 1\n"},
         {"b.kss", "var local int top = 3\nvar flag ok = DeleteStack(1)\nvar flag bad = DeleteStack(-1)\n"}});
  Start();
  Tick();
  EXPECT_EQ(Var("ok"), "TRUE");
  EXPECT_EQ(Var("bad"), "FALSE");
  EXPECT_FALSE(Has("mid"));      // the context frame 1 saved (page a) is gone with its variables
  EXPECT_FALSE(Has("backInA"));  // and is never resumed: b returns straight to main
  EXPECT_EQ(Var("back"), "1");
  EXPECT_EQ(Var("low"), "1");
  EXPECT_FALSE(Has("top"));  // moved down to level 1, deleted when b returned
  EXPECT_EQ(cm->StackDepth(), 0);
  // A handler left behind by a freed interpreter raises: the evaluation yields nothing.
  sysHost.Bind(nullptr, nullptr);
  cm.reset();
  Expr e = Expr::Compile("ok = DeleteStack(0)");
  e.Eval(vars);
  EXPECT_EQ(Var("ok"), "TRUE");
}

TEST_F(Interpreter, DeleteStackLeavesTheVariablesOfTheRunningExpressionAliveUntilItEnds) {
  // A declaration of an existing variable holds it while its initial value is evaluated; the
  // evaluation deletes the frame owning it. The value lands in the removed variable, gone from the
  // table afterwards, never in freed memory. Plain assignments look their target up again.
  Build({{"main.kss", "var int after = 0\ncall a.kss\nafter = 1\n"},
         {"a.kss", "var frame flag mid = FALSE\ncall b.kss\nafter = 2\n"},
         {"b.kss", "var frame int arr[3]\nvar frame int lv = 2\ncall c.kss\nafter = 3\n"},
         {"c.kss", "arr[1] = DeleteStack(lv)\nvar frame flag mid = DeleteStack(1)\nvar int still = 5\n"}});
  Start();
  Tick();
  EXPECT_FALSE(Has("arr"));
  EXPECT_FALSE(Has("lv"));
  EXPECT_FALSE(Has("mid"));
  EXPECT_EQ(Var("still"), "5");  // the page ran on after both deletions
  EXPECT_EQ(Var("after"), "1");  // neither b nor a was resumed
  EXPECT_EQ(cm->StackDepth(), 0);
}

TEST_F(Interpreter, AHandlerThatRestartsTheScriptRunsTheNewMainFlowOnInTheSameTick) {
  // The restart ends the tick by its own byte, but leaving the handler's mode runs on regardless.
  Build({{"main.kss", "var int n = 0\nwait 1000\n"}, {"h.kss", "!stop reset second.kss\n"},
         {"second.kss", "var int after = @TickCount\n"}});
  Start();
  Tick();
  events.QueueEvent(ComponentHandle{1, 1}, "h.kss", nullptr, 33);
  Tick();
  EXPECT_FALSE(Has("n"));
  EXPECT_EQ(Var("after"), "32");
  EXPECT_EQ(cm->mode, 0);
  EXPECT_EQ(events.Count(), 0);  // the running entry went with the restart
}

TEST_F(Interpreter, TerminateStopsTheTick) {
  Run("var int r = 0\nterminate\nr = 1\n", 3);
  EXPECT_TRUE(host.terminateRequested);
  EXPECT_EQ(Var("r"), "0");
}

TEST_F(Interpreter, ResetClearsVariablesAndRestarts) {
  Build({{"main.kss", "var int runs = 0\nruns = runs + 1\nvar int keep = 5\nreset second.kss:go\n"},
         {"second.kss", "var int other = 1\nlabel go\nvar int fresh = 1\n"}});
  Start();
  Tick();
  EXPECT_FALSE(Has("keep"));
  EXPECT_FALSE(Has("other"));
  EXPECT_EQ(Var("fresh"), "1");
}

TEST_F(Interpreter, FullPcResetDropsTheStackAndRestarts) {
  Build({{"main.kss", "var int r = 0\ncall sub.kss\nr = 99\nlabel again\nr = r + 1\n"},
         {"sub.kss", "var frame int owned = 1\npcreset main.kss:again full\n"}});
  Start();
  Tick();
  EXPECT_EQ(Var("r"), "1");
  EXPECT_FALSE(Has("owned"));
  EXPECT_EQ(cm->StackDepth(), 0);
}

TEST_F(Interpreter, PcResetFromAHandlerRedirectsTheMainFlow) {
  host.frameDeltaMs = 10;
  Build({{"main.kss", "var int r = 0\nwait 100000\nr = 1\nlabel moved\nr = 2\n"},
         {"handler.kss", "pcreset main.kss:moved\nvar int after = 1\n"}});
  Start();
  Tick();
  events.QueueEvent(ComponentHandle{}, "handler.kss", nullptr, 33);
  Tick();
  EXPECT_EQ(Var("after"), "1");  // the handler finishes first
  EXPECT_EQ(Var("r"), "2");
}

class RecordingGame : public GameCommandHost {
 public:
  void RequestSave(int32_t slot, const std::string& caption, int32_t flag, const std::string& text) override {
    saves.push_back(std::to_string(slot) + "|" + caption + "|" + std::to_string(flag) + "|" + text);
  }
  void RequestLoad(int32_t slot) override { loads.push_back(slot); }
  std::vector<std::string> saves;
  std::vector<int32_t> loads;
};

TEST_F(Interpreter, GameSaveAndLoadRequestTheProjectAndEndTheTick) {
  RecordingGame game;
  Build({{"main.kss", "var int n = 0\ngamesave 1 + 2 caption \"first\" flag 7 text \"t\" ++ n\nn = 1\ngameload 4\nn = 2\n"}});
  ScriptServices s = Services();
  s.game = &game;
  cm = std::make_unique<TCallMan>(s);
  cm->Start("main.ksb");
  Tick();
  ASSERT_EQ(game.saves.size(), 1u);
  EXPECT_EQ(game.saves[0], "3|first|7|t0");
  EXPECT_EQ(Var("n"), "0");
  Tick();
  ASSERT_EQ(game.loads.size(), 1u);
  EXPECT_EQ(game.loads[0], 4);
  EXPECT_EQ(Var("n"), "1");
}

TEST_F(Interpreter, SavedStateResumesAWaitInsideACall) {
  host.frameDeltaMs = 10;
  Build({{"main.kss", "var int r = 0\ncall sub.kss into r with \"a\"\nr = r + 1\n"},
         {"sub.kss", "%result int\nwait 50\n@Result = 40\n"}});
  Start();
  Tick(2);
  ByteWriter w;
  cm->SaveState(w);
  const int32_t remaining = static_cast<TComWait&>(cm->GetPage("sub.ksb")->At(0)).Remaining();

  auto restored = std::make_unique<TCallMan>(Services());
  ByteReader r(w.Str(), "state");
  restored->LoadState(r, 134);
  EXPECT_TRUE(r.AtEnd());
  EXPECT_EQ(restored->StackDepth(), 1);
  EXPECT_EQ(restored->Arg(0), "a");
  EXPECT_EQ(static_cast<TComWait&>(restored->GetPage("sub.ksb")->At(0)).Remaining(), remaining);
  cm = std::move(restored);
  sysHost.Bind(cm.get(), nullptr);
  Tick(10);
  EXPECT_EQ(Var("r"), "41");
}

TEST_F(Interpreter, StateOfVersion115HasNoLevel) {
  Build({{"main.kss", "wait 50\n"}});
  Start();
  Tick();
  cm->level = 5;
  ByteWriter w;
  cm->SaveState(w);
  // An old record: the same without the level, which sits before the wait's 16-byte state.
  const std::string& full = w.Str();
  constexpr size_t kWaitState = 7 + 4 + 4 + 1;
  const std::string old = full.substr(0, full.size() - kWaitState - 4) + full.substr(full.size() - kWaitState);
  TCallMan restored(Services());
  ByteReader r(old, "state");
  restored.LoadState(r, 115);
  EXPECT_TRUE(r.AtEnd());
  EXPECT_EQ(restored.level, 2);
  ByteReader r2(full, "state");
  restored.LoadState(r2, 116);
  EXPECT_EQ(restored.level, 5);
}

TEST_F(Interpreter, RestoredLevelAndWaitCountersAreBounded) {
  Build({{"main.kss", "var int done = 0\nwait 50\ndone = 1\n"}});
  Start();
  Tick();
  ByteWriter w;
  cm->SaveState(w);
  const std::string full = w.Str();
  constexpr size_t kWaitState = 7 + 4 + 4 + 1;
  const size_t levelAt = full.size() - kWaitState - 4;
  auto withLevel = [&](int32_t level) {
    std::string bytes = full;
    std::memcpy(&bytes[levelAt], &level, 4);
    return bytes;
  };
  for (int32_t bad : {INT32_MAX, -1, INT32_MIN}) {
    TCallMan restored(Services());
    const std::string bytes = withLevel(bad);
    ByteReader r(bytes, "state");
    EXPECT_THROW(restored.LoadState(r, 134), FormatError) << bad;
  }
  // A first-visit counter at the lowest integer: the wait goes on counting time and ends.
  std::string bytes = full;
  const int32_t lowest = INT32_MIN;
  std::memcpy(&bytes[full.size() - 5], &lowest, 4);
  auto restored = std::make_unique<TCallMan>(Services());
  ByteReader r(bytes, "state");
  restored->LoadState(r, 134);
  cm = std::move(restored);
  sysHost.Bind(cm.get(), nullptr);
  host.frameDeltaMs = 10;
  Tick(8);
  EXPECT_EQ(Var("done"), "1");
}

TEST_F(Interpreter, TruncatedStateIsAFormatErrorNotACrash) {
  Build({{"main.kss", "call sub.kss\n"}, {"sub.kss", "wait 50\n"}});
  Start();
  Tick();
  ByteWriter w;
  cm->SaveState(w);
  for (size_t cut = 0; cut < w.Size(); cut += 3) {
    TCallMan restored(Services());
    ByteReader r(std::string_view(w.Str()).substr(0, cut), "state");
    EXPECT_THROW(restored.LoadState(r, 134), FormatError) << "cut at " << cut;
  }
}

}  // namespace
}  // namespace kuzo::testing
