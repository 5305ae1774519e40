// The panel cursor through the scene's mouse routing: the control's cursor name, the default cursor
// when it has none, animated cursors stepped on the clock, and files that are missing or broken.
#include "scene/scene_cursor.h"

#include <gtest/gtest.h>

#include <map>

#include "../graphics/image_formats/cursor_builder.h"
#include "scene_test_util.h"

namespace kuzo {
namespace {

using testing::AniFile;
using testing::CurFile;
using testing::CursorBitmap;
using testing::SceneFixture;

constexpr uint32_t kWhite[4] = {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF};
constexpr uint32_t kBlack[4] = {0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000};

struct CursorScene : SceneFixture {
  std::map<std::string, std::string> files;
  int loads = 0;
  std::string defaultCursor;
  SceneCursor cursor{[this](std::string_view name) -> std::optional<std::string> {
                       auto it = files.find(std::string(name));
                       if (it == files.end()) return std::nullopt;
                       return it->second;
                     },
                     /*onScreen=*/false};
  CursorScene() {
    scene.SetCursorLoader([this](const std::string& name) {
      ++loads;
      cursor.Load(name);
    });
    scene.SetDefaultCursorSource([this] { return defaultCursor; });
    files["hand.cur"] = CurFile(CursorBitmap(kWhite), 1, 0);
    // Two pictures: 100 ms of the white one, then 200 ms of the black one.
    files["busy.ani"] = AniFile({CurFile(CursorBitmap(kWhite), 0, 0), CurFile(CursorBitmap(kBlack), 1, 1)}, 2, 10,
                                {6, 12}, {0, 1});
    files["bad.cur"] = "not a cursor";
  }
  void MoveTo(int32_t x, int32_t y) {
    scene.UpdateMousePosition(x, y);
    Frame();
  }
};

TEST(SceneCursor, TheControlsCursorIsLoadedOnceWhileItStays) {
  CursorScene f;
  testing::TestControl* c = f.Add("c", 0, 0, 10, 10);
  c->SetStrProp(PR_CURSOR, "hand.cur");
  f.MoveTo(5, 5);
  EXPECT_EQ(f.cursor.Name(), "hand.cur");
  EXPECT_EQ(f.cursor.LastError(), "");
  ASSERT_EQ(f.cursor.Steps().pictures.size(), 1u);
  EXPECT_EQ(f.cursor.Steps().pictures[0].hotX, 1);
  EXPECT_EQ(f.cursor.ShownStep(), 0);
  f.MoveTo(6, 6);
  EXPECT_EQ(f.loads, 1);  // the same name is not read again
}

TEST(SceneCursor, WithoutAControlCursorTheDefaultIsShownAndAnimatedOnTheClock) {
  CursorScene f;
  f.Add("c", 0, 0, 10, 10);
  f.defaultCursor = "busy.ani";
  f.MoveTo(5, 5);
  EXPECT_EQ(f.cursor.Name(), "busy.ani");
  EXPECT_EQ(f.cursor.ShownStep(), 0);
  f.cursor.Update(150);
  EXPECT_EQ(f.cursor.ShownStep(), 1);
  f.cursor.Update(310);  // 300 ms a round
  EXPECT_EQ(f.cursor.ShownStep(), 0);
}

TEST(SceneCursor, MissingAndBrokenFilesKeepTheNameAndShowTheArrow) {
  CursorScene f;
  testing::TestControl* c = f.Add("c", 0, 0, 10, 10);
  c->SetStrProp(PR_CURSOR, "gone.cur");
  f.MoveTo(5, 5);
  EXPECT_EQ(f.cursor.Name(), "gone.cur");
  EXPECT_NE(f.cursor.LastError().find("not found"), std::string::npos);
  EXPECT_EQ(f.cursor.ShownStep(), -1);
  c->SetStrProp(PR_CURSOR, "bad.cur");
  f.MoveTo(6, 6);
  EXPECT_EQ(f.cursor.Name(), "bad.cur");
  EXPECT_NE(f.cursor.LastError(), "");
  EXPECT_TRUE(f.cursor.Steps().steps.empty());
  f.cursor.Update(1000);  // nothing to step
  EXPECT_EQ(f.cursor.ShownStep(), -1);
  EXPECT_EQ(f.loads, 2);
}

}  // namespace
}  // namespace kuzo
