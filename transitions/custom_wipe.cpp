// The transition base: the common step rule, progress arithmetic in 64 bits, and the mask compositor.
#include "transitions/custom_wipe.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "transitions/wipe_rows.h"
#include "transitions/wipe_surface_ops.h"

namespace kuzo {

int32_t RoundEven(double v) {
  if (std::isnan(v)) return 0;
  const double r = std::nearbyint(v);  // the default rounding mode: nearest, ties to even
  if (r <= std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  if (r >= std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(r);
}

TCustomWipe::TCustomWipe(TCustomDIBX& dest, const TCustomDIBX& from, const TCustomDIBX& to,
                         const WipeServices& services)
    : Dest(dest), From(from), To(to), services_(services) {
  PixelFormat fd, ff, ft;
  if (wipe::FormatOf(dest, fd) && wipe::FormatOf(from, ff) && wipe::FormatOf(to, ft) && fd == ff && fd == ft) {
    width_ = std::min({dest.Width(), from.Width(), to.Width()});
    height_ = std::min({dest.Height(), from.Height(), to.Height()});
  }
  DirtyRect = dest.BoundsRect();
}

TCustomWipe::~TCustomWipe() = default;

int32_t TCustomWipe::GetParam(int index) const { return index == 0 || index == 1 ? Params[index] : 0; }

void TCustomWipe::SetParam(int index, int32_t value) {
  if (index == 0 || index == 1) Params[index] = value;
}

bool TCustomWipe::StepFrame() {
  if (Elapsed >= Duration || Duration <= 0) return true;
  DirtyRect = Dest.BoundsRect();
  const wipe::StreamingRows streaming(std::abs(int64_t{Dest.Pitch()}) * Dest.Height() >= wipe::kStreamingFrameBytes);
  if (width_ > 0 && height_ > 0 && Elapsed >= 0) DrawFrame();
  return false;
}

int64_t TCustomWipe::Scaled(int64_t value) const {
  if (Duration <= 0) return value;
  // Parameters near the 32-bit limits make products beyond 64 bits; the quotient fits again.
  const __int128 product = static_cast<__int128>(value) * std::max<int32_t>(Elapsed, 0);
  return static_cast<int64_t>(product / Duration);
}

double TCustomWipe::Progress() const { return Duration <= 0 ? 1.0 : static_cast<double>(Elapsed) / Duration; }

double TCustomWipe::Remaining() const {
  return Duration <= 0 ? 0.0 : (static_cast<double>(Duration) - Elapsed - 1) / Duration;
}

int32_t TCustomWipe::Random(int32_t range) {
  RuntimeRandom& r = services_.random != nullptr ? *services_.random : fallbackRandom_;
  return r.Next(range);
}

bool TCustomWipe::RowsDirect() const {
  PixelFormat f;
  return wipe::FormatOf(Dest, f) && f == PixelFormat::kRgb32 && !Dest.ClipIsSet();
}

void TCustomWipe::ShowGrey(const TCustomDIBX& picture, int v, bool subtract) {
  if (!RowsDirect()) {
    Show(picture);
    wipe::AddGrey(Dest, Area(), v, subtract);
    return;
  }
  const uint32_t grey = v > 0 ? wipe::GreyPixel(Dest, v) : 0;
  for (int y = 0; y < H(); ++y) wipe::GreyRow32(Dest.Lock(0, y), picture.Lock(0, y), W(), grey, subtract);
}

void TCustomWipe::ShowFade(const TCustomDIBX& base, const TCustomDIBX& over, int alpha, int x, int y) {
  if (!RowsDirect()) {
    Show(base);
    Dest.DrawAlpha(x, y, alpha, false, false, false, Area(), over);
    return;
  }
  const int w = W();
  // Columns [x0, x1) of the area are covered by `over`, whose column is x - offset.
  const int64_t x0 = std::clamp<int64_t>(x, 0, w), x1 = std::clamp<int64_t>(int64_t{x} + w, 0, w);
  for (int r = 0; r < H(); ++r) {
    uint8_t* d = Dest.Lock(0, r);
    const uint8_t* b = base.Lock(0, r);
    const int64_t overRow = int64_t{r} - y;
    if (alpha <= 0 || overRow < 0 || overRow >= H() || x0 >= x1) {
      std::memcpy(d, b, static_cast<size_t>(w) * 4);
      continue;
    }
    std::memcpy(d, b, static_cast<size_t>(x0) * 4);
    wipe::FadeRow32(d + x0 * 4, b + x0 * 4, over.Lock(static_cast<int>(x0 - x), static_cast<int>(overRow)),
                    static_cast<int>(x1 - x0), std::min(alpha, 255));
    std::memcpy(d + x1 * 4, b + x1 * 4, static_cast<size_t>(w - x1) * 4);
  }
}

// --- TWipeMask ----------------------------------------------------------------------------------------

void TWipeMask::SetParam(int index, int32_t value) {
  if (index == 0) value = std::max(value, 2);
  if (index == 1) value = std::max(value, 1);
  TCustomWipe::SetParam(index, value);
}

int TWipeMask::MaskRows() const { return std::clamp(MaskHeight(), 1, std::max(H(), 1)); }

void TWipeMask::Prepare() {
  Mask.assign(static_cast<size_t>(W()) * static_cast<size_t>(MaskRows()), 0);
  LastLevel = -1;
}

bool TWipeMask::NewLevel(int64_t level) {
  const int32_t l = static_cast<int32_t>(std::clamp<int64_t>(level, 0, std::numeric_limits<int32_t>::max()));
  if (l == LastLevel) return false;
  LastLevel = l;
  return true;
}

uint8_t TWipeMask::Ramp(int64_t level, int64_t start) const {
  if (level < start) return 0;
  return static_cast<uint8_t>(std::min<int64_t>(255, (level - start) * 255 / std::max(Params[1], 1)));
}

namespace {
// Runs of whole pixels at least this long are copied with memcpy; shorter ones pixel by pixel.
constexpr int kLongRun = 16;
// Pixels selected one by one before looking for a long run again.
constexpr int kSelectStretch = 64;
}  // namespace

void TWipeMask::DrawFrame() {
  const size_t need = static_cast<size_t>(W()) * static_cast<size_t>(MaskRows());
  if (Mask.size() != need) Prepare();  // a step without Prepare still gets a mask of the right size
  if (!UpdateMask()) return;
  PixelFormat f;
  if (!wipe::FormatOf(Dest, f)) return;
  const int rows = MaskRows();
  const bool hard = HardEdge;
  const int w = W();
  if (f == PixelFormat::kRgb32) {
    for (int y = 0; y < H(); ++y) {
      wipe::ComposeRow32(Dest.Lock(0, y), From.Lock(0, y), To.Lock(0, y), MaskRow(y % rows), w, hard);
    }
    return;
  }
  wipe::WithFormat(f, [&]<PixelFormat F>() {
    constexpr int bpp = Info(F).bytesPerPixel;
    for (int y = 0; y < H(); ++y) {
      const uint8_t* m = MaskRow(y % rows);
      const uint8_t* fr = From.Lock(0, y);
      const uint8_t* tr = To.Lock(0, y);
      uint8_t* dr = Dest.Lock(0, y);
      // The row in runs: mask 0 copies From, 255 (any non-zero value with a hard edge) copies To,
      // values in between mix: (t*m + f*(255-m)) >> 8 per channel.
      int x = 0;
      const auto copy = [&](uint8_t* d, const uint8_t* src, int from, int to) {
        if (to - from >= kLongRun) {
          std::memcpy(d + static_cast<ptrdiff_t>(from) * bpp, src + static_cast<ptrdiff_t>(from) * bpp,
                      static_cast<size_t>(to - from) * bpp);
        } else {
          for (int i = from; i < to; ++i) wipe::Store<F>(d + i * bpp, wipe::Load<F>(src + i * bpp));
        }
      };
      if (hard) {
        // Selected pixels only: long runs are copied whole; where the mask changes often (the
        // dissolve), a stretch of pixels is selected one by one without looking for runs.
        while (x < w) {
          const bool on = m[x] != 0;
          int end = x;
          while (end < w && (m[end] != 0) == on && end - x < kLongRun) ++end;
          if (end - x >= kLongRun) {
            while (end < w && (m[end] != 0) == on) ++end;
            copy(dr, on ? tr : fr, x, end);
            x = end;
            continue;
          }
          end = std::min(w, x + kSelectStretch);
          for (; x < end; ++x) {
            const ptrdiff_t p = static_cast<ptrdiff_t>(x) * bpp;
            wipe::Store<F>(dr + p, wipe::Load<F>((m[x] != 0 ? tr : fr) + p));
          }
        }
        continue;
      }
      while (x < w) {
        const int start = x;
        if (m[x] == 0) {
          while (x < w && m[x] == 0) ++x;
          copy(dr, fr, start, x);
        } else if (m[x] == 255 || hard) {
          if (hard) {
            while (x < w && m[x] != 0) ++x;
          } else {
            while (x < w && m[x] == 255) ++x;
          }
          copy(dr, tr, start, x);
        } else {
          while (x < w && m[x] != 0 && m[x] != 255) ++x;
          if constexpr (F == PixelFormat::kRgb32) {
            const ptrdiff_t o = static_cast<ptrdiff_t>(start) * 4;
            wipe::MixRow32(dr + o, fr + o, tr + o, m + start, x - start);
          } else {
            for (int i = start; i < x; ++i) {
              wipe::Store<F>(dr + i * bpp, wipe::MixPixel<F>(wipe::Load<F>(fr + i * bpp), wipe::Load<F>(tr + i * bpp), m[i]));
            }
          }
        }
      }
    }
  });
}

}  // namespace kuzo
