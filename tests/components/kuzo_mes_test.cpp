// The message window on a scene: typing tick by tick at its text delay, the start delay after a
// page turn, play-start / playing / play-end / notify events and their blocking, page turns,
// stored glyph lists, clearing, degenerate sizes, link clicks and pixels reaching the scene.
#include "components/kuzo_mes.h"

#include <gtest/gtest.h>

#include "components/standard_components.h"
#include "core/byte_reader.h"
#include "graphics/dibx.h"
#include "graphics/font_pixel.h"
#include "scene/component_services.h"
#include "scene/kuzo_base_list.h"
#include "text/row_dump.h"
#include "vars/param_collection.h"

namespace kuzo {
namespace {

constexpr int32_t kFrameMs = 16;

struct MesScene {
  HostState host;
  TFontPixelManager glyphs;
  TKuzoBaseList scene{&host, 96, 64};
  MesScene() {
    RegisterStandardComponents(scene);
    ServiceSlots slots = scene.Slots();
    slots.glyphs = &glyphs;
    scene.SetSlots(slots);
    host.frameDeltaMs = kFrameMs;
  }
  TKuzoMes* Window(int32_t width = 80, int32_t height = 40) {
    auto* mes = static_cast<TKuzoMes*>(scene.CreateByKind(LT_MES));
    mes->SetName("mes");
    mes->SetParent(scene.ActiveBase());
    mes->SetBounds(4, 4, width, height);
    mes->SetIntProp(PR_WIDTH, width);
    mes->SetIntProp(PR_HEIGHT, height);
    mes->SetIntProp(PR_FONTHEIGHT, 12);
    mes->SetIntProp(PR_TEXTDELAY, 256);  // glyph waits as written
    return mes;
  }
  void Tick() {
    host.gameClockMs += kFrameMs;
    scene.Tick();
  }
  // Labels of the queued events, in order.
  std::vector<std::string> Labels() const {
    std::vector<std::string> out;
    for (int i = 0; i < scene.Events().Count(); ++i) out.push_back(scene.Events().At(i).label);
    return out;
  }
  const TTimerData* Find(const std::string& label) const {
    for (int i = 0; i < scene.Events().Count(); ++i)
      if (scene.Events().At(i).label == label) return &scene.Events().At(i);
    return nullptr;
  }
};

// Shown text of each playing event so far, joined.
std::string PlayedText(const MesScene& s) {
  std::string out;
  for (int i = 0; i < s.scene.Events().Count(); ++i) {
    const TTimerData& e = s.scene.Events().At(i);
    if (e.label == "playing") out += e.args.at(0) + "|";
  }
  return out;
}

TEST(MesTyping, RevealsOneGlyphPerWaitAndEndsWithPlayEnd) {
  MesScene s;
  TKuzoMes* mes = s.Window();
  mes->SetStrProp(PR_ONPLAYING, "playing");
  mes->SetStrProp(PR_ONPLAYEND, "end");
  mes->SetStrProp(PR_TEXT, "<WAIT VALUE=32>ABC</WAIT>");
  ASSERT_EQ(mes->GetCount(), 1);
  EXPECT_EQ(mes->GetIndex(), 0);
  EXPECT_EQ(mes->GetPlayState(), 0);
  EXPECT_TRUE(mes->GetBoolProp(PR_PLAYING));
  // Tick 1 is the window's start delay, tick 2 the page's own (it fades in); tick 3 shows A with a
  // 32 ms budget, which lasts two 16 ms frames.
  s.Tick();
  s.Tick();
  EXPECT_EQ(PlayedText(s), "");
  s.Tick();
  EXPECT_EQ(PlayedText(s), "A|");
  s.Tick();
  EXPECT_EQ(PlayedText(s), "A|");
  s.Tick();
  EXPECT_EQ(PlayedText(s), "A|B|");
  s.Tick();
  s.Tick();
  EXPECT_EQ(PlayedText(s), "A|B|C|");
  EXPECT_FALSE(s.Find("end"));
  // Nothing is left to reveal once C is opaque, but the page counts as finished only in the next step.
  EXPECT_FALSE(mes->GetBoolProp(PR_PLAYING));
  s.Tick();
  ASSERT_TRUE(s.Find("end"));
  EXPECT_TRUE(s.Find("end")->args.empty());
  EXPECT_EQ(mes->GetPlayState(), 2);
  EXPECT_FALSE(mes->GetBoolProp(PR_PLAYING));
  s.Tick();
  EXPECT_EQ(s.Labels().size(), 4u) << "three playing events, play-end once";
}

TEST(MesTyping, TextDelayZeroShowsTheWholePageInOneStep) {
  MesScene s;
  TKuzoMes* mes = s.Window();
  mes->SetIntProp(PR_TEXTDELAY, 0);
  mes->SetStrProp(PR_ONPLAYING, "playing");
  mes->SetStrProp(PR_TEXT, "<WAIT VALUE=500>XYZ</WAIT>");
  s.Tick();
  s.Tick();
  EXPECT_EQ(PlayedText(s), "");
  s.Tick();
  EXPECT_EQ(PlayedText(s), "XYZ|");
}

TEST(MesTyping, PlayStartHoldsTypingUntilTakenThenOneMoreTick) {
  MesScene s;
  TKuzoMes* mes = s.Window();
  mes->SetStrProp(PR_ONPLAYSTART, "start");
  mes->SetStrProp(PR_ONPLAYING, "playing");
  mes->SetStrProp(PR_TEXT, "<WAIT VALUE=32>AB</WAIT>");
  ASSERT_TRUE(s.Find("start"));
  EXPECT_EQ(s.Find("start")->args, std::vector<std::string>{"0"});
  for (int i = 0; i < 4; ++i) s.Tick();
  EXPECT_EQ(PlayedText(s), "") << "nothing types while the play-start event waits";
  s.scene.Events().Clear();  // the interpreter took it
  s.Tick();                  // the page's own start delay
  EXPECT_EQ(PlayedText(s), "");
  s.Tick();
  EXPECT_EQ(PlayedText(s), "A|");
}

TEST(MesPages, IndexTurnsPagesAndIgnoresOutOfRangeAndCurrent) {
  MesScene s;
  TKuzoMes* mes = s.Window(80, 14);  // one 12 px row per page
  mes->SetStrProp(PR_ONPLAYSTART, "start");
  mes->SetStrProp(PR_TEXT, "AB<BR>CD<BR>EF");
  ASSERT_EQ(mes->GetCount(), 3);
  EXPECT_EQ(mes->GetStrProp(PR_TEXT), "AB");
  s.scene.Events().Clear();
  mes->SetIntProp(PR_INDEX, 0);
  mes->SetIntProp(PR_INDEX, 3);
  mes->SetIntProp(PR_INDEX, -1);
  EXPECT_EQ(s.scene.Events().Count(), 0);
  EXPECT_EQ(mes->GetIndex(), 0);
  mes->SetIntProp(PR_INDEX, 2);
  EXPECT_EQ(mes->GetIndex(), 2);
  EXPECT_EQ(mes->GetStrProp(PR_TEXT), "EF");
  EXPECT_EQ(s.scene.Events().Count(), 1);
}

TEST(MesPages, DegenerateSizesLayOutNothing) {
  MesScene s;
  TKuzoMes* mes = s.Window(0, 40);
  mes->SetStrProp(PR_ONPLAYSTART, "start");
  mes->SetStrProp(PR_TEXT, "AB");
  EXPECT_EQ(mes->GetCount(), 0);
  EXPECT_EQ(mes->GetIndex(), 0);
  EXPECT_EQ(mes->GetStrProp(PR_TEXT), "");
  EXPECT_EQ(mes->GetPlayState(), 2);
  EXPECT_EQ(s.scene.Events().Count(), 0) << "a window without pages reports no events";
  s.Tick();
  s.Tick();
}

TEST(MesEvents, EventGlyphsRaiseNotifyOncePerValueAfterTheTextIsOpaque) {
  MesScene s;
  TKuzoMes* mes = s.Window();
  mes->SetStrProp(PR_ONNOTIFY, "note");
  mes->SetIntProp(PR_DELAY, 40);  // fade over 40 ms
  mes->SetStrProp(PR_TEXT, "A<EVENT VALUE=\"x\">B");
  s.Tick();  // the window's start delay
  s.Tick();  // the page's start delay
  s.Tick();  // A shown at alpha 0, the event taken
  EXPECT_FALSE(s.Find("note"));
  s.Tick();  // A at 102
  s.Tick();  // A at 204
  EXPECT_FALSE(s.Find("note"));
  s.Tick();  // A opaque: the event goes out
  ASSERT_TRUE(s.Find("note"));
  EXPECT_EQ(s.Find("note")->args, std::vector<std::string>{"x"});
  for (int i = 0; i < 6; ++i) s.Tick();
  EXPECT_EQ(s.scene.Events().Count(), 1);
}

TEST(MesInsert, StoredGlyphListsShowAndClearEmpties) {
  TNkWord source;
  source.SetText("HI<BR>YO");
  ByteWriter w;
  source.WriteGlyphs(w);
  const std::string bytes = w.Str();

  MesScene s;
  TKuzoMes* mes = s.Window();
  mes->SetStrProp(PR_ONPLAYSTART, "start");
  mes->InsertGlyphs(bytes, "main.kss", 7, true);
  EXPECT_EQ(s.scene.Events().Count(), 0) << "inserting raises no play-start by itself";
  ASSERT_EQ(mes->GetCount(), 1);
  EXPECT_EQ(mes->GetIndex(), -1);
  EXPECT_EQ(mes->ReadMarkMode(), 1);
  EXPECT_EQ(mes->SourceFile(), "main.kss");
  EXPECT_EQ(mes->SourceIndex(), 7);
  mes->SetIndex(0);
  EXPECT_EQ(mes->GetStrProp(PR_TEXT), "HI\r\nYO");
  EXPECT_EQ(s.scene.Events().Count(), 1);

  mes->InsertGlyphs(bytes, "main.kss", 7, false);
  EXPECT_EQ(mes->ReadMarkMode(), 0);
  EXPECT_EQ(mes->SourceFile(), "");

  mes->ClearText();
  EXPECT_EQ(mes->GetCount(), 0);
  EXPECT_EQ(mes->GetIndex(), -1);
  EXPECT_EQ(mes->GetStrProp(PR_TEXT), "");
}

TEST(MesInsert, DamagedListKeepsWhatWasReadAndNeverThrows) {
  TNkWord source;
  source.SetText("ABCDEFGH");
  ByteWriter w;
  source.WriteGlyphs(w);
  std::string bytes = w.Str();
  MesScene s;
  TKuzoMes* mes = s.Window();
  for (size_t cut : {size_t{0}, size_t{3}, bytes.size() / 2, bytes.size() - 1}) {
    EXPECT_NO_THROW(mes->InsertGlyphs(bytes.substr(0, cut), "p.kss", 0, false)) << cut;
    EXPECT_LE(mes->GetCount(), 1);
  }
  bytes[bytes.size() / 2] = '\x7F';
  EXPECT_NO_THROW(mes->InsertGlyphs(bytes, "p.kss", 0, false));
}

TEST(MesDrawing, TypedGlyphsReachTheSceneSurfaceOnlyOnceShown) {
  MesScene s;
  TKuzoMes* mes = s.Window();
  mes->SetIntProp(PR_FONTCOLOR, 0xFFFFFF);
  mes->SetStrProp(PR_TEXT, "<WAIT VALUE=1000>\x81\xA1\x81\xA1</WAIT>");  // two black squares
  auto lit = [&] {
    s.scene.Draw();
    s.scene.ClearDirty();
    int n = 0;
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 96; ++x) n += (s.scene.SceneSurface()->GetPixel(x, y) & 0xFFFFFF) != 0;
    return n;
  };
  EXPECT_EQ(lit(), 0);
  s.Tick();
  s.Tick();
  s.Tick();  // the first square shown at alpha 0
  s.Tick();  // opaque
  const int one = lit();
  EXPECT_GT(one, 0);
  for (int i = 0; i < 70; ++i) s.Tick();  // past the 1000 ms wait
  EXPECT_GT(lit(), one);
}

TEST(MesLinks, ClickOnAHighlightedLinkRaisesOneLinkEventOnlyOnceTyped) {
  MesScene s;
  TKuzoMes* mes = s.Window();
  mes->SetStrProp(PR_ONLINK, "link");
  mes->SetStrProp(PR_ONLBTNDOWN, "down");
  mes->SetStrProp(PR_TEXT, "<WAIT VALUE=32>x<A HREF=\"go\">AB</A></WAIT>");
  const TWdPage* page = mes->ShownPage();
  ASSERT_NE(page, nullptr);
  ASSERT_FALSE(page->Rows.empty());
  // The point over A, in scene pixels.
  const TWdGlyph* a = page->Rows[0]->Glyphs.at(1);
  const int32_t x = mes->GetAbsLeft() + page->Rows[0]->Start + a->X + a->Width / 2;
  const int32_t y = mes->GetAbsTop() + page->Rows[0]->Y + a->Height / 2;
  s.scene.UpdateMousePosition(x, y);
  for (int i = 0; i < 4; ++i) s.Tick();  // x and A typed, B still to come
  mes->MouseMove();
  mes->LeftDown();
  EXPECT_FALSE(s.Find("link")) << "no link is hit while the text still types";
  s.scene.Events().Clear();
  for (int i = 0; i < 6; ++i) s.Tick();
  mes->MouseMove();
  mes->LeftDown();
  ASSERT_TRUE(s.Find("link"));
  EXPECT_EQ(s.Find("link")->args, (std::vector<std::string>{"go", "AB"}));
  EXPECT_FALSE(s.Find("down")) << "the link click is not also a left-down";
  mes->LeftDown();
  int links = 0;
  for (int i = 0; i < s.scene.Events().Count(); ++i) links += s.scene.Events().At(i).label == "link";
  EXPECT_EQ(links, 1) << "no second link event while one waits (the click falls to the left-down)";
  s.scene.UpdateMousePosition(mes->GetAbsLeft() + 1, y);  // over x, no link
  mes->MouseMove();
  s.scene.Events().Clear();
  mes->LeftDown();
  EXPECT_FALSE(s.Find("link"));
}

}  // namespace
}  // namespace kuzo

