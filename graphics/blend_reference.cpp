// The reference kernel set: every operation and format as a plain scalar row loop over the rules of
// blend_reference.h. This set defines the results; faster sets must match it byte for byte.
#include "graphics/blend_reference.h"

#include <cstddef>
#include <cstring>

namespace kuzo {
namespace {

using namespace blend;

template <PixelFormat F>
constexpr int kBpp = Info(F).bytesPerPixel;

template <PixelFormat F>
void CopyRow(uint8_t* dst, const uint8_t* src, const uint8_t*, int count, int step, const RowParams& p) {
  if (step == 1 && !p.useKey) {
    std::memmove(dst, src, static_cast<size_t>(count) * kBpp<F>);
    return;
  }
  const ptrdiff_t sstep = static_cast<ptrdiff_t>(step) * kBpp<F>;
  for (int i = 0; i < count; ++i, dst += kBpp<F>, src += sstep) {
    uint32_t out;
    if (CopyPixel<F>(0, LoadPixel(F, src), p, out)) StorePixel(F, dst, out);
  }
}

// Shared walk of the source-reading operations: Op(d, s, m, params, out).
template <PixelFormat F, bool kUsesMask, typename Op>
inline void SourceRow(uint8_t* dst, const uint8_t* src, const uint8_t* mask, int count, int step, const RowParams& p,
                      Op op) {
  const ptrdiff_t sstep = static_cast<ptrdiff_t>(step) * kBpp<F>;
  for (int i = 0; i < count; ++i, dst += kBpp<F>, src += sstep) {
    const uint32_t m = kUsesMask ? mask[static_cast<ptrdiff_t>(i) * step] : 255;
    uint32_t out;
    if (op(LoadPixel(F, dst), LoadPixel(F, src), m, p, out)) StorePixel(F, dst, out);
  }
}

template <PixelFormat F>
void MaskRow(uint8_t* dst, const uint8_t* src, const uint8_t* mask, int count, int step, const RowParams& p) {
  SourceRow<F, true>(dst, src, mask, count, step, p, MaskPixel<F>);
}

template <PixelFormat F>
void AlphaRow(uint8_t* dst, const uint8_t* src, const uint8_t* mask, int count, int step, const RowParams& p) {
  SourceRow<F, false>(dst, src, mask, count, step, p,
                      [](uint32_t d, uint32_t s, uint32_t, const RowParams& q, uint32_t& out) {
                        return AlphaPixel<F>(d, s, q, out);
                      });
}

template <PixelFormat F>
void AlphaMaskRow(uint8_t* dst, const uint8_t* src, const uint8_t* mask, int count, int step, const RowParams& p) {
  SourceRow<F, true>(dst, src, mask, count, step, p, AlphaMaskPixel<F>);
}

template <PixelFormat F>
void AddRow(uint8_t* dst, const uint8_t* src, const uint8_t* mask, int count, int step, const RowParams& p) {
  SourceRow<F, false>(dst, src, mask, count, step, p,
                      [](uint32_t d, uint32_t s, uint32_t, const RowParams& q, uint32_t& out) {
                        return AddPixelOp<F>(d, s, q, out);
                      });
}

template <PixelFormat F>
void AddMaskRow(uint8_t* dst, const uint8_t* src, const uint8_t* mask, int count, int step, const RowParams& p) {
  SourceRow<F, true>(dst, src, mask, count, step, p, AddMaskPixel<F>);
}

template <PixelFormat F>
void ColorMaskRow(uint8_t* dst, const uint8_t*, const uint8_t* mask, int count, int step, const RowParams& p) {
  for (int i = 0; i < count; ++i, dst += kBpp<F>) {
    uint32_t out;
    if (ColorMaskPixel<F>(LoadPixel(F, dst), mask[static_cast<ptrdiff_t>(i) * step], p, out)) {
      StorePixel(F, dst, out);
    }
  }
}

template <PixelFormat F>
void FillRow(uint8_t* dst, int count, const RowParams& p) {
  for (int i = 0; i < count; ++i, dst += kBpp<F>) StorePixel(F, dst, p.pixel);
}

template <PixelFormat F>
void FillAlphaRow(uint8_t* dst, int count, const RowParams& p) {
  for (int i = 0; i < count; ++i, dst += kBpp<F>) {
    const uint32_t d = LoadPixel(F, dst);
    if (d == p.pixel) continue;  // pixels already equal to the colour stay
    StorePixel(F, dst, BlendPixel<F>(d, p.pixel, static_cast<uint32_t>(p.alpha)));  // (d*(255-a) + c*a) >> 8
  }
}

template <PixelFormat F>
void FillAddRow(uint8_t* dst, int count, const RowParams& p) {
  for (int i = 0; i < count; ++i, dst += kBpp<F>) StorePixel(F, dst, AddSatPixel<F>(LoadPixel(F, dst), p.pixel));
}

template <PixelFormat F>
void FillSubRow(uint8_t* dst, int count, const RowParams& p) {
  for (int i = 0; i < count; ++i, dst += kBpp<F>) StorePixel(F, dst, SubSatPixel<F>(LoadPixel(F, dst), p.pixel));
}

#define KUZO_ALL_FORMATS(fn)                                                                  \
  {                                                                                           \
    fn<PixelFormat::kIndex8>, fn<PixelFormat::kRgb555>, fn<PixelFormat::kRgb565>,             \
        fn<PixelFormat::kRgb24>, fn<PixelFormat::kRgb32>                                      \
  }

const BlendKernels kReference = {
    "reference",
    {KUZO_ALL_FORMATS(CopyRow), KUZO_ALL_FORMATS(MaskRow), KUZO_ALL_FORMATS(AlphaRow), KUZO_ALL_FORMATS(AlphaMaskRow),
     KUZO_ALL_FORMATS(AddRow), KUZO_ALL_FORMATS(AddMaskRow), KUZO_ALL_FORMATS(ColorMaskRow)},
    {KUZO_ALL_FORMATS(FillRow), KUZO_ALL_FORMATS(FillAlphaRow), KUZO_ALL_FORMATS(FillAddRow),
     KUZO_ALL_FORMATS(FillSubRow)},
};

#undef KUZO_ALL_FORMATS

}  // namespace

const BlendKernels& ReferenceKernels() { return kReference; }

}  // namespace kuzo
