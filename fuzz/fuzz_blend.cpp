// Differential fuzzing of the drawing operations: the input picks an operation, a pixel format,
// surface sizes, a position, a source rectangle, a clip, flips, weights and pixel contents; the
// operation runs once with the reference kernels and once with each faster kernel set, and the
// destinations must be byte-identical. Out-of-range rectangles must never read or write outside
// a surface (the sanitizers watch).
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "graphics/blend_kernels.h"
#include "graphics/dibx.h"

namespace {

using namespace kuzo;

// Hands out input bytes; zeros once the input is used up.
class Bytes {
 public:
  Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t U8() { return pos_ < size_ ? data_[pos_++] : 0; }
  uint32_t U32() { return U8() | uint32_t{U8()} << 8 | uint32_t{U8()} << 16 | uint32_t{U8()} << 24; }
  int Small(int range) { return U8() % range; }
  // A coordinate that is usually near the surfaces and sometimes extreme.
  int32_t Coordinate() {
    const uint8_t kind = U8();
    if (kind < 8) return static_cast<int32_t>(U32());
    return static_cast<int32_t>(U8() % 48) - 12;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

int32_t Offset(int32_t v, int by) {
  const int64_t r = int64_t{v} + by;
  return r > INT32_MAX ? INT32_MAX : static_cast<int32_t>(r);
}

constexpr int kBits[] = {8, 15, 16, 24, 32};

void Paint(TDIBX& s, uint32_t seed, uint32_t special) {
  std::mt19937 rng(seed);
  for (int y = 0; y < s.Height(); ++y) {
    for (int x = 0; x < s.Width(); ++x) s.SetPixel(x, y, rng() % 5 == 0 ? special : static_cast<uint32_t>(rng()));
  }
}

void PaintMask(TDIBX& s, uint32_t seed) {
  std::mt19937 rng(seed);
  for (int y = 0; y < s.Height(); ++y) {
    for (int x = 0; x < s.Width(); ++x) {
      const uint32_t pick = rng() % 4;
      s.SetPixel(x, y, pick == 0 ? 0 : pick == 1 ? 255 : rng() & 255);
    }
    // A transparent span in most rows, so whole vectors of coverage 0 occur.
    const int from = static_cast<int>(rng() % static_cast<uint32_t>(s.Width()));
    const int to = from + static_cast<int>(rng() % 24);
    for (int x = from; x < to && x < s.Width(); ++x) s.SetPixel(x, y, 0);
  }
}

std::vector<uint8_t> Snapshot(const TDIBX& s) { return std::vector<uint8_t>(s.Bits(), s.Bits() + s.StorageSize()); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Bytes in(data, size);
  const int bits = kBits[in.Small(5)];
  const int op = in.Small(15);
  const int dw = 1 + in.Small(40), dh = 1 + in.Small(12);
  const int sw = 1 + in.Small(40), sh = 1 + in.Small(12);
  const int mw = in.Small(4) == 0 ? 1 + in.Small(40) : sw;  // sometimes a mask of another size
  const int mh = in.Small(4) == 0 ? 1 + in.Small(12) : sh;
  const int32_t x = in.Coordinate(), y = in.Coordinate();
  TRect srcRect{in.Coordinate(), in.Coordinate(), 0, 0};
  srcRect.right = in.Small(8) == 0 ? in.Coordinate() : Offset(srcRect.left, in.Small(48));
  srcRect.bottom = in.Small(8) == 0 ? in.Coordinate() : Offset(srcRect.top, in.Small(16));
  const bool flipV = in.U8() & 1, flipH = in.U8() & 1, trans = in.U8() & 1;
  const int alpha = in.Small(4) == 0 ? static_cast<int32_t>(in.U32()) : in.Small(256);
  const uint32_t pixel = in.U32();
  const int clipMode = in.Small(4);
  const TRect clip{in.Coordinate(), in.Coordinate(), in.Coordinate(), in.Coordinate()};
  const uint32_t seed = in.U32();
  const uint32_t keyPixel = in.U32();
  const int thickness = in.Small(6);
  const bool noKey = in.Small(3) == 0;

  TDIBX source(sw, sh, bits), mask(mw, mh, 8);
  Paint(source, seed, keyPixel);
  PaintMask(mask, seed + 1);
  source.ColorKey = noKey ? kNoColorKey : static_cast<int32_t>(keyPixel);

  std::vector<uint8_t> expected;
  for (int set = 0; set < AvailableKernelSetCount(); ++set) {
    TDIBX dst(dw, dh, bits);
    Paint(dst, seed + 2, pixel);
    // Some destination pixels equal the source's, so the equal-pixel rules are reached.
    for (int yy = 0; yy < dh && yy < sh; ++yy) {
      for (int xx = 0; xx < dw && xx < sw; xx += 3) dst.SetPixel(xx, yy, source.GetPixel(xx, yy));
    }
    dst.UseKernels(AvailableKernelSet(set));
    if (clipMode == 1) dst.SetClip(clip);
    if (clipMode == 2) dst.AddClip(clip);
    switch (op) {
      case 0: dst.Draw(x, y, flipV, flipH, trans, srcRect, source); break;
      case 1: dst.DrawMask(x, y, mask, flipV, flipH, srcRect, source); break;
      case 2: dst.DrawAlpha(x, y, alpha, flipV, flipH, trans, srcRect, source); break;
      case 3: dst.DrawAlphaMask(x, y, alpha, mask, flipV, flipH, srcRect, source); break;
      case 4: dst.DrawAdd(x, y, alpha, flipV, flipH, trans, srcRect, source); break;
      case 5: dst.DrawAddMask(x, y, alpha, mask, flipV, flipH, srcRect, source); break;
      case 6: dst.DrawColorMask(x, y, alpha, pixel, flipV, flipH, srcRect, mask); break;
      case 7: dst.FillRect(srcRect, pixel); break;
      case 8: dst.FillRectAlpha(srcRect, pixel, alpha); break;
      case 9: dst.FillRectAdd(srcRect, pixel); break;
      case 10: dst.FillRectSub(srcRect, pixel); break;
      case 11: dst.FrameRectAlpha(srcRect, thickness, alpha, pixel); break;
      case 12: dst.DrawOpacity(x, y, alpha % 600, trans ? &mask : nullptr, flipV, flipH, srcRect, source); break;
      case 13: dst.Draw(x, y, flipV, flipH, trans, srcRect, dst); break;
      default: dst.Fill(pixel); break;
    }
    if (set == 0) {
      expected = Snapshot(dst);
    } else if (Snapshot(dst) != expected) {
      std::fprintf(stderr, "kernel set %s differs from the reference: op %d, %d bits\n", AvailableKernelSet(set).name,
                   op, bits);
      std::abort();
    }
  }
  return 0;
}

std::vector<std::string> KuzoFuzzSeeds() {
  std::vector<std::string> seeds;
  // One seed per operation and format: fixed sizes, a mirrored draw partly off the left edge.
  for (int op = 0; op < 15; ++op) {
    for (int f = 0; f < 5; ++f) {
      std::string s;
      s += static_cast<char>(f);
      s += static_cast<char>(op);
      s += static_cast<char>(31);  // destination 32 x 7
      s += static_cast<char>(6);
      s += static_cast<char>(23);  // source 24 x 5
      s += static_cast<char>(4);
      s += static_cast<char>(1);   // mask of the source's size
      s += static_cast<char>(1);
      s += std::string("\x20\x08\x20\x0e", 4);         // x = -4, y = 2
      s += std::string("\x20\x0c\x20\x0c\x00\x20", 6);  // srcRect (0, 0) .. +32 x +... (clipped by the source)
      s += std::string("\x01\x01\x00", 3);              // flips, trans
      s += static_cast<char>(1);
      s += static_cast<char>(op * 17 + f);              // alpha
      s += std::string("\x34\x12\x56\x00", 4);          // pixel
      s += static_cast<char>(op % 4);                   // clip mode
      s += std::string("\x20\x0e\x20\x0d\x20\x2a\x20\x12", 8);
      s += std::string("\x11\x22\x33\x44\x55\x66\x77\x08", 8);
      seeds.push_back(s);
    }
  }
  return seeds;
}
