// Text history and read marks: simple and laid-out commits, trimming to the maximum, the saved
// records of every layout, and damaged records leaving the stores unchanged.
#include <gtest/gtest.h>

#include "components/history_store.h"
#include "components/read_marks.h"
#include "core/byte_reader.h"
#include "core/errors.h"

namespace kuzo {
namespace {

void Show(TKuzoNewHistory& h, const std::string& file, int32_t command, int32_t page,
          const THistoryFormat& format = {}) {
  h.RecordPending("mes", file, "", page, -1, 0, command, 320, 240, format);
  h.CommitPending("mes");
}

TEST(HistoryStoreTest, SimpleFormTrimsToTheMaximum) {
  TKuzoNewHistory h;
  h.SetMaxCount(10);
  for (int i = 0; i < 11; ++i) Show(h, "a.ksb", 4, i);
  EXPECT_EQ(h.Count(), 10);
  EXPECT_EQ(h.Simple().front().page, 1);
  // The oldest kept entry carries the file name the removed one held.
  EXPECT_EQ(h.Simple().front().source, "a.ksb");
  EXPECT_EQ(h.Simple()[1].source, "");
  EXPECT_EQ(h.Simple().front().areaWidth, 320);
  // Zero or a negative maximum means unlimited.
  h.SetMaxCount(-1);
  for (int i = 0; i < 5; ++i) Show(h, "b.ksb", 1, i);
  EXPECT_EQ(h.Count(), 15);
  h.SetMaxCount(0);
  Show(h, "b.ksb", 1, 9);
  EXPECT_EQ(h.Count(), 16);
  h.Clear();
  EXPECT_EQ(h.Count(), 0);
  EXPECT_FALSE(h.HasPending());
}

TEST(HistoryStoreTest, CommitNeedsTheSameWindow) {
  TKuzoNewHistory h;
  h.RecordPending("mes", "a.ksb", "", 0, -1, 0, 1, 1, 1, {});
  h.CommitPending("other");
  EXPECT_EQ(h.Count(), 0);
  EXPECT_TRUE(h.HasPending());
  h.CommitPending("mes");
  EXPECT_EQ(h.Count(), 1);
  EXPECT_FALSE(h.HasPending());
}

TEST(HistoryStoreTest, LaidOutPagesGroupByFormatHeight) {
  TKuzoNewHistory h;
  int calls = 0;
  h.SetLayout([&](const HistoryLayoutRequest& q) {
    ++calls;
    HistoryLayoutResult r;
    r.fileExists = q.source != "gone.ksb";
    r.isTextCommand = q.command != 99;
    for (int i = 0; i < 2; ++i) r.pages.push_back({60, i * 10, i * 10 + 9});
    return r;
  });
  THistoryFormat f{16, 0, 0, 300, 200, 4};
  Show(h, "a.ksb", 1, 0, f);  // two pages of 64
  Show(h, "a.ksb", 2, 0, f);  // the third fits (192 <= 200), the fourth starts a new history page
  ASSERT_EQ(h.Count(), 2);
  EXPECT_EQ(h.Pages()[0].pieces.size(), 3u);
  EXPECT_EQ(h.Pages()[0].totalHeight, 192);
  EXPECT_EQ(h.Pages()[0].pieces[1].source, "");  // same file as the piece before
  EXPECT_EQ(h.Pages()[1].pieces[0].source, "a.ksb");  // a new page names its file again
  EXPECT_EQ(h.Pages()[1].pieces[0].firstUnit, 10);
  EXPECT_EQ(h.Extent(), 256);
  Show(h, "gone.ksb", 1, 0, f);  // a missing file drops the entry
  EXPECT_FALSE(h.HasPending());
  Show(h, "a.ksb", 99, 0, f);  // no text command: stays pending
  EXPECT_TRUE(h.HasPending());
  EXPECT_EQ(h.Count(), 2);
  EXPECT_EQ(calls, 4);
}

TEST(HistoryStoreTest, SelectionOfTheSimpleFormFillsInEverySource) {
  TKuzoNewHistory h;
  Show(h, "a.ksb", 1, 0);
  Show(h, "a.ksb", 1, 1);
  Show(h, "b.ksb", 7, 0);
  Show(h, "b.ksb", 7, 1);
  const HistorySelection s = h.Select(1, 2);
  EXPECT_FALSE(s.laidOut);
  ASSERT_EQ(s.references.size(), 2u);
  EXPECT_EQ(s.references[0].source, "a.ksb");  // stored empty: same file as the entry before
  EXPECT_EQ(s.references[0].page, 1);
  EXPECT_EQ(s.references[1].source, "b.ksb");
  EXPECT_EQ(s.references[1].command, 7);
  EXPECT_EQ(h.Select(3, 5).references.size(), 1u);  // past the end: what there is
  EXPECT_TRUE(h.Select(0, 0).references.empty());
}

TEST(HistoryStoreTest, SelectionOfTheLaidOutFormCoversThePixelRange) {
  TKuzoNewHistory h;
  h.SetLayout([](const HistoryLayoutRequest& q) {
    HistoryLayoutResult r;
    r.fileExists = r.isTextCommand = true;
    for (int i = 0; i < 2; ++i) r.pages.push_back({60, i * 10, i * 10 + 9});
    return r;
  });
  THistoryFormat f{16, 0, 0, 300, 200, 4};
  Show(h, "a.ksb", 1, 0, f);
  Show(h, "b.ksb", 2, 0, f);  // pieces of 64: a1 a1 b2 | b2 (tops 0, 64, 128, 192)
  // Everything: one long page starting at the top.
  HistorySelection all = h.Select(0, h.Extent());
  EXPECT_TRUE(all.laidOut);
  ASSERT_EQ(all.pieces.pieces.size(), 4u);
  EXPECT_EQ(all.firstOffset, 0);
  EXPECT_EQ(all.pieces.totalHeight, 256);
  EXPECT_EQ(all.pieces.pieces[1].source, "a.ksb");  // filled in from the piece before
  EXPECT_EQ(all.pieces.pieces[3].source, "b.ksb");
  // A start inside a piece shifts it up; the range ends in the piece holding start + count.
  HistorySelection mid = h.Select(100, 40);
  ASSERT_EQ(mid.pieces.pieces.size(), 2u);
  EXPECT_EQ(mid.firstOffset, 64 - 100);
  EXPECT_EQ(mid.pieces.pieces[0].command, 1);
  EXPECT_EQ(mid.pieces.pieces[1].command, 2);
  EXPECT_EQ(mid.pieces.pieces[1].firstUnit, 0);
  // A range ending exactly on a piece's top includes that piece.
  EXPECT_EQ(h.Select(0, 64).pieces.pieces.size(), 2u);
}

TEST(HistoryStoreTest, RecordRoundTripAndOlderLayouts) {
  TKuzoNewHistory h;
  h.SetMaxCount(7);
  Show(h, "a.ksb", 1, 0);
  Show(h, "b.ksb", 2, 3);
  h.RecordPending("mes", "c.ksb", "x=1", 5, 9, 2, 3, 10, 20, {});
  ByteWriter w;
  h.SaveToStream(w);
  TKuzoNewHistory back;
  ByteReader r(w.Str(), "history");
  back.LoadFromStream(r, 134);
  EXPECT_TRUE(r.AtEnd());
  ByteWriter again;
  back.SaveToStream(again);
  EXPECT_EQ(again.Str(), w.Str());
  EXPECT_EQ(back.MaxCount(), 7);

  // Before version 113: a leading string and the entries' fields in runs; no maximum.
  ByteWriter old;
  old.String("head");
  old.U32(2);
  old.String("a.ksb");
  old.String("");
  old.I32(1);
  old.I32(2);  // commands
  old.I32(5);
  old.I32(6);  // pages
  old.I32(10);
  old.I32(11);
  old.I32(12);
  old.I32(13);  // area sizes
  old.String("");
  for (int i = 0; i < 4; ++i) old.I32(0);
  old.String("");
  TKuzoNewHistory fromOld;
  ByteReader o(old.Str(), "old history");
  fromOld.LoadFromStream(o, 112);
  EXPECT_TRUE(o.AtEnd());
  ASSERT_EQ(fromOld.Count(), 2);
  EXPECT_EQ(fromOld.Simple()[1].command, 2);
  EXPECT_EQ(fromOld.Simple()[1].page, 6);
  EXPECT_EQ(fromOld.Simple()[1].areaWidth, 12);

  // A damaged record changes nothing.
  ByteReader bad(std::string_view(w.Str()).substr(0, w.Size() - 6), "cut");
  EXPECT_THROW(back.LoadFromStream(bad, 134), FormatError);
  EXPECT_EQ(back.Count(), 2);
}

TEST(ReadMarksTest, MarksPendingAndRecords) {
  TKuzoReadList marks;
  marks.SetPending("mes", "A.ksb", 2, 7);
  marks.CommitPending("other");
  EXPECT_FALSE(marks.IsRead("a.ksb", 7, 2));
  marks.CommitPending("mes");
  EXPECT_TRUE(marks.IsRead("a.KSB", 7, 2));  // file names without regard to case
  EXPECT_FALSE(marks.IsRead("a.ksb", 2, 7));
  marks.SetPending("mes", "a.ksb", 2, 7);
  marks.CommitPending("mes");
  ASSERT_EQ(marks.FileCount(), 1);
  EXPECT_EQ(marks.Item(0).commands.size(), 1u);  // the same page twice is stored once
  marks.SetPending("mes", "b.ksb", 0, 1);  // left before it finished: never committed

  ByteWriter w;
  marks.SaveToStream(w);
  TKuzoReadList back;
  ByteReader r(w.Str(), "marks");
  back.LoadFromStream(r, 103);
  EXPECT_TRUE(r.AtEnd());
  EXPECT_TRUE(back.IsRead("A.KSB", 7, 2));
  EXPECT_FALSE(back.IsRead("b.ksb", 1, 0));
  EXPECT_EQ(back.PendingFile(), "b.ksb");
  // Versions below 100 hold no marks; nothing is read.
  ByteReader none(w.Str(), "marks");
  back.LoadFromStream(none, 99);
  EXPECT_EQ(back.FileCount(), 0);
  EXPECT_EQ(none.Position(), 0u);
  // A pair count the bytes cannot hold is refused and the store stays as it was.
  std::string bad = w.Str();
  bad[4 + 4 + 5] = '\x7f';
  ByteReader br(bad, "bad marks");
  EXPECT_THROW(marks.LoadFromStream(br, 103), FormatError);
  EXPECT_TRUE(marks.IsRead("a.ksb", 7, 2));
}

TEST(FrozenVarValues, LinesOfNameAndValue) {
  using Values = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(ParseFrozenVarValues("a=1\r\nb=x=y\nnoequals\r\n=empty\r\nlast="),
            (Values{{"a", "1"}, {"b", "x=y"}, {"", "empty"}, {"last", ""}}));
  EXPECT_TRUE(ParseFrozenVarValues("").empty());
  EXPECT_TRUE(ParseFrozenVarValues("\r\n\n").empty());
}

}  // namespace
}  // namespace kuzo
