// Mask transitions with shapes: the clock hand, fans, the circle, and blocks in spiral or random
// order.
#pragma once

#include <vector>

#include "transitions/custom_wipe.h"

namespace kuzo {

// Mask transitions that look up each pixel's screen angle about the centre (W div 2, H div 2);
// the angles are computed once, at the first rebuild.
class TWipeAngleMask : public TWipeMask {
 public:
  using TWipeMask::TWipeMask;
  // Angles are in radians, screen orientation (y downward): atan2(y - cy, x - cx).
  void SetParam(int index, int32_t value) override;

 protected:
  bool UpdateMask() override;
  // Whether a pixel at screen angle theta is covered at the current Elapsed.
  virtual bool Covered(double theta) const = 0;
  double startAngle_ = 0;  // recomputed when parameter 0 is set

 private:
  virtual double StartAngleFor(int32_t degrees) const = 0;
  std::vector<float> angles_;
};

// A hand turning from param 0 degrees past 12 o'clock, clockwise (counter-clockwise with Reverse).
class TWipeClockhand : public TWipeAngleMask {
 public:
  using TWipeAngleMask::TWipeAngleMask;

 protected:
  bool Covered(double theta) const override;

 private:
  double StartAngleFor(int32_t degrees) const override;
};

// A pie sector opening both ways from param 0 degrees past 12 o'clock.
class TWipeFan : public TWipeAngleMask {
 public:
  using TWipeAngleMask::TWipeAngleMask;

 protected:
  bool Covered(double theta) const override;

 private:
  double StartAngleFor(int32_t degrees) const override;
};

// Two opposite sectors that together cover the circle at the end.
class TWipeWFan : public TWipeFan {
 public:
  using TWipeFan::TWipeFan;

 protected:
  bool Covered(double theta) const override;
};

// A disc growing from the centre (with Reverse, the outgoing picture closing to the centre).
class TWipeCircle : public TWipeMask {
 public:
  using TWipeMask::TWipeMask;

 protected:
  bool UpdateMask() override;
};

// Square blocks switched one after another in a fixed order.
class TWipeBlockOrder : public TWipeMask {
 public:
  using TWipeMask::TWipeMask;
  void Prepare() override;

  // Block side: param 0 limited to 10 .. min(W, H) (smaller screens: their shorter side).
  int BlockSize() const;
  int BlockColumns() const;
  int BlockRows() const;

 protected:
  bool UpdateMask() override;
  // Block indices (row * columns + column) in switching order.
  virtual std::vector<int32_t> BuildOrder() = 0;
  std::vector<int32_t> order_;
};

// A clockwise spiral from the top-left corner inward (filled from the centre outward with Reverse).
class TWipeBlockCoil : public TWipeBlockOrder {
 public:
  using TWipeBlockOrder::TWipeBlockOrder;

 protected:
  std::vector<int32_t> BuildOrder() override;
};

// A random order drawn from the run-time generator at Prepare.
class TWipeBlockRandom : public TWipeBlockOrder {
 public:
  using TWipeBlockOrder::TWipeBlockOrder;

 protected:
  std::vector<int32_t> BuildOrder() override;
};

}  // namespace kuzo
