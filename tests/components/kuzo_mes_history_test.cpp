// The history word and the history shown in a message window: left pages laid out with the
// registered format and grouped into history pages, then a range of the history (laid-out pieces
// or simple references) stacked into one long page that scrolls, shown without recording anything,
// kept in the window's saved record, and left again by new text.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "components/history_layout.h"
#include "components/history_store.h"
#include "components/kuzo_mes.h"
#include "components/read_marks.h"
#include "components/standard_components.h"
#include "core/byte_reader.h"
#include "graphics/font_pixel.h"
#include "scene/component_services.h"
#include "scene/kuzo_base_list.h"
#include "scene/script_text_source.h"
#include "tests/components/fake_script_texts.h"
#include "text/row_dump.h"
#include "vars/param_collection.h"

namespace kuzo {
namespace {

constexpr int32_t kFrameMs = 16;

std::string GlyphList(const std::string& markup) {
  TNkWord w;
  w.SetText(markup);
  ByteWriter out;
  w.WriteGlyphs(out);
  return out.Take();
}

// Script text by (file, command), as the player's text cache gives it.
struct FakeTexts : testing::FakeScriptTexts {
  void Add(const std::string& file, int32_t command, const std::string& markup) {
    lists[{file, command}] = GlyphList(markup);
  }
};

// Six characters in three 12-pixel rows.
constexpr const char* kThreeRows = "AB<BR>CD<BR>EF";
// Two rows (12 + 2 + 12 = 26 pixels) fit a format of height 30; the third starts a page.
const THistoryFormat kFormat{12, 0, 0, 80, 30, 2};

void Commit(TKuzoNewHistory& h, const std::string& file, int32_t command, int32_t first = 0, int32_t last = -1,
            const std::string& vars = {}, const THistoryFormat& format = kFormat) {
  h.RecordPending("mes", file, vars, 0, last, first, command, 80, 24, format);
  h.CommitPending("mes");
}

TEST(HistoryLayout, PagesOfTheFormatBecomePiecesWithTheirUnitRanges) {
  FakeTexts texts;
  texts.Add("a.kss", 2, kThreeRows);
  THistoryLayout layout({&texts, nullptr, nullptr});
  const HistoryLayoutResult r = layout.Layout({"a.kss", 2, 0, -1, "", kFormat});
  EXPECT_TRUE(r.fileExists);
  EXPECT_TRUE(r.isTextCommand);
  ASSERT_EQ(r.pages.size(), 2u);
  EXPECT_EQ(r.pages[0].height, 26);
  EXPECT_EQ(r.pages[0].firstUnit, 0);
  EXPECT_EQ(r.pages[0].lastUnit, 4);
  EXPECT_EQ(r.pages[1].height, 12);
  EXPECT_EQ(r.pages[1].firstUnit, 4);
  EXPECT_EQ(r.pages[1].lastUnit, 6);
  // A unit range lays out only its glyphs (the line break ending the row before it is not one of
  // them); the same command is not read again.
  const HistoryLayoutResult part = layout.Layout({"a.kss", 2, 2, 4, "", kFormat});
  ASSERT_EQ(part.pages.size(), 1u);
  EXPECT_EQ(part.pages[0].height, 12);
  EXPECT_EQ(part.pages[0].firstUnit, 2);
  EXPECT_EQ(part.pages[0].lastUnit, 4);
  EXPECT_EQ(texts.lookups, 1);
  EXPECT_EQ(layout.LoadedCommand(), 2);
}

TEST(HistoryLayout, FrozenVarValuesAreLaidOutAndCollapsedAfterwards) {
  FakeTexts texts;
  texts.Add("a.kss", 0, "<VAR NAME=who>!");
  THistoryLayout layout({&texts, nullptr, nullptr});
  // "ABCD EFGH!" at 12 pixels wraps after the blank: two rows.
  const HistoryLayoutResult r = layout.Layout({"a.kss", 0, 0, -1, "who=ABCD EFGH\r\n", kFormat});
  ASSERT_EQ(r.pages.size(), 1u);
  EXPECT_EQ(r.pages[0].height, 26);
  EXPECT_EQ(r.pages[0].lastUnit, 1) << "inserted characters count no units";
  const HistoryLayoutResult bare = layout.Layout({"a.kss", 0, 0, -1, "", kFormat});
  ASSERT_EQ(bare.pages.size(), 1u);
  EXPECT_EQ(bare.pages[0].height, 12) << "the earlier expansion was collapsed";
}

TEST(HistoryLayout, StoreCommitsGroupDropsMissingFilesAndKeepsUnknownCommandsPending) {
  FakeTexts texts;
  texts.Add("a.kss", 2, kThreeRows);
  TKuzoNewHistory h;
  h.SetLayout(MakeHistoryLayout({&texts, nullptr, nullptr}));
  Commit(h, "a.kss", 2);
  // Pieces of 26 + 2 and 12 + 2: 28 + 14 exceeds 30, so two history pages.
  ASSERT_EQ(h.Count(), 2);
  EXPECT_EQ(h.Extent(), 42);
  EXPECT_EQ(h.Pages()[0].pieces[0].height, 28);
  EXPECT_EQ(h.Pages()[1].pieces[0].firstUnit, 4);
  EXPECT_FALSE(h.HasPending());

  Commit(h, "gone.kss", 2);
  EXPECT_FALSE(h.HasPending()) << "a page of a missing file is dropped";
  EXPECT_EQ(h.Count(), 2);
  Commit(h, "a.kss", 7);
  EXPECT_TRUE(h.HasPending()) << "no text command: the entry waits";
  EXPECT_EQ(h.Count(), 2);
}

struct HistoryScene {
  HostState host;
  TFontPixelManager glyphs;
  FakeTexts texts;
  TKuzoNewHistory history;
  TKuzoReadList marks;
  TKuzoBaseList scene{&host, 96, 64};
  HistoryScene() {
    RegisterStandardComponents(scene);
    ServiceSlots slots = scene.Slots();
    slots.glyphs = &glyphs;
    slots.texts = &texts;
    slots.history = &history;
    slots.readMarks = &marks;
    scene.SetSlots(slots);
    host.frameDeltaMs = kFrameMs;
    texts.Add("a.kss", 2, kThreeRows);
    texts.Add("b.kss", 5, "XY");
    history.SetLayout(MakeHistoryLayout({&texts, nullptr, nullptr}));
  }
  // A window of the format's width, two rows high (12 + 2 + 12).
  TKuzoMes* Window(const std::string& name = "mes") {
    auto* mes = static_cast<TKuzoMes*>(scene.CreateByKind(LT_MES));
    mes->SetName(name);
    mes->SetParent(scene.ActiveBase());
    mes->SetBounds(0, 0, 80, 26);
    mes->SetIntProp(PR_WIDTH, 80);
    mes->SetIntProp(PR_HEIGHT, 26);
    mes->SetIntProp(PR_FONTHEIGHT, 12);
    mes->SetIntProp(PR_LINESPACE, 2);
    return mes;
  }
  void Tick(int n = 1) {
    for (int i = 0; i < n; ++i) {
      host.gameClockMs += kFrameMs;
      scene.Tick();
    }
  }
  int Events(const std::string& label) const {
    int n = 0;
    for (int i = 0; i < scene.Events().Count(); ++i) n += scene.Events().At(i).label == label;
    return n;
  }
};

// The shown page's rows as "Y:TEXT".
std::vector<std::string> Rows(const TKuzoMes& mes) {
  std::vector<std::string> rows;
  if (const TWdPage* p = mes.ShownPage())
    for (const auto& row : p->Rows) rows.push_back(std::to_string(row->Y) + ":" + RowText(*row));
  return rows;
}

TEST(MesHistory, LaidOutHistoryIsOneLongPageFromTheFirstOffset) {
  HistoryScene s;
  Commit(s.history, "a.kss", 2);  // pieces AB/CD (28) and EF (14)
  Commit(s.history, "b.kss", 5);  // piece XY (14)
  ASSERT_EQ(s.history.Extent(), 56);
  TKuzoMes* mes = s.Window();
  mes->SetStrProp(PR_ONPLAYSTART, "start");
  mes->ShowHistory(s.history.Select(0, s.history.Extent()), false);
  EXPECT_EQ(mes->ReadMarkMode(), 2);
  ASSERT_EQ(mes->GetCount(), 1);
  EXPECT_EQ(mes->GetIndex(), 0);
  // Each piece continues two pixels (the line space) below the last row of the one before.
  EXPECT_EQ(Rows(*mes), (std::vector<std::string>{"0:AB", "14:CD", "28:EF", "42:XY"}));
  EXPECT_EQ(mes->ShownPage()->Height, 54);
  EXPECT_EQ(s.Events("start"), 1);
  EXPECT_FALSE(mes->Word().Paging) << "the long page scrolls";

  // Starting 16 pixels into the history: the piece holding it (AB/CD, top 0) moves up by 16.
  mes->ShowHistory(s.history.Select(16, 20), false);
  EXPECT_EQ(Rows(*mes), (std::vector<std::string>{"-16:AB", "-2:CD", "12:EF"}));
  // Rows above the window's top render and type like the others (they are cut when drawn), once
  // the play-start events have been taken.
  s.scene.Events().Clear();
  s.Tick(4);
  const TWdPage& page = *mes->ShownPage();
  EXPECT_EQ(static_cast<const TWdReal*>(page.Rows[0]->Glyphs[0])->Alpha, 255);
  EXPECT_EQ(static_cast<const TWdReal*>(page.Rows[2]->Glyphs[1])->Alpha, 255);
  EXPECT_FALSE(static_cast<const TWdReal*>(page.Rows[1]->Glyphs[0])->DrawnBox.Empty());
  s.scene.Draw();  // the rows cut at the top are drawn too (the sanitizers watch)
}

TEST(MesHistory, ShowingHistoryRecordsNothingAndNewTextLeavesIt) {
  HistoryScene s;
  Commit(s.history, "a.kss", 2);
  TKuzoMes* mes = s.Window();
  mes->ShowHistory(s.history.Select(0, s.history.Extent()), false);
  for (int i = 0; i < 10; ++i) s.Tick();
  mes->ClearText();
  EXPECT_EQ(s.history.Count(), 2);
  EXPECT_FALSE(s.history.HasPending());
  EXPECT_EQ(s.marks.FileCount(), 0);

  mes->ShowHistory(s.history.Select(0, s.history.Extent()), true);
  mes->InsertGlyphs(GlyphList(kThreeRows), "a.kss", 2, true);
  mes->SetIndex(0);
  EXPECT_EQ(mes->ReadMarkMode(), 1);
  EXPECT_TRUE(mes->Word().Paging);
  EXPECT_EQ(mes->GetCount(), 2);
  EXPECT_EQ(Rows(*mes), (std::vector<std::string>{"0:AB", "14:CD"}));
  EXPECT_TRUE(s.history.HasPending());
}

TEST(MesHistory, ScrollingRevealsTheRowsBelowTheWindow) {
  HistoryScene s;
  Commit(s.history, "a.kss", 2);
  Commit(s.history, "b.kss", 5);
  TKuzoMes* mes = s.Window();
  mes->ShowHistory(s.history.Select(0, s.history.Extent()), false);
  s.Tick(6);
  // Text delay 0: what the window shows types at once; rows starting below it wait.
  auto alphaOf = [&](size_t row) {
    return static_cast<const TWdReal*>(mes->ShownPage()->Rows[row]->Glyphs[0])->Alpha;
  };
  EXPECT_EQ(alphaOf(0), 255);
  EXPECT_EQ(alphaOf(1), 255);
  EXPECT_EQ(alphaOf(2), 0) << "EF starts at 28, below the 26-pixel window";
  EXPECT_EQ(alphaOf(3), 0);
  EXPECT_EQ(mes->GetPlayState(), 2) << "idle until the script scrolls";
  mes->SetIntProp(PR_SCROLLY, 30);
  s.Tick(6);
  EXPECT_EQ(alphaOf(3), 255);
  EXPECT_EQ(alphaOf(2), 255);
  const TWdGlyph& x = *mes->ShownPage()->Rows[3]->Glyphs[0];
  EXPECT_EQ(mes->Word().DestRect(*mes->ShownPage(), x).Top, 42 - 30);
}

TEST(MesHistory, SimpleReferencesShowTheirPagesByWindowHeightOrStacked) {
  HistoryScene s;
  // No format: every left page is one entry with its window's size and page number.
  s.history.RecordPending("w", "a.kss", "", 1, -1, 0, 2, 80, 26, {});
  s.history.CommitPending("w");
  s.history.RecordPending("w", "b.kss", "", 0, -1, 0, 5, 80, 30, {});
  s.history.CommitPending("w");
  s.history.RecordPending("w", "a.kss", "", 0, -1, 0, 2, 80, 26, {});
  s.history.CommitPending("w");
  ASSERT_EQ(s.history.Extent(), 3);
  TKuzoMes* mes = s.Window();
  mes->ShowHistory(s.history.Select(0, 3), false);
  // Page 1 of a.kss (EF), page 0 of b.kss (XY) and page 0 of a.kss (AB/CD), each a window high.
  EXPECT_EQ(Rows(*mes), (std::vector<std::string>{"0:EF", "26:XY", "56:AB", "70:CD"}));
  mes->ShowHistory(s.history.Select(0, 3), true);
  EXPECT_EQ(Rows(*mes), (std::vector<std::string>{"0:EF", "14:XY", "28:AB", "42:CD"}));
  // One entry shows its one page.
  mes->ShowHistory(s.history.Select(1, 1), false);
  EXPECT_EQ(Rows(*mes), (std::vector<std::string>{"0:XY"}));
}

TEST(MesHistory, BuildingStopsAtAMissingPageAndSkipsCommandsWithoutText) {
  HistoryScene s;
  HistorySelection sel;
  sel.laidOut = true;
  sel.pieces.pieces = {THistPiece{"b.kss", 5, 0, -1, 14, {}}, THistPiece{"b.kss", 9, 0, -1, 14, {}},
                       THistPiece{"b.kss", 5, 0, -1, 14, {}}, THistPiece{"gone.kss", 1, 0, -1, 14, {}},
                       THistPiece{"b.kss", 5, 0, -1, 14, {}}};
  TKuzoMes* mes = s.Window();
  mes->ShowHistory(sel, false);
  EXPECT_EQ(Rows(*mes), (std::vector<std::string>{"0:XY", "14:XY"}));
}

TEST(MesHistory, SavedWindowShowingHistoryComesBackWithEachPiecesOwnValues) {
  HistoryScene s;
  s.texts.Add("v.kss", 1, "<VAR NAME=n>.");
  Commit(s.history, "v.kss", 1, 0, -1, "n=one\r\n");
  Commit(s.history, "v.kss", 1, 0, -1, "n=two\r\n");
  TKuzoMes* mes = s.Window();
  mes->ShowHistory(s.history.Select(0, s.history.Extent()), false);
  ASSERT_EQ(Rows(*mes), (std::vector<std::string>{"0:one.", "14:two."}));
  mes->SetIntProp(PR_SCROLLY, 5);
  ByteWriter out;
  mes->SaveToStream(out);
  const std::string record = out.Take();

  HistoryScene t;
  t.texts.Add("v.kss", 1, "<VAR NAME=n>.");
  auto* back = static_cast<TKuzoMes*>(t.scene.CreateByKind(LT_MES));
  ByteReader r(record, "save");
  back->LoadFromStream(r, kSaveVersionCurrent);
  EXPECT_EQ(r.Remaining(), 0u);
  back->SetParent(t.scene.ActiveBase());
  back->AfterLoad();
  EXPECT_EQ(Rows(*back), Rows(*mes));
  EXPECT_EQ(back->ReadMarkMode(), 2);
  EXPECT_EQ(back->GetIntProp(PR_SCROLLY), 5);
  EXPECT_FALSE(back->Word().Paging);

  // The simple form comes back from its references, stacked as it was shown.
  s.texts.Add("a.kss", 2, kThreeRows);
  HistorySelection refs;
  refs.references = {THistoryOldData{"a.kss", 2, 1, 80, 26}, THistoryOldData{"v.kss", 1, 0, 80, 30}};
  mes->ShowHistory(refs, true);
  ASSERT_EQ(Rows(*mes), (std::vector<std::string>{"0:EF", "14:."}));
  ByteWriter again;
  mes->SaveToStream(again);
  const std::string simple = again.Take();
  auto* simpleBack = static_cast<TKuzoMes*>(t.scene.CreateByKind(LT_MES));
  ByteReader r2(simple, "save");
  simpleBack->LoadFromStream(r2, kSaveVersionCurrent);
  simpleBack->SetParent(t.scene.ActiveBase());
  simpleBack->AfterLoad();
  EXPECT_EQ(Rows(*simpleBack), Rows(*mes));
  EXPECT_EQ(simpleBack->ReadMarkMode(), 2);
  // Values frozen for history pieces never reach text set afterwards (no variable table here: the
  // VAR shows nothing).
  back->SetStrProp(PR_TEXT, "<VAR NAME=n>!");
  EXPECT_EQ(Rows(*back), (std::vector<std::string>{"0:!"}));
}

}  // namespace
}  // namespace kuzo
