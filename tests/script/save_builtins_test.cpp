// GetSaveCaption and ListSaveCaption over the project's caption list, and the caption list kept
// by slot (a second save of a slot replaces its caption in place).
#include <gtest/gtest.h>

#include "../vars/vars_fixture.h"
#include "script/save_builtins.h"

namespace kuzo {
namespace {

class SaveBuiltinsTest : public ::testing::Test, public testing::VarsFixture {
 protected:
  SaveBuiltinsTest() { InstallSaveBuiltins(functions, captions); }
  SaveCaptionList captions;
};

TEST_F(SaveBuiltinsTest, CaptionsBySlot) {
  EXPECT_EQ(Eval("ListSaveCaption()"), "0");
  EXPECT_EQ(Eval("GetSaveCaption(1)"), "");
  SetSaveCaption(captions, 4, "four");
  SetSaveCaption(captions, 1, "one");
  SetSaveCaption(captions, 4, "four again");
  EXPECT_EQ(captions.size(), 2u);
  EXPECT_EQ(Eval("GetSaveCaption(4)"), "four again");
  EXPECT_EQ(Eval("GetSaveCaption(2)"), "");
  Declare("names", kTypeStr);
  Declare("slots", kTypeInt);
  EXPECT_EQ(Eval("ListSaveCaption(names, slots)"), "2");
  EXPECT_EQ(Var("names").Count(), 2);
  EXPECT_EQ(Var("names").StringAt(0), "four again");
  EXPECT_EQ(Var("names").StringAt(1), "one");
  EXPECT_EQ(Var("slots").IntegerAt(0), 4);
  EXPECT_EQ(Var("slots").IntegerAt(1), 1);
  EXPECT_EQ(Eval("ListSaveCaption(\"literal\")"), "2");  // a literal argument receives nothing
}

}  // namespace
}  // namespace kuzo
