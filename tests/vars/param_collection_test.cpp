// The variable table: names, scopes and lookup, deletion by level, clearing, system variables and
// the saved forms with their version gates.
#include "vars/param_collection.h"

#include <gtest/gtest.h>

#include "core/byte_reader.h"
#include "core/errors.h"
#include "vars/param_system.h"
#include "vars_fixture.h"

namespace kuzo {
namespace {

class ParamCollectionTest : public ::testing::Test, public testing::VarsFixture {};

TEST_F(ParamCollectionTest, SystemVariablesComeFirstInOrder) {
  ASSERT_GE(table.Count(), kSystemVariableCount);
  EXPECT_EQ(table.At(0)->Name(), "@Result");
  EXPECT_EQ(table.At(7)->Name(), "@TextDelay");
  EXPECT_EQ(table.At(49)->Name(), "@StackCount");
  EXPECT_TRUE(table.At(49)->IsSystem());
  EXPECT_EQ(table.Find("@textdelay")->Param()->AsInteger(), 50);
}

TEST_F(ParamCollectionTest, NamesAreValidated) {
  TParamCollectionItem& item = table.AddVariable(kTypeInt);
  for (const char* bad : {"", "a b", "1abc", "9"}) {
    try {
      item.SetName(bad);
      ADD_FAILURE() << bad;
    } catch (const KuzoError& e) {
      EXPECT_EQ(std::string(e.what()), std::string("\"") + bad + "\"：変数名が不正です");
    }
  }
  item.SetName("@x");
  item.SetName("____y");
  item.SetName("a1");
  EXPECT_EQ(table.Find("A1"), &item);
  // A failed declaration leaves nothing behind.
  int before = table.Count();
  bool init = false;
  EXPECT_THROW(table.Declare("2x", kTypeInt, vsGlobal, init), KuzoError);
  EXPECT_EQ(table.Count(), before);
}

TEST_F(ParamCollectionTest, LocalShadowsGlobalOnlyAtItsDepth) {
  Declare("x", kTypeInt, "1");
  table.SetFrameLevel(2);
  Declare("x", kTypeInt, "2", vsLocal);
  EXPECT_EQ(Var("x").AsInteger(), 2);
  table.SetFrameLevel(3);
  EXPECT_EQ(Var("x").AsInteger(), 1);  // the local of depth 2 is invisible at depth 3
  table.SetFrameLevel(2);
  table.DeleteOwnedBy(2);
  EXPECT_EQ(Var("x").AsInteger(), 1);
}

TEST_F(ParamCollectionTest, EarliestGlobalWinsAndFindInScope) {
  TParamCollectionItem& first = table.AddVariable(kTypeInt);
  first.SetName("g");
  TParamCollectionItem& second = table.AddVariable(kTypeInt);
  second.SetName("G");
  EXPECT_EQ(table.Find("g"), &first);
  EXPECT_EQ(table.FindInScope("g", false), &second);  // first non-local in the chain (newest)
  EXPECT_EQ(table.FindInScope("g", true), nullptr);
}

TEST_F(ParamCollectionTest, DeclaringExistingAndStatusVariables) {
  TParamCollectionItem& s = Declare("st", kTypeInt, "5", vsStatus);
  EXPECT_TRUE(s.IsStatus());
  bool init = true;
  EXPECT_EQ(&table.Declare("st", kTypeInt, vsStatus, init), &s);
  EXPECT_FALSE(init);  // status variables are initialised once
  Declare("g", kTypeInt, "1");
  EXPECT_EQ(&table.Declare("g", kTypeStr, vsGlobal, init), table.Find("g"));
  EXPECT_TRUE(init);
  table.SetFrameLevel(4);
  TParamCollectionItem& owned = Declare("fo", kTypeInt, "1", vsFrameOwned);
  EXPECT_EQ(owned.OwnerLevel(), 4);
  EXPECT_FALSE(owned.IsLocal());
  table.SetFrameLevel(5);
  EXPECT_EQ(table.Find("fo"), &owned);  // frame-owned globals are visible everywhere
}

TEST_F(ParamCollectionTest, RemoveFrameLevelShiftsDeeperOwners) {
  table.SetFrameLevel(1);
  Declare("a", kTypeInt, "", vsFrameOwned);
  table.SetFrameLevel(2);
  Declare("b", kTypeInt, "", vsFrameOwned);
  table.SetFrameLevel(3);
  Declare("c", kTypeInt, "", vsLocal);
  table.RemoveFrameLevel(2);
  EXPECT_EQ(table.Find("b"), nullptr);
  EXPECT_EQ(table.FindInScope("a", false)->OwnerLevel(), 1);
  table.SetFrameLevel(2);
  ASSERT_NE(table.Find("c"), nullptr);
  EXPECT_EQ(table.Find("c")->OwnerLevel(), 2);
}

TEST_F(ParamCollectionTest, VariablesDeletedDuringAHoldAreFreedWhenTheLastHoldEnds) {
  table.SetFrameLevel(1);
  Declare("a", kTypeInt, "4", vsFrameOwned);
  Declare("b", kTypeInt, "5");
  const int before = table.Count();
  {
    TParamCollection::Hold outer(table);
    TCustomParam* held = table.Find("a")->Param();
    {
      TParamCollection::Hold inner(table);
      table.RemoveFrameLevel(1);
      table.DeleteVariable(*table.Find("b"));
    }
    // Out of the table at once, but the inner hold's end frees nothing while the outer one lasts.
    EXPECT_EQ(table.Find("a"), nullptr);
    EXPECT_EQ(table.Find("b"), nullptr);
    EXPECT_EQ(table.Count(), before - 2);
    EXPECT_EQ(table.RetiredCount(), 2);
    held->SetInteger(9);  // still a live value (the sanitizer build would report a freed one)
    EXPECT_EQ(held->AsInteger(), 9);
  }
  EXPECT_EQ(table.RetiredCount(), 0);
  Declare("c", kTypeInt, "1");
  table.DeleteVariable(*table.Find("c"));  // without a hold: freed at once
  EXPECT_EQ(table.RetiredCount(), 0);
}

TEST_F(ParamCollectionTest, ClearKeepsSystemAndStatusVariables) {
  Declare("g", kTypeInt, "1");
  Declare("st", kTypeStr, "kept", vsStatus);
  table.TextDelay = 10;
  table.CursorName = "hand";
  table.HistorySettings[3] = 9;
  table.Clear();
  EXPECT_EQ(table.Find("g"), nullptr);
  EXPECT_EQ(Var("st").AsString(), "kept");
  EXPECT_EQ(Var("@TextDelay").AsInteger(), 50);
  EXPECT_EQ(table.CursorName, "");
  EXPECT_EQ(table.HistorySettings[3], 0);
  EXPECT_EQ(table.Count(), kSystemVariableCount + 1);
}

TEST_F(ParamCollectionTest, CopyValueOf) {
  Declare("s", kTypeStr, "abc");
  auto copy = table.CopyValueOf("S");
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->AsString(), "abc");
  EXPECT_EQ(table.CopyValueOf("missing"), nullptr);
  table.AddVariable(kTypeNone).SetName("r");
  EXPECT_THROW(table.CopyValueOf("r"), KuzoError);
}

TEST_F(ParamCollectionTest, GameBlockRoundTripWithVersionGates) {
  TParamCollectionItem& a = Declare("a", kTypeInt, "3");
  int32_t sizes[] = {2};
  a.Param()->SetDims(sizes);
  Declare("f", kTypeFloat, "0.5");
  Declare("st", kTypeInt, "1", vsStatus);
  table.SetFrameLevel(1);
  Declare("loc", kTypeStr, "l", vsLocal);
  table.TextDelay = 33;
  table.CursorName = "c";
  table.SelStr = "sel";
  table.SelIndex = 4;
  table.HistorySettings = {1, 2, 3, 4, 5, 6};
  table.TempTarget = "a";
  ByteWriter w;
  table.SaveGame(w);

  TParamCollection other;
  other.SetFrameLevel(1);
  ByteReader r(w.Str(), "save");
  other.LoadGame(r, 134);
  EXPECT_TRUE(r.AtEnd());
  EXPECT_EQ(other.Find("a")->Param()->Count(), 2);
  EXPECT_EQ(other.Find("a")->Param()->IntegerAt(0), 3);
  EXPECT_EQ(other.Find("f")->Param()->AsFloat(), 0.5L);
  EXPECT_EQ(other.Find("st"), nullptr);  // status variables are not in the game block
  ASSERT_NE(other.Find("loc"), nullptr);
  EXPECT_TRUE(other.Find("loc")->IsLocal());
  EXPECT_EQ(other.Find("loc")->OwnerLevel(), 1);
  EXPECT_EQ(other.TextDelay, 33);
  EXPECT_EQ(other.SelStr, "sel");
  EXPECT_EQ(other.HistorySettings[5], 6);
  EXPECT_EQ(other.TempTarget, "a");

  // Version 102 has only text delay and cursor after the records: the rest stays as it was.
  ByteWriter old;
  old.U32(0);
  old.I32(20);
  old.String("arrow");
  TParamCollection keep;
  keep.SelStr = "before";
  keep.SelIndex = 8;
  keep.HistorySettings[0] = 7;
  keep.TempTarget = "t";
  ByteReader ro(old.Str(), "save");
  keep.LoadGame(ro, 102);
  EXPECT_TRUE(ro.AtEnd());
  EXPECT_EQ(keep.TextDelay, 20);
  EXPECT_EQ(keep.SelStr, "before");
  EXPECT_EQ(keep.SelIndex, 8);
  EXPECT_EQ(keep.HistorySettings[0], 7);
  EXPECT_EQ(keep.TempTarget, "t");
}

TEST_F(ParamCollectionTest, GameBlockRecordsAreWrittenLastFirst) {
  Declare("first", kTypeInt);
  Declare("second", kTypeInt);
  ByteWriter w;
  table.SaveGame(w);
  ByteReader r(w.Str(), "save");
  EXPECT_EQ(r.U32(), 2u);
  EXPECT_EQ(r.U8(), kTypeInt);
  EXPECT_EQ(r.String(), "second");
}

TEST_F(ParamCollectionTest, LoadGameReplacesGameVariablesAndKeepsStatus) {
  Declare("old", kTypeInt);
  Declare("st", kTypeInt, "5", vsStatus);
  ByteWriter w;
  TParamCollection empty;
  empty.SaveGame(w);
  ByteReader r(w.Str(), "save");
  table.LoadGame(r, 134);
  EXPECT_EQ(table.Find("old"), nullptr);
  EXPECT_EQ(Var("st").AsInteger(), 5);
}

TEST_F(ParamCollectionTest, StatusBlockAppends) {
  Declare("st", kTypeStr, "v", vsStatus);
  ByteWriter w;
  table.SaveStatus(w);
  TParamCollection other;
  bool init = false;
  other.Declare("keep", kTypeInt, vsGlobal, init);
  ByteReader r(w.Str(), "status");
  other.LoadStatus(r);
  EXPECT_TRUE(r.AtEnd());
  EXPECT_EQ(other.Find("st")->Param()->AsString(), "v");
  EXPECT_TRUE(other.Find("st")->IsStatus());
  EXPECT_NE(other.Find("keep"), nullptr);
}

TEST_F(ParamCollectionTest, ReferencesAreSavedAsReferences) {
  Declare("target", kTypeInt, "4");
  TParamCollectionItem& ref = table.AddVariable(kTypeNone);
  ref.SetName("ref");
  static_cast<TParamVar*>(ref.Param())->Bind(table.Find("target")->Param(), table.Find("target"), 0);
  EXPECT_EQ(ref.Param()->TypeCode(), kTypeInt);
  ByteWriter w;
  table.SaveGame(w);
  TParamCollection other;
  ByteReader r(w.Str(), "save");
  other.LoadGame(r, 134);
  EXPECT_TRUE(r.AtEnd());
  ASSERT_NE(other.Find("ref"), nullptr);
  EXPECT_EQ(other.Find("ref")->Param()->Class(), ParamClass::Var);
}

TEST_F(ParamCollectionTest, ReferenceToItselfIsRefused) {
  // A saved reference whose target is its own name: every read would forward to itself for ever.
  ByteWriter w;
  w.U32(1);
  w.U8(kTypeNone);
  w.String("loop");
  w.U32(0);          // no dimensions
  w.String("loop");  // target name
  w.String("loop");  // bound target
  w.U8(0);
  w.I32(0);
  w.U8(0);
  w.U8(0);
  w.I32(-1);
  w.U8(0);
  w.I32(50);
  w.String("");
  const int before = table.Count();
  ByteReader r(w.Str(), "save");
  EXPECT_THROW(table.LoadGame(r, 100), FormatError);
  EXPECT_EQ(table.Count(), before);

  // Two references bound to each other: the second binding is refused and both read neutral.
  TParamCollectionItem& a = table.AddVariable(kTypeNone);
  a.SetName("a");
  TParamCollectionItem& b = table.AddVariable(kTypeNone);
  b.SetName("b");
  auto* ra = static_cast<TParamVar*>(a.Param());
  auto* rb = static_cast<TParamVar*>(b.Param());
  ra->Bind(rb, &b, 0);
  rb->Bind(ra, &a, 0);
  EXPECT_FALSE(rb->IsBound());
  EXPECT_EQ(ra->AsInteger(), 0);
  ra->Bind(ra, &a, 0);
  EXPECT_FALSE(ra->IsBound());
  EXPECT_EQ(ra->AsString(), "");
}

TEST_F(ParamCollectionTest, CorruptRecordsFailWithoutLeftovers) {
  ByteWriter w;
  w.U32(1);
  w.U8(kTypeInt);
  w.String("3bad");  // invalid name
  w.U32(0);
  w.U32(1);
  w.I32(0);
  w.U8(0);
  w.U8(0);
  w.I32(-1);
  w.U8(0);
  w.I32(50);
  w.String("");
  int before = table.Count();
  ByteReader r(w.Str(), "save");
  EXPECT_THROW(table.LoadGame(r, 100), KuzoError);
  EXPECT_EQ(table.Count(), before);
  ByteWriter t;
  t.U32(1);
  t.U8(77);  // no such type
  std::string padded = t.Str() + std::string(20, '\0');
  ByteReader rt(padded, "save");
  EXPECT_THROW(table.LoadGame(rt, 100), FormatError);
  EXPECT_EQ(table.Count(), before);
}

// A host that answers fixed values, to check the system variables' reads, writes and conversions.
class TestHost : public SystemVariableHost {
 public:
  int32_t ArgCount() override { return 2; }
  std::string Arg(int32_t i) override { return i == 0 ? "first" : i == 1 ? "second" : ""; }
  bool KeyPush(int32_t code) override { return code == 13 || code == 257; }
  int32_t MouseX() override { return mouseX; }
  void SetMouseX(int32_t x) override { mouseX = x; }
  bool FullScreen() override { return full; }
  void SetFullScreen(bool b) override { full = b; }
  TCustomParam* CurrentResult() override { return result; }
  LocalDateTime Now() override {
    LocalDateTime t;
    t.year = 2024;
    t.weekDay = 3;
    return t;
  }
  int32_t mouseX = 5;
  bool full = false;
  TCustomParam* result = nullptr;
};

TEST_F(ParamCollectionTest, SystemVariablesReadAndWriteThroughTheHost) {
  TestHost testHost;
  table.SetHost(&testHost);
  EXPECT_EQ(Var("@ParamCount").AsInteger(), 2);
  EXPECT_EQ(Var("@ParamStr").Count(), 2);
  EXPECT_EQ(Var("@ParamStr").StringAt(1), "second");
  EXPECT_EQ(Var("@ParamStr").AsString(), "");  // scalar read of the array is empty
  EXPECT_EQ(Var("@KeyPush").Count(), 258);
  EXPECT_TRUE(Var("@KeyPush").BooleanAt(13));
  EXPECT_TRUE(Var("@KeyPush").BooleanAt(257));
  EXPECT_FALSE(Var("@KeyPush").BooleanAt(300));
  EXPECT_EQ(Var("@Year").AsInteger(), 2024);
  EXPECT_EQ(Var("@Week").AsString(), "3");
  // Integer system variables ignore text that is no integer; flags take text as a number.
  Var("@MouseX").SetString("12");
  EXPECT_EQ(testHost.mouseX, 12);
  Var("@MouseX").SetString("abc");
  EXPECT_EQ(testHost.mouseX, 12);
  Var("@FullScr").SetString("TRUE");
  EXPECT_FALSE(testHost.full);
  Var("@FullScr").SetString("2");
  EXPECT_TRUE(testHost.full);
  // Read-only entries ignore writes.
  Var("@ParamCount").SetInteger(9);
  EXPECT_EQ(Var("@ParamCount").AsInteger(), 2);
  Var("@Pi").SetFloat(3);
  EXPECT_GT(Var("@Pi").AsFloat(), 3.14L);
  EXPECT_EQ(Var("@1Hour").AsFloat(), 1.0L / 24);
  // "@Result" forwards to the interpreter's current result, neutral without one.
  EXPECT_EQ(Var("@Result").Count(), 1);
  EXPECT_EQ(Var("@Result").AsString(), "");
  TParamStr result("r");
  testHost.result = &result;
  EXPECT_EQ(Var("@Result").TypeCode(), kTypeStr);
  Var("@Result").SetString("changed");
  EXPECT_EQ(result.AsString(), "changed");
  table.SetHost(nullptr);
}

TEST_F(ParamCollectionTest, TempStandsForTheNamedVariable) {
  EXPECT_EQ(Var("@Temp").Count(), 1);
  EXPECT_EQ(Var("@Temp").DimCount(), 1);
  Declare("t", kTypeFloat, "1.5");
  EXPECT_EQ(Eval("AssignTemp(\"T\")"), "TRUE");
  EXPECT_EQ(Var("@Temp").AsFloat(), 1.5L);
  EXPECT_EQ(Var("@Temp").TypeCode(), kTypeFloat);
  Eval("@Temp = 4");
  EXPECT_EQ(Var("t").AsFloat(), 4.0L);
  EXPECT_EQ(Eval("AssignTemp(\"nothing\")"), "FALSE");
  EXPECT_EQ(table.TempTarget, "T");
  // "@Temp" standing for itself is absent rather than a loop.
  table.TempTarget = "@Temp";
  EXPECT_EQ(Var("@Temp").AsInteger(), 0);
}

TEST_F(ParamCollectionTest, HostStateCounters) {
  table.SetState(&host);
  host.gameClockMs = 1234;
  host.updateCount = 7;
  EXPECT_EQ(Var("@TickCount").AsInteger(), 1234);
  EXPECT_EQ(Var("@UpdateCount").AsInteger(), 7);
}

}  // namespace
}  // namespace kuzo
