// The evaluator's integer shortcut against its general path: random expressions over integer,
// float, flag, string, array, reference and system variables run on two identical tables, one with
// the shortcut and one without, and must leave the same results, errors and variable states.
#include <gtest/gtest.h>

#include <new>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "core/byte_reader.h"
#include "core/errors.h"
#include "vars/expression.h"
#include "vars_fixture.h"

namespace kuzo {
namespace {

using testing::VarsFixture;

// Every element of every variable except the system ones (whose reads follow the clock and the
// host), plus the stored value behind "@TextDelay".
std::string DumpTable(const TParamCollection& table) {
  std::string out;
  for (int i = 0; i < table.Count(); ++i) {
    const TParamCollectionItem& item = *table.At(i);
    if (item.IsSystem()) continue;
    const TCustomParam& p = *item.Param();
    out += item.Name() + ":" + std::to_string(static_cast<int>(p.Class())) + ":" + std::to_string(p.TypeCode());
    out += "[";
    for (int32_t d : p.Dims()) out += std::to_string(d) + ",";
    out += "]";
    if (p.Class() == ParamClass::Var) {
      try {
        out += "->" + p.AsString();
      } catch (const KuzoError& e) {
        out += "->!" + std::string(e.what());  // its element is gone (the array became a scalar)
      }
    } else {
      for (int32_t k = 0; k < p.Count(); ++k) out += "|" + p.StringAt(k);
    }
    out += "\n";
  }
  out += "@TextDelay=" + std::to_string(table.TextDelay) + "\n";
  return out;
}

std::string DescribeResult(const TKuzoParser& parser) {
  const TCustomParam* r = parser.Result();
  if (!r) return "<none> " + parser.LastError();
  return std::to_string(r->TypeCode()) + ":" + r->AsString() + " " + parser.LastError();
}

// Two tables that start equal; every change is made to both.
class FastPathDifferentialTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (VarsFixture* f : {&fast, &slow}) {
      f->Declare("i", kTypeInt, "5");
      f->Declare("j", kTypeInt, "-3");
      f->Declare("k", kTypeInt, "2147483647");
      f->Declare("n", kTypeInt, "-2147483648");
      f->Declare("f", kTypeFlag, "TRUE");
      f->Declare("g", kTypeFlag);
      f->Declare("x", kTypeFloat, "2.5");
      f->Declare("s", kTypeStr, "12");
      f->Declare("t", kTypeStr, "abc");
      TParamCollectionItem& arr = f->Declare("arr", kTypeInt);
      int32_t three[] = {3};
      arr.Param()->SetDims(three);
      for (int k = 0; k < 3; ++k) arr.Param()->SetIntegerAt(k, 10 * k - 7);
      TParamCollectionItem& fa = f->Declare("fa", kTypeFlag);
      int32_t two[] = {2};
      fa.Param()->SetDims(two);
      fa.Param()->SetBooleanAt(1, true);
      TParamCollectionItem& r = f->Declare("r", kTypeNone);
      static_cast<TParamVar*>(r.Param())->Bind(arr.Param(), &arr, 1);
    }
  }

  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
  template <typename T>
  const T& PickOf(const std::vector<T>& v) {
    return v[static_cast<size_t>(Pick(static_cast<int>(v.size())))];
  }

  std::string Leaf(int depth) {
    static const std::vector<std::string> ints = {"i", "j", "k", "n", "i", "j", "@TextDelay", "@ParamCount"};
    static const std::vector<std::string> others = {"f", "g", "x", "s", "t", "arr", "fa", "r", "@Pi"};
    static const std::vector<std::string> literals = {
        "0", "1", "2", "7", "31", "32", "65536", "2147483647", "$10", "TRUE", "FALSE", "2.5", "0.0",
        "1e3", "\"12\"", "\"abc\"", "\"TRUE\"", "\"-3\"", "\"\""};
    switch (Pick(11)) {
      case 0: case 1: case 2: case 3:
        return PickOf(ints);
      case 4: case 5:
        return PickOf(others);
      case 6: case 7:
        return PickOf(literals);
      case 8:
        return "-" + Leaf(0);
      case 9:
        return (Pick(2) ? "arr[" : "fa[") + (depth > 0 ? Expression(depth - 1) : PickOf(ints)) + "]";
      default:
        return depth > 0 ? "(" + Expression(depth - 1) + ")" : PickOf(ints);
    }
  }

