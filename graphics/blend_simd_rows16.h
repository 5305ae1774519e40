// Vector row loops for 15- and 16-bit destinations over an instruction-set traits class `I`
// (SSE2: 8 pixels, AVX2: 16, AVX-512: 32). Included only by the SIMD kernel files, after
// blend_simd_rows.h. Each channel is taken out into its own 16-bit lanes (at most 6 bits, so
// d*(255-a) + s*a <= 63*255 fits), computed, and packed back; bits outside the channels come out 0.
// Row tails run the reference kernel.

// Channel layout of a 16-bit format: shifts and all-ones values of red, green and blue.
template <PixelFormat F>
struct Layout16 {
  static constexpr FormatInfo kInfo = Info(F);
  static constexpr int kShift[3] = {kInfo.channels[0].shift, kInfo.channels[1].shift, kInfo.channels[2].shift};
  static constexpr int kMax[3] = {static_cast<int>(kInfo.channels[0].max), static_cast<int>(kInfo.channels[1].max),
                                  static_cast<int>(kInfo.channels[2].max)};
};

template <class I, PixelFormat F, int C>
inline typename I::V Channel(typename I::V p) {
  return I::And(I::Srl16(p, Layout16<F>::kShift[C]), I::Set16(static_cast<int16_t>(Layout16<F>::kMax[C])));
}

// Applies `op(d, s, max)` to each channel of two 16-bit pixel vectors and packs the results.
template <class I, PixelFormat F, class Op>
inline typename I::V PerChannel(typename I::V d, typename I::V s, Op op) {
  auto r = I::Zero();
  r = I::Or(r, I::Sll16(op(Channel<I, F, 0>(d), Channel<I, F, 0>(s), Layout16<F>::kMax[0]), Layout16<F>::kShift[0]));
  r = I::Or(r, I::Sll16(op(Channel<I, F, 1>(d), Channel<I, F, 1>(s), Layout16<F>::kMax[1]), Layout16<F>::kShift[1]));
  r = I::Or(r, I::Sll16(op(Channel<I, F, 2>(d), Channel<I, F, 2>(s), Layout16<F>::kMax[2]), Layout16<F>::kShift[2]));
  return r;
}

// blend with one weight per 16-bit lane: (d*(255-w) + s*w) >> 8
template <class I, PixelFormat F>
inline typename I::V Blend16(typename I::V d, typename I::V s, typename I::V w) {
  const auto iw = I::Sub16(I::Set16(255), w);
  return PerChannel<I, F>(d, s, [&](auto dc, auto sc, int) { return I::Srli16_8(I::Add16(I::Mul16(dc, iw), I::Mul16(sc, w))); });
}

// add with one weight per lane: min(max, d + (s*w >> 8))
template <class I, PixelFormat F>
inline typename I::V Add16(typename I::V d, typename I::V s, typename I::V w) {
  return PerChannel<I, F>(d, s, [&](auto dc, auto sc, int max) {
    return I::Min16(I::Add16(dc, I::Srli16_8(I::Mul16(sc, w))), I::Set16(static_cast<int16_t>(max)));
  });
}

template <class I, bool kReverse, bool kSource, bool kMask, class Body>
inline int Rows16(uint8_t* dst, const uint8_t* src, const uint8_t* mask, int count, Body body) {
  constexpr int n = I::kPixels16;
  int i = 0;
  for (; i + n <= count; i += n) {
    if constexpr (kMask) {
      if (MaskAllZero<n>(kReverse ? mask - (i + n - 1) : mask + i)) continue;
    }
    const auto d = I::Load(dst + 2 * i);
    auto s = I::Zero();
    auto m = I::Zero();
    if constexpr (kSource) s = kReverse ? I::LoadReversed16(src - 2 * (i + n - 1)) : I::Load(src + 2 * i);
    if constexpr (kMask) m = kReverse ? I::LoadMask16Reversed(mask - (i + n - 1)) : I::LoadMask16(mask + i);
    I::Store(dst + 2 * i, body(d, s, m));
  }
  return i;
}

