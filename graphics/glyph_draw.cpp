// Glyph primitives and character drawing. Each primitive clips the glyph against the destination's
// clip rectangle once, then walks the remaining pixels row by row on locked memory.
#include "graphics/glyph_draw.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

namespace kuzo {
namespace {

// The part of a glyph placed at (x, y) that lies inside `clip`: source start and size, destination.
struct Span {
  int sx = 0, sy = 0, w = 0, h = 0, dx = 0, dy = 0;
  bool Empty() const { return w <= 0 || h <= 0; }
};

Span ClipGlyph(const TFontPixel& g, const TRect& clip, int x, int y) {
  Span s{0, 0, g.Width(), g.Height(), x, y};
  if (s.dx < clip.left) {
    s.sx += clip.left - s.dx;
    s.w -= clip.left - s.dx;
    s.dx = clip.left;
  }
  if (s.dy < clip.top) {
    s.sy += clip.top - s.dy;
    s.h -= clip.top - s.dy;
    s.dy = clip.top;
  }
  s.w = static_cast<int>(std::min<int64_t>(s.w, int64_t{clip.right} - s.dx));
  s.h = static_cast<int>(std::min<int64_t>(s.h, int64_t{clip.bottom} - s.dy));
  return s;
}

bool ColorWritable(const TCustomDIBX& d) {
  int bits = d.BitCount();
  return bits == 15 || bits == 16 || bits == 32;
}

bool CoverageWritable(const TCustomDIBX& d) { return d.BitCount() == 8 && d.Width() > 0 && d.Height() > 0; }

struct Masks {
  uint32_t m[3];
};
Masks MasksOf(const TCustomDIBX& d) { return {{d.RedMask(), d.GreenMask(), d.BlueMask()}}; }

// ((a*wa + b*wb) >> 8) & m for each channel, OR-ed.
uint32_t MixChannels(const Masks& ms, uint32_t a, uint32_t wa, uint32_t b, uint32_t wb) {
  uint32_t out = 0;
  for (uint32_t m : ms.m) {
    uint64_t v = (static_cast<uint64_t>(a & m) * wa + static_cast<uint64_t>(b & m) * wb) >> 8;
    out |= static_cast<uint32_t>(v) & m;
  }
  return out;
}

uint32_t ReadPixel(const uint8_t* row, int x, int bits) {
  if (bits == 32) return reinterpret_cast<const uint32_t*>(row)[x];
  return reinterpret_cast<const uint16_t*>(row)[x];
}
void WritePixel(uint8_t* row, int x, int bits, uint32_t v) {
  if (bits == 32) {
    reinterpret_cast<uint32_t*>(row)[x] = v;
  } else {
    reinterpret_cast<uint16_t*>(row)[x] = static_cast<uint16_t>(v);
  }
}

// x / 255 for 0 <= x <= 255 * 255, without a division.
constexpr uint32_t Div255(uint32_t x) { return (x + 1 + (x >> 8)) >> 8; }

// Colour weights c * 255 / a for every coverage c and accumulated coverage a (a >= c whenever it is
// used, so every weight fits a byte); looked up instead of divided per stamped pixel.
struct WeightTable {
  uint8_t w[256][256];
  WeightTable() {
    for (uint32_t c = 0; c < 256; ++c) {
      for (uint32_t a = 0; a < 256; ++a) w[c][a] = static_cast<uint8_t>(a == 0 ? 255 : std::min<uint32_t>(255, c * 255 / a));
    }
  }
};
const WeightTable& Weights() {
  static const WeightTable table;
  return table;
}

// DrawOver on one pixel: colour row pointer and coverage byte.
inline void OverPixel(const Masks& ms, uint8_t* crow, int cx, int bits, uint8_t& a, uint8_t c, uint32_t colour) {
  if (c == 0) return;
  if (c == 255) {
    WritePixel(crow, cx, bits, colour);
    a = 255;
    return;
  }
  uint32_t a2 = a + Div255(c * (255u - a));  // a + c*(255-a)/255
  a = static_cast<uint8_t>(a2);
  uint32_t w = Weights().w[c][a2];          // c*255/a', 255 when a' = 0
  WritePixel(crow, cx, bits, MixChannels(ms, colour, w, ReadPixel(crow, cx, bits), 255u - w));
}

TRect Band(int left, int top, int width, int height) { return {left, top, left + width, top + height}; }

struct Stamp {
  uint8_t* colorBase;
  uint8_t* coverageBase;
  ptrdiff_t colorPitch, coveragePitch;
  TRect clip;
  bool inside;
  int radius;
  uint32_t colour;
  Masks ms;
};

// The outline stamping loop for one pixel size: every inked pixel applies the DrawOver rule at each
// offset within the radius, in row, pixel, dy, dx order.
template <typename P>
void StampOutline(const TFontPixel& g, const Stamp& s, int x, int y) {
  const WeightTable& weights = Weights();
  const int r = s.radius;
  for (int row = 0; row < g.Height(); ++row) {
    const uint8_t* src = g.Glyph.Lock(0, row);
    for (int col = 0; col < g.Width(); ++col) {
      const uint32_t c = src[col];
      if (c == 0) continue;
      for (int dy = -r; dy <= r; ++dy) {
        int64_t ty = int64_t{y} + row + dy;
        if (!s.inside && (ty < s.clip.top || ty >= s.clip.bottom)) continue;
        P* crow = reinterpret_cast<P*>(s.colorBase + static_cast<ptrdiff_t>(ty) * s.colorPitch);
        uint8_t* arow = s.coverageBase + static_cast<ptrdiff_t>(ty) * s.coveragePitch;
        for (int dx = -r; dx <= r; ++dx) {
          if (dx == 0 && dy == 0) continue;
          int64_t tx = int64_t{x} + col + dx;
          if (!s.inside && (tx < s.clip.left || tx >= s.clip.right)) continue;
          if (c == 255) {
            crow[tx] = static_cast<P>(s.colour);
            arow[tx] = 255;
            continue;
          }
          uint32_t a = arow[tx];
          uint32_t a2 = a + Div255(c * (255u - a));
          arow[tx] = static_cast<uint8_t>(a2);
          uint32_t w = weights.w[c][a2];
          crow[tx] = static_cast<P>(MixChannels(s.ms, s.colour, w, crow[tx], 255u - w));
        }
      }
    }
  }
}

// DrawOnColor's pixel for every coverage (1..254 mixed, 255 the foreground) with one foreground,
// background and layout: remembered per thread, as a page draws many glyphs in the same colours.
const uint32_t* OnColorTable(Pixel foreground, Pixel background, const Masks& ms, int bits) {
  struct Table {
    bool valid = false;
    Pixel fg = 0, bg = 0;
    Masks ms{};
    int bits = 0;
    uint32_t pixel[256] = {};
  };
  thread_local Table t;
  if (!t.valid || t.fg != foreground || t.bg != background || t.bits != bits ||
      !std::equal(std::begin(ms.m), std::end(ms.m), std::begin(t.ms.m))) {
    t.fg = foreground;
    t.bg = background;
    t.ms = ms;
    t.bits = bits;
    t.pixel[0] = 0;  // never used: coverage 0 leaves the pixel
    for (uint32_t c = 1; c < 255; ++c) t.pixel[c] = MixChannels(ms, foreground, c, background, 255u - c);
    t.pixel[255] = foreground;
    t.valid = true;
  }
  return t.pixel;
}

// Radii up to this use a glyph's stamp plan (at most (2r+1)^2 - 1 stamps per target, and target
// offsets in 16 bits); wider outlines (rare) stamp directly.
constexpr int kMaxPlanRadius = 16;
constexpr int kMaxPlanExtent = 1 << 14;

}  // namespace

// Outline stamps regrouped by the pixel they land on. A stamp reads and writes only its own target
// pixel, so applying each pixel's stamps in their stamping order (source rows, then pixels) gives the
// stamping loop's result. A full-coverage stamp sets colour and coverage 255 whatever was there, so
// only the stamps after a pixel's last full one are kept, marked to start from that state.
// Each pixel's outcome depends only on the colour and its starting colour and coverage, so the last
// outcome per target is remembered for the two most recent colours (border and shadow): redrawing a
// glyph onto the same background, as every page render does, copies results instead of mixing.
struct TOutlinePlan {
  struct Target {            // 12 bytes: plans of a page's glyphs stay in cache
    int16_t x = 0, y = 0;     // from the glyph's top-left pixel
    uint16_t count = 0;       // stamps: coverage[first, first + count)
    bool reset = false;       // begins at the colour with coverage 255
    uint32_t first = 0;
  };
  struct Outcome {
    uint32_t fromPixel = 0, toPixel = 0;
    uint8_t fromCoverage = 0, toCoverage = 0;
    bool valid = false;
  };
  struct Memo {
    Pixel colour = 0;
    Masks ms{};
    int bits = 0;
    uint64_t lastUse = 0;
    std::vector<Outcome> outcomes;  // by target
    // The whole stamped box (glyph plus radius on each side) before and after the last draw that
    // lay inside the clip: a draw onto the same box contents copies the result in one go.
    bool boxValid = false;
    std::vector<uint8_t> colorBefore, coverageBefore, colorAfter, coverageAfter;
  };
  int radius = 0;
  int width = 0, height = 0;
  std::vector<uint8_t> source;  // the glyph coverage the plan was made from, row after row
  bool built = false;           // targets made (on the second draw: a glyph drawn once stamps directly)
  std::vector<Target> targets;
  std::vector<uint8_t> coverage;
  Memo memos[2];
  uint64_t uses = 0;

