// Blinds, curtains, growing squares and the fixed-order dissolve: mask builders for TWipeMask.
#include "transitions/wipe_masks.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "data/random.h"

namespace kuzo {
namespace {

constexpr uint32_t kDitherSeed = 12341;
constexpr int kTileSide = 64;
constexpr int kTileCells = kTileSide * kTileSide;

int64_t RoundHypot(int64_t a, int64_t b) { return RoundEven(std::hypot(static_cast<double>(a), static_cast<double>(b))); }

}  // namespace

// --- blinds ---------------------------------------------------------------------------------------

bool TWipeBlindH::UpdateMask() {
  const int64_t p0 = Params[0];
  if (!NewLevel(Scaled(int64_t{Params[1]} + 2 * p0 - 2))) return false;
  uint8_t* row = MaskRow(0);
  for (int x = 0; x < W(); ++x) {
    const int64_t k = x % p0;
    row[x] = Ramp(LastLevel, Reverse != 0 ? 2 * (p0 - k - 1) : 2 * k);
  }
  HardEdge = Params[1] < 2;
  return true;
}

bool TWipeBlindV::UpdateMask() {
  const int64_t p0 = Params[0];
  if (!NewLevel(Scaled(int64_t{Params[1]} + 2 * p0 - 2))) return false;
  bool partial = false;
  for (int y = 0; y < MaskRows(); ++y) {
    const uint8_t v = Ramp(LastLevel, Reverse != 0 ? 2 * (p0 - y - 1) : 2 * int64_t{y});
    partial = partial || (v != 0 && v != 255);
    std::memset(MaskRow(y), v, static_cast<size_t>(W()));
  }
  HardEdge = !partial;
  return true;
}

// --- curtains -------------------------------------------------------------------------------------

void TWipeOrderHMask::SetParam(int index, int32_t value) { TCustomWipe::SetParam(index, std::max(value, 1)); }

bool TWipeOrderHMask::UpdateMask() {
  const int64_t p = Params[0];
  const int64_t size = Vertical() ? H() : W();
  const int64_t blocks = (size + p - 1) / p;
  if (!NewLevel(Scaled((blocks + p - 2) * 16 + Params[1]))) return false;
  // Line f (counted from the far side with Reverse) starts at (f / p + f mod p) * 16.
  const auto value = [&](int64_t i) {
    const int64_t f = Reverse != 0 ? size - i - 1 : i;
    return Ramp(LastLevel, (f / p + f % p) * 16);
  };
  if (Vertical()) {
    for (int y = 0; y < MaskRows(); ++y) std::memset(MaskRow(y), value(y), static_cast<size_t>(W()));
  } else {
    uint8_t* row = MaskRow(0);
    for (int x = 0; x < W(); ++x) row[x] = value(x);
  }
  HardEdge = Params[1] < 2;
  return true;
}

// --- growing squares ------------------------------------------------------------------------------

int64_t TWipeGrid::CellStart(int64_t i, int64_t j) const {
  return Reverse != 0 ? 4 * RoundHypot(Rows() - i - 1, Columns() - j - 1) : 4 * RoundHypot(i, j);
}

int64_t TWipeGrid::TopLevel() const { return int64_t{Params[1]} + 4 * RoundHypot(Rows() - 1, Columns() - 1) - 4; }

int64_t TWipeGridH::CellStart(int64_t, int64_t j) const { return 4 * (Reverse != 0 ? Columns() - j - 1 : j); }

int64_t TWipeGridH::TopLevel() const { return int64_t{Params[1]} + 4 * Columns() - 4; }

int64_t TWipeGridV::CellStart(int64_t i, int64_t) const { return 4 * (Reverse != 0 ? Rows() - i - 1 : i); }

int64_t TWipeGridV::TopLevel() const { return int64_t{Params[1]} + 4 * Rows() - 4; }

bool TWipeGrid::UpdateMask() {
  if (!NewLevel(Scaled(std::max<int64_t>(TopLevel(), 0)))) return false;
  std::fill(Mask.begin(), Mask.end(), 0);
  const int64_t p0 = Params[0], p1 = Params[1];
  const int64_t level = LastLevel;
  const int rows = MaskRows();
  const int64_t cellRows = (int64_t{rows} + p0 - 1) / p0;
  for (int64_t i = 0; i < cellRows; ++i) {
    for (int64_t j = 0; j < Columns(); ++j) {
      const int64_t start = CellStart(i, j);
      if (level < start) continue;
      // A square of side min(p0, (level - start) * p0 / p1), centred in the cell.
      const int64_t side = std::min(p0, (level - start) * p0 / p1);
      const uint8_t v = static_cast<uint8_t>(std::min<int64_t>(255, (level - start) * 255 / p1));
      if (side <= 0 || v == 0) continue;
      const int64_t x0 = j * p0 + (p0 - side) / 2, y0 = i * p0 + (p0 - side) / 2;
      const int64_t x1 = std::min<int64_t>(x0 + side, W()), y1 = std::min<int64_t>(y0 + side, rows);
      // A cell larger than the screen can centre its square beyond the edge: nothing to fill.
      if (x0 >= x1 || y0 >= y1) continue;
      for (int64_t y = y0; y < y1; ++y) std::memset(MaskRow(static_cast<int>(y)) + x0, v, static_cast<size_t>(x1 - x0));
    }
  }
  HardEdge = p1 < 2;
  return true;
}

// --- fixed-order dissolve -------------------------------------------------------------------------

std::array<uint16_t, 4096> TWipeDither::TileOrder() {
  std::array<uint16_t, kTileCells> order{};
  TNkRandom random(kDitherSeed);
  random.FillPool(kTileCells);
  for (auto& cell : order) cell = static_cast<uint16_t>(random.DrawFromPool());
  return order;
}

TWipeDither::TWipeDither(TCustomDIBX& dest, const TCustomDIBX& from, const TCustomDIBX& to,
                         const WipeServices& services)
    : TWipeMask(dest, from, to, services), order_(TileOrder()) {
  HardEdge = true;
}

bool TWipeDither::UpdateMask() {
  if (!NewLevel(Scaled(kTileCells))) return false;
  std::array<uint8_t, kTileCells> tile{};
  const int level = std::min(LastLevel, kTileCells);
  for (int k = 0; k < level; ++k) tile[order_[static_cast<size_t>(k)]] = 255;
  for (int y = 0; y < MaskRows(); ++y) {
    uint8_t* row = MaskRow(y);
    const uint8_t* src = tile.data() + static_cast<size_t>(y % kTileSide) * kTileSide;
    for (int x = 0; x < W(); x += kTileSide) std::memcpy(row + x, src, static_cast<size_t>(std::min(kTileSide, W() - x)));
  }
  HardEdge = true;
  return true;
}

}  // namespace kuzo
