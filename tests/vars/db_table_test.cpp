// Data tables: field sizes and conversions, navigation, search criteria, TSV loading, sorting and
// the saved parts, including damaged saved bytes.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/byte_reader.h"
#include "core/errors.h"
#include "vars/db_manager.h"
#include "vars/param.h"

namespace kuzo {
namespace {

// A table "t" with int "n", float "x", bool "b" and a 3-byte string "s".
std::unique_ptr<TDBTable> MakeTable() {
  auto t = std::make_unique<TDBTable>("t", false);
  EXPECT_EQ(t->AddField("n", kDBInt, 0), 0);
  EXPECT_EQ(t->AddField("x", kDBFloat, 0), 1);
  EXPECT_EQ(t->AddField("b", kDBBool, 0), 2);
  EXPECT_EQ(t->AddField("s", kDBStr, 3), 3);
  return t;
}

std::string Text(const TDBTable& t, int32_t rec, int32_t field) {
  std::string s = "<missing>";
  t.GetStr(rec, field, s);
  return s;
}

TEST(DBTableTest, FieldSizesAndWidening) {
  auto t = MakeTable();
  EXPECT_EQ(t->Fields().RecordSize(), 4 + 10 + 1 + 4);
  EXPECT_EQ(t->Fields().Offset(3), 15);
  EXPECT_EQ(t->AddField("bad", 7, 0), -1);
  EXPECT_EQ(t->AddField("neg", kDBStr, -1), -1);
  EXPECT_EQ(t->Fields().Count(), 4);
  t->Append();
  t->SetInt(0, 0, 42);
  // A field added later widens the existing record with zero bytes and keeps its data.
  EXPECT_EQ(t->AddField("late", kDBInt, 0), 4);
  int32_t v = -1;
  EXPECT_TRUE(t->GetInt(0, 0, v));
  EXPECT_EQ(v, 42);
  EXPECT_TRUE(t->GetInt(0, 4, v));
  EXPECT_EQ(v, 0);
  // A string field of length 0 holds only the empty text.
  EXPECT_EQ(t->AddField("empty", kDBStr, 0), 5);
  EXPECT_TRUE(t->SetStr(0, 5, "abc"));
  EXPECT_EQ(Text(*t, 0, 5), "");
  EXPECT_EQ(t->Fields().IndexOfField("LATE"), 4);  // names without regard to case
}

TEST(DBTableTest, ConversionsBetweenKindsAndTypes) {
  auto t = MakeTable();
  t->Append();
  // Text "TRUE" into an integer stores 0; the boolean true into a 3-byte string stores "TRU".
  t->SetStr(0, 0, "TRUE");
  EXPECT_EQ(Text(*t, 0, 0), "0");
  t->SetBool(0, 3, true);
  EXPECT_EQ(Text(*t, 0, 3), "TRU");
  // Floats become integers rounded to nearest, ties to even.
  t->SetFloat(0, 0, 2.5L);
  int32_t n = 0;
  t->GetInt(0, 0, n);
  EXPECT_EQ(n, 2);
  t->SetFloat(0, 1, -3.5L);
  t->GetInt(0, 1, n);
  EXPECT_EQ(n, -4);
  EXPECT_EQ(Text(*t, 0, 1), "-3.5");
  // Booleans read as text and the strict "TRUE" rule for strings.
  t->SetInt(0, 2, 5);
  EXPECT_EQ(Text(*t, 0, 2), "TRUE");
  t->SetStr(0, 3, "true");
  bool b = true;
  t->GetBool(0, 3, b);
  EXPECT_FALSE(b);
  t->SetStr(0, 3, "12x");
  t->GetInt(0, 3, n);
  EXPECT_EQ(n, 0);
  t->SetInt(0, 3, 123456);
  EXPECT_EQ(Text(*t, 0, 3), "123");  // cut to the declared length
  // Out-of-range records or fields change nothing.
  EXPECT_FALSE(t->SetInt(1, 0, 1));
  EXPECT_FALSE(t->SetInt(0, 9, 1));
  EXPECT_FALSE(t->GetInt(-1, 0, n));
}

TEST(DBTableTest, Navigation) {
  auto t = MakeTable();
  EXPECT_FALSE(t->First());
  EXPECT_FALSE(t->Last());
  for (int i = 0; i < 3; ++i) t->Append();
  EXPECT_EQ(t->CurrentIndex(), 2);
  EXPECT_FALSE(t->Next());
  EXPECT_TRUE(t->Prior());
  EXPECT_TRUE(t->SetCurrent(-1));
  EXPECT_EQ(t->CurrentIndex(), -1);
  EXPECT_FALSE(t->Next());
  EXPECT_FALSE(t->Prior());
  EXPECT_FALSE(t->SetCurrent(3));  // the record count itself is out of range
  EXPECT_EQ(t->CurrentIndex(), -1);
  // Deleting the last record moves to the new last one; deleting the only one leaves none.
  t->SetCurrent(2);
  EXPECT_TRUE(t->DeleteCurrent());
  EXPECT_EQ(t->CurrentIndex(), 1);
  t->SetCurrent(-1);
  EXPECT_FALSE(t->DeleteCurrent());
  t->SetCurrent(0);
  t->DeleteCurrent();
  t->DeleteCurrent();
  EXPECT_EQ(t->RecordCount(), 0);
  EXPECT_EQ(t->CurrentIndex(), -1);
}

class DBSearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    t = std::make_unique<TDBTable>("people", false);
    t->AddField("name", kDBStr, 10);
    t->AddField("age", kDBInt, 0);
    for (auto [name, age] : {std::pair{"b", 10}, {"abcd", 20}, {"Ann", 10}, {"", 30}}) {
      t->Append();
      t->SetStr(t->CurrentIndex(), 0, name);
      t->SetInt(t->CurrentIndex(), 1, age);
    }
  }
  TDBMatches Find(const TCustomParam& names, const TCustomParam& values, bool ignoreCase = false,
                  bool partial = false) {
    return t->Search(&names, &values, ignoreCase, partial);
  }
  std::unique_ptr<TDBTable> t;
};

