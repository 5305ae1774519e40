// Choosing the reader by extension and by signature, loading surfaces from streams, and the
// conversions of frames into display surfaces and RGBA.
#include "graphics/image_formats/image_file.h"

#include <gtest/gtest.h>

#include "core/errors.h"
#include "graphics/png_writer.h"
#include "tests/graphics/image_formats/drel_builder.h"

namespace kuzo {
namespace {

std::span<const uint8_t> Span(const std::string& s) { return {reinterpret_cast<const uint8_t*>(s.data()), s.size()}; }

std::string SmallDrel() {
  using namespace testing;
  DrelFileSpec spec;
  DrelFrameSpec frame;
  frame.width = 2, frame.height = 1, frame.bits = 24;
  frame.layers = {DrelLayerSpec{true, -1, 255, 0, PadRows({Bgr({0x102030, 0x405060})}), ""}};
  frame.regionsA = {0, 0, 2, 1};
  spec.frames = {frame};
  return BuildDrel(spec);
}

TEST(ImageFileTest, ExtensionsChooseTheReaderIgnoringCase) {
  EXPECT_EQ(FormatFromExtension("bg\\Title.DRL"), ImageFormat::kDrel);
  EXPECT_EQ(FormatFromExtension("a.Png"), ImageFormat::kPng);
  EXPECT_EQ(FormatFromExtension("a.dib"), ImageFormat::kBmp);
  EXPECT_EQ(FormatFromExtension("a.jpeg"), ImageFormat::kJpeg);
  EXPECT_EQ(FormatFromExtension("a.kmt"), ImageFormat::kNone);
  EXPECT_EQ(FormatFromExtension("dir.drl\\noext"), ImageFormat::kNone);

  TDrelFrameList list;
  const std::string drel = SmallDrel();
  EXPECT_EQ(LoadImageFile(list, "x.drl", Span(drel), false), ImageFormat::kDrel);
  EXPECT_EQ(list.Count(), 1);
  // Another extension loads nothing and leaves the list empty, whatever the bytes.
  EXPECT_EQ(LoadImageFile(list, "x.txt", Span(drel), false), ImageFormat::kNone);
  EXPECT_EQ(list.Count(), 0);
}

TEST(ImageFileTest, SignaturesAreTestedInOrder) {
  const std::vector<uint8_t> png = EncodeRgbaPng(std::vector<uint8_t>(4, 255), 1, 1);
  const std::string pngBytes(png.begin(), png.end());
  EXPECT_EQ(FormatFromSignature(Span(pngBytes)), ImageFormat::kPng);
  // "BM" at the start wins even when PNG data follows.
  EXPECT_EQ(FormatFromSignature(Span("BM" + pngBytes.substr(2))), ImageFormat::kBmp);
  EXPECT_EQ(FormatFromSignature(Span(SmallDrel())), ImageFormat::kDrel);
  EXPECT_EQ(FormatFromSignature(Span(std::string("\xFF\xD8\xFF\xE0", 4))), ImageFormat::kJpeg);
  EXPECT_EQ(FormatFromSignature(Span(std::string("Dre"))), ImageFormat::kNone);
}

TEST(ImageFileTest, StreamsLoadIntoSurfacesAtTheSurfacesOwnDepth) {
  TDIBX surface(1, 1, 32);
  const std::string drel = SmallDrel();
  ASSERT_TRUE(LoadSurfaceFromStream(surface, Span(drel), 0, "rule"));
  EXPECT_EQ(surface.Width(), 2);
  EXPECT_EQ(surface.BitCount(), 32);
  EXPECT_EQ(surface.GetPixel(1, 0), 0x00405060u);  // fourth byte written as 0
  ASSERT_EQ(surface.RegionsA.size(), 1u);

  TDIBX small(1, 1, 16);
  ASSERT_TRUE(LoadSurfaceFromStream(small, Span(drel), 0, "rule"));
  // 0x40 0x50 0x60 -> r 8, g 20, b 12 at 5-6-5.
  EXPECT_EQ(small.GetPixel(1, 0), static_cast<Pixel>(8 << 11 | 20 << 5 | 12));

  TDIBX untouched(3, 3, 32);
  EXPECT_FALSE(LoadSurfaceFromStream(untouched, Span(std::string("junk")), 0, "junk"));
  EXPECT_EQ(untouched.Width(), 3);
}

TEST(ImageFileTest, RgbaUsesTheMaskOrElseTheKey) {
  TDrelFrame frame;
  frame.Image.SetSize(2, 1, 16);
  frame.Image.SetPixel(0, 0, 0xFFFF);
  frame.Image.SetPixel(1, 0, 0x0841);  // r 1, g 2, b 1 at 5-6-5
  frame.ColorKey = 0xFFFF;
  // Channels widened by repeating their top bits: c5 -> c5*8 + c5/4, c6 -> c6*4 + c6/16.
  EXPECT_EQ(FrameToRgba(frame), (std::vector<uint8_t>{255, 255, 255, 0, 8, 8, 8, 255}));
  frame.Image.CreateMask(77);
  EXPECT_EQ(FrameToRgba(frame)[3], 77);
  EXPECT_EQ(FrameToRgba(frame)[7], 77);
}

}  // namespace
}  // namespace kuzo
