// Movie components in the scene: frames drawn where the movie is, in step with its sound clock,
// zoom, pause and seek, the end event, stopping that keeps the component, a fade-out that drops
// the picture at once, the overlay switch restarting at the same place, overlays above the scene
// cut to their parents and following them, no media, the picture properties in surface mode, and
// the record with its picture part.
// The test movie is made by the ffmpeg program; the tests are skipped without it.
#include "components/kuzo_video.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "components/kuzo_box.h"
#include "tests/components/media_test_scene.h"

namespace kuzo {
namespace {

namespace fs = std::filesystem;
using testing::MediaScene;

// A 64 × 48 movie at 10 frames a second: red for 0.5 s, then blue for 0.5 s, with a tone.
const std::string& RedBlueMovie() {
  static const std::string movie = [] {
    // Each test runs in its own process, often side by side: every process makes its own file.
    const fs::path path =
        fs::temp_directory_path() / ("kuzo_component_movie_" + std::to_string(std::random_device{}()) + ".avi");
    const std::string cmd =
        "ffmpeg -v error -y -f lavfi -i color=c=red:s=64x48:r=10:d=0.5 -f lavfi -i color=c=blue:s=64x48:r=10:d=0.5 "
        "-f lavfi -i sine=f=440:d=1:sample_rate=44100 -filter_complex \"[0][1]concat=n=2:v=1:a=0[v]\" -map \"[v]\" "
        "-map 2 -c:a pcm_s16le -c:v mpeg4 -q:v 2 -g 5 \"" +
        path.string() + "\" 2>/dev/null";
    if (std::system(cmd.c_str()) != 0) return std::string();
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    fs::remove(path);
    return ss.str();
  }();
  return movie;
}

class VideoComponent : public ::testing::Test {
 protected:
  void SetUp() override {
    if (RedBlueMovie().empty()) GTEST_SKIP() << "ffmpeg is not available";
    s.files["m.avi"] = RedBlueMovie();
  }
  TKuzoVideo* Movie(const std::string& name = "mv") {
    auto* movie = s.Create<TKuzoVideo>(name);
    movie->SetParent(s.scene.ActiveBase());
    movie->SetStrProp(PR_SOURCE, "m.avi");
    return movie;
  }
  // Steps `ms` of game time in ticks of 20 ms, then draws the scene.
  void Run(int ms) {
    for (int t = 0; t < ms; t += 20) s.Step(20);
    s.scene.Draw();
  }
  uint32_t At(int x, int y) const { return s.scene.SceneSurface()->GetPixel(x, y) & 0xFFFFFF; }
  static bool Red(uint32_t p) { return (p >> 16) > 200 && ((p >> 8) & 0xFF) < 60 && (p & 0xFF) < 60; }
  static bool Blue(uint32_t p) { return (p & 0xFF) > 200 && (p >> 16) < 60 && ((p >> 8) & 0xFF) < 60; }

