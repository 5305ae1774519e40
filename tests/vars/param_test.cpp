// Value classes: conversions on every read and write, arrays, references and stream forms; the
// text parsers and formats behind the conversions.
#include "vars/param.h"

#include <gtest/gtest.h>

#include "core/byte_reader.h"
#include "core/errors.h"
#include "vars/param_collection.h"

namespace kuzo {
namespace {

std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const KuzoError& e) {
    return e.what();
  }
  return "(no error)";
}

TEST(ParamConvert, IntegerText) {
  int32_t v = 0;
  EXPECT_TRUE(ParseInteger("42", v));
  EXPECT_EQ(v, 42);
  EXPECT_TRUE(ParseInteger("-2147483648", v));
  EXPECT_EQ(v, -2147483647 - 1);
  EXPECT_FALSE(ParseInteger("2147483648", v));
  EXPECT_TRUE(ParseInteger("$FFFFFFFF", v));
  EXPECT_EQ(v, -1);
  EXPECT_TRUE(ParseInteger("-$10", v));
  EXPECT_EQ(v, -16);
  EXPECT_TRUE(ParseInteger("  +7", v));
  EXPECT_EQ(v, 7);
  EXPECT_FALSE(ParseInteger("$100000000", v));
  for (const char* bad : {"", "-", "$", "12abc", "1.0", "7 ", "0x10", "1e3"}) EXPECT_FALSE(ParseInteger(bad, v)) << bad;
  EXPECT_EQ(TextToInteger("12abc"), 0);
}

TEST(ParamConvert, FloatText) {
  long double v = 0;
  EXPECT_TRUE(ParseFloat(" 2.5 ", v));
  EXPECT_EQ(v, 2.5L);
  EXPECT_TRUE(ParseFloat("-1e3", v));
  EXPECT_EQ(v, -1000.0L);
  EXPECT_TRUE(ParseFloat(".5", v));
  EXPECT_TRUE(ParseFloat("5.", v));
  EXPECT_TRUE(ParseFloat("1E+2", v));
  EXPECT_EQ(v, 100.0L);
  for (const char* bad : {"", ".", "e5", "1e", "1.2.3", "$10", "1,5", "nan", "inf", "1e99999"}) {
    EXPECT_FALSE(ParseFloat(bad, v)) << bad;
  }
}

TEST(ParamConvert, FloatFormatting) {
  EXPECT_EQ(FloatToText(3.5L), "3.5");
  EXPECT_EQ(FloatToText(-0.0L), "0");
  EXPECT_EQ(FloatToText(1.0L / 3), "0.333333333333333");
  EXPECT_EQ(FloatToText(1e20L), "1E20");
  EXPECT_EQ(FloatToText(1.5e-7L), "1.5E-7");
  EXPECT_EQ(FloatToText(123456789012345.0L), "123456789012345");
  EXPECT_EQ(FloatToText(2.0L / 3), "0.666666666666667");
  // The text reads back to a value within 15 significant digits.
  for (long double x : {0.1L, 12345.678L, -9.87654321e-10L, 6.02214076e23L}) {
    long double back = 0;
    ASSERT_TRUE(ParseFloat(FloatToText(x), back));
    EXPECT_NEAR(static_cast<double>(back / x), 1.0, 1e-14);
  }
}

TEST(Param, ConversionsOnRead) {
  TParamInt i(-7);
  EXPECT_EQ(i.AsString(), "-7");
  EXPECT_TRUE(i.AsBoolean());
  EXPECT_EQ(i.AsFloat(), -7.0L);
  TParamFloat f(-2.9L);
  EXPECT_EQ(f.AsInteger(), -2);
  EXPECT_EQ(f.AsString(), "-2.9");
  TParamFlag b(true);
  EXPECT_EQ(b.AsString(), "TRUE");
  EXPECT_EQ(b.AsInteger(), 1);
  TParamStr s("12abc");
  EXPECT_EQ(s.AsInteger(), 0);
  EXPECT_FALSE(s.AsBoolean());
  s.SetString("true");
  EXPECT_FALSE(s.AsBoolean());
  s.SetString("TRUE");
  EXPECT_TRUE(s.AsBoolean());
  s.SetString("$1F");
  EXPECT_EQ(s.AsInteger(), 31);
  EXPECT_EQ(s.AsFloat(), 0.0L);  // "$" is no float
}