  bool Matches(const TFontPixel& g, int r) const {
    if (r != radius || g.Width() != width || g.Height() != height) return false;
    for (int row = 0; row < height; ++row) {
      if (std::memcmp(g.Glyph.Lock(0, row), source.data() + static_cast<size_t>(row) * width, width) != 0) return false;
    }
    return true;
  }

  // The memo for this colour and pixel layout, taking over the least recently used one if none is.
  Memo& MemoFor(Pixel colour, const Masks& ms, int bits) {
    ++uses;
    for (Memo& m : memos) {
      if (m.bits == bits && m.colour == colour && std::equal(std::begin(m.ms.m), std::end(m.ms.m), std::begin(ms.m))) {
        m.lastUse = uses;
        return m;
      }
    }
    Memo& m = memos[0].lastUse <= memos[1].lastUse ? memos[0] : memos[1];
    m.colour = colour;
    m.ms = ms;
    m.bits = bits;
    m.lastUse = uses;
    m.outcomes.assign(targets.size(), Outcome{});
    m.boxValid = false;
    return m;
  }
};

namespace {

// A plan holding the glyph's coverage only; its targets are made by BuildOutlineTargets.
std::shared_ptr<TOutlinePlan> NewOutlinePlan(const TFontPixel& g, int r) {
  auto plan = std::make_shared<TOutlinePlan>();
  const int w = g.Width(), h = g.Height();
  plan->radius = r;
  plan->width = w;
  plan->height = h;
  plan->source.resize(static_cast<size_t>(w) * h);
  for (int row = 0; row < h; ++row) std::memcpy(plan->source.data() + static_cast<size_t>(row) * w, g.Glyph.Lock(0, row), w);
  return plan;
}

void BuildOutlineTargets(TOutlinePlan& plan) {
  const int w = plan.width, h = plan.height, r = plan.radius;
  const uint8_t* src = plan.source.data();
  std::vector<uint8_t> stamps;
  for (int ty = -r; ty < h + r; ++ty) {
    for (int tx = -r; tx < w + r; ++tx) {
      stamps.clear();
      bool reset = false;
      // The sources reaching (tx, ty), in stamping order.
      for (int row = std::max(0, ty - r); row <= std::min(h - 1, ty + r); ++row) {
        for (int col = std::max(0, tx - r); col <= std::min(w - 1, tx + r); ++col) {
          if (row == ty && col == tx) continue;
          uint8_t c = src[static_cast<size_t>(row) * w + col];
          if (c == 0) continue;
          if (c == 255) {
            stamps.clear();
            reset = true;
          } else {
            stamps.push_back(c);
          }
        }
      }
      if (!reset && stamps.empty()) continue;
      TOutlinePlan::Target t;
      t.x = static_cast<int16_t>(tx);
      t.y = static_cast<int16_t>(ty);
      t.count = static_cast<uint16_t>(stamps.size());
      t.reset = reset;
      t.first = static_cast<uint32_t>(plan.coverage.size());
      plan.targets.push_back(t);
      plan.coverage.insert(plan.coverage.end(), stamps.begin(), stamps.end());
    }
  }
  plan.built = true;
}

// Applies a glyph's outline plan: per target pixel, its stamps in order from its current (or reset)
// state, or the remembered outcome when the target starts from the same state as last time.
template <typename P>
void ApplyTargets(TOutlinePlan& plan, TOutlinePlan::Memo& memo, const Stamp& s, int x, int y) {
  const WeightTable& weights = Weights();
  const uint8_t* stamps = plan.coverage.data();
  for (size_t i = 0; i < plan.targets.size(); ++i) {
    const TOutlinePlan::Target& t = plan.targets[i];
    int64_t tx = int64_t{x} + t.x, ty = int64_t{y} + t.y;
    if (!s.inside && (ty < s.clip.top || ty >= s.clip.bottom || tx < s.clip.left || tx >= s.clip.right)) continue;
    P* crow = reinterpret_cast<P*>(s.colorBase + static_cast<ptrdiff_t>(ty) * s.colorPitch);
    uint8_t* arow = s.coverageBase + static_cast<ptrdiff_t>(ty) * s.coveragePitch;
    if (t.reset && t.count == 0) {  // the last stamp had full coverage
      crow[tx] = static_cast<P>(s.colour);
      arow[tx] = 255;
      continue;
    }
    TOutlinePlan::Outcome& o = memo.outcomes[i];
    uint32_t a;
    P px;
    if (t.reset) {
      a = 255;
      px = static_cast<P>(s.colour);
    } else {
      a = arow[tx];
      px = crow[tx];
    }
    if (o.valid && o.fromPixel == px && o.fromCoverage == a) {
      crow[tx] = static_cast<P>(o.toPixel);
      arow[tx] = o.toCoverage;
      continue;
    }
    o.fromPixel = px;
    o.fromCoverage = static_cast<uint8_t>(a);
    for (uint32_t k = 0; k < t.count; ++k) {
      uint32_t c = stamps[t.first + k];
      uint32_t a2 = a + Div255(c * (255u - a));
      uint32_t w = weights.w[c][a2];
      px = static_cast<P>(MixChannels(s.ms, s.colour, w, px, 255u - w));
      a = a2;
    }
    o.toPixel = px;
    o.toCoverage = static_cast<uint8_t>(a);
    o.valid = true;
    crow[tx] = px;
    arow[tx] = static_cast<uint8_t>(a);
  }
}

// Copies the stamped box's rows (colour then coverage) between the surfaces and flat buffers.
template <typename P>
struct BoxRows {
  const Stamp& s;
  int left, top, width, height;
  size_t ColorBytes() const { return static_cast<size_t>(width) * sizeof(P); }
  uint8_t* ColorRow(int row) const {
    return s.colorBase + static_cast<ptrdiff_t>(top + row) * s.colorPitch + static_cast<ptrdiff_t>(left) * static_cast<ptrdiff_t>(sizeof(P));
  }
  uint8_t* CoverageRow(int row) const { return s.coverageBase + static_cast<ptrdiff_t>(top + row) * s.coveragePitch + left; }
  bool Equals(const std::vector<uint8_t>& color, const std::vector<uint8_t>& coverage) const {
    for (int row = 0; row < height; ++row) {
      if (std::memcmp(ColorRow(row), color.data() + row * ColorBytes(), ColorBytes()) != 0 ||
          std::memcmp(CoverageRow(row), coverage.data() + static_cast<size_t>(row) * width, static_cast<size_t>(width)) != 0)
        return false;
    }
    return true;
  }
  void Save(std::vector<uint8_t>& color, std::vector<uint8_t>& coverage) const {
    color.resize(ColorBytes() * static_cast<size_t>(height));
    coverage.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int row = 0; row < height; ++row) {
      std::memcpy(color.data() + row * ColorBytes(), ColorRow(row), ColorBytes());
      std::memcpy(coverage.data() + static_cast<size_t>(row) * width, CoverageRow(row), static_cast<size_t>(width));
    }
  }
  void Restore(const std::vector<uint8_t>& color, const std::vector<uint8_t>& coverage) const {
    for (int row = 0; row < height; ++row) {
      std::memcpy(ColorRow(row), color.data() + row * ColorBytes(), ColorBytes());
      std::memcpy(CoverageRow(row), coverage.data() + static_cast<size_t>(row) * width, static_cast<size_t>(width));
    }
  }
};

// Applies a glyph's outline plan. Inside the clip, a box whose contents match the last draw's gets
// that draw's result; otherwise the targets are applied one by one and the box remembered.
template <typename P>
void ApplyOutlinePlan(TOutlinePlan& plan, const Stamp& s, int x, int y) {
  TOutlinePlan::Memo& memo = plan.MemoFor(s.colour, s.ms, sizeof(P));
  if (!s.inside) {
    ApplyTargets<P>(plan, memo, s, x, y);
    return;
  }
  const int r = plan.radius;
  BoxRows<P> box{s, x - r, y - r, plan.width + 2 * r, plan.height + 2 * r};
  if (memo.boxValid && box.Equals(memo.colorBefore, memo.coverageBefore)) {
    box.Restore(memo.colorAfter, memo.coverageAfter);
    return;
  }
  box.Save(memo.colorBefore, memo.coverageBefore);
  ApplyTargets<P>(plan, memo, s, x, y);
  box.Save(memo.colorAfter, memo.coverageAfter);
  memo.boxValid = true;
}

// The stamping context for an outline of `radius` at (x, y), or nothing when the surfaces cannot take it.
std::optional<Stamp> OutlineStamp(const TFontPixel& g, TCustomDIBX& color, TCustomDIBX& coverage, Pixel colour, int radius,
                                  int x, int y) {
  if (!ColorWritable(color) || !CoverageWritable(coverage) || g.Empty() || radius < 0) return std::nullopt;
  TRect clip = color.GetClip();
  TRect cov = coverage.GetClip();
  clip = {std::max(clip.left, cov.left), std::max(clip.top, cov.top), std::min(clip.right, cov.right),
          std::min(clip.bottom, cov.bottom)};
  // Stamped targets need a clip test only when the whole stamped area is not inside the clip.
  bool inside = int64_t{x} - radius >= clip.left && int64_t{y} - radius >= clip.top &&
                int64_t{x} + g.Width() + radius <= clip.right && int64_t{y} + g.Height() + radius <= clip.bottom;
  // Row addresses come from the surfaces' base and pitch, not a call per stamped row.
  return Stamp{color.Lock(0, 0), coverage.Lock(0, 0), color.Pitch(), coverage.Pitch(), clip, inside, radius, colour,
               MasksOf(color)};
}

}  // namespace

