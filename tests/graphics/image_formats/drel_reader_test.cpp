// Hand-built Drel files decoded to pixels worked out by hand: versions, layers and their compositing,
// keys, masks, palettes, row and block shuffling, the three block forms, and malformed files.
#include <gtest/gtest.h>

#include <span>

#include "core/errors.h"
#include "data/random.h"
#include "data/zlib_codec.h"
#include "graphics/image_formats/drel_format.h"
#include "graphics/image_formats/image_file.h"
#include "tests/graphics/image_formats/drel_builder.h"

namespace kuzo {
namespace {

using testing::Bgr;
using testing::BuildDrel;
using testing::Bytes;
using testing::DrelFileSpec;
using testing::DrelFrameSpec;
using testing::DrelLayerSpec;
using testing::PadRows;

std::span<const uint8_t> Span(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

TDrelFrameList Load(const DrelFileSpec& spec, int32_t key = 0, bool firstOnly = false) {
  TDrelFrameList list(key);
  const std::string bytes = BuildDrel(spec);
  LoadDrelImage(list, Span(bytes), "test.drl", firstOnly);
  return list;
}

DrelFrameSpec Frame24(int w, int h, std::vector<DrelLayerSpec> layers) {
  DrelFrameSpec f;
  f.width = w, f.height = h, f.bits = 24;
  f.layers = std::move(layers);
  return f;
}

DrelLayerSpec Layer(std::string colour, int32_t key = -1, int32_t opacity = 255) {
  DrelLayerSpec l;
  l.colour = std::move(colour), l.key = key, l.opacity = opacity;
  return l;
}

// ---- versions -------------------------------------------------------------------------------------

class DrelVersionTest : public ::testing::TestWithParam<int> {};

TEST_P(DrelVersionTest, RowsAreReadTopRowFirst) {
  const int version = GetParam();
  const std::string rows = PadRows({Bgr({0x112233, 0x445566}), Bgr({0x778899, 0xAABBCC})});
  DrelFileSpec spec;
  spec.version = version;
  // Files before the 40-byte header always deflate their planes.
  spec.kind = version >= 103 ? 1 : 0;
  DrelFrameSpec frame = Frame24(2, 2, {Layer(version >= 103 ? rows : DeflateZlib(rows))});
  frame.delay = 250;
  frame.regionsA = {1, 2, 3, 4};
  spec.frames = {frame};
  const TDrelFrameList list = Load(spec);
  EXPECT_EQ(list.Version, version);
  ASSERT_EQ(list.Count(), 1);
  const TDrelFrame& f = list[0];
  EXPECT_EQ(f.DisplayTime, 250);
  EXPECT_EQ(f.Image.GetPixel(0, 0), 0x112233u);
  EXPECT_EQ(f.Image.GetPixel(1, 0), 0x445566u);
  EXPECT_EQ(f.Image.GetPixel(0, 1), 0x778899u);
  EXPECT_EQ(f.Image.GetPixel(1, 1), 0xAABBCCu);
  if (version >= 104) {
    ASSERT_EQ(f.RegionsA.size(), 1u);
    EXPECT_EQ(f.RegionsA[0], (TRect{1, 2, 3, 4}));
    EXPECT_TRUE(f.RegionsB.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(EveryLayout, DrelVersionTest, ::testing::Values(0, 99, 100, 101, 102, 103, 104, 105, 106));

TEST(DrelReaderTest, Version100MaskWithoutHasMaskByteIsReadButNotUsed) {
  DrelFileSpec spec;
  spec.version = 100;
  spec.kind = 0;
  DrelLayerSpec layer = Layer(DeflateZlib(PadRows({Bgr({5, 6})})), /*key=*/5);
  layer.mask = DeflateZlib(PadRows({Bytes({0, 255})}));
  spec.frames = {Frame24(2, 1, {layer})};
  const TDrelFrameList list = Load(spec);
  // Mask data drops the layer key (so key 5 does not hide pixel 0), and without a has-mask byte the
  // mask neither becomes the frame's mask nor weights the layer.
  EXPECT_FALSE(list[0].HasMask());
  EXPECT_EQ(list[0].Image.GetPixel(0, 0), 5u);
  EXPECT_EQ(list[0].Image.GetPixel(1, 0), 6u);
}

TEST(DrelReaderTest, ShortHeaderLeavesTheRestZero) {
  DrelFileSpec spec;
  spec.headerSize = 24;  // ends after the kind byte: no background, no blocks
  spec.background = 0x123456;
  spec.frames = {Frame24(1, 1, {})};
  const TDrelFrameList list = Load(spec);
  EXPECT_EQ(list.BackgroundColor, 0);
  EXPECT_EQ(list[0].Image.GetPixel(0, 0), 0u);
}

// ---- layer compositing ------------------------------------------------------------------------------

TEST(DrelCompositingTest, KeyedLayerSkipsKeyPixelsAndKeyMinusOneCopies) {
  DrelFileSpec spec;
  spec.frames = {Frame24(2, 1, {Layer(PadRows({Bgr({0x10, 0x20})})), Layer(PadRows({Bgr({5, 0xFF})}), 5)})};
  TDrelFrameList list = Load(spec);
  EXPECT_EQ(list[0].Image.GetPixel(0, 0), 0x10u);
  EXPECT_EQ(list[0].Image.GetPixel(1, 0), 0xFFu);

  spec.frames[0].layers[1].key = -1;
  list = Load(spec);
  EXPECT_EQ(list[0].Image.GetPixel(0, 0), 5u);
}

TEST(DrelCompositingTest, OpacityBlendDividesBy255At24Bits) {
  DrelFileSpec spec;
  // d = (200, 100, 0), s = (0, 50, 255), a = 128:
  // r = 200*127/255 = 99, g = (100*127 + 50*128)/255 = 74, b = 255*128/255 = 128.
  spec.frames = {Frame24(1, 1, {Layer(PadRows({Bgr({0xC86400})})), Layer(PadRows({Bgr({0x0032FF})}), -1, 128)})};
  EXPECT_EQ(Load(spec)[0].Image.GetPixel(0, 0), 0x634A80u);
}

TEST(DrelCompositingTest, OpacityBlendDividesBy256At32BitsAndClearsTheFourthByte) {
  DrelFileSpec spec;
  DrelFrameSpec frame;
  frame.width = 1, frame.height = 1, frame.bits = 32;
  // Same channels as at 24 bits: r = 25400/256 = 99, g = 19100/256 = 74, b = 32640/256 = 127.
  frame.layers = {Layer(Bytes({0x00, 0x64, 0xC8, 0xAA})), Layer(Bytes({0xFF, 0x32, 0x00, 0x55}), -1, 128)};
  spec.frames = {frame};
  EXPECT_EQ(Load(spec)[0].Image.GetPixel(0, 0), 0x00634A7Fu);
}

TEST(DrelCompositingTest, OpacityBlendWorksOnFiveAndSixBitChannels) {
  DrelFileSpec spec;
  DrelFrameSpec frame;
  frame.width = 1, frame.height = 1, frame.bits = 16;
  // d = (31, 63, 0), s = (0, 0, 31), a = 100: r = 31*155/255 = 18, g = 63*155/255 = 38, b = 3100/255 = 12.
  frame.layers = {Layer(Bytes({0xE0, 0xFF, 0, 0})), Layer(Bytes({0x1F, 0x00, 0, 0}), -1, 100)};
  spec.frames = {frame};
  EXPECT_EQ(Load(spec)[0].Image.GetPixel(0, 0), 0x94CCu);
}

TEST(DrelCompositingTest, EightBitOpacityDithersWithTheBayerMatrix) {
  DrelFileSpec spec;
  DrelFrameSpec frame;
  frame.width = 4, frame.height = 4, frame.bits = 8;
  const std::string ones(16, '\1'), twos(16, '\2');
  frame.layers = {Layer(ones), Layer(twos, -1, 128)};
  spec.frames = {frame};
  const TDrelFrameList list = Load(spec);
  // Level 128 / 16 = 8: cells whose matrix value is 8 or less take the layer (9 of 16).
  const int expected[4][4] = {{2, 2, 2, 1}, {1, 2, 1, 2}, {2, 1, 2, 1}, {1, 2, 1, 2}};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(list[0].Image.GetPixel(x, y), static_cast<Pixel>(expected[y][x])) << x << "," << y;

  spec.frames[0].layers[1].opacity = 240;  // level 15 copies every pixel
  const TDrelFrameList all = Load(spec);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(all[0].Image.GetPixel(x, y), 2u);
}

TEST(DrelCompositingTest, FirstLayerMaskBecomesTheFrameMaskAndLaterMasksWeightTheirLayer) {
  DrelFileSpec spec;
  DrelLayerSpec base = Layer(PadRows({Bgr({0x102030, 0x405060})}));
  base.hasMask = 1;
  base.mask = PadRows({Bytes({0, 200})});
  DrelLayerSpec top = Layer(PadRows({Bgr({0xFFFFFF, 0x000000})}), /*key=*/0xFFFFFF);
  top.hasMask = 1;
  top.mask = PadRows({Bytes({255, 128})});
  spec.frames = {Frame24(2, 1, {base, top})};
  const TDrelFrameList list = Load(spec);
  const TDrelFrame& f = list[0];
  ASSERT_TRUE(f.HasMask());
  EXPECT_EQ(f.Image.Mask()->GetPixel(0, 0), 0u);
  EXPECT_EQ(f.Image.Mask()->GetPixel(1, 0), 200u);
  // Mask data clears the layer key, so the white pixel is copied at m = 255; at m = 128 each channel
  // is d*127/256: 0x40 -> 31, 0x50 -> 39, 0x60 -> 47.
  EXPECT_EQ(f.Image.GetPixel(0, 0), 0xFFFFFFu);
  EXPECT_EQ(f.Image.GetPixel(1, 0), 0x1F272Fu);
}

TEST(DrelCompositingTest, OpaqueFirstLayerCopiesTheFirstVisibleLayerWithItsKeyPixels) {
  DrelFileSpec spec;
  spec.version = 105;
  spec.opaqueFirstLayer = 1;
  spec.background = 0x0000FF;  // red as a colour value
  DrelLayerSpec hidden = Layer(PadRows({Bgr({9, 9})}));
  hidden.visible = false;
  spec.frames = {Frame24(2, 1, {hidden, Layer(PadRows({Bgr({5, 7})}), 5)})};
  TDrelFrameList list = Load(spec);
  EXPECT_EQ(list[0].Image.GetPixel(0, 0), 5u);
  EXPECT_EQ(list[0].Image.GetPixel(1, 0), 7u);

  // Before version 105 the byte is not read: the key hides pixel 0 and the background shows.
  spec.version = 104;
  list = Load(spec);
  EXPECT_EQ(list.OpaqueFirstLayer, 0);
  EXPECT_EQ(list[0].Image.GetPixel(0, 0), 0xFF0000u);
}

// ---- palettes and small bit counts -------------------------------------------------------------------

TEST(DrelPaletteTest, BackgroundTakesTheNearestEntryAndKeysConvertThroughThePalette) {
  DrelFileSpec spec;
  spec.background = 0x00FE01;  // r 1, g 254, b 0: nearest to pure green
  DrelFrameSpec frame;
  frame.width = 3, frame.height = 1, frame.bits = 4;
  frame.palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
  frame.key = 3;
  spec.frames = {frame};
  const TDrelFrameList list = Load(spec);
  const TDrelFrame& f = list[0];
  EXPECT_EQ(f.BitCount(), 4);
  for (int x = 0; x < 3; ++x) EXPECT_EQ(f.Image.GetPixel(x, 0), 2u);
  EXPECT_EQ(f.ColorKey, 3);
  EXPECT_EQ(f.ColorKeyRGB, 0xFF0000);  // palette entry 3 is blue: blue sits in bits 16-23
}

TEST(DrelPaletteTest, OneBitRowsPutBitSevenLeftmost) {
  DrelFileSpec spec;
  DrelFrameSpec frame;
  frame.width = 10, frame.height = 1, frame.bits = 1;
  frame.palette = {0x000000, 0xFFFFFF};
  frame.layers = {Layer(PadRows({Bytes({0xA0, 0x40})}))};
  spec.frames = {frame};
  const TDrelFrameList list = Load(spec);
  const int expected[10] = {1, 0, 1, 0, 0, 0, 0, 0, 0, 1};
  for (int x = 0; x < 10; ++x) EXPECT_EQ(list[0].Image.GetPixel(x, 0), static_cast<Pixel>(expected[x])) << x;
}

// ---- shuffling --------------------------------------------------------------------------------------

TEST(DrelShuffleTest, PermutationIsThePoolDrawOfTheImageKey) {
  // Seed 7: s = 7, 42, 217, 1092, 5467, 27342 drawn from shrinking lists.
  EXPECT_EQ(ShufflePermutation(7, 6), (std::vector<uint32_t>{1, 3, 2, 0, 5, 4}));
  EXPECT_EQ(ShufflePermutation(7, 3), (std::vector<uint32_t>{1, 0, 2}));
  EXPECT_EQ(ShufflePermutation(0, 4), (std::vector<uint32_t>{0, 1, 2, 3}));
}

TEST(DrelShuffleTest, PermutationMatchesTheGeneratorsPoolDraw) {
  for (uint32_t seed : {1u, 12345u, 0x89ABCDEFu, 0xFFFFFFFFu}) {
    for (int n : {1, 2, 17, 1080, 4099}) {
      TNkRandom random(seed);
      random.FillPool(n);
      std::vector<uint32_t> expected(static_cast<size_t>(n));
      for (uint32_t& v : expected) v = random.DrawFromPool();
      EXPECT_EQ(ShufflePermutation(seed, n), expected) << seed << " " << n;
    }
  }
}

TEST(DrelShuffleTest, StoredRowKGoesToRowPOfK) {
  DrelFileSpec spec;
  spec.shuffled = true;
  spec.frames = {Frame24(1, 3, {Layer(PadRows({Bgr({0xA}), Bgr({0xB}), Bgr({0xC})}))})};
  TDrelFrameList list = Load(spec, 7);
  EXPECT_EQ(list[0].Image.GetPixel(0, 0), 0xBu);
  EXPECT_EQ(list[0].Image.GetPixel(0, 1), 0xAu);
  EXPECT_EQ(list[0].Image.GetPixel(0, 2), 0xCu);
  // Key 0 leaves the rows in storage order even with the flag set.
  list = Load(spec, 0);
  EXPECT_EQ(list[0].Image.GetPixel(0, 0), 0xAu);
  // Without the flag the key does nothing.
  spec.shuffled = false;
  list = Load(spec, 7);
  EXPECT_EQ(list[0].Image.GetPixel(0, 0), 0xAu);
}

// ---- block tables -----------------------------------------------------------------------------------

// A block table entry.
std::string Entry(int32_t a, int32_t b) {
  ByteWriter w;
  w.I32(a);
  w.I32(b);
  return w.Take();
}

// 5 x 3 at 24 bits in 2 x 2 blocks: 3 columns, 2 rows; the right column is 1 pixel wide and the
// bottom row 1 pixel high. Stored blocks hold only their cut rows and columns.
std::string StoredBlock(int x0, int y0, int w, int h, uint32_t base) {
  std::string out;
  for (int y = y0; y < y0 + h; ++y)
    for (int x = x0; x < x0 + w; ++x) out += Bgr({base + static_cast<uint32_t>(y * 16 + x)});
  return out;
}

std::string AllStoredFrame(uint32_t base) {
  std::string table, pixels;
  const int xs[] = {0, 2, 4}, ws[] = {2, 2, 1}, ys[] = {0, 2}, hs[] = {2, 1};
  for (int r = 0; r < 2; ++r)
    for (int c = 0; c < 3; ++c) {
      table += Entry(kDrelBlockStored, 0);
      pixels += StoredBlock(xs[c], ys[r], ws[c], hs[r], base);
    }
  return table + pixels;
}

DrelFileSpec BlockFile(std::string frame1Data) {
  DrelFileSpec spec;
  spec.blockWidth = 2, spec.blockHeight = 2;
  spec.frames = {Frame24(5, 3, {Layer(AllStoredFrame(0))}), Frame24(5, 3, {Layer(std::move(frame1Data))})};
  return spec;
}

TEST(DrelBlockTest, StoredBlocksCopiesWithinTheImageAndFromEarlierFrames) {
  const std::string data = Entry(kDrelBlockStored, 0) + Entry(kDrelBlockSameImage, 0) + Entry(0, 0) +
                           Entry(kDrelBlockStored, 0) + Entry(kDrelBlockSameImage, 5) + Entry(0, 0) +
                           StoredBlock(0, 0, 2, 2, 0x100) + StoredBlock(0, 2, 2, 1, 0x100);
  const TDrelFrameList list = Load(BlockFile(data));
  ASSERT_EQ(list.Count(), 2);
  const TDIBSurface& f0 = list[0].Image;
  EXPECT_EQ(f0.GetPixel(4, 0), 0x04u);
  EXPECT_EQ(f0.GetPixel(3, 1), 0x13u);
  EXPECT_EQ(f0.GetPixel(4, 2), 0x24u);
  const TDIBSurface& f = list[1].Image;
  const uint32_t expected[3][5] = {
      {0x100, 0x101, 0x100, 0x101, 0x04},  // block 1 copies block 0; block 2 comes from frame 0
      {0x110, 0x111, 0x110, 0x111, 0x14},
      {0x120, 0x121, 0x000, 0x000, 0x24},  // block 4 copies block 5 before it is decoded: still 0
  };
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(f.GetPixel(x, y), expected[y][x]) << x << "," << y;
}

TEST(DrelBlockTest, ShuffledTableEntriesGoToTheirPermutedPlace) {
  // Wanted entries in visiting order; stored entry k is wanted entry P(k), P = 1 3 2 0 5 4 for key 7.
  const std::string wanted[6] = {Entry(kDrelBlockStored, 0), Entry(kDrelBlockSameImage, 0), Entry(kDrelBlockStored, 0),
                                 Entry(kDrelBlockStored, 0), Entry(kDrelBlockStored, 0),     Entry(kDrelBlockStored, 0)};
  const int p[6] = {1, 3, 2, 0, 5, 4};
  std::string table;
  for (int k = 0; k < 6; ++k) table += wanted[p[k]];
  const std::string pixels = StoredBlock(0, 0, 2, 2, 0) + StoredBlock(4, 0, 1, 2, 0) + StoredBlock(0, 2, 2, 1, 0) +
                             StoredBlock(2, 2, 2, 1, 0) + StoredBlock(4, 2, 1, 1, 0);
  DrelFileSpec spec;
  spec.blockWidth = 2, spec.blockHeight = 2;
  spec.shuffled = true;
  spec.frames = {Frame24(5, 3, {Layer(table + pixels)})};
  const TDrelFrameList list = Load(spec, 7);
  const TDIBSurface& f = list[0].Image;
  EXPECT_EQ(f.GetPixel(2, 0), 0x00u);  // block 1 = copy of block 0
  EXPECT_EQ(f.GetPixel(3, 1), 0x11u);
  EXPECT_EQ(f.GetPixel(4, 1), 0x14u);
  EXPECT_EQ(f.GetPixel(3, 2), 0x23u);
}

TEST(DrelBlockTest, EntriesNamingMissingBlocksFramesOrLayersAreErrors) {
  const std::string rest = Entry(kDrelBlockStored, 0) + Entry(kDrelBlockStored, 0) + Entry(kDrelBlockStored, 0) +
                           Entry(kDrelBlockStored, 0) + Entry(kDrelBlockStored, 0);
  for (const std::string& first : {Entry(1, 0), Entry(5, 0), Entry(0, 1), Entry(0, -1), Entry(kDrelBlockSameImage, 6),
                                   Entry(kDrelBlockSameImage, -1), Entry(-3, 0)}) {
    EXPECT_THROW(Load(BlockFile(first + rest)), FormatError);
  }
  // A frame may not copy from itself: frame 0 naming frame 0.
  DrelFileSpec self;
  self.blockWidth = 2, self.blockHeight = 2;
  self.frames = {Frame24(5, 3, {Layer(Entry(0, 0) + rest)})};
  EXPECT_THROW(Load(self), FormatError);
}

// ---- kinds --------------------------------------------------------------------------------------------

TEST(DrelKindTest, DeflatedPlanesInflate) {
  DrelFileSpec spec;
  spec.kind = 0;
  DrelLayerSpec layer = Layer(DeflateZlib(PadRows({Bgr({0x010203, 0x040506})})));
  layer.hasMask = 1;
  layer.mask = DeflateZlib(PadRows({Bytes({7, 9})}));
  spec.frames = {Frame24(2, 1, {layer})};
  const TDrelFrameList list = Load(spec);
  EXPECT_EQ(list[0].Image.GetPixel(1, 0), 0x040506u);
  ASSERT_TRUE(list[0].HasMask());
  EXPECT_EQ(list[0].Image.Mask()->GetPixel(1, 0), 9u);
}

TEST(DrelKindTest, CorruptOrOversizedDeflateIsAnError) {
  DrelFileSpec spec;
  spec.kind = 0;
  spec.frames = {Frame24(2, 1, {Layer("not zlib")})};
  EXPECT_THROW(Load(spec), FormatError);
  spec.frames = {Frame24(2, 1, {Layer(DeflateZlib(std::string(100, 'x')))})};
  EXPECT_THROW(Load(spec), FormatError);
}

// ---- malformed files -----------------------------------------------------------------------------------

DrelFileSpec TwoLayerFile() {
  DrelFileSpec spec;
  DrelLayerSpec layer = Layer(PadRows({Bgr({1, 2, 3}), Bgr({4, 5, 6})}));
  layer.hasMask = 1;
  layer.mask = PadRows({Bytes({1, 2, 3}), Bytes({4, 5, 6})});
  DrelFrameSpec frame = Frame24(3, 2, {layer, Layer(PadRows({Bgr({7, 8, 9}), Bgr({1, 1, 1})}), 1, 77)});
  frame.regionsB = {0, 0, 1, 1};
  spec.frames = {frame, frame};
  return spec;
}

TEST(DrelMalformedTest, EveryTruncationIsAFormatError) {
  const std::string bytes = BuildDrel(TwoLayerFile());
  for (size_t n = 0; n < bytes.size(); ++n) {
    TDrelFrameList list;
    // A cut inside the magic makes a version-0 file; either way the data ends too early.
    EXPECT_THROW(LoadDrelImage(list, Span(bytes.substr(0, n)), "cut.drl", false), FormatError) << n;
  }
  TDrelFrameList list;
  LoadDrelImage(list, Span(bytes), "whole.drl", false);
  EXPECT_EQ(list.Count(), 2);
}

TEST(DrelMalformedTest, HugeOrInvalidSizesAreRefusedBeforeAllocating) {
  for (const auto& [w, h, bits] : {std::tuple{16384, 16384, 32}, {20000, 1, 24}, {1, -1, 24}, {4, 4, 7}, {4, 4, 0}}) {
    DrelFileSpec spec;
    DrelFrameSpec frame;
    frame.width = w, frame.height = h, frame.bits = bits;
    spec.frames = {frame};
    EXPECT_THROW(Load(spec), FormatError) << w << "x" << h << "@" << bits;
  }
  // Limits lower than the default apply the same way.
  DrelFileSpec spec;
  spec.frames = {Frame24(64, 64, {})};
  TDrelFrameList list;
  const std::string bytes = BuildDrel(spec);
  ImageLimits limits;
  limits.maxFrameBytes = 1000;
  EXPECT_THROW(LoadDrelImage(list, Span(bytes), "x.drl", false, limits), FormatError);
  // Counts that the bytes left cannot hold.
  spec.frameCountOverride = 1000000;
  EXPECT_THROW(Load(spec), FormatError);
}

TEST(DrelMalformedTest, BadMagicDigitsAndKindAreErrors) {
  DrelFileSpec spec;
  spec.frames = {Frame24(1, 1, {})};
  std::string bytes = BuildDrel(spec);
  std::string digits = bytes;
  digits[5] = 'x';
  TDrelFrameList list;
  EXPECT_THROW(LoadDrelImage(list, Span(digits), "d.drl", false), FormatError);
  spec.kind = 3;
  EXPECT_THROW(Load(spec), FormatError);
}

TEST(DrelReaderTest, FirstFrameOnlyStopsAfterTheFirstFrame) {
  DrelFileSpec spec;
  spec.frames = {Frame24(1, 1, {Layer(PadRows({Bgr({1})}))})};
  spec.frameCountOverride = 10;  // nine frames announced that are not there
  const std::string bytes = BuildDrel(spec) + std::string(9 * 40, '\xFF');
  TDrelFrameList list;
  LoadDrelImage(list, Span(bytes), "ten.drl", true);
  EXPECT_EQ(list.Count(), 1);
  EXPECT_THROW(LoadDrelImage(list, Span(bytes), "ten.drl", false), FormatError);
}

TEST(DrelReaderTest, StoredKindProbe) {
  DrelFileSpec spec;
  spec.frames = {Frame24(1, 1, {})};
  EXPECT_TRUE(IsStoredDrel(Span(BuildDrel(spec))));
  spec.kind = 0;
  EXPECT_FALSE(IsStoredDrel(Span(BuildDrel(spec))));
  spec.version = 102;
  EXPECT_FALSE(IsStoredDrel(Span(BuildDrel(spec))));
}

TEST(DrelReaderTest, BuildMasksZeroesKeyPixelsAndKeepsExistingMasks) {
  DrelFileSpec spec;
  DrelFrameSpec keyed = Frame24(2, 1, {Layer(PadRows({Bgr({0x123456, 0x000001})}))});
  keyed.key = 0x123456;
  DrelFrameSpec masked = Frame24(2, 1, {});
  DrelLayerSpec layer = Layer(PadRows({Bgr({1, 2})}));
  layer.hasMask = 1;
  layer.mask = PadRows({Bytes({3, 4})});
  masked.layers = {layer};
  spec.frames = {keyed, masked, Frame24(1, 1, {})};
  TDrelFrameList list = Load(spec);
  list.BuildMasks();
  EXPECT_EQ(list[0].Image.Mask()->GetPixel(0, 0), 0u);
  EXPECT_EQ(list[0].Image.Mask()->GetPixel(1, 0), 255u);
  EXPECT_EQ(list[1].Image.Mask()->GetPixel(0, 0), 3u);
  EXPECT_EQ(list[2].Image.Mask()->GetPixel(0, 0), 255u);
}

}  // namespace
}  // namespace kuzo
