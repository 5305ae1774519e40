// The compiler's operation lists (order, temporaries, copy removal), its encoding and its errors.
#include "vars/expression_compiler.h"

#include <gtest/gtest.h>

#include "core/byte_reader.h"
#include "core/errors.h"
#include "vars/expression.h"

namespace kuzo {
namespace {

// "dest=code(op,op,...)" per operation, joined by "; ".
std::string Listing(std::string_view text) {
  TBuildKuzoParser p;
  p.Compile(text);
  std::string out;
  for (const auto& op : p.Ops()) {
    if (!out.empty()) out += "; ";
    out += op.Dest + "=" + std::to_string(op.OpCode) + "(";
    for (size_t i = 0; i < op.Operands.size(); ++i) out += (i ? "," : "") + op.Operands[i];
    out += ")";
  }
  return out;
}

std::string CompileError(std::string_view text) {
  try {
    TBuildKuzoParser::Encode(text);
  } catch (const KuzoError& e) {
    return e.what();
  }
  return "(no error)";
}

std::string Hex(const std::string& bytes) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  for (unsigned char b : bytes) {
    out += kHex[b >> 4];
    out += kHex[b & 15];
  }
  return out;
}

TEST(ExpressionCompiler, WorkedExampleKeepsOrderTemporariesAndCopyRemoval) {
  EXPECT_EQ(Listing("x = (a + 1) * IntToStr(b, 2)"),
            "____0=11(IntToStr,b,2); ____2=2(a,1); ____3=4(____2,____0); x=1(____3)");
}

TEST(ExpressionCompiler, PrecedenceAndLeftToRight) {
  EXPECT_EQ(Listing("1 + 2 * 3"), "____0=4(2,3); ____1=2(1,____0); ____arg=1(____1)");
  EXPECT_EQ(Listing("10 - 4 - 3"), "____0=3(10,4); ____1=3(____0,3); ____arg=1(____1)");
  // Comparisons share one level and reduce leftmost first.
  EXPECT_EQ(Listing("1 < 2 == TRUE"), "____0=14(1,2); ____1=12(____0,TRUE); ____arg=1(____1)");
  // "++" binds looser than comparisons, "&" looser than "++", then "^", then "|".
  EXPECT_EQ(Listing("a | b ^ c & d ++ e"),
            "____0=19(d,e); ____1=8(c,____0); ____2=9(b,____1); ____3=7(a,____2); ____arg=1(____3)");
  EXPECT_EQ(Listing("a << 1 + 2"), "____0=2(1,2); ____1=17(a,____0); ____arg=1(____1)");
}

TEST(ExpressionCompiler, UnarySigns) {
  EXPECT_EQ(Listing("-5"), "____0=3(0,5); ____arg=1(____0)");
  EXPECT_EQ(Listing("3 * -2"), "____0=3(0,2); ____1=4(3,____0); ____arg=1(____1)");
  EXPECT_EQ(Listing("--2"), "____0=3(0,2); ____1=3(0,____0); ____arg=1(____1)");
  EXPECT_EQ(Listing("+5"), "____0=2(0,5); ____arg=1(____0)");
  EXPECT_EQ(Listing("a = +b"), "a=1(b)");
  // A leading sign applies to the product after it (the product is reduced first).
  EXPECT_EQ(Listing("-a * b"), "____0=4(a,b); ____1=3(0,____0); ____arg=1(____1)");
}

TEST(ExpressionCompiler, LiteralsBecomeTemporariesFirst) {
  EXPECT_EQ(Listing("s = \"ab\" ++ 1"), "____0=1(\"ab\"); ____1=19(____0,1); s=1(____1)");
  EXPECT_EQ(Listing("\"a\\\"b\""), "____0=1(\"a\"b\"); ____arg=1(____0)");
  EXPECT_EQ(Listing("\"a\\tb\\\\c\\n\""), "____0=1(\"a\\tb\\c\r\n\"); ____arg=1(____0)");
  // Commas and parentheses inside a literal do not split arguments.
  EXPECT_EQ(Listing("Length(\"a,(b\")"), "____0=1(\"a,(b\"); ____1=11(Length,____0); ____arg=1(____1)");
  // An unclosed quote is no literal.
  EXPECT_EQ(Listing("\"abc"), "____arg=1(\"abc)");
}

TEST(ExpressionCompiler, CallsNestAndCompileArgumentsWithOperators) {
  EXPECT_EQ(Listing("Max(Min(1, 2), 3)"), "____0=11(Min,1,2); ____1=11(Max,____0,3); ____arg=1(____1)");
  // The argument temporary ____1 = ____2 is removed as a copy: the call reads ____2.
  EXPECT_EQ(Listing("IntToStr(a + 1)"), "____2=2(a,1); ____0=11(IntToStr,____2); ____arg=1(____0)");
  // A signed literal argument is compiled; the copy into its temporary is propagated.
  EXPECT_EQ(Listing("Abs(-1)"), "____2=3(0,1); ____0=11(Abs,____2); ____arg=1(____0)");
  EXPECT_EQ(Listing("Random (6)"), "____0=11(Random,6); ____arg=1(____0)");
  EXPECT_EQ(Listing("DBGetActive()"), "____0=11(DBGetActive); ____arg=1(____0)");
  // Redundant parentheses around an argument are dropped.
  EXPECT_EQ(Listing("Abs((x))"), "____0=11(Abs,x); ____arg=1(____0)");
}

TEST(ExpressionCompiler, ArrayElements) {
  EXPECT_EQ(Listing("a[1, 2]"), "____d_0=10(a,1,2); ____arg=1(____d_0)");
  EXPECT_EQ(Listing("a[i + 1] = 5"), "____2=2(i,1); ____d_0=10(a,____2); ____d_0=1(5)");
  EXPECT_EQ(Listing("a[b[0]]"), "____d_0=10(b,0); ____d_1=10(a,____d_0); ____arg=1(____d_1)");
  // Element references are never removed as copies.
  EXPECT_EQ(Listing("x = a [0]"), "____d_0=10(a,0); x=1(____d_0)");
}

TEST(ExpressionCompiler, ParenthesesGroup) {
  EXPECT_EQ(Listing("(1 + 2) * 3"), "____1=2(1,2); ____2=4(____1,3); ____arg=1(____2)");
  EXPECT_EQ(Listing("((a))"), "____0=1(a); ____arg=1(____0)");
}

TEST(ExpressionCompiler, EmptyAndSingleTokens) {
  EXPECT_EQ(Listing(""), "____arg=1()");
  EXPECT_EQ(Listing("x"), "____arg=1(x)");
  EXPECT_EQ(Listing("x = 5"), "x=1(5)");
  EXPECT_EQ(Listing("@MouseX"), "____arg=1(@MouseX)");
  EXPECT_EQ(Listing("a b"), "____arg=1(a b)");  // blanks inside an operand belong to it
}

TEST(ExpressionCompiler, DoubleByteCharactersAreUnits) {
  // A trail byte 0x5B ("[") or 0x7C ("|") inside a name is not an operator.
  std::string name = "\x83\x5B\x83\x7C";  // two katakana whose trail bytes look like "[" and "|"
  EXPECT_EQ(Listing(name + " = 1"), name + "=1(1)");
  // A trail byte 0x5C inside a literal is no escape.
  std::string so = "\x83\x5C";
  EXPECT_EQ(Listing("\"" + so + "\""), "____0=1(\"" + so + "\"); ____arg=1(____0)");
}

TEST(ExpressionCompiler, SyntaxErrors) {
  const std::string syntax = "構文エラー";
  EXPECT_EQ(CompileError("a = b = c"), syntax);
  EXPECT_EQ(CompileError("a[1][2]"), syntax);
  EXPECT_EQ(CompileError("(x)[1]"), syntax);
  EXPECT_EQ(CompileError("(1 + 2"), syntax);
  EXPECT_EQ(CompileError("1 + 2)"), syntax);
  EXPECT_EQ(CompileError("a[1"), syntax);
  EXPECT_EQ(CompileError("= 1"), syntax);
  EXPECT_EQ(CompileError("1 2 +"), syntax);
  EXPECT_EQ(CompileError("* 2"), syntax);
  EXPECT_EQ(CompileError("a + * b"), syntax);
  EXPECT_EQ(CompileError("x = 1, 2"), syntax);  // leftovers after an assignment
  EXPECT_EQ(CompileError("a[]"), "配列の添え字が不正です");
}

TEST(ExpressionCompiler, FunctionNamesAndArgumentCountsAreCheckedWhenEncoding) {
  EXPECT_EQ(CompileError("f(1)"), "\"f\" 関数名がありません");
  EXPECT_EQ(CompileError("inttostr(1)"), "\"inttostr\" 関数名がありません");  // case-sensitive
  EXPECT_EQ(CompileError("IntToStr()"), "IntToStr 引数の数が不正です");
  EXPECT_EQ(CompileError("IntToStr(1, 2, 3)"), "IntToStr 引数の数が不正です");
  EXPECT_EQ(CompileError("SetArray(a, 1, 2, 3, 4, 5, 6, 7)"), "(no error)");  // no maximum
}

TEST(ExpressionCompiler, EncodingIsByteExact) {
  // x = 5: one op, code 1, dest "x", one operand of kind integer.
  EXPECT_EQ(Hex(TBuildKuzoParser::Encode("x = 5")), "01000000" "01" "01000000" "78" "01000000" "01" "05000000");
  // A call: operand count without the name, then the function number (Abs = 48).
  EXPECT_EQ(Hex(TBuildKuzoParser::Encode("Abs(y)")),
            "02000000"
            "0b" "05000000" "5f5f5f5f30" "01000000" "30" "00" "01000000" "79"
            "01" "07000000" "5f5f5f5f617267" "01000000" "00" "05000000" "5f5f5f5f30");
  // Float 1.5, flag TRUE, string "", "$"-hexadecimal integer.
  EXPECT_EQ(Hex(TBuildKuzoParser::Encode("x = 1.5")),
            "01000000" "01" "01000000" "78" "01000000" "02" "00000000000000c0ff3f");
  EXPECT_EQ(Hex(TBuildKuzoParser::Encode("x = TRUE")), "01000000" "01" "01000000" "78" "01000000" "03" "01");
  EXPECT_EQ(Hex(TBuildKuzoParser::Encode("x = $FF")), "01000000" "01" "01000000" "78" "01000000" "01" "ff000000");
  EXPECT_EQ(Hex(TBuildKuzoParser::Encode("\"\"")),
            "02000000"
            "01" "05000000" "5f5f5f5f30" "01000000" "04" "00000000"
            "01" "07000000" "5f5f5f5f617267" "01000000" "00" "05000000" "5f5f5f5f30");
}

TEST(ExpressionCompiler, EncodedStreamReadsBackAndWritesTheSameBytes) {
  for (const char* text : {"x = (a + 1) * IntToStr(b, 2)", "a[1, 2] = -3.25e2 ++ \"q\"", "Calc(\"y = 1\")",
                           "x = $7FFFFFFF + 3000000000 >= FALSE <> TRUE"}) {
    std::string bytes = TBuildKuzoParser::Encode(text);
    TKuzoParser parser;
    ByteReader r(bytes, "test");
    parser.ReadFrom(r);
    EXPECT_TRUE(r.AtEnd()) << text;
    ByteWriter w;
    parser.WriteTo(w);
    EXPECT_EQ(Hex(w.Str()), Hex(bytes)) << text;
  }
}

}  // namespace
}  // namespace kuzo
