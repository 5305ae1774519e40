// The surface model: formats and masks, pixel access, colour conversion, sizes and their limits,
// clipping, fills, frames, copies with flips and clips, colour keys and the opacity convention.
#include "graphics/dibx.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <utility>
#include <vector>

#include "core/errors.h"

namespace kuzo {
namespace {

// An 8-bit surface whose pixels are given row by row.
TDIBX Indexed(int w, int h, std::vector<uint32_t> values) {
  TDIBX s(w, h, 8);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) s.SetPixel(x, y, values[static_cast<size_t>(y) * w + x]);
  }
  return s;
}

std::vector<uint32_t> Pixels(const TCustomDIBX& s) {
  std::vector<uint32_t> out;
  for (int y = 0; y < s.Height(); ++y) {
    for (int x = 0; x < s.Width(); ++x) out.push_back(s.GetPixel(x, y));
  }
  return out;
}

TEST(DibxFormat, BitCountsMasksAndShifts) {
  TDIBX s15(2, 2, 15), s16(2, 2, 16), s24(2, 2, 24), s32(2, 2, 32), s8(2, 2, 8);
  EXPECT_EQ(s15.BitCount(), 15);
  EXPECT_EQ(s15.StorageBitCount(), 16);
  EXPECT_EQ(s15.GreenMask(), 0x03E0u);
  EXPECT_EQ(s16.BitCount(), 16);
  EXPECT_EQ(s16.GreenMask(), 0x07E0u);
  EXPECT_EQ(s16.RedMask(), 0xF800u);
  EXPECT_EQ(s24.RedMask(), 0xFF0000u);
  EXPECT_EQ(s32.BlueMask(), 0xFFu);
  EXPECT_EQ(s8.RedMask(), 0u);
  EXPECT_EQ(s16.GreenShift(), 5);
  EXPECT_EQ(s16.RedShift(), 11);
  EXPECT_EQ(s15.RedShift(), 10);
  EXPECT_EQ(s32.RedShift(), 16);
  EXPECT_EQ(s24.BytesPerPixel(), 3);
  EXPECT_EQ(s15.BytesPerPixel(), 2);
  EXPECT_EQ(TDIBX(3, 1, 24).Pitch(), 12);  // rows padded to four bytes
  EXPECT_EQ(TDIBX(3, 1, 8).Pitch(), 4);
}

TEST(DibxFormat, NewSurfaceIsEmptyWith15BitStorage) {
  TDIBX s;
  EXPECT_TRUE(s.IsEmpty());
  EXPECT_EQ(s.Width(), 0);
  EXPECT_EQ(s.BitCount(), 15);
  EXPECT_EQ(s.ColorKey, -1);
  s.SetSize(4, 3, 32);
  EXPECT_FALSE(s.IsEmpty());
  s.Clear();
  EXPECT_TRUE(s.IsEmpty());
  EXPECT_EQ(s.BitCount(), 32);
}

TEST(DibxFormat, SizesAreValidatedAndCapped) {
  TDIBX s;
  EXPECT_THROW(s.SetSize(-1, 4, 32), KuzoError);
  EXPECT_THROW(s.SetSize(4, -1, 32), KuzoError);
  EXPECT_THROW(s.SetSize(INT_MAX, INT_MAX, 32), KuzoError);
  EXPECT_THROW(s.SetSize(kMaxSurfaceSide, kMaxSurfaceSide, 32), KuzoError);  // 4 GiB of pixels
  EXPECT_NO_THROW(s.SetSize(0, 0, 32));
  EXPECT_TRUE(s.IsEmpty());
  // A refused size leaves the previous surface intact and drawable.
  s.SetSize(3, 2, 32);
  EXPECT_THROW(s.SetSize(30000, 30000, 32), KuzoError);
  EXPECT_EQ(s.Width(), 3);
  EXPECT_EQ(s.Height(), 2);
  s.FillRect(TRect{0, 0, 30000, 30000}, 7);
  EXPECT_EQ(s.GetPixel(2, 1), 7u);
  // An unknown bit count gets 8-8-8 colour.
  s.SetSize(2, 2, 7);
  EXPECT_EQ(s.BitCount(), 32);
}

