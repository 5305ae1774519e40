// The message window's saved record: a window restored from it shows the same pages, the same
// page, the same typed glyphs and reveal state, and goes on typing from there; text inserted by a
// text command comes back from the command it refers to; damaged records fail cleanly.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "components/kuzo_mes.h"
#include "components/standard_components.h"
#include "core/byte_reader.h"
#include "core/errors.h"
#include "graphics/font_pixel.h"
#include "scene/component_services.h"
#include "scene/kuzo_base_list.h"
#include "scene/script_text_source.h"
#include "text/row_dump.h"
#include "tests/components/fake_script_texts.h"

namespace kuzo {
namespace {

constexpr int32_t kFrameMs = 16;

using FakeTexts = testing::FakeScriptTexts;

std::string GlyphList(const std::string& markup) {
  TNkWord w;
  w.SetText(markup);
  ByteWriter out;
  w.WriteGlyphs(out);
  return out.Take();
}

struct MesScene {
  HostState host;
  TFontPixelManager glyphs;
  FakeTexts texts;
  TKuzoBaseList scene{&host, 96, 64};
  explicit MesScene(bool withTexts = true) {
    RegisterStandardComponents(scene);
    ServiceSlots slots = scene.Slots();
    slots.glyphs = &glyphs;
    if (withTexts) slots.texts = &texts;
    scene.SetSlots(slots);
    host.frameDeltaMs = kFrameMs;
  }
  TKuzoMes* Window() {
    auto* mes = static_cast<TKuzoMes*>(scene.CreateByKind(LT_MES));
    mes->SetName("mes");
    mes->SetParent(scene.ActiveBase());
    mes->SetBounds(4, 4, 80, 40);
    mes->SetIntProp(PR_WIDTH, 80);
    mes->SetIntProp(PR_HEIGHT, 40);
    mes->SetIntProp(PR_FONTHEIGHT, 12);
    mes->SetIntProp(PR_TEXTDELAY, 256);
    return mes;
  }
  // A window read from `record` as a load creates it, then refreshed as after a whole load.
  TKuzoMes* Restore(const std::string& record) {
    auto* mes = static_cast<TKuzoMes*>(scene.CreateByKind(LT_MES));
    ByteReader r(record, "save");
    mes->LoadFromStream(r, kSaveVersionCurrent);
    EXPECT_EQ(r.Remaining(), 0u);
    mes->SetParent(scene.ActiveBase());
    mes->AfterLoad();
    return mes;
  }
  void Tick(int n = 1) {
    for (int i = 0; i < n; ++i) {
      host.gameClockMs += kFrameMs;
      scene.Tick();
    }
  }
  // Takes the queued events, as the interpreter would run them.
  std::vector<std::string> TakeEvents() {
    std::vector<std::string> out;
    for (int i = 0; i < scene.Events().Count(); ++i) {
      const TTimerData& e = scene.Events().At(i);
      out.push_back(e.label + (e.args.empty() ? "" : ":" + e.args.front()));
    }
    scene.Events().Clear();
    return out;
  }
};

std::string Record(const TKuzoMes& mes) {
  ByteWriter out;
  mes.SaveToStream(out);
  return out.Take();
}

// Opacity of every glyph of the shown page, in order.
std::vector<int32_t> Alphas(const TKuzoMes& mes) {
  std::vector<int32_t> a;
  if (const TWdPage* p = mes.ShownPage())
    for (const auto& row : p->Rows)
      for (const TWdGlyph* g : row->Glyphs)
        if (g->IsReal()) a.push_back(static_cast<const TWdReal*>(g)->Alpha);
  return a;
}

std::vector<std::string> Rows(const TKuzoMes& mes) {
  std::vector<std::string> rows;
  if (const TWdPage* p = mes.ShownPage())
    for (const auto& row : p->Rows) rows.push_back(RowText(*row));
  return rows;
}

TEST(MesRecord, TextSetAsPropertyComesBackMidPageAndTypesOn) {
  MesScene a;
  TKuzoMes* mes = a.Window();
  mes->SetStrProp(PR_ONPLAYING, "playing");
  mes->SetStrProp(PR_ONLINK, "link");
  mes->SetStrProp(PR_TEXT, "<WAIT VALUE=32>ABCD<CLEAR>EF</WAIT>");
  a.TakeEvents();
  a.Tick(5);  // A and B typed
  ASSERT_EQ(a.TakeEvents(), (std::vector<std::string>{"playing:A", "playing:B"}));
  const std::string record = Record(*mes);

  MesScene b;
  TKuzoMes* back = b.Restore(record);
  EXPECT_EQ(back->GetCount(), 2);
  EXPECT_EQ(back->GetIndex(), 0);
  EXPECT_EQ(back->GetStrProp(PR_ONLINK), "link");
  EXPECT_EQ(back->GetIntProp(PR_TEXTDELAY), 256);
  EXPECT_EQ(Rows(*back), Rows(*mes));
  EXPECT_EQ(Alphas(*back), Alphas(*mes));
  const TWdRevealState& s0 = mes->ShownPage()->Reveal;
  const TWdRevealState& s1 = back->ShownPage()->Reveal;
  EXPECT_EQ(s1.RevealRow, s0.RevealRow);
  EXPECT_EQ(s1.RevealIndex, s0.RevealIndex);
  EXPECT_EQ(s1.WaitBudget, s0.WaitBudget);
  // Text set as a property is shown again through SetText, which raises the play-start event
  // again; once that has run, typing goes on with C, not from the start.
  b.TakeEvents();
  b.Tick(6);
  const std::vector<std::string> played = b.TakeEvents();
  ASSERT_FALSE(played.empty());
  EXPECT_EQ(played.front(), "playing:C");
  // The record of the restored window equals the original's, apart from what typing changed.
  EXPECT_EQ(Record(*b.Restore(record)), record);
}

// The frame drawn right after a load shows the restored page, although the play-start raised again
// for text set as a property holds the reveal for a tick.
TEST(MesRecord, RestoredPageIsDrawnInTheFirstFrameAfterTheLoad) {
  auto lit = [](MesScene& s) {
    s.scene.Draw();
    s.scene.ClearDirty();
    int n = 0;
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 96; ++x) n += (s.scene.SceneSurface()->GetPixel(x, y) & 0xFFFFFF) != 0;
    return n;
  };
  MesScene a;
  TKuzoMes* mes = a.Window();
  mes->SetIntProp(PR_FONTCOLOR, 0xFFFFFF);
  mes->SetStrProp(PR_TEXT, "\x81\xA1\x81\xA1");  // two black squares, shown at once
  a.Tick(4);
  const int shown = lit(a);
  ASSERT_GT(shown, 0);
  const std::string record = Record(*mes);

