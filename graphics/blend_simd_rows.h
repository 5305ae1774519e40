// Vector row loops for 32-bit destinations, written once over an instruction-set traits class `I`
// (SSE2: 4 pixels, AVX2: 8 pixels). Included only by blend_simd_sse2.cpp and blend_simd_avx2.cpp,
// each inside its own anonymous namespace and target options. Channels are widened to 16-bit lanes:
// d*(255-a) + s*a <= 255*255 fits, so every product is exact. Whole vectors are computed and the
// pixels the rules leave alone are selected back from the destination; the tail of each row runs
// the reference kernel.

// Per-pixel weights (one u32 lane each, value in the low 16 bits) widened to the channel lanes of
// the low and high halves of an unpacked pixel vector.
template <class I>
inline void SpreadWeights(typename I::V e32, typename I::V& lo, typename I::V& hi) {
  const auto ew = I::Or(e32, I::Slli32_16(e32));
  lo = I::UnpackLo32(ew, ew);
  hi = I::UnpackHi32(ew, ew);
}

// (d*(255-w) + s*w) >> 8 on every byte, with weights already in channel lanes. Computed as
// (d*256 - d + (s-d)*w) >> 8 in wrapping 16-bit lanes: the two forms are the same polynomial, so
// they agree modulo 2^16 on every input, and one multiply is saved per lane.
template <class I>
inline typename I::V BlendLanes(typename I::V d, typename I::V s, typename I::V wlo, typename I::V whi) {
  const auto z = I::Zero();
  const auto dlo = I::UnpackLo8(d, z), dhi = I::UnpackHi8(d, z);
  const auto slo = I::UnpackLo8(s, z), shi = I::UnpackHi8(s, z);
  const auto lo = I::Srli16_8(I::Add16(I::Sub16(I::Slli16_8(dlo), dlo), I::Mul16(I::Sub16(slo, dlo), wlo)));
  const auto hi = I::Srli16_8(I::Add16(I::Sub16(I::Slli16_8(dhi), dhi), I::Mul16(I::Sub16(shi, dhi), whi)));
  return I::PackUs16(lo, hi);
}

// (s*w) >> 8 on every byte.
template <class I>
inline typename I::V ScaleLanes(typename I::V s, typename I::V wlo, typename I::V whi) {
  const auto z = I::Zero();
  return I::PackUs16(I::Srli16_8(I::Mul16(I::UnpackLo8(s, z), wlo)), I::Srli16_8(I::Mul16(I::UnpackHi8(s, z), whi)));
}

// keep ? d : r, lane by lane (keep lanes are all-ones or all-zeros).
template <class I>
inline typename I::V Select(typename I::V keep, typename I::V d, typename I::V r) {
  return I::Choose(keep, d, r);
}

