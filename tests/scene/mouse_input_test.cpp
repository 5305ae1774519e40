// The named mouse-mode sets: which modes take a left press, a right press or hovering, and modes
// outside the known range belong to no set.
#include "scene/mouse_input.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace kuzo {
namespace {

TEST(MouseModeSets, EachModeTakesWhatItsNameSays) {
  struct Row {
    MouseMode mode;
    bool left, right, hover;
  };
  const Row rows[] = {
      {kMouseTakesAll, true, true, true},      {kMouseTransparent, false, false, false},
      {kMouseHoverOnly, false, false, true},   {kMouseHoverRight, false, true, true},
      {kMouseHoverLeft, true, false, true},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(ModeInSet(r.mode, kModesLeftPress), r.left) << r.mode;
    EXPECT_EQ(ModeInSet(r.mode, kModesRightPress), r.right) << r.mode;
    EXPECT_EQ(ModeInSet(r.mode, kModesHover), r.hover) << r.mode;
  }
}

TEST(MouseModeSets, ModesOutsideTheRangeAreInNoSet) {
  // A title can store any number in the property; none may shift past the set's bits.
  for (int32_t mode : {-1, 5, 7, 8, 31, 32, 1000, INT32_MIN, INT32_MAX}) {
    EXPECT_FALSE(ModeInSet(mode, kModesLeftPress)) << mode;
    EXPECT_FALSE(ModeInSet(mode, kModesRightPress)) << mode;
    EXPECT_FALSE(ModeInSet(mode, kModesHover)) << mode;
  }
  EXPECT_TRUE(ModeInSet(7, 0x80)) << "the set holds modes 0..7";
}

}  // namespace
}  // namespace kuzo