  MediaScene s{true, 128, 96};
};

TEST_F(VideoComponent, FramesAreDrawnWhereTheMovieIsInStepWithItsSound) {
  TKuzoVideo* movie = Movie();
  movie->SetIntProp(PR_LEFT, 20);
  movie->SetIntProp(PR_TOP, 10);
  movie->SetPlayState(kMediaPlaying);
  ASSERT_NE(movie->Item(), nullptr);
  EXPECT_EQ(movie->GetIntProp(PR_WIDTH), 64);
  EXPECT_EQ(movie->GetIntProp(PR_HEIGHT), 48);
  EXPECT_EQ(movie->GetIntProp(PR_ORIGWIDTH), 64);
  Run(200);
  EXPECT_TRUE(Red(At(20 + 32, 10 + 24)));
  EXPECT_EQ(At(10, 5), 0u);  // outside the movie
  Run(500);
  EXPECT_TRUE(Blue(At(20 + 32, 10 + 24)));
  EXPECT_NEAR(movie->GetIntProp(PR_INDEX), 700, 30);
  EXPECT_TRUE(movie->GetBoolProp(PR_PLAYING));
  // Its sound is in the mix at full volume: the generated sine has an amplitude of 1/8 of full
  // scale, an RMS level of 20 log10(1 / (8 sqrt 2)) = -21.07 dB.
  EXPECT_NEAR(s.LevelDb(0, 100, 600, 32768), -21.07, 0.5);
}

TEST_F(VideoComponent, ZoomScalesThePicture) {
  TKuzoVideo* movie = Movie();
  movie->SetIntProp(PR_ZOOMX, 128);
  movie->SetIntProp(PR_ZOOMY, 512);
  movie->SetPlayState(kMediaPlaying);
  EXPECT_EQ(movie->GetIntProp(PR_WIDTH), 32);
  EXPECT_EQ(movie->GetIntProp(PR_HEIGHT), 96);
  Run(100);
  EXPECT_TRUE(Red(At(30, 90)));
  EXPECT_EQ(At(40, 10), 0u);
  // A zoom of 0 or less becomes 1.
  movie->SetIntProp(PR_ZOOMX, 0);
  EXPECT_EQ(movie->GetIntProp(PR_ZOOMX), 1);
}

TEST_F(VideoComponent, PauseHoldsThePictureAndSeekingMovesIt) {
  TKuzoVideo* movie = Movie();
  movie->SetPlayState(kMediaPlaying);
  Run(200);
  movie->SetBoolProp(PR_PAUSED, true);
  EXPECT_FALSE(movie->GetBoolProp(PR_PLAYING));
  Run(600);
  EXPECT_TRUE(Red(At(32, 24)));
  movie->SetBoolProp(PR_PAUSED, false);
  Run(500);
  EXPECT_TRUE(Blue(At(32, 24)));
  // Seeking back shows the red part again.
  movie->SetIntProp(PR_INDEX, 100);
  Run(60);
  EXPECT_TRUE(Red(At(32, 24)));
}

TEST_F(VideoComponent, EndEventStopAndRestart) {
  TKuzoVideo* movie = Movie();
  movie->SetStrProp(PR_ONPLAYEND, "main.kss:end");
  movie->SetPlayState(kMediaPlaying);
  Run(1200);
  EXPECT_EQ(s.EventsOf(movie, EV_PLAYEND), 1);
  Run(200);
  EXPECT_EQ(s.EventsOf(movie, EV_PLAYEND), 1);
  // Stopping keeps the component but drops the item and the picture.
  movie->SetPlayState(kMediaStopped);
  EXPECT_FALSE(movie->IsDeleted());
  EXPECT_EQ(movie->Item(), nullptr);
  EXPECT_EQ(movie->FrameSurface(), nullptr);
  EXPECT_EQ(s.media->Video().Count(), 0u);
  s.scene.Draw();
  EXPECT_EQ(At(32, 24), 0u);
  // Play starts it again from the beginning.
  movie->Play();
  Run(200);
  EXPECT_TRUE(Red(At(32, 24)));
}

TEST_F(VideoComponent, FadeOutDropsThePictureAtOnceAndEndsTheMovie) {
  TKuzoVideo* movie = Movie();
  movie->SetPlayState(kMediaPlaying);
  Run(100);
  const ComponentHandle h = movie->Handle();
  movie->SetIntProp(PR_DELAY, 200);
  movie->SetPlayState(kMediaFadingOut);
  EXPECT_EQ(movie->FrameSurface(), nullptr);
  s.scene.Draw();
  EXPECT_EQ(At(32, 24), 0u);
  EXPECT_TRUE(s.scene.IsAlive(h));
  Run(300);
  EXPECT_FALSE(s.scene.IsAlive(h));
  EXPECT_EQ(s.media->Video().Count(), 0u);
}

TEST_F(VideoComponent, SwitchingOverlayRestartsAtTheSamePosition) {
  TKuzoVideo* movie = Movie();
  EXPECT_TRUE(movie->GetBoolProp(PR_OVERLAY));
  movie->SetPlayState(kMediaPlaying);
  Run(600);
  EXPECT_NE(s.scene.Overlays().Find(movie), nullptr);
  movie->SetBoolProp(PR_OVERLAY, false);
  // A new item (the old one's address may be reused, so only the scene tells): no overlay any
  // more, and the position carried over.
  EXPECT_NE(movie->Item(), nullptr);
  EXPECT_EQ(s.scene.Overlays().Find(movie), nullptr);
  EXPECT_EQ(s.media->Video().Count(), 1u);
  EXPECT_NEAR(movie->GetIntProp(PR_INDEX), 600, 30);
  Run(60);
  EXPECT_TRUE(Blue(At(32, 24)));
}

TEST_F(VideoComponent, RecordRestartsTheMovieWhereItWas) {
  TKuzoVideo* movie = Movie();
  movie->SetIntProp(PR_VOLUME, 600);
  movie->SetBoolProp(PR_REWINDONLOAD, false);
  movie->SetStrProp(PR_ONIDLE, "main.kss:idle");
  movie->SetPlayState(kMediaPlaying);
  Run(600);
  ByteWriter w;
  movie->SaveToStream(w);
  const std::string bytes = w.Take();
  movie->SetPlayState(kMediaStopped);
  auto* loaded = s.Create<TKuzoVideo>("tmp");
  ByteReader r(bytes, "save");
  loaded->LoadFromStream(r, kSaveVersionCurrent);
  EXPECT_TRUE(r.AtEnd());
  EXPECT_EQ(loaded->GetIntProp(PR_VOLUME), 600);
  EXPECT_EQ(loaded->GetStrProp(PR_ONIDLE), "main.kss:idle");
  ASSERT_NE(loaded->Item(), nullptr);
  EXPECT_NEAR(loaded->GetIntProp(PR_INDEX), 600, 30);
}

TEST_F(VideoComponent, PicturePropertiesShapeTheDrawnMovie) {
  TKuzoVideo* movie = Movie();
  movie->SetBoolProp(PR_OVERLAY, false);  // drawn into the scene as a picture
  movie->SetIntProp(PR_ALPHA, 128);
  movie->SetPlayState(kMediaPlaying);
  Run(100);
  // Half opacity over the black scene halves the red.
  const uint32_t p = At(32, 24);
  EXPECT_NEAR(static_cast<int>(p >> 16), 128, 8);
  EXPECT_LT(p & 0xFFFF, 60u);
  // No opacity draws nothing; the size stays that of the video.
  movie->SetIntProp(PR_ALPHA, 0);
  s.scene.Draw();
  EXPECT_EQ(At(32, 24), 0u);
  EXPECT_EQ(movie->GetIntProp(PR_WIDTH), 64);
  // A horizontal flip mirrors the picture about its anchor pixel: placed at x = 63 it covers
  // x = 0 .. 63 instead of 63 .. 126.
  movie->SetIntProp(PR_ALPHA, 255);
  movie->SetIntProp(PR_LEFT, 63);
  movie->SetBoolProp(PR_FLIPH, true);
  s.scene.Draw();
  EXPECT_TRUE(Red(At(5, 24)));
  EXPECT_EQ(At(100, 24), 0u);
  // A flip recomputes the size from the video while playing, and keeps it once stopped.
  movie->SetIntProp(PR_ZOOMX, 512);
  EXPECT_EQ(movie->GetIntProp(PR_WIDTH), 128);
  movie->SetPlayState(kMediaStopped);
  movie->SetBoolProp(PR_FLIPH, false);
  EXPECT_EQ(movie->GetIntProp(PR_WIDTH), 128);
}

TEST_F(VideoComponent, FrameSurfaceGoesAndComesBackAroundADisplayChange) {
  TKuzoVideo* movie = Movie();
  movie->SetPlayState(kMediaPlaying);
  Run(100);
  ASSERT_NE(movie->FrameSurface(), nullptr);
  s.scene.ReleaseSurfaces();
  EXPECT_EQ(movie->FrameSurface(), nullptr);
  EXPECT_EQ(movie->GetSurface(), nullptr);
  // The item plays on; the surface comes back as the picture and shows the current frame.
  s.scene.RestoreSurfaces();
  ASSERT_NE(movie->FrameSurface(), nullptr);
  EXPECT_EQ(movie->GetSurface(), movie->FrameSurface());
  Run(500);
  EXPECT_TRUE(Blue(At(32, 24)));
  EXPECT_EQ(movie->GetIntProp(PR_WIDTH), 64);
}

TEST_F(VideoComponent, RecordCarriesThePicturePartBeforeTheMovieFields) {
  TKuzoVideo* movie = Movie();
  movie->SetIntProp(PR_ALPHA, 77);
  movie->SetIntProp(PR_ZOOMX, 512);
  movie->SetIntProp(PR_ZOOMY, 128);
  movie->SetIntProp(PR_ANGLE, 64);
  movie->SetBoolProp(PR_FLIPV, true);
  movie->SetBoolProp(PR_CAPTUREMASK, true);
  movie->SetPlayState(kMediaPlaying);
  Run(100);
  ByteWriter w;
  movie->SaveToStream(w);
  const std::string bytes = w.Take();
  // The record opens with exactly the picture record, and the movie's source follows it.
  ByteWriter pictureOnly;
  movie->TKuzoCustomImage::SaveToStream(pictureOnly);
  const std::string picture = pictureOnly.Take();
  ASSERT_LT(picture.size(), bytes.size());
  EXPECT_EQ(bytes.substr(0, picture.size()), picture);
  const std::string movieFields = bytes.substr(picture.size());
  ByteReader rest(movieFields, "save");
  EXPECT_EQ(rest.String("source"), "m.avi");
  movie->SetPlayState(kMediaStopped);

  auto* loaded = s.Create<TKuzoVideo>("tmp");
  loaded->SetParent(s.scene.ActiveBase());
  ByteReader r(bytes, "save");
  loaded->LoadFromStream(r, kSaveVersionCurrent);
  EXPECT_TRUE(r.AtEnd());
  EXPECT_EQ(loaded->GetIntProp(PR_ALPHA), 77);
  EXPECT_EQ(loaded->GetIntProp(PR_ZOOMX), 512);
  EXPECT_EQ(loaded->GetIntProp(PR_ZOOMY), 128);
  EXPECT_EQ(loaded->GetIntProp(PR_ANGLE), 64);
  EXPECT_FALSE(loaded->GetBoolProp(PR_FLIPH));
  EXPECT_TRUE(loaded->GetBoolProp(PR_FLIPV));
  EXPECT_TRUE(loaded->GetBoolProp(PR_CAPTUREMASK));
  // The restarted movie takes its size from the loaded zoom.
  ASSERT_NE(loaded->Item(), nullptr);
  EXPECT_EQ(loaded->GetIntProp(PR_WIDTH), 128);
  EXPECT_EQ(loaded->GetIntProp(PR_HEIGHT), 24);
  // A record cut inside the picture part is a clear error.
  auto* cut = s.Create<TKuzoVideo>("cut");
  const std::string cutBytes = bytes.substr(0, picture.size() - 2);
  ByteReader shortRecord(cutBytes, "save");
  EXPECT_THROW(cut->LoadFromStream(shortRecord, kSaveVersionCurrent), FormatError);
}

// Overlay movies: scenes drawn rectangle by rectangle, as the player draws them.
class OverlayMovie : public VideoComponent {
 protected:
  TKuzoBox* Box(const std::string& name, TKuzoControl* parent, TRect r, int32_t color, int32_t priority) {
    auto* box = s.Create<TKuzoBox>(name);
    box->SetParent(parent);
    box->SetIntProp(PR_PRIORITY, priority);
    box->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
    box->SetIntProp(PR_COLOR, color);
    return box;
  }
  void Frames(int ms) {
    for (int t = 0; t < ms; t += 20) {
      s.Step(20);
      s.scene.Draw();
      s.scene.ClearDirty();
    }
  }
  static constexpr uint32_t kGreen = 0x00FF00;  // native pixel and colour value alike
};

TEST_F(OverlayMovie, LiesAboveEverythingAndIgnoresOpacity) {
  TKuzoVideo* movie = Movie();
  Box("cover", s.scene.ActiveBase(), TRect{16, 12, 48, 36}, kGreen, 5);
  movie->SetIntProp(PR_ALPHA, 128);
  movie->SetPlayState(kMediaPlaying);
  Frames(100);
  EXPECT_TRUE(Red(At(32, 24))) << "the box in front of the movie is under the overlay";
  EXPECT_TRUE(Red(At(4, 4))) << "at full strength whatever the opacity";
  const ScreenOverlay* placed = s.scene.Overlays().Find(movie);
  ASSERT_NE(placed, nullptr);
  EXPECT_EQ(placed->screen, (TRect{0, 0, 64, 48}));
  EXPECT_EQ(placed->source, (TRect{0, 0, 64, 48}));
  // Drawn as a picture instead, the box covers it and the opacity halves it.
  movie->SetBoolProp(PR_OVERLAY, false);
  Frames(40);
  EXPECT_EQ(s.scene.Overlays().Find(movie), nullptr);
  EXPECT_EQ(At(32, 24), kGreen);
  EXPECT_NEAR(static_cast<int>(At(4, 4) >> 16), 128, 8);
  // And back: the overlay returns over the box.
  movie->SetBoolProp(PR_OVERLAY, true);
  Frames(40);
  EXPECT_TRUE(Red(At(32, 24)));
}

TEST_F(OverlayMovie, IsCutToItsParentsAndStretchedByTheZoom) {
  TKuzoBox* frame = Box("frame", s.scene.ActiveBase(), TRect{10, 10, 50, 40}, kGreen, 0);
  TKuzoVideo* movie = Movie();
  movie->SetParent(frame);
  movie->SetIntProp(PR_ZOOMX, 512);
  movie->SetIntProp(PR_ZOOMY, 512);
  movie->SetPlayState(kMediaPlaying);
  Frames(100);
  const ScreenOverlay* placed = s.scene.Overlays().Find(movie);
  ASSERT_NE(placed, nullptr);
  // 128 × 96 at (10, 10) cut to the frame: the picture's left 20 × 15 pixels spread over 40 × 30
  // (64 − (138 − 50) × 256 div 512 = 20, 48 − (106 − 40) × 256 div 512 = 15).
  EXPECT_EQ(placed->screen, (TRect{10, 10, 50, 40}));
  EXPECT_EQ(placed->source, (TRect{0, 0, 20, 15}));
  EXPECT_TRUE(Red(At(10, 10)));
  EXPECT_TRUE(Red(At(49, 39)));
  EXPECT_EQ(At(50, 20), 0u);
  EXPECT_EQ(At(20, 40), 0u);
  // A clip rectangle cuts it further, on the source side too.
  movie->SetIntProp(PR_CLIPLEFT, 4);
  movie->SetIntProp(PR_CLIPTOP, 2);
  movie->SetIntProp(PR_CLIPWIDTH, 10);
  movie->SetIntProp(PR_CLIPHEIGHT, 6);
  Frames(20);
  placed = s.scene.Overlays().Find(movie);
  ASSERT_NE(placed, nullptr);
  EXPECT_EQ(placed->screen, (TRect{14, 12, 24, 18}));
  EXPECT_EQ(placed->source, (TRect{2, 1, 7, 4}));
  EXPECT_EQ(At(12, 11), kGreen) << "the frame shows where the overlay was cut away";
  // Moving the parent moves the overlay and repaints where it was.
  movie->SetIntProp(PR_CLIPWIDTH, 0);
  frame->SetIntProp(PR_LEFT, 70);
  Frames(20);
  placed = s.scene.Overlays().Find(movie);
  ASSERT_NE(placed, nullptr);
  EXPECT_EQ(placed->screen, (TRect{70, 10, 110, 40}));
  EXPECT_TRUE(Red(At(90, 20)));
  EXPECT_EQ(At(30, 20), 0u) << "no trail where the overlay was";
}

TEST_F(OverlayMovie, HidingOrStoppingTakesItAwayAndShowingBringsItBack) {
  TKuzoVideo* movie = Movie();
  movie->SetPlayState(kMediaPlaying);
  Frames(100);
  ASSERT_TRUE(Red(At(32, 24)));
  movie->SetBoolProp(PR_VISIBLE, false);
  Frames(20);
  EXPECT_EQ(s.scene.Overlays().Find(movie), nullptr);
  EXPECT_EQ(At(32, 24), 0u);
  movie->SetBoolProp(PR_VISIBLE, true);
  Frames(20);
  EXPECT_TRUE(Red(At(32, 24)));
  // Pushed wholly off the scene it has nothing to show.
  movie->SetIntProp(PR_LEFT, -100);
  Frames(20);
  EXPECT_EQ(s.scene.Overlays().Find(movie), nullptr);
  movie->SetIntProp(PR_LEFT, 0);
  Frames(20);
  EXPECT_NE(s.scene.Overlays().Find(movie), nullptr);
  movie->SetPlayState(kMediaStopped);
  EXPECT_EQ(s.scene.Overlays().Find(movie), nullptr);
  Frames(20);
  EXPECT_EQ(At(32, 24), 0u);
  // Freeing a playing movie takes its overlay with it.
  movie->Play();
  Frames(40);
  ASSERT_NE(s.scene.Overlays().Find(movie), nullptr);
  movie->Delete();
  Frames(20);
  EXPECT_TRUE(s.scene.Overlays().Empty());
  EXPECT_EQ(At(32, 24), 0u);
}

TEST(VideoWithoutMedia, PlaysSilentlyAndStillEnds) {
  MediaScene s(false);
  auto* movie = s.Create<TKuzoVideo>("mv");
  movie->SetStrProp(PR_SOURCE, "m.avi");
  movie->SetStrProp(PR_ONPLAYEND, "main.kss:end");
  movie->SetPlayState(kMediaPlaying);
  ASSERT_NE(movie->Item(), nullptr);
  EXPECT_EQ(movie->FrameSurface(), nullptr);
  s.Step(20);
  EXPECT_EQ(s.EventsOf(movie, EV_PLAYEND), 1);
}

}  // namespace
}  // namespace kuzo
