// Vector row loops for 32-bit destinations, written once over an instruction-set traits class `I`
// (SSE2: 4 pixels, AVX2: 8, AVX-512: 16). Included only by the blend_simd_*.cpp files, each inside
// its own anonymous namespace and target options. Channels are computed in 16-bit lanes:
// d*(255-a) + s*a <= 255*255 fits, so every product is exact. Whole vectors are computed and the
// pixels the rules leave alone are selected back from the destination; row ends run the reference
// kernel, or masked vector steps where the instruction set has them.

// Mask values reach the kernels as the traits' LoadMask gives them: one pixel lane each, the value
// in both 16-bit halves of the lane, so that a weight computed from it serves the even bytes (blue,
// red) and the odd bytes (green, fourth byte) alike.
inline constexpr uint32_t kMaskFull = 0x00FF00FF;  // a spread mask value of 255

// (d*(255-w) + s*w) >> 8 on the three colour bytes of every pixel; the fourth byte comes out 0.
// w and iw = 255 - w are given in every 16-bit lane. The even bytes are masked into the low half
// of each 16-bit lane and the odd bytes shifted down into it, so no unpacking or packing is
// needed: each sum is at most 255*255 and fits a 16-bit lane exactly. The even results are the
// high bytes of their sums shifted down; the green result is already in place in its sum.
template <class I>
inline typename I::V BlendColour(typename I::V d, typename I::V s, typename I::V w, typename I::V iw) {
  const auto even = I::Set32(0x00FF00FF);
  const auto te = I::Add16(I::Mul16(I::And(d, even), iw), I::Mul16(I::And(s, even), w));
  const auto to = I::Add16(I::Mul16(I::Srli16_8(d), iw), I::Mul16(I::Srli16_8(s), w));
  return I::OrAnd(I::Srli16_8(te), to, I::Set32(0x0000FF00));
}

// As BlendColour, with iw computed from w.
template <class I>
inline typename I::V BlendColour(typename I::V d, typename I::V s, typename I::V w) {
  return BlendColour<I>(d, s, w, I::Sub16(I::Set16(255), w));
}

// (s*w) >> 8 on the three colour bytes; the fourth byte comes out 0.
template <class I>
inline typename I::V ScaleColour(typename I::V s, typename I::V w) {
  const auto te = I::Mul16(I::And(s, I::Set32(0x00FF00FF)), w);
  const auto to = I::Mul16(I::Srli16_8(s), w);
  return I::OrAnd(I::Srli16_8(te), to, I::Set32(0x0000FF00));
}

// keep ? d : r, lane by lane. `keep` is what the traits' comparisons return: a vector of all-ones
// or all-zero lanes, or a mask register.
template <class I, class M>
inline typename I::V Select(M keep, typename I::V d, typename I::V r) {
  return I::Choose(keep, d, r);
}

// p + n, leaving a missing pointer missing (no arithmetic on a null pointer).
template <class P>
inline P* Offset(P* p, ptrdiff_t n) {
  return p != nullptr ? p + n : p;
}

// True when the `n` mask bytes at p are all 0: every mask rule leaves those pixels alone, so
// transparent runs of an image cost one test instead of a load, a blend and a store.
template <int n>
inline bool MaskAllZero(const uint8_t* p) {
  static_assert(n % 4 == 0);
  uint64_t acc = 0;
  for (int i = 0; i < n; i += 8) {
    uint64_t v = 0;
    std::memcpy(&v, p + i, n - i >= 8 ? 8 : 4);
    acc |= v;
  }
  return acc == 0;
}

