// Stored glyph lists: round trips, the headerless old form, and untrusted counts and indexes.
#include <gtest/gtest.h>

#include "core/byte_reader.h"
#include "core/errors.h"
#include "tests/text/text_test_util.h"
#include "text/nk_word.h"

namespace kuzo {
namespace {

using testing::GlyphSummary;

std::string Store(const TNkWord& w) {
  ByteWriter out;
  w.WriteGlyphs(out);
  return out.Take();
}

void Load(TNkWord& w, const std::string& bytes) {
  ByteReader r(bytes, "main.ksb: text 1");
  w.LoadGlyphs(r);
  EXPECT_TRUE(r.AtEnd());
}

TEST(GlyphStreamTest, RoundTripKeepsEveryGlyphAndStyle) {
  TNkWord w;
  w.SetText(
      "<DIV ALIGN=RIGHT><FONT SIZE=20 COLOR=#102030 SHADOW=2 NAME=\"ＭＳ 明朝\"><RUBY VALUE=\"よ\">読</RUBY></FONT>"
      "<INDENT><A HREF=go>x</A><UNDENT><BR CLEAR><EVENT VALUE=e END><EVENT VALUE=f><WAIT VALUE=-40><VAR NAME=\"a + 1\">"
      "<IMG SRC=pic.drl ALIGN=TOP>");
  std::string bytes = Store(w);
  EXPECT_EQ(bytes.substr(0, 9), "NkWord110");
  TNkWord back;
  Load(back, bytes);
  EXPECT_EQ(GlyphSummary(back), GlyphSummary(w));
  ASSERT_EQ(back.GlyphCount(), w.GlyphCount());
  EXPECT_EQ(Store(back), bytes);  // what loaded writes back the same

  const auto& c = static_cast<const TWdChar&>(*back.Glyph(1));
  EXPECT_EQ(c.Style->Size, 20);
  EXPECT_EQ(c.Style->Color, 0x302010);
  EXPECT_EQ(c.Style->ShadowWidth, 2);
  EXPECT_EQ(c.Style->Ruby, "よ");
  EXPECT_EQ(c.Style->FontName, "ＭＳ 明朝");
  EXPECT_EQ(static_cast<const TWdChar&>(*back.Glyph(3)).Link, "go");
  EXPECT_TRUE(static_cast<const TWdOpeEvent&>(*back.Glyph(6)).IsEnd);
  EXPECT_EQ(static_cast<const TWdOpeEvent&>(*back.Glyph(6)).Value, "e");
  EXPECT_FALSE(static_cast<const TWdOpeEvent&>(*back.Glyph(7)).IsEnd);
  const auto& v = static_cast<const TWdOpeVar&>(*back.Glyph(8));
  EXPECT_EQ(v.Expr, "a + 1");
  EXPECT_EQ(v.Wait, -40);
  const auto& img = static_cast<const TWdImg&>(*back.Glyph(9));
  EXPECT_EQ(img.Source, "pic.drl");
  EXPECT_EQ(img.VAlign, kAlignTop);
  EXPECT_EQ(img.Wait, -40);
  // Reference counts are those of the glyphs that use each style, not what the bytes said.
  EXPECT_EQ(c.Style->RefCount, 1);
}

// A version 0 stream: no header, one-byte border flags, no shadow fields.
TEST(GlyphStreamTest, HeaderlessStreamIsVersionZero) {
  ByteWriter w;
  w.U32(1);       // styles
  w.I32(99);      // reference count (ignored)
  w.I32(-1);      // colour
  w.I32(0xFF);    // border colour
  w.I32(14);      // size
  w.U8(kStyleBold);
  w.U8(1);        // no-break
  w.U8(7);        // border flag: width 1
  w.String("");
  w.String("");
  w.U32(2);       // glyphs
  w.U8(1);
  w.String("");
  w.I32(10);
  w.U16(0x82A0);  // "あ"
  w.I32(0);
  w.U8(3);
  w.U8(1);
  TNkWord word;
  Load(word, w.Str());
  ASSERT_EQ(word.GlyphCount(), 2u);
  const auto& c = static_cast<const TWdChar&>(*word.Glyph(0));
  EXPECT_EQ(c.Code, 0x82A0);
  EXPECT_EQ(c.Style->BorderWidth, 1);
  EXPECT_EQ(c.Style->ShadowWidth, -1);
  EXPECT_TRUE(c.Style->NoBreak);
  EXPECT_TRUE(static_cast<const TWdOpeReturn&>(*word.Glyph(1)).NewPage);
}

std::string OneCharStream(int32_t styleIndex, uint8_t type = 1) {
  ByteWriter w;
  w.Bytes("NkWord110");
  w.U32(0);
  w.U32(1);
  w.U8(type);
  w.String("");
  w.I32(0);
  w.U16('a');
  w.I32(styleIndex);
  return w.Take();
}

TEST(GlyphStreamTest, BadBytesRaiseFormatErrorsNamingTheField) {
  TNkWord w;
  const std::string badIndex = OneCharStream(0);
  ByteReader r1(badIndex, "p.ksb");
  try {
    w.LoadGlyphs(r1);
    FAIL() << "expected an error";
  } catch (const FormatError& e) {
    EXPECT_NE(std::string(e.what()).find("style index 0 outside the 0 styles"), std::string::npos) << e.what();
  }
  const std::string badType = OneCharStream(0, 8);
  ByteReader r2(badType, "p.ksb");
  try {
    w.LoadGlyphs(r2);
    FAIL() << "expected an error";
  } catch (const FormatError& e) {
    EXPECT_NE(std::string(e.what()).find("unknown glyph type 8"), std::string::npos) << e.what();
  }
  // Counts larger than the bytes could hold are refused before anything is reserved.
  ByteWriter huge;
  huge.Bytes("NkWord110");
  huge.U32(0x7FFFFFFF);
  ByteReader r3(huge.Str(), "p.ksb");
  EXPECT_THROW(w.LoadGlyphs(r3), FormatError);
  ByteReader r4(std::string_view("NkWord1x0"), "p.ksb");
  EXPECT_THROW(w.LoadGlyphs(r4), FormatError);
  // Every truncation of a valid stream fails cleanly.
  TNkWord src;
  src.SetText("<FONT SIZE=3>ab</FONT><VAR NAME=x><IMG SRC=i><EVENT VALUE=v>");
  std::string bytes = Store(src);
  for (size_t n = 0; n < bytes.size(); ++n) {
    TNkWord t;
    ByteReader r(std::string_view(bytes).substr(0, n), "p.ksb");
    EXPECT_THROW(t.LoadGlyphs(r), FormatError) << n;
  }
}

}  // namespace
}  // namespace kuzo