void DrawSolid(const TFontPixel& g, TCustomDIBX& color, int x, int y, Pixel colour) {
  if (!ColorWritable(color) || g.Empty()) return;
  Span s = ClipGlyph(g, color.GetClip(), x, y);
  int bits = color.BitCount();
  for (int r = 0; r < s.h; ++r) {
    const uint8_t* src = g.Glyph.Lock(s.sx, s.sy + r);
    uint8_t* dst = color.Lock(0, s.dy + r);
    for (int i = 0; i < s.w; ++i) {
      if (src[i] > 0) WritePixel(dst, s.dx + i, bits, colour);
    }
  }
}

void DrawOnColor(const TFontPixel& g, TCustomDIBX& color, int x, int y, Pixel background, Pixel foreground) {
  if (!ColorWritable(color) || g.Empty()) return;
  Span s = ClipGlyph(g, color.GetClip(), x, y);
  if (s.Empty()) return;
  const uint32_t* mix = OnColorTable(foreground, background, MasksOf(color), color.BitCount());
  ptrdiff_t srcPitch = g.Glyph.Pitch(), dstPitch = color.Pitch();
  const uint8_t* src = g.Glyph.Lock(s.sx, s.sy);
  uint8_t* dst = color.Lock(0, s.dy);
  for (int r = 0; r < s.h; ++r, src += srcPitch, dst += dstPitch) {
    if (color.BitCount() == 32) {
      uint32_t* d = reinterpret_cast<uint32_t*>(dst) + s.dx;
      for (int i = 0; i < s.w; ++i) {
        uint32_t keep = src[i] ? 0u : ~0u;  // a select, not a branch: ink is scattered
        d[i] = (mix[src[i]] & ~keep) | (d[i] & keep);
      }
    } else {
      uint16_t* d = reinterpret_cast<uint16_t*>(dst) + s.dx;
      for (int i = 0; i < s.w; ++i) {
        uint32_t keep = src[i] ? 0u : ~0u;
        d[i] = static_cast<uint16_t>((mix[src[i]] & ~keep) | (d[i] & keep));
      }
    }
  }
}