// Walks a row in whole vectors; `body(d, s, m32)` returns the new destination vector. Returns the
// number of pixels done.
template <class I, bool kReverse, bool kSource, bool kMask, class Body>
inline int Rows32(uint8_t* dst, const uint8_t* src, const uint8_t* mask, int count, Body body) {
  constexpr int n = I::kPixels;
  int i = 0;
  for (; i + n <= count; i += n) {
    if constexpr (kMask) {
      if (MaskAllZero<n>(kReverse ? mask - (i + n - 1) : mask + i)) continue;
    }
    const auto d = I::Load(dst + 4 * i);
    auto s = I::Zero();
    auto m = I::Zero();
    if constexpr (kSource) s = kReverse ? I::LoadReversed(src - 4 * (i + n - 1)) : I::Load(src + 4 * i);
    if constexpr (kMask) m = kReverse ? I::LoadMaskReversed(mask - (i + n - 1)) : I::LoadMask(mask + i);
    I::Store(dst + 4 * i, body(d, s, m));
  }
  return i;
}

// The first `count` (< one vector) pixels of a forward row, through masked loads and stores: the
// lanes past `count` are neither read nor written.
template <class I, bool kSource, bool kMask, class Body>
inline void Part32(uint8_t* dst, const uint8_t* src, const uint8_t* mask, int count, Body body) {
  const auto k = I::FirstLanes32(count);
  const auto d = I::LoadPart(dst, k);
  auto s = I::Zero();
  auto m = I::Zero();
  if constexpr (kSource) s = I::LoadPart(src, k);
  if constexpr (kMask) m = I::LoadMaskPart(mask, k);
  I::StorePart(dst, k, body(d, s, m));
}

// Runs a row: with masked loads and stores (I::kPartial), forward rows start with a part that
// brings the destination to a vector boundary (a store that straddles two cache lines costs
// about two) and end with a part for the rest. Otherwise, and for mirrored rows, whole vectors
// run first and the reference kernel does the rest.
template <class I, bool kSource, bool kMask, class Body>
inline void Drive32(DrawKind kind, uint8_t* dst, const uint8_t* src, const uint8_t* mask, int count, int step,
                    const RowParams& p, Body body) {
  constexpr int n = I::kPixels;
  if constexpr (I::kPartial) {
    if (step == 1) {
      const uintptr_t address = reinterpret_cast<uintptr_t>(dst);
      int head = address % 4 == 0 ? static_cast<int>((0 - address / 4) % n) : 0;
      head = std::min(head, count);
      if (head > 0) Part32<I, kSource, kMask>(dst, src, mask, head, body);
      int done = head;
      done += Rows32<I, false, kSource, kMask>(dst + 4 * done, Offset(src, 4 * done), Offset(mask, done), count - done,
                                                body);
      if (done < count) {
        Part32<I, kSource, kMask>(dst + 4 * done, Offset(src, 4 * done), Offset(mask, done), count - done, body);
      }
      return;
    }
  }
  const int done = step == 1 ? Rows32<I, false, kSource, kMask>(dst, src, mask, count, body)
                             : Rows32<I, true, kSource, kMask>(dst, src, mask, count, body);
  if (done < count) {
    ReferenceKernels().Draw(kind, PixelFormat::kRgb32)(dst + 4 * done,
                                                       Offset(src, 4 * static_cast<ptrdiff_t>(done) * step),
                                                       Offset(mask, static_cast<ptrdiff_t>(done) * step), count - done,
                                                       step, p);
  }
}

template <class I>
void Copy32(uint8_t* dst, const uint8_t* src, const uint8_t* mask, int count, int step, const RowParams& p) {
  if (step == 1 && !p.useKey) {
    std::memmove(dst, src, static_cast<size_t>(count) * 4);
    return;
  }
  const auto key = I::Set32(p.key);
  const bool useKey = p.useKey;
  Drive32<I, true, false>(DrawKind::kCopy, dst, src, mask, count, step, p, [&](auto d, auto s, auto) {
    return useKey ? Select<I>(I::CmpEq32(s, key), d, s) : s;
  });
}