// True when the `n` mask bytes at p are all 0: every mask rule leaves those pixels alone, so
// transparent runs of an image cost one test instead of a load, a blend and a store.
template <int n>
inline bool MaskAllZero(const uint8_t* p) {
  static_assert(n % 4 == 0);
  uint32_t acc = 0;
  for (int i = 0; i < n; i += 4) {
    uint32_t v;
    std::memcpy(&v, p + i, 4);
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

// Runs `Rows32` forwards or mirrored, then the reference kernel on what is left.
template <class I, bool kSource, bool kMask, class Body>
inline void Drive32(DrawKind kind, uint8_t* dst, const uint8_t* src, const uint8_t* mask, int count, int step,
                    const RowParams& p, Body body) {
  const int done = step == 1 ? Rows32<I, false, kSource, kMask>(dst, src, mask, count, body)
                             : Rows32<I, true, kSource, kMask>(dst, src, mask, count, body);
  if (done < count) {
    ReferenceKernels().Draw(kind, PixelFormat::kRgb32)(
        dst + 4 * done, src != nullptr ? src + 4 * static_cast<ptrdiff_t>(done) * step : nullptr,
        mask != nullptr ? mask + static_cast<ptrdiff_t>(done) * step : nullptr, count - done, step, p);
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

template <class I>
void Alpha32(uint8_t* dst, const uint8_t* src, const uint8_t* mask, int count, int step, const RowParams& p) {
  const auto w = I::Set16(static_cast<int16_t>(p.alpha));
  const auto key = I::Set32(p.key);
  const auto colour = I::Set32(0x00FFFFFF);
  const bool useKey = p.useKey;
  Drive32<I, true, false>(DrawKind::kAlpha, dst, src, mask, count, step, p, [&](auto d, auto s, auto) {
    auto keep = I::CmpEq32(s, d);  // equal pixels stay
    if (useKey) keep = I::Or(keep, I::CmpEq32(s, key));
    return Select<I>(keep, d, I::And(BlendLanes<I>(d, s, w, w), colour));
  });
}

template <class I>
void AlphaMask32(uint8_t* dst, const uint8_t* src, const uint8_t* mask, int count, int step, const RowParams& p) {
  const auto a = I::Set32(static_cast<uint32_t>(p.alpha));
  const auto full = I::Set32(255);
  const auto colour = I::Set32(0x00FFFFFF);
  Drive32<I, true, true>(DrawKind::kAlphaMask, dst, src, mask, count, step, p, [&](auto d, auto s, auto m) {
    // e = m*a >> 8, or a where m is 255
    const auto e = Select<I>(I::CmpEq32(m, full), a, I::Srli32_8(I::Mul16(m, a)));
    typename I::V lo, hi;
    SpreadWeights<I>(e, lo, hi);
    const auto keep = I::Or(I::CmpEq32(m, I::Zero()), I::CmpEq32(s, d));
    return Select<I>(keep, d, I::And(BlendLanes<I>(d, s, lo, hi), colour));
  });
}

template <class I>
void Mask32(uint8_t* dst, const uint8_t* src, const uint8_t* mask, int count, int step, const RowParams& p) {
  const auto full = I::Set32(255);
  const auto colour = I::Set32(0x00FFFFFF);
  Drive32<I, true, true>(DrawKind::kMask, dst, src, mask, count, step, p, [&](auto d, auto s, auto m) {
    typename I::V lo, hi;
    SpreadWeights<I>(m, lo, hi);
    const auto blended = Select<I>(I::CmpEq32(m, full), s, I::And(BlendLanes<I>(d, s, lo, hi), colour));
    const auto keep = I::Or(I::CmpEq32(m, I::Zero()), I::AndNot(I::CmpEq32(m, full), I::CmpEq32(s, d)));
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
    const auto r = I::And(I::AddsU8(d, ScaleLanes<I>(s, w, w)), colour);  // min(255, d + (s*a >> 8))
    return useKey ? Select<I>(I::CmpEq32(s, key), d, r) : r;
  });
}

template <class I>
void AddMask32(uint8_t* dst, const uint8_t* src, const uint8_t* mask, int count, int step, const RowParams& p) {
  const auto a = I::Set32(static_cast<uint32_t>(p.alpha));
  const auto colour = I::Set32(0x00FFFFFF);
  Drive32<I, true, true>(DrawKind::kAddMask, dst, src, mask, count, step, p, [&](auto d, auto s, auto m) {
    typename I::V lo, hi;
    SpreadWeights<I>(I::Srli32_8(I::Mul16(m, a)), lo, hi);  // e = m*a >> 8
    const auto r = I::And(I::AddsU8(d, ScaleLanes<I>(s, lo, hi)), colour);
    return Select<I>(I::CmpEq32(m, I::Zero()), d, r);
  });
}

template <class I>
void ColorMask32(uint8_t* dst, const uint8_t* src, const uint8_t* mask, int count, int step, const RowParams& p) {
  const auto a = I::Set32(static_cast<uint32_t>(p.alpha));
  const auto full = I::Set32(255);
  const auto c = I::Set32(p.pixel);
  const auto colour = I::Set32(0x00FFFFFF);
  const bool fullAlpha = p.fullAlpha;
  Drive32<I, false, true>(DrawKind::kColorMask, dst, src, mask, count, step, p, [&](auto d, auto, auto m) {
    // w = m at full alpha; else a where m is 255, otherwise m*a >> 8
    const auto w = fullAlpha ? m : Select<I>(I::CmpEq32(m, full), a, I::Srli32_8(I::Mul16(m, a)));
    typename I::V lo, hi;
    SpreadWeights<I>(w, lo, hi);
    const auto keep = I::Or(I::CmpEq32(m, I::Zero()), I::CmpEq32(d, c));
    return Select<I>(keep, d, I::And(BlendLanes<I>(d, c, lo, hi), colour));
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
  const auto colour = I::Set32(0x00FFFFFF);
  DriveFill32<I>(FillKind::kAlpha, dst, count, p, [&](auto d) {
    return Select<I>(I::CmpEq32(d, c), d, I::And(BlendLanes<I>(d, c, w, w), colour));
  });
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