namespace kuzo {
namespace {

TEST(MesVariables, TextDelayAndVarTagsComeFromTheVariableTable) {
  MesScene s;
  TParamCollection vars;
  ServiceSlots slots = s.scene.Slots();
  slots.variables = &vars;
  s.scene.SetSlots(slots);
  bool initialise = false;
  vars.Declare("who", 4, 0, initialise).Param()->SetString("Mei");
  TKuzoMes* mes = s.Window();

  // Glyphs outside WAIT type at "@TextDelay" as it is when the text is set.
  vars.TextDelay = 32;
  mes->SetStrProp(PR_TEXT, "Hi <VAR NAME=\"who\">!<WAIT VALUE=5>x</WAIT>");
  std::vector<int32_t> waits;
  std::string text;
  for (size_t i = 0; i < mes->Word().GlyphCount(); ++i) {
    const TWdGlyph* g = mes->Word().Glyph(i);
    if (g->Kind != GlyphKind::Char) continue;
    waits.push_back(static_cast<const TWdChar*>(g)->Wait);
  }
  EXPECT_EQ(waits, (std::vector<int32_t>{32, 32, 32, 32, 5}));
  // The VAR tag shows the variable's value.
  ASSERT_NE(mes->ShownPage(), nullptr);
  for (const auto& row : mes->ShownPage()->Rows) text += RowText(*row);
  EXPECT_EQ(text, "Hi Mei!x");

  vars.TextDelay = 0;
  mes->SetStrProp(PR_TEXT, "ab");
  ASSERT_GE(mes->Word().GlyphCount(), 1u);
  EXPECT_EQ(static_cast<const TWdChar*>(mes->Word().Glyph(0))->Wait, 0);
}

}  // namespace
}  // namespace kuzo
