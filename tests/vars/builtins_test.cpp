// Built-in functions: strings by bytes and characters, paths, arrays, numbers, dates, variables,
// and the functions that wait for later subsystems.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/errors.h"
#include "vars/kana.h"
#include "vars_fixture.h"

namespace kuzo {
namespace {

class BuiltinsTest : public ::testing::Test, public testing::VarsFixture {};

TEST_F(BuiltinsTest, TableShape) {
  EXPECT_EQ(TSysFuncMan::FindFunction("IntToStr"), 0);
  EXPECT_EQ(TSysFuncMan::FindFunction("Calc"), 136);
  EXPECT_EQ(TSysFuncMan::FindFunction("DeleteStack"), 142);
  EXPECT_EQ(TSysFuncMan::FindFunction("DBClearRecord"), 124);
  EXPECT_EQ(TSysFuncMan::FindFunction("HanToZen"), 85);
  EXPECT_EQ(TSysFuncMan::FindFunction("abs"), -1);
  EXPECT_EQ(TSysFuncMan::Info(21).maxArgs, kNoMaxArgs);
  EXPECT_EQ(TSysFuncMan::Info(91).minArgs, 0);
  EXPECT_EQ(TSysFuncMan::Info(38).resultType, kTypeFloat);
  EXPECT_EQ(TSysFuncMan::PropertyType(95), kTypeFloat);
  EXPECT_EQ(TSysFuncMan::PropertyType(47), kTypeFlag);
  EXPECT_EQ(TSysFuncMan::PropertyType(162), kTypeNone);
  for (int i = 0; i < kSysFuncCount; ++i) {
    EXPECT_EQ(TSysFuncMan::FindFunction(TSysFuncMan::Info(i).name), i);  // names are unique
  }
}

TEST_F(BuiltinsTest, IntegerText) {
  EXPECT_EQ(Eval("IntToStr(7, 3)"), "007");
  EXPECT_EQ(Eval("IntToStr(-7, 3)"), "-007");
  EXPECT_EQ(Eval("IntToStr(-2147483647 - 1)"), "-2147483648");
  EXPECT_EQ(Eval("IntToStr(12345, 2)"), "12345");
  EXPECT_EQ(Eval("IntToHex(255, 4)"), "00FF");
  EXPECT_EQ(Eval("IntToHex(-1, 2)"), "FFFFFFFF");
  EXPECT_EQ(Eval("IntToStr(1, 2000000000)"), "<none>");  // capped padding ends the evaluation
  EXPECT_EQ(Eval("StrToIntDef(\"$10\", 5)"), "16");
  EXPECT_EQ(Eval("StrToIntDef(\"1x\", 5)"), "5");
  EXPECT_EQ(Eval("StrToFloatDef(\"2.5\", 1)"), "2.5");
  EXPECT_EQ(Eval("StrToFloatDef(\"x\", 1.5)"), "1.5");
}

TEST_F(BuiltinsTest, CopyDeleteInsertByBytesAndCharacters) {
  EXPECT_EQ(Eval("Copy(\"abcde\", 2, 3)"), "bcd");
  EXPECT_EQ(Eval("Copy(\"abcde\", 2)"), "bcde");
  EXPECT_EQ(Eval("Copy(\"abcde\", 0, 2)"), "ab");
  EXPECT_EQ(Eval("Copy(\"abcde\", 9)"), "");
  EXPECT_EQ(Eval("Copy(\"abc\", 1, -1)"), "");
  std::string kana = "\x82\xa0\x82\xa2\x82\xa4";  // three double-byte characters
  Declare("k", kTypeStr, kana);
  EXPECT_EQ(Eval("JLength(k)"), "3");
  EXPECT_EQ(Eval("Length(k)"), "6");
  EXPECT_EQ(Eval("JCopy(k, 2, 1)"), "\x82\xa2");
  EXPECT_EQ(Eval("JPos(\"\x82\xa4\", k)"), "3");
  EXPECT_EQ(Eval("Pos(\"\x82\xa4\", k)"), "5");
  // A byte match that starts inside a character is no match.
  Declare("mid", kTypeStr, "\xa0\x82");
  EXPECT_EQ(Eval("Pos(mid, k)"), "0");
  Declare("s", kTypeStr, "abcde");
  EXPECT_EQ(Eval("Delete(s, 2, 2)"), "");  // result unset
  EXPECT_EQ(Var("s").AsString(), "ade");
  Eval("Delete(s, 2)");
  EXPECT_EQ(Var("s").AsString(), "a");
  Eval("Delete(s, 5, 1)");
  EXPECT_EQ(Var("s").AsString(), "a");
  Eval("JDelete(k, 1, 1)");
  EXPECT_EQ(Var("k").AsString(), "\x82\xa2\x82\xa4");
  Eval("Insert(\"XY\", s, 1)");
  EXPECT_EQ(Var("s").AsString(), "XYa");
  Eval("Insert(\"!\", s, 99)");
  EXPECT_EQ(Var("s").AsString(), "XYa!");
  Eval("JInsert(\"-\", k, 2)");
  EXPECT_EQ(Var("k").AsString(), "\x82\xa2-\x82\xa4");
  // A literal first argument: nothing visible happens, nothing breaks.
  EXPECT_EQ(Eval("Delete(\"abc\", 1, 1)"), "");
  Declare("n", kTypeInt, "123");
  Eval("Delete(n, 1, 1)");
  EXPECT_EQ(Var("n").AsInteger(), 23);
}

TEST_F(BuiltinsTest, CompareTrimAndCase) {
  EXPECT_EQ(Eval("CompareStr(\"a\", \"b\") < 0"), "TRUE");
  EXPECT_EQ(Eval("CompareStr(\"ab\", \"ab\")"), "0");
  EXPECT_EQ(Eval("CompareText(\"ABC\", \"abc\")"), "0");
  EXPECT_EQ(Eval("CompareText(\"b\", \"A\") > 0"), "TRUE");
  Declare("t", kTypeStr, "\t x y \r\n");
  EXPECT_EQ(Eval("Trim(t)"), "x y");
  Declare("j", kTypeStr, "\x81\x40 a\t\x81\x40");
  EXPECT_EQ(Eval("JTrim(j)"), "a\t");
  // A trail byte 0x40 after another lead byte is no full-width blank.
  Declare("j2", kTypeStr, "\x88\x81\x40");
  EXPECT_EQ(Eval("JTrim(j2)"), "\x88\x81\x40");
  // Case rules touch ASCII letters only; trail bytes in the letter range stay as they are.
  Declare("m", kTypeStr, "Ab\x83\x61z");
  EXPECT_EQ(Eval("UpperCase(m)"), "AB\x83\x61Z");
  EXPECT_EQ(Eval("LowerCase(m)"), "ab\x83\x61z");
  Declare("cut", kTypeStr, "ab\x82");  // a lead byte before a closing quote would swallow it
  EXPECT_EQ(Eval("FixStr(cut)"), "ab");
  EXPECT_EQ(Eval("FixStr(\"a\x82\xa0\")"), "a\x82\xa0");
}

TEST_F(BuiltinsTest, Paths) {
  Declare("p", kTypeStr, "c:\\dir\\\x83\x5c\\file.txt");  // a katakana whose trail byte is 0x5C
  EXPECT_EQ(Eval("ExtractFilePath(p)"), "c:\\dir\\\x83\x5c\\");
  EXPECT_EQ(Eval("ExtractFileName(p)"), "file.txt");
  EXPECT_EQ(Eval("ExtractFileExt(p)"), ".txt");
  EXPECT_EQ(Eval("ChangeFileExt(p, \".bmp\")"), "c:\\dir\\\x83\x5c\\file.bmp");
  Declare("q", kTypeStr, "dir.v\\\x83\x5c");
  EXPECT_EQ(Eval("ExtractFileName(q)"), "\x83\x5c");
  EXPECT_EQ(Eval("ExtractFileExt(q)"), "");
  EXPECT_EQ(Eval("AddBackSlash(q)"), "dir.v\\\x83\x5c\\");
  EXPECT_EQ(Eval("AddBackSlash(\"a\\\\\")"), "a\\");
  EXPECT_EQ(Eval("AddBackSlash(\"\")"), "\\");
  EXPECT_EQ(Eval("IsPathDelimiter(q, 6)"), "TRUE");
  EXPECT_EQ(Eval("IsPathDelimiter(q, 8)"), "FALSE");  // trail byte
  EXPECT_EQ(Eval("IsPathDelimiter(q, 0)"), "FALSE");
  EXPECT_EQ(Eval("IsDelimiter(\".,\", \"a,b\", 2)"), "TRUE");
  EXPECT_EQ(Eval("IsDelimiter(\".,\", \"a,b\", 3)"), "FALSE");
}

TEST_F(BuiltinsTest, RepeatReplaceAndDelimiters) {
  EXPECT_EQ(Eval("StringOfChar(\"ab\", 3)"), "ababab");
  EXPECT_EQ(Eval("StringOfChar(\"ab\", -1)"), "");
  EXPECT_EQ(Eval("StringOfChar(\"ab\", 2000000000)"), "<none>");
  EXPECT_EQ(Eval("StringReplace(\"aAaA\", \"a\", \"x\")"), "xAaA");
  EXPECT_EQ(Eval("StringReplace(\"aAaA\", \"a\", \"x\", TRUE)"), "xAxA");
  EXPECT_EQ(Eval("StringReplace(\"aAaA\", \"a\", \"x\", TRUE, TRUE)"), "xxxx");
  EXPECT_EQ(Eval("StringReplace(\"abc\", \"\", \"x\", TRUE)"), "abc");
  // "\" inside a double-byte character is not replaced.
  Declare("so", kTypeStr, "\x83\x5c\\");
  EXPECT_EQ(Eval("StringReplace(so, \"\\\\\", \"/\", TRUE)"), "\x83\x5c/");
  EXPECT_EQ(Eval("AddDelimiter(\"x\", \",\")"), ",x");
  EXPECT_EQ(Eval("AddDelimiter(\"x\", \"\")"), "");
}

TEST_F(BuiltinsTest, WidthConversion) {
  EXPECT_EQ(HanToZen("A1 "), "\x82\x60\x82\x50\x81\x40");
  EXPECT_EQ(HanToZen("\xb6\xde"), "\x83\x4b");       // ka + voiced mark -> ga
  EXPECT_EQ(HanToZen("\xca\xdf"), "\x83\x70");       // ha + semi-voiced mark -> pa
  EXPECT_EQ(HanToZen("\xb3\xde"), "\x83\x94");       // u + voiced mark -> vu
  EXPECT_EQ(HanToZen("\xb1\xde"), "\x83\x41\x81\x4a");  // a takes no voiced mark
  EXPECT_EQ(HanToZen("\x82\xa0"), "\x82\xa0");       // double-byte kept
  EXPECT_EQ(ZenToHan("\x82\x60\x83\x4b\x83\x70\x82\xa0"), "A\xb6\xde\xca\xdf\x82\xa0");
  std::string ascii;
  for (int c = 0x20; c < 0x7f; ++c) ascii += static_cast<char>(c);
  EXPECT_EQ(ZenToHan(HanToZen(ascii)), ascii);
  std::string kana;
  for (int c = 0xa1; c <= 0xdf; ++c) kana += static_cast<char>(c);
  EXPECT_EQ(ZenToHan(HanToZen(kana)), kana);
  EXPECT_EQ(Eval("HanToZen(\"a\")"), "\x82\x81");
}

TEST_F(BuiltinsTest, ArrayShapeFillAndCopy) {
  Declare("a", kTypeInt);
  EXPECT_EQ(Eval("SetArray(a, 2, 3)"), "0");
  EXPECT_EQ(Eval("GetArraySize(a)"), "6");
  EXPECT_EQ(Eval("GetArraySize(a, 0)"), "3");
  EXPECT_EQ(Eval("GetArraySize(a, 1)"), "2");
  EXPECT_EQ(Eval("GetArraySize(5)"), "<none>");
  EXPECT_EQ(parser.LastError(), "GetArraySize:変数が見つかりません");
  EXPECT_EQ(Eval("SetArray(a, 2, 0)"), "<none>");
  EXPECT_EQ(parser.LastError(), "配列の要素数[2,0]が不正です");
  EXPECT_EQ(Eval("SetArray(a, 65536, 65536)"), "<none>");
  Eval("FillMem(a, \"4\")");
  EXPECT_EQ(Var("a").IntegerAt(5), 4);
  Declare("b", kTypeInt);
  Eval("CopyMem(b, a)");
  EXPECT_EQ(Var("b").Count(), 6);
  EXPECT_EQ(Var("b").DimCount(), 2);
  Declare("s", kTypeStr);
  EXPECT_EQ(Eval("CopyMem(s, a)"), "<none>");
  EXPECT_EQ(parser.LastError(), "CopyMem:変数の型があいません");
  EXPECT_EQ(Eval("CopyArray(s, a)"), "TRUE");
  EXPECT_EQ(Var("s").Count(), 6);
  EXPECT_EQ(Var("s").StringAt(2), "4");
  EXPECT_EQ(Eval("GetVarType(s)"), "4");
  EXPECT_EQ(Eval("GetVarType(1.5)"), "2");
  EXPECT_EQ(Eval("ArrayToString(b, \",\")"), "4,4,4,4,4,4");
}

TEST_F(BuiltinsTest, SplittingSortingAndSearching) {
  Declare("s", kTypeStr, "keep");
  Eval("StringToArray(\"\", s)");
  EXPECT_EQ(Var("s").AsString(), "");
  EXPECT_EQ(Var("s").Count(), 1);
  Declare("text", kTypeStr, "b\r\nA\r\nc\r\n");
  Eval("StringToArray(text, s)");
  ASSERT_EQ(Var("s").Count(), 3);
  EXPECT_EQ(Var("s").StringAt(1), "A");
  Eval("SortStr(s)");
  EXPECT_EQ(Eval("ArrayToString(s, \"|\")"), "A|b|c");
  EXPECT_EQ(Eval("IndexOfStr(s, \"B\")"), "-1");
  EXPECT_EQ(Eval("IndexOfStr(s, \"B\", FALSE)"), "1");
  EXPECT_EQ(Eval("IndexOfStr(s, \"\", TRUE, TRUE)"), "0");
  Declare("n", kTypeInt);
  Eval("StringToArray(\"1;2;;x\", n, \";\")");
  ASSERT_EQ(Var("n").Count(), 4);
  EXPECT_EQ(Var("n").IntegerAt(1), 2);
  EXPECT_EQ(Var("n").IntegerAt(3), 0);  // converted to the variable's type
}

TEST_F(BuiltinsTest, AddInsertDeleteArray) {
  Declare("a", kTypeStr);
  Eval("StringToArray(\"a,b,c\", a, \",\")");
  Declare("b", kTypeInt, "7");
  EXPECT_EQ(Eval("AddArray(a, b)"), "4");
  EXPECT_EQ(Var("a").StringAt(3), "7");
  EXPECT_EQ(Eval("InsertArray(a, 1, b)"), "5");
  EXPECT_EQ(Eval("ArrayToString(a, \"\")"), "a7bc7");
  EXPECT_EQ(Eval("InsertArray(a, -5, b)"), "6");
  EXPECT_EQ(Var("a").StringAt(0), "7");
  EXPECT_EQ(Eval("DeleteArray(a, 1, 2)"), "4");
  EXPECT_EQ(Eval("ArrayToString(a, \"\")"), "7bc7");
  EXPECT_EQ(Eval("DeleteArray(a, 99, 5)"), "3");  // index clamped to the last element
  EXPECT_EQ(Eval("AddArray(a, a)"), "6");  // appending itself reads before writing
  EXPECT_EQ(Eval("ArrayToString(a, \"\")"), "7bc7bc");
  Declare("m", kTypeInt);
  Eval("SetArray(m, 2, 2)");
  EXPECT_EQ(Eval("AddArray(m, b)"), "4");  // two dimensions: unchanged
}

TEST_F(BuiltinsTest, Numbers) {
  EXPECT_EQ(Eval("Int(-2.9)"), "-2");
  EXPECT_EQ(Eval("Int(1e30)"), "0");
  EXPECT_EQ(Eval("Float(3)"), "3");
  EXPECT_EQ(ResultType(), kTypeFloat);
  EXPECT_EQ(Eval("ArcTan2(1, 0) == @Pi / 2"), "TRUE");
  EXPECT_EQ(Eval("Hypot(3, 4)"), "5");
  EXPECT_EQ(Eval("Abs(-5)"), "5");
  EXPECT_EQ(Eval("Abs(-2147483647 - 1)"), "-2147483648");  // wraps
  EXPECT_EQ(Eval("Fabs(-0.5)"), "0.5");
  EXPECT_EQ(Eval("Min(3, -1) ++ Max(3, -1)"), "-13");
  EXPECT_EQ(Eval("Fmin(0.5, 0.25)"), "0.25");
  EXPECT_EQ(Eval("ArcSin(2)"), "<none>");  // undefined result stops the evaluation
  EXPECT_EQ(Eval("Not(0)"), "TRUE");
  EXPECT_EQ(Eval("Sin(0)"), "0");
}

TEST_F(BuiltinsTest, RandomDrawsFromTheHostGenerator) {
  host.random.Seed(1234);
  RuntimeRandom expected;
  expected.Seed(1234);
  for (int k = 0; k < 20; ++k) {
    EXPECT_EQ(Eval("Random(10)"), std::to_string(expected.Next(10)));
  }
  EXPECT_EQ(Eval("Random(0)"), "0");
}

TEST_F(BuiltinsTest, DatesAndTimes) {
  EXPECT_EQ(Eval("EncodeDate(1899, 12, 30)"), "0");
  EXPECT_EQ(Eval("EncodeDate(2000, 1, 1)"), "36526");
  EXPECT_EQ(Eval("EncodeDate(2023, 2, 29)"), "<none>");
  EXPECT_EQ(Eval("EncodeDate(2024, 2, 29)"), "45351");
  EXPECT_EQ(Eval("EncodeTime(12, 0, 0)"), "0.5");
  EXPECT_EQ(Eval("EncodeTime(24, 0, 0)"), "<none>");
  // 2024-02-29 was a Thursday; 2023-01-01 a Sunday.
  EXPECT_EQ(Eval("GetWeek(EncodeDate(2024, 2, 29))"), "5");
  EXPECT_EQ(Eval("GetWeekStr(EncodeDate(2023, 1, 1))"), "Sunday");
  EXPECT_EQ(Eval("GetWeekJStr(EncodeDate(2023, 1, 1))"), "日");
  EXPECT_EQ(Eval("GetYear(45351.75) ++ \"/\" ++ GetMonth(45351.75) ++ \"/\" ++ GetDay(45351.75)"), "2024/2/29");
  EXPECT_EQ(Eval("GetHour(45351.75)"), "18");
  Declare("d", kTypeFloat);
  Eval("d = EncodeDate(1999, 12, 31) + EncodeTime(23, 59, 58)");
  Declare("y", kTypeInt);
  Declare("m", kTypeInt);
  Declare("dd", kTypeInt);
  Eval("DecodeDate(d, y, m, dd)");
  EXPECT_EQ(Var("y").AsInteger(), 1999);
  EXPECT_EQ(Var("m").AsInteger(), 12);
  EXPECT_EQ(Var("dd").AsInteger(), 31);
  Eval("DecodeTime(d, y, m, dd)");
  EXPECT_EQ(Var("y").AsInteger(), 23);
  EXPECT_EQ(Var("m").AsInteger(), 59);
  EXPECT_EQ(Var("dd").AsInteger(), 58);
  // Before the epoch the fraction's magnitude is the time of day.
  EXPECT_EQ(Eval("GetDay(-1.25) ++ \" \" ++ GetHour(-1.25)"), "29 6");
  EXPECT_EQ(Eval("GetYear(1e10)"), "0");
}

TEST_F(BuiltinsTest, VariablesAndTemp) {
  Declare("v", kTypeInt);
  EXPECT_EQ(Eval("VarExists(\"V\")"), "TRUE");
  EXPECT_EQ(Eval("VarExists(\"w\")"), "FALSE");
  EXPECT_EQ(Eval("AssignTemp(\"v\")"), "TRUE");
  Eval("@Temp = 3");
  EXPECT_EQ(Var("v").AsInteger(), 3);
}

TEST_F(BuiltinsTest, FunctionsOfLaterSubsystemsSayTheyAreNotAvailable) {
  std::vector<std::string> log;
  host.log = [&](const std::string& line) { log.push_back(line); };
  EXPECT_EQ(Eval("Exists(\"x\")"), "<none>");
  EXPECT_EQ(Eval("Exists(\"y\")"), "<none>");
  // Named once per run in the player's log, so whoever plays a title sees what is missing.
  ASSERT_EQ(log.size(), 1u);
  EXPECT_NE(log[0].find("Exists"), std::string::npos) << log[0];
  EXPECT_EQ(Eval("Exists(\"x\")"), "<none>");
  EXPECT_EQ(parser.LastError(), "Exists: not available yet");
  EXPECT_EQ(Eval("DBGetActive()"), "<none>");
  functions.SetHandler(125, {});  // SetWallPaper, whatever later layers install
  EXPECT_EQ(Eval("SetWallPaper(\"a\", 1)"), "<none>");
  EXPECT_NE(log.back().find("SetWallPaper"), std::string::npos) << log.back();
  EXPECT_FALSE(functions.Available(2));
  EXPECT_TRUE(functions.Available(0));
  // GetProp's temporary takes the property's type before the call; a bad property number fails.
  EXPECT_EQ(Eval("GetProp(\"x\", 200)"), "<none>");
  EXPECT_EQ(parser.LastError(), "GetPropの引数が違います");
  // A later subsystem installs its implementation.
  functions.SetHandler(19, [](BuiltinCall& c) { c.Result().SetBoolean(c.Str(1) == "x"); });
  EXPECT_EQ(Eval("Exists(\"x\")"), "TRUE");
  functions.SetHandler(2, [](BuiltinCall& c) { c.Result().SetFloat(1.5L); });
  EXPECT_EQ(Eval("GetProp(\"x\", 47)"), "TRUE");  // property 47 is a flag
  EXPECT_EQ(Eval("GetProp(\"x\", 3)"), "1");      // property 3 is an integer
}

}  // namespace
}  // namespace kuzo
