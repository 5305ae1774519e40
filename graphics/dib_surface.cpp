// TDIBSurface: the decoded-image buffer with its mask companion and the layer compositing of the
// image readers. The compositing works on raw pixels of two buffers of the same size and format.
#include "graphics/dib_surface.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "core/errors.h"

namespace kuzo {
namespace {

// Ordered-dither thresholds of the 4 x 4 Bayer matrix.
constexpr int kBayer4[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
// Dither levels above this copy every pixel.
constexpr int kDitherAllLevel = 14;

// A channel of `bits` bits widened to 8 by repeating its top bits: c5 -> c5*8 + c5/4.
uint32_t Widen(uint32_t v, int bits) {
  const uint32_t r = v << (8 - bits);
  return r | (r >> bits);
}

// The pixel mask for key comparisons at the buffer's pixel width.
uint32_t WidthMask(int bits) {
  switch (bits) {
    case 1: return 1;
    case 4: return 15;
    case 8: return 0xFF;
    case 15: case 16: return 0xFFFF;
    case 24: return 0xFFFFFF;
    default: return 0xFFFFFFFF;
  }
}

// Equal size and format, and not empty (empty buffers have no rows to address).
bool SameGeometry(const TDIBSurface& a, const TDIBSurface& b) {
  return a.Width() == b.Width() && a.Height() == b.Height() && a.BitCount() == b.BitCount() && a.Width() > 0 &&
         a.Height() > 0;
}

}  // namespace

void TDIBSurface::SetSize(int width, int height, int bits) {
  TDIBX::SetSize(width, height, bits);
  if (mask_ != nullptr) mask_->SetSize(width, height, 8);
}

TDIBSurface& TDIBSurface::CreateMask(uint8_t fill) {
  mask_ = std::make_unique<TDIBSurface>(Width(), Height(), 8);
  if (fill != 0) mask_->Fill(fill);
  return *mask_;
}

void TDIBSurface::AdoptMask(std::unique_ptr<TDIBSurface> mask) {
  if (mask != nullptr && (mask->BitCount() != 8 || mask->Width() != Width() || mask->Height() != Height())) {
    throw KuzoError(Format("mask %d x %d at %d bits does not fit a %d x %d image", mask->Width(), mask->Height(),
                           mask->BitCount(), Width(), Height()));
  }
  mask_ = std::move(mask);
}

ColorValue TDIBSurface::PixelToColor(Pixel p) const {
  uint32_t r, g, b;
  switch (BitCount()) {
    case 1: case 4: case 8: {
      TRGBQuad q;
      GetPaletteRange(&q, static_cast<int>(p & 255), 1);
      r = q.red, g = q.green, b = q.blue;
      break;
    }
    case 15: r = Widen((p >> 10) & 31, 5), g = Widen((p >> 5) & 31, 5), b = Widen(p & 31, 5); break;
    case 16: r = Widen((p >> 11) & 31, 5), g = Widen((p >> 5) & 63, 6), b = Widen(p & 31, 5); break;
    default: r = (p >> 16) & 255, g = (p >> 8) & 255, b = p & 255; break;
  }
  return static_cast<ColorValue>(r | g << 8 | b << 16);
}

Pixel TDIBSurface::NearestPixel(ColorValue colour) const {
  const int bits = BitCount();
  if (bits > 8) return static_cast<Pixel>(ColorToPixel(colour < 0 ? 0 : colour));
  const uint32_t c = static_cast<uint32_t>(colour < 0 ? 0 : colour);
  const int r = c & 255, g = (c >> 8) & 255, b = (c >> 16) & 255;
  TPalette palette;
  GetPalette(palette);
  const int entries = 1 << bits;
  int best = 0;
  int64_t bestDistance = INT64_MAX;
  for (int i = 0; i < entries; ++i) {
    const TRGBQuad& q = palette[static_cast<size_t>(i)];
    const int64_t dr = q.red - r, dg = q.green - g, db = q.blue - b;
    const int64_t d = dr * dr + dg * dg + db * db;
    if (d < bestDistance) best = i, bestDistance = d;
  }
  return static_cast<Pixel>(best);
}

namespace {

// Channel values of a picture for resizing: R, G, B of each pixel (a mask has one channel), and
// whether the pixel equals the key.
struct Samples {
  int width = 0, height = 0, channels = 3;
  std::vector<uint8_t> values;
  std::vector<uint8_t> keyed;
  const uint8_t* At(int x, int y) const {
    return values.data() + (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * channels;
  }
};

Samples Sample(const TDIBSurface& s, int32_t key, bool mask) {
  Samples out;
  out.width = s.Width(), out.height = s.Height(), out.channels = mask ? 1 : 3;
  out.values.resize(static_cast<size_t>(out.width) * static_cast<size_t>(out.height) * static_cast<size_t>(out.channels));
  out.keyed.resize(static_cast<size_t>(out.width) * static_cast<size_t>(out.height));
  const uint32_t widthMask = WidthMask(s.BitCount());
  size_t i = 0, k = 0;
  for (int y = 0; y < out.height; ++y) {
    for (int x = 0; x < out.width; ++x, ++k) {
      const Pixel p = s.GetPixel(x, y) & widthMask;
      out.keyed[k] = key != -1 && p == (static_cast<uint32_t>(key) & widthMask);
      if (mask) {
        out.values[i++] = static_cast<uint8_t>(p);
        continue;
      }
      const uint32_t c = static_cast<uint32_t>(s.PixelToColor(p));
      out.values[i++] = static_cast<uint8_t>(c), out.values[i++] = static_cast<uint8_t>(c >> 8);
      out.values[i++] = static_cast<uint8_t>(c >> 16);
    }
  }
  return out;
}

// The smooth resize of `src` into channel values of width x height.
std::vector<uint8_t> SmoothResize(const Samples& src, int width, int height) {
  const int n = src.channels;
  std::vector<uint8_t> out(static_cast<size_t>(width) * static_cast<size_t>(height) * static_cast<size_t>(n));
  const double sx = static_cast<double>(width) / src.width, sy = static_cast<double>(height) / src.height;
  const bool enlarge = width > src.width || height > src.height;
  uint8_t* o = out.data();
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x, o += n) {
      if (enlarge) {
        const double fx = x / sx, fy = y / sy;
        const int ix = std::min(static_cast<int>(fx), src.width - 1), iy = std::min(static_cast<int>(fy), src.height - 1);
        const int ix1 = std::min(ix + 1, src.width - 1), iy1 = std::min(iy + 1, src.height - 1);
        const double f = fx - ix, g = fy - iy;
        for (int c = 0; c < n; ++c) {
          const double v = src.At(ix, iy)[c] * (1 - f) * (1 - g) + src.At(ix1, iy)[c] * f * (1 - g) +
                           src.At(ix, iy1)[c] * (1 - f) * g + src.At(ix1, iy1)[c] * f * g;
          o[c] = static_cast<uint8_t>(std::clamp<long>(std::lround(v), 0, 255));
        }
        continue;
      }
      // Columns trunc(x / sx) .. trunc((x + 1) / sx) - 1, and the same for rows (at least one).
      const int x0 = std::min(static_cast<int>(x / sx), src.width - 1);
      const int x1 = std::clamp(static_cast<int>((x + 1) / sx) - 1, x0, src.width - 1);
      const int y0 = std::min(static_cast<int>(y / sy), src.height - 1);
      const int y1 = std::clamp(static_cast<int>((y + 1) / sy) - 1, y0, src.height - 1);
      uint64_t sum[3] = {0, 0, 0}, count = 0;
      for (int yy = y0; yy <= y1; ++yy) {
        for (int xx = x0; xx <= x1; ++xx) {
          if (src.keyed[static_cast<size_t>(yy) * static_cast<size_t>(src.width) + static_cast<size_t>(xx)]) continue;
          for (int c = 0; c < n; ++c) sum[c] += src.At(xx, yy)[c];
          ++count;
        }
      }
      for (int c = 0; c < n; ++c) o[c] = count == 0 ? 0 : static_cast<uint8_t>((sum[c] + count / 2) / count);
    }
  }
  return out;
}

}  // namespace

void TDIBSurface::Resize(int width, int height, int32_t key, bool smooth) { ResizePlane(width, height, key, smooth, false); }

void TDIBSurface::ResizePlane(int width, int height, int32_t key, bool smooth, bool isMask) {
  if (width == Width() && height == Height()) return;
  if (mask_ != nullptr) mask_->ResizePlane(width, height, -1, smooth, true);
  std::unique_ptr<TDIBSurface> mask = std::move(mask_);
  const int oldWidth = Width(), oldHeight = Height();
  if (oldWidth <= 0 || oldHeight <= 0 || width <= 0 || height <= 0) {
    TDIBX::SetSize(std::max(width, 0), std::max(height, 0), smooth && !isMask ? 24 : BitCount());
    mask_ = std::move(mask);
    return;
  }
  if (!smooth) {
    TDIBSurface copy(width, height, BitCount());
    if (BitCount() <= 8) {
      TPalette palette;
      GetPalette(palette);
      copy.SetPalette(palette);
    }
    for (int y = 0; y < height; ++y) {
      const int sy = static_cast<int>(int64_t{y} * oldHeight / height);
      for (int x = 0; x < width; ++x) copy.SetPixel(x, y, GetPixel(static_cast<int>(int64_t{x} * oldWidth / width), sy));
    }
    *this = std::move(copy);
    mask_ = std::move(mask);
    return;
  }
  const std::vector<uint8_t> values = SmoothResize(Sample(*this, key, isMask), width, height);
  TDIBX::SetSize(width, height, isMask ? 8 : 24);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = Lock(0, y);
    for (int x = 0; x < width; ++x) {
      const uint8_t* v = values.data() + (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * (isMask ? 1 : 3);
      if (isMask) {
        row[x] = v[0];
      } else {
        row[3 * x] = v[2], row[3 * x + 1] = v[1], row[3 * x + 2] = v[0];  // blue, green, red
      }
    }
  }
  mask_ = std::move(mask);
}

void TDIBSurface::KeyedCopy(const TDIBSurface& source, int32_t key) {
  if (!SameGeometry(*this, source)) return;
  const int w = Width(), h = Height(), bits = BitCount();
  if (key == -1) {
    const size_t rowBytes = static_cast<size_t>(std::min(Pitch(), source.Pitch()));
    for (int y = 0; y < h; ++y) std::memcpy(Lock(0, y), source.Lock(0, y), rowBytes);
    return;
  }
  const uint32_t k = static_cast<uint32_t>(key) & WidthMask(bits);
  if (bits < 8) {
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const Pixel s = source.GetPixel(x, y);
        if (s != k) SetPixel(x, y, s);
      }
    }
    return;
  }
  PixelFormat format;
  DrawFormat(format);
  const int bpp = Info(format).bytesPerPixel;
  for (int y = 0; y < h; ++y) {
    uint8_t* d = Lock(0, y);
    const uint8_t* s = source.Lock(0, y);
    for (int x = 0; x < w; ++x, d += bpp, s += bpp) {
      const uint32_t v = LoadPixel(format, s);
      if (v != k) std::memcpy(d, s, static_cast<size_t>(bpp));
    }
  }
}