  std::string Expression(int depth) {
    static const std::vector<std::string> ops = {"+",  "-",  "*",  "/",  "%",  "|", "&", "^",  "<<",
                                                 ">>", "==", "<>", "<",  ">",  "<=", ">=", "++", "+"};
    if (depth == 0 || Pick(4) == 0) return Leaf(depth);
    return Expression(depth - 1) + " " + PickOf(ops) + " " + Expression(depth - 1);
  }

  std::string Statement() {
    static const std::vector<std::string> dests = {"i", "j", "k", "n", "f", "g", "x", "s",
                                                   "arr", "fa", "r", "arr[1]", "fa[0]", "@TextDelay"};
    if (Pick(2) == 0) return Expression(3);
    return PickOf(dests) + " = " + Expression(3);
  }

  // Changes made between runs to both tables alike: fresh extreme values, a variable redeclared
  // with another type (the name caches must notice), an integer variable turned into an array.
  void Mutate() {
    const int what = Pick(4);
    const uint8_t type = static_cast<uint8_t>(1 + Pick(4));
    static const std::vector<std::string> values = {"0", "1", "-1", "2147483647", "-2147483648", "TRUE", "31"};
    const std::string& value = PickOf(values);
    for (VarsFixture* f : {&fast, &slow}) {
      switch (what) {
        case 0:
          f->Var("i").SetString(value);
          f->Var("g").SetString(value);
          break;
        case 1:
          f->table.DeleteVariable(*f->table.Find("n"));
          f->Declare("n", type, value);
          break;
        case 2: {
          int32_t sizes[] = {2};
          f->Var("j").SetDims(sizes);
          f->Var("j").SetIntegerAt(1, 9);
          break;
        }
        default:
          f->Var("k").SetString(value);
          break;
      }
    }
  }

  VarsFixture fast, slow;
  std::mt19937 rng{20261209};
};

TEST_F(FastPathDifferentialTest, RandomExpressionsMatchTheGeneralPath) {
  int compiled = 0;
  for (int round = 0; round < 4000; ++round) {
    if (round % 40 == 39) Mutate();
    const std::string text = Statement();
    TKuzoParser a, b;
    try {
      a.CompileText(text);
      b.CompileText(text);
    } catch (const KuzoError&) {
      continue;  // not an expression of the language; both compilers agree on that
    }
    ++compiled;
    b.SetFastPath(false);
    // Several runs of the same parsers: the second and later ones go through the warmed caches
    // and reused temporaries.
    for (int run = 0; run < 3; ++run) {
      if (run == 1) {
        // The interpreter's conditions read the value as a flag without asking for the object.
        const std::optional<bool> flag = a.ExecuteFlag(fast.table);
        b.Execute(slow.table);
        const TCustomParam* r = b.Result();
        ASSERT_EQ(flag, r ? std::optional<bool>(r->AsBoolean()) : std::nullopt) << text;
      } else {
        a.Execute(fast.table);
        b.Execute(slow.table);
      }
      ASSERT_EQ(DescribeResult(a), DescribeResult(b)) << text << " (run " << run << ")";
      ASSERT_EQ(DumpTable(fast.table), DumpTable(slow.table)) << text << " (run " << run << ")";
    }
  }
  EXPECT_GT(compiled, 2000);  // the generator must mostly produce valid expressions
}

// Explicit cases where an integer shortcut would most easily go wrong.
class FastPathTest : public ::testing::Test, public VarsFixture {};

TEST_F(FastPathTest, FlagsCompareAsFlags) {
  Declare("f", kTypeFlag, "TRUE");
  Declare("i", kTypeInt, "5");
  EXPECT_EQ(Eval("f == 5"), "TRUE");  // the left operand is a flag: 5 reads as true
  EXPECT_EQ(Eval("i == f"), "FALSE");  // the left operand is an integer: f reads as 1
  EXPECT_EQ(Eval("f + 5"), "6");
  EXPECT_EQ(ResultType(), kTypeInt);
  EXPECT_EQ(Eval("f < 2"), "FALSE");  // 1 < (2 <> 0 = 1) is false
}

