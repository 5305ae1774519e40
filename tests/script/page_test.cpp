// The page file: version gates, the property-mask table, every command record for every page
// version, and the failure rules for bad pages.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "authoring/page_dump.h"
#include "core/errors.h"
#include "script/page.h"
#include "script/scene_commands.h"
#include "script/script_services.h"

namespace kuzo {
namespace {

void Header(ByteWriter& w, int32_t depth = 0, int32_t line = 1) {
  w.I32(depth);
  w.U8(0);
  w.U8(1);
  w.I32(line);
}
void EmptyExpr(ByteWriter& w) { w.U32(0); }

// A page with the standard mask block (61 x 21 bytes, all zero unless set).
std::string PageBytes(uint32_t version, const std::function<void(ByteWriter&)>& commands, uint32_t count,
                      uint32_t maskCount = 61, uint32_t entrySize = 21,
                      const std::function<void(ByteWriter&)>& masks = nullptr) {
  ByteWriter w;
  w.U32(version);
  w.U8(2);
  w.U32(maskCount);
  w.U32(entrySize);
  if (masks)
    masks(w);
  else
    w.Bytes(std::string(static_cast<size_t>(maskCount) * entrySize, '\0'));
  w.U32(count);
  commands(w);
  return w.Take();
}

TEST(Page, ReadsHeaderAndACallRecordByteForByte) {
  const std::string bytes = PageBytes(
      110,
      [](ByteWriter& w) {
        w.U8(5);  // call
        Header(w, 2, 17);
        w.String("sub.ksb");
        w.I32(4);
        w.String("r");
        EmptyExpr(w);
        w.U32(2);
        EmptyExpr(w);
        EmptyExpr(w);
      },
      1);
  TPage page;
  page.Parse("main.ksb", bytes);
  EXPECT_EQ(page.Version(), 110u);
  EXPECT_EQ(page.ResultType(), 2);
  ASSERT_EQ(page.Count(), 1);
  TCommand& c = page.At(0);
  EXPECT_EQ(c.TypeCode(), 5);
  EXPECT_EQ(c.depth, 2);
  EXPECT_EQ(c.line, 17);
  EXPECT_EQ(c.fields[0].text, "sub.ksb");
  EXPECT_EQ(c.fields[1].number, 4);
  EXPECT_EQ(c.fields[2].text, "r");
  EXPECT_EQ(c.fields[4].list.size(), 2u);
  ByteWriter again;
  page.Write(again);
  EXPECT_EQ(again.Str(), bytes);
}

TEST(Page, WaitRecordGainsItsBlockingFlagAbove106) {
  auto wait = [](int exprs) {
    return [exprs](ByteWriter& w) {
      w.U8(7);
      Header(w);
      for (int i = 0; i < exprs; ++i) EmptyExpr(w);
      w.U8(45);  // terminate, to show the record ended where expected
      Header(w);
    };
  };
  TPage old, fresh;
  old.Parse("a.ksb", PageBytes(106, wait(2), 2));
  fresh.Parse("b.ksb", PageBytes(107, wait(3), 2));
  EXPECT_EQ(old.At(1).TypeCode(), 45);
  EXPECT_EQ(fresh.At(1).TypeCode(), 45);
  TPage wrong;
  EXPECT_ANY_THROW(wrong.Parse("c.ksb", PageBytes(107, wait(2), 2)));
}

TEST(Page, FlipTextParameterAbove100AndGameSaveFlagAbove104) {
  for (uint32_t v : {103u, 105u, 110u}) {
    TPage p;
    p.SetVersion(v);
    p.Append(13);
    p.Append(38).fields[2].number = 9;
    ByteWriter w;
    p.Write(w);
    TPage back;
    back.Parse("x.ksb", w.Str());
    EXPECT_EQ(back.At(1).fields[2].number, v > 104 ? 9 : 0) << v;
  }
  // Version 103 still has the text parameter (present above 100): 10 expressions, one list.
  TPage p;
  p.SetVersion(103);
  p.Append(13);
  ByteWriter w;
  p.Write(w);
  const size_t fixed = 4 + 1 + 4 + 4 + 61 * 21 + 4 + 1 + 10;
  EXPECT_EQ(w.Size(), fixed + 8 * 4 + 4);  // 8 expressions at 103 (no blocking flag), one empty list
}

TEST(Page, MaskEntriesLongerThanARowAreCutAndTheRestSkipped) {
  const std::string bytes = PageBytes(
      110,
      [](ByteWriter& w) {
        w.U8(8);  // box with the property bits of row 8
        Header(w);
        EmptyExpr(w);
        EmptyExpr(w);
      },
      1, 61, 1300, [](ByteWriter& w) {
        for (int k = 0; k < 61; ++k) {
          std::string entry(1300, '\0');
          if (k == 8) {
            entry[0] = 0x01;          // PR_NAME
            entry[20] = 0x02;         // property 161
            entry[21] = '\xFF';       // beyond the row: ignored
          }
          w.Bytes(entry);
        }
      });
  TPage page;
  page.Parse("m.ksb", bytes);
  EXPECT_TRUE(page.MaskBit(8, 0));
  EXPECT_TRUE(page.MaskBit(8, 161));
  EXPECT_FALSE(page.MaskBit(8, 1));
  EXPECT_FALSE(page.MaskBit(9, 0));
  auto& box = static_cast<TComSceneCommand&>(page.At(0));
  ASSERT_EQ(box.props.size(), 2u);
  EXPECT_EQ(box.props[0].first, 0);
  EXPECT_EQ(box.props[1].first, 161);
}

TEST(Page, MaskEntriesBeyondTheCommandTypesAreSkippedWhole) {
  const std::string bytes = PageBytes(
      110, [](ByteWriter& w) { w.U8(9); Header(w); }, 1, 70, 21, [](ByteWriter& w) {
        for (int k = 0; k < 70; ++k) w.Bytes(std::string(21, k >= 61 ? '\xFF' : '\0'));
      });
  TPage page;
  page.Parse("m.ksb", bytes);
  ASSERT_EQ(page.Count(), 1);
  for (int t = 0; t <= 60; ++t) EXPECT_FALSE(page.MaskBit(static_cast<uint8_t>(t), 0));
  EXPECT_TRUE(static_cast<TComSceneCommand&>(page.At(0)).props.empty());  // no bits, no bytes
}

TEST(Page, ZeroSizedMaskEntriesWithAHugeCountAreRejectedOrSkippedQuickly) {
  TPage page;
  page.Parse("z.ksb", PageBytes(110, [](ByteWriter&) {}, 0, 0xFFFFFFFFu, 0, [](ByteWriter&) {}));
  EXPECT_EQ(page.Count(), 0);
  EXPECT_THROW(page.Parse("z.ksb", PageBytes(110, [](ByteWriter&) {}, 0, 0x10000000u, 16, [](ByteWriter&) {})),
               FormatError);
}

TEST(Page, EveryCommandTypeRoundTripsForEveryVersion) {
  for (uint32_t v = 103; v <= 110; ++v) {
    TPage p;
    p.SetVersion(v);
    p.SetMaskBit(8, 0, true);
    p.SetMaskBit(59, 5, true);
    for (int t = 0; t <= 60; ++t) {
      TCommand& c = p.Append(static_cast<uint8_t>(t));
      c.depth = t % 4;
      c.line = 100 + t;
      c.skip = t == 27;
      c.runOn = t % 2;
      for (size_t k = 0; k < c.fields.size(); ++k) {
        c.fields[k].text = "s" + std::to_string(t);
        c.fields[k].number = t;
        c.fields[k].expr = Expr::Compile("a + " + std::to_string(t));
        c.fields[k].list.push_back(Expr::Compile("\"n\""));
      }
    }
    ByteWriter w;
    p.Write(w);
    TPage back;
    back.Parse("all.ksb", w.Str());
    ASSERT_EQ(back.Count(), 61) << v;
    for (int t = 0; t <= 60; ++t) {
      EXPECT_EQ(back.At(t).TypeCode(), t);
      EXPECT_EQ(back.At(t).line, 100 + t);
    }
    ByteWriter again;
    back.Write(again);
    EXPECT_EQ(again.Str(), w.Str()) << "version " << v;
    const std::string listing = DumpPage(back);
    for (int t = 0; t <= 60; ++t)
      EXPECT_NE(listing.find(std::string("  ") + CommandInfoOf(static_cast<uint8_t>(t)).keyword), std::string::npos);
  }
}

TEST(Page, TypeCodeAbove60IsAnInvalidCommand) {
  TPage page;
  try {
    page.Parse("bad.ksb", PageBytes(110, [](ByteWriter& w) { w.U8(61); Header(w); }, 1));
    FAIL() << "no error";
  } catch (const FormatError&) {
    FAIL() << "wrong error";
  } catch (const KuzoError& e) {
    EXPECT_STREQ(e.what(), "不正なコマンド");
  }
}

TEST(Page, TruncatedRecordsAndAbsurdCountsAreFormatErrors) {
  const std::string good = PageBytes(
      110,
      [](ByteWriter& w) {
        w.U8(4);
        Header(w);
        w.String("p.ksb");
        w.I32(0);
        EmptyExpr(w);
      },
      1);
  for (size_t cut = 0; cut < good.size(); ++cut) {
    TPage page;
    EXPECT_THROW(page.Parse("t.ksb", std::string_view(good).substr(0, cut)), FormatError) << cut;
  }
  TPage page;
  EXPECT_THROW(page.Parse("c.ksb", PageBytes(110, [](ByteWriter&) {}, 0xFFFFFFF0u)), FormatError);
  EXPECT_THROW(page.Parse("l.ksb", PageBytes(110,
                                             [](ByteWriter& w) {
                                               w.U8(13);
                                               Header(w);
                                               for (int i = 0; i < 4; ++i) EmptyExpr(w);
                                               w.U32(0x7FFFFFFF);  // name list count
                                             },
                                             1)),
               FormatError);
}

class WarningRecorder : public GameCommandHost {
 public:
  void ShowWarning(const std::string& text) override { warnings.push_back(text); }
  std::vector<std::string> warnings;
};

TEST(Page, OldPagesAskForARebuildAndNewerPagesStayEmpty) {
  HostState host;
  WarningRecorder game;
  ScriptServices s;
  s.host = &host;
  s.game = &game;
  TPage newer(&s);
  newer.Parse("n.ksb", PageBytes(111, [](ByteWriter& w) { w.U8(61); }, 1));
  EXPECT_EQ(newer.Count(), 0);
  EXPECT_FALSE(host.terminateRequested);
  TPage old(&s);
  old.Parse("o.ksb", PageBytes(102, [](ByteWriter& w) { w.U8(45); Header(w); }, 1));
  EXPECT_EQ(old.Count(), 0);
  EXPECT_TRUE(host.terminateRequested);
  ASSERT_EQ(game.warnings.size(), 1u);
  EXPECT_EQ(game.warnings[0], "o.ksb\r\nリビルドしてください");
}

TEST(Page, RunningStateSignature) {
  ByteWriter w;
  WriteStateSignature(w);
  w.U8(0xAB);
  EXPECT_EQ(w.Str().substr(0, 7), "kuzo100");
  ByteReader r(w.Str(), "s");
  EXPECT_EQ(ReadStateVersion(r), 100);
  EXPECT_EQ(r.U8(), 0xAB);
  const std::string plain = "\x05\x00\x00\x00\x01\x00\x00\x00";
  ByteReader r2(plain, "s");
  EXPECT_EQ(ReadStateVersion(r2), 0);
  EXPECT_EQ(r2.Position(), 0u);
}

}  // namespace
}  // namespace kuzo

