// Double-byte-aware scans, the ASCII-only case rules and the name-hashed collection's buckets,
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