TEST(Param, ConversionsOnWrite) {
  TParamInt i;
  i.SetFloat(2.9L);
  EXPECT_EQ(i.AsInteger(), 2);
  i.SetString("nope");
  EXPECT_EQ(i.AsInteger(), 0);
  TParamFlag b;
  b.SetString("TRUE");
  EXPECT_TRUE(b.AsBoolean());
  b.SetFloat(0.5L);
  EXPECT_TRUE(b.AsBoolean());
  TParamStr s;
  s.SetFloat(0.25L);
  EXPECT_EQ(s.AsString(), "0.25");
  s.SetBoolean(false);
  EXPECT_EQ(s.AsString(), "FALSE");
  TParamFloat f;
  f.SetString("1e2");
  EXPECT_EQ(f.AsFloat(), 100.0L);
}

TEST(Param, ArraysAreRowMajorAndScalarWritesDropDimensions) {
  TParamInt a;
  int32_t sizes[] = {2, 3};
  a.SetDims(sizes);
  EXPECT_EQ(a.Count(), 6);
  EXPECT_EQ(a.DimCount(), 2);
  EXPECT_EQ(a.DimSize(0), 2);
  EXPECT_EQ(a.DimSize(1), 3);
  EXPECT_EQ(a.DimSize(5), 1);
  a.SetIntegerAt(5, 9);
  EXPECT_EQ(a.AsInteger(), 0);  // scalar read: element 0
  EXPECT_EQ(ErrorOf([&] { a.IntegerAt(6); }), "配列の添字が不正です");
  EXPECT_EQ(ErrorOf([&] { a.SetStringAt(-1, "x"); }), "配列の添字が不正です");
  // Resizing keeps elements in flat order.
  int32_t bigger[] = {3, 3};
  a.SetDims(bigger);
  EXPECT_EQ(a.IntegerAt(5), 9);
  EXPECT_EQ(a.IntegerAt(8), 0);
  a.SetInteger(7);
  EXPECT_EQ(a.Count(), 1);
  EXPECT_TRUE(a.Dims().empty());
  EXPECT_EQ(a.AsInteger(), 7);
}

TEST(Param, BadAndHugeDimensionsAreRefused) {
  TParamStr a;
  int32_t zero[] = {2, 0};
  EXPECT_EQ(ErrorOf([&] { a.SetDims(zero); }), "配列の要素数[2,0]が不正です");
  int32_t negative[] = {-1};
  EXPECT_EQ(ErrorOf([&] { a.SetDims(negative); }), "配列の要素数[-1]が不正です");
  // A product beyond what may be allocated is refused, not attempted (or wrapped to a small count).
  int32_t huge[] = {65536, 65536, 65536};
  EXPECT_EQ(ErrorOf([&] { a.SetDims(huge); }), "配列の要素数[65536,65536,65536]が不正です");
  EXPECT_EQ(a.Count(), 1);
  EXPECT_TRUE(a.Dims().empty());
}

TEST(Param, FillCopyAndConvertedAssignment) {
  TParamStr s;
  int32_t sizes[] = {3};
  s.SetDims(sizes);
  s.FillString("x");
  EXPECT_EQ(s.StringAt(2), "x");
  TParamStr t;
  t.CopyValues(s);
  EXPECT_EQ(t.Count(), 3);
  EXPECT_EQ(t.Dims(), s.Dims());
  TParamInt i;
  EXPECT_EQ(ErrorOf([&] { i.CopyValues(s); }), "CopyMem:変数の型があいません");
  s.SetStringAt(1, "42");
  i.AssignConverted(s);
  EXPECT_EQ(i.Count(), 3);
  EXPECT_EQ(i.IntegerAt(1), 42);
  EXPECT_EQ(i.IntegerAt(0), 0);
}

TEST(Param, IndexOfText) {
  TParamStr s;
  int32_t sizes[] = {3};
  s.SetDims(sizes);
  s.SetStringAt(0, "Apple");
  s.SetStringAt(1, "banana");
  s.SetStringAt(2, "APPLE pie");
  EXPECT_EQ(s.IndexOfText("apple", true, false), -1);
  EXPECT_EQ(s.IndexOfText("apple", false, false), 0);
  EXPECT_EQ(s.IndexOfText("PIE", false, true), 2);
  EXPECT_EQ(s.IndexOfText("nan", true, true), 1);
  EXPECT_EQ(s.IndexOfText("Apple", true, false), 0);
}