// Storage starts on a cache line, also after resizing and moving, so rows of a 1920-pixel layer
// start where whole-vector stores do not straddle two lines.
TEST(DibxFormat, StorageStartsOnACacheLine) {
  for (int bits : {8, 16, 24, 32}) {
    for (int width : {1, 17, 1920}) {
      TDIBX s(width, 3, bits);
      EXPECT_EQ(reinterpret_cast<uintptr_t>(s.Bits()) % 64, 0u) << bits << " bits, width " << width;
      s.SetSize(width + 5, 2, bits);
      TDIBX moved(std::move(s));
      EXPECT_EQ(reinterpret_cast<uintptr_t>(moved.Bits()) % 64, 0u) << bits << " bits, width " << width;
    }
  }
  const TDIBX layer(1920, 4, 32);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(layer.Lock(0, 3)) % 64, 0u);
}

TEST(DibxPixels, AccessOutsideTheSurfaceIsHarmless) {
  TDIBX s(2, 2, 32);
  s.SetPixel(-1, 0, 5);
  s.SetPixel(2, 0, 5);
  s.SetPixel(0, 2, 5);
  EXPECT_EQ(Pixels(s), (std::vector<uint32_t>{0, 0, 0, 0}));
  EXPECT_EQ(s.GetPixel(5, 5), 0u);
  EXPECT_EQ(s.Lock(2, 0), nullptr);
}

TEST(DibxPixels, OneAndFourBitStorage) {
  TDIBX one(10, 1, 1), four(3, 1, 4);
  one.SetPixel(0, 0, 1);
  one.SetPixel(9, 0, 1);
  EXPECT_EQ(*one.Lock(0, 0), 0x80);  // bit 7 is the leftmost pixel
  EXPECT_EQ(one.GetPixel(9, 0), 1u);
  EXPECT_EQ(one.GetPixel(8, 0), 0u);
  four.SetPixel(0, 0, 0xA);
  four.SetPixel(1, 0, 0x3);
  EXPECT_EQ(*four.Lock(0, 0), 0xA3);  // high nibble is the left pixel
  four.Fill(5);
  EXPECT_EQ(*four.Lock(0, 0), 0x55);
  one.Fill(7);
  EXPECT_EQ(*one.Lock(8, 0), 0xFF);
}

TEST(DibxColour, ColorToPixelPerFormat) {
  EXPECT_EQ(TDIBX(1, 1, 16).ColorToPixel(64 | 128 << 8 | 255 << 16), 0x441F);
  EXPECT_EQ(TDIBX(1, 1, 15).ColorToPixel(0xFFFFFF), 0x7FFF);
  EXPECT_EQ(TDIBX(1, 1, 15).ColorToPixel(0x0000F8), 0x7C00);  // red is bits 0-7 of the colour
  EXPECT_EQ(TDIBX(1, 1, 32).ColorToPixel(0x112233), 0x332211);
  EXPECT_EQ(TDIBX(1, 1, 24).ColorToPixel(0x0000FF), 0xFF0000);
  EXPECT_EQ(TDIBX(1, 1, 8).ColorToPixel(77), 77);
  EXPECT_EQ(TDIBX(1, 1, 32).ColorToPixel(-5), -1);
}

TEST(DibxColour, SetBitCountConvertsPixels) {
  TDIBX s(2, 1, 16);
  s.SetPixel(0, 0, 0xFFFF);
  s.SetPixel(1, 0, 0xF800);
  s.SetBitCount(32);
  EXPECT_EQ(s.BitCount(), 32);
  EXPECT_EQ(s.GetPixel(0, 0), 0xFFFFFFu & 0xFFFFFF);
  EXPECT_EQ(s.GetPixel(1, 0), 0xFF0000u);
  s.SetBitCount(15);
  EXPECT_EQ(s.GetPixel(1, 0), 0x7C00u);

  TDIBX p(1, 1, 8);
  TPalette pal{};
  pal[3] = TRGBQuad{0x10, 0x20, 0x30, 0};
  p.SetPalette(pal);
  p.SetPixel(0, 0, 3);
  p.SetBitCount(24);
  EXPECT_EQ(p.GetPixel(0, 0), 0x302010u);
}

TEST(DibxColour, PaletteRangesAreBounded) {
  TDIBX s(1, 1, 8);
  TRGBQuad quads[4] = {{1, 2, 3, 0}, {4, 5, 6, 0}, {7, 8, 9, 0}, {10, 11, 12, 0}};
  s.SetPaletteRange(quads, 254, 4);  // only two entries fit
  TRGBQuad out[2];
  s.GetPaletteRange(out, 254, 2);
  EXPECT_EQ(out[0], quads[0]);
  EXPECT_EQ(out[1], quads[1]);
  s.SetPaletteRange(quads, -1, 4);
  s.SetPaletteRange(quads, 256, 1);
  TPalette all;
  s.GetPalette(all);
  EXPECT_EQ(all[0], TRGBQuad{});
}

