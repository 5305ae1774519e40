// Code page 932 conversion with the Windows mapping, in both directions, strict and lossy.
#include "platform/cp932.h"

#include <gtest/gtest.h>

namespace kuzo::platform {
namespace {

TEST(Cp932Test, WindowsMappingOfTheCharactersPlainShiftJisMapsDifferently) {
  EXPECT_EQ(Cp932ToUtf8Strict("\x81\x60"), "\xef\xbd\x9e");  // U+FF5E FULLWIDTH TILDE, not U+301C
  EXPECT_EQ(Cp932ToUtf8Strict("\x81\x5f"), "\xef\xbc\xbc");  // U+FF3C
  EXPECT_EQ(Cp932ToUtf8Strict("\x81\x7c"), "\xef\xbc\x8d");  // U+FF0D
  EXPECT_EQ(Cp932ToUtf8Strict("\x81\x5c"), "\xe2\x80\x95");  // U+2015
  EXPECT_EQ(Cp932ToUtf8Strict("\x81\x61"), "\xe2\x88\xa5");  // U+2225
  EXPECT_EQ(Cp932ToUtf8Strict("\x87\x40"), "\xe2\x91\xa0");  // NEC special: circled one
  EXPECT_EQ(Cp932ToUtf8Strict("\xfa\x40"), "\xe2\x85\xb0");  // IBM extension: small roman one
  EXPECT_EQ(Cp932ToUtf8Strict("a\\~"), "a\\~");              // ASCII stays ASCII (no yen sign)
  EXPECT_EQ(Cp932ToUtf8Strict("\xb1\xb2"), "\xef\xbd\xb1\xef\xbd\xb2");  // half-width katakana
}

TEST(Cp932Test, SingleBytesWindowsAcceptsAreMappedByTheTable) {
  EXPECT_EQ(Cp932ToUtf8Strict("\x80"), "\xc2\x80");
  EXPECT_EQ(Cp932ToUtf8Strict("\xa0"), "\xef\xa3\xb0");
  EXPECT_EQ(Cp932ToUtf8Strict("x\xfd\xfe\xff"), "x\xef\xa3\xb1\xef\xa3\xb2\xef\xa3\xb3");
  EXPECT_EQ(Utf8ToCp932Strict("\xef\xa3\xb1\xc2\x80"), "\xfd\x80");
  // 0x80 and 0xA0 as trail bytes belong to their double-byte character.
  EXPECT_EQ(Cp932ToUtf8Strict("\x81\x80"), "\xc3\xb7");  // U+00F7 DIVISION SIGN
}

TEST(Cp932Test, RoundTripOfJapaneseText) {
  const std::string sjis = "\x89\xe6\x91\x9c\\\x83\x65\x83\x58\x83\x67\x81\x60.png";  // 画像\テスト～.png
  const auto utf8 = Cp932ToUtf8Strict(sjis);
  ASSERT_TRUE(utf8);
  EXPECT_EQ(*utf8, "\xe7\x94\xbb\xe5\x83\x8f\\\xe3\x83\x86\xe3\x82\xb9\xe3\x83\x88\xef\xbd\x9e.png");
  EXPECT_EQ(Utf8ToCp932Strict(*utf8), sjis);
  // U+301C WAVE DASH (what plain JIS decoders produce) also encodes to 0x8160.
  EXPECT_EQ(Utf8ToCp932Strict("\xe3\x80\x9c"), "\x81\x60");
}

TEST(Cp932Test, InvalidInputFailsStrictAndIsReplacedLossy) {
  EXPECT_FALSE(Cp932ToUtf8Strict("ab\x81"));        // lone lead byte at the end
  EXPECT_FALSE(Cp932ToUtf8Strict("\x85\x40"));      // unassigned pair
  EXPECT_EQ(Cp932ToUtf8("ab\x81"), "ab\xef\xbf\xbd");
  EXPECT_EQ(Cp932ToUtf8("\x85\x40z"), "\xef\xbf\xbdz");
  EXPECT_FALSE(Utf8ToCp932Strict("\xff\xfe"));      // not UTF-8
  EXPECT_FALSE(Utf8ToCp932Strict("\xf0\x9f\x98\x80"));  // emoji: not in the code page
  EXPECT_EQ(Utf8ToCp932("a\xf0\x9f\x98\x80z"), "a?z");
  EXPECT_EQ(Cp932ToUtf8(""), "");
}

}  // namespace
}  // namespace kuzo::platform

namespace kuzo::platform {
namespace {

TEST(TerminalTextTest, Utf8PathsStayAndShiftJisIsConverted) {
  const std::string utf8Folder = "/home/u/\xE3\x82\xB2\xE3\x83\xBC\xE3\x83\xA0";  // "ゲーム" in UTF-8
  EXPECT_EQ(TerminalText(utf8Folder + ": no such file or directory"), utf8Folder + ": no such file or directory");
  // The same folder named in the player's own Shift-JIS text.
  EXPECT_EQ(TerminalText("\x83\x51\x81\x5B\x83\x80: missing"), "\xE3\x82\xB2\xE3\x83\xBC\xE3\x83\xA0: missing");
  EXPECT_EQ(TerminalText("plain ascii"), "plain ascii");
  // Cut, overlong and surrogate sequences are not UTF-8: read as code page 932 instead.
  EXPECT_NE(TerminalText("\xE3\x82"), "\xE3\x82");
  EXPECT_NE(TerminalText("\xC0\xAF"), "\xC0\xAF");
  EXPECT_NE(TerminalText("\xED\xA0\x80"), "\xED\xA0\x80");
}

}  // namespace
}  // namespace kuzo::platform