void DrawOver(const TFontPixel& g, TCustomDIBX& color, TCustomDIBX& coverage, int x, int y, Pixel colour) {
  if (!ColorWritable(color) || !CoverageWritable(coverage) || g.Empty()) return;
  TRect clip = color.GetClip();
  TRect cov = coverage.GetClip();
  clip = {std::max(clip.left, cov.left), std::max(clip.top, cov.top), std::min(clip.right, cov.right),
          std::min(clip.bottom, cov.bottom)};
  Span s = ClipGlyph(g, clip, x, y);
  int bits = color.BitCount();
  Masks ms = MasksOf(color);
  for (int r = 0; r < s.h; ++r) {
    const uint8_t* src = g.Glyph.Lock(s.sx, s.sy + r);
    uint8_t* dst = color.Lock(0, s.dy + r);
    uint8_t* a = coverage.Lock(s.dx, s.dy + r);
    for (int i = 0; i < s.w; ++i) OverPixel(ms, dst, s.dx + i, bits, a[i], src[i], colour);
  }
}

void MarkCoverage(const TFontPixel& g, TCustomDIBX& coverage, int x, int y) {
  if (!CoverageWritable(coverage) || g.Empty()) return;
  Span s = ClipGlyph(g, coverage.GetClip(), x, y);
  if (s.Empty()) return;
  ptrdiff_t srcPitch = g.Glyph.Pitch(), dstPitch = coverage.Pitch();
  const uint8_t* src = g.Glyph.Lock(s.sx, s.sy);
  uint8_t* a = coverage.Lock(s.dx, s.dy);
  for (int r = 0; r < s.h; ++r, src += srcPitch, a += dstPitch) {
    for (int i = 0; i < s.w; ++i) a[i] = src[i] ? uint8_t{255} : a[i];  // without a branch, so it vectorises
  }
}

