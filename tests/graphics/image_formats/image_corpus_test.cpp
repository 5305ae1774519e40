// The public image corpus: every valid PNG decodes to libpng's RGBA pixels and every corrupt one is
// refused; good bitmaps match their reference renderings, bad ones are refused and questionable
// ones load or are refused cleanly; valid JPEG files decode like libjpeg-turbo and corrupt ones are
// refused or decode partly without a crash.
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <png.h>

#include <csetjmp>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <span>
#include <sstream>

#include "core/errors.h"
#include "graphics/image_formats/image_file.h"

namespace kuzo {
namespace {

namespace fs = std::filesystem;

const fs::path kCorpus = KUZO_CORPUS_DIR;

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::span<const uint8_t> Span(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

std::vector<fs::path> Files(const fs::path& dir, const std::string& ext) {
  std::vector<fs::path> out;
  if (!fs::exists(dir)) return out;
  for (const auto& e : fs::directory_iterator(dir))
    if (e.is_regular_file() && e.path().extension() == ext) out.push_back(e.path());
  std::sort(out.begin(), out.end());
  return out;
}

struct Rgba {
  int width = 0, height = 0;
  std::vector<uint8_t> pixels;
};

// libpng's own RGBA output: palette and low-bit grey expanded, transparency to alpha, 16-bit
// samples cut to their high byte, grey to RGB, opaque alpha added. No gamma correction.
std::optional<Rgba> LibpngRgba(const std::string& bytes) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, [](png_structp, png_const_charp) {});
  png_infop info = png_create_info_struct(png);
  struct Source {
    const std::string* bytes;
    size_t pos;
  } src{&bytes, 0};
  Rgba out;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return std::nullopt;
  }
  png_set_read_fn(png, &src, [](png_structp p, png_bytep data, png_size_t n) {
    auto* s = static_cast<Source*>(png_get_io_ptr(p));
    if (s->pos + n > s->bytes->size()) png_error(p, "short");
    std::memcpy(data, s->bytes->data() + s->pos, n);
    s->pos += n;
  });
  png_read_info(png, info);
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  out.width = static_cast<int>(png_get_image_width(png, info));
  out.height = static_cast<int>(png_get_image_height(png, info));
  out.pixels.resize(static_cast<size_t>(out.width) * out.height * 4);
  std::vector<png_bytep> rows(static_cast<size_t>(out.height));
  for (int y = 0; y < out.height; ++y) rows[static_cast<size_t>(y)] = out.pixels.data() + static_cast<size_t>(y) * out.width * 4;
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return out;
}

// The bits each channel of a frame holds: 5- and 6-bit channels are widened by repeating their top
// bits, references by rounding, so both are compared at the channel's own width.
int ChannelBits(const TDrelFrame& frame, size_t channel) {
  if (channel == 3) return 8;
  if (frame.BitCount() == 15) return 5;
  if (frame.BitCount() == 16) return channel == 1 ? 6 : 5;
  return 8;
}

uint32_t Narrow(uint32_t v, int bits) { return bits == 8 ? v : v >> (8 - bits); }
uint32_t NarrowRounded(uint32_t v, int bits) {
  const uint32_t max = (1u << bits) - 1;
  return bits == 8 ? v : (v * max + 127) / 255;
}

// Compares a decoded frame with reference RGBA; reports the first differing pixel. Colours under
// alpha 0 carry nothing and are not compared.
::testing::AssertionResult SamePixels(const TDrelFrame& frame, const Rgba& ref, int tolerance = 0) {
  if (frame.Width() != ref.width || frame.Height() != ref.height) {
    return ::testing::AssertionFailure() << "size " << frame.Width() << "x" << frame.Height() << " vs " << ref.width
                                         << "x" << ref.height;
  }
  const std::vector<uint8_t> ours = FrameToRgba(frame);
  for (size_t i = 0; i < ours.size(); ++i) {
    if (i % 4 != 3 && ref.pixels[i - i % 4 + 3] == 0 && ours[i - i % 4 + 3] == 0) continue;
    const int bits = ChannelBits(frame, i % 4);
    if (std::abs(int(Narrow(ours[i], bits)) - int(NarrowRounded(ref.pixels[i], bits))) > tolerance) {
      const size_t p = i / 4;
      return ::testing::AssertionFailure() << "pixel (" << p % ref.width << ", " << p / ref.width << ") channel " << i % 4
                                           << ": " << int(ours[i]) << " vs " << int(ref.pixels[i]);
    }
  }
  return ::testing::AssertionSuccess();
}

TEST(PngCorpusTest, ValidFilesMatchLibpngAndCorruptOnesAreRefused) {
  const auto files = Files(kCorpus / "png", ".png");
  ASSERT_GT(files.size(), 150u) << "corpus missing at " << kCorpus;
  int valid = 0, refused = 0;
  for (const auto& path : files) {
    const std::string name = path.filename().string();
    const std::string bytes = ReadAll(path);
    TDrelFrameList list;
    if (name[0] == 'x') {
      EXPECT_THROW(LoadPngImage(list, Span(bytes), name), FormatError) << name;
      ++refused;
      continue;
    }
    const std::optional<Rgba> ref = LibpngRgba(bytes);
    ASSERT_TRUE(ref.has_value()) << name;
    ASSERT_NO_THROW(LoadPngImage(list, Span(bytes), name)) << name;
    ASSERT_EQ(list.Count(), 1);
    EXPECT_TRUE(SamePixels(list[0], *ref)) << name;
    ++valid;
  }
  EXPECT_GT(valid, 150);
  EXPECT_GE(refused, 10);
}