TEST(DibxClip, AddClipLimitsAndGrows) {
  TDIBX s(10, 10, 8);
  EXPECT_EQ(s.GetClip(), (TRect{0, 0, 10, 10}));
  s.AddClip(TRect{20, 20, 30, 30});  // entirely outside: ignored
  EXPECT_FALSE(s.ClipIsSet());
  s.AddClip(TRect{-5, 2, 3, 4});
  EXPECT_EQ(s.GetClip(), (TRect{0, 2, 3, 4}));
  s.AddClip(TRect{6, 7, 8, 12});
  EXPECT_EQ(s.GetClip(), (TRect{0, 2, 8, 10}));
  s.ResetClip();
  EXPECT_EQ(s.GetClip(), s.BoundsRect());
}

TEST(DibxClip, SetClipIsBoundedAndAnEmptyClipDrawsNothing) {
  TDIBX s(4, 4, 8);
  s.SetClip(TRect{-10, -10, 100, 2});
  EXPECT_EQ(s.GetClip(), (TRect{0, 0, 4, 2}));
  s.FillRect(TRect{0, 0, 4, 4}, 9);
  EXPECT_EQ(s.GetPixel(3, 1), 9u);
  EXPECT_EQ(s.GetPixel(3, 2), 0u);
  s.SetClip(TRect{0, 0, 0, 0});
  s.FillRect(TRect{0, 0, 4, 4}, 1);
  TDIBX src = Indexed(1, 1, {3});
  s.Draw(0, 0, false, false, false, src.BoundsRect(), src);
  EXPECT_EQ(s.GetPixel(0, 0), 9u);
  EXPECT_EQ(s.GetPixel(0, 3), 0u);
}

TEST(DibxFill, FastFillIgnoresClipAndWideFormatsHonourIt) {
  TDIBX s16(3, 1, 16), s32(3, 1, 32);
  s16.SetClip(TRect{0, 0, 1, 1});
  s32.SetClip(TRect{0, 0, 1, 1});
  s16.Fill(0x1234);
  s32.Fill(0x00ABCDEF);
  EXPECT_EQ(Pixels(s16), (std::vector<uint32_t>{0x1234, 0x1234, 0x1234}));
  EXPECT_EQ(Pixels(s32), (std::vector<uint32_t>{0xABCDEF, 0, 0}));
}

TEST(DibxFill, FillRect24WritesLowThreeBytes) {
  TDIBX s(2, 1, 24);
  s.FillRect(TRect{1, 0, 2, 1}, 0xAA112233);
  EXPECT_EQ(s.GetPixel(0, 0), 0u);
  EXPECT_EQ(s.GetPixel(1, 0), 0x112233u);
  EXPECT_EQ(s.Lock(1, 0)[0], 0x33);  // low byte first
}

TEST(DibxFill, FillRectAlphaEdgeCases) {
  TDIBX s(2, 1, 15);
  s.SetPixel(0, 0, 0x7FFF);
  s.SetPixel(1, 0, 0x7FFF);
  s.FillRectAlpha(TRect{0, 0, 1, 1}, 0x0000, 255);  // channel 31 towards 0 at 255 gives 0
  s.FillRectAlpha(TRect{1, 0, 2, 1}, 0x7FFF, 255);  // equal to the colour: left alone
  EXPECT_EQ(s.GetPixel(0, 0), 0u);
  EXPECT_EQ(s.GetPixel(1, 0), 0x7FFFu);
  s.FillRectAlpha(s.BoundsRect(), 0x1234, 0);
  EXPECT_EQ(s.GetPixel(0, 0), 0u);
}

