// The message window feeding the history and the read marks: a shown page of tracked text becomes
// the pending history entry and read mark, the read mark is committed when the page has typed out,
// the history entry when the window leaves the page, and the play-start event tells whether the
// page was read before. Untracked text (no keep-read flag, or set through the text property) never
// reaches either store.
#include <gtest/gtest.h>

#include "components/history_store.h"
#include "components/kuzo_mes.h"
#include "components/read_marks.h"
#include "components/standard_components.h"
#include "core/byte_reader.h"
#include "graphics/font_pixel.h"
#include "scene/component_services.h"
#include "scene/kuzo_base_list.h"
#include "vars/param_collection.h"

namespace kuzo {
namespace {

constexpr int32_t kFrameMs = 16;
constexpr int32_t kCommand = 3;

struct ReadingScene {
  HostState host;
  TFontPixelManager glyphs;
  TKuzoNewHistory history;
  TKuzoReadList marks;
  TKuzoBaseList scene{&host, 96, 64};
  ReadingScene() {
    RegisterStandardComponents(scene);
    ServiceSlots slots = scene.Slots();
    slots.glyphs = &glyphs;
    slots.history = &history;
    slots.readMarks = &marks;
    scene.SetSlots(slots);
    host.frameDeltaMs = kFrameMs;
  }
  // A window two 12-pixel rows high, so three rows of text make two pages.
  TKuzoMes* Window(const std::string& name = "mes") {
    auto* mes = static_cast<TKuzoMes*>(scene.CreateByKind(LT_MES));
    mes->SetName(name);
    mes->SetParent(scene.ActiveBase());
    mes->SetBounds(0, 0, 80, 24);
    mes->SetIntProp(PR_WIDTH, 80);
    mes->SetIntProp(PR_HEIGHT, 24);
    mes->SetIntProp(PR_FONTHEIGHT, 12);
    mes->SetIntProp(PR_TEXTDELAY, 256);
    return mes;
  }
  void TypeOut(TKuzoMes* mes) {
    for (int i = 0; i < 50 && mes->GetPlayState() == 0; ++i) {
      host.gameClockMs += kFrameMs;
      scene.Tick();
    }
    ASSERT_EQ(mes->GetPlayState(), 2);
    // The step that reports the page finished comes once the last glyph is opaque.
    for (int i = 0; i < 4; ++i) {
      host.gameClockMs += kFrameMs;
      scene.Tick();
    }
  }
  // Arguments of the queued events with this label.
  std::vector<std::string> FirstArgs(const std::string& label) const {
    std::vector<std::string> out;
    for (int i = 0; i < scene.Events().Count(); ++i)
      if (scene.Events().At(i).label == label) out.push_back(scene.Events().At(i).args.at(0));
    return out;
  }
};

// The stored glyph list of markup: "AB" / "CD" on page 0, "EF" on page 1.
std::string TwoPages() {
  TNkWord source;
  source.SetText("AB<BR>CD<BR>EF");
  ByteWriter w;
  source.WriteGlyphs(w);
  return w.Str();
}

TEST(MesReading, ShownPageIsPendingReadWhenTypedAndInHistoryWhenLeft) {
  ReadingScene s;
  TKuzoMes* mes = s.Window();
  mes->InsertGlyphs(TwoPages(), "p.kss", kCommand, true);
  ASSERT_EQ(mes->GetCount(), 2);
  mes->SetIndex(0);
  EXPECT_TRUE(s.history.HasPending());
  EXPECT_EQ(s.marks.PendingFile(), "p.kss");
  EXPECT_EQ(s.history.Count(), 0);
  EXPECT_FALSE(s.marks.IsRead("p.kss", kCommand, 0));

  s.TypeOut(mes);
  EXPECT_TRUE(s.marks.IsRead("p.kss", kCommand, 0));
  EXPECT_EQ(s.marks.PendingFile(), "");
  EXPECT_EQ(s.history.Count(), 0) << "the page is still shown";

  mes->SetIndex(1);
  ASSERT_EQ(s.history.Simple().size(), 1u);
  const THistoryOldData& e = s.history.Simple()[0];
  EXPECT_EQ(e.source, "p.kss");
  EXPECT_EQ(e.command, kCommand);
  EXPECT_EQ(e.page, 0);
  EXPECT_EQ(e.areaWidth, 80);
  EXPECT_EQ(e.areaHeight, 24);
  EXPECT_EQ(s.marks.PendingFile(), "p.kss");

  // Page 1 is left before it typed out: in the history, not among the read pages.
  mes->SetStrProp(PR_TEXT, "other");
  ASSERT_EQ(s.history.Simple().size(), 2u);
  EXPECT_EQ(s.history.Simple()[1].page, 1);
  EXPECT_EQ(s.history.Simple()[1].source, "") << "same file as the entry before";
  EXPECT_FALSE(s.marks.IsRead("p.kss", kCommand, 1));
  s.TypeOut(mes);
  EXPECT_FALSE(s.marks.IsRead("p.kss", kCommand, 1));
  EXPECT_FALSE(s.history.HasPending());
}

TEST(MesReading, UntrackedTextReachesNeitherStore) {
  ReadingScene s;
  TKuzoMes* mes = s.Window();
  mes->InsertGlyphs(TwoPages(), "p.kss", kCommand, false);
  mes->SetIndex(0);
  s.TypeOut(mes);
  mes->SetIndex(1);
  s.TypeOut(mes);
  mes->SetStrProp(PR_TEXT, "AB<BR>CD<BR>EF");
  s.TypeOut(mes);
  mes->SetIndex(1);
  s.TypeOut(mes);
  mes->ClearText();
  EXPECT_EQ(s.history.Count(), 0);
  EXPECT_FALSE(s.history.HasPending());
  EXPECT_EQ(s.marks.FileCount(), 0);
  EXPECT_EQ(s.marks.PendingFile(), "");
}

TEST(MesReading, PlayStartSaysWhetherThePageWasReadBefore) {
  ReadingScene s;
  TKuzoMes* mes = s.Window();
  mes->InsertGlyphs(TwoPages(), "p.kss", kCommand, true);
  mes->SetIndex(0);
  s.TypeOut(mes);
  mes->ClearText();  // leaving page 0 commits it to the history too
  EXPECT_EQ(s.history.Count(), 1);

  mes->SetStrProp(PR_ONPLAYSTART, "start");
  mes->InsertGlyphs(TwoPages(), "p.kss", kCommand, true);
  mes->SetIndex(0);
  mes->SetIndex(1);
  // The same text from another command, and the same text untracked, count as unread.
  mes->InsertGlyphs(TwoPages(), "p.kss", kCommand + 1, true);
  mes->SetIndex(0);
  mes->InsertGlyphs(TwoPages(), "p.kss", kCommand, false);
  mes->SetIndex(0);
  EXPECT_EQ(s.FirstArgs("start"), (std::vector<std::string>{"1", "0", "0", "0"}));
}

TEST(MesReading, PagesRecordTheirUnitRangeAndTheRegisteredFormat) {
  ReadingScene s;
  TParamCollection vars;
  vars.HistorySettings = {12, 0, 0, 200, 100, 2};
  ServiceSlots slots = s.scene.Slots();
  slots.variables = &vars;
  s.scene.SetSlots(slots);
  std::vector<HistoryLayoutRequest> asked;
  s.history.SetLayout([&](const HistoryLayoutRequest& q) {
    asked.push_back(q);
    return HistoryLayoutResult{true, true, {THistLayoutPage{14, q.firstUnit, q.lastUnit}}};
  });
  TKuzoMes* mes = s.Window();
  mes->InsertGlyphs(TwoPages(), "p.kss", kCommand, true);
  mes->SetIndex(0);
  mes->SetIndex(1);
  mes->ClearText();
  ASSERT_EQ(asked.size(), 2u);
  // Page 0 holds the four characters A B C D, page 1 the two after them.
  EXPECT_EQ(asked[0].firstUnit, 0);
  EXPECT_EQ(asked[0].lastUnit, 4);
  EXPECT_EQ(asked[1].firstUnit, 4);
  EXPECT_EQ(asked[1].lastUnit, 6);
  EXPECT_EQ(asked[0].command, kCommand);
  EXPECT_EQ(asked[0].format.width, 200);
  EXPECT_EQ(asked[0].format.lineSpace, 2);
  EXPECT_TRUE(s.history.LaidOut());
  EXPECT_EQ(s.history.Count(), 1);  // both fit one history page of height 100
}

TEST(MesReading, OnlyTheWindowThatSetAMarkCommitsIt) {
  ReadingScene s;
  TKuzoMes* a = s.Window("a");
  TKuzoMes* b = s.Window("b");
  a->InsertGlyphs(TwoPages(), "p.kss", kCommand, true);
  a->SetIndex(0);
  a->SetBoolProp(PR_PAUSED, true);  // a keeps its page unfinished meanwhile
  // Another window typing out and leaving its untracked page leaves a's pending entries alone.
  b->SetStrProp(PR_TEXT, "XY");
  s.TypeOut(b);
  b->ClearText();
  EXPECT_EQ(s.marks.PendingFile(), "p.kss");
  EXPECT_TRUE(s.history.HasPending());
  EXPECT_FALSE(s.marks.IsRead("p.kss", kCommand, 0));
  a->SetBoolProp(PR_PAUSED, false);
  s.TypeOut(a);
  EXPECT_TRUE(s.marks.IsRead("p.kss", kCommand, 0));
}

}  // namespace
}  // namespace kuzo