// The constant-opacity blend, the hottest loop of the player: pixels equal to the destination
// (and, with a key, pixels equal to the key) stay.
template <class I, bool kKey>
void AlphaRows32(uint8_t* dst, const uint8_t* src, const uint8_t* mask, int count, int step, const RowParams& p) {
  const auto w = I::Set16(static_cast<int16_t>(p.alpha));
  const auto iw = I::Set16(static_cast<int16_t>(255 - p.alpha));
  const auto key = I::Set32(p.key);
  Drive32<I, true, false>(DrawKind::kAlpha, dst, src, mask, count, step, p, [&](auto d, auto s, auto) {
    auto keep = I::CmpEq32(s, d);
    if constexpr (kKey) keep = I::MaskOr(keep, I::CmpEq32(s, key));
    return Select<I>(keep, d, BlendColour<I>(d, s, w, iw));
  });
}

template <class I>
void Alpha32(uint8_t* dst, const uint8_t* src, const uint8_t* mask, int count, int step, const RowParams& p) {
  if (p.useKey) {
    AlphaRows32<I, true>(dst, src, mask, count, step, p);
  } else {
    AlphaRows32<I, false>(dst, src, mask, count, step, p);
  }
}

template <class I>
void AlphaMask32(uint8_t* dst, const uint8_t* src, const uint8_t* mask, int count, int step, const RowParams& p) {
  const auto a = I::Set16(static_cast<int16_t>(p.alpha));
  const auto full = I::Set32(kMaskFull);
  Drive32<I, true, true>(DrawKind::kAlphaMask, dst, src, mask, count, step, p, [&](auto d, auto s, auto m) {
    // e = m*a >> 8, or a where m is 255
    const auto e = Select<I>(I::CmpEq32(m, full), a, I::Srli16_8(I::Mul16(m, a)));
    const auto keep = I::MaskOr(I::CmpEq32(m, I::Zero()), I::CmpEq32(s, d));
    return Select<I>(keep, d, BlendColour<I>(d, s, e));
  });
}

template <class I>
void Mask32(uint8_t* dst, const uint8_t* src, const uint8_t* mask, int count, int step, const RowParams& p) {
  const auto full = I::Set32(kMaskFull);
  Drive32<I, true, true>(DrawKind::kMask, dst, src, mask, count, step, p, [&](auto d, auto s, auto m) {
    const auto opaque = I::CmpEq32(m, full);
    const auto blended = Select<I>(opaque, s, BlendColour<I>(d, s, m));
    const auto keep = I::MaskOr(I::CmpEq32(m, I::Zero()), I::MaskAndNot(opaque, I::CmpEq32(s, d)));
    return Select<I>(keep, d, blended);
  });
}

template <class I>
void Add32(uint8_t* dst, const uint8_t* src, const uint8_t* mask, int count, int step, const RowParams& p) {
  const auto w = I::Set16(static_cast<int16_t>(p.alpha));
  const auto key = I::Set32(p.key);
  const auto colour = I::Set32(0x00FFFFFF);
  const bool useKey = p.useKey;
  Drive32<I, true, false>(DrawKind::kAdd, dst, src, mask, count, step, p, [&](auto d, auto s, auto) {
    const auto r = I::And(I::AddsU8(d, ScaleColour<I>(s, w)), colour);  // min(255, d + (s*a >> 8))
    return useKey ? Select<I>(I::CmpEq32(s, key), d, r) : r;
  });
}

template <class I>
void AddMask32(uint8_t* dst, const uint8_t* src, const uint8_t* mask, int count, int step, const RowParams& p) {
  const auto a = I::Set16(static_cast<int16_t>(p.alpha));
  const auto colour = I::Set32(0x00FFFFFF);
  Drive32<I, true, true>(DrawKind::kAddMask, dst, src, mask, count, step, p, [&](auto d, auto s, auto m) {
    const auto e = I::Srli16_8(I::Mul16(m, a));  // e = m*a >> 8
    const auto r = I::And(I::AddsU8(d, ScaleColour<I>(s, e)), colour);
    return Select<I>(I::CmpEq32(m, I::Zero()), d, r);
  });
}