void TDIBSurface::BlendKeyed(const TDIBSurface& source, int opacity, int32_t key) {
  if (opacity == 0 || !SameGeometry(*this, source)) return;
  if (opacity >= 255 || opacity < 0) {
    KeyedCopy(source, key);
    return;
  }
  const int w = Width(), h = Height(), bits = BitCount();
  const uint32_t widthMask = WidthMask(bits);
  const bool keyed = key != -1;
  const uint32_t k = static_cast<uint32_t>(key) & widthMask;
  const uint32_t a = static_cast<uint32_t>(opacity);
  if (bits <= 8) {
    // Palette indices cannot be mixed: copy a dithered share of the pixels instead.
    const int level = opacity / 16;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        if (level <= kDitherAllLevel && kBayer4[y & 3][x & 3] > level) continue;
        const Pixel s = source.GetPixel(x, y);
        if (!keyed || s != k) SetPixel(x, y, s);
      }
    }
    return;
  }
  PixelFormat format;
  DrawFormat(format);
  const FormatInfo info = Info(format);
  const uint32_t divisor = bits == 32 ? 256 : 255;
  for (int y = 0; y < h; ++y) {
    uint8_t* dp = Lock(0, y);
    const uint8_t* sp = source.Lock(0, y);
    for (int x = 0; x < w; ++x, dp += info.bytesPerPixel, sp += info.bytesPerPixel) {
      const uint32_t s = LoadPixel(format, sp);
      if (keyed && s == k) continue;
      const uint32_t d = LoadPixel(format, dp);
      uint32_t out = 0;
      for (const ChannelInfo& c : info.channels) {
        // r = (d*(255-a) + s*a) / 255 (15, 16, 24 bits) or / 256 (32 bits), per channel
        const uint32_t dc = (d & c.mask) >> c.shift, sc = (s & c.mask) >> c.shift;
        out |= ((dc * (255 - a) + sc * a) / divisor) << c.shift & c.mask;
      }
      StorePixel(format, dp, out);
    }
  }
}

