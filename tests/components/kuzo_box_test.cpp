// Boxes drawn through the scene's dirty rectangles: opaque, blended and additive fills, frames,
// the alpha limits, repainting only what changed, and the box record.
#include "components/kuzo_box.h"

#include <gtest/gtest.h>

#include "components/standard_components.h"
#include "graphics/dibx.h"
#include "scene/kuzo_base_list.h"

namespace kuzo {
namespace {

constexpr int32_t kRed = 0x0000FF;    // colour value: red in bits 0-7
constexpr int32_t kGreen = 0x00FF00;
constexpr int32_t kBlue = 0xFF0000;

struct BoxScene {
  HostState host;
  TKuzoBaseList scene{&host, 16, 12};
  BoxScene() { RegisterStandardComponents(scene); }
  TKuzoBox* Box(const std::string& name, int32_t l, int32_t t, int32_t w, int32_t h, int32_t color) {
    auto* box = static_cast<TKuzoBox*>(scene.CreateByKind(LT_BOX));
    box->SetName(name);
    box->SetParent(scene.ActiveBase());
    box->SetBounds(l, t, w, h);
    box->SetIntProp(PR_COLOR, color);
    return box;
  }
  void Frame() {
    scene.Draw();
    scene.ClearDirty();
  }
  // 32-bit native pixel: blue in the low byte, red in bits 16-23.
  uint32_t At(int x, int y) const { return scene.SceneSurface()->GetPixel(x, y) & 0xFFFFFF; }
};

TEST(BoxDrawing, OpaqueFillCoversExactlyItsRectangle) {
  BoxScene s;
  s.Box("b", 2, 3, 4, 5, kRed);
  s.Frame();
  EXPECT_EQ(s.At(2, 3), 0xFF0000u);
  EXPECT_EQ(s.At(5, 7), 0xFF0000u);
  EXPECT_EQ(s.At(6, 7), 0u);
  EXPECT_EQ(s.At(5, 8), 0u);
  EXPECT_EQ(s.At(1, 3), 0u);
}

TEST(BoxDrawing, BlendAndAdditiveArithmetic) {
  BoxScene s;
  s.scene.ActiveBase()->SetIntProp(PR_COLOR, 0x404040);
  auto* blend = s.Box("blend", 0, 0, 4, 4, kBlue);
  blend->SetIntProp(PR_ALPHA, 128);
  auto* add = s.Box("add", 8, 0, 4, 4, kGreen);
  add->SetIntProp(PR_ALPHA, 300);
  s.Frame();
  // (0x40 * 127 + 0xFF * 128) >> 8 = 159 = 0x9F on blue; (0x40 * 127) >> 8 = 31 = 0x1F elsewhere.
  EXPECT_EQ(s.At(1, 1), 0x1F1F9Fu);
  // 0xFF * 44 / 256 = 43 added to green: 0x40 + 0x2B = 0x6B.
  EXPECT_EQ(s.At(9, 1), 0x406B40u);
  EXPECT_EQ(TKuzoBox::ScaleColor(0x8040FF, 128), 0x40207F);
}

TEST(BoxDrawing, AlphaZeroAndFiveHundredTwelveDrawNothing) {
  BoxScene s;
  auto* a = s.Box("a", 0, 0, 4, 4, kRed);
  a->SetIntProp(PR_ALPHA, 0);
  auto* b = s.Box("b", 8, 0, 4, 4, kRed);
  b->SetIntProp(PR_ALPHA, 512);
  auto* c = s.Box("c", 0, 6, 4, 4, -1);  // no fill colour
  c->SetIntProp(PR_BORDERWIDTH, 1);
  c->SetIntProp(PR_BORDERCOLOR, -1);
  s.Frame();
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 16; ++x) ASSERT_EQ(s.At(x, y), 0u) << x << "," << y;
}

TEST(BoxDrawing, FrameAndInnerFill) {
  BoxScene s;
  auto* b = s.Box("b", 0, 0, 8, 8, kRed);
  b->SetIntProp(PR_BORDERWIDTH, 2);
  b->SetIntProp(PR_BORDERCOLOR, kBlue);
  auto* noFrame = s.Box("n", 10, 0, 6, 6, kGreen);
  noFrame->SetIntProp(PR_BORDERWIDTH, 2);
  noFrame->SetIntProp(PR_BORDERCOLOR, -1);
  s.Frame();
  EXPECT_EQ(s.At(0, 0), 0x0000FFu);
  EXPECT_EQ(s.At(1, 4), 0x0000FFu);
  EXPECT_EQ(s.At(2, 2), 0xFF0000u);
  EXPECT_EQ(s.At(5, 5), 0xFF0000u);
  EXPECT_EQ(s.At(6, 5), 0x0000FFu);
  // Without a frame colour only the inside of the 2-pixel margin is filled.
  EXPECT_EQ(s.At(11, 1), 0u);
  EXPECT_EQ(s.At(12, 2), 0x00FF00u);
  EXPECT_EQ(s.At(13, 3), 0x00FF00u);
  EXPECT_EQ(s.At(14, 4), 0u);
}

TEST(BoxDrawing, AFrameThickerThanTheBoxStaysInsideIt) {
  BoxScene s;
  // 6 x 2 box with a 3-pixel frame: the bands are 3 rows high, so unclipped they would paint one
  // row above and one below the box (whenever a dirty rectangle happened to cover them).
  auto* b = s.Box("b", 4, 5, 6, 2, -1);
  b->SetIntProp(PR_BORDERWIDTH, 3);
  b->SetIntProp(PR_BORDERCOLOR, kBlue);
  s.scene.ActiveBase()->MarkAllDirty();
  s.Frame();
  EXPECT_EQ(s.At(4, 5), 0x0000FFu);
  EXPECT_EQ(s.At(9, 6), 0x0000FFu);
  EXPECT_EQ(s.At(4, 4), 0u);
  EXPECT_EQ(s.At(9, 7), 0u);
  EXPECT_EQ(s.At(10, 5), 0u);
  // The same holds for a frame wider than a narrow box, whose side bands would reach past it.
  auto* n = s.Box("n", 0, 0, 1, 6, -1);
  n->SetIntProp(PR_BORDERWIDTH, 2);
  n->SetIntProp(PR_BORDERCOLOR, kBlue);
  s.scene.ActiveBase()->MarkAllDirty();
  s.Frame();
  EXPECT_EQ(s.At(0, 2), 0x0000FFu);
  EXPECT_EQ(s.At(1, 2), 0u);
}

TEST(BoxDrawing, OnlyDirtyRectanglesAreRepainted) {
  BoxScene s;
  auto* b = s.Box("b", 0, 0, 2, 2, kRed);
  s.Frame();
  // A pixel far from any change must survive the next frame untouched.
  s.scene.SceneSurface()->SetPixel(15, 11, 0x123456);
  b->SetIntProp(PR_LEFT, 4);
  EXPECT_EQ(s.scene.ActiveBase()->DirtyList().Rects().size(), 1u);
  s.Frame();
  EXPECT_EQ(s.At(0, 0), 0u);
  EXPECT_EQ(s.At(4, 0), 0xFF0000u);
  EXPECT_EQ(s.At(15, 11), 0x123456u);
  // Nothing changed: nothing is drawn.
  s.scene.SceneSurface()->SetPixel(4, 0, 0x000001);
  s.Frame();
  EXPECT_EQ(s.At(4, 0), 0x000001u);
}

TEST(BoxDrawing, ChildrenAreClippedToTheirParentAndDeletedBoxesVanish) {
  BoxScene s;
  auto* parent = s.Box("p", 2, 2, 4, 4, kRed);
  auto* child = s.Box("c", 4, 4, 8, 8, kGreen);
  child->SetParent(parent);  // at (6, 6) on the base, wholly outside its 4 x 4 parent
  child->SetIntProp(PR_LEFT, 1);
  child->SetIntProp(PR_TOP, 1);  // now (3, 3) .. (11, 11): drawn only inside the parent
  s.Frame();
  EXPECT_EQ(s.At(3, 3), 0x00FF00u);
  EXPECT_EQ(s.At(5, 5), 0x00FF00u);
  EXPECT_EQ(s.At(6, 6), 0u);
  EXPECT_EQ(s.At(2, 2), 0xFF0000u);
  parent->Delete();
  s.Frame();  // gone in the same frame, before the scene frees it
  EXPECT_EQ(s.At(2, 2), 0u);
  EXPECT_EQ(s.At(3, 3), 0u);
}

TEST(BoxRecord, RoundTripThroughTheScene) {
  BoxScene s;
  auto* b = s.Box("b", 1, 2, 3, 4, kBlue);
  b->SetIntProp(PR_ALPHA, 77);
  b->SetIntProp(PR_BORDERWIDTH, 2);
  b->SetIntProp(PR_BORDERCOLOR, kRed);
  b->SetBoolProp(PR_AUTOSCRAP, true);
  b->SetStrProp(PR_ONIDLE, "p:idle");
  b->SetStrProp(PR_ONPLAYEND, "p:end");
  b->SetStrProp(PR_SOURCE, "walk.KMT");  // no film loader: no motion, the name is kept
  ByteWriter w;
  s.scene.SaveToStream(w);
  BoxScene t;
  ByteReader r(w.Str(), "save.dat");
  t.scene.LoadFromStream(r, kSaveVersionCurrent);
  auto* b2 = dynamic_cast<TKuzoBox*>(t.scene.FindComponent("b"));
  ASSERT_NE(b2, nullptr);
  EXPECT_EQ(b2->GetIntProp(PR_ALPHA), 77);
  EXPECT_EQ(b2->GetIntProp(PR_BORDERCOLOR), kRed);
  EXPECT_TRUE(b2->GetBoolProp(PR_AUTOSCRAP));
  EXPECT_EQ(b2->GetStrProp(PR_ONPLAYEND), "p:end");
  EXPECT_EQ(b2->GetStrProp(PR_SOURCE), "walk.KMT");
  EXPECT_EQ(b2->GetScreenRect(), (TRect{1, 2, 4, 6}));
  t.Frame();
  EXPECT_EQ(t.At(1, 2), 0x4C0000u);  // red frame at alpha 77: 255 * 77 >> 8 = 76
}

TEST(BoxProperties, AnswersAndNeutralValues) {
  BoxScene s;
  auto* b = s.Box("b", 0, 0, 1, 1, 0);
  EXPECT_EQ(b->GetIntProp(PR_COMPOTYPE), LT_BOX);
  EXPECT_EQ(b->GetIntProp(PR_ALPHA), 255);
  EXPECT_EQ(b->GetIntProp(PR_ZOOMX), 256);
  EXPECT_EQ(b->GetIntProp(PR_INDEX), -1);
  b->SetBoolProp(PR_PAUSED, true);
  EXPECT_TRUE(b->GetBoolProp(PR_PAUSED));
  b->SetStrProp(PR_ONIDLE, "p:idle");
  b->SetBoolProp(PR_PAUSED, false);
  s.scene.Tick();
  s.scene.Tick();
  EXPECT_EQ(s.scene.Events().Count(), 1);  // one waiting idle event per component
  EXPECT_EQ(s.scene.Events().At(0).code, EV_IDLE);
}

}  // namespace
}  // namespace kuzo