  MesScene b;
  b.Restore(record);
  EXPECT_EQ(lit(b), shown);  // no tick in between
  b.Tick();
  EXPECT_EQ(lit(b), shown);
}

TEST(MesRecord, TextOfACommandIsRebuiltFromTheCommandItNames) {
  MesScene a;
  a.texts.lists[{"main.ksb", 3}] = GlyphList("<WAIT VALUE=16>ONE<CLEAR>TWO</WAIT>");
  TKuzoMes* mes = a.Window();
  mes->InsertGlyphs(a.texts.lists[{"main.ksb", 3}], "main.ksb", 3, true);
  mes->SetIndex(0);
  mes->SetIndex(1);
  a.Tick(8);  // the second page has finished typing
  ASSERT_EQ(Rows(*mes), (std::vector<std::string>{"TWO"}));
  ASSERT_EQ(mes->MessagePieces().pieces.size(), 1u);
  const std::string record = Record(*mes);

  MesScene b;
  b.texts.lists = a.texts.lists;
  TKuzoMes* back = b.Restore(record);
  EXPECT_GT(b.texts.lookups, 0);
  EXPECT_EQ(back->GetCount(), 2);
  EXPECT_EQ(back->GetIndex(), 1);
  EXPECT_EQ(back->ReadMarkMode(), 1);
  EXPECT_EQ(back->SourceFile(), "main.ksb");
  EXPECT_EQ(back->SourceIndex(), 3);
  EXPECT_EQ(Rows(*back), (std::vector<std::string>{"TWO"}));
  EXPECT_EQ(Alphas(*back), Alphas(*mes));
  EXPECT_TRUE(back->ShownPage()->Reveal.Finished);
  EXPECT_FALSE(back->GetBoolProp(PR_PLAYING));
  // No play-start again: the page was already shown when the game was saved.
  EXPECT_TRUE(b.TakeEvents().empty());
}

TEST(MesRecord, MissingScriptTextLeavesAnEmptyWindow) {
  MesScene a;
  TKuzoMes* mes = a.Window();
  mes->InsertGlyphs(GlyphList("gone"), "old.ksb", 0, false);
  mes->SetIndex(0);
  const std::string record = Record(*mes);
  for (bool withTexts : {true, false}) {
    MesScene b(withTexts);
    TKuzoMes* back = b.Restore(record);  // the fake source knows no text
    EXPECT_EQ(back->GetCount(), 0);
    EXPECT_EQ(back->GetIndex(), -1);
    EXPECT_FALSE(back->GetBoolProp(PR_PLAYING));
    b.Tick(3);
  }
}

TEST(MesRecord, EveryTruncatedRecordFailsWithAFormatError) {
  MesScene a;
  TKuzoMes* mes = a.Window();
  mes->SetStrProp(PR_TEXT, "<WAIT VALUE=32>AB<CLEAR>C</WAIT>");
  a.Tick(4);
  const std::string record = Record(*mes);
  MesScene b;
  for (size_t len = 0; len < record.size(); ++len) {
    auto* w = static_cast<TKuzoMes*>(b.scene.CreateByKind(LT_MES));
    ByteReader r(std::string_view(record).substr(0, len), "save");
    EXPECT_THROW(w->LoadFromStream(r, kSaveVersionCurrent), FormatError) << "length " << len;
    b.scene.DestroyObject(w);
  }
}

TEST(MesRecord, DamagedPageStatesTypeThePageAgain) {
  MesScene a;
  TKuzoMes* mes = a.Window();
  mes->SetStrProp(PR_TEXT, "<WAIT VALUE=32>ABC</WAIT>");
  a.Tick(5);
  std::string record = Record(*mes);
  // The page states are last: cut the final byte and shorten their length to match.
  record.pop_back();
  // The length field before them: the state of one page is six ints, two counts, a string and two
  // flags (nothing fading, nothing animated, no events).
  const size_t statesSize = 6 * 4 + 4 + 4 + 4 + 2;
  const size_t lengthAt = record.size() + 1 - statesSize - 4;
  ASSERT_EQ(static_cast<uint8_t>(record[lengthAt]), statesSize);
  record[lengthAt] = static_cast<char>(statesSize - 1);
  MesScene b;
  TKuzoMes* back = b.Restore(record);
  ASSERT_EQ(back->GetCount(), 1);
  for (int32_t alpha : Alphas(*back)) EXPECT_EQ(alpha, 0);
}

}  // namespace
}  // namespace kuzo