TEST(PngReaderTest, TransparencyBecomesKeyOrMask) {
  TDrelFrameList list;
  // Palette with one fully transparent entry: a key on an 8-bit frame.
  LoadPngImage(list, Span(ReadAll(kCorpus / "png" / "tbbn3p08.png")), "tbbn3p08");
  EXPECT_EQ(list[0].BitCount(), 8);
  EXPECT_NE(list[0].ColorKey, -1);
  EXPECT_FALSE(list[0].HasMask());
  // Several partly transparent palette entries: a mask.
  LoadPngImage(list, Span(ReadAll(kCorpus / "png" / "tm3n3p02.png")), "tm3n3p02");
  EXPECT_TRUE(list[0].HasMask());
  // An RGB transparent colour: a key in the 24-bit frame's format.
  LoadPngImage(list, Span(ReadAll(kCorpus / "png" / "tbrn2c08.png")), "tbrn2c08");
  EXPECT_EQ(list[0].BitCount(), 24);
  EXPECT_EQ(list[0].ColorKey, list[0].Image.ColorToPixel(list[0].ColorKeyRGB));
  EXPECT_NE(list[0].ColorKey, -1);
  // An alpha channel: a mask.
  LoadPngImage(list, Span(ReadAll(kCorpus / "png" / "basn6a08.png")), "basn6a08");
  EXPECT_TRUE(list[0].HasMask());
  EXPECT_EQ(list[0].ColorKey, -1);
}

// The reference rendering of a good bitmap: its own name, or the picture it is a variant of.
fs::path BmpReference(const std::string& stem) {
  const fs::path dir = kCorpus / "bmp" / "ref-png";
  if (fs::exists(dir / (stem + ".png"))) return dir / (stem + ".png");
  static const std::pair<const char*, const char*> kVariants[] = {
      {"pal8nonsquare", "pal8nonsquare-e"}, {"pal4rle", "pal4"}, {"pal1wb", "pal1"}, {"rgb16bfdef", "rgb16"},
      {"rgb16-565pal", "rgb16-565"}, {"rgb24pal", "rgb24"}, {"rgb32", "rgb24"}, {"rgb32bf", "rgb24"},
      {"rgb32bfdef", "rgb24"}, {"pal8", "pal8"}};
  for (const auto& [prefix, ref] : kVariants) {
    if (stem == prefix || (std::string(prefix) == "pal8" && stem.rfind("pal8", 0) == 0)) return dir / (std::string(ref) + ".png");
  }
  return {};
}

TEST(BmpCorpusTest, GoodFilesMatchTheirReferenceRenderings) {
  const auto files = Files(kCorpus / "bmp" / "g", ".bmp");
  ASSERT_GT(files.size(), 20u);
  for (const auto& path : files) {
    const std::string stem = path.stem().string();
    const fs::path ref = BmpReference(stem);
    ASSERT_FALSE(ref.empty()) << stem;
    const std::optional<Rgba> expected = LibpngRgba(ReadAll(ref));
    ASSERT_TRUE(expected.has_value()) << ref;
    TDrelFrameList list;
    ASSERT_NO_THROW(LoadBmpImage(list, Span(ReadAll(path)), stem)) << stem;
    EXPECT_TRUE(SamePixels(list[0], *expected)) << stem << " against " << ref.filename();
  }
}

TEST(BmpCorpusTest, BadFilesAreRefused) {
  // Fields the reader does not use (densities, the file and image sizes) cannot make a file bad:
  // these decode, and the rest are refused.
  const std::set<std::string> unusedFieldsOnly = {"baddens1", "baddens2", "badfilesize", "badbitssize"};
  for (const auto& path : Files(kCorpus / "bmp" / "b", ".bmp")) {
    const std::string stem = path.stem().string();
    TDrelFrameList list;
    if (unusedFieldsOnly.count(stem)) {
      EXPECT_NO_THROW(LoadBmpImage(list, Span(ReadAll(path)), stem)) << stem;
    } else {
      EXPECT_THROW(LoadBmpImage(list, Span(ReadAll(path)), stem), FormatError) << stem;
    }
  }
}

TEST(BmpCorpusTest, QuestionableFilesLoadOrAreRefusedAsDocumented) {
  // Refused: Huffman and RLE24 (OS/2), embedded JPEG and PNG, 64-bit pixels, a 2-colour bitmap with
  // a one-entry palette stays loadable. Everything else loads.
  const std::set<std::string> refused = {"pal1huffmsb", "rgb24jpeg", "rgb24png", "rgb24rle24", "rgba64"};
  for (const auto& path : Files(kCorpus / "bmp" / "q", ".bmp")) {
    const std::string stem = path.stem().string();
    TDrelFrameList list;
    if (refused.count(stem)) {
      EXPECT_THROW(LoadBmpImage(list, Span(ReadAll(path)), stem), FormatError) << stem;
    } else {
      EXPECT_NO_THROW(LoadBmpImage(list, Span(ReadAll(path)), stem)) << stem;
    }
  }
}

