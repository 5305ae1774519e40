// Golden results of every drawing operation on every pixel format, at tolerance 0, with every
// kernel set. Each case starts from the same destination, source and mask rows (chosen so that
// each rule branch occurs: mask 0 / partial / 255, source equal to destination, the colour key,
// pixels equal to the fill colour) and compares the whole surface. A failing case writes its
// expected and actual pixels (text and PNG) to golden_failures/ in the build directory.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "graphics/blend_kernels.h"
#include "graphics/dibx.h"
#include "graphics/png_writer.h"

namespace kuzo {
namespace {

struct GoldenFormat {
  int bits;
  std::vector<uint32_t> dst, src;
  uint32_t colour;
  std::map<std::string, std::vector<uint32_t>> expected;
};

const std::vector<uint8_t> kMask = {0, 128, 255, 64};
constexpr int kWidth = 8;  // the four-pixel pattern twice, so vector loops run whole steps
constexpr int kHeight = 2;

// Fill colours of the saturating add / subtract cases, per bit count.
uint32_t AddColour(int bits) {
  switch (bits) {
    case 8: return 0x40;
    case 15: return 0x2108;
    case 16: return 0x4208;
    case 24: return 0x402010;
    default: return 0x80402010;
  }
}

const std::vector<GoldenFormat> kGolden = {
{8, {0x0A, 0xC8, 0x4D, 0xFF}, {0xFA, 0xC8, 0x05, 0x4D}, 0xC8, {
  {"Draw", {0xFA, 0xC8, 0x05, 0x4D}},
  {"DrawKey", {0xFA, 0xC8, 0x4D, 0x4D}},
  {"DrawMask", {0x0A, 0xC7, 0x05, 0xD1}},
  {"DrawAlpha128", {0x81, 0xC8, 0x4D, 0xA5}},
  {"DrawAlpha255", {0xF9, 0xC8, 0x4D, 0x4C}},
  {"DrawAlphaMask200", {0x0A, 0xC7, 0x14, 0xDB}},
  {"DrawAdd128", {0xFF, 0xFF, 0x4D, 0xFF}},
  {"DrawAddMask200", {0x0A, 0xFF, 0x50, 0xFF}},
  {"DrawColorMask200", {0x0A, 0xC7, 0xAC, 0xF3}},
  {"DrawColorMask255", {0x0A, 0xC7, 0xC6, 0xF0}},
  {"FillRect", {0xC8, 0xC8, 0xC8, 0xC8}},
  {"FillRectAlpha100", {0x54, 0xC8, 0x7C, 0xE8}},
  {"FillRectAdd", {0x4A, 0xFF, 0x8D, 0xFF}},
  {"FillRectSub", {0x00, 0x88, 0x0D, 0xBF}},
}},
{15, {0x7FFF, 0x1234, 0x4210, 0x0001}, {0x0421, 0x1234, 0x7C00, 0x7FFF}, 0x1234, {
  {"Draw", {0x0421, 0x1234, 0x7C00, 0x7FFF}},
  {"DrawKey", {0x0421, 0x1234, 0x4210, 0x7FFF}},
  {"DrawMask", {0x7FFF, 0x1234, 0x7C00, 0x1CE8}},
  {"DrawAlpha128", {0x3DEF, 0x1234, 0x4210, 0x3DEF}},
  {"DrawAlpha255", {0x0000, 0x1234, 0x4210, 0x7BDE}},
  {"DrawAlphaMask200", {0x7FFF, 0x1234, 0x6C63, 0x18C6}},
  {"DrawAdd128", {0x7FFF, 0x1B3E, 0x4210, 0x3DF0}},
  {"DrawAddMask200", {0x7FFF, 0x16FB, 0x7E10, 0x18C7}},
  {"DrawColorMask200", {0x7FFF, 0x1234, 0x1A13, 0x0064}},
  {"DrawColorMask255", {0x7FFF, 0x1234, 0x0E13, 0x0485}},
  {"FillRect", {0x1234, 0x1234, 0x1234, 0x1234}},
  {"FillRectAlpha100", {0x533A, 0x1234, 0x2E11, 0x04C8}},
  {"FillRectAdd", {0x7FFF, 0x333C, 0x6318, 0x2109}},
  {"FillRectSub", {0x5EF7, 0x012C, 0x2108, 0x0000}},
}},
{16, {0xFFFF, 0x1234, 0x8410, 0x07E0}, {0x0821, 0x1234, 0xF800, 0xFFFF}, 0x1234, {
  {"Draw", {0x0821, 0x1234, 0xF800, 0xFFFF}},
  {"DrawKey", {0x0821, 0x1234, 0x8410, 0xFFFF}},
  {"DrawMask", {0xFFFF, 0x1234, 0xF800, 0x3FC7}},
  {"DrawAlpha128", {0x7BEF, 0x1234, 0x8410, 0x7FCF}},
  {"DrawAlpha255", {0x0000, 0x1234, 0x8410, 0xF7DE}},
  {"DrawAlphaMask200", {0xFFFF, 0x1234, 0xD8E3, 0x37C6}},
  {"DrawAdd128", {0xFFFF, 0x1B3E, 0x8410, 0x7FEF}},
  {"DrawAddMask200", {0xFFFF, 0x12FB, 0xFC10, 0x37E6}},
  {"DrawColorMask200", {0xFFFF, 0x1234, 0x2A93, 0x06A3}},
  {"DrawColorMask255", {0xFFFF, 0x1234, 0x0A13, 0x0665}},
  {"FillRect", {0x1234, 0x1234, 0x1234, 0x1234}},
  {"FillRectAlpha100", {0x9D9A, 0x1234, 0x5351, 0x0587}},
  {"FillRectAdd", {0xFFFF, 0x543C, 0xC618, 0x47E8}},
  {"FillRectSub", {0xBDF7, 0x002C, 0x4208, 0x05E0}},
}},
{24, {0xFFFFFF, 0x123456, 0x808080, 0x0000FF}, {0x010203, 0x123456, 0xFF0000, 0xFFFFFF}, 0x123456, {
  {"Draw", {0x010203, 0x123456, 0xFF0000, 0xFFFFFF}},
  {"DrawKey", {0x010203, 0x123456, 0x808080, 0xFFFFFF}},
  {"DrawMask", {0xFFFFFF, 0x113355, 0xFF0000, 0x3F3FFE}},
  {"DrawAlpha128", {0x7F7F80, 0x123456, 0x808080, 0x7F7FFE}},
  {"DrawAlpha255", {0x000102, 0x123456, 0x808080, 0xFEFEFE}},
  {"DrawAlphaMask200", {0xFFFFFF, 0x113355, 0xE21C1C, 0x3131FE}},
  {"DrawAdd128", {0xFFFFFF, 0x1B4E81, 0x808080, 0x7F7FFF}},
  {"DrawAddMask200", {0xFFFFFF, 0x194877, 0xFF8080, 0x3131FF}},
  {"DrawColorMask200", {0xFFFFFF, 0x113355, 0x29445E, 0x030ADC}},
  {"DrawColorMask255", {0xFFFFFF, 0x113355, 0x123455, 0x040CD4}},
  {"FillRect", {0x123456, 0x123456, 0x123456, 0x123456}},
  {"FillRectAlpha100", {0xA1AEBB, 0x123456, 0x54616F, 0x0714BB}},
  {"FillRectAdd", {0xFFFFFF, 0x525466, 0xC0A090, 0x4020FF}},
  {"FillRectSub", {0xBFDFEF, 0x001446, 0x406070, 0x0000EF}},
}},
{32, {0x00FFFFFF, 0x00123456, 0x80808080, 0x120000FF}, {0x00010203, 0x00123456, 0x00FF0000, 0xAAFFFFFF}, 0x00123456, {
  {"Draw", {0x00010203, 0x00123456, 0x00FF0000, 0xAAFFFFFF}},
  {"DrawKey", {0x00010203, 0x00123456, 0x80808080, 0xAAFFFFFF}},
  {"DrawMask", {0x00FFFFFF, 0x00123456, 0x00FF0000, 0x003F3FFE}},
  {"DrawAlpha128", {0x007F7F80, 0x00123456, 0x80808080, 0x007F7FFE}},
  {"DrawAlpha255", {0x00000102, 0x00123456, 0x80808080, 0x00FEFEFE}},
  {"DrawAlphaMask200", {0x00FFFFFF, 0x00123456, 0x00E21B1B, 0x003131FE}},
  {"DrawAdd128", {0x00FFFFFF, 0x001B4E81, 0x80808080, 0x007F7FFF}},
  {"DrawAddMask200", {0x00FFFFFF, 0x00194877, 0x00FF8080, 0x003131FF}},
  {"DrawColorMask200", {0x00FFFFFF, 0x00123456, 0x0029445E, 0x00030ADC}},
  {"DrawColorMask255", {0x00FFFFFF, 0x00123456, 0x00113355, 0x00040DD3}},
  {"FillRect", {0x00123456, 0x00123456, 0x00123456, 0x00123456}},
  {"FillRectAlpha100", {0x00A1AEBB, 0x00123456, 0x0054616F, 0x000714BB}},
  {"FillRectAdd", {0x80FFFFFF, 0x80525466, 0xFFC0A090, 0x924020FF}},
  {"FillRectSub", {0x00BFDFEF, 0x00001446, 0x00406070, 0x000000EF}},
}},
};

void Paint(TCustomDIBX& s, const std::vector<uint32_t>& pattern) {
  for (int y = 0; y < s.Height(); ++y) {
    for (int x = 0; x < s.Width(); ++x) s.SetPixel(x, y, pattern[static_cast<size_t>(x) % pattern.size()]);
  }
}

std::string Dump(const std::vector<uint32_t>& pixels) {
  std::string out;
  char buf[16];
  for (size_t i = 0; i < pixels.size(); ++i) {
    std::snprintf(buf, sizeof buf, "%08X%c", pixels[i], (i + 1) % kWidth == 0 ? '\n' : ' ');
    out += buf;
  }
  return out;
}

// The pixels as an image of the golden format (8-bit ones through a grey palette).
TDIBX ImageOf(const std::vector<uint32_t>& pixels, int bits) {
  TDIBX s(kWidth, kHeight, bits);
  TPalette grey;
  for (int i = 0; i < 256; ++i) {
    const auto v = static_cast<uint8_t>(i);
    grey[static_cast<size_t>(i)] = TRGBQuad{v, v, v, 0};
  }
  s.SetPalette(grey);
  for (size_t i = 0; i < pixels.size(); ++i) s.SetPixel(static_cast<int>(i % kWidth), static_cast<int>(i / kWidth), pixels[i]);
  return s;
}

// Writes expected and actual pixels side by side, as hexadecimal text and as PNG images.
void WriteFailure(const std::string& name, int bits, const std::vector<uint32_t>& expected,
                  const std::vector<uint32_t>& actual) {
  const std::filesystem::path dir = std::filesystem::path(KUZO_BINARY_DIR) / "golden_failures";
  std::filesystem::create_directories(dir);
  std::ofstream(dir / (name + ".expected.txt")) << Dump(expected);
  std::ofstream(dir / (name + ".actual.txt")) << Dump(actual);
  WritePngFile(ImageOf(expected, bits), dir / (name + ".expected.png"));
  WritePngFile(ImageOf(actual, bits), dir / (name + ".actual.png"));
}

using Operation = std::function<void(TDIBX& dst, TDIBX& src, TDIBX& mask, const GoldenFormat& g)>;

const std::map<std::string, Operation>& Operations() {
  static const std::map<std::string, Operation> ops = {
      {"Draw", [](TDIBX& d, TDIBX& s, TDIBX&, const GoldenFormat&) { d.Draw(0, 0, false, false, false, s.BoundsRect(), s); }},
      {"DrawKey",
       [](TDIBX& d, TDIBX& s, TDIBX&, const GoldenFormat& g) {
         s.ColorKey = static_cast<int32_t>(g.src[2]);
         d.Draw(0, 0, false, false, true, s.BoundsRect(), s);
       }},
      {"DrawMask", [](TDIBX& d, TDIBX& s, TDIBX& m, const GoldenFormat&) { d.DrawMask(0, 0, m, false, false, s.BoundsRect(), s); }},
      {"DrawAlpha128",
       [](TDIBX& d, TDIBX& s, TDIBX&, const GoldenFormat& g) {
         s.ColorKey = static_cast<int32_t>(g.src[2]);
         d.DrawAlpha(0, 0, 128, false, false, true, s.BoundsRect(), s);
       }},
      {"DrawAlpha255",
       [](TDIBX& d, TDIBX& s, TDIBX&, const GoldenFormat& g) {
         s.ColorKey = static_cast<int32_t>(g.src[2]);
         d.DrawAlpha(0, 0, 255, false, false, true, s.BoundsRect(), s);
       }},
      {"DrawAlphaMask200",
       [](TDIBX& d, TDIBX& s, TDIBX& m, const GoldenFormat&) { d.DrawAlphaMask(0, 0, 200, m, false, false, s.BoundsRect(), s); }},
      {"DrawAdd128",
       [](TDIBX& d, TDIBX& s, TDIBX&, const GoldenFormat& g) {
         s.ColorKey = static_cast<int32_t>(g.src[2]);
         d.DrawAdd(0, 0, 128, false, false, false, s.BoundsRect(), s);
       }},
      {"DrawAddMask200",
       [](TDIBX& d, TDIBX& s, TDIBX& m, const GoldenFormat&) { d.DrawAddMask(0, 0, 200, m, false, false, s.BoundsRect(), s); }},
      {"DrawColorMask200",
       [](TDIBX& d, TDIBX&, TDIBX& m, const GoldenFormat& g) { d.DrawColorMask(0, 0, 200, g.colour, false, false, m.BoundsRect(), m); }},
      {"DrawColorMask255",
       [](TDIBX& d, TDIBX&, TDIBX& m, const GoldenFormat& g) { d.DrawColorMask(0, 0, 255, g.colour, false, false, m.BoundsRect(), m); }},
      {"FillRect", [](TDIBX& d, TDIBX&, TDIBX&, const GoldenFormat& g) { d.FillRect(d.BoundsRect(), g.colour); }},
      {"FillRectAlpha100", [](TDIBX& d, TDIBX&, TDIBX&, const GoldenFormat& g) { d.FillRectAlpha(d.BoundsRect(), g.colour, 100); }},
      {"FillRectAdd", [](TDIBX& d, TDIBX&, TDIBX&, const GoldenFormat& g) { d.FillRectAdd(d.BoundsRect(), AddColour(g.bits)); }},
      {"FillRectSub", [](TDIBX& d, TDIBX&, TDIBX&, const GoldenFormat& g) { d.FillRectSub(d.BoundsRect(), AddColour(g.bits)); }},
  };
  return ops;
}

TEST(DibxGolden, EveryOperationOnEveryFormatWithEveryKernelSet) {
  int checked = 0;
  for (const GoldenFormat& g : kGolden) {
    ASSERT_EQ(g.expected.size(), Operations().size()) << g.bits;
    for (const auto& [name, expectedRow] : g.expected) {
      for (int set = 0; set < AvailableKernelSetCount(); ++set) {
        TDIBX dst(kWidth, kHeight, g.bits), src(kWidth, kHeight, g.bits), mask(kWidth, kHeight, 8);
        dst.UseKernels(AvailableKernelSet(set));
        Paint(dst, g.dst);
        Paint(src, g.src);
        std::vector<uint32_t> maskPattern(kMask.begin(), kMask.end());
        Paint(mask, maskPattern);
        Operations().at(name)(dst, src, mask, g);

        std::vector<uint32_t> expected, actual;
        for (int y = 0; y < kHeight; ++y) {
          for (int x = 0; x < kWidth; ++x) {
            expected.push_back(expectedRow[static_cast<size_t>(x) % expectedRow.size()]);
            actual.push_back(dst.GetPixel(x, y));
          }
        }
        const std::string caseName = std::to_string(g.bits) + "bit_" + name + "_" + AvailableKernelSet(set).name;
        if (expected != actual) WriteFailure(caseName, g.bits, expected, actual);
        EXPECT_EQ(Dump(expected), Dump(actual)) << caseName;
        ++checked;
      }
    }
  }
  EXPECT_EQ(checked, 5 * 14 * AvailableKernelSetCount());
}

}  // namespace
}  // namespace kuzo
