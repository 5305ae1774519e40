// Rule images read from the game data: each image format by its extension, first frame only, as
// grey levels; missing, empty and broken files count as absent and are reported once per name; the
// scene's transition player finds them through the scene's file slot.
#include "transitions/rule_images.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "data/file_manager.h"
#include "graphics/image_formats/image_file.h"
#include "graphics/png_writer.h"
#include "tests/scene/scene_test_util.h"
#include "transitions/wipe_catalogue.h"
#include "transitions/wipe_scene_player.h"

namespace kuzo {
namespace {

std::span<const uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}
std::string Text(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

// A 32-bit picture w x 1 whose pixels are the given RGB colours.
TDIBX Colours(const std::vector<uint32_t>& rgb) {
  TDIBX s(static_cast<int>(rgb.size()), 1, 32);
  for (size_t i = 0; i < rgb.size(); ++i) s.SetPixel(static_cast<int>(i), 0, rgb[i]);
  return s;
}

// A 24-bit bottom-up BMP of one row of grey levels.
std::string GreyBmp(const std::vector<uint8_t>& grey) {
  const uint32_t row = (static_cast<uint32_t>(grey.size()) * 3 + 3) & ~3u;
  std::string b;
  const auto u16 = [&b](uint32_t v) { b += static_cast<char>(v & 0xFF); b += static_cast<char>((v >> 8) & 0xFF); };
  const auto u32 = [&](uint32_t v) { u16(v & 0xFFFF); u16(v >> 16); };
  b += "BM";
  u32(54 + row); u32(0); u32(54);
  u32(40); u32(static_cast<uint32_t>(grey.size())); u32(1); u16(1); u16(24); u32(0); u32(row); u32(2835); u32(2835);
  u32(0); u32(0);
  for (uint8_t g : grey) b += std::string(3, static_cast<char>(g));
  b.resize(54 + row, '\0');
  return b;
}

// A Drel file of two frames: the first a ramp of greys, the second all white.
std::string TwoFrameDrel(const std::vector<uint8_t>& grey) {
  TDrelFrameList list;
  for (int frame = 0; frame < 2; ++frame) {
    TDrelFrame& f = list.Add();
    f.Image.SetSize(static_cast<int>(grey.size()), 1, 24);
    for (size_t x = 0; x < grey.size(); ++x)
      f.Image.SetPixel(static_cast<int>(x), 0, frame == 0 ? grey[x] * 0x010101u : 0xFFFFFFu);
  }
  return SaveDrelImage(list, DrelKind::kDeflate);
}

TEST(RuleImagesTest, EachFormatDecodesByItsExtensionToGreyLevels) {
  const std::vector<uint8_t> ramp = {0, 85, 170, 255};
  const std::string png = Text(EncodePng(Colours({0x000000, 0x555555, 0xAAAAAA, 0xFFFFFF})));
  for (const auto& [name, bytes] : std::map<std::string, std::string>{
           {"rule.png", png}, {"RULE.BMP", GreyBmp(ramp)}, {"rule.drl", TwoFrameDrel(ramp)}}) {
    std::string why;
    auto g = DecodeRuleImage(name, Bytes(bytes), &why);
    ASSERT_TRUE(g.has_value()) << name << ": " << why;
    EXPECT_EQ(g->width, 4) << name;
    EXPECT_EQ(g->height, 1) << name;
    EXPECT_EQ(g->grey, ramp) << name << " (the Drel's second frame, all white, plays no part)";
  }
}

TEST(RuleImagesTest, ColoursWeighGreenMostAndRedMoreThanBlue) {
  const std::string png = Text(EncodePng(Colours({0xFF0000, 0x00FF00, 0x0000FF})));
  auto g = DecodeRuleImage("c.png", Bytes(png), nullptr);
  ASSERT_TRUE(g.has_value());
  // (77 r + 150 g + 29 b) >> 8 with one channel at 255
  EXPECT_EQ(g->grey, (std::vector<uint8_t>{76, 149, 28}));
}

TEST(RuleImagesTest, UnusableFilesAreAbsentWithAReason) {
  const std::string png = Text(EncodePng(Colours({0x808080})));
  std::string why;
  EXPECT_FALSE(DecodeRuleImage("rule.txt", Bytes(png), &why).has_value());  // not an image name
  EXPECT_FALSE(why.empty());
  why.clear();
  EXPECT_FALSE(DecodeRuleImage("rule.png", {}, &why).has_value());
  EXPECT_FALSE(why.empty());
  why.clear();
  EXPECT_FALSE(DecodeRuleImage("rule.png", Bytes(png.substr(0, png.size() / 2)), &why).has_value());
  EXPECT_FALSE(why.empty());
  why.clear();
  EXPECT_FALSE(DecodeRuleImage("rule.bmp", Bytes(png), &why).has_value());  // a PNG named .bmp
  EXPECT_FALSE(why.empty());
}

TEST(RuleImagesTest, TheLoaderReportsEachUnusableNameOnce) {
  std::map<std::string, std::string> files = {{"ok.png", Text(EncodePng(Colours({0xFFFFFF, 0})))},
                                              {"bad.png", "not a picture"}};
  int reads = 0;
  std::vector<std::string> log;
  RuleImageLoader loader(
      [&](std::string_view name) -> std::optional<std::string> {
        ++reads;
        auto it = files.find(std::string(name));
        if (it == files.end()) return std::nullopt;
        return it->second;
      },
      [&](const std::string& line) { log.push_back(line); });
  auto ok = loader.Load("ok.png");
  ASSERT_TRUE(ok.has_value());
  EXPECT_EQ(ok->grey, (std::vector<uint8_t>{255, 0}));
  for (int i = 0; i < 3; ++i) {
    EXPECT_FALSE(loader.Load("gone.png").has_value());
    EXPECT_FALSE(loader.Load("bad.png").has_value());
  }
  EXPECT_FALSE(loader.Load("").has_value());  // no rule asked for: nothing read, nothing said
  EXPECT_EQ(reads, 7);
  ASSERT_EQ(log.size(), 2u);
  EXPECT_NE(log[0].find("gone.png"), std::string::npos) << log[0];
  EXPECT_NE(log[1].find("bad.png"), std::string::npos) << log[1];
  EXPECT_EQ(loader.Reported(), (std::set<std::string>{"bad.png", "gone.png"}));
}

// The player on a scene whose file slot holds game data with a rule image of alternating columns.
struct RuleSceneFixture : testing::SceneFixture {
  std::filesystem::path dir = std::filesystem::temp_directory_path() /
                              (std::string("kuzo-rule-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
  TVrFileManager files;
  RuntimeRandom random;
  WipeScenePlayer player{WipeServices{{}, &random, std::nullopt}};
  std::vector<std::string> log;

  RuleSceneFixture() {
    std::filesystem::create_directories(dir);
    const std::vector<uint8_t> png = EncodePng(Colours({0xFFFFFF, 0x000000}));
    std::ofstream(dir / "stripes.png", std::ios::binary).write(reinterpret_cast<const char*>(png.data()),
                                                                static_cast<std::streamsize>(png.size()));
    files.SetBaseDir(dir.string());
    ServiceSlots slots = scene.Slots();
    slots.files = &files;
    scene.SetSlots(slots);
    host.log = [this](const std::string& line) { log.push_back(line); };
    scene.SetTransition(&player);
    scene.GetBaseAt(0)->SetIntProp(PR_COLOR, 0x0A0A0A);
    scene.GetBaseAt(1)->SetIntProp(PR_COLOR, 0xC8C8C8);
    scene.Draw();
    scene.ClearDirty();
  }
  ~RuleSceneFixture() { std::filesystem::remove_all(dir); }
  int BlueAt(int x, int y) { return static_cast<int>(scene.SceneSurface()->GetPixel(x, y) & 0xFF); }
};

TEST(RuleImagesTest, ThePlayerLoadsTheFlipsRuleFromTheScenesGameData) {
  RuleSceneFixture f;  // 16 ms per tick
  TransitionRequest request{static_cast<int32_t>(WipeKind::kShadow), false, 32};
  request.text = "stripes.png";
  f.scene.SetActiveBase(1, request);
  f.Frame();
  f.scene.Draw();  // 16 of 32 ms: level 511, white columns wholly changed, black ones not begun
  EXPECT_EQ(f.BlueAt(0, 3), 200);
  EXPECT_EQ(f.BlueAt(1, 3), 10);
  EXPECT_EQ(f.BlueAt(2, 3), 200);
  EXPECT_EQ(f.BlueAt(3, 3), 10);
  EXPECT_TRUE(f.log.empty());
}

TEST(RuleImagesTest, AMissingRuleChangesEveryPixelTogetherAndIsLoggedOnce) {
  RuleSceneFixture f;
  for (int flip = 0; flip < 2; ++flip) {
    TransitionRequest request{static_cast<int32_t>(WipeKind::kShadow), false, 32};
    request.text = "nowhere.png";
    f.scene.SetActiveBase(flip == 0 ? 1 : 0, request);
    f.Frame();
    f.scene.Draw();  // every pixel at ramp[511 + 255 - 255]: wholly the incoming picture
    const int want = flip == 0 ? 200 : 10;
    EXPECT_EQ(f.BlueAt(0, 3), want);
    EXPECT_EQ(f.BlueAt(1, 3), want);
    f.Frame();
    f.Frame();
    ASSERT_FALSE(f.scene.TransitionRunning());
    f.scene.Draw();
  }
  ASSERT_EQ(f.log.size(), 1u);
  EXPECT_NE(f.log[0].find("nowhere.png"), std::string::npos) << f.log[0];
}

}  // namespace
}  // namespace kuzo
