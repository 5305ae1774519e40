// Double-byte-aware scans, the case rules (ASCII and the double-byte Latin, Greek and Cyrillic letters) and the name-hashed collection's buckets,
// positions and lookups.
#include <gtest/gtest.h>

#include "core/hash_collection.h"
#include "core/sjis.h"

namespace kuzo {
namespace {

TEST(SjisTest, TrailBytesAreNeverFoldedOrTakenForSeparators) {
  // 0x95 0x5C is one character whose trail byte is the backslash; 0x82 0x60 (full-width A) has an
  // ASCII-range trail byte 0x60; 0x83 0x41 has trail byte 'A'.
  std::string s = "a\x95\x5C" "B\x83\x41";
  EXPECT_EQ(sjis::ToLower(s), "a\x95\x5C" "b\x83\x41");
  EXPECT_EQ(sjis::ToUpper(s), "A\x95\x5C" "B\x83\x41");
  EXPECT_EQ(sjis::FindLastChar(s, '\\'), std::string::npos);
  EXPECT_EQ(sjis::FindLastChar("dir\\\x95\x5C.txt", '\\'), 3u);
  EXPECT_EQ(sjis::CharCount(s), 4u);
  EXPECT_TRUE(sjis::EqualsNoCase("Abc\x83\x41", "aBC\x83\x41"));
  EXPECT_FALSE(sjis::EqualsNoCase("\x83\x41", "\x83\x61"));
  EXPECT_GT(sjis::CompareNoCase("a_", "AB"), 0);  // upper-cased: 0x5F "_" sorts after 0x42 "B"
  EXPECT_LT(sjis::CompareNoCase("ab", "ABC"), 0);
}

struct Named : THashCollectionItem {
  explicit Named(int v) : value(v) {}
  int value;
};

TEST(SjisTest, FullWidthGreekAndCyrillicLettersFold) {
  const std::string upperBg = "\x82\x61\x82\x66\x82\x4F\x82\x50";  // full-width "BG01"
  const std::string lowerBg = "\x82\x82\x82\x87\x82\x4F\x82\x50";  // full-width "bg01"
  EXPECT_TRUE(sjis::EqualsNoCase(upperBg, lowerBg));
  EXPECT_EQ(sjis::ToLower(upperBg), lowerBg);
  EXPECT_EQ(sjis::ToUpper(lowerBg), upperBg);
  EXPECT_EQ(sjis::CompareNoCase(lowerBg, upperBg), 0);
  // The ends of each run: full-width A/Z, Greek Alpha/Omega, Cyrillic A, N, O (across the skipped
  // trail byte 0x7F) and Ya.
  const std::pair<uint16_t, uint16_t> pairs[] = {{0x8260, 0x8281}, {0x8279, 0x829A}, {0x839F, 0x83BF},
                                                 {0x83B6, 0x83D6}, {0x8440, 0x8470}, {0x844E, 0x847E},
                                                 {0x844F, 0x8480}, {0x8460, 0x8491}};
  for (auto [upper, lower] : pairs) {
    EXPECT_EQ(sjis::LowerDoubleByte(upper), lower) << std::hex << upper;
    EXPECT_EQ(sjis::UpperDoubleByte(lower), upper) << std::hex << lower;
  }
  // Neighbours without case stay as they are: full-width digits, kana, the gap between the runs.
  for (uint16_t c : {0x824F, 0x827A, 0x8280, 0x829B, 0x83B7, 0x83BE, 0x8461, 0x846F, 0x8492, 0x82A0}) {
    EXPECT_EQ(sjis::LowerDoubleByte(c), c) << std::hex << c;
    EXPECT_EQ(sjis::UpperDoubleByte(c), c) << std::hex << c;
  }
  // Ordering upper-cases both: small full-width a (0x8281) sorts like capital A (0x8260), before "B".
  EXPECT_LT(sjis::CompareNoCase("\x82\x81", "\x82\x61\x82\x61"), 0);
  EXPECT_LT(sjis::CompareNoCase("\x82\x81", "\x82\x62"), 0);
  EXPECT_GT(sjis::CompareNoCase("\x82\x9A", "\x82\x61"), 0);
  // A lead byte at the very end is a byte of its own.
  EXPECT_TRUE(sjis::EqualsNoCase("a\x82", "A\x82"));
}

TEST(HashCollectionTest, FullWidthNamesInEitherCaseFindTheSameItem) {
  THashCollection c;
  c.Add<Named>(6).SetName("x");
  c.Add<Named>(7).SetName("\x82\x61\x82\x66\x82\x4F\x82\x50");
  EXPECT_EQ(c.IndexOf("\x82\x82\x82\x87\x82\x4F\x82\x50"), 1);
  // The hashed second-to-last byte is the trail byte of a full-width letter here: folded too.
  EXPECT_EQ(THashCollection::BucketOf("\x82\x60x"), THashCollection::BucketOf("\x82\x81x"));
}


TEST(HashCollectionTest, BucketsFollowLengthAndFoldedBytes) {
  EXPECT_EQ(THashCollection::BucketOf(""), 0);
  EXPECT_EQ(THashCollection::BucketOf("x"), 16);
  // "ab": 2*16 + 'a' + 'a' (the second-to-last byte is the first) = 32 + 194 = 226.
  EXPECT_EQ(THashCollection::BucketOf("ab"), 226);
  EXPECT_EQ(THashCollection::BucketOf("AB"), 226);
  // "Hello": 80 + 'h' + 'l' = 80 + 104 + 108 = 292 mod 256 = 36.
  EXPECT_EQ(THashCollection::BucketOf("Hello"), 36);
}

TEST(HashCollectionTest, FindsByNameCaseInsensitivelyLastNamedFirst) {
  THashCollection c;
  c.Add<Named>(1).SetName("Alpha");
  c.Add<Named>(2).SetName("beta");
  c.Add<Named>(3).SetName("ALPHA");
  EXPECT_EQ(c.IndexOf("alpha"), 2);
  EXPECT_EQ(c.IndexOf("BETA"), 1);
  EXPECT_EQ(c.IndexOf("gamma"), -1);
  c.At<Named>(2)->SetName("gamma");
  EXPECT_EQ(c.IndexOf("alpha"), 0);
  EXPECT_EQ(c.IndexOf("Gamma"), 2);
}

TEST(HashCollectionTest, DeletingRenumbersTheItemsAfter) {
  THashCollection c;
  for (int i = 0; i < 10; ++i) c.Add<Named>(i).SetName("n" + std::to_string(i));
  c.Delete(3);
  ASSERT_EQ(c.Count(), 9);
  for (int i = 4; i < 10; ++i) EXPECT_EQ(c.IndexOf("n" + std::to_string(i)), i - 1);
  EXPECT_EQ(c.IndexOf("n3"), -1);
  EXPECT_EQ(c.At<Named>(3)->value, 4);
}

TEST(HashCollectionTest, MovingKeepsEveryPositionCorrect) {
  THashCollection c;
  for (int i = 0; i < 5; ++i) c.Add<Named>(i).SetName("n" + std::to_string(i));
  c.Move(0, 3);
  for (int i = 0; i < 5; ++i) {
    int pos = c.IndexOf("n" + std::to_string(i));
    ASSERT_GE(pos, 0);
    EXPECT_EQ(c.At<Named>(pos)->value, i);
  }
  EXPECT_EQ(c.At<Named>(3)->value, 0);
}

}  // namespace
}  // namespace kuzo
