// Mask transitions with regular patterns: blinds, staggered curtains, growing squares and the
// dissolve through a fixed 64 x 64 order.
#pragma once

#include <array>

#include "transitions/custom_wipe.h"

namespace kuzo {

// Vertical blinds: every column of a slat starts two levels after its neighbour.
class TWipeBlindH : public TWipeMask {
 public:
  using TWipeMask::TWipeMask;

 protected:
  bool UpdateMask() override;
  int MaskHeight() const override { return 1; }
};

// Horizontal blinds: the mask is one slat high and repeats down the screen.
class TWipeBlindV : public TWipeMask {
 public:
  using TWipeMask::TWipeMask;

 protected:
  bool UpdateMask() override;
  int MaskHeight() const override { return std::max(Params[0], 2); }
};

// Staggered curtain over blocks of param 0 columns; both parameters are at least 1.
class TWipeOrderHMask : public TWipeMask {
 public:
  using TWipeMask::TWipeMask;
  void SetParam(int index, int32_t value) override;

 protected:
  bool UpdateMask() override;
  int MaskHeight() const override { return 1; }
  // Curtains along rows instead of columns.
  virtual bool Vertical() const { return false; }
};
using TWipeCurtainH = TWipeOrderHMask;

class TWipeCurtainV : public TWipeOrderHMask {
 public:
  using TWipeOrderHMask::TWipeOrderHMask;

 protected:
  int MaskHeight() const override { return H(); }
  bool Vertical() const override { return true; }
};

// Growing squares in cells of param 0 pixels, each cell starting by its distance from the corner.
class TWipeGrid : public TWipeMask {
 public:
  using TWipeMask::TWipeMask;

 protected:
  bool UpdateMask() override;
  int64_t Columns() const { return (int64_t{W()} + Params[0] - 1) / Params[0]; }
  int64_t Rows() const { return (int64_t{H()} + Params[0] - 1) / Params[0]; }
  // The level at which the cell in row i, column j starts growing, and the top level.
  virtual int64_t CellStart(int64_t i, int64_t j) const;
  virtual int64_t TopLevel() const;
};

// Cells start column by column; the mask is one cell row high.
class TWipeGridH : public TWipeGrid {
 public:
  using TWipeGrid::TWipeGrid;

 protected:
  int MaskHeight() const override { return std::min(std::max(Params[0], 2), H()); }
  int64_t CellStart(int64_t i, int64_t j) const override;
  int64_t TopLevel() const override;
};

// Cells start row by row.
class TWipeGridV : public TWipeGrid {
 public:
  using TWipeGrid::TWipeGrid;

 protected:
  int64_t CellStart(int64_t i, int64_t j) const override;
  int64_t TopLevel() const override;
};

// Random dissolve through a fixed order of the 4096 cells of a 64 x 64 tile.
class TWipeDither : public TWipeMask {
 public:
  TWipeDither(TCustomDIBX& dest, const TCustomDIBX& from, const TCustomDIBX& to, const WipeServices& services);
  // The tile order, the same on every run: cell value / 64 rows down, value mod 64 across.
  static std::array<uint16_t, 4096> TileOrder();

 protected:
  bool UpdateMask() override;
  int MaskHeight() const override { return 64; }

 private:
  std::array<uint16_t, 4096> order_;
};

}  // namespace kuzo
