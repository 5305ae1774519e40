// Fuzzing of the transformed drawing operations (stretched, rotated, tiled, pattern and indexed): the
// input picks an operation, a pixel format, surface sizes, rectangles, offsets, gaps, scales, angles
// and weights, often extreme; no call may read or write outside a surface or fail to finish (the
// sanitizers and the time limit watch). Copies at scale 1 are also checked against the unscaled
// Draw: StretchDraw onto a same-sized rectangle and DrawRotate at angle 0, scale 256 must give the
// same pixels.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "graphics/dibx.h"

namespace {

using namespace kuzo;

class Bytes {
 public:
  Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t U8() { return pos_ < size_ ? data_[pos_++] : 0; }
  uint32_t U32() { return U8() | uint32_t{U8()} << 8 | uint32_t{U8()} << 16 | uint32_t{U8()} << 24; }
  int Small(int range) { return U8() % range; }
  bool Flag() { return (U8() & 1) != 0; }
  // Usually near the surfaces, sometimes anything.
  int32_t Value(int near) {
    const uint8_t kind = U8();
    if (kind < 10) return static_cast<int32_t>(U32());
    return static_cast<int32_t>(U8() % (2 * near + 1)) - near;
  }
  TRect Rect(int near) {
    const int32_t l = Value(near), t = Value(near);
    if (U8() < 16) return TRect{l, t, Value(near), Value(near)};
    return TRect{l, t, static_cast<int32_t>(int64_t{l} + U8() % 48), static_cast<int32_t>(int64_t{t} + U8() % 24)};
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

constexpr int kBits[] = {8, 15, 16, 24, 32};

void Paint(TDIBX& s, uint32_t seed) {
  std::mt19937 rng(seed);
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x) s.SetPixel(x, y, rng() % 4 == 0 ? 0 : static_cast<uint32_t>(rng()));
}

std::vector<uint8_t> Snapshot(const TDIBX& s) { return std::vector<uint8_t>(s.Bits(), s.Bits() + s.StorageSize()); }

// Scale-1 copies agree with Draw.
void CheckScaleOne(Bytes& in, int bits) {
  const int w = 1 + in.Small(20), h = 1 + in.Small(8);
  TDIBX src(w, h, bits), a(24, 10, bits), b(24, 10, bits), c(24, 10, bits);
  Paint(src, in.U32());
  const uint32_t seed = in.U32();
  Paint(a, seed), Paint(b, seed), Paint(c, seed);
  src.ColorKey = in.Flag() ? static_cast<int32_t>(src.GetPixel(0, 0)) : kNoColorKey;
  const int x = in.Value(12), y = in.Value(6);
  const bool flipV = in.Flag(), flipH = in.Flag(), trans = in.Flag();
  const TRect clip = in.Rect(12);
  for (TDIBX* d : {&a, &b, &c}) d->SetClip(clip);
  const TRect whole = src.BoundsRect();
  a.Draw(x, y, flipV, flipH, trans, whole, src);
  const TRect dest{x, y, static_cast<int32_t>(int64_t{x} + w), static_cast<int32_t>(int64_t{y} + h)};
  if (int64_t{x} + w <= INT32_MAX && int64_t{y} + h <= INT32_MAX) {
    b.StretchDraw(dest, src, 255, flipV, flipH, trans, whole);
    if (Snapshot(a) != Snapshot(b)) {
      std::fprintf(stderr, "StretchDraw at scale 1 differs from Draw (%d bits)\n", bits);
      std::abort();
    }
  }
  c.DrawRotate(x, y, 255, flipV, flipH, trans, 0, 0, 0, whole, src, 256, 256);
  if (Snapshot(a) != Snapshot(c)) {
    std::fprintf(stderr, "DrawRotate at angle 0 differs from Draw (%d bits)\n", bits);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Bytes in(data, size);
  const int bits = kBits[in.Small(5)];
  const int op = in.Small(22);
  if (op == 21) {
    CheckScaleOne(in, bits);
    return 0;
  }
  TDIBX dst(1 + in.Small(40), 1 + in.Small(12), bits);
  TDIBX src(1 + in.Small(24), 1 + in.Small(10), bits);
  TDIBX mask(src.Width(), src.Height(), 8);
  TDIBX nibbles(src.Width(), src.Height(), 4), indexed(src.Width(), src.Height(), 8);
  Paint(dst, in.U32()), Paint(src, in.U32()), Paint(mask, in.U32()), Paint(nibbles, in.U32()),
      Paint(indexed, in.U32());
  src.ColorKey = in.Flag() ? static_cast<int32_t>(src.GetPixel(0, 0)) : kNoColorKey;
  if (in.Flag()) dst.SetClip(in.Rect(20));
  TColorTable colours;
  for (auto& c : colours) c = static_cast<int32_t>(in.U32());

  const TRect r = in.Rect(20);
  const TRect s = in.U8() < 200 ? src.BoundsRect() : in.Rect(12);
  const int opacity = in.U8() < 230 ? in.Small(255) * 2 + in.Small(2) : in.Value(600);
  const bool flipV = in.Flag(), flipH = in.Flag(), trans = in.Flag();
  const int a = in.Value(30), b = in.Value(30), c = in.Value(600), d = in.Value(600), e = in.Value(30);
  const TCustomDIBX& self = in.Small(16) == 0 ? static_cast<const TCustomDIBX&>(dst) : src;  // onto itself
  switch (op) {
    case 0: dst.StretchDraw(r, self, opacity, flipV, flipH, trans, s); break;
    case 1: dst.StretchDrawMask(r, src, opacity, mask, flipV, flipH, s); break;
    case 2: dst.StretchDrawAdd(r, self, opacity, flipV, flipH, trans, s); break;
    case 3: dst.StretchDrawAddMask(r, src, opacity, mask, flipV, flipH, s); break;
    case 4: dst.DrawRotate(a, b, opacity, flipV, flipH, trans, c, e, a, s, self, d, c); break;
    case 5: dst.DrawRotateMask(a, b, opacity, mask, flipV, flipH, c, e, b, s, src, c, d); break;
    case 6: dst.TileDraw(r, a, b, e, trans, s, self, c % 40); break;
    case 7: dst.TileDrawAlpha(r, a % 40, b, e, opacity, trans, s, src, c); break;
    case 8: dst.TileDrawAdd(r, a, b, e, opacity, trans, s, src, c % 40); break;
    case 9: dst.TileDrawMask(r, a, b, e, mask, s, src, c % 40); break;
    case 10: dst.TileDrawAlphaMask(r, a, b, e, opacity, mask, s, src, b); break;
    case 11: dst.TileDrawAddMask(r, a, b, e, opacity, mask, s, src, a); break;
    case 12: dst.TileStretchDraw(r, a, b, e, opacity, flipV, flipH, trans, s, src, c, d, b); break;
    case 13: dst.TileStretchDrawMask(r, b, a, e, opacity, flipV, flipH, mask, s, src, d, c, a); break;
    case 14: dst.FramePattern(r, a, b, e, trans, s, self); break;
    case 15: dst.StretchPattern(r, c, opacity, flipV, flipH, trans, a, b, self, d); break;
    case 16: dst.StretchPatternMask(r, c, opacity, flipV, flipH, mask, a, b, src, d); break;
    case 17: dst.FillPattern(r, self, flipV, flipH, a, e); break;
    case 18: dst.DrawNibbles(a, b, colours, opacity, flipV, flipH, trans, s, nibbles); break;
    case 19: dst.DrawIndexedAdd(a, b, colours, opacity, flipV, flipH, e, s, indexed); break;
    default: dst.StretchDrawIndexedAdd(r, indexed, colours, opacity, flipV, flipH, e, s); break;
  }
  return 0;
}
