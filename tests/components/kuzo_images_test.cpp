// Script images in a scene: sources and sizes, the opacity rule, zoom applied at the next tick,
// flips, frame timing (overshoot, the last frame's play end, repeat, auto-scrap, the last-frame
// wait), tint, clicks through masks and turned pictures, and the saved record.
#include "components/kuzo_images.h"

#include <gtest/gtest.h>

#include "components/kuzo_box.h"
#include "components/kuzo_button.h"
#include "components/kuzo_tile.h"
#include "picture_scene.h"
#include "vars/expression.h"
#include "vars/param_collection.h"

namespace kuzo {
namespace {

using testing::DrelOf;
using testing::PictureScene;
using testing::TestFrame;

constexpr int32_t kKey = 0x00FF00;
constexpr int32_t kRed = 0xFF0000;  // native 0xRRGGBB

// A 2 x 1 picture: the key, then red.
std::string KeyedPicture() { return DrelOf({TestFrame{{{kKey, kRed}}, 100, kKey, {}}}); }

// Frames of 1 x 1 pixels of colours 0x000010 * (i + 1) with the given delays.
std::string Animation(std::vector<int32_t> delays) {
  std::vector<TestFrame> frames;
  for (size_t i = 0; i < delays.size(); ++i)
    frames.push_back(TestFrame{{{static_cast<int32_t>(0x10 * (i + 1))}}, delays[i], -1, {}});
  return DrelOf(frames);
}

TKuzoImages* Image(PictureScene& s, const std::string& name, const std::string& source, int32_t l = 0, int32_t t = 0) {
  return s.Create<TKuzoImages>(LT_IMAGES, name, source, l, t);
}

TEST(ImagesSource, SizesFromThePictureAndDrawsWithTheOpacityRule) {
  PictureScene s;
  s.files["a.DRL"] = KeyedPicture();
  TKuzoImages* img = Image(s, "a", "a.DRL", 3, 2);  // the extension is compared without case
  EXPECT_EQ(img->Width(), 2);
  EXPECT_EQ(img->Height(), 1);
  EXPECT_EQ(img->GetIntProp(PR_COUNT), 1);
  EXPECT_EQ(img->GetIntProp(PR_INDEX), 0);
  s.Draw();
  EXPECT_EQ(s.At(3, 2), 0);  // the key is skipped
  EXPECT_EQ(s.At(4, 2), kRed);
  EXPECT_EQ(s.At(5, 2), 0);
  img->SetIntProp(PR_ALPHA, 128);
  s.Draw();
  EXPECT_EQ(s.At(4, 2), 0x7F0000);  // 255 * 128 >> 8
  img->SetIntProp(PR_ALPHA, 256 + 128);
  s.Draw();
  EXPECT_EQ(s.At(4, 2), 0x7F0000);  // added at strength 128 onto black
  img->SetIntProp(PR_ALPHA, 0);
  s.Draw();
  EXPECT_EQ(s.At(4, 2), 0);
}

TEST(ImagesSource, OtherExtensionsGiveSizeZeroAndMissingFilesTheEmptyFrame) {
  PictureScene s;
  s.files["a.drl"] = KeyedPicture();
  TKuzoImages* img = Image(s, "a", "a.drl");
  img->SetStrProp(PR_SOURCE, "a.png");
  EXPECT_EQ(img->Width(), 0);
  EXPECT_EQ(img->Height(), 0);
  EXPECT_EQ(img->GetIntProp(PR_INDEX), -1);
  EXPECT_EQ(img->GetIntProp(PR_COUNT), 0);
  img->SetStrProp(PR_SOURCE, "walk.kmt");  // no films in this scene: no motion, size 0
  EXPECT_EQ(img->GetMotion(), nullptr);
  EXPECT_EQ(img->Width(), 0);
  img->SetStrProp(PR_SOURCE, "gone.drl");
  EXPECT_EQ(img->Width(), 8);  // the cache's transparent 8 x 8 frame
  s.Draw();
  EXPECT_EQ(s.At(0, 0), 0);
}

TEST(ImagesGeometry, ZoomResizesAtTheNextTickAndStretches) {
  PictureScene s;
  s.files["a.drl"] = KeyedPicture();
  TKuzoImages* img = Image(s, "a", "a.drl", 3, 2);
  img->SetIntProp(PR_ZOOMX, 512);
  EXPECT_EQ(img->Width(), 2);  // not before the tick
  EXPECT_TRUE(img->SizeDirty());
  s.Frame();
  EXPECT_EQ(img->Width(), 4);
  EXPECT_EQ(img->Height(), 1);
  EXPECT_EQ(s.At(3, 2), 0);
  EXPECT_EQ(s.At(4, 2), 0);
  EXPECT_EQ(s.At(5, 2), kRed);
  EXPECT_EQ(s.At(6, 2), kRed);
  EXPECT_EQ(s.At(7, 2), 0);
  img->SetIntProp(PR_ZOOMY, 0);
  EXPECT_EQ(img->GetIntProp(PR_ZOOMY), 1);  // stored as 1
  s.Frame();
  EXPECT_EQ(img->Height(), 0);  // 1 * 1 / 256
}

TEST(ImagesGeometry, HorizontalFlipMirrorsAboutTheAnchorPixel) {
  PictureScene s;
  s.files["a.drl"] = KeyedPicture();
  TKuzoImages* img = Image(s, "a", "a.drl", 3, 2);
  img->SetBoolProp(PR_FLIPH, true);
  s.Draw();
  // The anchor (offset 0) is the picture's first pixel, which the flip puts at the right end.
  EXPECT_EQ(img->GetScreenRect(), (TRect{2, 2, 4, 3}));
  EXPECT_EQ(s.At(2, 2), kRed);
  EXPECT_EQ(s.At(3, 2), 0);
}

TEST(ImagesGeometry, PositionZoomedChildSpansTheParentsPictureScale) {
  PictureScene s(32, 12);
  s.files["p.drl"] = DrelOf({TestFrame{{{1, 2, 3}}, 100, -1, {}}});
  s.files["c.drl"] = DrelOf({TestFrame{{{kRed}}, 100, -1, {}}});
  TKuzoImages* parent = Image(s, "p", "p.drl", 4, 0);
  parent->SetIntProp(PR_ZOOMX, 512);
  s.Frame();
  parent->SetIntProp(PR_WIDTH, 7);  // 3 picture pixels over 7: scale round(65536 * 3 / 7) = 28087
  auto* child = s.Create<TKuzoImages>(LT_IMAGES, "c", "c.drl", 1, 0, parent);
  child->SetIntProp(PR_ZOOMX, 512);
  child->SetBoolProp(PR_POSZOOMED, true);
  s.Frame();
  // Edges: 65536 / 28087 = 2 (remainder below one half) and 131072 / 28087 = 4, rounded up to 5.
  EXPECT_EQ(child->Width(), 3);
  EXPECT_EQ(child->GetAbsLeft(), 4 + 2);
  child->SetBoolProp(PR_FLIPH, true);  // counted from the parent's right edge: the same span here
  EXPECT_EQ(child->Width(), 3);
  child->SetIntProp(PR_ZOOMX, 256);  // zooms that differ from the parent's: the plain rule
  s.Frame();
  EXPECT_EQ(child->Width(), 1);
}

TEST(ImagesAnimation, FramesStepByTheirDelaysAndTheLastFrameRaisesPlayEnd) {
  PictureScene s;
  s.files["a.drl"] = Animation({10, 20, 30});
  TKuzoImages* img = Image(s, "a", "a.drl");
  img->SetStrProp(PR_ONPLAYEND, "p.kss:end");
  EXPECT_EQ(img->Remaining(), 10);
  s.Frame();  // 10 - 16 = -6: frame 1, the overshoot kept: -6 + 20
  EXPECT_EQ(img->GetIntProp(PR_INDEX), 1);
  EXPECT_EQ(img->Remaining(), 14);
  EXPECT_EQ(s.At(0, 0), 0x20);
  s.Frame();  // -2 + 30
  EXPECT_EQ(img->GetIntProp(PR_INDEX), 2);
  EXPECT_EQ(img->Remaining(), 28);
  s.Frame();
  EXPECT_EQ(img->Remaining(), 12);
  EXPECT_TRUE(img->GetBoolProp(PR_PLAYING));
  EXPECT_TRUE(s.Events(EV_PLAYEND).empty());
  s.Frame();  // the last frame's time runs out: it stays, and says so on every tick
  EXPECT_EQ(img->GetIntProp(PR_INDEX), 2);
  EXPECT_FALSE(img->GetBoolProp(PR_PLAYING));
  EXPECT_EQ(s.Events(EV_PLAYEND), std::vector<std::string>{"p.kss:end"});
  s.Frame();
  EXPECT_EQ(s.Events(EV_PLAYEND).size(), 2u);
  EXPECT_EQ(s.At(0, 0), 0x30);
}

TEST(ImagesAnimation, TwoFramesDropTheOvershoot) {
  PictureScene s;
  s.files["a.drl"] = Animation({10, 20});
  TKuzoImages* img = Image(s, "a", "a.drl");
  s.Frame();
  EXPECT_EQ(img->GetIntProp(PR_INDEX), 1);
  EXPECT_EQ(img->Remaining(), 20);  // not -6 + 20
}

TEST(ImagesAnimation, RepeatWrapsAndAutoScrapRemovesAtTheEnd) {
  PictureScene s;
  s.files["a.drl"] = Animation({10, 20, 30});
  TKuzoImages* looped = Image(s, "loop", "a.drl");
  looped->SetBoolProp(PR_REPEAT, true);
  TKuzoImages* scrapped = Image(s, "scrap", "a.drl");
  scrapped->SetBoolProp(PR_AUTOSCRAP, true);
  scrapped->SetStrProp(PR_ONPLAYEND, "p.kss:end");
  for (int i = 0; i < 3; ++i) s.Frame();
  EXPECT_NE(s.scene.FindComponent("scrap"), nullptr);
  s.Frame();
  EXPECT_EQ(looped->GetIntProp(PR_INDEX), 0);
  EXPECT_EQ(looped->Remaining(), 10);  // restarted without overshoot
  EXPECT_EQ(s.scene.FindComponent("scrap"), nullptr);
  EXPECT_TRUE(s.Events(EV_PLAYEND).empty());  // scrapping replaces the play end
}

TEST(ImagesAnimation, PausedHiddenAndAnimationPausedImagesStandStill) {
  PictureScene s;
  s.files["a.drl"] = Animation({10, 20, 30});
  TKuzoImages* img = Image(s, "a", "a.drl");
  img->SetBoolProp(PR_PAUSED, true);
  EXPECT_EQ(img->Remaining(), 0);  // pausing resets the time
  s.Frame();
  EXPECT_EQ(img->GetIntProp(PR_INDEX), 0);
  EXPECT_FALSE(img->GetBoolProp(PR_PLAYING));
  img->SetBoolProp(PR_PAUSED, false);
  img->SetBoolProp(PR_ANIPAUSED, true);
  s.Frame();
  EXPECT_EQ(img->GetIntProp(PR_INDEX), 0);
  img->SetBoolProp(PR_ANIPAUSED, false);
  s.Frame();  // the time was reset: the next frame shows at once
  EXPECT_EQ(img->GetIntProp(PR_INDEX), 1);
}

TEST(ImagesAnimation, TheLastFrameWaitsTheExpressionsValue) {
  PictureScene s;
  s.files["a.drl"] = Animation({10, 20, 30});
  TParamCollection vars;
  TKuzoImages* img = Image(s, "a", "a.drl");
  TKuzoParser wait;
  wait.CompileText("50 * 2");
  ByteWriter stream;
  wait.WriteTo(stream);
  img->SetLastFrameWait(stream.Str());
  s.Frame();
  s.Frame();
  EXPECT_EQ(img->Remaining(), 28);  // without a variable table the expression yields nothing
  img->SetIntProp(PR_INDEX, 0);
  ServiceSlots slots = s.scene.Slots();
  slots.variables = &vars;
  s.scene.SetSlots(slots);
  img->SetIntProp(PR_INDEX, 2);
  EXPECT_EQ(img->Remaining(), 28 + 10 + 30 + 100);  // the time left plus frame 0's, frame 2's and the wait
  img->SetIntProp(PR_INDEX, 1);
  EXPECT_EQ(img->Remaining(), 168 + 20);  // no wait on other frames
}

TEST(ImagesAnimation, IndexesOutsideTheListLeaveThePictureInPlace) {
  PictureScene s;
  s.files["a.drl"] = Animation({10, 20, 30});
  TKuzoImages* img = Image(s, "a", "a.drl");
  img->SetIntProp(PR_INDEX, 1);
  img->SetIntProp(PR_INDEX, 7);
  EXPECT_EQ(img->GetIntProp(PR_INDEX), 7);
  s.Frame();  // an invalid index does not animate
  EXPECT_EQ(img->GetIntProp(PR_INDEX), 7);
  EXPECT_EQ(s.At(0, 0), 0x20);
  img->SetIntProp(PR_COUNT, 9);
  EXPECT_EQ(img->GetIntProp(PR_COUNT), 3);  // read only
}

TEST(ImagesTint, BrightnessAddsToEveryPixelButTheKey) {
  PictureScene s;
  s.files["a.drl"] = DrelOf({TestFrame{{{kKey, 0x804020}}, 100, kKey, {}}});
  TKuzoImages* img = Image(s, "a", "a.drl");
  img->SetIntProp(PR_BRIGHTNESS, 0x10);
  s.Draw();
  EXPECT_EQ(s.At(0, 0), 0);
  EXPECT_EQ(s.At(1, 0), 0x905030);
  img->SetIntProp(PR_BRIGHTNESS, -0x30);
  s.Draw();
  EXPECT_EQ(s.At(1, 0), 0x501000);  // subtraction stops at 0
}

TEST(ImagesHitTest, CaptureMaskLetsClicksThroughTransparentParts) {
  PictureScene s;
  s.files["m.drl"] = DrelOf({TestFrame{{{kRed, kRed, kRed}}, 100, -1, {{255, 128, 127}}}});
  auto* under = static_cast<TKuzoBox*>(s.scene.CreateByKind(LT_BOX));
  under->SetName("under");
  under->SetParent(s.scene.ActiveBase());
  under->SetBounds(0, 0, 8, 8);
  TKuzoImages* img = Image(s, "m", "m.drl", 1, 1);
  img->SetPriority(1);
  TKuzoBase* base = s.scene.ActiveBase();
  EXPECT_EQ(base->HitTest(ScenePoint{3, 1}, kModesLeftPress), img);  // without capture mask: the rectangle
  img->SetBoolProp(PR_CAPTUREMASK, true);
  EXPECT_EQ(base->HitTest(ScenePoint{1, 1}, kModesLeftPress), img);
  EXPECT_EQ(base->HitTest(ScenePoint{2, 1}, kModesLeftPress), img);    // 128 is above 127
  EXPECT_EQ(base->HitTest(ScenePoint{3, 1}, kModesLeftPress), under);  // 127 falls through
  img->SetBoolProp(PR_FLIPH, true);  // the mask is mirrored with the picture: now at x = -1 .. 1
  EXPECT_EQ(base->HitTest(ScenePoint{1, 1}, kModesLeftPress), img);
  EXPECT_EQ(base->HitTest(ScenePoint{-1, 1}, kModesLeftPress), nullptr);  // outside the scene's base
  EXPECT_EQ(base->HitTest(ScenePoint{0, 1}, kModesLeftPress), img);
  img->SetIntProp(PR_IGNOREMOUSE, 1);  // a mouse mode outside the press set
  EXPECT_EQ(base->HitTest(ScenePoint{1, 1}, kModesLeftPress), under);
}

TEST(ImagesHitTest, TurnedPictureIsHitOnlyWhereItIsDrawn) {
  PictureScene s(32, 32);
  std::vector<int32_t> row(8, kRed);
  s.files["bar.drl"] = DrelOf({TestFrame{{row, row}, 100, -1, {}}});
  TKuzoImages* img = Image(s, "bar", "bar.drl", 10, 10);
  img->SetIntProp(PR_ANGLE, 64);  // a quarter turn: the bar points up from (10, 10)
  s.Draw();
  EXPECT_EQ(s.At(10, 5), kRed);
  EXPECT_EQ(s.At(15, 10), 0);
  TKuzoBase* base = s.scene.ActiveBase();
  EXPECT_EQ(base->HitTest(ScenePoint{10, 5}, kModesLeftPress), img);
  EXPECT_EQ(base->HitTest(ScenePoint{11, 3}, kModesLeftPress), img);
  // Where the unturned bar lies, and beside the turned one, the click reaches the base.
  EXPECT_EQ(base->HitTest(ScenePoint{15, 10}, kModesLeftPress), base);
  EXPECT_EQ(base->HitTest(ScenePoint{12, 5}, kModesLeftPress), base);
  const TRect screen = img->GetScreenRect();
  EXPECT_LE(screen.top, 3);
  EXPECT_LT(screen.right, 15);
}

TEST(ImagesSurfaces, PicturesFollowTheCacheThroughADisplayModeChange) {
  PictureScene s;
  s.files["a.drl"] = Animation({10, 20, 30});
  s.files["k.drl"] = KeyedPicture();
  TKuzoImages* anim = Image(s, "a", "a.drl");
  TKuzoImages* tinted = Image(s, "k", "k.drl", 4, 0);
  tinted->SetIntProp(PR_BRIGHTNESS, 0x10);
  s.scene.ReleaseSurfaces();
  s.cache.ReleaseSurfaces();
  s.cache.RestoreSurfaces(/*recreate=*/true);  // every cached picture is a new surface now
  s.scene.RestoreSurfaces();
  s.Draw();
  EXPECT_EQ(s.At(0, 0), 0x10);
  EXPECT_EQ(s.At(4, 0), 0);
  EXPECT_EQ(s.At(5, 0), 0xFF1010);  // the tinted copy was made again
  s.Frame();
  EXPECT_EQ(anim->GetIntProp(PR_INDEX), 1);
  EXPECT_EQ(s.At(0, 0), 0x20);
}

TEST(SinglePicture, CopiesItsPictureAndDarkensAllButTheKey) {
  PictureScene s;
  s.files["k.drl"] = DrelOf({TestFrame{{{kKey, 0x804020}}, 100, kKey, {}}});
  auto* pic = s.scene.CreateObject<TKuzoImage>();
  pic->SetName("pic");
  pic->SetParent(s.scene.ActiveBase());
  pic->SetIntProp(PR_ZOOMX, 512);
  pic->SetSource("k.drl");
  EXPECT_EQ(pic->Width(), 4);  // zoom x times the picture's width
  EXPECT_EQ(pic->Height(), 1);
  EXPECT_EQ(s.cache.SpareCount(), 1);  // the cache item went back once copied
  pic->SetBrightness(0x30 + 255);
  EXPECT_EQ(pic->Brightness(), 255);  // clamped
  pic->SetBrightness(255 - 0x30);
  s.Draw();
  EXPECT_EQ(s.At(0, 0), 0);  // still the key
  EXPECT_EQ(s.At(2, 0), 0x501000);
  pic->SetIntProp(PR_WIDTH, 6);
  s.scene.ReleaseSurfaces();
  s.scene.RestoreSurfaces();
  EXPECT_EQ(pic->Width(), 6);
  s.Draw();
  EXPECT_EQ(s.At(5, 0), 0x501000);
  pic->SetSource("k.bmp");
  EXPECT_EQ(pic->Width(), 0);
  EXPECT_EQ(pic->GetSurface(), nullptr);
}

TEST(ImagesRecord, RoundTripRestoresFrameTimeAndProperties) {
  PictureScene s;
  s.files["a.drl"] = Animation({10, 20, 30});
  TKuzoImages* img = Image(s, "a", "a.drl", 2, 3);
  img->SetBoolProp(PR_REPEAT, true);
  img->SetStrProp(PR_ONPLAYEND, "p.kss:end");
  img->SetStrProp(PR_ONIDLE, "p.kss:idle");
  img->SetIntProp(PR_BRIGHTNESS, 5);
  img->SetIntProp(PR_ANGLE, 3);
  img->SetBoolProp(PR_FLIPV, true);
  img->SetBoolProp(PR_CAPTUREMASK, true);
  img->SetIntProp(PR_ZOOMY, 512);
  s.Frame();
  ASSERT_EQ(img->GetIntProp(PR_INDEX), 1);
  ByteWriter w;
  s.scene.SaveToStream(w);

  PictureScene t;
  t.files = s.files;
  ByteReader r(w.Str(), "save.dat");
  t.scene.LoadFromStream(r, kSaveVersionCurrent);
  auto* back = dynamic_cast<TKuzoImages*>(t.scene.FindComponent("a"));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->Source(), "a.drl");
  EXPECT_EQ(back->GetIntProp(PR_INDEX), 1);
  EXPECT_EQ(back->Remaining(), 14);
  EXPECT_TRUE(back->GetBoolProp(PR_REPEAT));
  EXPECT_EQ(back->GetStrProp(PR_ONPLAYEND), "p.kss:end");
  EXPECT_EQ(back->GetStrProp(PR_ONIDLE), "p.kss:idle");
  EXPECT_EQ(back->GetIntProp(PR_BRIGHTNESS), 5);
  EXPECT_EQ(back->GetIntProp(PR_ANGLE), 3);
  EXPECT_TRUE(back->GetBoolProp(PR_FLIPV));
  EXPECT_TRUE(back->GetBoolProp(PR_CAPTUREMASK));
  EXPECT_EQ(back->GetIntProp(PR_ZOOMY), 512);
  EXPECT_EQ(back->Height(), 2);
  EXPECT_EQ(back->GetIntProp(PR_LEFT), 2);
  t.Frame();
  EXPECT_EQ(back->GetIntProp(PR_INDEX), 2);  // goes on where it stood
}

TEST(ImagesRecord, ATruncatedRecordIsAFormatError) {
  PictureScene s;
  s.files["a.drl"] = KeyedPicture();
  Image(s, "a", "a.drl");
  ByteWriter w;
  s.scene.SaveToStream(w);
  std::string bytes = w.Str();
  bytes.resize(bytes.size() - 6);
  PictureScene t;
  ByteReader r(bytes, "save.dat");
  EXPECT_THROW(t.scene.LoadFromStream(r, kSaveVersionCurrent), FormatError);
  EXPECT_EQ(t.scene.FindComponent("a"), nullptr);
}

}  // namespace
}  // namespace kuzo

namespace kuzo {
namespace {

// The scene's tick walk asks every component for its idle label: images, buttons and tiles answer
// theirs, so each gets exactly one waiting idle event however many ticks pass.
TEST(PictureIdle, ImagesButtonsAndTilesRaiseOneWaitingIdleEventEach) {
  PictureScene s;
  s.files["a.drl"] = KeyedPicture();
  TKuzoImages* img = Image(s, "img", "a.drl");
  auto* button = s.Create<TKuzoButton>(LT_BUTTON, "btn", "a.drl", 4, 0);
  auto* tile = s.Create<TKuzoTile>(LT_TILE, "tile", "a.drl", 8, 0);
  for (TKuzoObject* c : std::initializer_list<TKuzoObject*>{img, button, tile}) c->SetStrProp(PR_ONIDLE, "p.kss:idle");
  s.scene.Tick();
  s.scene.Tick();
  ASSERT_EQ(s.scene.Events().Count(), 3);
  for (TKuzoObject* c : std::initializer_list<TKuzoObject*>{img, button, tile})
    EXPECT_GE(s.scene.Events().FindPendingEvent(c->Handle(), EV_IDLE), 0) << c->KindCode();
}

}  // namespace
}  // namespace kuzo
