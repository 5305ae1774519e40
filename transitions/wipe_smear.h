// Transitions that stretch parts of the pictures: the mosaic, the smearing roll and rubber band,
// and the slats that turn over.
#pragma once

#include <vector>

#include "graphics/dibx.h"
#include "transitions/custom_wipe.h"

namespace kuzo {

// Both pictures shrunk into a work surface (coarsest at mid-duration), cross-faded there and
// enlarged over the screen.
class TWipeMosaic : public TCustomWipe {
 public:
  TWipeMosaic(TCustomDIBX& dest, const TCustomDIBX& from, const TCustomDIBX& to, const WipeServices& services);

 protected:
  void DrawFrame() override;

 private:
  TDIBX work_;
};

// A line sweeps across the outgoing picture smearing the line under it over everything behind it,
// then sweeps back across the incoming one. Columns (H) or rows (V).
class TWipeSudareH : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;

 protected:
  void DrawFrame() override;
  virtual bool Rows() const { return false; }
  // Columns of the source stretched over the smeared part: the single line under the sweep.
  virtual void Band(int64_t p, int64_t& start, int64_t& width) const;
};

class TWipeSudareV : public TWipeSudareH {
 public:
  using TWipeSudareH::TWipeSudareH;

 protected:
  bool Rows() const override { return true; }
};

// As the roll, but a band whose width follows the distance from mid-duration is stretched.
class TWipeRubberH : public TWipeSudareH {
 public:
  using TWipeSudareH::TWipeSudareH;

 protected:
  void Band(int64_t p, int64_t& start, int64_t& width) const override;
};

class TWipeRubberV : public TWipeRubberH {
 public:
  using TWipeRubberH::TWipeRubberH;

 protected:
  bool Rows() const override { return true; }
};

// Rows turn over like slats, from the top (from the bottom with Reverse).
class TWipeTwistH : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;

 protected:
  void DrawFrame() override;

 private:
  // Draws turning row a of a 32-bit screen in one pass: black, with the source row stretched into
  // the n columns from x0. False for other formats and clipped screens (the caller fills and
  // stretches instead).
  bool TurnRow(int a, int32_t x0, int32_t n, const TCustomDIBX& source);
};

// Columns turn over like slats, from the left (from the right with Reverse).
class TWipeTwistV : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;

 protected:
  void DrawFrame() override;

 private:
  // The frame on 32-bit screens from each column's state (1 finished, 2 turning), signed height,
  // top margin and source step; false (nothing drawn) when the turning columns are not one run or
  // the screen is too tall for the row kernel, and the per-format loop draws instead.
  bool DrawColumns32(const std::vector<uint8_t>& state, const std::vector<int32_t>& height,
                     const std::vector<int32_t>& margin, const std::vector<int32_t>& step);
};

}  // namespace kuzo