TEST(BmpCorpusTest, QuestionableFilesWithReferencesMatchThem) {
  // RLE cuts and skips leave palette entry 0 where nothing was written (the "-0" renderings). Bit
  // fields of unusual widths are scaled to 8 bits rounded; the references scale some of them by
  // other rules, so those compare within 1. (rgb16faketrns is not compared: its reference treats
  // the unused top bit as transparency, the reader ignores that bit.)
  for (const char* stem : {"pal1p1", "pal2", "pal2color", "pal4rlecut", "pal4rletrns", "pal8rlecut", "pal8rletrns",
                           "rgb16-231", "rgb16-3103", "rgb32-7187", "rgba16-1924", "rgba16-4444",
                           "rgba16-5551", "rgba32-1010102", "rgba32-61754", "rgba32-81284"}) {
    const bool bitFields = std::string(stem).rfind("rgb", 0) == 0;
    fs::path ref = kCorpus / "bmp" / "ref-png" / (std::string(stem) + "-0.png");
    if (!fs::exists(ref)) ref = kCorpus / "bmp" / "ref-png" / (std::string(stem) + ".png");
    const std::optional<Rgba> expected = LibpngRgba(ReadAll(ref));
    ASSERT_TRUE(expected.has_value()) << ref;
    TDrelFrameList list;
    const std::string bytes = ReadAll(kCorpus / "bmp" / "q" / (std::string(stem) + ".bmp"));
    ASSERT_NO_THROW(LoadBmpImage(list, Span(bytes), stem)) << stem;
    EXPECT_TRUE(SamePixels(list[0], *expected, bitFields ? 1 : 0)) << stem;
  }
}

// libjpeg-turbo's own RGB output, or nullopt when it refuses the file.
std::optional<Rgba> LibjpegRgb(const std::string& bytes) {
  struct Err {
    jpeg_error_mgr base;
    std::jmp_buf jump;
  } err;
  jpeg_decompress_struct info{};
  info.err = jpeg_std_error(&err.base);
  err.base.error_exit = [](j_common_ptr c) { std::longjmp(reinterpret_cast<Err*>(c->err)->jump, 1); };
  err.base.emit_message = [](j_common_ptr, int) {};
  Rgba out;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&info);
    return std::nullopt;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_EXT_RGBA;
  jpeg_start_decompress(&info);
  out.width = static_cast<int>(info.output_width);
  out.height = static_cast<int>(info.output_height);
  out.pixels.resize(static_cast<size_t>(out.width) * out.height * 4);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = out.pixels.data() + static_cast<size_t>(info.output_scanline) * out.width * 4;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return out;
}

TEST(JpegCorpusTest, ValidFilesDecodeLikeLibjpegTurbo) {
  int compared = 0;
  for (const char* dir : {"jpeg-decoder", "libjpeg-turbo", "mozilla", "pillow"}) {
    for (const auto& path : Files(kCorpus / "jpeg" / dir, ".jpg")) {
      const std::string bytes = ReadAll(path);
      const std::optional<Rgba> ref = LibjpegRgb(bytes);
      TDrelFrameList list;
      if (!ref) {
        // Colour spaces libjpeg cannot turn into RGB itself (CMYK) are converted by the reader;
        // anything else it refuses, the reader refuses too.
        try {
          LoadJpegImage(list, Span(bytes), path.string());
          EXPECT_EQ(list.Count(), 1) << path;
        } catch (const FormatError&) {
        }
        continue;
      }
      ASSERT_NO_THROW(LoadJpegImage(list, Span(bytes), path.string())) << path;
      EXPECT_TRUE(SamePixels(list[0], *ref)) << path;
      ++compared;
    }
  }
  EXPECT_GT(compared, 30);
}

TEST(JpegCorpusTest, CorruptFilesAreRefusedOrDecodePartly) {
  std::vector<fs::path> files = Files(kCorpus / "jpeg" / "corrupt", ".jpg");
  for (const auto& sub : fs::recursive_directory_iterator(kCorpus / "jpeg" / "corrupt")) {
    if (sub.is_regular_file() && sub.path().parent_path() != kCorpus / "jpeg" / "corrupt") files.push_back(sub.path());
  }
  ASSERT_GT(files.size(), 5u);
  int refused = 0;
  for (const auto& path : files) {
    TDrelFrameList list;
    try {
      LoadJpegImage(list, Span(ReadAll(path)), path.string());
      ASSERT_EQ(list.Count(), 1) << path;
      EXPECT_GT(list[0].Width(), 0) << path;
    } catch (const FormatError&) {
      ++refused;
    }
  }
  EXPECT_GT(refused, 3);
}

}  // namespace
}  // namespace kuzo