template <class I, PixelFormat F, DrawKind K, bool kSource, bool kMask, class Body>
inline void Drive16(uint8_t* dst, const uint8_t* src, const uint8_t* mask, int count, int step, const RowParams& p,
                    Body body) {
  const int i = step == 1 ? Rows16<I, false, kSource, kMask>(dst, src, mask, count, body)
                          : Rows16<I, true, kSource, kMask>(dst, src, mask, count, body);
  if (i < count) {
    ReferenceKernels().Draw(K, F)(dst + 2 * i, src != nullptr ? src + 2 * static_cast<ptrdiff_t>(i) * step : nullptr,
                                  mask != nullptr ? mask + static_cast<ptrdiff_t>(i) * step : nullptr, count - i, step, p);
  }
}

template <class I, PixelFormat F>
void Copy16(uint8_t* dst, const uint8_t* src, const uint8_t* mask, int count, int step, const RowParams& p) {
  if (step == 1 && !p.useKey) {
    std::memmove(dst, src, static_cast<size_t>(count) * 2);
    return;
  }
  const auto key = I::Set16(static_cast<int16_t>(p.key));
  const bool useKey = p.useKey;
  Drive16<I, F, DrawKind::kCopy, true, false>(dst, src, mask, count, step, p, [&](auto d, auto s, auto) {
    return useKey ? Select<I>(I::CmpEq16(s, key), d, s) : s;
  });
}

template <class I, PixelFormat F>
void Alpha16(uint8_t* dst, const uint8_t* src, const uint8_t* mask, int count, int step, const RowParams& p) {
  const auto w = I::Set16(static_cast<int16_t>(p.alpha));
  const auto key = I::Set16(static_cast<int16_t>(p.key));
  const bool useKey = p.useKey;
  Drive16<I, F, DrawKind::kAlpha, true, false>(dst, src, mask, count, step, p, [&](auto d, auto s, auto) {
    auto keep = I::CmpEq16(s, d);
    if (useKey) keep = I::MaskOr(keep, I::CmpEq16(s, key));
    return Select<I>(keep, d, Blend16<I, F>(d, s, w));
  });
}

template <class I, PixelFormat F>
void AlphaMask16(uint8_t* dst, const uint8_t* src, const uint8_t* mask, int count, int step, const RowParams& p) {
  const auto a = I::Set16(static_cast<int16_t>(p.alpha));
  Drive16<I, F, DrawKind::kAlphaMask, true, true>(dst, src, mask, count, step, p, [&](auto d, auto s, auto m) {
    const auto e = I::Srli16_8(I::Mul16(m, a));  // e = m*a >> 8
    const auto keep = I::MaskOr(I::CmpEq16(m, I::Zero()), I::CmpEq16(s, d));
    return Select<I>(keep, d, Blend16<I, F>(d, s, e));
  });
}

template <class I, PixelFormat F>
void Mask16(uint8_t* dst, const uint8_t* src, const uint8_t* mask, int count, int step, const RowParams& p) {
  const auto full = I::Set16(255);
  Drive16<I, F, DrawKind::kMask, true, true>(dst, src, mask, count, step, p, [&](auto d, auto s, auto m) {
    const auto r = Select<I>(I::CmpEq16(m, full), s, Blend16<I, F>(d, s, m));
    const auto keep = I::MaskOr(I::CmpEq16(m, I::Zero()), I::CmpEq16(s, d));
    return Select<I>(keep, d, r);
  });
}

template <class I, PixelFormat F>
void AddOp16(uint8_t* dst, const uint8_t* src, const uint8_t* mask, int count, int step, const RowParams& p) {
  const auto w = I::Set16(static_cast<int16_t>(p.alpha));
  const auto key = I::Set16(static_cast<int16_t>(p.key));
  const bool useKey = p.useKey;
  Drive16<I, F, DrawKind::kAdd, true, false>(dst, src, mask, count, step, p, [&](auto d, auto s, auto) {
    const auto r = Add16<I, F>(d, s, w);
    return useKey ? Select<I>(I::CmpEq16(s, key), d, r) : r;
  });
}

template <class I, PixelFormat F>
void AddMask16(uint8_t* dst, const uint8_t* src, const uint8_t* mask, int count, int step, const RowParams& p) {
  const auto a = I::Set16(static_cast<int16_t>(p.alpha));
  Drive16<I, F, DrawKind::kAddMask, true, true>(dst, src, mask, count, step, p, [&](auto d, auto s, auto m) {
    const auto r = Add16<I, F>(d, s, I::Srli16_8(I::Mul16(m, a)));  // e = m*a >> 8
    return Select<I>(I::CmpEq16(m, I::Zero()), d, r);
  });
}