TEST_F(DBSearchTest, StringCriteria) {
  TParamStr field("name");
  // The field's text is looked for inside the value: "b" is in "abc", "abcd" is not, and an
  // empty field never matches.
  EXPECT_EQ(Find(field, TParamStr("abc"), false, true), (TDBMatches{0}));
  EXPECT_EQ(Find(field, TParamStr("xANNx"), true, true), (TDBMatches{2}));
  EXPECT_EQ(Find(field, TParamStr("xANNx"), false, true), (TDBMatches{}));
  EXPECT_EQ(Find(field, TParamStr("ann"), true, false), (TDBMatches{2}));
  EXPECT_EQ(Find(field, TParamStr("ann"), false, false), (TDBMatches{}));
  EXPECT_EQ(Find(field, TParamStr(""), false, false), (TDBMatches{3}));
}

TEST_F(DBSearchTest, TypedAndMultipleCriteria) {
  EXPECT_EQ(Find(TParamStr("AGE"), TParamInt(10)), (TDBMatches{0, 2}));
  EXPECT_EQ(Find(TParamStr("age"), TParamFloat(20.0L)), (TDBMatches{1}));
  EXPECT_EQ(Find(TParamStr("age"), TParamFlag(true)), (TDBMatches{0, 1, 2, 3}));
  // Two criteria from arrays; the shorter array decides how many count.
  TParamStr names;
  names.SetDims(std::vector<int32_t>{2});
  names.SetStringAt(0, "age");
  names.SetStringAt(1, "name");
  TParamStr values;
  values.SetDims(std::vector<int32_t>{3});
  values.SetStringAt(0, "10");
  values.SetStringAt(1, "Ann");
  EXPECT_EQ(Find(names, values), (TDBMatches{2}));
  // A criterion naming a missing field gives no matches even when the others would.
  names.SetStringAt(1, "nope");
  EXPECT_EQ(Find(names, values), (TDBMatches{}));
  // No criteria: every record.
  EXPECT_EQ(t->Search(nullptr, &values, false, false).size(), 4u);
  TParamVar unbound;
  EXPECT_EQ(Find(TParamStr("age"), unbound).size(), 4u);  // a value of no type imposes nothing
}

