// The data-table built-ins as scripts call them: active table rules, inserts by argument type,
// locate, direct access, whole-table copies, TSV loading through the game data, and sorting.
#include <gtest/gtest.h>

#include <map>

#include "vars/db_builtins.h"
#include "vars/db_manager.h"
#include "vars_fixture.h"

namespace kuzo {
namespace {

class DBBuiltinsTest : public ::testing::Test, public testing::VarsFixture {
 protected:
  DBBuiltinsTest() {
    InstallDataTableBuiltins(functions, tables, [this](const std::string& name) -> std::optional<std::string> {
      auto it = files.find(name);
      if (it == files.end()) return std::nullopt;
      return it->second;
    });
  }
  // Creates "chars" with name (8 bytes), level int, rate float, alive bool and three records.
  void MakeChars() {
    ASSERT_EQ(Eval("DBCreateTable(\"chars\", 0)"), "TRUE");
    Eval("DBAddField(\"name\", 4, 8)");
    Eval("DBAddField(\"level\", 1)");
    Eval("DBAddField(\"rate\", 2)");
    Eval("DBAddField(\"alive\", 3)");
    Eval("DBInsert(\"Ann\", 3, 0.5, TRUE)");
    Eval("DBInsert(\"Bob\", 5)");
    Eval("DBInsert(\"Cy\", 3, 1.5, FALSE, \"extra\")");
  }
  TDBManager tables;
  std::map<std::string, std::string> files;
};

TEST_F(DBBuiltinsTest, EveryFunctionIsInstalled) {
  for (int n = kFuncFirstDataTable; n <= kFuncLastDataTable; ++n) EXPECT_TRUE(functions.Available(n)) << n;
}

TEST_F(DBBuiltinsTest, WithoutActiveTableEverythingFailsQuietly) {
  EXPECT_EQ(Eval("DBAddField(\"a\", 1)"), "FALSE");
  EXPECT_EQ(Eval("DBInsert(1)"), "FALSE");
  EXPECT_EQ(Eval("DBGetInt(\"a\")"), "0");
  EXPECT_EQ(Eval("DBGetStr(\"a\")"), "");
  EXPECT_EQ(Eval("DBRecordCount()"), "-1");
  EXPECT_EQ(Eval("DBGetRecNo()"), "-1");
  EXPECT_EQ(Eval("DBGetActive()"), "");
  EXPECT_EQ(Eval("DBDeleteTable()"), "FALSE");
  EXPECT_EQ(Eval("DBSetActive(\"none\")"), "FALSE");
}

TEST_F(DBBuiltinsTest, InsertGetSetAndNavigate) {
  MakeChars();
  EXPECT_EQ(Eval("DBAddField(\"bad\", 9)"), "FALSE");
  EXPECT_EQ(Eval("DBRecordCount()"), "3");
  EXPECT_EQ(Eval("DBGetRecNo()"), "2");
  // Missing arguments leave fields zero; extra arguments are skipped.
  EXPECT_EQ(Eval("DBSetRecNo(1)"), "TRUE");
  EXPECT_EQ(Eval("DBGetFloat(\"rate\")"), "0");
  EXPECT_EQ(Eval("DBGetBool(\"alive\")"), "FALSE");
  EXPECT_EQ(Eval("DBGetStr(\"LEVEL\")"), "5");
  EXPECT_EQ(Eval("DBSetInt(\"level\", 9)"), "TRUE");
  EXPECT_EQ(Eval("DBSetInt(\"nope\", 9)"), "FALSE");
  EXPECT_EQ(Eval("DBGetInt(\"level\")"), "9");
  EXPECT_EQ(Eval("DBSetStr(\"name\", \"Robert the Great\")"), "TRUE");
  EXPECT_EQ(Eval("DBGetStr(\"name\")"), "Robert t");
  EXPECT_EQ(Eval("DBSetRecNo(3)"), "FALSE");
  EXPECT_EQ(Eval("DBSetRecNo(-1)"), "TRUE");
  EXPECT_EQ(Eval("DBSetInt(\"level\", 1)"), "FALSE");  // no current record
  EXPECT_EQ(Eval("DBDelete()"), "FALSE");
  EXPECT_EQ(Eval("DBFindFirst()"), "TRUE");
  EXPECT_EQ(Eval("DBFindPrior()"), "FALSE");
  EXPECT_EQ(Eval("DBFindLast()"), "TRUE");
  EXPECT_EQ(Eval("DBFindNext()"), "FALSE");
  EXPECT_EQ(Eval("DBDelete()"), "TRUE");
  EXPECT_EQ(Eval("DBGetRecNo(\"ignored\")"), "1");
  EXPECT_EQ(Eval("DBRecordCount(\"CHARS\")"), "2");
  EXPECT_EQ(Eval("DBRecordCount(\"none\")"), "-1");
}

TEST_F(DBBuiltinsTest, LocateAndDirectAccess) {
  MakeChars();
  Declare("names", kTypeStr);
  Eval("StringToArray(\"level,alive\", names, \",\")");
  Declare("wanted", kTypeStr);
  Eval("StringToArray(\"3,FALSE\", wanted, \",\")");
  EXPECT_EQ(Eval("DBLocate(names, wanted)"), "TRUE");
  EXPECT_EQ(Eval("DBGetStr(\"name\")"), "Cy");
  EXPECT_EQ(Eval("DBLocate(\"name\", \"xx\")"), "FALSE");
  EXPECT_EQ(Eval("DBGetRecNo()"), "2");  // unchanged by a failed locate
  EXPECT_EQ(Eval("DBLocate(\"name\", \"xANNx\", TRUE, TRUE)"), "TRUE");
  EXPECT_EQ(Eval("DBGetRecNo()"), "0");
  // Direct access finds the first match and moves no cursor.
  EXPECT_EQ(Eval("DBDirectGetStr(\"chars\", \"level\", 3, FALSE, FALSE, \"name\", \"?\")"), "Ann");
  EXPECT_EQ(Eval("DBDirectGetInt(\"chars\", \"level\", 4, FALSE, FALSE, \"name\", -5)"), "-5");
  EXPECT_EQ(Eval("DBDirectGetFloat(\"chars\", \"name\", \"Cy\", FALSE, FALSE, \"rate\", 0)"), "1.5");
  EXPECT_EQ(Eval("DBDirectGetBool(\"nope\", \"name\", \"Cy\", FALSE, FALSE, \"alive\", TRUE)"), "TRUE");
  EXPECT_EQ(Eval("DBDirectSetInt(\"chars\", \"name\", \"Bob\", FALSE, FALSE, \"level\", 42)"), "TRUE");
  EXPECT_EQ(Eval("DBDirectSetStr(\"chars\", \"name\", \"Bob\", FALSE, FALSE, \"nofield\", 1)"), "FALSE");
  EXPECT_EQ(Eval("DBDirectGetInt(\"chars\", \"name\", \"Bob\", FALSE, FALSE, \"level\", 0)"), "42");
  EXPECT_EQ(Eval("DBGetRecNo()"), "0");
}

TEST_F(DBBuiltinsTest, CopiesBetweenTables) {
  MakeChars();
  Eval("DBCreateTable(\"party\", 0)");
  Eval("DBAddField(\"x\", 1)");
  Eval("DBSetActive(\"chars\")");
  EXPECT_EQ(Eval("DBCopyTable(\"chars\")"), "FALSE");
  EXPECT_EQ(Eval("DBCopyTable(\"party\", \"level\", 3)"), "TRUE");
  EXPECT_EQ(Eval("DBRecordCount(\"party\")"), "2");
  EXPECT_EQ(Eval("DBCopy(\"party\")"), "TRUE");  // same structure now
  EXPECT_EQ(Eval("DBRecordCount(\"party\")"), "3");
  EXPECT_EQ(Eval("DBInsertTable(\"party\", \"name\", \"Ann\")"), "TRUE");
  EXPECT_EQ(Eval("DBRecordCount()"), "4");
  EXPECT_EQ(Eval("DBInsertTable(\"nope\")"), "FALSE");
  EXPECT_EQ(Eval("DBClearRecord(\"party\")"), "TRUE");
  EXPECT_EQ(Eval("DBRecordCount(\"party\")"), "0");
  EXPECT_EQ(Eval("DBDeleteTable()"), "TRUE");
  EXPECT_EQ(Eval("DBGetActive()"), "");
  EXPECT_EQ(Eval("DBCreateTable(\"st\", TRUE)"), "TRUE");
  EXPECT_EQ(Eval("DBClearTable()"), "FALSE");
  EXPECT_EQ(tables.TableCount(), 0);  // status tables too
}

TEST_F(DBBuiltinsTest, TsvLoadingAndSorting) {
  files["chars.tsv"] = "name\tlevel int\nb\t1\na\t2\nc\t2\n";
  files["empty.tsv"] = "";
  Eval("DBCreateTable(\"t\", 0)");
  EXPECT_EQ(Eval("DBLoadTsvFile(\"missing.tsv\")"), "FALSE");
  EXPECT_EQ(Eval("DBLoadTsvFile(\"empty.tsv\")"), "FALSE");
  ASSERT_EQ(Eval("DBLoadTsvFile(\"chars.tsv\")"), "TRUE");
  EXPECT_EQ(Eval("DBRecordCount()"), "3");
  Declare("keys", kTypeStr);
  Eval("StringToArray(\"level,name\", keys, \",\")");
  Declare("desc", kTypeFlag);
  Eval("StringToArray(\"TRUE,FALSE\", desc, \",\")");
  EXPECT_EQ(Eval("DBSort(keys, desc)"), "TRUE");
  Eval("DBFindFirst()");
  EXPECT_EQ(Eval("DBGetStr(\"name\")"), "a");
  Eval("DBFindLast()");
  EXPECT_EQ(Eval("DBGetStr(\"name\")"), "b");
}

}  // namespace
}  // namespace kuzo