TEST_F(FastPathTest, DestinationsKeepTheirType) {
  Declare("f", kTypeFlag);
  Declare("i", kTypeInt, "1");
  Eval("f = i - 1");
  EXPECT_EQ(Var("f").AsString(), "FALSE");
  Eval("f = i + 1");
  EXPECT_EQ(Var("f").AsString(), "TRUE");
  EXPECT_EQ(Var("f").TypeCode(), kTypeFlag);
  Eval("i = 3 < 4");
  EXPECT_EQ(Var("i").AsInteger(), 1);
  EXPECT_EQ(Var("i").TypeCode(), kTypeInt);
}

TEST_F(FastPathTest, AssigningToAnArrayMakesItAScalar) {
  TParamCollectionItem& a = Declare("a", kTypeInt);
  int32_t sizes[] = {2, 3};
  a.Param()->SetDims(sizes);
  a.Param()->SetIntegerAt(0, 4);
  EXPECT_EQ(Eval("a + 1"), "5");  // a scalar read of an array is element 0
  Eval("a = a * 2");
  EXPECT_TRUE(Var("a").Dims().empty());
  EXPECT_EQ(Var("a").Count(), 1);
  EXPECT_EQ(Var("a").AsInteger(), 8);
}

TEST_F(FastPathTest, RedeclaredVariablesAreFoundAgain) {
  Declare("v", kTypeInt, "1");
  parser.CompileText("v = v + 1");
  parser.Execute(table);
  EXPECT_EQ(Var("v").AsInteger(), 2);
  table.DeleteVariable(*table.Find("v"));
  Declare("v", kTypeStr, "41");
  parser.Execute(table);  // same parser: the cached lookup must not reach the deleted variable
  EXPECT_EQ(Var("v").AsString(), "42");
  EXPECT_EQ(Var("v").TypeCode(), kTypeStr);
  table.DeleteVariable(*table.Find("v"));
  parser.Execute(table);
  EXPECT_EQ(parser.LastError(), "\"v\" 変数がありません");
}

// A parser kept while its table is freed and another is built in the same place, with the same
// history of changes: nothing cached for the first table may reach the second.
TEST(FastPathTableTest, ANewTableAtTheSameAddressIsLookedUpAfresh) {
  for (bool fastPath : {true, false}) {
    TKuzoParser parser;
    parser.CompileText("v = v + 1");
    parser.SetFastPath(fastPath);
    alignas(TParamCollection) unsigned char place[sizeof(TParamCollection)];
    int32_t results[2] = {0, 0};
    for (int round = 0; round < 2; ++round) {
      auto* table = new (place) TParamCollection();
      bool initialise = false;
      table->Declare("v", kTypeInt, vsGlobal, initialise).Param()->SetInteger(10 * round);
      parser.Execute(*table);
      results[round] = table->Find("v")->Param()->AsInteger();
      table->~TParamCollection();
    }
    EXPECT_EQ(results[0], 1);
    EXPECT_EQ(results[1], 11);
  }
}

TEST_F(FastPathTest, ErrorsAndWrapAroundAsInTheGeneralPath) {
  Declare("m", kTypeInt, "-2147483648");
  Declare("z", kTypeInt, "0");
  Declare("done", kTypeInt, "0");
  EXPECT_EQ(Eval("m - 1"), "2147483647");
  EXPECT_EQ(Eval("m * -1"), "-2147483648");
  EXPECT_EQ(Eval("m / -1"), "<none>");
  EXPECT_EQ(parser.LastError(), "整数演算のオーバーフロー");
  EXPECT_EQ(Eval("done = 5 % z"), "<none>");
  EXPECT_EQ(parser.LastError(), "0で除算しました");
  EXPECT_EQ(Var("done").AsInteger(), 0);
  EXPECT_EQ(Eval("m >> 31"), "1");
  EXPECT_EQ(Eval("1 << z - 1"), "-2147483648");  // count -1 & 31 = 31
}

