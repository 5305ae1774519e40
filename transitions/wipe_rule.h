// Rule-image transitions: a grey picture from the game data decides when each pixel changes
// (bright areas first). The image is tiled over the screen; a missing or empty image changes every
// pixel together.
#pragma once

#include <array>
#include <vector>

#include "transitions/custom_wipe.h"

namespace kuzo {

// The rule image tiled over w x h pixels as grey levels (inverted with `invert`); all 255 when the
// loader is absent, cannot read the image or the image is empty.
std::vector<uint8_t> TileRule(const WipeServices& services, const std::string& name, int w, int h, bool invert);

// Each pixel fades from the outgoing to the incoming picture over 256 of 512 levels.
class TWipeShadow : public TWipeMask {
 public:
  using TWipeMask::TWipeMask;
  void Prepare() override;

 protected:
  // 32-bit screens build each mask row and compose it at once; others go the common way.
  void DrawFrame() override;
  bool UpdateMask() override;

 private:
  // The mask value of every grey of the rule at LastLevel.
  std::array<uint8_t, 256> MaskByGrey() const;
  std::vector<uint8_t> rule_;
};

// Each pixel passes through white over 512 of 768 levels: the outgoing picture brightens, then the
// incoming one comes back from white.
class TWipeShadowWhite : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;
  void Prepare() override;

 protected:
  void DrawFrame() override;
  virtual bool Darken() const { return false; }

 private:
  std::vector<uint8_t> rule_;
};

class TWipeShadowBlack : public TWipeShadowWhite {
 public:
  using TWipeShadowWhite::TWipeShadowWhite;

 protected:
  bool Darken() const override { return true; }
};

}  // namespace kuzo