namespace kuzo {
namespace {

// Records written byte by byte from their documented layouts, each followed by a terminate
// command: the reader must end every record exactly where the next one starts, and the writer
// must give back the same bytes.
struct LayoutCase {
  const char* what;
  uint8_t type;
  uint32_t version;
  std::function<void(ByteWriter&)> fields;
};

void ExpectRecordLayout(const LayoutCase& c, const std::function<void(ByteWriter&)>& masks) {
  const std::string bytes = PageBytes(
      c.version,
      [&](ByteWriter& w) {
        w.U8(c.type);
        Header(w, 1, 9);
        c.fields(w);
        w.U8(45);
        Header(w);
      },
      2, 61, 21, masks);
  TPage page;
  page.Parse("layout.ksb", bytes);
  ASSERT_EQ(page.Count(), 2) << c.what;
  EXPECT_EQ(page.At(0).TypeCode(), c.type) << c.what;
  EXPECT_EQ(page.At(1).TypeCode(), 45) << c.what << ": the record did not end where it should";
  ByteWriter again;
  page.Write(again);
  EXPECT_EQ(again.Str(), bytes) << c.what;
}

void Exprs(ByteWriter& w, int n) {
  for (int i = 0; i < n; ++i) EmptyExpr(w);
}

TEST(PageLayout, VersionGatedRecordsEndWhereTheirLayoutSays) {
  const std::vector<LayoutCase> cases = {
      {"text insertion 106", 20, 106, [](ByteWriter& w) { w.U32(3); w.Bytes("abc"); Exprs(w, 3); }},
      {"text insertion 107", 20, 107, [](ByteWriter& w) { w.U32(0); Exprs(w, 4); }},
      {"movie stop 106", 21, 106, [](ByteWriter& w) { Exprs(w, 3); }},
      {"movie stop 107", 21, 107, [](ByteWriter& w) { Exprs(w, 4); }},
      {"property motion 107", 57, 107, [](ByteWriter& w) { Exprs(w, 6); }},
      {"property motion 108", 57, 108, [](ByteWriter& w) { Exprs(w, 7); }},
      {"game save 104", 38, 104, [](ByteWriter& w) { EmptyExpr(w); w.String("cap"); EmptyExpr(w); }},
      {"game save 105", 38, 105, [](ByteWriter& w) { EmptyExpr(w); w.String("cap"); w.I32(3); EmptyExpr(w); }},
      {"variable declaration", 15, 103, [](ByteWriter& w) { w.String("v"); w.U8(4); EmptyExpr(w); w.U8(2); }},
      {"get property", 17, 110, [](ByteWriter& w) { Exprs(w, 2); w.String("into"); }},
      {"history call", 29, 103, [](ByteWriter& w) { Exprs(w, 4); }},
      {"restart", 40, 108, [](ByteWriter& w) { w.String("p.ksb"); w.I32(3); w.U8(1); }},
      {"reset", 41, 108, [](ByteWriter& w) { w.String("p.ksb"); w.I32(3); w.U8(0); }},
      {"loop step", 33, 105, [](ByteWriter& w) { EmptyExpr(w); w.I32(2); }},
      {"flip 103", 13, 103, [](ByteWriter& w) { Exprs(w, 4); w.U32(2); Exprs(w, 2); Exprs(w, 4); }},
      {"flip 107", 13, 107, [](ByteWriter& w) { Exprs(w, 4); w.U32(0); Exprs(w, 5); }},
  };
  for (const auto& c : cases) ExpectRecordLayout(c, nullptr);
}

TEST(PageLayout, ComponentRecordsCarryOneExpressionPerMaskedPropertyUpTo161) {
  // Box (8): properties 0 and 161, and bit 165, which names no property and carries nothing.
  // Cabinet save (59): properties 0 and 5, then the invert flag and a list of two names.
  auto masks = [](ByteWriter& w) {
    std::string rows(61 * 21, '\0');
    rows[8 * 21 + 0] = 0x01;
    rows[8 * 21 + 20] = 0x22;
    rows[59 * 21 + 0] = 0x21;
    w.Bytes(rows);
  };
  ExpectRecordLayout({"box", 8, 110, [](ByteWriter& w) { Exprs(w, 2); }}, masks);
  ExpectRecordLayout({"cabinet", 59, 103, [](ByteWriter& w) { Exprs(w, 2); EmptyExpr(w); w.U32(2); Exprs(w, 2); }},
                     masks);
  // Without mask bits a component record is the header alone.
  ExpectRecordLayout({"bare image", 9, 110, [](ByteWriter&) {}}, masks);
}

}  // namespace
}  // namespace kuzo
