// Rule-image transitions: the tiled grey map, the fading ramp and the passage through white or black.
#include "transitions/wipe_rule.h"

#include <algorithm>
#include <array>
#include <vector>

#include "transitions/wipe_pass_rows.h"
#include "transitions/wipe_rows.h"
#include "transitions/wipe_surface_ops.h"

namespace kuzo {
namespace {

// Pixel levels of a rule fade: level + (grey - 255) looked up in a ramp that is 0 below 256, rises
// one step per level and then stays at its top.
constexpr int kRampSize = 1024;

constexpr std::array<uint16_t, kRampSize> MakeRamp(int top) {
  std::array<uint16_t, kRampSize> ramp{};
  for (int i = 0; i < kRampSize; ++i) ramp[static_cast<size_t>(i)] = static_cast<uint16_t>(std::clamp(i - 256, 0, top));
  return ramp;
}
constexpr std::array<uint16_t, kRampSize> kMaskRamp = MakeRamp(255);    // mask values
constexpr std::array<uint16_t, kRampSize> kWhiteRamp = MakeRamp(511);   // levels through white or black

}  // namespace

std::vector<uint8_t> TileRule(const WipeServices& services, const std::string& name, int w, int h, bool invert) {
  std::vector<uint8_t> map(static_cast<size_t>(std::max(w, 0)) * static_cast<size_t>(std::max(h, 0)), 255);
  std::optional<GreyImage> rule;
  if (services.loadRule && !name.empty()) rule = services.loadRule(name);
  const bool usable = rule && rule->width > 0 && rule->height > 0 &&
                      rule->grey.size() >= static_cast<size_t>(rule->width) * static_cast<size_t>(rule->height);
  if (!usable) return map;  // every pixel changes together
  for (int y = 0; y < h; ++y) {
    const uint8_t* src = &rule->grey[static_cast<size_t>(y % rule->height) * rule->width];
    uint8_t* dst = &map[static_cast<size_t>(y) * w];
    for (int x = 0; x < w; ++x) {
      const uint8_t g = src[x % rule->width];
      dst[x] = invert ? static_cast<uint8_t>(255 - g) : g;
    }
  }
  return map;
}

void TWipeShadow::Prepare() {
  TWipeMask::Prepare();
  rule_ = TileRule(services_, RuleName, W(), H(), Reverse != 0);
}

std::array<uint8_t, 256> TWipeShadow::MaskByGrey() const {
  // mask = ramp[level + grey - 255], level 255 .. 766
  std::array<uint8_t, 256> m{};
  for (int g = 0; g < 256; ++g) m[static_cast<size_t>(g)] = static_cast<uint8_t>(kMaskRamp[static_cast<size_t>(LastLevel + g - 255)]);
  return m;
}

bool TWipeShadow::UpdateMask() {
  if (rule_.size() != static_cast<size_t>(W()) * static_cast<size_t>(H())) {
    rule_ = TileRule(services_, RuleName, W(), H(), Reverse != 0);
  }
  if (!NewLevel(Scaled(512) + 255)) return false;
  const std::array<uint8_t, 256> byGrey = MaskByGrey();
  for (size_t i = 0; i < Mask.size(); ++i) Mask[i] = byGrey[rule_[i]];
  HardEdge = false;
  return true;
}

void TWipeShadow::DrawFrame() {
  PixelFormat f;
  const size_t pixels = static_cast<size_t>(W()) * static_cast<size_t>(H());
  if (!wipe::FormatOf(Dest, f) || f != PixelFormat::kRgb32 || MaskRows() != H()) {
    TWipeMask::DrawFrame();
    return;
  }
  if (Mask.size() != pixels) Prepare();
  if (rule_.size() != pixels) rule_ = TileRule(services_, RuleName, W(), H(), Reverse != 0);
  if (!NewLevel(Scaled(512) + 255)) return;
  HardEdge = false;
  // mask = ramp[level + grey - 255] = clamp(grey + level - 511, 0, 255)
  const int shift = LastLevel - 511;
  for (int y = 0; y < H(); ++y) {
    uint8_t* m = MaskRow(y);
    wipe::RuleMaskRow(m, &rule_[static_cast<size_t>(y) * W()], W(), shift);
    wipe::ComposeRow32(Dest.Lock(0, y), From.Lock(0, y), To.Lock(0, y), m, W(), false);
  }
}

void TWipeShadowWhite::Prepare() { rule_ = TileRule(services_, RuleName, W(), H(), Reverse != 0); }

void TWipeShadowWhite::DrawFrame() {
  const auto& ramp = kWhiteRamp;
  if (rule_.size() != static_cast<size_t>(W()) * static_cast<size_t>(H())) Prepare();
  PixelFormat f;
  if (!wipe::FormatOf(Dest, f)) return;
  const int level = static_cast<int>(Scaled(768)) + 255;  // 255 .. 1022
  std::array<uint32_t, 256> grey{};
  for (int v = 0; v < 256; ++v) grey[static_cast<size_t>(v)] = wipe::GreyPixel(Dest, v);
  const bool dark = Darken();
  if (f == PixelFormat::kRgb32 && wipe::PlainGreys32(grey)) {
    // Each pixel's level, ramp[level + grey - 255] = clamp(grey + level - 511, 0, 511), and its
    // passage in one row kernel.
    for (int y = 0; y < H(); ++y) {
      wipe::RulePassRow32(Dest.Lock(0, y), From.Lock(0, y), To.Lock(0, y), &rule_[static_cast<size_t>(y) * W()], W(),
                          level - 511, dark);
    }
    return;
  }
  wipe::WithFormat(f, [&]<PixelFormat F>() {
    constexpr int bpp = Info(F).bytesPerPixel;
    for (int y = 0; y < H(); ++y) {
      const uint8_t* fr = From.Lock(0, y);
      const uint8_t* tr = To.Lock(0, y);
      uint8_t* dr = Dest.Lock(0, y);
      const uint8_t* rule = &rule_[static_cast<size_t>(y) * W()];
      for (int x = 0; x < W(); ++x) {
        // v < 256: From with grey v; else To with grey 511 - v (added, or taken away through black)
        const int v = ramp[static_cast<size_t>(level + rule[x] - 255)];
        const ptrdiff_t o = static_cast<ptrdiff_t>(x) * bpp;
        const uint32_t src = v < 256 ? wipe::Load<F>(fr + o) : wipe::Load<F>(tr + o);
        const uint32_t g = grey[static_cast<size_t>(v < 256 ? v : 511 - v)];
        wipe::Store<F>(dr + o, dark ? wipe::SubSat<F>(src, g) : wipe::AddSat<F>(src, g));
      }
    }
  });
}

}  // namespace kuzo
