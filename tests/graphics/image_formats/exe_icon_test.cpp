// The window icon from an executable: the first icon group, its best bitmap picture, and the
// decoding of bitmaps of every depth with their masks; damaged resources fail cleanly.
#include "graphics/image_formats/exe_icon.h"

#include <gtest/gtest.h>

#include "core/byte_reader.h"
#include "core/errors.h"
#include "tests/data/archive_bytes.h"
#include "tests/data/pe_bytes.h"

namespace kuzo {
namespace {

using testing::BuildPeResources;
using testing::PeKey;
using testing::ScratchDir;

// An icon bitmap: `pixels` top row first (palette indices up to 8 bits, else 0xAARRGGBB), `mask`
// top row first (true = transparent), `palette` as 0x00RRGGBB.
std::string Dib(int w, int h, int bits, const std::vector<uint32_t>& pixels, const std::vector<bool>& mask,
                const std::vector<uint32_t>& palette = {}, bool withMask = true) {
  ByteWriter out;
  out.U32(40);
  out.U32(static_cast<uint32_t>(w));
  out.U32(static_cast<uint32_t>(h * 2));
  out.U16(1);
  out.U16(static_cast<uint16_t>(bits));
  out.U32(0);
  out.Bytes(std::string(12, '\0'));
  out.U32(static_cast<uint32_t>(palette.size()));
  out.U32(0);
  for (uint32_t c : palette) out.U32(c);
  const size_t stride = (static_cast<size_t>(w) * bits + 31) / 32 * 4;
  for (int y = h - 1; y >= 0; --y) {
    std::string row(stride, '\0');
    for (int x = 0; x < w; ++x) {
      const uint32_t v = pixels[static_cast<size_t>(y * w + x)];
      if (bits <= 8) {
        const size_t bit = static_cast<size_t>(x) * bits;
        row[bit / 8] = static_cast<char>(row[bit / 8] | (v << (8 - bits - bit % 8)));
      } else {
        for (int k = 0; k < bits / 8; ++k) row[static_cast<size_t>(x) * (bits / 8) + k] = static_cast<char>(v >> (8 * k));
      }
    }
    out.Bytes(row);
  }
  if (withMask) {
    const size_t maskStride = (static_cast<size_t>(w) + 31) / 32 * 4;
    for (int y = h - 1; y >= 0; --y) {
      std::string row(maskStride, '\0');
      for (int x = 0; x < w; ++x) {
        if (mask[static_cast<size_t>(y * w + x)]) row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
      }
      out.Bytes(row);
    }
  }
  return out.Take();
}

struct GroupItem {
  int w, h, bits;
  uint16_t id;
};

std::string Group(const std::vector<GroupItem>& items) {
  ByteWriter out;
  out.U16(0);
  out.U16(1);
  out.U16(static_cast<uint16_t>(items.size()));
  for (const auto& i : items) {
    out.U8(static_cast<uint8_t>(i.w == 256 ? 0 : i.w));
    out.U8(static_cast<uint8_t>(i.h == 256 ? 0 : i.h));
    out.U8(0);
    out.U8(0);
    out.U16(1);
    out.U16(static_cast<uint16_t>(i.bits));
    out.U32(0);
    out.U16(i.id);
  }
  return out.Take();
}

uint32_t Pixel(const IconImage& image, int x, int y) {
  const uint8_t* p = &image.rgba[(static_cast<size_t>(y) * image.width + x) * 4];
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];  // 0xRRGGBBAA
}

TEST(PeIconTest, EightBitPictureUsesItsPaletteRowsBottomUpAndTheMask) {
  // 3 x 2: top row indices 0 1 2, bottom row 2 1 0; the top-left pixel is masked out.
  const std::string dib = Dib(3, 2, 8, {0, 1, 2, 2, 1, 0}, {true, false, false, false, false, false},
                              {0x00FF0000, 0x0000FF00, 0x000000FF});
  const IconImage image = DecodeIconBitmap(dib, "t");
  ASSERT_EQ(image.width, 3);
  ASSERT_EQ(image.height, 2);
  EXPECT_EQ(Pixel(image, 0, 0), 0xFF000000u);  // red, transparent
  EXPECT_EQ(Pixel(image, 1, 0), 0x00FF00FFu);
  EXPECT_EQ(Pixel(image, 2, 0), 0x0000FFFFu);
  EXPECT_EQ(Pixel(image, 0, 1), 0x0000FFFFu);
  EXPECT_EQ(Pixel(image, 2, 1), 0xFF0000FFu);
}

TEST(PeIconTest, OneAndFourBitPicturesReadTheHighBitsFirst) {
  const std::vector<bool> opaque(9 * 1, false);
  const IconImage one = DecodeIconBitmap(Dib(9, 1, 1, {1, 0, 0, 0, 0, 0, 0, 1, 1}, opaque, {0x000000, 0xFFFFFF}), "t");
  EXPECT_EQ(Pixel(one, 0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(Pixel(one, 1, 0), 0x000000FFu);
  EXPECT_EQ(Pixel(one, 7, 0), 0xFFFFFFFFu);
  EXPECT_EQ(Pixel(one, 8, 0), 0xFFFFFFFFu);  // the ninth pixel starts the second byte
  std::vector<uint32_t> palette(16);
  for (uint32_t i = 0; i < 16; ++i) palette[i] = i * 0x111111;
  const IconImage four = DecodeIconBitmap(Dib(3, 1, 4, {15, 1, 8}, {false, false, false}, palette), "t");
  EXPECT_EQ(Pixel(four, 0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(Pixel(four, 1, 0), 0x111111FFu);
  EXPECT_EQ(Pixel(four, 2, 0), 0x888888FFu);
}

TEST(PeIconTest, TwentyFourBitRowsArePaddedToFourBytes) {
  // Width 3: 9 colour bytes per row, padded to 12.
  const IconImage image =
      DecodeIconBitmap(Dib(3, 2, 24, {0x102030, 0x405060, 0x708090, 0xA0B0C0, 0xD0E0F0, 0x010203},
                           {false, false, false, false, false, true}),
                       "t");
  EXPECT_EQ(Pixel(image, 0, 0), 0x102030FFu);
  EXPECT_EQ(Pixel(image, 2, 0), 0x708090FFu);
  EXPECT_EQ(Pixel(image, 0, 1), 0xA0B0C0FFu);
  EXPECT_EQ(Pixel(image, 2, 1), 0x01020300u);
}

TEST(PeIconTest, ThirtyTwoBitPicturesKeepTheirAlphaUnlessItIsAllZero) {
  const IconImage alpha = DecodeIconBitmap(Dib(2, 1, 32, {0x80112233, 0x00445566}, {true, true}), "t");
  EXPECT_EQ(Pixel(alpha, 0, 0), 0x11223380u);  // own alpha wins over the mask
  EXPECT_EQ(Pixel(alpha, 1, 0), 0x44556600u);
  const IconImage noAlpha = DecodeIconBitmap(Dib(2, 1, 32, {0x00112233, 0x00445566}, {false, true}), "t");
  EXPECT_EQ(Pixel(noAlpha, 0, 0), 0x112233FFu);
  EXPECT_EQ(Pixel(noAlpha, 1, 0), 0x44556600u);
  // A 32-bit picture may leave its mask out.
  const IconImage noMask = DecodeIconBitmap(Dib(2, 1, 32, {0x00112233, 0x00445566}, {}, {}, false), "t");
  EXPECT_EQ(Pixel(noMask, 1, 0), 0x445566FFu);
}

TEST(PeIconTest, MalformedBitmapsAreFormatErrors) {
  const std::string good = Dib(4, 4, 8, std::vector<uint32_t>(16, 1), std::vector<bool>(16, false), {0, 0xFFFFFF});
  EXPECT_NO_THROW(DecodeIconBitmap(good, "t"));
  for (size_t cut = 0; cut < good.size(); ++cut) EXPECT_THROW(DecodeIconBitmap(good.substr(0, cut), "t"), FormatError) << cut;
  auto patched = [&](size_t at, uint32_t value) {
    std::string bad = good;
    for (int k = 0; k < 4; ++k) bad[at + k] = static_cast<char>(value >> (8 * k));
    return bad;
  };
  EXPECT_THROW(DecodeIconBitmap(patched(0, 12), "t"), FormatError);           // an old-style core header
  EXPECT_THROW(DecodeIconBitmap(patched(4, 0), "t"), FormatError);            // no width
  EXPECT_THROW(DecodeIconBitmap(patched(4, 100000), "t"), FormatError);       // absurd width
  EXPECT_THROW(DecodeIconBitmap(patched(8, 7), "t"), FormatError);            // odd doubled height
  EXPECT_THROW(DecodeIconBitmap(patched(8, 0xFFFFFFF8u), "t"), FormatError);  // negative height
  EXPECT_THROW(DecodeIconBitmap(patched(16, 1), "t"), FormatError);           // run-length compressed
  EXPECT_THROW(DecodeIconBitmap(patched(32, 300), "t"), FormatError);         // more colours than 8 bits hold
  // Two palette colours, but a pixel uses index 2.
  const std::string beyond = Dib(2, 1, 8, {0, 2}, {false, false}, {0, 0xFFFFFF});
  EXPECT_THROW(DecodeIconBitmap(beyond, "t"), FormatError);
  std::string sixteen = good;
  sixteen[14] = 16;
  EXPECT_THROW(DecodeIconBitmap(sixteen, "t"), FormatError);
}

TEST(PeIconTest, FirstGroupGivesItsLargestBitmapPicture) {
  ScratchDir dir;
  const std::string small = Dib(1, 1, 8, {0}, {false}, {0x00FF0000});
  std::vector<uint32_t> blue(32 * 32, 0xFF0000FF);
  const std::string big = Dib(32, 32, 32, blue, std::vector<bool>(32 * 32, false));
  const std::string png = std::string("\x89PNG\r\n\x1a\n", 8) + "not decoded";
  const std::string other = Dib(48, 48, 24, std::vector<uint32_t>(48 * 48, 0x00FF00), std::vector<bool>(48 * 48, false));
  const auto exe = dir.Write("title.exe", BuildPeResources({
                                                {PeKey{14, ""}, PeKey{0, "MAINICON"}, Group({{16, 16, 8, 1}, {32, 32, 32, 2}, {256, 256, 32, 3}})},
                                                {PeKey{14, ""}, PeKey{200, ""}, Group({{48, 48, 24, 4}})},
                                                {PeKey{3, ""}, PeKey{1, ""}, small},
                                                {PeKey{3, ""}, PeKey{2, ""}, big},
                                                {PeKey{3, ""}, PeKey{3, ""}, png},
                                                {PeKey{3, ""}, PeKey{4, ""}, other},
                                            }));
  auto icon = FindFirstIcon(exe);
  ASSERT_TRUE(icon);
  // The 256-pixel picture is PNG and passed over; the second group's 48-pixel one is not looked at.
  EXPECT_EQ(icon->width, 32);
  EXPECT_EQ(icon->height, 32);
  EXPECT_EQ(Pixel(*icon, 5, 7), 0x0000FFFFu);
}

TEST(PeIconTest, NoIconIsNoErrorAndDamagedResourcesFailCleanly) {
  ScratchDir dir;
  EXPECT_FALSE(FindFirstIcon(dir.Write("elf", "\x7f" "ELF not a PE image")));
  EXPECT_FALSE(FindFirstIcon(dir.path() / "absent.exe"));
  EXPECT_FALSE(FindFirstIcon(dir.Write("noicon.exe", testing::BuildPe("BINTYPE", "DUMMY", "payload vf"))));
  auto tiny = FindFirstIcon(dir.Write("tiny.exe", testing::IconPe()));
  ASSERT_TRUE(tiny);
  // Rows are stored bottom-up: the first stored row and the first mask row are the bottom ones.
  EXPECT_EQ(Pixel(*tiny, 0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(Pixel(*tiny, 1, 0), 0x000000FFu);
  EXPECT_EQ(Pixel(*tiny, 0, 1), 0x00000000u);
  EXPECT_EQ(Pixel(*tiny, 1, 1), 0xFFFFFFFFu);
  // A group that lists a picture the executable lacks gives no icon.
  EXPECT_FALSE(FindFirstIcon(dir.Write("lost.exe", BuildPeResources({{PeKey{14, ""}, PeKey{1, ""}, Group({{16, 16, 8, 9}})}}))));
  const std::string good = BuildPeResources({{PeKey{14, ""}, PeKey{1, ""}, Group({{2, 2, 8, 1}})},
                                             {PeKey{3, ""}, PeKey{1, ""}, Dib(2, 2, 8, {0, 1, 1, 0}, {false, false, false, true}, {0, 0xFFFFFF})}});
  ASSERT_TRUE(FindFirstIcon(dir.Write("good.exe", good)));
  // Every byte flipped in turn: an icon, no icon, or a format error; never a crash.
  for (size_t i = 0; i < good.size(); ++i) {
    std::string bad = good;
    bad[i] = static_cast<char>(bad[i] ^ 0xA5);
    try {
      FindFirstIcon(dir.Write("flip.exe", bad));
    } catch (const FormatError&) {
    }
  }
}

}  // namespace
}  // namespace kuzo