TEST(DBTsvTest, HeaderKindsLengthsAndEscapes) {
  TDBTable t("tsv", false);
  std::vector<std::string> lines = SplitTextLines(
      "id int\tname\tscore float\tok bool\tnote str 4\t\n"
      "1\tAnn\t2.5\tTRUE\ta\\\\b\\\"c\\nd\n"
      "\r\n"
      "2\tBob\r\n"
      "3\t\x83\x5c\\n\tx");  // a trail byte 0x5C is not an escape; no final line break
  ASSERT_EQ(lines.size(), 5u);
  ASSERT_TRUE(t.LoadFromLines(lines));
  ASSERT_EQ(t.Fields().Count(), 5);  // the trailing tab adds no column
  EXPECT_EQ(t.Fields().At(0).Kind, kDBInt);
  EXPECT_EQ(t.Fields().At(1).Kind, kDBStr);
  EXPECT_EQ(t.Fields().At(1).Size, kDBDefaultTsvLength + 1);
  EXPECT_EQ(t.Fields().At(2).Kind, kDBFloat);
  EXPECT_EQ(t.Fields().At(3).Kind, kDBBool);
  EXPECT_EQ(t.Fields().At(4).Size, 5);
  ASSERT_EQ(t.RecordCount(), 3);  // the empty line is no record
  EXPECT_EQ(Text(t, 0, 4), "a\\b\"");  // cut to 4 bytes after unescaping
  EXPECT_EQ(Text(t, 0, 2), "2.5");
  // Two columns under five fields fill the first two and leave the rest zero.
  EXPECT_EQ(Text(t, 1, 1), "Bob");
  EXPECT_EQ(Text(t, 1, 2), "0");
  EXPECT_EQ(Text(t, 1, 3), "FALSE");
  EXPECT_EQ(Text(t, 2, 1), "\x83\x5c\r\n");
}

TEST(DBTsvTest, BadHeaders) {
  TDBTable t("tsv", false);
  EXPECT_FALSE(t.LoadFromLines({}));
  EXPECT_FALSE(t.LoadFromLines({"a int\t\tb"}));  // an empty column has an empty name
  EXPECT_EQ(t.Fields().Count(), 0);
  EXPECT_FALSE(t.LoadFromLines({" lead int"}));
  ASSERT_TRUE(t.LoadFromLines({"a str x", "hello"}));
  EXPECT_EQ(t.Fields().At(0).Size, kDBDefaultTsvLength + 1);  // a length that is no number
}

TEST(DBSortTest, KeysDirectionsAndNaN) {
  TDBTable t("s", false);
  t.AddField("k", kDBStr, 4);
  t.AddField("x", kDBFloat, 0);
  const long double nan = std::numeric_limits<long double>::quiet_NaN();
  const std::vector<std::pair<const char*, long double>> rows = {
      {"a", 2}, {"b", nan}, {"a", -1}, {"b", 0.5L}, {"ab", nan}, {"a", -0.0L}};
  for (auto [k, x] : rows) {
    t.Append();
    t.SetStr(t.CurrentIndex(), 0, k);
    t.SetFloat(t.CurrentIndex(), 1, x);
  }
  t.SetCurrent(1);
  auto order = [&] {
    std::string s;
    for (int32_t i = 0; i < t.RecordCount(); ++i) s += Text(t, i, 0) + "=" + Text(t, i, 1) + " ";
    return s;
  };
  // Descending string, then ascending float: "b" before "ab" before "a"; NaN after numbers.
  t.SortByKeys({{0, true}, {1, false}});
  EXPECT_EQ(order(), "b=0.5 b=NAN ab=NAN a=-1 a=0 a=2 ");
  EXPECT_EQ(t.CurrentIndex(), 1);  // the index is kept as a number
  // Descending float alone: NaN still last.
  t.SortByKeys({{1, true}});
  EXPECT_EQ(order(), "a=2 b=0.5 a=0 a=-1 b=NAN ab=NAN ");
  // Sort through value arrays: unknown names are skipped.
  TParamStr names;
  names.SetDims(std::vector<int32_t>{2});
  names.SetStringAt(0, "nope");
  names.SetStringAt(1, "K");
  TParamFlag desc;
  desc.SetDims(std::vector<int32_t>{2});
  t.Sort(&names, &desc);
  EXPECT_EQ(order(), "a=2 a=0 a=-1 ab=NAN b=0.5 b=NAN ");
}