void MaxCoverage(const TFontPixel& g, TCustomDIBX& coverage, int x, int y) {
  if (!CoverageWritable(coverage) || g.Empty()) return;
  Span s = ClipGlyph(g, coverage.GetClip(), x, y);
  for (int r = 0; r < s.h; ++r) {
    const uint8_t* src = g.Glyph.Lock(s.sx, s.sy + r);
    uint8_t* a = coverage.Lock(s.dx, s.dy + r);
    for (int i = 0; i < s.w; ++i) a[i] = std::max(a[i], src[i]);
  }
}

void DrawOutline(const TFontPixel& g, TCustomDIBX& color, TCustomDIBX& coverage, Pixel colour, int radius, int x, int y) {
  if (radius > kMaxPlanRadius || g.Width() > kMaxPlanExtent || g.Height() > kMaxPlanExtent) {
    DrawOutlineStampwise(g, color, coverage, colour, radius, x, y);
    return;
  }
  std::optional<Stamp> stamp = OutlineStamp(g, color, coverage, colour, radius, x, y);
  if (!stamp) return;
  if (!g.OutlinePlan || !g.OutlinePlan->Matches(g, radius)) {
    // A glyph outlined once (a cache miss on a page) stamps directly; the plan pays off on redraws.
    g.OutlinePlan = NewOutlinePlan(g, radius);
    DrawOutlineStampwise(g, color, coverage, colour, radius, x, y);
    return;
  }
  if (!g.OutlinePlan->built) BuildOutlineTargets(*g.OutlinePlan);
  if (color.BitCount() == 32) {
    ApplyOutlinePlan<uint32_t>(*g.OutlinePlan, *stamp, x, y);
  } else {
    ApplyOutlinePlan<uint16_t>(*g.OutlinePlan, *stamp, x, y);
  }
}