TEST(Param, UnboundReferenceIsNeutral) {
  TParamVar v("x");
  EXPECT_EQ(v.TypeCode(), kTypeNone);
  EXPECT_EQ(v.Count(), 0);
  EXPECT_EQ(v.AsString(), "");
  EXPECT_EQ(v.IndexOfText("a", true, false), -1);
  v.SetInteger(5);  // ignored
  EXPECT_EQ(v.AsInteger(), 0);
}

TEST(Param, ReferenceForwardsToItsElement) {
  TParamCollection table;
  TParamCollectionItem& a = table.AddVariable(kTypeInt);
  a.SetName("a");
  int32_t sizes[] = {4};
  a.Param()->SetDims(sizes);
  TParamVar ref("a");
  ref.Bind(a.Param(), &a, 2);
  ref.SetInteger(9);  // scalar write: element 2
  EXPECT_EQ(a.Param()->IntegerAt(2), 9);
  EXPECT_EQ(a.Param()->Count(), 4);
  EXPECT_EQ(ref.AsInteger(), 9);
  EXPECT_EQ(ref.Count(), 4);  // whole-value operations go to the target
  ref.FillInteger(1);
  EXPECT_EQ(a.Param()->IntegerAt(0), 1);
  // The target is deleted: the reference notices and unbinds instead of reaching freed memory.
  table.DeleteVariable(a);
  EXPECT_FALSE(ref.IsBound());
  EXPECT_EQ(ref.AsInteger(), 0);
}

TEST(Param, StreamRoundTrips) {
  TParamFloat f;
  int32_t sizes[] = {2, 2};
  f.SetDims(sizes);
  f.SetFloatAt(3, 0.1L);
  ByteWriter w;
  f.SaveToStream(w);
  // dims (4 + 2*4), count (4), 4 * 10 bytes
  EXPECT_EQ(w.Size(), 12u + 4u + 40u);
  TParamFloat g;
  ByteReader r(w.Str(), "test");
  g.LoadFromStream(r, nullptr);
  EXPECT_TRUE(r.AtEnd());
  EXPECT_EQ(g.Dims(), f.Dims());
  EXPECT_EQ(g.FloatAt(3), 0.1L);

  TParamStr s("abc");
  ByteWriter ws;
  s.SaveToStream(ws);
  EXPECT_EQ(ws.Str(), std::string("\0\0\0\0\1\0\0\0\3\0\0\0abc", 15));
}

TEST(Param, HostileStreamCountsFailCleanly) {
  ByteWriter w;
  w.U32(0);
  w.U32(0x7FFFFFFF);  // element count far beyond the data
  TParamStr s;
  ByteReader r(w.Str(), "test");
  EXPECT_THROW(s.LoadFromStream(r, nullptr), FormatError);
  ByteWriter d;
  d.U32(0x40000000);  // dimension count far beyond the data
  ByteReader rd(d.Str(), "test");
  TParamInt i;
  EXPECT_THROW(i.LoadFromStream(rd, nullptr), FormatError);
}

}  // namespace
}  // namespace kuzo

#include "vars/int_list.h"

namespace kuzo {
namespace {

TEST(IntList, PutAppendsZerosAndIndicesAreChecked) {
  TIntList list;
  list.Add(5);
  list.Put(3, 9);
  EXPECT_EQ(list.Count(), 4);
  EXPECT_EQ(list.Get(0), 5);
  EXPECT_EQ(list.Get(2), 0);
  EXPECT_EQ(list.Get(3), 9);
  EXPECT_THROW(list.Get(4), KuzoError);
  EXPECT_THROW(list.Put(-1, 1), KuzoError);
  EXPECT_THROW(list.Put(TIntList::kMaxCount, 1), KuzoError);
  TIntArray array;
  array.Add(7);
  EXPECT_EQ(array.Count(), 1);
  EXPECT_EQ(array.Get(0), 7);
  EXPECT_THROW(array.Get(1), KuzoError);
}

}  // namespace
}  // namespace kuzo
