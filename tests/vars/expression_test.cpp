// Evaluation of compiled expressions: arithmetic and its types, comparisons, strings, arrays,
// failures that keep earlier effects, temporaries and nested evaluations.
#include "vars/expression.h"

#include <gtest/gtest.h>

#include "core/byte_reader.h"
#include "vars/expression_compiler.h"
#include "vars/float80.h"
#include "vars_fixture.h"

namespace kuzo {
namespace {

class ExpressionTest : public ::testing::Test, public testing::VarsFixture {};

TEST_F(ExpressionTest, IntegerArithmetic) {
  EXPECT_EQ(Eval("1 + 2 * 3"), "7");
  EXPECT_EQ(Eval("10 - 4 - 3"), "3");
  EXPECT_EQ(Eval("7 / 2"), "3");
  EXPECT_EQ(Eval("-7 / 2"), "-3");
  EXPECT_EQ(Eval("-7 % 3"), "-1");
  EXPECT_EQ(Eval("7 % -3"), "1");
  EXPECT_EQ(Eval("-5"), "-5");
  EXPECT_EQ(Eval("3 * -2"), "-6");
  EXPECT_EQ(Eval("--2"), "2");
  EXPECT_EQ(ResultType(), kTypeInt);
  EXPECT_EQ(Eval("2147483647 + 1"), "-2147483648");  // wraps
  EXPECT_EQ(Eval("65536 * 65536"), "0");
}

TEST_F(ExpressionTest, FloatArithmeticFollowsTheOperands) {
  EXPECT_EQ(Eval("7.0 / 2"), "3.5");
  EXPECT_EQ(ResultType(), kTypeFloat);
  EXPECT_EQ(Eval("1 + 0.25"), "1.25");
  EXPECT_EQ(Eval("0.1 + 0.2"), "0.3");
  EXPECT_EQ(Eval("1e20 * 10"), "1E21");
}

TEST_F(ExpressionTest, BitsAndShifts) {
  EXPECT_EQ(Eval("12 | 3"), "15");
  EXPECT_EQ(Eval("12 & 6"), "4");
  EXPECT_EQ(Eval("12 ^ 6"), "10");
  EXPECT_EQ(Eval("1 << 33"), "2");  // count taken mod 32
  EXPECT_EQ(Eval("-1 >> 28"), "15");  // zero-filling
  EXPECT_EQ(Eval("-8 >> 0"), "-8");
}

TEST_F(ExpressionTest, DivisionByZeroStopsTheEvaluation) {
  Declare("x", kTypeInt, "1");
  EXPECT_EQ(Eval("5 / 0"), "<none>");
  EXPECT_EQ(Eval("5 % 0"), "<none>");
  EXPECT_EQ(Eval("5.0 / 0"), "<none>");
  EXPECT_EQ(Eval("-2147483647 - 1 / -1"), "-2147483646");  // "/" first: 1 / -1
  Declare("m", kTypeInt, "-2147483648");
  EXPECT_EQ(Eval("m / -1"), "<none>");
  EXPECT_EQ(Eval("m % -1"), "<none>");
  // An assignment done before the failing operation stays done.
  Declare("y", kTypeInt, "0");
  EXPECT_EQ(Eval("Calc(\"y = 7\") ++ 1 / 0"), "<none>");
  EXPECT_EQ(Var("y").AsInteger(), 7);
}

TEST_F(ExpressionTest, StringsPlusIsNumericAndPlusPlusJoins) {
  EXPECT_EQ(Eval("\"ab\" ++ 1"), "ab1");
  EXPECT_EQ(ResultType(), kTypeStr);
  EXPECT_EQ(Eval("\"2\" + \"3\""), "5");
  EXPECT_EQ(ResultType(), kTypeStr);
  EXPECT_EQ(Eval("\"abc\" + 1"), "1");
  EXPECT_EQ(Eval("1 ++ 2"), "12");
  EXPECT_EQ(Eval("\"a\\\"b\""), "a\"b");
  EXPECT_EQ(Eval("\"a\\tb\""), "a\\tb");
  EXPECT_EQ(Eval("\"x\\ny\""), "x\r\ny");
}

TEST_F(ExpressionTest, ComparisonsGoByTheLeftOperandsType) {
  EXPECT_EQ(Eval("1 < 2 == TRUE"), "TRUE");
  EXPECT_EQ(Eval("2 == 2.5"), "TRUE");  // integer comparison: 2.5 reads as 2
  EXPECT_EQ(Eval("2.5 == 2"), "FALSE");
  EXPECT_EQ(Eval("\"b\" > \"a\""), "TRUE");
  EXPECT_EQ(Eval("\"B\" > \"a\""), "FALSE");  // byte order, case-sensitive
  EXPECT_EQ(Eval("\"\x82\xa0\" > \"z\""), "TRUE");  // bytes compare unsigned
  EXPECT_EQ(Eval("\"10\" < \"9\""), "TRUE");
  EXPECT_EQ(Eval("TRUE > FALSE"), "TRUE");
  EXPECT_EQ(Eval("3 <> 3"), "FALSE");
  EXPECT_EQ(Eval("3 >= 3"), "TRUE");
  EXPECT_EQ(Eval("3 <= 2"), "FALSE");
  EXPECT_EQ(ResultType(), kTypeFlag);
}

TEST_F(ExpressionTest, AssignmentConvertsToTheDestinationAndYieldsNoValue) {
  Declare("i", kTypeInt);
  Declare("s", kTypeStr);
  Declare("f", kTypeFloat);
  Declare("b", kTypeFlag);
  EXPECT_EQ(Eval("i = 2.9"), "<none>");
  EXPECT_EQ(Var("i").AsInteger(), 2);
  Eval("i = -2.9");
  EXPECT_EQ(Var("i").AsInteger(), -2);
  Eval("s = 1.5 * 2");
  EXPECT_EQ(Var("s").AsString(), "3");
  Eval("f = \"2.5\"");
  EXPECT_EQ(Var("f").AsFloat(), 2.5L);
  Eval("b = \"TRUE\"");
  EXPECT_TRUE(Var("b").AsBoolean());
  Eval("b = \"true\"");
  EXPECT_FALSE(Var("b").AsBoolean());
  Eval("i = \"12abc\"");
  EXPECT_EQ(Var("i").AsInteger(), 0);
  // Names are found without regard to case.
  Eval("I = 9");
  EXPECT_EQ(Var("i").AsInteger(), 9);
}

TEST_F(ExpressionTest, MissingVariablesFail) {
  EXPECT_EQ(Eval("x = 5"), "<none>");
  EXPECT_EQ(table.Find("x"), nullptr);
  EXPECT_EQ(Eval("nothing + 1"), "<none>");
  EXPECT_EQ(Eval(""), "<none>");
  EXPECT_EQ(Eval("   "), "<none>");
}

TEST_F(ExpressionTest, ArrayElementsRowMajor) {
  TParamCollectionItem& a = Declare("a", kTypeInt);
  int32_t sizes[] = {2, 3};
  a.Param()->SetDims(sizes);
  for (int i = 0; i < 6; ++i) a.Param()->SetIntegerAt(i, 10 * i);
  EXPECT_EQ(Eval("a[1, 2]"), "50");
  EXPECT_EQ(Eval("a[0, 1] + a[1, 0]"), "40");
  EXPECT_EQ(Eval("a[2, 0]"), "<none>");  // flat index 6 is beyond the count
  EXPECT_EQ(parser.LastError(), "a[2,0]\r\n要素数を超えています");
  EXPECT_EQ(Eval("a[1]"), "<none>");
  EXPECT_EQ(parser.LastError(), "a[1]\r\n添え字が不正です");
  EXPECT_EQ(Eval("a[0, 3]"), "30");  // only the flat index is checked
  Eval("a[1, 1] = 7");
  EXPECT_EQ(a.Param()->IntegerAt(4), 7);
  EXPECT_EQ(a.Param()->Count(), 6);  // writing an element keeps the array
  // Assigning the whole variable turns it into a scalar.
  Eval("a = 7");
  EXPECT_EQ(a.Param()->Count(), 1);
  EXPECT_TRUE(a.Param()->Dims().empty());
  // A scalar is one dimension of size 1.
  EXPECT_EQ(Eval("a[0]"), "7");
  EXPECT_EQ(Eval("a[1]"), "<none>");
}

TEST_F(ExpressionTest, ElementIndicesAreExpressions) {
  TParamCollectionItem& a = Declare("a", kTypeStr);
  int32_t sizes[] = {4};
  a.Param()->SetDims(sizes);
  Declare("i", kTypeInt, "1");
  Eval("a[i + 1] = \"x\" ++ i");
  EXPECT_EQ(a.Param()->StringAt(2), "x1");
  Declare("idx", kTypeInt);
  TParamCollectionItem& b = Declare("b", kTypeInt);
  b.Param()->SetDims(sizes);
  b.Param()->SetIntegerAt(0, 3);
  EXPECT_EQ(Eval("a[b[0]] = \"y\""), "<none>");
  EXPECT_EQ(a.Param()->StringAt(3), "y");
}

TEST_F(ExpressionTest, LoopStepOnTheSameParserKeepsCounting) {
  Declare("i", kTypeInt, "0");
  parser.CompileText("i = i + 1");
  for (int k = 0; k < 1000; ++k) parser.Execute(table);
  EXPECT_EQ(Var("i").AsInteger(), 1000);
}

TEST_F(ExpressionTest, NameCacheFollowsScopeChanges) {
  Declare("x", kTypeInt, "1");
  parser.CompileText("x + 0");
  parser.Execute(table);
  EXPECT_EQ(parser.Result()->AsInteger(), 1);
  table.SetFrameLevel(1);
  Declare("x", kTypeInt, "2", vsLocal);
  parser.Execute(table);
  EXPECT_EQ(parser.Result()->AsInteger(), 2);
  table.DeleteOwnedBy(1);
  table.SetFrameLevel(0);
  parser.Execute(table);
  EXPECT_EQ(parser.Result()->AsInteger(), 1);
  table.DeleteVariable(*table.Find("x"));
  parser.Execute(table);
  EXPECT_EQ(parser.Result(), nullptr);
}

TEST_F(ExpressionTest, TemporariesNeverEnterTheTable) {
  int before = table.Count();
  EXPECT_EQ(Eval("(1 + 2) * Abs(-3)"), "9");
  EXPECT_EQ(table.Count(), before);
  EXPECT_EQ(table.Find("____arg"), nullptr);
}

TEST_F(ExpressionTest, NestedCalcDoesNotDisturbTheOuterTemporaries) {
  Declare("y", kTypeInt, "0");
  EXPECT_EQ(Eval("10 * 2 + Length(Calc(\"y = 100 * 3 + 1\")) + y"), "325");
  EXPECT_EQ(Var("y").AsInteger(), 301);
  // The outer literal temporary ____0 ("ab") is made before the call; the inner text numbers its
  // own temporaries from 0 as well and must not overwrite it.
  Declare("z", kTypeStr);
  EXPECT_EQ(Eval("\"ab\" ++ Calc(\"z = \\\"q\\\" ++ 1\")"), "abTRUE");
  EXPECT_EQ(Var("z").AsString(), "q1");
}

TEST_F(ExpressionTest, CalcNestingIsLimited) {
  Declare("s", kTypeStr, "Calc(s)");
  // The innermost call fails at the limit inside its own evaluation; the outer ones finish.
  EXPECT_EQ(Eval("Calc(s)"), "TRUE");
  EXPECT_EQ(functions.CalcDepth(), 0);
  EXPECT_EQ(Eval("Calc(\"Calc(\\\"\\\")\")"), "TRUE");
}

TEST_F(ExpressionTest, CalcCompileErrorEndsTheCallingEvaluation) {
  Declare("y", kTypeInt, "0");
  EXPECT_EQ(Eval("Calc(\"1 +\")"), "<none>");
  EXPECT_EQ(Eval("Calc(\"\")"), "");  // empty text: nothing done, result left empty
  EXPECT_EQ(Eval("Calc(\"nothing = 1\")"), "TRUE");  // run-time failures stay inside
}

TEST_F(ExpressionTest, ReenteredParserRunsOnACopy) {
  // A built-in that evaluates the very parser that called it.
  Declare("n", kTypeInt, "0");
  TKuzoParser* self = &parser;
  int calls = 0;
  functions.SetHandler(19, [&](BuiltinCall& c) {
    if (calls++ < 3) self->Execute(table);
    c.Result().SetBoolean(true);
  });
  parser.CompileText("n = n + 1 + Exists(\"x\") * 0");
  parser.Execute(table);
  EXPECT_EQ(Var("n").AsInteger(), 4);
}

TEST_F(ExpressionTest, ResultIsAFreeStandingCopy) {
  Declare("s", kTypeStr, "abc");
  parser.CompileText("s");
  parser.Execute(table);
  Var("s").SetString("changed");
  EXPECT_EQ(parser.Result()->AsString(), "abc");
}

TEST_F(ExpressionTest, ComparisonsThroughSystemVariables) {
  EXPECT_EQ(Eval("@TextDelay == 50"), "TRUE");
  Eval("@TextDelay = 20");
  EXPECT_EQ(table.TextDelay, 20);
  EXPECT_EQ(Eval("@Pi > 3.14159 & @Pi < 3.1416"), "1");
}

TEST_F(ExpressionTest, InvalidOperationCodesStopTheRun) {
  ByteWriter w;
  w.U32(2);
  w.U8(21);  // no such operation
  w.String("____0");
  w.U32(1);
  w.U8(okInt);
  w.I32(1);
  w.U8(ocTo);
  w.String("____arg");
  w.U32(1);
  w.U8(okInt);
  w.I32(1);
  ByteReader r(w.Str(), "test");
  parser.ReadFrom(r);
  parser.Execute(table);
  EXPECT_EQ(parser.Result(), nullptr);
  EXPECT_EQ(parser.LastError(), "不正な式\r\n\r\n代入先:____0演算タイプ:ocUnknown\r\n1");
}

TEST_F(ExpressionTest, TruncatedStreamsAreFormatErrors) {
  std::string bytes = TBuildKuzoParser::Encode("x = (a + 1) * IntToStr(b, 2)");
  for (size_t n = 0; n < bytes.size(); ++n) {
    ByteReader r(std::string_view(bytes).substr(0, n), "page");
    EXPECT_THROW(parser.ReadFrom(r), FormatError) << n;
  }
  ByteWriter w;
  w.U32(1);
  w.U8(ocTo);
  w.String("x");
  w.U32(1);
  w.U8(9);  // no such operand kind
  ByteReader r(w.Str(), "page");
  EXPECT_THROW(parser.ReadFrom(r), FormatError);
}

TEST_F(ExpressionTest, AssignCopiesTheList) {
  Declare("v", kTypeInt);
  TKuzoParser copy;
  {
    TKuzoParser original;
    original.CompileText("v = 40 + 2");
    copy.Assign(original);
  }
  copy.Execute(table);
  EXPECT_EQ(Var("v").AsInteger(), 42);
}

}  // namespace
}  // namespace kuzo