template <class I>
void ColorMask32(uint8_t* dst, const uint8_t* src, const uint8_t* mask, int count, int step, const RowParams& p) {
  const auto a = I::Set16(static_cast<int16_t>(p.alpha));
  const auto full = I::Set32(kMaskFull);
  const auto c = I::Set32(p.pixel);
  const bool fullAlpha = p.fullAlpha;
  Drive32<I, false, true>(DrawKind::kColorMask, dst, src, mask, count, step, p, [&](auto d, auto, auto m) {
    // w = m at full alpha; else a where m is 255, otherwise m*a >> 8
    const auto w = fullAlpha ? m : Select<I>(I::CmpEq32(m, full), a, I::Srli16_8(I::Mul16(m, a)));
    const auto keep = I::MaskOr(I::CmpEq32(m, I::Zero()), I::CmpEq32(d, c));
    return Select<I>(keep, d, BlendColour<I>(d, c, w));
  });
}

// Fills walk whole vectors and leave the tail to the reference kernel.
template <class I, class Body>
inline void DriveFill32(FillKind kind, uint8_t* dst, int count, const RowParams& p, Body body) {
  constexpr int n = I::kPixels;
  int i = 0;
  for (; i + n <= count; i += n) I::Store(dst + 4 * i, body(I::Load(dst + 4 * i)));
  if (i < count) ReferenceKernels().Fill(kind, PixelFormat::kRgb32)(dst + 4 * i, count - i, p);
}

template <class I>
void Fill32(uint8_t* dst, int count, const RowParams& p) {
  const auto c = I::Set32(p.pixel);
  DriveFill32<I>(FillKind::kFill, dst, count, p, [&](auto) { return c; });
}

template <class I>
void FillAlpha32(uint8_t* dst, int count, const RowParams& p) {
  const auto c = I::Set32(p.pixel);
  const auto w = I::Set16(static_cast<int16_t>(p.alpha));
  const auto iw = I::Set16(static_cast<int16_t>(255 - p.alpha));
  DriveFill32<I>(FillKind::kAlpha, dst, count, p,
                 [&](auto d) { return Select<I>(I::CmpEq32(d, c), d, BlendColour<I>(d, c, w, iw)); });
}

template <class I>
void FillAdd32(uint8_t* dst, int count, const RowParams& p) {
  const auto c = I::Set32(p.pixel);
  DriveFill32<I>(FillKind::kAdd, dst, count, p, [&](auto d) { return I::AddsU8(d, c); });  // every byte saturates
}

template <class I>
void FillSub32(uint8_t* dst, int count, const RowParams& p) {
  const auto c = I::Set32(p.pixel);
  DriveFill32<I>(FillKind::kSub, dst, count, p, [&](auto d) { return I::SubsU8(d, c); });
}

template <class I>
void Install32(BlendKernels& k) {
  constexpr int f = static_cast<int>(PixelFormat::kRgb32);
  k.draw[static_cast<int>(DrawKind::kCopy)][f] = Copy32<I>;
  k.draw[static_cast<int>(DrawKind::kMask)][f] = Mask32<I>;
  k.draw[static_cast<int>(DrawKind::kAlpha)][f] = Alpha32<I>;
  k.draw[static_cast<int>(DrawKind::kAlphaMask)][f] = AlphaMask32<I>;
  k.draw[static_cast<int>(DrawKind::kAdd)][f] = Add32<I>;
  k.draw[static_cast<int>(DrawKind::kAddMask)][f] = AddMask32<I>;
  k.draw[static_cast<int>(DrawKind::kColorMask)][f] = ColorMask32<I>;
  k.fill[static_cast<int>(FillKind::kFill)][f] = Fill32<I>;
  k.fill[static_cast<int>(FillKind::kAlpha)][f] = FillAlpha32<I>;
  k.fill[static_cast<int>(FillKind::kAdd)][f] = FillAdd32<I>;
  k.fill[static_cast<int>(FillKind::kSub)][f] = FillSub32<I>;
}