TEST(DibxFrame, BandsAndThinRectangles) {
  TDIBX s(6, 6, 8);
  s.FrameRect(TRect{0, 0, 6, 6}, 1, 1);
  EXPECT_EQ(Pixels(s), (std::vector<uint32_t>{1, 1, 1, 1, 1, 1,  //
                                             1, 0, 0, 0, 0, 1,  //
                                             1, 0, 0, 0, 0, 1,  //
                                             1, 0, 0, 0, 0, 1,  //
                                             1, 0, 0, 0, 0, 1,  //
                                             1, 1, 1, 1, 1, 1}));
  // Thickness 3 on a rectangle five rows high: the two bands overlap, no side bands.
  TDIBX t(4, 5, 8);
  t.FrameRectAdd(TRect{1, 0, 3, 5}, 3, 10);
  EXPECT_EQ(Pixels(t), (std::vector<uint32_t>{0, 10, 10, 0,  //
                                             0, 10, 10, 0,  //
                                             0, 20, 20, 0,  //
                                             0, 10, 10, 0,  //
                                             0, 10, 10, 0}));
  TDIBX u(2, 2, 8);
  u.FrameRect(TRect{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, INT_MAX, 4);  // no overflow
  EXPECT_EQ(u.GetPixel(1, 1), 4u);
  u.FrameRectAlpha(u.BoundsRect(), 1, 0, 0);
  EXPECT_EQ(u.GetPixel(0, 0), 4u);
}

TEST(DibxDraw, FlipsMirrorTheSourceRectangle) {
  const TDIBX src = Indexed(3, 2, {1, 2, 3, 4, 5, 6});
  TDIBX d(3, 2, 8);
  d.Draw(0, 0, false, true, false, src.BoundsRect(), src);
  EXPECT_EQ(Pixels(d), (std::vector<uint32_t>{3, 2, 1, 6, 5, 4}));
  d.Draw(0, 0, true, false, false, src.BoundsRect(), src);
  EXPECT_EQ(Pixels(d), (std::vector<uint32_t>{4, 5, 6, 1, 2, 3}));
  d.Draw(0, 0, true, true, false, src.BoundsRect(), src);
  EXPECT_EQ(Pixels(d), (std::vector<uint32_t>{6, 5, 4, 3, 2, 1}));
}

TEST(DibxDraw, MasksAreMirroredWithTheSource) {
  // Source and mask share coordinates: a mirrored draw takes each pixel's own mask value.
  const TDIBX mask = Indexed(3, 2, {255, 0, 255, 0, 255, 0});
  for (int bits : {8, 16, 32}) {
    TDIBX src(3, 2, bits), d(3, 2, bits);
    for (int i = 0; i < 6; ++i) src.SetPixel(i % 3, i / 3, static_cast<uint32_t>(i + 1));
    d.DrawMask(0, 0, mask, true, true, src.BoundsRect(), src);
    EXPECT_EQ(Pixels(d), (std::vector<uint32_t>{0, 5, 0, 3, 0, 1})) << bits;
    TDIBX c(3, 2, bits);
    c.DrawColorMask(0, 0, 255, 9, true, false, mask.BoundsRect(), mask);  // rows swap
    // Coverage 255 at full alpha weighs 255: 9 * 255 >> 8 = 8 in every format's blue channel.
    EXPECT_EQ(Pixels(c), (std::vector<uint32_t>{0, 8, 0, 8, 0, 8})) << bits;
  }
}

TEST(DibxDraw, NegativeXWithFlipShowsTheLeftPartMirrored) {
  const TDIBX src = Indexed(5, 1, {1, 2, 3, 4, 5});
  TDIBX d(5, 1, 8);
  d.Draw(-2, 0, false, true, false, src.BoundsRect(), src);
  EXPECT_EQ(Pixels(d), (std::vector<uint32_t>{3, 2, 1, 0, 0}));
  TDIBX e(5, 1, 8);
  e.Draw(3, 0, false, true, false, src.BoundsRect(), src);  // right edge clipped
  EXPECT_EQ(Pixels(e), (std::vector<uint32_t>{0, 0, 0, 5, 4}));
}

TEST(DibxDraw, SourceAndMaskRectanglesAreLimitedToTheirSurfaces) {
  const TDIBX src = Indexed(2, 2, {1, 2, 3, 4});
  TDIBX d(4, 4, 8);
  // A source rectangle reaching outside the source draws only the pixels that exist, in place.
  d.Draw(1, 1, false, false, false, TRect{-1, -1, 5, 5}, src);
  EXPECT_EQ(Pixels(d), (std::vector<uint32_t>{0, 0, 0, 0,  //
                                             0, 0, 0, 0,  //
                                             0, 0, 1, 2,  //
                                             0, 0, 3, 4}));
  // A mask smaller than the source limits the draw.
  TDIBX m(1, 1, 8), d2(2, 2, 8);
  m.SetPixel(0, 0, 255);
  d2.DrawMask(0, 0, m, false, false, src.BoundsRect(), src);
  EXPECT_EQ(Pixels(d2), (std::vector<uint32_t>{1, 0, 0, 0}));
  TDIBX d3(2, 2, 8);
  d3.Draw(INT_MAX, INT_MIN, true, true, false, TRect{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, src);
  EXPECT_EQ(Pixels(d3), (std::vector<uint32_t>{0, 0, 0, 0}));
}

TEST(DibxDraw, MismatchedFormatsAndMasksDrawNothing) {
  TDIBX src(2, 1, 16), d(2, 1, 32), wideMask(2, 1, 32), d16(2, 1, 16);
  src.Fill(0xFFFF);
  d.Draw(0, 0, false, false, false, src.BoundsRect(), src);
  EXPECT_EQ(d.GetPixel(0, 0), 0u);
  wideMask.Fill(255);
  d16.DrawMask(0, 0, wideMask, false, false, src.BoundsRect(), src);
  EXPECT_EQ(d16.GetPixel(0, 0), 0u);
}

TEST(DibxDraw, DrawingASurfaceOntoItselfReadsTheOriginalPixels) {
  TDIBX s = Indexed(4, 1, {1, 2, 3, 4});
  s.Draw(1, 0, false, false, false, TRect{0, 0, 3, 1}, s);
  EXPECT_EQ(Pixels(s), (std::vector<uint32_t>{1, 1, 2, 3}));
  TDIBX t = Indexed(4, 1, {10, 20, 30, 40});
  t.DrawAdd(1, 0, 255, false, false, false, TRect{0, 0, 3, 1}, t);
  EXPECT_EQ(Pixels(t), (std::vector<uint32_t>{10, 30, 50, 70}));
}

TEST(DibxKey, MinusOneMeansNoKey) {
  // With trans set and no key, white pixels of narrow formats are drawn, not dropped.
  TDIBX src8 = Indexed(1, 1, {255}), d8(1, 1, 8);
  src8.ColorKey = -1;
  d8.Draw(0, 0, false, false, true, src8.BoundsRect(), src8);
  EXPECT_EQ(d8.GetPixel(0, 0), 255u);
  TDIBX src16(1, 1, 16), d16(1, 1, 16);
  src16.Fill(0xFFFF);
  d16.Draw(0, 0, false, false, true, src16.BoundsRect(), src16);
  d16.DrawAlpha(0, 0, 1, false, false, true, src16.BoundsRect(), src16);
  EXPECT_EQ(d16.GetPixel(0, 0), 0xFFFFu);
}

TEST(DibxKey, KeyComparesAtThePixelWidth) {
  TDIBX src(2, 1, 16), d(2, 1, 16);
  src.SetPixel(0, 0, 0x1234);
  src.SetPixel(1, 0, 0x5678);
  src.ColorKey = 0x7FFF1234;  // only the low 16 bits count
  d.Draw(0, 0, false, false, true, src.BoundsRect(), src);
  EXPECT_EQ(Pixels(d), (std::vector<uint32_t>{0, 0x5678}));
  // Without trans the key is not applied by Draw, but DrawAdd always applies it.
  d.Draw(0, 0, false, false, false, src.BoundsRect(), src);
  EXPECT_EQ(d.GetPixel(0, 0), 0x1234u);
  TDIBX e(2, 1, 16);
  e.DrawAdd(0, 0, 255, false, false, false, src.BoundsRect(), src);
  EXPECT_EQ(e.GetPixel(0, 0), 0u);
}

TEST(DibxKey, DrawAlphaTestsTheKeyWithoutTransExceptOn32Bits) {
  TDIBX s24(1, 1, 24), d24(1, 1, 24), s32(1, 1, 32), d32(1, 1, 32);
  s24.Fill(0x808080);
  s24.ColorKey = 0x808080;
  d24.DrawAlpha(0, 0, 128, false, false, false, s24.BoundsRect(), s24);
  EXPECT_EQ(d24.GetPixel(0, 0), 0u);
  s32.Fill(0x808080);
  s32.ColorKey = 0x808080;
  d32.DrawAlpha(0, 0, 128, false, false, false, s32.BoundsRect(), s32);
  EXPECT_EQ(d32.GetPixel(0, 0), 0x404040u);
}

TEST(DibxBlend, SpecificValues) {
  TDIBX src(1, 1, 32), d(1, 1, 32);
  src.Fill(0xFFFFFF);
  d.DrawAlpha(0, 0, 255, false, false, false, src.BoundsRect(), src);
  EXPECT_EQ(d.GetPixel(0, 0), 0xFEFEFEu);  // 255 * 255 div 256 = 254
  TDIBX black(1, 1, 32), white(1, 1, 32);
  white.Fill(0xFFFFFF);
  black.DrawAdd(0, 0, 128, false, false, false, src.BoundsRect(), src);
  white.DrawAdd(0, 0, 255, false, false, false, src.BoundsRect(), src);
  EXPECT_EQ(black.GetPixel(0, 0), 0x7F7F7Fu);
  EXPECT_EQ(white.GetPixel(0, 0), 0xFFFFFFu);
  // Weights above 255 act as 255 and never wrap.
  TDIBX e(1, 1, 32);
  e.DrawAlpha(0, 0, 9999, false, false, false, src.BoundsRect(), src);
  EXPECT_EQ(e.GetPixel(0, 0), 0xFEFEFEu);
  e.DrawAlpha(0, 0, -3, false, false, false, src.BoundsRect(), black);
  EXPECT_EQ(e.GetPixel(0, 0), 0xFEFEFEu);
}

TEST(DibxOpacity, ValuesMapToTheDrawOperations) {
  TDIBX src(1, 1, 32);
  src.Fill(0x804020);
  auto run = [&](int opacity, const TCustomDIBX* mask) {
    TDIBX d(1, 1, 32);
    d.Fill(0x101010);
    d.DrawOpacity(0, 0, opacity, mask, false, false, src.BoundsRect(), src);
    return d.GetPixel(0, 0);
  };
  EXPECT_EQ(run(0, nullptr), 0x101010u);
  EXPECT_EQ(run(128, nullptr), 0x472717u);  // (16*127 + s*128) >> 8 per channel
  EXPECT_EQ(run(255, nullptr), 0x804020u);
  EXPECT_EQ(run(256, nullptr), 0x101010u);  // add with strength 0 draws nothing
  EXPECT_EQ(run(511, nullptr), 0x8F4F2Fu);  // d + s*255 >> 8
  EXPECT_EQ(run(9999, nullptr), 0x8F4F2Fu);
  TDIBX mask(1, 1, 8);
  mask.Fill(128);
  EXPECT_EQ(run(255, &mask), 0x472717u);
  EXPECT_EQ(run(200, &mask), 0x3B2216u);  // e = 128*200 >> 8 = 100
  mask.Fill(0);
  EXPECT_EQ(run(400, &mask), 0x101010u);
  // Without a mask the source's key applies.
  src.ColorKey = 0x804020;
  EXPECT_EQ(run(255, nullptr), 0x101010u);
  EXPECT_EQ(run(100, nullptr), 0x101010u);
}

TEST(DibxAssign, CopiesStorageOrDrawsAtTheOrigin) {
  TDIBX a(3, 2, 24), b(3, 2, 24), small(2, 1, 24);
  a.FillRect(a.BoundsRect(), 0x123456);
  b.Assign(a);
  EXPECT_EQ(Pixels(b), Pixels(a));
  small.Assign(a);  // different size: drawn at (0, 0) and clipped, not resized
  EXPECT_EQ(small.Width(), 2);
  EXPECT_EQ(small.GetPixel(1, 0), 0x123456u);
}

// A surface kind without pixel memory: every draw on it or from it draws nothing.
class NoMemorySurface : public TCustomDIBX {
 public:
  NoMemorySurface() { SetSize(4, 4, 32); }
  int BitCount() const override { return 32; }
};

TEST(DibxLock, NoAddressMeansNothingIsDrawn) {
  NoMemorySurface none;
  TDIBX d(4, 4, 32), src(4, 4, 32);
  src.Fill(0xFFFFFF);
  none.Draw(0, 0, false, false, false, src.BoundsRect(), src);
  none.FillRect(none.BoundsRect(), 1);
  d.DrawAlpha(0, 0, 100, false, false, false, none.BoundsRect(), none);
  EXPECT_EQ(d.GetPixel(0, 0), 0u);
  EXPECT_EQ(none.GetPixel(0, 0), 0u);
}

}  // namespace
}  // namespace kuzo