void DrawOutlineStampwise(const TFontPixel& g, TCustomDIBX& color, TCustomDIBX& coverage, Pixel colour, int radius, int x,
                          int y) {
  std::optional<Stamp> stamp = OutlineStamp(g, color, coverage, colour, radius, x, y);
  if (!stamp) return;
  if (color.BitCount() == 32) {
    StampOutline<uint32_t>(g, *stamp, x, y);
  } else {
    StampOutline<uint16_t>(g, *stamp, x, y);
  }
}

namespace {

// Nearest integer to num / den, ties to even (den > 0).
int64_t RoundHalfEven(int64_t num, int64_t den) {
  if (den < 0) {
    num = -num;
    den = -den;
  }
  int64_t q = num / den, r = num % den;
  if (r < 0) {
    --q;
    r += den;
  }
  if (2 * r > den || (2 * r == den && (q & 1))) ++q;
  return q;
}

void PaintBand(TCustomDIBX& color, TCustomDIBX& coverage, const TRect& band, Pixel k, TRect& box) {
  if (band.IsEmpty()) return;
  if (ColorWritable(color)) color.FillRect(band, k);
  if (CoverageWritable(coverage)) coverage.FillRect(band, 255);
  box = Union(box, band);
}

}  // namespace

TRect DrawGlyph(const TFontPixel& g, TCustomDIBX& color, TCustomDIBX& coverage, const GlyphColors& colors, bool runEnd,
                bool runStart, int shadow, int border, const TRect& cell) {
  if (g.Empty()) return {};
  const int w = g.Width(), h = g.Height(), L = g.Left, T = g.Top, U = g.UnderlineSize, K = g.StrikeTop,
            Z = g.StrikeSize, E = g.Extra;
  const int D = std::max(0, shadow), B = std::max(0, border);
  const int cx = cell.left, cy = cell.top, cw = static_cast<int>(cell.Width()), ch = static_cast<int>(cell.Height());

  // Centre a glyph narrower than its cell by the character's own bearings.
  int P = 0;
  int gw = std::min(cw, g.FontHeight);
  if (L + E < gw - w) {
    int64_t a = g.AbcA, b = g.AbcB, c = g.AbcC;
    if (a + c != 0 && a + b + c != 0) {
      P = static_cast<int>(RoundHalfEven((b / 2 + a) * (gw - w), a + b + c));
    } else {
      P = (gw - w) / 2;
    }
    P = std::max(0, P - L);
  }
  TRect box = Band(cx + L + P, cy + T, w + 2 * B + D, h + 2 * B + D);

  if (B == 0 && D == 0) {
    DrawSolid(g, color, cx + L + P, cy + T, colors.text);
    MaxCoverage(g, coverage, cx + L + P, cy + T);
    if (U > 0) {
      TRect band = Band(cx, cy + ch - U, cw, U);
      if (CoverageWritable(coverage)) coverage.FillRect(band, 255);
      box = Union(box, band);
    }
    if (Z >= 1) {
      TRect band = Band(cx, cy + K, cw, Z);
      if (CoverageWritable(coverage)) coverage.FillRect(band, 255);
      box = Union(box, band);
    }
    return box;
  }

  const int u = 2 * B;
  if (D > 0) {
    if (U > 0) {
      TRect band = Band(cx, cy + ch - u - U, cw, u + U);
      if (runStart) band.left += D;
      PaintBand(color, coverage, band, colors.shadow, box);
    }
    if (B == 0) {
      int sx = cx + L + D + P, sy = cy + T + D;
      if (CoverageWritable(coverage)) coverage.Draw(sx, sy, false, false, false, g.Glyph.BoundsRect(), g.Glyph);
      DrawSolid(g, color, sx, sy, colors.shadow);
      box = Union(box, Band(sx, sy, w, h));
    } else {
      int sx = cx + B + L + D + P, sy = cy + B + T + D;
      DrawOutline(g, color, coverage, colors.shadow, B, sx, sy);
      box = Union(box, Band(sx - B, sy - B, w + 2 * B, h + 2 * B));
    }
    if (Z > 0) {
      TRect band = Band(cx, cy + D + K, cw, u + Z);
      if (runStart) band.left += D;
      PaintBand(color, coverage, band, colors.shadow, box);
    }
  }

  const int x = cx + B + L + P, y = cy + B + T;
  auto trimEnd = [&](TRect r) {
    if (runEnd) r.right -= D;
    return r;
  };
  if (U > 0) {
    PaintBand(color, coverage, trimEnd(Band(cx, cy + ch - D - B - U, cw, U)), colors.text, box);
    if (B > 0) {
      PaintBand(color, coverage, trimEnd(Band(cx, cy + ch - D - u - U, cw, B)), colors.border, box);
      PaintBand(color, coverage, trimEnd(Band(cx, cy + ch - D - B, cw, B)), colors.border, box);
    }
  }
  if (B == 0) {
    DrawOver(g, color, coverage, x, y, colors.text);
  } else {
    DrawOutline(g, color, coverage, colors.border, B, x, y);
    MarkCoverage(g, coverage, x, y);
    DrawOnColor(g, color, x, y, colors.border, colors.text);
  }
  if (Z >= 1) {
    PaintBand(color, coverage, trimEnd(Band(cx, cy + B + K, cw, Z)), colors.text, box);
    if (B > 0) {
      PaintBand(color, coverage, trimEnd(Band(cx, cy + K, cw, B)), colors.border, box);
      PaintBand(color, coverage, trimEnd(Band(cx, cy + K + B + Z, cw, B)), colors.border, box);
    }
  }
  return box;
}

}  // namespace kuzo
