// The style table: interning, reference counts, and changing one glyph's style.
#include "text/decorate.h"

#include <gtest/gtest.h>

#include "text/nk_word.h"

namespace kuzo {
namespace {

TDecorate Sized(int32_t size) {
  TDecorate d;
  d.Size = size;
  return d;
}

TEST(DecorateListTest, EqualAttributesShareOneRecord) {
  TDecorateList list;
  TDecorate* a = list.Acquire(Sized(10));
  TDecorate* b = list.Acquire(Sized(10));
  TDecorate* c = list.Acquire(Sized(12));
  EXPECT_EQ(a, b);
  EXPECT_NE(a, c);
  EXPECT_EQ(a->RefCount, 2);
  list.Release(c);
  EXPECT_EQ(list.Count(), 1u);
  list.Release(a);
  EXPECT_EQ(list.Count(), 1u);
  list.Release(b);
  EXPECT_EQ(list.Count(), 0u);
}

TEST(DecorateListTest, ChangeSwitchesChangesInPlaceOrSplits) {
  TDecorateList list;
  TDecorate* shared = list.Acquire(Sized(10));
  list.Acquire(Sized(10));
  TDecorate* other = list.Acquire(Sized(20));
  // An existing combination: the glyph switches to it.
  TDecorate* moved = list.Change(shared, Sized(20));
  EXPECT_EQ(moved, other);
  EXPECT_EQ(other->RefCount, 2);
  EXPECT_EQ(shared->RefCount, 1);
  // The only user: changed in place, and found under its new attributes afterwards.
  TDecorate* inPlace = list.Change(shared, Sized(30));
  EXPECT_EQ(inPlace, shared);
  EXPECT_EQ(list.Acquire(Sized(30)), shared);
  // Shared and new: a new record.
  TDecorate* split = list.Change(shared, Sized(40));
  EXPECT_NE(split, shared);
  EXPECT_EQ(shared->RefCount, 1);
  EXPECT_EQ(list.Count(), 3u);
}

TEST(DecorateListTest, ManyDistinctStylesConvertQuickly) {
  // Every character in its own style: interning must not be quadratic.
  std::string text;
  for (int i = 1; i <= 20000; ++i) text += "<FONT SIZE=" + std::to_string(i) + ">x</FONT>";
  TNkWord w;
  w.SetText(text);
  EXPECT_EQ(w.Styles().Count(), 20000u);
  EXPECT_EQ(static_cast<TWdChar*>(w.Glyph(19999))->Style->Size, 20000);
}

}  // namespace
}  // namespace kuzo
