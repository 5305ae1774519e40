// Tiles: the picture repeated over the rectangle, the scroll shift (negative scrolls count from the
// other side), the spacing rule, zoomed copies, placement without the anchor, and the saved record.
#include "components/kuzo_tile.h"

#include <gtest/gtest.h>

#include "picture_scene.h"

namespace kuzo {
namespace {

using testing::DrelOf;
using testing::PictureScene;
using testing::TestFrame;

constexpr int32_t kA = 0x0A, kB = 0x0B, kC = 0x0C, kD = 0x0D;

struct TileScene : PictureScene {
  TileScene() : PictureScene(16, 4) { files["t.drl"] = DrelOf({TestFrame{{{kA, kB, kC, kD}}, 100, -1, {}}}); }
  TKuzoTile* Tile(int32_t left, int32_t width) {
    auto* t = Create<TKuzoTile>(LT_TILE, "tile", "t.drl", left, 0);
    t->SetIntProp(PR_WIDTH, width);
    t->SetIntProp(PR_HEIGHT, 1);
    return t;
  }
  std::vector<int32_t> Row(int from, int to) {
    Draw();
    std::vector<int32_t> out;
    for (int x = from; x < to; ++x) out.push_back(At(x, 0));
    return out;
  }
};

TEST(TileDrawing, RepeatsOverTheRectangleShiftedByTheScroll) {
  TileScene s;
  TKuzoTile* t = s.Tile(2, 10);
  EXPECT_EQ(t->Width(), 10);  // the picture does not size a tile
  EXPECT_EQ(s.Row(1, 13), (std::vector<int32_t>{0, kA, kB, kC, kD, kA, kB, kC, kD, kA, kB, 0}));
  t->SetIntProp(PR_SCROLLX, -1);  // the first copy starts 3 pixels before the edge
  EXPECT_EQ(s.Row(2, 12), (std::vector<int32_t>{kD, kA, kB, kC, kD, kA, kB, kC, kD, kA}));
  t->SetIntProp(PR_SCROLLX, 5);  // 5 mod 4 = 1
  EXPECT_EQ(s.Row(2, 6), (std::vector<int32_t>{kB, kC, kD, kA}));
}

TEST(TileDrawing, SpacingCountsFromHalfThePictureAndZoomScalesTheCopies) {
  TileScene s;
  TKuzoTile* t = s.Tile(2, 10);
  t->SetIntProp(PR_DISTANCEX, 6);
  EXPECT_EQ(s.Row(2, 12), (std::vector<int32_t>{kA, kB, kC, kD, 0, 0, kA, kB, kC, kD}));
  t->SetIntProp(PR_DISTANCEX, 1);  // below half the picture: the picture's own width
  EXPECT_EQ(s.Row(2, 8), (std::vector<int32_t>{kA, kB, kC, kD, kA, kB}));
  t->SetIntProp(PR_ZOOMX, 512);
  s.Frame();
  EXPECT_EQ(t->Width(), 10);
  EXPECT_EQ(s.Row(2, 12), (std::vector<int32_t>{kA, kA, kB, kB, kC, kC, kD, kD, kA, kA}));
}

TEST(TileDrawing, PlacementIgnoresTheAnchorAndTheRecordRoundTrips) {
  TileScene s;
  TKuzoTile* t = s.Tile(2, 4);
  t->SetIntProp(PR_OFFSETX, 3);
  t->SetIntProp(PR_ZOOMX, 512);
  t->SetBoolProp(PR_POSZOOMED, true);
  EXPECT_EQ(t->GetAbsLeft(), 2);
  t->SetIntProp(PR_SCROLLY, 1);
  t->SetIntProp(PR_DISTANCEY, 7);
  t->SetStrProp(PR_ONIDLE, "p.kss:idle");
  ByteWriter w;
  s.scene.SaveToStream(w);
  TileScene u;
  ByteReader r(w.Str(), "save.dat");
  u.scene.LoadFromStream(r, kSaveVersionCurrent);
  auto* back = dynamic_cast<TKuzoTile*>(u.scene.FindComponent("tile"));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->Source(), "t.drl");
  EXPECT_EQ(back->GetIntProp(PR_SCROLLY), 1);
  EXPECT_EQ(back->GetIntProp(PR_DISTANCEY), 7);
  EXPECT_EQ(back->GetStrProp(PR_ONIDLE), "p.kss:idle");
  EXPECT_EQ(back->GetIntProp(PR_INDEX), 0);
  EXPECT_EQ(back->Width(), 4);
}

}  // namespace
}  // namespace kuzo