TEST(DBSortTest, IntegerAndBooleanKeysAgainstReference) {
  TDBTable t("s", false);
  t.AddField("i", kDBInt, 0);
  t.AddField("b", kDBBool, 0);
  std::vector<std::pair<int32_t, bool>> ref;
  uint32_t seed = 12345;
  for (int r = 0; r < 500; ++r) {
    seed = seed * 1103515245u + 12345u;
    int32_t i = static_cast<int32_t>(seed >> 8) % 7 - 3;
    if (r % 50 == 0) i = r % 100 == 0 ? INT32_MIN : INT32_MAX;
    bool b = (seed >> 3) & 1;
    ref.push_back({i, b});
    t.Append();
    t.SetInt(r, 0, i);
    t.SetBool(r, 1, b);
  }
  t.SortByKeys({{1, true}, {0, false}});
  std::stable_sort(ref.begin(), ref.end(), [](auto& a, auto& b) {
    if (a.second != b.second) return a.second > b.second;
    return a.first < b.first;
  });
  for (int r = 0; r < 500; ++r) {
    int32_t i = 0;
    bool b = false;
    t.GetInt(r, 0, i);
    t.GetBool(r, 1, b);
    ASSERT_EQ(i, ref[static_cast<size_t>(r)].first) << r;
    ASSERT_EQ(b, ref[static_cast<size_t>(r)].second) << r;
  }
}

TEST(DBManagerTest, TablesAndActiveTable) {
  TDBManager m;
  EXPECT_EQ(m.CreateTable("", false), -1);
  EXPECT_EQ(m.CreateTable("A", false), 0);
  EXPECT_EQ(m.CreateTable("a", true), -1);  // names without regard to case
  EXPECT_EQ(m.CreateTable("S", true), 1);
  EXPECT_EQ(m.CreateTable("C", false), 2);
  EXPECT_EQ(m.ActiveTable()->Name(), "C");
  EXPECT_TRUE(m.DeleteTable("a"));
  EXPECT_EQ(m.ActiveTable()->Name(), "C");  // found again by name after the removal
  EXPECT_TRUE(m.DeleteTable("c"));
  EXPECT_EQ(m.ActiveTable(), nullptr);
  m.CreateTable("G", false);
  m.ResetTables();
  EXPECT_EQ(m.TableCount(), 1);  // status tables survive a reset
  EXPECT_EQ(m.ActiveTable(), nullptr);
  m.Clear();
  EXPECT_EQ(m.TableCount(), 0);
}

TEST(DBManagerTest, CopyAndInsertMatches) {
  TDBManager m;
  m.CreateTable("dst", false);
  m.ActiveTable()->AddField("other", kDBBool, 0);
  m.CreateTable("src", false);
  TDBTable& src = *m.ActiveTable();
  src.AddField("v", kDBInt, 0);
  for (int i = 0; i < 4; ++i) {
    src.Append();
    src.SetInt(i, 0, i * 10);
  }
  EXPECT_FALSE(m.CopyMatchesTo("src", {0}));  // never into the active table itself
  ASSERT_TRUE(m.CopyMatchesTo("dst", {3, 1}));
  TDBTable& dst = *m.FindTable("dst");
  EXPECT_TRUE(dst.Fields().SameStructure(src.Fields()));  // its old fields were replaced
  EXPECT_EQ(Text(dst, 0, 0), "30");
  EXPECT_EQ(Text(dst, 1, 0), "10");
  EXPECT_EQ(dst.CurrentIndex(), 1);
  // Inserting from the active table itself appends copies of the records matched before.
  ASSERT_TRUE(m.InsertMatchesFrom("src", {0, 3}));
  EXPECT_EQ(src.RecordCount(), 6);
  EXPECT_EQ(Text(src, 5, 0), "30");
  dst.AddField("extra", kDBInt, 0);
  EXPECT_FALSE(m.InsertMatchesFrom("dst", {0}));  // structures differ now
}