void TDIBSurface::ComposeMasked(const TDIBSurface& source, const TDIBSurface& mask) {
  if (!SameGeometry(*this, source) || mask.BitCount() != 8 || mask.Width() != Width() ||
      mask.Height() != Height()) {
    return;
  }
  const int w = Width(), h = Height(), bits = BitCount();
  PixelFormat format;
  const bool packed = bits >= 8 && DrawFormat(format);
  const FormatInfo info = packed ? Info(format) : FormatInfo{};
  for (int y = 0; y < h; ++y) {
    const uint8_t* mp = mask.Lock(0, y);
    for (int x = 0; x < w; ++x) {
      const uint32_t m = mp[x];
      if (m == 0) continue;
      if (!packed) {
        // 1- and 4-bit indices cannot be mixed: coverage of half or more copies the source.
        if (m >= 128) SetPixel(x, y, source.GetPixel(x, y));
        continue;
      }
      uint8_t* dp = Lock(x, y);
      const uint8_t* sp = source.Lock(x, y);
      if (m == 255) {
        std::memcpy(dp, sp, static_cast<size_t>(info.bytesPerPixel));
        continue;
      }
      const uint32_t s = LoadPixel(format, sp), d = LoadPixel(format, dp);
      uint32_t out = 0;
      for (int i = 0; i < info.channelCount; ++i) {
        const ChannelInfo& c = info.channels[i];
        // r = (d*(255-m) + s*m) / 256 per channel
        const uint32_t dc = (d & c.mask) >> c.shift, sc = (s & c.mask) >> c.shift;
        out |= ((dc * (255 - m) + sc * m) >> 8) << c.shift & c.mask;
      }
      StorePixel(format, dp, out);
    }
  }
}

}  // namespace kuzo
