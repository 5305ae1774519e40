// The Drel writer: its header layout, and round trips of every bit count and kind through the reader,
// with and without shuffling, keys, masks and region lists.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <span>

#include "core/byte_reader.h"
#include "core/errors.h"
#include "graphics/image_formats/image_file.h"

namespace kuzo {
namespace {

std::span<const uint8_t> Span(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

// A frame of random pixels (valid for the bit count), a random palette for 8 bits or less, an
// optional random mask and a key taken from one of its pixels.
void FillFrame(TDrelFrame& frame, int w, int h, int bits, bool mask, std::mt19937& rng) {
  frame.Image.SetSize(w, h, bits);
  if (bits <= 8) {
    TPalette palette;
    for (auto& q : palette) q = TRGBQuad{uint8_t(rng()), uint8_t(rng()), uint8_t(rng()), 0};
    frame.Image.SetPalette(palette);
  }
  const uint32_t valueMask = bits == 32 ? 0x00FFFFFF : bits == 24 ? 0xFFFFFF : bits >= 15 ? (bits == 15 ? 0x7FFF : 0xFFFF) : (1u << bits) - 1;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) frame.Image.SetPixel(x, y, rng() & valueMask);
  if (mask) {
    TDIBSurface& m = frame.Image.CreateMask();
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) m.SetPixel(x, y, rng() & 255);
  }
  frame.ColorKey = static_cast<int32_t>(frame.Image.GetPixel(0, 0));
  frame.ColorKeyRGB = frame.Image.PixelToColor(static_cast<Pixel>(frame.ColorKey));
  frame.DisplayTime = static_cast<int32_t>(rng() % 1000);
  frame.RegionsA = {TRect{1, 2, 3, 4}};
}

struct RoundTrip {
  int bits;
  DrelKind kind;
  int32_t key;
};

class DrelRoundTripTest : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(DrelRoundTripTest, FramesComeBackUnchanged) {
  const RoundTrip p = GetParam();
  std::mt19937 rng(static_cast<uint32_t>(p.bits * 31 + static_cast<int>(p.kind) * 7 + p.key));
  TDrelFrameList list(p.key);
  list.BackgroundColor = 0x123456;
  list.OpaqueFirstLayer = 1;
  // Odd widths exercise row padding; the second frame has a mask.
  FillFrame(list.Add(), 13, 7, p.bits, false, rng);
  FillFrame(list.Add(), 13, 7, p.bits, true, rng);
  const std::string bytes = SaveDrelImage(list, p.kind, 70);

  TDrelFrameList back(p.key);
  LoadDrelImage(back, Span(bytes), "round.drl", false);
  EXPECT_EQ(back.Version, 106);
  EXPECT_EQ(back.BackgroundColor, 0x123456);
  EXPECT_EQ(back.OpaqueFirstLayer, 1);
  EXPECT_EQ(back.Header.shuffled, p.key != 0);
  EXPECT_EQ(back.Header.kind, p.key != 0 ? DrelKind::kStored : p.kind);
  ASSERT_EQ(back.Count(), 2);
  for (int i = 0; i < 2; ++i) {
    const TDrelFrame& a = list[i];
    const TDrelFrame& b = back[i];
    EXPECT_EQ(b.Name, "Frame" + std::to_string(i + 1));
    EXPECT_EQ(b.BitCount(), p.bits);
    EXPECT_EQ(b.DisplayTime, a.DisplayTime);
    EXPECT_EQ(b.ColorKey, a.ColorKey);
    EXPECT_EQ(b.ColorKeyRGB, a.ColorKeyRGB);
    EXPECT_EQ(b.RegionsA, a.RegionsA);
    ASSERT_EQ(b.HasMask(), a.HasMask());
    for (int y = 0; y < 7; ++y) {
      for (int x = 0; x < 13; ++x) {
        ASSERT_EQ(b.Image.GetPixel(x, y), a.Image.GetPixel(x, y)) << i << ": " << x << "," << y;
        if (a.HasMask()) {
          ASSERT_EQ(b.Image.Mask()->GetPixel(x, y), a.Image.Mask()->GetPixel(x, y));
        }
      }
    }
    if (p.bits <= 8) {
      TPalette pa, pb;
      a.Image.GetPalette(pa);
      b.Image.GetPalette(pb);
      for (int e = 0; e < (1 << p.bits); ++e) EXPECT_EQ(pa[e], pb[e]) << e;
    }
  }
}

std::vector<RoundTrip> AllRoundTrips() {
  std::vector<RoundTrip> out;
  for (int bits : {1, 4, 8, 15, 16, 24, 32})
    for (DrelKind kind : {DrelKind::kDeflate, DrelKind::kStored})
      for (int32_t key : {0, 12345, -7}) out.push_back({bits, kind, key});
  return out;
}

INSTANTIATE_TEST_SUITE_P(EveryBitCountAndKind, DrelRoundTripTest, ::testing::ValuesIn(AllRoundTrips()));

TEST(DrelWriterTest, HeaderLayout) {
  TDrelFrameList list(0);
  TDrelFrame& f = list.Add();
  f.Image.SetSize(3, 2, 24);
  const std::string bytes = SaveDrelImage(list, DrelKind::kDeflate, 55);
  ByteReader r(Span(bytes), "w");
  EXPECT_EQ(r.Bytes(7), "Drel106");
  EXPECT_EQ(r.I32(), 40);
  EXPECT_EQ(r.I32(), 106);
  EXPECT_EQ(r.I32(), 3);
  EXPECT_EQ(r.I32(), 2);
  EXPECT_EQ(r.I32(), 24);
  EXPECT_EQ(r.I32(), 1);
  EXPECT_EQ(r.U8(), 1);
  EXPECT_EQ(r.U8(), 0);  // not shuffled
  EXPECT_EQ(r.U8(), 0);  // kind 0
  r.Skip(1 + 4 + 8 + 1);
  EXPECT_EQ(r.U8(), 55);
  r.Skip(2);
  EXPECT_EQ(r.String(), "Frame1");
  EXPECT_EQ(r.I32(), -1);   // no key
  EXPECT_EQ(r.I32(), 100);  // display time
  EXPECT_EQ(r.U8(), 2);
}

TEST(DrelWriterTest, JpegKindKeepsColoursWithinRoundingAndMasksExactly) {
  TDrelFrameList list(0);
  TDrelFrame& f = list.Add();
  f.Image.SetSize(16, 16, 24);
  TDIBSurface& mask = f.Image.CreateMask();
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      f.Image.SetPixel(x, y, static_cast<Pixel>((x * 8) << 16 | (y * 8) << 8 | 0x40));
      mask.SetPixel(x, y, static_cast<Pixel>(x * 16 + y));
    }
  }
  const std::string bytes = SaveDrelImage(list, DrelKind::kJpeg, 95);
  TDrelFrameList back(0);
  LoadDrelImage(back, Span(bytes), "jpeg.drl", false);
  ASSERT_EQ(back.Count(), 1);
  EXPECT_EQ(back.Header.kind, DrelKind::kJpeg);
  ASSERT_TRUE(back[0].HasMask());
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      const Pixel a = f.Image.GetPixel(x, y), b = back[0].Image.GetPixel(x, y);
      for (int shift : {0, 8, 16}) EXPECT_LE(std::abs(int((a >> shift) & 255) - int((b >> shift) & 255)), 6);
      EXPECT_EQ(back[0].Image.Mask()->GetPixel(x, y), mask.GetPixel(x, y));
    }
  }
}

}  // namespace
}  // namespace kuzo
