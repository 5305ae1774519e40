// Mask transitions with shapes: the clock hand, fans, the circle, and blocks in spiral or random
// order.
#pragma once

#include <vector>

#include "transitions/custom_wipe.h"

namespace kuzo {

// Mask transitions decided by each pixel's screen angle about the centre (W div 2, H div 2). Every
// pixel gets a key once (whenever the start angle or the direction changes); a frame then covers
// the pixels whose key lies within the frame's threshold, so no trigonometry runs per frame.
class TWipeAngleMask : public TWipeMask {
 public:
  using TWipeMask::TWipeMask;
  // Angles are in radians, screen orientation (y downward): atan2(y - cy, x - cx).
  void SetParam(int index, int32_t value) override;
  // Computes the keys (once per start angle and direction).
  void Prepare() override;

 protected:
  bool UpdateMask() override;
  // The key of a pixel at screen angle theta, and the threshold at the current Elapsed; inclusive
  // thresholds cover keys equal to them.
  virtual double Key(double theta) const = 0;
  virtual double Threshold() const = 0;
  virtual bool Inclusive() const { return true; }
  double startAngle_ = 0;  // recomputed when parameter 0 is set

 private:
  virtual double StartAngleFor(int32_t degrees) const = 0;
  void BuildKeys();
  // A stretch [begin, end) of a row along which the keys only rise (or only fall).
  struct KeyRun {
    int begin;
    int end;
    bool rising;
  };
  std::vector<float> keys_;
  std::vector<KeyRun> runs_;
  std::vector<size_t> rowRuns_;  // runs of row y: runs_[rowRuns_[y] .. rowRuns_[y + 1])
  double keyedStart_ = 0;
  uint8_t keyedReverse_ = 0;
};

// A hand turning from param 0 degrees past 12 o'clock, clockwise (counter-clockwise with Reverse).
class TWipeClockhand : public TWipeAngleMask {
 public:
  using TWipeAngleMask::TWipeAngleMask;

 protected:
  double Key(double theta) const override;
  double Threshold() const override;
  bool Inclusive() const override { return false; }

 private:
  double StartAngleFor(int32_t degrees) const override;
};

// A pie sector opening both ways from param 0 degrees past 12 o'clock.
class TWipeFan : public TWipeAngleMask {
 public:
  using TWipeAngleMask::TWipeAngleMask;

 protected:
  double Key(double theta) const override;
  double Threshold() const override;

 private:
  double StartAngleFor(int32_t degrees) const override;
};

// Two opposite sectors that together cover the circle at the end.
class TWipeWFan : public TWipeFan {
 public:
  using TWipeFan::TWipeFan;

 protected:
  double Key(double theta) const override;
  double Threshold() const override;
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
