// The variable dump of headless runs: sorting, type codes, dimensions, escapes, and what is left out.
#include <gtest/gtest.h>

#include "script/variable_access.h"
#include "tests/script/script_fixture.h"

namespace kuzo::testing {
namespace {

using VariableDump = ScriptTest;

TEST_F(VariableDump, OneSortedLinePerScriptVariable) {
  Run("var int b = 3\nvar str A = \"x\ty\\\\z\"\nvar float c = 1.5\nvar flag _d = TRUE\n"
      "var int arr = 0\nSetArray(arr, 2, 3)\narr[1, 2] = 7\nvar str nl = \"a\\nb\"\n");
  EXPECT_EQ(DumpVariables(vars),
            "A\t4\t-\tx\\ty\\\\z\n"
            "arr\t1\t2,3\t0\t0\t0\t0\t0\t7\n"
            "b\t1\t-\t3\n"
            "c\t2\t-\t1.5\n"
            "nl\t4\t-\ta\\r\\nb\n"
            "_d\t3\t-\tTRUE\n");
}

TEST_F(VariableDump, TemporariesAndSystemVariablesAreLeftOut) {
  TParamCollectionItem& t = vars.AddVariable(1);
  t.SetName("____0");
  TParamCollectionItem& r = vars.AddVariable(0);
  r.SetName("ref");
  EXPECT_EQ(DumpVariables(vars), "ref\t0\t-\n");
}

TEST_F(VariableDump, DoubleByteCharactersEndingIn5CStayWhole) {
  // "表" is 0x95 0x5C and "―" 0x81 0x5C in Shift-JIS: their second byte is no backslash.
  TParamCollectionItem& t = vars.AddVariable(4);
  t.SetName("s");
  t.Param()->SetString(std::string("\x95\x5C\x81\x5C\\", 5));
  EXPECT_EQ(DumpVariables(vars), std::string("s\t4\t-\t\x95\x5C\x81\x5C\\\\\n"));
}

}  // namespace
}  // namespace kuzo::testing
