// PNG screenshots decode back to the surface's colours, for every format, and files are replaced
// whole.
#include "graphics/png_writer.h"

#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/errors.h"
#include "graphics/grey_tables.h"

namespace kuzo {
namespace {

std::vector<uint8_t> DecodeRgb(const std::vector<uint8_t>& png, int& w, int& h) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  EXPECT_TRUE(png_image_begin_read_from_memory(&image, png.data(), png.size()));
  image.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
  EXPECT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr));
  w = static_cast<int>(image.width);
  h = static_cast<int>(image.height);
  return rgb;
}

TEST(PngWriter, ThirtyTwoBitRoundTrip) {
  TDIBX s(3, 2, 32);
  s.SetPixel(0, 0, 0xFF0000);
  s.SetPixel(1, 0, 0x00FF00);
  s.SetPixel(2, 0, 0x0000FF);
  s.SetPixel(0, 1, 0xAA123456);  // the fourth byte carries no colour
  int w = 0, h = 0;
  const auto rgb = DecodeRgb(EncodePng(s), w, h);
  EXPECT_EQ(w, 3);
  EXPECT_EQ(h, 2);
  EXPECT_EQ(rgb, (std::vector<uint8_t>{255, 0, 0, 0, 255, 0, 0, 0, 255, 0x12, 0x34, 0x56, 0, 0, 0, 0, 0, 0}));
}

TEST(PngWriter, NarrowFormatsWidenTheirChannels) {
  TDIBX s16(1, 1, 16), s15(1, 1, 15), s8(1, 1, 8);
  s16.SetPixel(0, 0, 0xFFFF);
  s15.SetPixel(0, 0, 0x7C00);
  TPalette pal{};
  pal[9] = TRGBQuad{3, 2, 1, 0};
  s8.SetPalette(pal);
  s8.SetPixel(0, 0, 9);
  EXPECT_EQ(SurfaceToRgb(s16), (std::vector<uint8_t>{255, 255, 255}));
  EXPECT_EQ(SurfaceToRgb(s15), (std::vector<uint8_t>{255, 0, 0}));
  EXPECT_EQ(SurfaceToRgb(s8), (std::vector<uint8_t>{1, 2, 3}));
  int w, h;
  EXPECT_EQ(DecodeRgb(EncodePng(s16), w, h), SurfaceToRgb(s16));
}

TEST(PngWriter, EmptyOrUnsupportedSurfacesRaise) {
  TDIBX empty;
  EXPECT_THROW(EncodePng(empty), KuzoError);
  TDIBX one(8, 1, 1);
  EXPECT_THROW(EncodePng(one), KuzoError);
}

TEST(PngWriter, FileIsReplacedWhole) {
  const auto dir = std::filesystem::temp_directory_path() / ("kuzo_png_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  std::filesystem::create_directories(dir);
  const auto path = dir / "shot.png";
  std::ofstream(path) << "old contents";
  TDIBX s(2, 2, 32);
  s.Fill(0x102030);
  WritePngFile(s, path);
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(bytes, EncodePng(s));
  EXPECT_FALSE(std::filesystem::exists(dir / "shot.png.tmp"));
  EXPECT_THROW(WritePngFile(s, dir / "missing" / "x.png"), KuzoError);
  std::filesystem::remove_all(dir);
}

TEST(GreyTables, SixteenAndThirtyTwoBitGreys) {
  const GreyTables t565 = BuildGreyTables(16), t555 = BuildGreyTables(15), t32 = BuildGreyTables(32);
  EXPECT_EQ(t565.GreyPixel16[255], 0xFFFF);
  EXPECT_EQ(t555.GreyPixel16[255], 0x7FFF);
  EXPECT_EQ(t565.GreyPixel16[128], 0x8410);  // 16 << 11 | 32 << 5 | 16
  EXPECT_EQ(t555.GreyPixel16[128], 0x4210);
  EXPECT_EQ(t565.GreyPixel16[7], 0x0020);   // green keeps one more bit
  EXPECT_EQ(t32.GreyPixel16[128], 0x8410);  // a 32-bit frame uses 5-6-5
  EXPECT_EQ(t32.GreyPixel32[0x80], 0x808080u);
  EXPECT_EQ(t32.GreyPixel32[0], 0u);
}

}  // namespace
}  // namespace kuzo