TEST(DBManagerTest, SaveAndLoadGameAndStatusParts) {
  TDBManager m;
  m.CreateTable("status", true);
  m.ActiveTable()->AddField("runs", kDBInt, 0);
  m.ActiveTable()->Append();
  m.ActiveTable()->SetInt(0, 0, 7);
  m.CreateTable("game", false);
  TDBTable& g = *m.ActiveTable();
  g.AddField("name", kDBStr, 8);
  g.AddField("hp", kDBFloat, 0);
  g.Append();
  g.SetStr(0, 0, "hero");
  g.SetFloat(0, 1, 1.25L);
  g.Append();
  g.SetCurrent(0);
  m.CreateTable("other", false);
  m.SetActive("GAME");

  ByteWriter game, status;
  m.SaveTables(game, false);
  m.SaveTables(status, true);

  // A game load replaces the game tables and keeps the status tables.
  TDBManager n;
  n.CreateTable("stale", false);
  n.CreateTable("kept", true);
  ByteReader gr(game.Str(), "game");
  n.LoadTables(gr, false);
  EXPECT_TRUE(gr.AtEnd());
  EXPECT_EQ(n.IndexOfTable("stale"), -1);
  EXPECT_GE(n.IndexOfTable("kept"), 0);
  ASSERT_NE(n.ActiveTable(), nullptr);
  EXPECT_EQ(n.ActiveTable()->Name(), "game");
  EXPECT_EQ(n.ActiveTable()->CurrentIndex(), 0);
  EXPECT_EQ(Text(*n.ActiveTable(), 0, 0), "hero");
  EXPECT_EQ(Text(*n.ActiveTable(), 0, 1), "1.25");
  EXPECT_EQ(n.ActiveTable()->RecordCount(), 2);
  ByteReader sr(status.Str(), "status");
  n.LoadTables(sr, true);
  EXPECT_EQ(n.IndexOfTable("kept"), -1);
  EXPECT_EQ(Text(*n.FindTable("status"), 0, 0), "7");
  // Saving again gives the same bytes.
  ByteWriter again;
  n.SetActive("game");
  n.SaveTables(again, false);
  EXPECT_EQ(again.Str(), game.Str());
}

TEST(DBManagerTest, DamagedPartsRaiseAndChangeNothing) {
  TDBManager m;
  m.CreateTable("t", false);
  m.ActiveTable()->AddField("s", kDBStr, 2);
  m.ActiveTable()->Append();
  ByteWriter w;
  m.SaveTables(w, false);
  const std::string good = w.Str();
  // Offsets: version 0, count 4, class 8, name 9 (4+1), status 14, field count 15, size 19.
  auto load = [&](std::string bytes) {
    TDBManager target;
    target.CreateTable("keep", false);
    ByteReader r(bytes, "save");
    EXPECT_THROW(target.LoadTables(r, false), FormatError);
    EXPECT_EQ(target.TableCount(), 1);
    EXPECT_EQ(target.ActiveTable()->Name(), "keep");
  };
  std::string bad = good;
  bad[19] = 100;  // a string field of size 100 whose record still holds 3 bytes: runs out of data
  load(bad);
  bad = good;
  bad[19] = 0;  // a string field of size 0 cannot hold its terminator
  load(bad);
  bad = good;
  bad[19 + 4 + 4 + 1] = 1;  // kind integer with size 3
  load(bad);
  bad = good;
  bad[8] = 1;  // unknown table class
  load(bad);
  load(good.substr(0, good.size() - 2));
  bad = good;
  bad[4] = static_cast<char>(0xFF);  // a table count the bytes cannot hold
  load(bad);
}

}  // namespace
}  // namespace kuzo