TEST_F(FastPathTest, SystemVariablesGoThroughTheirSetters) {
  Declare("i", kTypeInt, "7");
  Eval("@TextDelay = i * 10");
  EXPECT_EQ(table.TextDelay, 70);
  EXPECT_EQ(Eval("@TextDelay + 1"), "71");
  Eval("@ParamCount = 3");  // read-only: ignored
  EXPECT_EQ(Eval("@ParamCount"), "0");
}

// Operation lists no compiler writes but a page may hold: the value of the expression assigned
// before the last operation, and a temporary assigned twice with values of different types.
class HandWrittenListTest : public ::testing::Test, public VarsFixture {
 protected:
  struct Operand {
    uint8_t kind;
    std::string name;
    int32_t value;
  };
  static Operand Name(std::string n) { return {okName, std::move(n), 0}; }
  static Operand Int(int32_t v) { return {okInt, {}, v}; }
  static void Op(ByteWriter& w, uint8_t code, const std::string& dest, std::vector<Operand> operands) {
    w.U8(code);
    w.String(dest);
    w.U32(static_cast<uint32_t>(operands.size()));
    for (const Operand& o : operands) {
      w.U8(o.kind);
      if (o.kind == okName) {
        w.String(o.name);
      } else {
        w.I32(o.value);
      }
    }
  }
  // Runs the list with and without the shortcut; both must give the same result and error.
  std::string RunBoth(const std::string& bytes) {
    std::string results[2];
    for (int fastPath = 0; fastPath < 2; ++fastPath) {
      TKuzoParser p;
      ByteReader r(bytes, "test list");
      p.ReadFrom(r);
      p.SetFastPath(fastPath != 0);
      p.Execute(table);
      p.Execute(table);
      results[fastPath] = DescribeResult(p);
    }
    EXPECT_EQ(results[0], results[1]);
    return results[1];
  }
};

TEST_F(HandWrittenListTest, ValueAssignedBeforeAFailureIsTheResult) {
  ByteWriter w;
  w.U32(3);
  Op(w, ocTo, "____arg", {Int(5)});
  Op(w, ocDiv, "____0", {Int(1), Int(0)});
  Op(w, ocTo, "____arg", {Int(7)});
  EXPECT_EQ(RunBoth(w.Take()), "1:5 0で除算しました");
}

TEST_F(HandWrittenListTest, TemporaryAssignedAgainKeepsItsFirstType) {
  ByteWriter w;
  w.U32(4);
  Op(w, ocSmall, "____0", {Int(1), Int(2)});  // a flag
  Op(w, ocPlus, "____0", {Int(5), Int(0)});   // written again as the integer 5: stored as true
  Op(w, ocPlus, "____1", {Name("____0"), Int(0)});
  Op(w, ocTo, "____arg", {Name("____1")});
  EXPECT_EQ(RunBoth(w.Take()), "1:1 ");

  Declare("x", kTypeInt, "0");
  ByteWriter copy;
  copy.U32(3);
  Op(copy, ocSmall, "____0", {Int(1), Int(2)});
  Op(copy, ocPlus, "____0", {Int(5), Int(0)});
  Op(copy, ocTo, "x", {Name("____0")});  // the flag temporary holds true, read as 1
  EXPECT_EQ(RunBoth(copy.Take()), "<none> ");
  EXPECT_EQ(Var("x").AsInteger(), 1);
}

TEST_F(HandWrittenListTest, TemporaryReadBeforeItIsAssignedFails) {
  Declare("x", kTypeInt, "1");
  ByteWriter w;
  w.U32(3);
  Op(w, ocTo, "x", {Int(2)});
  Op(w, ocPlus, "____1", {Name("____0"), Int(1)});
  Op(w, ocTo, "____arg", {Name("____1")});
  EXPECT_EQ(RunBoth(w.Take()), "<none> \"____0\" 変数がありません");
  EXPECT_EQ(Var("x").AsInteger(), 2);
}

}  // namespace
}  // namespace kuzo
