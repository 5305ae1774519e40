// Per-pixel and distortion transitions: the spot through white, shrink and grow with rotation, the
// ripple ring, the blur through white or black, and the crack whose pieces fall off the screen.
#pragma once

#include <optional>
#include <vector>

#include "graphics/dibx.h"
#include "transitions/custom_wipe.h"

namespace kuzo {

// Every pixel passes from the outgoing picture through white to the incoming one, later the farther
// it is from the centre (from the rim with Reverse).
class TWipeSpot : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;
  // Rebuilds the distance map for the direction.
  void SetReverse(uint8_t reverse) override;
  void Prepare() override;

 protected:
  void DrawFrame() override;

 private:
  void BuildMap();
  // How far each pixel's change lags: 16 bits where every level fits them (the row kernel's
  // lanes), 32 bits on screens too large for that. One of the two is filled.
  std::vector<uint16_t> map16_;
  std::vector<int32_t> map_;
  int32_t span_ = 0;
};

// The incoming picture drawn, the outgoing one rotated about the centre, shrinking and fading out.
class TWipeSmall : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;

 protected:
  void DrawFrame() override;
};

// The outgoing picture drawn, the incoming one rotated about the centre, growing and fading in.
class TWipeBig : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;

 protected:
  void DrawFrame() override;
};

// A ring expanding from the centre, inside which the incoming picture is displaced along the radius
// by a sawtooth of amplitude param 0. Tables cover one quarter of the screen, mirrored four ways.
class TWipeRipple : public TCustomWipe {
 public:
  TWipeRipple(TCustomDIBX& dest, const TCustomDIBX& from, const TCustomDIBX& to, const WipeServices& services);
  // Parameter 0 also rebuilds the profile with the new amplitude.
  void SetParam(int index, int32_t value) override;

 protected:
  void DrawFrame() override;

 private:
  void BuildProfile(int32_t amplitude);
  int w2_ = 0;
  int h2_ = 0;
  std::vector<uint16_t> distance_;
  std::vector<int32_t> cosine_;  // 16.16
  std::vector<int32_t> sine_;    // 16.16
  std::vector<int32_t> profile_;
  bool upward_ = false;  // the order of the last frame's cell rows
};

// The outgoing picture blurs and fades to white; the incoming one comes back from white and sharpens.
class TWipeBlurWhite : public TCustomWipe {
 public:
  TWipeBlurWhite(TCustomDIBX& dest, const TCustomDIBX& from, const TCustomDIBX& to, const WipeServices& services);
  // Blurs both pictures (radius min(W, H) div 20).
  void Prepare() override;

 protected:
  void DrawFrame() override;
  virtual bool Darken() const { return false; }

 private:
  TDIBX blurFrom_;
  TDIBX blurTo_;
  bool blurred_ = false;
};

class TWipeBlurBlack : public TWipeBlurWhite {
 public:
  using TWipeBlurWhite::TWipeBlurWhite;

 protected:
  bool Darken() const override { return true; }
};

// One piece of the crack: a cell of the outgoing picture that waits, jumps and falls.
struct TWipeCrackDraw {
  int32_t column = 0;
  int32_t row = 0;
  int32_t delay = 0;
  int32_t drift = 0;  // -100 .. 99: sideways pixels per 100 steps
};

// The outgoing picture breaks into squares of param 0 pixels (at least 16) that leave in random
// order, param 1 levels apart.
class TWipeCrack : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;
  void SetParam(int index, int32_t value) override;

  int32_t FallLength() const { return fallLength_; }
  int32_t LastDelay() const { return lastDelay_; }
  const std::vector<std::optional<TWipeCrackDraw>>& Pieces() const { return pieces_; }

 protected:
  void DrawFrame() override;

 private:
  void SetDelays();
  std::vector<std::optional<TWipeCrackDraw>> pieces_;
  int32_t fallLength_ = 0;
  int32_t lastDelay_ = 0;
};

}  // namespace kuzo