template <class I, PixelFormat F>
void ColorMask16(uint8_t* dst, const uint8_t* src, const uint8_t* mask, int count, int step, const RowParams& p) {
  const auto a = I::Set16(static_cast<int16_t>(p.alpha));
  const auto c = I::Set16(static_cast<int16_t>(p.pixel));
  const bool fullAlpha = p.fullAlpha;
  Drive16<I, F, DrawKind::kColorMask, false, true>(dst, src, mask, count, step, p, [&](auto d, auto, auto m) {
    const auto w = fullAlpha ? m : I::Srli16_8(I::Mul16(m, a));  // w = m, or m*a >> 8
    const auto keep = I::MaskOr(I::CmpEq16(m, I::Zero()), I::CmpEq16(d, c));
    return Select<I>(keep, d, Blend16<I, F>(d, c, w));
  });
}

template <class I, PixelFormat F, FillKind K, class Body>
inline void DriveFill16(uint8_t* dst, int count, const RowParams& p, Body body) {
  constexpr int n = I::kPixels16;
  int i = 0;
  for (; i + n <= count; i += n) I::Store(dst + 2 * i, body(I::Load(dst + 2 * i)));
  if (i < count) ReferenceKernels().Fill(K, F)(dst + 2 * i, count - i, p);
}

template <class I, PixelFormat F>
void Fill16(uint8_t* dst, int count, const RowParams& p) {
  const auto c = I::Set16(static_cast<int16_t>(p.pixel));
  DriveFill16<I, F, FillKind::kFill>(dst, count, p, [&](auto) { return c; });
}

template <class I, PixelFormat F>
void FillAlpha16(uint8_t* dst, int count, const RowParams& p) {
  const auto c = I::Set16(static_cast<int16_t>(p.pixel));
  const auto w = I::Set16(static_cast<int16_t>(p.alpha));
  DriveFill16<I, F, FillKind::kAlpha>(dst, count, p,
                                      [&](auto d) { return Select<I>(I::CmpEq16(d, c), d, Blend16<I, F>(d, c, w)); });
}

template <class I, PixelFormat F>
void FillAdd16(uint8_t* dst, int count, const RowParams& p) {
  const auto c = I::Set16(static_cast<int16_t>(p.pixel));
  DriveFill16<I, F, FillKind::kAdd>(dst, count, p, [&](auto d) {
    return PerChannel<I, F>(d, c, [](auto dc, auto cc, int max) { return I::Min16(I::Add16(dc, cc), I::Set16(static_cast<int16_t>(max))); });
  });
}

template <class I, PixelFormat F>
void FillSub16(uint8_t* dst, int count, const RowParams& p) {
  const auto c = I::Set16(static_cast<int16_t>(p.pixel));
  DriveFill16<I, F, FillKind::kSub>(dst, count, p, [&](auto d) {
    return PerChannel<I, F>(d, c, [](auto dc, auto cc, int) { return I::SubsU16(dc, cc); });  // max(0, d - c)
  });
}

template <class I, PixelFormat F>
void Install16Format(BlendKernels& k) {
  constexpr int f = static_cast<int>(F);
  k.draw[static_cast<int>(DrawKind::kCopy)][f] = Copy16<I, F>;
  k.draw[static_cast<int>(DrawKind::kMask)][f] = Mask16<I, F>;
  k.draw[static_cast<int>(DrawKind::kAlpha)][f] = Alpha16<I, F>;
  k.draw[static_cast<int>(DrawKind::kAlphaMask)][f] = AlphaMask16<I, F>;
  k.draw[static_cast<int>(DrawKind::kAdd)][f] = AddOp16<I, F>;
  k.draw[static_cast<int>(DrawKind::kAddMask)][f] = AddMask16<I, F>;
  k.draw[static_cast<int>(DrawKind::kColorMask)][f] = ColorMask16<I, F>;
  k.fill[static_cast<int>(FillKind::kFill)][f] = Fill16<I, F>;
  k.fill[static_cast<int>(FillKind::kAlpha)][f] = FillAlpha16<I, F>;
  k.fill[static_cast<int>(FillKind::kAdd)][f] = FillAdd16<I, F>;
  k.fill[static_cast<int>(FillKind::kSub)][f] = FillSub16<I, F>;
}

template <class I>
void Install16(BlendKernels& k) {
  Install16Format<I, PixelFormat::kRgb555>(k);
  Install16Format<I, PixelFormat::kRgb565>(k);
}
